// What the forward and table computations share: the checks of an offset and
// a skew, and setting a stake out from its point on the line. Internal to the
// route library.
#pragma once

#include <cmath>
#include <optional>
#include <string>

#include "route/alignment.h"
#include "route/forward.h"

namespace korvane::route::detail {

inline Failure fail(std::string message, Subject subject, int index = -1) {
    return Failure{std::move(message), subject, index, -1};
}

inline std::optional<Failure> check_offset(double offset, Subject subject, int index = -1) {
    if (!std::isfinite(offset) || std::fabs(offset) > kMaxOffset) {
        return fail("偏距不是有效数字或超出范围（不能超过100km）！", subject, index);
    }
    return std::nullopt;
}

inline std::optional<Failure> check_skew(double skew) {
    if (!std::isfinite(skew) || std::fabs(skew) > 1e6)
        return fail("斜交角不是有效数字！", Subject::skew);
    if (std::fabs(std::sin(skew)) < 1e-9) return fail("斜交角不能为0°或180°！", Subject::skew);
    return std::nullopt;
}

// A stake set out at a skew lies at another station than its own: its design
// elevation is the surface's where the point lies, at its perpendicular foot
// (nothing where it has none).
inline std::optional<double> elevation_where(const Alignment& alignment, double x, double y) {
    Outcome<InverseResult> foot = inverse(alignment, x, y);
    if (!foot) return std::nullopt;
    return alignment.design_elevation(foot.value().s, foot.value().offset);
}

// Square to the line, a stake's station is the station of its point.
inline bool square(double skew) {
    return std::fabs(std::cos(skew)) < 1e-12;
}

// The point `offset` metres from `base` in the direction `skew` from its tangent.
inline void set_out(const Pose& base, double offset, double cos_d, double sin_d, double& x,
                    double& y) {
    x = base.x + offset * cos_d;
    y = base.y + offset * sin_d;
}

// The direction `skew` from the tangent of a frame, from the cosine and sine
// of both (the table turns every station by the same skew).
struct Direction {
    double cos, sin;
};

inline Direction direction(const Alignment::Frame& f, double cos_skew, double sin_skew) {
    return {f.cos_az * cos_skew - f.sin_az * sin_skew, f.sin_az * cos_skew + f.cos_az * sin_skew};
}

}  // namespace korvane::route::detail
