// The curve elements table (直曲表) of an alignment by intersection points:
// one row per intersection point with its chainage and coordinates, the
// deflection and the side it turns to, the radius and transitions, tangent
// lengths, curve lengths, the external distance and the main points'
// positions; the start and end points come first and last with their
// chainage and coordinates only. Lengths in metres, angles in radians.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "route/alignment.h"
#include "route/definition.h"

namespace korvane::route {

// A position along the alignment: s, its zone and chainage there.
struct CurvePlace {
    double s = 0;
    int zone = 1;
    double chainage = 0;
};

struct CurveRow {
    enum class Kind { start, curve, angle_point, end };
    Kind kind = Kind::curve;
    std::string name;  // the JD's name (UTF-8); "QD" and "ZD" for the start and end
    int source = -1;   // the row of PointsDef::points, -1 for the start and end
    // The JD's chainage: the curve's start plus the first tangent length, as
    // a curve table counts it (an angle point: where the azimuth turns).
    CurvePlace station;
    double x = 0;  // northing of the JD, metres
    double y = 0;  // easting
    // Curve and angle point only:
    double deflection = 0;  // unsigned, radians, (0, π)
    bool right = true;      // 右 (clockwise) or 左
    double radius = 0;      // unsigned; 0 for an angle point
    // Curve only (0 without a transition):
    double ls1 = 0, ls2 = 0;  // transition lengths
    double a1 = 0, a2 = 0;    // clothoid parameters √(R·Ls)
    double t1 = 0, t2 = 0;    // JD to the curve's start / end along the tangents
    double length = 0;        // the whole curve, start to end
    double arc_length = 0;    // its circular curve
    // From the JD to the curve along the bisector of the angle at the JD,
    // found on the computed curve (on an asymmetric curve the bisector does
    // not pass through the circle's centre).
    double external = 0;
    // Main points: ZH (ZY without an entry transition), HY (the circular
    // curve's start: the ZY itself without one), QZ (middle of the whole
    // curve), YH (the circular curve's end), HZ (or YZ).
    CurvePlace zh, hy, qz, yh, hz;
};

// The rows of `alignment`, built from `definition`. An alignment by elements
// has no intersection points and is refused (Subject::none).
Outcome<std::vector<CurveRow>> curve_table(const Definition& definition,
                                           const Alignment& alignment);

}  // namespace korvane::route
