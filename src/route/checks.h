// Checks of a definition that do not stop it from being computed but that a
// designer wants to hear about: warnings, each naming the rows concerned.
#pragma once

#include <string>
#include <vector>

#include "route/definition.h"

namespace korvane::route {

struct Notice {
    std::string message;  // simplified Chinese, without a closing mark
    int element = -1;     // the row of ElementsDef::elements it belongs to
};

// Elements meeting with a jump of curvature where a transition ends or
// starts (a transition ending at R300 followed by an arc of R200): the
// curvatures differ by more than 1e-4 of the larger. A straight meeting an
// arc (ZY, YZ) and two arcs meeting (GQ) are curves as designed and not
// reported. The notice belongs to the second element.
std::vector<Notice> curvature_jumps(const ElementsDef& def);

// The same for any definition (an alignment by intersection points has none).
std::vector<Notice> definition_notices(const Definition& definition);

}  // namespace korvane::route
