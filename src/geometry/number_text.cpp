#include "number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace korvane::geometry {
namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// The syntax both conversions share: [sign] digits [. digits] [(E|e) [sign] digits],
// with at least one mantissa digit. `number` receives the accepted characters
// (sign left out), `negative` the sign. Returns the count of characters of
// `text` consumed, 0 when no number starts there. `skip_blanks` drops spaces,
// tabs and line feeds wherever they stand, as the leading-number parse does.
struct Scanned {
    std::size_t consumed = 0;
    bool negative = false;
    // Decimal exponent of the first significant digit, for telling overflow
    // from underflow when the value is out of a double's range.
    std::int64_t magnitude = 0;
};

bool is_blank_char(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

Scanned scan_number(std::string_view text, bool skip_blanks, std::string& number) {
    number.clear();
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto skip = [&] {
        if (skip_blanks) {
            while (i < n && is_blank_char(text[i])) ++i;
        }
    };
    Scanned out;
    skip();
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        out.negative = text[i] == '-';
        ++i;
        skip();
    }
    std::size_t digits = 0;
    std::int64_t int_digits = 0;     // significant digits before the point
    std::int64_t leading_zeros = 0;  // zeros after the point before the first significant digit
    bool significant = false;
    while (true) {
        skip();
        if (i < n && is_digit(text[i])) {
            if (text[i] != '0') significant = true;
            if (significant) ++int_digits;
            number.push_back(text[i]);
            ++digits;
            ++i;
        } else {
            break;
        }
    }
    skip();
    if (i < n && text[i] == '.') {
        std::size_t after_point = i + 1;
        std::string fraction;
        std::size_t j = after_point;
        std::size_t frac_digits = 0;
        while (true) {
            if (skip_blanks) {
                while (j < n && is_blank_char(text[j])) ++j;
            }
            if (j < n && is_digit(text[j])) {
                if (text[j] != '0') significant = true;
                if (!significant) ++leading_zeros;
                fraction.push_back(text[j]);
                ++frac_digits;
                ++j;
            } else {
                break;
            }
        }
        if (digits + frac_digits > 0) {
            number.push_back('.');
            number += fraction;
            digits += frac_digits;
            i = j;
        }
    }
    if (digits == 0) {
        number.clear();
        return Scanned{};
    }
    out.consumed = i;
    out.magnitude = int_digits > 0 ? int_digits : -leading_zeros;

    // The exponent counts only when at least one digit follows the E and its sign.
    std::size_t j = i;
    if (skip_blanks) {
        while (j < n && is_blank_char(text[j])) ++j;
    }
    if (j < n && (text[j] == 'e' || text[j] == 'E')) {
        ++j;
        if (skip_blanks) {
            while (j < n && is_blank_char(text[j])) ++j;
        }
        bool exp_negative = false;
        if (j < n && (text[j] == '+' || text[j] == '-')) {
            exp_negative = text[j] == '-';
            ++j;
        }
        std::string exponent;
        std::int64_t exp_value = 0;
        while (true) {
            if (skip_blanks) {
                while (j < n && is_blank_char(text[j])) ++j;
            }
            if (j < n && is_digit(text[j])) {
                exponent.push_back(text[j]);
                // Saturate: anything beyond a few thousand is out of range anyway.
                if (exp_value < 1'000'000) exp_value = exp_value * 10 + (text[j] - '0');
                ++j;
            } else {
                break;
            }
        }
        if (!exponent.empty()) {
            number.push_back('e');
            if (exp_negative) number.push_back('-');
            number += exponent;
            out.magnitude += exp_negative ? -exp_value : exp_value;
            out.consumed = j;
        }
    }
    return out;
}

