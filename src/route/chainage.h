// Chainage text (桩号): "K1+234.567", "DK12+3", "-K0+100.000", or plain metres.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "route/failure.h"

namespace korvane::route {

// Chainages the library reads, writes and computes with stay within ±1e9 m.
inline constexpr double kMaxChainage = 1e9;

// Reads a chainage in metres. Accepted, surrounding spaces aside:
//   [-][PREFIX]KM+MMM[.fff]  PREFIX: none, or capital letters ending in K;
//                            KM: digits; MMM: digits, below 1000;
//   plain metres             an optional sign, digits, at most one point,
//                            an optional exponent ("1234.5", "-20", "1e3").
// Nothing else is taken: "K1+500abc", "k1+500", "K1+1500" and "K+5" are
// refused with a message (Subject::none; the caller names the field). The
// value is the decimal number the text spells, rounded once to a double, so
// "K1+005.300" is exactly the double nearest 1005.3. |value| <= kMaxChainage.
Outcome<double> read_chainage(std::string_view text);

// A chainage typed for an alignment whose prefix is `prefix`: refused when the
// text names another prefix ("ZK0+050" on a YK alignment would give the YK
// point at 50 m), accepted with the same prefix or none ("K0+050" names the
// prefix K; "0+050" and "50" none).
std::optional<Failure> check_chainage_prefix(std::string_view text, std::string_view prefix);

// True for a chainage prefix: empty, or capital letters A-Z ending in K.
bool valid_prefix(std::string_view prefix);

// Writes a chainage with `prefix` and `decimals` (0 to 9, clamped) decimals:
// the exact binary value rounded half to even, the carry going into the
// kilometres (1499.9996 → "K1+500.000"); the metres have three integer digits
// ("K1+005.300"); a negative chainage is "-K0+100.000" (a value that rounds to
// zero is written without the sign). A non-finite value gives "".
std::string format_chainage(double metres, int decimals = 3, std::string_view prefix = "K");

// The same text written into [first, last) (for tables of many rows): the end
// of the text, or nullptr for a non-finite value or too little room.
char* chainage_chars(char* first, char* last, double metres, int decimals,
                     std::string_view prefix = "K");

}  // namespace korvane::route
