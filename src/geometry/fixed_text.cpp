#include "geometry/fixed_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <system_error>

namespace korvane::geometry {
namespace {

constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
// Below 2^40 the product value · 10^d is off the exact one by at most 2^-13,
// so a fraction further than 2^-12 from one half rounds the same either way.
constexpr double kMaxScaled = 1099511627776.0;  // 2^40
constexpr double kTieMargin = 1.0 / 4096;       // 2^-12

constexpr const char* kPairs = detail::kDigitPairs;

constexpr const std::uint64_t* kTens = detail::kTens;

// Four digits of n < 10000 at out, the two pairs apart from each other.
inline void put_four(char* out, std::uint32_t n) {
    std::memcpy(out, kPairs + std::size_t{2} * (n / 100), 2);
    std::memcpy(out + 2, kPairs + std::size_t{2} * (n % 100), 2);
}

// The decimal digits of n, at least `min_digits` of them (leading zeros),
// written backwards so that they end just before `end`; gives their start.
// Four digits per division while n is large (their two pairs do not wait for
// each other), then two.
template <typename Unsigned>
char* digits_ending_at(char* end, Unsigned n, int min_digits) {
    char* p = end;
    while (n >= 10000) {
        p -= 4;
        put_four(p, static_cast<std::uint32_t>(n % 10000));
        n /= 10000;
    }
    if (n >= 100) {
        p -= 2;
        std::memcpy(p, kPairs + std::size_t{2} * static_cast<std::size_t>(n % 100), 2);
        n /= 100;
    }
    if (n >= 10) {
        p -= 2;
        std::memcpy(p, kPairs + std::size_t{2} * static_cast<std::size_t>(n), 2);
    } else {
        *--p = static_cast<char>('0' + n);
    }
    while (end - p < min_digits) *--p = '0';
    return p;
}

// The same for any n, in 32-bit arithmetic once n fits.
char* digits_ending_at(char* end, std::uint64_t n, int min_digits) {
    if (n <= UINT32_MAX)
        return digits_ending_at<std::uint32_t>(end, static_cast<std::uint32_t>(n), min_digits);
    // The last eight digits in 64-bit arithmetic, the rest in 32-bit (n < 2^64
    // leaves at most twelve).
    char* p = digits_ending_at<std::uint32_t>(end, static_cast<std::uint32_t>(n % 100000000), 8);
    return digits_ending_at(p, n / 100000000, min_digits - 8);
}

// Exactly Count (1 to 9) digits of n < 10^Count, leading zeros included, at
// `first`, from the front: one multiplication puts n / 10^k (the first one or
// two digits, k = Count - 1 or Count - 2) above bit S of a 64-bit word and the
// rest as a binary fraction below it; each further pair is that fraction
// times 100. With M = ceil(2^S / 10^k) and 2^S > 10^Count · 10^k the
// fraction is off the exact r / 10^k by less than n / 2^S < 10^-k, too little
// to change any digit, and the products stay below 2^64.
template <int Count>
char* exact_digits(char* first, std::uint32_t n) {
    static_assert(Count >= 1 && Count <= 9);
    constexpr int k = Count % 2 == 1 ? Count - 1 : Count - 2;
    if constexpr (k == 0) {
        if constexpr (Count == 1) {
            *first = static_cast<char>('0' + n);
            return first + 1;
        } else {
            std::memcpy(first, kPairs + std::size_t{2} * n, 2);
            return first + 2;
        }
    } else {
        constexpr std::uint64_t ten_k = kTens[k];
        constexpr std::uint64_t bound = kTens[Count] * ten_k;
        constexpr int shift = [] {
            int s = 0;
            while ((std::uint64_t{1} << s) <= bound) ++s;
            return s;
        }();
        constexpr std::uint64_t multiplier = ((std::uint64_t{1} << shift) + ten_k - 1) / ten_k;
        constexpr std::uint64_t mask = (std::uint64_t{1} << shift) - 1;
        static_assert(kTens[Count] <= UINT64_MAX / multiplier, "the product fits");
        static_assert(mask <= UINT64_MAX / 100, "the pairs' products fit");
        std::uint64_t y = std::uint64_t{n} * multiplier;
        if constexpr (Count % 2 == 1) {
            *first++ = static_cast<char>('0' + (y >> shift));
        } else {
            std::memcpy(first, kPairs + std::size_t{2} * (y >> shift), 2);
            first += 2;
        }
        for (int i = 0; i < k / 2; ++i) {
            y = (y & mask) * 100;
            std::memcpy(first, kPairs + std::size_t{2} * (y >> shift), 2);
            first += 2;
        }
        return first;
    }
}

// Exactly `count` (0 to 9) digits of n < 10^count at `first`; gives their end.
char* exact_digits(char* first, std::uint32_t n, int count) {
    switch (count) {
        case 1:
            return exact_digits<1>(first, n);
        case 2:
            return exact_digits<2>(first, n);
        case 3:
            return exact_digits<3>(first, n);
        case 4:
            return exact_digits<4>(first, n);
        case 5:
            return exact_digits<5>(first, n);
        case 6:
            return exact_digits<6>(first, n);
        case 7:
            return exact_digits<7>(first, n);
        case 8:
            return exact_digits<8>(first, n);
        case 9:
            return exact_digits<9>(first, n);
        default:
            return first;
    }
}

// The digits of n without leading zeros ("0" for 0) at `first`; gives their
// end.
char* number_digits(char* first, std::uint32_t n) {
    if (n < 100000) {
        if (n < 100) return n < 10 ? exact_digits<1>(first, n) : exact_digits<2>(first, n);
        if (n < 10000) return n < 1000 ? exact_digits<3>(first, n) : exact_digits<4>(first, n);
        return exact_digits<5>(first, n);
    }
    if (n < 10000000) return n < 1000000 ? exact_digits<6>(first, n) : exact_digits<7>(first, n);
    if (n < 1000000000)
        return n < 100000000 ? exact_digits<8>(first, n) : exact_digits<9>(first, n);
    first = exact_digits<1>(first, n / 1000000000);
    return exact_digits<9>(first, n % 1000000000);
}

template <typename Real>
std::optional<std::uint64_t> units_of(Real magnitude, int decimals) {
    if (decimals < 0 || decimals > 9 || !(magnitude >= 0)) return std::nullopt;
    const Real scaled = magnitude * static_cast<Real>(kPowers[decimals]);
    if (!(scaled < kMaxScaled)) return std::nullopt;
    // Below 2^40 the conversion truncates exactly: it is the floor.
    const auto below = static_cast<std::int64_t>(scaled);
    const Real fraction = scaled - static_cast<Real>(below);
    if (std::fabs(fraction - Real(0.5)) <= kTieMargin) return std::nullopt;
    return static_cast<std::uint64_t>(below) + (fraction > Real(0.5) ? std::uint64_t{1} : 0);
}

// fixed_chars for the values the integer path leaves: std::to_chars, and
// with `shown` no sign on a value that rounds to zero. Kept out of line, so
// that the usual path stays short.
template <typename Real>
[[gnu::noinline]] std::to_chars_result fixed_by_library(char* first, char* last, Real value,
                                                        int decimals, bool shown) {
    const auto r = std::to_chars(first, last, value, std::chars_format::fixed, decimals);
    if (!shown || r.ec != std::errc() || *first != '-') return r;
    for (const char* c = first + 1; c != r.ptr; ++c) {
        if (*c != '0' && *c != '.') return r;
    }
    return {std::copy(first + 1, r.ptr, first), std::errc()};
}

// The integer units' text where the room may be tight: the exact size
// checked, exact copies.
[[gnu::noinline]] std::to_chars_result units_in_tight_room(char* first, char* last,
                                                           std::uint64_t units, int decimals,
                                                           bool sign) {
    char digits[64];
    char* const end = digits + 32;
    const char* const begin = digits_ending_at(end, units, decimals + 1);
    const auto count = static_cast<int>(end - begin);
    const int whole = count - decimals;
    const std::ptrdiff_t size = (sign ? 1 : 0) + count + (decimals > 0 ? 1 : 0);
    if (last - first < size) return {last, std::errc::value_too_large};
    if (sign) *first++ = '-';
    first = std::copy(begin, begin + whole, first);
    if (decimals == 0) return {first, std::errc()};
    *first++ = '.';
    return {std::copy(begin + whole, static_cast<const char*>(end), first), std::errc()};
}

// fixed_chars, and with `shown` no sign on a value that rounds to zero.
template <typename Real>
std::to_chars_result fixed(char* first, char* last, Real value, int decimals, bool shown) {
    const std::optional<std::uint64_t> units =
        std::isfinite(value) ? units_of(std::fabs(value), decimals) : std::nullopt;
    if (!units) return fixed_by_library(first, last, value, decimals, shown);
    const bool sign = std::signbit(value) && !(shown && *units == 0);
    if (last - first < kUnitsRoom + 1)
        return units_in_tight_room(first, last, *units, decimals, sign);
    if (sign) *first++ = '-';
    return {units_chars(first, *units, decimals), std::errc()};
}

}  // namespace

std::to_chars_result fixed_chars(char* first, char* last, double value, int decimals) {
    return fixed(first, last, value, decimals, false);
}

std::to_chars_result fixed_chars(char* first, char* last, long double value, int decimals) {
    return fixed(first, last, value, decimals, false);
}

std::to_chars_result shown_fixed_chars(char* first, char* last, double value, int decimals) {
    return fixed(first, last, value, decimals, true);
}

void append_shown_fixed(std::string& out, double value, int decimals) {
    char buffer[400];
    const auto r = shown_fixed_chars(buffer, buffer + sizeof buffer, value, decimals);
    if (r.ec == std::errc()) out.append(buffer, r.ptr);
}

std::string shown_fixed(double value, int decimals) {
    std::string out;
    append_shown_fixed(out, value, decimals);
    return out;
}

// units_chars for more than nine decimals or a whole part past 32 bits, out
// of line so that the usual path needs no buffer.
[[gnu::noinline]] static char* wide_units_chars(char* first, std::uint64_t units, int decimals) {
    char digits[64];
    char* const end = digits + 40;
    const char* const begin = digits_ending_at(end, units, decimals + 1);
    const auto whole = static_cast<int>(end - begin) - decimals;
    // Copies of a fixed length (at most 20 whole digits and 16 decimals,
    // inside `digits` and the room): no call for a few bytes.
    std::memcpy(first, begin, 24);
    first += whole;
    if (decimals == 0) return first;
    *first = '.';
    std::memcpy(first + 1, begin + whole, 16);
    return first + 1 + decimals;
}

char* units_chars(char* first, std::uint64_t units, int decimals) {
    if (decimals <= 9) {
        // The whole part and the decimals written forward in place.
        const SplitUnits split = split_units(units, decimals);
        if (split.whole <= UINT32_MAX) {
            first = number_digits(first, static_cast<std::uint32_t>(split.whole));
            if (decimals == 0) return first;
            *first = '.';
            return exact_digits(first + 1, static_cast<std::uint32_t>(split.fraction), decimals);
        }
    }
    return wide_units_chars(first, units, decimals);
}

bool rounded_units(double magnitude, int decimals, std::uint64_t& units) {
    const std::optional<std::uint64_t> u = units_of(magnitude, decimals);
    if (u) units = *u;
    return u.has_value();
}

char* put_digits(char* first, std::uint64_t n, int count) {
    char* const end = first + count;
    char* p = end;
    for (; count >= 2; count -= 2) {
        p -= 2;
        std::memcpy(p, kPairs + std::size_t{2} * static_cast<std::size_t>(n % 100), 2);
        n /= 100;
    }
    if (count == 1) p[-1] = static_cast<char>('0' + n % 10);
    return end;
}

}  // namespace korvane::geometry
