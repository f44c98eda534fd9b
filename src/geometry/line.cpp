#include "geometry/line.h"

#include <cmath>

#include "geometry/angles.h"

namespace korvane::geometry {
namespace {

// Degree-to-radian conversion of the forward formula: the product with the
// pi literal first, then the quotient by 180.
double forward_radians(double degrees) {
    return degrees * kPiLiteral / 180.0;
}

bool finite(Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

RangeFailure overflow(Overflow quantity) {
    return RangeFailure{quantity};
}

}  // namespace

Computed<SetOut> set_out(double azimuth, double skew) {
    const double ra = forward_radians(azimuth);
    if (!std::isfinite(ra)) return overflow(Overflow::azimuth);
    const double ras = forward_radians(azimuth + skew);
    if (!std::isfinite(ras)) return overflow(Overflow::skew);
    return SetOut{std::cos(ra), std::sin(ra), std::cos(ras), std::sin(ras)};
}

Point point_at(const Line& line, const SetOut& d, double along, double p) {
    // Each sum is grouped as written: the along-line term plus the start
    // coordinate, then the offset term added. Another grouping changes the
    // last bits.
    const double x = (along * d.cos_a + line.x0) + d.cos_as * p;
    const double y = (along * d.sin_a + line.y0) + d.sin_as * p;
    return Point{x, y};
}

Computed<Point> forward_point(const Line& line, double k, double p, double skew) {
    const auto d = set_out(line.azimuth, skew);
    if (!d) return d.failure();
    const double along = std::fabs(k - line.k0);
    if (!std::isfinite(along)) return overflow(Overflow::along);
    const Point pt = point_at(line, d.value(), along, p);
    if (!finite(pt)) return overflow(Overflow::point);
    return pt;
}

Computed<Location> locate(const Line& line, double x, double y) {
    const double bearing = FWJ(line.x0, line.y0, x, y);
    if (!std::isfinite(bearing)) return overflow(Overflow::bearing);
    const double d = JL(line.x0, line.y0, x, y);  // already rounded to 4 decimals
    if (!std::isfinite(d)) return overflow(Overflow::distance);
    const double theta = bearing - line.azimuth;
    double p = d * MSin(theta);
    const double t = MTan(theta);
    double k;
    if (t == 0.0) {
        // The point lies exactly ahead on the line: P / tan(theta) would be 0 / 0.
        // Its limit, D cos(theta) with theta -> 0, is D.
        k = line.k0 + d;
        p = 0.0;
    } else {
        // The quotient form P / tan(theta) is the one evaluated, not D cos(theta).
        k = line.k0 + p / t;
    }
    if (!std::isfinite(k) || !std::isfinite(p)) return overflow(Overflow::location);
    return Location{k, p};
}

}  // namespace korvane::geometry
