// Geometry of one element: a straight, a circular curve or a clothoid whose
// curvature changes linearly along it (from a straight, to a straight, curve
// to curve, or through zero). X is northing, Y easting, metres; azimuths in
// radians clockwise from north; curvature 1/m, positive turning right.
#pragma once

#include "route/definition.h"

namespace korvane::route {

// A point of the alignment and the azimuth of its tangent there.
struct Pose {
    double x = 0;        // northing, metres
    double y = 0;        // easting, metres
    double azimuth = 0;  // radians, not brought into [0, 2π)

    bool operator==(const Pose&) const = default;
};

// Signed curvature of a signed radius: 1/radius, 0 for ±infinity (or 0).
double curvature(double radius);

// The point and tangent at distance t (metres, 0 <= t <= length) along an
// element that starts at `start` and whose curvature runs linearly from
// k_start to k_end (1/m) over `length` metres (> 0). Straights and circular
// curves use closed forms; a clothoid is integrated by 4-point Gauss–Legendre
// quadrature on sub-intervals turning at most 1/16 rad each, within about
// 1e-13 of the length of the element (1e-11 m on 140 m turning 200°). The
// azimuth is start.azimuth + k_start·t + (k_end − k_start)·t²/(2·length).
// Arguments must be finite; the turning |k|·length should stay below 1e5 rad.
Pose point_along(const Pose& start, double length, double k_start, double k_end, double t);

// The same for an element as defined (signed radii, ±infinity for straight).
Pose point_along(const Pose& start, const ElementDef& element, double t);

// The end of the element: point_along(start, element, element.length).
Pose element_end(const Pose& start, const ElementDef& element);

}  // namespace korvane::route
