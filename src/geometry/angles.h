// Angle notation and plane geometry on doubles.
//
// Azimuths run clockwise from north (+X): north 0, east 90, south 180, west 270.
// X is northing, Y is easting, lengths in metres. No function brings an angle
// into 0..360; 375 and -15 are used as they are.
#pragma once

namespace korvane::geometry {

// The value of pi used in every degree-to-radian conversion. It is 7 units in
// the last place below the double nearest pi; results depend on it, so it must
// not be replaced by a library constant.
inline constexpr double kPiLiteral = 3.14159265358979;

// Packed angle d.mmss (15.152555 is 15 deg 15 min 25.55 sec) to decimal degrees.
// The split into degrees, minutes and seconds is made on the shortest decimal
// form of the argument, so 60.3 is exactly 60 deg 30 min. Minutes and seconds
// have no upper limit (10.6 gives 11). Negative packed angles give negative
// degrees. Finite in, finite out.
double Dms(double packed);

// Azimuth of the direction from point 1 to point 2, decimal degrees, 0 to 360.
// Coincident points give 90. Returns NaN where the computation would fault (a
// difference of eastings of exactly -1e-20), and may return a non-finite value
// for coordinate differences beyond 1e150.
double FWJ(double x1, double y1, double x2, double y2);

// Distance between two points in metres, rounded to 4 decimals (half to even).
double JL(double x1, double y1, double x2, double y2);

// Sine, cosine and tangent of an angle in decimal degrees, converted with
// kPiLiteral / 180. A fault in the conversion or the function gives 0.
double MSin(double degrees);
double MCos(double degrees);
double MTan(double degrees);

}  // namespace korvane::geometry
