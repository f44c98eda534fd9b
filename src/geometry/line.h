// The straight route line and the computations along it, on numbers.
//
// A line is given by its start chainage K0, its start point (X0, Y0) and its
// azimuth. X is northing, Y easting, lengths and chainages in metres; angles in
// decimal degrees clockwise from north (the packed d.mmss texts of the fields
// are converted with Dms before they come here). No angle is brought into
// 0..360. The arithmetic is done in a fixed order, with the pi literal of
// angles.h; the results are compared bit for bit with stored results, so the
// order of every sum and product below is part of the behaviour.
#pragma once

#include "geometry/outcome.h"

namespace korvane::geometry {

// The quantity that left the range of a double, so that the caller can point
// at the input responsible.
enum class Overflow {
    azimuth,   // forward: the line azimuth in radians
    skew,      // forward: azimuth plus skew in radians
    along,     // forward: the distance |K - K0|
    point,     // forward: the coordinates of the point
    bearing,   // inverse: the azimuth from the start point to the point (FWJ)
    distance,  // inverse: the distance from the start point to the point (JL)
    location,  // inverse: the chainage or the offset
};

struct RangeFailure {
    Overflow quantity;

    bool operator==(const RangeFailure&) const = default;
};

template <class T>
using Computed = korvane::Outcome<T, RangeFailure>;

struct Line {
    double k0 = 0;       // start chainage, metres, any finite value
    double x0 = 0;       // northing of the start point, metres, finite
    double y0 = 0;       // easting of the start point, metres, finite
    double azimuth = 0;  // decimal degrees clockwise from north, finite
};

struct Point {
    double x = 0;  // northing, metres
    double y = 0;  // easting, metres
};

// The direction terms of a set-out: cosine and sine of the line azimuth A, and
// of A + S, the direction in which the offset is set out under skew S.
struct SetOut {
    double cos_a = 1, sin_a = 0;    // along the line
    double cos_as = 0, sin_as = 1;  // along the offset
};

// The direction terms for line azimuth and skew, both decimal degrees. Each
// angle is converted as degrees * pi / 180 (product first, then quotient; the
// inverse's trigonometry converts in the other order). Fails with
// Overflow::azimuth or Overflow::skew where a conversion is not finite.
Computed<SetOut> set_out(double azimuth, double skew);

// The point at distance `along` (metres, >= 0) from the line's start point,
// then `p` metres (any sign) in the set-out direction. Grouped as written:
// (along * cos A + X0) + cos(A + S) * p, and the same for Y. May be non-finite
// for huge inputs; callers check.
Point point_at(const Line& line, const SetOut& d, double along, double p);

// Forward: the point at chainage k (metres, k >= line.k0 is the caller's check)
// set out at offset p (metres) under skew (decimal degrees, 90 is square to the
// line). Fails with the first quantity that overflows, in the order azimuth,
// skew, along, point.
Computed<Point> forward_point(const Line& line, double k, double p, double skew);

// Where a point lies relative to the line.
struct Location {
    double k = 0;  // chainage of its foot on the line, metres
    double p = 0;  // offset, metres, positive to the right of the line
};

// Inverse: chainage and offset of the point (x, y), metres. The distance from
// the start point is JL's (rounded to 4 decimals) and the offset is D sin(theta),
// the chainage K0 + P / tan(theta) with theta the bearing to the point less the
// line azimuth; a point exactly ahead (tan theta = 0) gives K0 + D and P = 0.
// Fails with Overflow::bearing, ::distance or ::location.
Computed<Location> locate(const Line& line, double x, double y);

}  // namespace korvane::geometry
