#include "route/angle.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <string>
#include <string_view>

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

// Powers of ten held exactly in a Wide (5^k below 2^digits): up to 10^27 in
// the 64 bits of an x87 long double, 10^22 where a long double is a double.
static_assert(std::numeric_limits<Wide>::digits >= 53);
constexpr int kExactPowers = std::numeric_limits<Wide>::digits >= 64 ? 27 : 22;

constexpr Wide ten_to(int k) {
    Wide p = 1;
    for (int i = 0; i < k; ++i) p *= 10;
    return p;
}

// The Wide nearest to the decimal number `whole`.`fraction` (digits only),
// rounded once, half to even, as a correctly rounded reading gives it. Made
// here because not every C++ library reads a long double to its full
// precision (MinGW's reads it as a double), and a packed angle must read to
// the same radians on every system. Values below 1e-400 read as zero: far
// below the smallest double of radians.
Wide decimal_value(std::string_view whole, std::string_view fraction) {
    while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
    constexpr int kBits = std::numeric_limits<Wide>::digits;
    constexpr std::uint64_t kExactBelow =
        kBits >= 64 ? ~std::uint64_t{0} : std::uint64_t{1} << (kBits % 64);
    if (whole.size() > 19) return std::numeric_limits<Wide>::infinity();  // beyond any range
    std::uint64_t n = 0;
    for (const char c : whole) n = n * 10 + static_cast<std::uint64_t>(c - '0');
    if (fraction.empty()) {
        if (n < kExactBelow) return static_cast<Wide>(n);
    } else if (whole.size() + fraction.size() <= 19 &&
               fraction.size() <= static_cast<std::size_t>(kExactPowers)) {
        // The digits as one integer and the power of ten are both exact: the
        // quotient is the one rounding.
        std::uint64_t m = n;
        for (const char c : fraction) m = m * 10 + static_cast<std::uint64_t>(c - '0');
        if (m < kExactBelow)
            return static_cast<Wide>(m) / ten_to(static_cast<int>(fraction.size()));
    }

    // Otherwise bit by bit: the integer part's bits, then the fraction's, each
    // the carry out of doubling the fraction's decimal digits, until the
    // mantissa is full; the guard bit and whatever is left decide the rounding.
    const std::size_t zeros = whole.empty() ? fraction.find_first_not_of('0') : 0;
    if (zeros > 400) return 0;
    // Every rounding boundary near the result has fewer decimals than `keep`;
    // the digits beyond it only tell whether anything is left, so they become
    // one digit 1 when any of them is not zero.
    const std::size_t keep = 4 * zeros + 100;
    std::string digits(fraction.substr(0, keep));
    if (fraction.size() > keep) digits.push_back('1');
    for (char& c : digits) c = static_cast<char>(c - '0');
    const auto next_bit = [&digits] {
        int carry = 0;
        for (std::size_t i = digits.size(); i-- > 0;) {
            const int v = 2 * digits[i] + carry;
            carry = v >= 10 ? 1 : 0;
            digits[i] = static_cast<char>(v - 10 * carry);
        }
        while (!digits.empty() && digits.back() == 0) digits.pop_back();
        return static_cast<std::uint64_t>(carry);
    };
    std::uint64_t mantissa = n;
    int exponent = 0;
    bool guard = false;
    bool sticky = false;
    const int length = static_cast<int>(std::bit_width(n));
    if (length > kBits) {
        const int shift = length - kBits;
        guard = ((n >> (shift - 1)) & 1U) != 0;
        sticky = (n & ((std::uint64_t{1} << (shift - 1)) - 1)) != 0 || !digits.empty();
        mantissa = n >> shift;
        exponent = shift;
    } else {
        while (static_cast<int>(std::bit_width(mantissa)) < kBits && !digits.empty()) {
            mantissa = (mantissa << 1) | next_bit();
            --exponent;
        }
        if (!digits.empty()) {
            guard = next_bit() != 0;
            sticky = !digits.empty();
        }
    }
    if (guard && (sticky || (mantissa & 1U) != 0)) {
        ++mantissa;
        if (static_cast<int>(std::bit_width(mantissa)) > kBits) {
            mantissa >>= 1;
            ++exponent;
        }
    }
    return std::ldexp(static_cast<Wide>(mantissa), exponent);
}

