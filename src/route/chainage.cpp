#include "route/chainage.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "geometry/fixed_text.h"
#include "geometry/number_text.h"

namespace korvane::route {
namespace {

constexpr const char* kBadChainage = "桩号格式不正确，应写作K1+234.567或1234.567！";
constexpr const char* kMetresTooLarge = "桩号“+”后的米数必须小于1000！";
constexpr const char* kChainageOutOfRange = "桩号超出范围（绝对值不能超过1000000km）！";

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
bool is_capital(char c) {
    return c >= 'A' && c <= 'Z';
}

Failure failure(const char* message) {
    return Failure{message, Subject::none, -1, -1};
}

Outcome<double> checked(double value) {
    if (!std::isfinite(value) || std::fabs(value) > kMaxChainage)
        return failure(kChainageOutOfRange);
    return value;
}

}  // namespace

bool valid_prefix(std::string_view prefix) {
    for (char c : prefix) {
        if (!is_capital(c)) return false;
    }
    return prefix.empty() || prefix.back() == 'K';
}

Outcome<double> read_chainage(std::string_view text) {
    text = geometry::trim_spaces(text);
    if (text.empty()) return failure(kBadChainage);
    const bool has_plus = text.find('+') != std::string_view::npos;
    std::size_t i = 0;
    const bool negative = text[0] == '-';
    if (negative) ++i;
    const std::size_t prefix_begin = i;
    while (i < text.size() && is_capital(text[i])) ++i;
    const std::string_view prefix = text.substr(prefix_begin, i - prefix_begin);

    if (prefix.empty() && (!has_plus || text.find_first_of("eE") != std::string_view::npos)) {
        // Plain metres.
        const auto value = geometry::parse_strict(text);
        if (!value) return failure(kBadChainage);
        return checked(*value);
    }
    if (!valid_prefix(prefix)) return failure(kBadChainage);

    const std::size_t km_begin = i;
    while (i < text.size() && is_digit(text[i])) ++i;
    const std::string_view km = text.substr(km_begin, i - km_begin);
    if (km.empty() || i >= text.size() || text[i] != '+') return failure(kBadChainage);
    ++i;
    const std::size_t m_begin = i;
    while (i < text.size() && is_digit(text[i])) ++i;
    std::string_view metres = text.substr(m_begin, i - m_begin);
    std::string_view fraction;
    if (metres.empty()) return failure(kBadChainage);
    if (i < text.size() && text[i] == '.') {
        ++i;
        const std::size_t f_begin = i;
        while (i < text.size() && is_digit(text[i])) ++i;
        fraction = text.substr(f_begin, i - f_begin);
    }
    if (i != text.size()) return failure(kBadChainage);
    while (metres.size() > 1 && metres[0] == '0') metres.remove_prefix(1);
    if (metres.size() > 3) return failure(kMetresTooLarge);

    // The decimal number the text spells, converted once.
    std::string number(km);
    number.append(3 - metres.size(), '0');
    number.append(metres);
    if (!fraction.empty()) {
        number.push_back('.');
        number.append(fraction);
    }
    double value = 0;
    const auto r = std::from_chars(number.data(), number.data() + number.size(), value);
    if (r.ec != std::errc{}) return failure(kChainageOutOfRange);
    return checked(negative ? -value : value);
}

namespace {

// chainage_chars from the text of fixed_chars, for what the integers do not
// decide; out of line, so that the usual path needs no buffer.
[[gnu::noinline]] char* chainage_by_text(char* first, char* last, double metres, int decimals,
                                         std::string_view prefix) {
    // The digits with at least four before the point ("0012.500"); to_chars
    // with a precision rounds the exact binary value, ties to even.
    char buf[400];
    const auto r = geometry::fixed_chars(buf + 3, buf + sizeof buf, std::fabs(metres), decimals);
    if (r.ec != std::errc()) return nullptr;
    const std::size_t fraction = decimals > 0 ? static_cast<std::size_t>(decimals) + 1 : 0;
    char* begin = buf + 3;
    std::size_t whole = static_cast<std::size_t>(r.ptr - begin) - fraction;
    while (whole < 4) {
        *--begin = '0';
        ++whole;
    }
    bool zero = true;
    for (const char* c = begin; c != r.ptr && zero; ++c) zero = *c == '0' || *c == '.';
    const bool sign = metres < 0 && !zero;

    const std::size_t size = (sign ? 1 : 0) + prefix.size() + whole + 1 + fraction;
    if (static_cast<std::size_t>(last - first) < size) return nullptr;
    if (sign) *first++ = '-';
    first = std::copy(prefix.begin(), prefix.end(), first);
    first = std::copy(begin, begin + (whole - 3), first);
    *first++ = '+';
    return std::copy(begin + (whole - 3), r.ptr, first);
}

}  // namespace

char* chainage_chars(char* first, char* last, double metres, int decimals,
                     std::string_view prefix) {
    if (!std::isfinite(metres)) return nullptr;
    if (decimals < 0) decimals = 0;
    if (decimals > 9) decimals = 9;
    if (std::uint64_t units = 0; geometry::rounded_units(std::fabs(metres), decimals, units)) {
        // The usual case, on integers: kilometres, '+', three digits of
        // metres, decimals.
        const auto [whole, fraction] = geometry::split_units(units, decimals);
        const std::uint64_t km = whole / 1000;
        const auto m = static_cast<unsigned>(whole - km * 1000);
        std::size_t km_digits = 1;
        for (std::uint64_t rest = km; rest >= 10; rest /= 10) ++km_digits;
        const auto d = static_cast<std::size_t>(decimals);
        const bool sign = metres < 0 && units != 0;
        const std::size_t size =
            (sign ? 1 : 0) + prefix.size() + km_digits + 4 + (d > 0 ? 1 + d : 0);
        if (static_cast<std::size_t>(last - first) < size) return nullptr;
        if (sign) *first++ = '-';
        if (prefix.size() == 1) {
            *first++ = prefix.front();
        } else {
            first = std::copy(prefix.begin(), prefix.end(), first);
        }
        if (km < 10) {
            *first++ = static_cast<char>('0' + km);
        } else if (km < 100) {
            first = geometry::put_two_digits(first, static_cast<unsigned>(km));
        } else {
            first = geometry::put_digits(first, km, static_cast<int>(km_digits));
        }
        *first++ = '+';
        *first++ = static_cast<char>('0' + m / 100);
        first = geometry::put_two_digits(first, m % 100);
        if (d == 0) return first;
        *first++ = '.';
        if (d == 3) {
            *first++ = static_cast<char>('0' + fraction / 100);
            return geometry::put_two_digits(first, static_cast<unsigned>(fraction % 100));
        }
        return geometry::put_digits(first, fraction, decimals);
    }
    return chainage_by_text(first, last, metres, decimals, prefix);
}

std::string format_chainage(double metres, int decimals, std::string_view prefix) {
    std::string out(prefix.size() + 420, '\0');
    char* end = chainage_chars(out.data(), out.data() + out.size(), metres, decimals, prefix);
    out.resize(end == nullptr ? 0 : static_cast<std::size_t>(end - out.data()));
    return out;
}

std::optional<Failure> check_chainage_prefix(std::string_view text, std::string_view prefix) {
    std::string_view t = text;
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    if (!t.empty() && t.front() == '-') t.remove_prefix(1);
    std::size_t n = 0;
    while (n < t.size() && t[n] >= 'A' && t[n] <= 'Z') ++n;
    const std::string_view given = t.substr(0, n);
    if (given.empty() || given == prefix) return std::nullopt;
    return Failure{"桩号“" + std::string(text) + "”的冠号" + std::string(given) + "与线路的冠号" +
                       std::string(prefix) + "不同！",
                   Subject::station, -1, -1};
}

}  // namespace korvane::route
