// The inverse of many points at once (a stake-out list or a survey of a
// million points), on several threads, and the number of threads the long
// computations of the programs use.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "route/alignment.h"
#include "route/forward.h"

namespace korvane::route {

// The threads a long computation uses: every core, up to four.
unsigned computing_threads();

struct PlanPoint {
    double x = 0;  // northing, metres
    double y = 0;  // easting, metres
};

// A point's perpendicular foot, kept small (a million of them are held until
// every point has one).
struct Foot {
    double chainage = 0;   // metres
    double offset = 0;     // signed, positive right, metres
    double elevation = 0;  // design elevation at the foot; NaN: none
    int zone = 1;
    int feet = 1;         // as InverseResult::feet
    bool corner = false;  // as InverseResult::corner: the foot is an angle point
};

// Why the points have no feet: the first point, in their order, that has none.
struct PointRefusal {
    std::size_t index = 0;  // into the points
    Failure failure;        // inverse()'s refusal of that point
};

// The feet of `points` as inverse() finds them, in order, computed in runs of
// consecutive points on up to `threads` threads. The first point without a
// foot refuses them all, exactly as if they had been taken one by one.
korvane::Outcome<std::vector<Foot>, PointRefusal> inverse_points(const Alignment& alignment,
                                                                 std::span<const PlanPoint> points,
                                                                 unsigned threads);

}  // namespace korvane::route
