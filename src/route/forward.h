// Forward and inverse computations on a checked alignment. Chainages in
// metres (read them with read_chainage), angles in radians, X northing and Y
// easting in metres. Every failure is a value naming the input it is about;
// no result is ever infinite or NaN.
#pragma once

#include <numbers>
#include <optional>

#include "route/alignment.h"

namespace korvane::route {

// Offsets stay within ±100 km of the line.
inline constexpr double kMaxOffset = 1e5;

struct ForwardResult {
    double s = 0;  // metres from the start
    int zone = 1;
    double chainage = 0;  // metres
    double x = 0;         // of the staked point (offset applied), metres
    double y = 0;
    double azimuth = 0;  // of the alignment at the chainage, radians in [0, 2π)
    // Design elevation of the road surface at the staked point, metres (of
    // the profile's line alone where the alignment has no section template).
    std::optional<double> elevation;
};

// The point at `chainage` (metres) in `zone` (0: the one zone holding it),
// `offset` metres from the line (positive right, |offset| <= kMaxOffset) in
// the direction `skew` radians clockwise from the forward direction (π/2:
// square to the line; 0 and π are refused). Refused chainages: see
// Alignment::locate (Subject::station / Subject::zone).
Outcome<ForwardResult> forward(const Alignment& alignment, double chainage, int zone = 0,
                               double offset = 0, double skew = std::numbers::pi / 2);

struct InverseResult {
    double s = 0;  // of the foot, metres from the start
    int zone = 1;
    double chainage = 0;              // metres
    double offset = 0;                // signed perpendicular distance, positive right, metres
    double azimuth = 0;               // of the alignment at the foot, radians in [0, 2π)
    std::optional<double> elevation;  // design elevation of the surface at the foot and offset
    // Perpendicular feet found no farther than twice the nearest one's
    // distance (1: the foot is unique; more: inside a tight curve, the nearest
    // is the one given).
    int feet = 1;
    // The point lies outside an angle point (or a gap between elements),
    // where no perpendicular foot exists: the foot is the angle point itself
    // and the offset the signed distance to it.
    bool corner = false;
};

// The perpendicular foot of (x, y) on the alignment nearest to it
// (|x|, |y| <= 1e9). Refused when the nearest point of the alignment is its
// start or end and the point lies beyond it, saying how far (Subject::x).
// Cost: logarithmic in the number of elements for points near the line.
Outcome<InverseResult> inverse(const Alignment& alignment, double x, double y);

}  // namespace korvane::route