// Converts the characters gathered by scan_number. Overflow gives infinity,
// underflow gives zero, both with the number's sign.
double convert(const std::string& number, const Scanned& scanned) {
    double value = 0.0;
    auto result = std::from_chars(number.data(), number.data() + number.size(), value,
                                  std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        value = scanned.magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return scanned.negative ? -value : value;
}

// Writes the decimal digits `digits` (no leading or trailing zeros, at least
// one) with the decimal exponent `exp10` of the first digit, as field text.
void append_digits(std::string& out, bool negative, std::string_view digits, int exp10) {
    if (negative) out.push_back('-');
    const int n = static_cast<int>(digits.size());
    if (exp10 >= 15 || exp10 < -4) {
        // Far outside survey magnitudes: exponent form, "1.5E+15", "1E-05".
        out.push_back(digits[0]);
        if (n > 1) {
            out.push_back('.');
            out.append(digits.substr(1));
        }
        out.push_back('E');
        out.push_back(exp10 < 0 ? '-' : '+');
        int e = exp10 < 0 ? -exp10 : exp10;
        char buf[8];
        auto r = std::to_chars(buf, buf + sizeof buf, e);
        if (r.ptr - buf < 2) out.push_back('0');
        out.append(buf, r.ptr);
        return;
    }
    if (exp10 >= 0) {
        const int int_len = exp10 + 1;
        if (n <= int_len) {
            out.append(digits);
            out.append(static_cast<std::size_t>(int_len - n), '0');
        } else {
            out.append(digits.substr(0, static_cast<std::size_t>(int_len)));
            out.push_back('.');
            out.append(digits.substr(static_cast<std::size_t>(int_len)));
        }
    } else {
        out.append("0.");
        out.append(static_cast<std::size_t>(-exp10 - 1), '0');
        out.append(digits);
    }
}

// Splits scientific to_chars output "d.ddde+XX" into significant digits
// (trailing zeros removed) and the decimal exponent.
int split_scientific(const char* begin, const char* end, char* digits, int& count) {
    count = 0;
    const char* p = begin;
    for (; p < end && *p != 'e'; ++p) {
        if (*p != '.') digits[count++] = *p;
    }
    while (count > 1 && digits[count - 1] == '0') --count;
    int exp10 = 0;
    if (p < end) {
        ++p;
        bool neg = *p == '-';
        if (*p == '-' || *p == '+') ++p;
        std::from_chars(p, end, exp10);
        if (neg) exp10 = -exp10;
    }
    return exp10;
}

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Rounds t = value * 10^k (k >= 0, the product rounded once) to the nearest
// whole number of the EXACT product, when that can be decided from t: the
// exact product is within half an ulp of t, so unless t lies within one ulp of
// a halfway point the nearest whole number of t is the nearest of the exact
// product too. Returns false when it cannot decide; the caller then takes the
// exact (slower) conversion.
bool round_scaled(double t, std::uint64_t& n) {
    // Callers keep t below 1e15 < 2^52, where adding and removing 2^52 rounds
    // to a whole number, ties to even, in the default rounding mode; and
    // t * 2^-52 bounds the ulp of t from above.
    constexpr double kTwo52 = 4503599627370496.0;
    const double whole = (t + kTwo52) - kTwo52;
    if (!(std::fabs(t - whole) < 0.5 - t * 0x1p-52)) return false;
    n = static_cast<std::uint64_t>(whole);
    return true;
}

// Writes the decimal digits of n (n > 0) into buf, returns their count.
int integer_digits(std::uint64_t n, char* buf) {
    char tmp[24];
    char* p = tmp + sizeof tmp;
    while (n >= 100) {
        const auto pair = static_cast<unsigned>(n % 100);
        n /= 100;
        *--p = static_cast<char>('0' + pair % 10);
        *--p = static_cast<char>('0' + pair / 10);
    }
    if (n >= 10) *--p = static_cast<char>('0' + n % 10), n /= 10;
    if (n > 0) *--p = static_cast<char>('0' + n);
    const int len = static_cast<int>(tmp + sizeof tmp - p);
    std::copy(p, tmp + sizeof tmp, buf);
    return len;
}

// 15 significant digits of a value from 1 up to 1e15 by scaled integer
// rounding: with 10^e <= value < 10^(e+1), value * 10^(14-e) rounded to a
// whole number holds the digits. False outside that range or when the
// rounding cannot be decided from the scaled double.
bool fast_fifteen_digits(double magnitude, char* digits, int& count, int& exp10) {
    if (!(magnitude >= 1.0 && magnitude < 1e15)) return false;
    int e = 14;
    while (magnitude < kPow10[e]) --e;
    std::uint64_t n = 0;
    if (!round_scaled(magnitude * kPow10[14 - e], n)) return false;
    int len = integer_digits(n, digits);
    exp10 = e + (len - 15);  // a carry into a 16th digit (9.99..e2 -> 1e3)
    while (len > 1 && digits[len - 1] == '0') --len;
    count = len;
    return true;
}

}  // namespace

double parse_leading(std::string_view text) {
    std::string number;
    Scanned scanned = scan_number(text, /*skip_blanks=*/true, number);
    if (scanned.consumed == 0) return 0.0;
    return convert(number, scanned);
}

std::optional<double> parse_strict(std::string_view text) {
    text = trim_spaces(text);
    // The plain form of nearly every number in a file, [sign] digits [. digits]:
    // the scan would gather exactly the characters after the sign, so they are
    // converted where they stand (a points file holds millions of them).
    {
        const bool negative = !text.empty() && text[0] == '-';
        const std::size_t start = !text.empty() && (negative || text[0] == '+') ? 1 : 0;
        std::size_t digits = 0;
        std::size_t points = 0;
        bool plain = true;
        for (std::size_t i = start; i < text.size() && plain; ++i) {
            if (is_digit(text[i])) {
                ++digits;
            } else if (text[i] == '.') {
                ++points;
            } else {
                plain = false;
            }
        }
        if (plain && digits > 0 && points <= 1) {
            double value = 0.0;
            const char* end = text.data() + text.size();
            const auto r = std::from_chars(text.data() + start, end, value);
            if (r.ec == std::errc() && r.ptr == end) return negative ? -value : value;
        }
    }
    std::string number;
    Scanned scanned = scan_number(text, /*skip_blanks=*/false, number);
    if (scanned.consumed == 0 || scanned.consumed != text.size()) return std::nullopt;
    return convert(number, scanned);
}

