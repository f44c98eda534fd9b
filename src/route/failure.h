// The failure of a route computation: the message for the user and what it is
// about, so that the window can move the focus to the table row or the field.
#pragma once

#include <string>

#include "geometry/outcome.h"

namespace korvane::route {

// What a failure points at. The first group are rows of the Definition's
// lists (Failure::index is the 0-based row); the second group are the inputs
// of a computation (Failure::index is -1, except for `offsets`, where it is
// the entry of the offsets list).
enum class Subject {
    none,
    start,               // the start point and its chainage / azimuth
    element,             // ElementsDef::elements[index]
    intersection_point,  // PointsDef::points[index]
    end_point,           // PointsDef end point
    chain_break,         // Definition::breaks[index]
    vertical_point,      // Definition::profile[index]
    left_part,           // SectionDef::left[index]
    right_part,          // SectionDef::right[index]
    section_setting,     // SectionDef profile_offset, axis or runoff
    superelevation,      // SectionDef::superelevation[index]
    widening,            // SectionDef::widening[index]
    prefix,              // Definition::prefix
    station,
    zone,
    offset,
    skew,
    x,
    y,
    from,
    to,
    interval,
    offsets,
};

struct Failure {
    std::string message;  // UTF-8, simplified Chinese, ends in "！"
    Subject subject = Subject::none;
    int index = -1;  // row of the list named by `subject`, or -1
    int other = -1;  // a second row of the same list (two curves that overlap), or -1

    bool operator==(const Failure&) const = default;
};

template <class T>
using Outcome = korvane::Outcome<T, Failure>;

}  // namespace korvane::route
