// A plain, independent reading of the number grammar the field texts use, for
// the fuzz targets to compare the library against: [sign] digits [. digits]
// with at least one digit, then an exponent (E or e, [sign], digits) only when
// a digit follows. The value comes from the C library's strtod.
#pragma once

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

namespace korvane::fuzz {

// Length of the longest number at the start of `text` (no blanks inside), 0 if none.
inline std::size_t number_prefix(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto digits = [&](std::size_t& k) {
        const std::size_t from = k;
        while (k < n && text[k] >= '0' && text[k] <= '9') ++k;
        return k - from;
    };
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t count = digits(i);
    if (i < n && text[i] == '.') {
        std::size_t k = i + 1;
        const std::size_t fraction = digits(k);
        if (count + fraction > 0) {
            count += fraction;
            i = k;
        }
    }
    if (count == 0) return 0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t k = i + 1;
        if (k < n && (text[k] == '+' || text[k] == '-')) ++k;
        if (digits(k) > 0) i = k;
    }
    return i;
}

// The value of a number text accepted by number_prefix, as strtod reads it.
inline double reference_value(std::string_view number) {
    const std::string copy(number);
    return std::strtod(copy.c_str(), nullptr);
}

// The library may read a number below the smallest normal double as 0.
inline bool same_reading(double library, double reference) {
    if (library == reference && std::signbit(library) == std::signbit(reference)) return true;
    if (library == reference) return library == 0.0;  // +0 and -0 of a zero text
    return std::fabs(reference) < DBL_MIN && library == 0.0;
}

}  // namespace korvane::fuzz
