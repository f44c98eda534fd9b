#include "route/element.h"

#include <algorithm>
#include <cmath>

#include "route/element_math.h"

namespace korvane::route {

double curvature(double radius) {
    if (std::isinf(radius) || radius == 0) return 0.0;
    return 1.0 / radius;
}

Pose point_along(const Pose& start, double length, double k_start, double k_end, double t) {
    const double c = (k_end - k_start) / (2.0 * length);
    return detail::advance(start, k_start, c, t);
}

Pose point_along(const Pose& start, const ElementDef& element, double t) {
    return point_along(start, element.length, curvature(element.radius_start),
                       curvature(element.radius_end), t);
}

Pose element_end(const Pose& start, const ElementDef& element) {
    return point_along(start, element, element.length);
}

}  // namespace korvane::route
