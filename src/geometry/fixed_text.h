// Fixed-decimal number text that is quick for the values a survey table holds.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace korvane::geometry {

// Writes `value` with exactly `decimals` digits after the point into
// [first, last), rounded on the exact binary value with ties to even: the same
// characters as std::to_chars(first, last, value, std::chars_format::fixed,
// decimals), including a '-' for a negative value that rounds to zero.
// Coordinates, chainages and offsets (|value| · 10^decimals below 2^40, up to
// 9 decimals) take an integer path; any other value, and a value too close to
// a rounding tie to decide cheaply, goes to std::to_chars.
std::to_chars_result fixed_chars(char* first, char* last, double value, int decimals);
// The same for a long double (its products are only more exact).
std::to_chars_result fixed_chars(char* first, char* last, long double value, int decimals);

// fixed_chars as a table or a drawing shows a number: a value that rounds to
// zero is written without its sign ("0.000", never "-0.000").
std::to_chars_result shown_fixed_chars(char* first, char* last, double value, int decimals);
// The same text appended to `out` (nothing for a value it cannot write).
void append_shown_fixed(std::string& out, double value, int decimals);
// The same text as a string: the one fixed-decimal number text of the
// program's results, messages and drawings.
std::string shown_fixed(double value, int decimals);

// magnitude · 10^decimals rounded to an integer as fixed_chars rounds it, into
// `units`, when the integer path decides it (magnitude >= 0); else false, and
// the caller goes to fixed_chars. (A flag and a reference, not an optional:
// this is called for every row of a table.)
bool rounded_units(double magnitude, int decimals, std::uint64_t& units);

// The text of units / 10^decimals: the digits of `units` with `decimals` (0
// to 16) of them after a point and at least one before it ("0.05" for 5 with
// 2 decimals), at `first`, which has kUnitsRoom characters of room; gives the
// end. For a number already rounded to integer units.
inline constexpr std::ptrdiff_t kUnitsRoom = 48;
char* units_chars(char* first, std::uint64_t units, int decimals);

// The last `count` decimal digits of n, with leading zeros, at `first`; gives
// their end.
char* put_digits(char* first, std::uint64_t n, int count);

namespace detail {
inline constexpr std::uint64_t kTens[] = {1,      10,      100,      1000,      10000,
                                          100000, 1000000, 10000000, 100000000, 1000000000};

// "00" … "99": two digits per division.
inline constexpr char kDigitPairs[] =
    "0001020304050607080910111213141516171819202122232425262728293031323334353637383940414243444546"
    "474849"
    "5051525354555657585960616263646566676869707172737475767778798081828384858687888990919293949596"
    "979899";
}  // namespace detail

// units / 10^decimals and what is left, for decimals from 0 to 9: the whole
// part and the decimals of a number rounded to integer units. The usual two
// and three decimals divide by a constant, which the compiler makes a
// multiplication.
struct SplitUnits {
    std::uint64_t whole;
    std::uint64_t fraction;
};
inline SplitUnits split_units(std::uint64_t units, int decimals) {
    const std::uint64_t ten = detail::kTens[decimals];
    const std::uint64_t whole = decimals == 3   ? units / 1000
                                : decimals == 2 ? units / 100
                                                : units / ten;
    return {whole, units - whole * ten};
}

// The two digits of n < 100 at `first`; gives their end.
inline char* put_two_digits(char* first, unsigned n) {
    std::memcpy(first, detail::kDigitPairs + std::size_t{2} * n, 2);
    return first + 2;
}

}  // namespace korvane::geometry
