// Number to text on arbitrary doubles: the text is well formed (never "inf" or
// "nan"), reads back to the value rounded to 15 significant digits (cut there
// for the few values whose rounding would pass the largest double), and writing
// that value again gives the same text. Rounding to 0..15 decimals agrees with
// the C library's exactly rounded printf, and the fast rounded form agrees with
// rounding then writing.
//
// Input: the first byte chooses the decimals (its value modulo 16); the rest is
// either 8 raw bytes of a double or a text read by the leading-number parse.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "geometry/number_text.h"

namespace {

using korvane::fuzz::check;
namespace kg = korvane::geometry;

// The value rounded to 15 significant digits, by printf and strtod; where
// that passes the largest double, cut at the 15th digit instead.
double fifteen_digits(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", v);
    const double rounded = std::strtod(buf, nullptr);
    if (std::isfinite(rounded)) return rounded;
    // Cut by hand from more digits than needed: not every C library's printf
    // follows the rounding mode.
    char more[64];
    std::snprintf(more, sizeof more, "%.20e", v);
    std::string text(more);
    const std::size_t e = text.find('e');
    text = text.substr(0, (v < 0 ? 1 : 0) + 16) + text.substr(e);
    return std::strtod(text.c_str(), nullptr);
}

// Round half to even at `decimals` places on the exact binary value, by printf.
double printf_rounded(double v, int decimals) {
    if (std::fabs(v) >= 4503599627370496.0) return v;
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    const double r = std::strtod(buf, nullptr);
    return r == 0.0 ? 0.0 : r;
}

void check_text(double v, std::string_view input) {
    const std::string text = kg::format_number(v);
    check(korvane::fuzz::is_number_text(text), "format_number wrote a malformed text: " + text,
          input);
    const double expected = fifteen_digits(v);
    const auto back = kg::parse_strict(text);
    check(back.has_value() && *back == expected,
          "format_number does not read back to the 15-digit value: " + text, input);
    check(kg::format_number(*back) == text, "writing the read-back value changed the text: " + text,
          input);
    const double m = std::fabs(expected);
    if (m != 0.0 && m >= 1e-4 && m < 1e15) {
        check(text.find('E') == std::string::npos,
              "survey magnitude written in exponent form: " + text, input);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const int decimals = data[0] % 16;
    const std::string_view rest = input.substr(1);
    double v;
    if (rest.size() == sizeof(double)) {
        std::memcpy(&v, rest.data(), sizeof v);
    } else {
        v = kg::parse_leading(rest);
    }
    if (!std::isfinite(v)) return 0;

    check_text(v, input);
    const double rounded = kg::round_half_even(v, decimals);
    check(rounded == printf_rounded(v, decimals) && !std::signbit(rounded == 0.0 ? rounded : 1.0),
          "round_half_even differs from exact rounding", input);
    check_text(rounded, input);
    check(kg::format_rounded(v, decimals) == kg::format_number(rounded),
          "format_rounded differs from format_number(round_half_even)", input);
    std::string appended = "x";
    kg::append_rounded(appended, v, decimals);
    std::string expected = "x";
    expected += kg::format_number(rounded);
    check(appended == expected, "append_rounded differs from format_rounded", input);
    return 0;
}