// Degrees from the digits before and after the point (no sign).
Wide split_degrees(std::string_view whole, std::string_view fraction) {
    const Wide d = decimal_value(whole, {});
    Wide m = 0;
    if (!fraction.empty()) m += 10 * (fraction[0] - '0');
    if (fraction.size() > 1) m += fraction[1] - '0';
    Wide s = 0;
    if (fraction.size() > 2) {
        const std::string_view seconds = fraction.substr(2);
        if (seconds.size() == 1) {
            s = 10 * (seconds[0] - '0');  // "3" is 30 seconds
        } else {
            s = decimal_value(seconds.substr(0, 2), seconds.substr(2));
        }
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

// The seconds of arc of |radians| in double, when that rounds to
// `second_decimals` as the long double would (the product's error, some 1e-15
// of it, is far from deciding a rounding that is not close to a tie), and in
// `units` the seconds so rounded, as integer units of the last decimal
// (fixed_chars rounds them the same); else false, and the seconds are taken
// in long double.
bool seconds_in_double(double radians, int second_decimals, double& seconds, std::uint64_t& units) {
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    constexpr double kMaxScaled = 4294967296.0;  // 2^32
    constexpr double kTieMargin = 1.0 / 4096;
    if (second_decimals < 0 || second_decimals > 9) return false;
    seconds = std::fabs(radians) / std::numbers::pi * 180 * 3600;
    const double scaled = seconds * kPowers[second_decimals];
    if (!(scaled < kMaxScaled)) return false;
    // Below 2^32 the conversion truncates exactly: it is the floor.
    const auto below = static_cast<std::int64_t>(scaled);
    const double fraction = scaled - static_cast<double>(below);
    if (std::fabs(fraction - 0.5) <= kTieMargin) return false;
    units = static_cast<std::uint64_t>(below) + (fraction > 0.5 ? 1 : 0);
    return true;
}

// The seconds of arc of |radians| with `second_decimals` decimals into buf
// (400 characters).
std::to_chars_result second_chars(char* buf, double radians, int second_decimals) {
    double seconds = 0;
    if (std::uint64_t units = 0; seconds_in_double(radians, second_decimals, seconds, units))
        return geometry::fixed_chars(buf, buf + 400, seconds, second_decimals);
    const Wide seconds_wide =
        std::fabs(static_cast<Wide>(radians)) / std::numbers::pi_v<Wide> * 180 * 3600;
    return geometry::fixed_chars(buf, buf + 400, seconds_wide, second_decimals);
}

// The usual case of packed_chars on integers: whole seconds of arc rounded
// as second_chars rounds them. Gives nullptr where second_chars would not
// take its double path.
char* packed_chars_on_integers(char* first, double radians, int second_decimals) {
    double seconds = 0;
    std::uint64_t units = 0;
    if (!seconds_in_double(radians, second_decimals, seconds, units)) return nullptr;
    const auto [whole, fraction] = geometry::split_units(units, second_decimals);
    const auto degrees = static_cast<unsigned>(whole / 3600);
    const auto rest = static_cast<unsigned>(whole - std::uint64_t{degrees} * 3600);
    const unsigned minutes = rest / 60;
    if (radians < 0 && units != 0) *first++ = '-';
    // Below 2^32 units, at most 1193046 degrees; an azimuth has three digits.
    if (degrees < 10) {
        *first++ = static_cast<char>('0' + degrees);
    } else if (degrees < 100) {
        first = geometry::put_two_digits(first, degrees);
    } else if (degrees < 1000) {
        *first++ = static_cast<char>('0' + degrees / 100);
        first = geometry::put_two_digits(first, degrees % 100);
    } else {
        first = std::to_chars(first, first + 24, degrees).ptr;
    }
    *first++ = '.';
    first = geometry::put_two_digits(first, minutes);
    first = geometry::put_two_digits(first, rest - minutes * 60);
    if (second_decimals == 2)
        return geometry::put_two_digits(first, static_cast<unsigned>(fraction));
    return geometry::put_digits(first, fraction, second_decimals);
}

// packed_chars from the seconds' text, for what the integers do not decide;
// out of line, so that the usual path needs no buffer.
[[gnu::noinline]] char* packed_chars_by_text(char* first, double radians, int second_decimals) {
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

char* packed_chars(char* first, double radians, int second_decimals) {
    if (char* end = packed_chars_on_integers(first, radians, second_decimals)) return end;
    return packed_chars_by_text(first, radians, second_decimals);
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
    if (last - first >= static_cast<std::ptrdiff_t>(kPackedRoom)) {
        // Written in place where there is room for any packed text.
        char* end = packed_chars(first, a, second_decimals);
        if (std::string_view(first, static_cast<std::size_t>(end - first)).starts_with("360."))
            end = packed_chars(first, 0.0, second_decimals);
        return end;
    }
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
