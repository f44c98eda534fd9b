#include "route/angle.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>

#include "geometry/fixed_text.h"
#include "geometry/number_text.h"

namespace korvane::route {
namespace {

constexpr const char* kBadAngle = "角度格式不正确，应写作度.分秒（如45.302010）！";
constexpr const char* kAngleOutOfRange = "角度超出范围！";
constexpr double kMaxDegrees = 1e9;
constexpr double kMaxRadians = 1e6;

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// The arithmetic of the split is carried in long double and rounded to a
// double once, at the end, so that nearly every double is the reading of some
// packed text (which the shortest writer relies on).
using Wide = long double;

Wide read_digits(std::string_view digits) {
    Wide value = 0;
    if (!digits.empty()) std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

// Degrees from the digits before and after the point (no sign).
Wide split_degrees(std::string_view whole, std::string_view fraction) {
    const Wide d = read_digits(whole);
    Wide m = 0;
    if (!fraction.empty()) m += 10 * (fraction[0] - '0');
    if (fraction.size() > 1) m += fraction[1] - '0';
    Wide s = 0;
    if (fraction.size() > 2) {
        std::string seconds(fraction.substr(2));
        if (seconds.size() == 1) seconds.push_back('0');  // "3" is 30 seconds
        if (seconds.size() > 2) seconds.insert(2, 1, '.');
        s = read_digits(seconds);
    }
    return d + (m + s / 60) / 60;
}

double to_radians(Wide degrees) {
    return static_cast<double>(degrees / 180 * std::numbers::pi_v<Wide>);
}

}  // namespace

Outcome<double> read_packed_angle(std::string_view text) {
    text = geometry::trim_spaces(text);
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative || (!text.empty() && text[0] == '+')) ++i;
    const std::size_t w = i;
    while (i < text.size() && is_digit(text[i])) ++i;
    const std::string_view whole = text.substr(w, i - w);
    std::string_view fraction;
    if (i < text.size() && text[i] == '.') {
        ++i;
        const std::size_t f = i;
        while (i < text.size() && is_digit(text[i])) ++i;
        fraction = text.substr(f, i - f);
    }
    if (i != text.size() || (whole.empty() && fraction.empty())) {
        return Failure{kBadAngle, Subject::none, -1, -1};
    }
    const Wide degrees = split_degrees(whole, fraction);
    if (!(degrees < kMaxDegrees)) return Failure{kAngleOutOfRange, Subject::none, -1, -1};
    const double radians = to_radians(degrees);
    return negative ? -radians : radians;
}

double packed_to_radians(double packed) {
    if (!std::isfinite(packed)) return packed;
    char buf[400];
    const auto r =
        std::to_chars(buf, buf + sizeof buf, std::fabs(packed), std::chars_format::fixed);
    const std::string_view text(buf, static_cast<std::size_t>(r.ptr - buf));
    const auto point = text.find('.');
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    const double radians = to_radians(split_degrees(text.substr(0, point), fraction));
    return packed < 0 ? -radians : radians;
}

namespace {

// The text of format_packed with any number of second decimals up to
// kMaxSecondDecimals: enough to write the smallest double of radians (some
// 5e-324, 1e-318 seconds) to seventeen significant digits.
constexpr int kMaxSecondDecimals = 345;

// Writes the packed text into [first, last), which holds at least
// kPackedRoom characters; gives its end.
constexpr std::size_t kPackedRoom = 420;

// The seconds of arc of |radians| with `second_decimals` decimals into buf
// (400 characters). In double where that rounds as the long double would
// (the product's error, some 1e-15 of it, is far from deciding a rounding that
// is not close to a tie), else in long double.
std::to_chars_result second_chars(char* buf, double radians, int second_decimals) {
    constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    constexpr double kMaxScaled = 4294967296.0;  // 2^32
    constexpr double kTieMargin = 1.0 / 4096;
    if (second_decimals <= 9) {
        const double seconds = std::fabs(radians) / std::numbers::pi * 180 * 3600;
        const double scaled = seconds * kPowers[second_decimals];
        const double fraction = scaled - std::floor(scaled);
        if (scaled < kMaxScaled && std::fabs(fraction - 0.5) > kTieMargin)
            return geometry::fixed_chars(buf, buf + 400, seconds, second_decimals);
    }
    const Wide seconds =
        std::fabs(static_cast<Wide>(radians)) / std::numbers::pi_v<Wide> * 180 * 3600;
    return geometry::fixed_chars(buf, buf + 400, seconds, second_decimals);
}

char* packed_chars(char* first, double radians, int second_decimals) {
    char buf[400];
    const auto r = second_chars(buf, radians, second_decimals);
    const char* point = std::find(buf, r.ptr, '.');
    std::uint64_t whole = 0;
    std::from_chars(buf, point, whole);
    bool zero = true;
    for (const char* c = buf; c != r.ptr && zero; ++c) zero = *c == '0' || *c == '.';
    const std::uint64_t d = whole / 3600;
    const auto m = static_cast<unsigned>(whole % 3600 / 60);
    const auto s = static_cast<unsigned>(whole % 60);

    if (radians < 0 && !zero) *first++ = '-';
    first = std::to_chars(first, first + 24, d).ptr;
    *first++ = '.';
    *first++ = static_cast<char>('0' + m / 10);
    *first++ = static_cast<char>('0' + m % 10);
    *first++ = static_cast<char>('0' + s / 10);
    *first++ = static_cast<char>('0' + s % 10);
    if (point != r.ptr) first = std::copy(point + 1, static_cast<const char*>(r.ptr), first);
    return first;
}

std::string packed_text(double radians, int second_decimals) {
    std::string out(kPackedRoom, '\0');
    out.resize(
        static_cast<std::size_t>(packed_chars(out.data(), radians, second_decimals) - out.data()));
    return out;
}

}  // namespace

std::string format_packed(double radians, int second_decimals) {
    if (!std::isfinite(radians) || std::fabs(radians) > kMaxRadians) return {};
    if (second_decimals < 0) second_decimals = 0;
    if (second_decimals > 15) second_decimals = 15;
    return packed_text(radians, second_decimals);
}

double normalize_azimuth(double radians) {
    if (!std::isfinite(radians)) return radians;
    constexpr double two_pi = 2.0 * std::numbers::pi;
    if (radians >= 0 && radians < two_pi) return radians;
    double a = std::fmod(radians, two_pi);
    if (a < 0) a += two_pi;
    if (a >= two_pi) a = 0;  // a tiny negative angle plus 2π rounds up to 2π
    return a;
}

char* azimuth_chars(char* first, char* last, double radians, int second_decimals) {
    const double a = normalize_azimuth(radians);
    if (!std::isfinite(a)) return nullptr;
    second_decimals = std::clamp(second_decimals, 0, 15);
    char text[kPackedRoom];
    char* end = packed_chars(text, a, second_decimals);
    if (std::string_view(text, static_cast<std::size_t>(end - text)).starts_with("360.")) {
        // Rounded up to a full turn: that is north.
        end = packed_chars(text, 0.0, second_decimals);
    }
    if (last - first < end - text) return nullptr;
    return std::copy(text, end, first);
}

std::string format_azimuth(double radians, int second_decimals) {
    char text[kPackedRoom];
    char* end = azimuth_chars(text, text + sizeof text, radians, second_decimals);
    return end == nullptr ? std::string() : std::string(text, end);
}

std::string format_packed_shortest(double radians) {
    if (!std::isfinite(radians) || std::fabs(radians) > kMaxRadians) return {};
    std::string best;
    double best_error = INFINITY;
    // True when the text with n second decimals reads back exactly.
    const auto exact_with = [&](int n) {
        std::string text = packed_text(radians, n);
        const auto back = read_packed_angle(text);
        if (!back) return false;
        const double error = std::fabs(back.value() - radians);
        if (error < best_error) {
            best_error = error;
            best = std::move(text);
        }
        return error == 0;
    };
    for (int n = 0; n <= 15; ++n) {
        if (exact_with(n)) return best;
    }
    // An angle whose seconds are so small that fifteen decimals hold fewer
    // than the digits it needs (what is left of a huge azimuth brought into a
    // turn, say): more decimals, from where its digits
    // start, so that a file written with it reads back to the same number.
    const Wide seconds =
        std::fabs(static_cast<Wide>(radians)) / std::numbers::pi_v<Wide> * 180 * 3600;
    if (seconds > 0) {
        const int lead = static_cast<int>(-std::floor(std::log10(seconds)));
        const int last = std::min(lead + 22, kMaxSecondDecimals);
        for (int n = std::max(16, lead + 14); n <= last; ++n) {
            if (exact_with(n)) return best;
        }
    }
    return best;
}

}  // namespace korvane::route
