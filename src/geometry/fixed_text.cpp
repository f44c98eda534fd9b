#include "geometry/fixed_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <system_error>

namespace korvane::geometry {
namespace {

constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
constexpr std::uint64_t kIntPowers[] = {1,      10,      100,      1000,      10000,
                                        100000, 1000000, 10000000, 100000000, 1000000000};
// Below 2^40 the product value · 10^d is off the exact one by at most 2^-13,
// so a fraction further than 2^-12 from one half rounds the same either way.
constexpr double kMaxScaled = 1099511627776.0;  // 2^40
constexpr double kTieMargin = 1.0 / 4096;       // 2^-12

// units = whole · 10^decimals + part, with a constant divisor for each count
// of decimals (a multiplication, where a divisor read from a table is a
// division of many cycles).
template <int D>
void split_by(std::uint64_t units, std::uint64_t& whole, std::uint64_t& part) {
    constexpr std::uint64_t divisor = kIntPowers[D];
    whole = units / divisor;
    part = units % divisor;
}

void split_units(std::uint64_t units, int decimals, std::uint64_t& whole, std::uint64_t& part) {
    switch (decimals) {
        case 0:
            return split_by<0>(units, whole, part);
        case 1:
            return split_by<1>(units, whole, part);
        case 2:
            return split_by<2>(units, whole, part);
        case 3:
            return split_by<3>(units, whole, part);
        case 4:
            return split_by<4>(units, whole, part);
        case 5:
            return split_by<5>(units, whole, part);
        case 6:
            return split_by<6>(units, whole, part);
        case 7:
            return split_by<7>(units, whole, part);
        case 8:
            return split_by<8>(units, whole, part);
        default:
            return split_by<9>(units, whole, part);
    }
}

// "00" … "99": two digits per division.
constexpr char kPairs[] =
    "0001020304050607080910111213141516171819202122232425262728293031323334353637383940414243444546"
    "474849"
    "5051525354555657585960616263646566676869707172737475767778798081828384858687888990919293949596"
    "979899";

int digit_count(std::uint64_t n) {
    int count = 1;
    while (n >= 10000) {
        n /= 10000;
        count += 4;
    }
    return count + (n >= 10) + (n >= 100) + (n >= 1000);
}

// The last `count` (at most 8) decimal digits of n, with leading zeros, at
// out: two digits per step, in 32-bit arithmetic.
void put_digits32(char* out, std::uint32_t n, int count) {
    char* d = out + count;
    for (; count >= 2; count -= 2) {
        d -= 2;
        std::memcpy(d, kPairs + std::size_t{2} * (n % 100), 2);
        n /= 100;
    }
    if (count == 1) d[-1] = static_cast<char>('0' + n % 10);
}

// The last `count` decimal digits of n, with leading zeros, at out.
void put_digits(char* out, std::uint64_t n, int count) {
    if (count > 8) {
        put_digits32(out + (count - 8), static_cast<std::uint32_t>(n % 100000000), 8);
        n /= 100000000;
        count -= 8;
        if (count > 8) {
            put_digits(out, n, count);
            return;
        }
    }
    put_digits32(out, static_cast<std::uint32_t>(n), count);
}

template <typename Real>
std::to_chars_result fixed(char* first, char* last, Real value, int decimals) {
    const auto exact = [&] {
        return std::to_chars(first, last, value, std::chars_format::fixed, decimals);
    };
    if (decimals < 0 || decimals > 9 || !std::isfinite(value)) return exact();
    const Real magnitude = std::fabs(value);
    const Real scaled = magnitude * static_cast<Real>(kPowers[decimals]);
    if (!(scaled < kMaxScaled)) return exact();
    const Real below = std::floor(scaled);
    const Real fraction = scaled - below;
    if (std::fabs(fraction - 0.5) <= kTieMargin) return exact();
    const std::uint64_t units =
        static_cast<std::uint64_t>(below) + (fraction > 0.5 ? std::uint64_t{1} : 0);
    std::uint64_t whole = 0;
    std::uint64_t part = 0;
    split_units(units, decimals, whole, part);

    const int whole_digits = digit_count(whole);
    const std::ptrdiff_t size =
        (std::signbit(value) ? 1 : 0) + whole_digits + (decimals > 0 ? decimals + 1 : 0);
    if (last - first < size) return {last, std::errc::value_too_large};
    if (std::signbit(value)) *first++ = '-';
    put_digits(first, whole, whole_digits);
    first += whole_digits;
    if (decimals > 0) {
        *first++ = '.';
        put_digits(first, part, decimals);
        first += decimals;
    }
    return {first, std::errc()};
}

}  // namespace

std::to_chars_result fixed_chars(char* first, char* last, double value, int decimals) {
    return fixed(first, last, value, decimals);
}

std::to_chars_result fixed_chars(char* first, char* last, long double value, int decimals) {
    return fixed(first, last, value, decimals);
}

std::to_chars_result shown_fixed_chars(char* first, char* last, double value, int decimals) {
    const auto r = fixed(first, last, value, decimals);
    if (r.ec != std::errc() || *first != '-') return r;
    for (const char* c = first + 1; c != r.ptr; ++c) {
        if (*c != '0' && *c != '.') return r;
    }
    return {std::copy(first + 1, r.ptr, first), std::errc()};
}

void append_shown_fixed(std::string& out, double value, int decimals) {
    char buffer[400];
    const auto r = shown_fixed_chars(buffer, buffer + sizeof buffer, value, decimals);
    if (r.ec == std::errc()) out.append(buffer, r.ptr);
}

}  // namespace korvane::geometry
