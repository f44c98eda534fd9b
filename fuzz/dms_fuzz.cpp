// Dms on arbitrary packed angles. For every finite argument the result is
// finite, odd in the sign, and lies within the degrees' unit plus at most
// 99 minutes and 99.99... seconds. When the input is a plain decimal text of at
// most 15 significant digits (whose shortest form is the text itself) the
// result equals the split made directly on the typed digits (for normal
// doubles; a subnormal keeps fewer digits).
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "geometry/angles.h"
#include "geometry/number_text.h"

namespace {

using korvane::fuzz::check;

// Degrees from the digits of a plain decimal "ddd[.fff]" (no sign), split as
// typed: two minute digits, then seconds with the point after their second digit.
bool typed_split(std::string_view text, double& out) {
    const auto point = text.find('.');
    std::string whole(text.substr(0, point));
    std::string fraction =
        point == std::string_view::npos ? "" : std::string(text.substr(point + 1));
    if (whole.empty() && fraction.empty()) return false;
    for (char c : whole + fraction) {
        if (c < '0' || c > '9') return false;
    }
    // Shortest form: at most 15 significant digits, so the double's shortest
    // decimal form carries exactly these digits.
    std::string all = whole + fraction;
    const auto first = all.find_first_not_of('0');
    const auto last = all.find_last_not_of('0');
    if (first != std::string::npos && last - first + 1 > 15) return false;
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    const double d = whole.empty() ? 0.0 : std::strtod(whole.c_str(), nullptr);
    double m = 0.0;
    if (!fraction.empty()) m += 10.0 * (fraction[0] - '0');
    if (fraction.size() > 1) m += fraction[1] - '0';
    double s = 0.0;
    if (fraction.size() > 2) {
        std::string sec = fraction.substr(2);
        if (sec.size() == 1) sec += '0';
        const std::string seconds = sec.substr(0, 2) + '.' + sec.substr(2);
        s = std::strtod(seconds.c_str(), nullptr);
    }
    out = d + (m + s / 60.0) / 60.0;
    return true;
}

void check_value(double v, std::string_view input) {
    if (!std::isfinite(v)) return;
    const double r = korvane::geometry::Dms(v);
    check(std::isfinite(r), "Dms of a finite value is not finite", input);
    check(korvane::geometry::Dms(-v) == -r, "Dms is not odd in the sign", input);
    const double a = std::fabs(v);
    if (a < 9007199254740992.0) {
        const double d = std::floor(a);
        // At most 99 minutes and just under 100 seconds above the whole degrees.
        check(std::fabs(r) >= d && std::fabs(r) <= d + (99.0 + 100.0 / 60.0) / 60.0,
              "Dms result outside its degrees", input);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (size == sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        check_value(raw, text);
    }
    const double v = geometry::parse_leading(text);
    check_value(v, text);

    std::string_view plain = geometry::trim_spaces(text);
    const bool negative = !plain.empty() && plain[0] == '-';
    if (negative) plain.remove_prefix(1);
    double expected = 0.0;
    // Below the smallest normal double fewer digits survive (or none, when the
    // text reads as 0), and the shortest form may be shorter than the typed text.
    if (typed_split(plain, expected) && std::isfinite(v) &&
        (std::fabs(v) >= DBL_MIN || expected == 0.0)) {
        const double r = geometry::Dms(v);
        check(std::fabs(r) == expected, "Dms differs from the split of the typed digits", text);
    }
    return 0;
}
