// The curve elements table (直曲表) as the programs hand it over: CSV with a
// header line, UTF-8 with LF for standard output or code page 936 with CR LF
// for a file, and the texts of each row for the window and the report.
// Numbers have the chosen decimals; chainages are the alignment's station
// texts (with the zone where a long chain repeats them); the deflection is
// packed d.mmss, unsigned, with seconds to two decimals, and its side 左/右.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "error.h"
#include "route/alignment.h"
#include "route/curves.h"

namespace korvane::files {

inline constexpr std::string_view kCurveHeader =
    "JD,station,X,Y,deflection,turn,R,Ls1,Ls2,A1,A2,T1,T2,L,Ly,E,ZH,HY,QZ,YH,HZ";
inline constexpr std::size_t kCurveColumns = 21;

// The 21 field texts of one row, in the header's order; a field that does not
// apply (the curve of an angle point, everything but the chainage and
// coordinates of the start and end points) is empty.
std::vector<std::string> curve_fields(const route::Alignment& alignment, const route::CurveRow& row,
                                      int decimals);

// The CSV text, header first: UTF-8 with LF, or with `crlf` code page 936
// with CR LF. A name code page 936 cannot hold is an Error ("无法写入：…").
Result<std::string> curve_table_csv(const route::Alignment& alignment,
                                    std::span<const route::CurveRow> rows, int decimals, bool crlf);

}  // namespace korvane::files
