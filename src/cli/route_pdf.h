// The PDF reports of the route commands: `route table … --output FILE.pdf`
// (the table of stakes in the site's layout) and `route curves …
// --output FILE.pdf` (the curve elements table), drawn by the report
// library the window prints with. The report needs Qt: a build without it
// (the Qt-free Windows build) refuses a PDF output, saying so.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/output.h"
#include "route/alignment.h"
#include "route/curves.h"
#include "route/table.h"

namespace korvane::cli {

// What heads and closes every page of the report, as typed (UTF-8).
struct ReportTexts {
    std::string project;
    std::string section;
    std::string coordinates;
    std::string heights;
    std::string computed_by;
    std::string checked_by;
    std::string approved_by;
};

// True for an output named *.pdf (any case).
inline bool is_pdf_name(std::string_view path) {
    if (path.size() < 4) return false;
    const std::string_view end = path.substr(path.size() - 4);
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return end[0] == '.' && lower(end[1]) == 'p' && lower(end[2]) == 'd' && lower(end[3]) == 'f';
}

// The table of `request` as a PDF report at `path`, replaced whole.
Done write_table_pdf(const std::string& path, const route::Alignment& alignment,
                     const route::TableRequest& request, const ReportTexts& texts);

// The curve elements table as a PDF report at `path`, replaced whole.
Done write_curves_pdf(const std::string& path, const route::Alignment& alignment,
                      const std::vector<route::CurveRow>& rows, const ReportTexts& texts);

}  // namespace korvane::cli
