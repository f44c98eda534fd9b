// The rules that turn field texts into numbers and numbers into field texts.
//
// Every number the program reads from a field or a file, and every number it
// writes back, goes through these functions; none of them depends on the
// process locale (the decimal separator is always ".").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane::geometry {

// The leading-number parse used for almost every field. Blanks, tabs and line
// feeds are removed wherever they stand; then the longest leading number is
// read: optional sign, digits with at most one decimal point, an optional
// exponent (E or e, optional sign, digits). The rest of the text is ignored; a
// text without a leading number reads as 0 ("5m" is 5, "abc" is 0, "1 000" is
// 1000). A number too large for a double reads as +-infinity, so callers can
// refuse it; one too small reads as 0 (or a subnormal).
double parse_leading(std::string_view text);

// The strict conversion: surrounding spaces aside, the text must be exactly one
// number (optional sign, digits with at most one decimal point, at least one
// digit, optional exponent). Returns nothing for "5m", "abc", "" or "1 0".
// Values beyond the range of a double come back as +-infinity.
std::optional<double> parse_strict(std::string_view text);

// True when the text, trimmed of leading and trailing spaces (U+0020), is empty.
bool is_blank(std::string_view text);

// The text with leading and trailing spaces (U+0020) removed.
std::string_view trim_spaces(std::string_view text);

// Rounds to `decimals` places after the point (0 to 15), half to even, deciding
// on the exact binary value of `value`: 2.675 (really 2.67499999...) gives 2.67,
// 0.125 gives 0.12. Non-finite values come back unchanged.
double round_half_even(double value, int decimals);

// Number to field text: rounded to 15 significant digits, written in plain
// decimal ("1000", "7053.15", "1022.00000000001", "-2.5", "0.0001") with no
// trailing zeros and no bare point; -0 is written "0". Magnitudes of 1e15 and
// above, or below 1e-4, are written in exponent form ("1E+15", "1E-05"). The
// few values next to the largest double whose 15-digit rounding would pass it
// are cut at the 15th digit instead, so every text written reads back finite.
std::string format_number(double value);

// The shortest plain decimal text that reads back to the same double, for the
// files Korvane writes and people or other programs read: never an exponent
// ("3000000", not "3e+06"; "0.00025", not "0.00025" written as "2.5e-04").
std::string exact_text(double value);
void append_exact(std::string& out, double value);

// format_number(round_half_even(value, decimals)), faster.
std::string format_rounded(double value, int decimals);

// Appending forms of the two above, for building long texts without temporaries.
void append_number(std::string& out, double value);
void append_rounded(std::string& out, double value, int decimals);

}  // namespace korvane::geometry
