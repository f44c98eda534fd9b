// The sheets of the report made from route results: the curve elements
// table (直曲表) and the table of stakes in the site's layout (逐桩坐标表),
// one row per station with the centre stake and each side stake side by side.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "report/report.h"
#include "route/alignment.h"
#include "route/curves.h"
#include "route/table.h"

namespace korvane::report {

// The rows of a table in order, whole stations one after the other (the
// rows of one station next to each other, as route::table gives them).
struct StakeRows {
    std::size_t size = 0;
    std::function<route::TableRow(std::size_t)> row;
};

// One row per station: 桩号, the main point's label, the centre stake's X, Y,
// H and the azimuth (degrees, minutes, seconds), then X, Y, H of each side
// stake headed 左7.5 / 右7.5 (the offsets in the order of the first station).
// H is the table rows' own. 3 decimals. `rows` is read while the sheet is
// painted: it must outlive the sheet.
Sheet stake_sheet(const route::Alignment& alignment, StakeRows rows, const QString& range);

// The curve elements table as `route curves` writes it, 3 decimals, on a
// landscape page.
Sheet curve_sheet(const route::Alignment& alignment, const std::vector<route::CurveRow>& rows);

}  // namespace korvane::report
