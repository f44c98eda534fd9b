// Packed angles d.mmss (45.302010 is 45°30′20.10″) to and from radians.
// The split is made on the decimal digits: degrees before the point, the first
// two digits after it minutes (one digit alone counts tens: 45.3 is 45°30′),
// the rest seconds with the point after their second digit (45.30201 is
// 45°30′20.1″). Minutes and seconds have no upper limit, as in the
// straight-line calculator (10.6 is 11°).
#pragma once

#include <string>
#include <string_view>

#include "route/failure.h"

namespace korvane::route {

// Packed text to radians. Surrounding spaces aside, the text is an optional
// sign, digits and at most one decimal point (no exponent), at least one digit;
// anything else is refused (Subject::none; the caller names the field). The
// split is made on the digits as typed. |degrees| must stay below 1e9.
Outcome<double> read_packed_angle(std::string_view text);

// Packed number to radians, split on the shortest decimal form of `packed`
// (60.3 is 60°30′). Finite in, finite out (a non-finite argument comes back).
double packed_to_radians(double packed);

// Radians to packed text with the seconds to `second_decimals` decimals (0 to
// 9, clamped), rounded half to even on the seconds: 0.7941... → "45.302010"
// with 2. Signed: -0.5° is "-0.3000". A non-finite or |radians| > 1e6 gives "".
std::string format_packed(double radians, int second_decimals);

// An azimuth brought into [0, 2π) and written as format_packed; a value that
// rounds up to 360° is written as 0.
std::string format_azimuth(double radians, int second_decimals = 2);

// The same text written into [first, last) (for tables of many rows): the end
// of the text, or nullptr for a non-finite value or too little room.
char* azimuth_chars(char* first, char* last, double radians, int second_decimals = 2);

// The shortest packed text that read_packed_angle reads back to exactly
// `radians`; in the rare case no text of up to 15 second decimals does, the
// one that reads back nearest. Tiny angles take as many decimals as their
// digits need. Non-finite or |radians| > 1e6 gives "".
std::string format_packed_shortest(double radians);

// An angle brought into [0, 2π).
double normalize_azimuth(double radians);

}  // namespace korvane::route
