// The intersection-point alignment of the reference cases, read from
// its Korvane alignment file (code page 936) by a reader just big enough for it.
#pragma once

#include <string>

#include "files/codec.h"
#include "route/cases.h"
#include "route/chainage.h"
#include "route/definition.h"

namespace korvane::route::test {

inline double station(const std::string& text) {
    const auto r = read_chainage(text);
    return r.ok() ? r.value() : NAN;
}

inline Definition pi_definition() {
    Definition d;
    PointsDef p;
    const auto utf8 = files::cp936_to_utf8(read_bytes("pi-alignment.csv"));
    if (!utf8.ok()) return d;
    for (const std::string& line : lines_of(utf8.value())) {
        if (line[0] == '#') continue;
        const auto f = fields_of(line);
        if (f[0] == "线路") {
            d.name = f[1];
            d.prefix = f[2];
        } else if (f[0] == "起点") {
            p.start_chainage = station(f[1]);
            p.start_x = number(f[2]);
            p.start_y = number(f[3]);
        } else if (f[0] == "交点") {
            p.points.push_back(
                {f[1], number(f[2]), number(f[3]), number(f[4]), number(f[5]), number(f[6])});
        } else if (f[0] == "终点") {
            p.end_x = number(f[1]);
            p.end_y = number(f[2]);
        } else if (f[0] == "断链") {
            d.breaks.push_back({station(f[1]), station(f[2])});
        } else if (f[0] == "变坡点") {
            d.profile.push_back({station(f[1]), 0, number(f[2]), number(f[3])});
        }
    }
    d.horizontal = p;
    return d;
}

}  // namespace korvane::route::test
