#include "geometry/fixed_text.h"

#include <cmath>
#include <cstdint>
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
    const std::uint64_t whole = units / kIntPowers[decimals];
    std::uint64_t part = units % kIntPowers[decimals];

    char digits[24];
    char* d = digits + sizeof digits;
    for (int i = 0; i < decimals; ++i) {
        *--d = static_cast<char>('0' + part % 10);
        part /= 10;
    }
    if (decimals > 0) *--d = '.';
    std::uint64_t w = whole;
    do {
        *--d = static_cast<char>('0' + w % 10);
        w /= 10;
    } while (w != 0);
    if (std::signbit(value)) *--d = '-';
    const auto size = digits + sizeof digits - d;
    if (last - first < size) return {last, std::errc::value_too_large};
    for (char* c = d; c != digits + sizeof digits; ++c) *first++ = *c;
    return {first, std::errc()};
}

}  // namespace

std::to_chars_result fixed_chars(char* first, char* last, double value, int decimals) {
    return fixed(first, last, value, decimals);
}

std::to_chars_result fixed_chars(char* first, char* last, long double value, int decimals) {
    return fixed(first, last, value, decimals);
}

}  // namespace korvane::geometry