std::string_view trim_spaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

bool is_blank(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

double round_half_even(double value, int decimals) {
    // Every double of 2^52 and above is a whole number: nothing to round.
    if (!std::isfinite(value) || std::fabs(value) >= 4503599627370496.0) return value;
    // to_chars with a precision rounds the exact binary value, ties to even.
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    double rounded = 0.0;
    std::from_chars(buf, r.ptr, rounded);
    return rounded == 0.0 ? 0.0 : rounded;
}

void append_number(std::string& out, double value) {
    if (value == 0.0) {  // also -0
        out.push_back('0');
        return;
    }
    if (!std::isfinite(value)) {
        out.append(std::isnan(value) ? "nan" : value < 0 ? "-inf" : "inf");
        return;
    }
    const bool negative = value < 0;
    const double magnitude = std::fabs(value);
    char buf[64];
    char digits[32];
    int count = 0;
    int exp10 = 0;
    if (fast_fifteen_digits(magnitude, digits, count, exp10)) {
        append_digits(out, negative, std::string_view(digits, static_cast<std::size_t>(count)),
                      exp10);
        return;
    }
    // The shortest form that reads back as the same double has at most 17
    // digits. When it has 15 or fewer it is also the 15-digit rounding of the
    // exact value (15-digit spacing is far wider than a double's), so the
    // cheaper shortest conversion serves; otherwise round to 15 digits.
    auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific);
    exp10 = split_scientific(buf, r.ptr, digits, count);
    if (count > 15) {
        const int shortest_exp10 = exp10;
        char shortest[32];
        std::copy(digits, digits + 15, shortest);
        r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 14);
        exp10 = split_scientific(buf, r.ptr, digits, count);
        // Next to the largest double, rounding up at the 15th digit passes it:
        // 1.7976931348623157e308 would be written 1.79769313486232E+308, a text
        // that reads back as out of range. Those values are cut at the 15th
        // digit instead, so that every text written reads back as a finite number.
        double back = 0.0;
        if (exp10 == 308 &&
            std::from_chars(buf, r.ptr, back).ec == std::errc::result_out_of_range) {
            exp10 = shortest_exp10;
            count = 15;
            std::copy(shortest, shortest + 15, digits);
            while (count > 1 && digits[count - 1] == '0') --count;
        }
    }
    append_digits(out, negative, std::string_view(digits, static_cast<std::size_t>(count)), exp10);
}

void append_rounded(std::string& out, double value, int decimals) {
    // Below 1e12 a value rounded to 3 (or fewer) decimals has at most 15
    // significant digits, so its fixed-point rounding, trimmed, is exactly
    // what writing the rounded double with 15 digits gives.
    if (decimals <= 3 && std::fabs(value) < 1e12) {
        std::uint64_t n = 0;
        if (round_scaled(std::fabs(value) * kPow10[decimals], n)) {
            // n is the rounded value in units of 10^-decimals.
            if (n == 0) {
                out.push_back('0');
                return;
            }
            char buf[32];
            int len = integer_digits(n, buf);
            if (value < 0) out.push_back('-');
            if (len <= decimals) {
                out.append("0.");
                out.append(static_cast<std::size_t>(decimals - len), '0');
                while (buf[len - 1] == '0') --len;
                out.append(buf, static_cast<std::size_t>(len));
                return;
            }
            const int int_len = len - decimals;
            int frac_end = len;
            while (frac_end > int_len && buf[frac_end - 1] == '0') --frac_end;
            out.append(buf, static_cast<std::size_t>(int_len));
            if (frac_end > int_len) {
                out.push_back('.');
                out.append(buf + int_len, static_cast<std::size_t>(frac_end - int_len));
            }
            return;
        }
        char buf[64];
        auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
        char* end = r.ptr;
        if (decimals > 0) {
            while (end[-1] == '0') --end;
            if (end[-1] == '.') --end;
        }
        // "-0" after rounding a small negative value is written "0".
        if (end - buf == 2 && buf[0] == '-' && buf[1] == '0') {
            out.push_back('0');
            return;
        }
        out.append(buf, end);
        return;
    }
    append_number(out, round_half_even(value, decimals));
}

std::string format_number(double value) {
    std::string out;
    append_number(out, value);
    return out;
}

std::string format_rounded(double value, int decimals) {
    std::string out;
    append_rounded(out, value, decimals);
    return out;
}

void append_exact(std::string& out, double value) {
    // The shortest fixed form of any double fits: 309 digits before the point
    // at the most, or 324 after it.
    char buffer[400];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (r.ec == std::errc()) out.append(buffer, r.ptr);
}

std::string exact_text(double value) {
    std::string out;
    append_exact(out, value);
    return out;
}

}  // namespace korvane::geometry
