// The printed report of a route result: the rows of a table or a bulk
// inverse page by page under a heading and the range computed, the names of
// those who computed, checked and approved it under the last row. Drawn on a
// printer or into a PDF file.
#pragma once

#include <QString>
#include <optional>

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

// Asks for the names under the report in a dialog on `parent` (object name
// "signOffDialog"); nothing when it is cancelled.
std::optional<SignOff> askSignOff(QWidget* parent);

// The rows as a printed report on `device` (a PDF writer or a printer), with
// `rangeText` ("K0+000.000 至 K1+000.000，间距 20 m") beside the alignment's
// name on every page. Touches no window, so it runs on a worker too; a
// cancel in `control` stops it between pages with kWriteCancelled. Returns
// the failure, if any.
std::optional<QString> paintResultReport(QPagedPaintDevice& device, const ResultStore& rows,
                                         const QString& rangeText, const SignOff& signOff,
                                         const WriteControl& control = {});

// The report as an A4 PDF file at `path`, replacing any file there whole:
// drawn into a temporary file, then put in place like every file.
std::optional<QString> writeResultReportPdf(const ResultStore& rows, const QString& rangeText,
                                            const QString& path, const SignOff& signOff,
                                            const WriteControl& control = {});

// Asks for a printer in its dialog on `parent` and prints the report there;
// nothing is printed when the dialog is cancelled. Returns the failure, if any.
std::optional<QString> printResultReport(QWidget* parent, const ResultStore& rows,
                                         const QString& rangeText, const SignOff& signOff);

}  // namespace korvane::ui
