// The printed report of the window's results through the report library
// (the command line's writer too): the curve elements table of an alignment
// by intersection points, then the rows of a table (in the site's layout,
// one row per station) or of a bulk inverse, each page under the project's
// heading and over the sign-off lines. Drawn on a printer or into a PDF file.
#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "report/report.h"
#include "route/curves.h"
#include "ui/route/route_results.h"

class QPagedPaintDevice;
class QWidget;

namespace korvane::ui {

// The names under a printed report ("计算：…  复核：…  审核：…"), empty by default.
struct SignOff {
    QString computedBy;
    QString checkedBy;
    QString approvedBy;
};

// What a report holds: the results (a table or inverted points) with what
// they cover ("K0+000.000 至 K1+000.000，间距 20 m"), and the curve table
// of their alignment, if it has one.
// Without rows (or with none), the curve table alone of `alignment`.
struct ReportContent {
    std::shared_ptr<const ResultStore> rows;
    QString range;
    std::vector<route::CurveRow> curves;
    std::shared_ptr<const route::Alignment> alignment;  // of the curves, when there are no rows
};

// Asks for the report's heading and names in a dialog on `parent` (object
// name "signOffDialog"), starting from `initial`; nothing when cancelled.
std::optional<report::ReportInfo> askReportInfo(QWidget* parent, const report::ReportInfo& initial);

// The sheets of the report: the curve table first, then the results.
std::vector<report::Sheet> reportSheets(const ReportContent& content);

// The report on `device` (a PDF writer or a printer). Touches no window, so
// it runs on a worker too; a cancel in `control` stops it between pages
// with kWriteCancelled. Returns the failure, if any.
std::optional<QString> paintResultReport(QPagedPaintDevice& device, const ReportContent& content,
                                         const report::ReportInfo& info,
                                         const WriteControl& control = {});

// The report as an A4 PDF file at `path`, replacing any file there whole.
std::optional<QString> writeResultReportPdf(const ReportContent& content, const QString& path,
                                            const report::ReportInfo& info,
                                            const WriteControl& control = {});

// Asks for a printer in its dialog on `parent` and prints the report there;
// nothing is printed when the dialog is cancelled. Returns the failure, if any.
std::optional<QString> printResultReport(QWidget* parent, const ReportContent& content,
                                         const report::ReportInfo& info);

}  // namespace korvane::ui
