// The alignment the route benchmarks run on: groups of straight (150 m),
// transition (100 m), circular curve (80 m, R 600) and transition, turning
// right and left in turn, from X 3512345.678, Y 456789.012 at azimuth 0.7 rad.
#pragma once

#include "route/definition.h"

namespace korvane::bench {

inline route::ElementsDef grid_elements(int elements) {
    route::ElementsDef e;
    e.start_x = 3512345.678;
    e.start_y = 456789.012;
    e.start_azimuth = 0.7;
    for (int i = 0; i < elements; ++i) {
        const double r = (i / 4) % 2 == 0 ? 600 : -600;
        switch (i % 4) {
            case 0:
                e.elements.push_back({150, route::kStraight, route::kStraight});
                break;
            case 1:
                e.elements.push_back({100, route::kStraight, r});
                break;
            case 2:
                e.elements.push_back({80, r, r});
                break;
            default:
                e.elements.push_back({100, r, route::kStraight});
                break;
        }
    }
    return e;
}

}  // namespace korvane::bench
