// The main points of an alignment defined by elements: its boundaries named
// by the elements they join, as an alignment by intersection points names its
// main points, and the QZ of each curve. Used by Alignment::build.
#pragma once

#include <string>
#include <vector>

#include "route/alignment.h"

namespace korvane::route::detail {

// Labels, in order of position (QZ after the boundaries it shares an s with):
// ZH straight→transition, HY transition→arc, YH arc→transition, HZ
// transition→straight, ZY straight→arc, YZ arc→straight, GQ two different
// curves meeting, HZ and ZH where two transitions meet at curvature 0, HY and
// YH where they meet at a common radius, and the element number where two
// straights or two equal arcs continue each other. A boundary turning by more
// than 1″ between two straights, or more than 1e-3 rad elsewhere, is an
// angle point, labelled with the element's name or 折点; smaller angles are
// the seconds of arc that design programs leave between elements. A curve
// (elements between straights or points of curvature 0) has its QZ in the
// middle of its length. QD and ZD are not among them.
std::vector<KeyPoint> join_points(const std::vector<Segment>& segments, const ElementsDef& def);

// A main point labelled `label` at `s`, at `pose` (its azimuth brought into
// [0, 2π)), with the radius of the element starting there and the row of
// the definition it comes from.
KeyPoint key_point(std::string label, double s, const Pose& pose, double radius, int source);

}  // namespace korvane::route::detail
