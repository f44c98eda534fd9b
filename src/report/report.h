// The printed report of route results, the one writer of it for the window
// and the command line: sheets of rows (the curve elements table, the table
// of stakes in the site's layout, inverted points) page by page, each page
// headed by the project, contract section, alignment, coordinate and
// elevation systems, units, the chain breaks in force, the date and 第N页
// 共M页, and ending in the lines for those who computed, checked and
// approved it. Drawn with Qt's painter on a printer or into a PDF file; it
// needs a QGuiApplication (the command line makes an offscreen one).
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "route/alignment.h"

class QPagedPaintDevice;

namespace korvane::report {

// What heads and closes every page, as typed (empty fields print blank).
struct ReportInfo {
    QString project;      // 项目名称
    QString section;      // 合同段
    QString coordinates;  // 坐标系
    QString heights;      // 高程系
    QString computedBy;   // 计算
    QString checkedBy;    // 复核
    QString approvedBy;   // 审核
    QDate date;           // invalid: today
};

// A column: the heading it shares with its neighbours (empty: none; equal
// neighbouring groups are drawn as one), its own title, a text as wide as
// its widest cell, and whether its cells are numbers (right-aligned).
struct Column {
    QString group;
    QString title;
    QString sample;
    bool number = true;
};

// One table of the report: its title, what it covers (range, interval), its
// columns, how many rows, the texts of row i, and the page's orientation.
struct Sheet {
    QString title;
    QString range;
    std::vector<Column> columns;
    std::size_t rows = 0;
    std::function<QStringList(std::size_t)> cells;
    bool landscape = false;
    // The rows of the results it shows (a station row holds several
    // stakes), for the progress told: 0 for `rows`.
    std::size_t source_rows = 0;
};

// How far the painting has come (source rows so far) and whether it is to stop.
struct Control {
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(std::size_t)> progress;
};

// What a cancelled report returns.
inline constexpr const char* kCancelled = "导出已取消！";

// The sheets one after the other on `device`, for the alignment `alignment`
// (its name and chain breaks in the heading). Returns the failure, if any.
std::optional<QString> paint(QPagedPaintDevice& device, const route::Alignment& alignment,
                             const std::vector<Sheet>& sheets, const ReportInfo& info,
                             const Control& control = {});

// The report as an A4 PDF file at `path`, replacing any file there whole:
// drawn into a temporary file, then put in place like every file.
std::optional<QString> write_pdf(const QString& path, const route::Alignment& alignment,
                                 const std::vector<Sheet>& sheets, const ReportInfo& info,
                                 const Control& control = {});

// The chain breaks in force as the heading lists them:
// "K1+200.000=K1+190.000（长链10.000m）", separated by "；", or "无".
QString breaks_text(const route::Alignment& alignment);

// An azimuth in degrees, minutes and seconds to two decimals: 37°33′11.03″.
QString dms_text(double radians);

}  // namespace korvane::report
