#include "report/report.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include <QRectF>
#include <QTemporaryDir>
#include <QTextOption>
#include <algorithm>
#include <cmath>
#include <string>

#include "files/read_file.h"
#include "files/safe_write.h"
#include "geometry/fixed_text.h"
#include "route/angle.h"

namespace korvane::report {
namespace {

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// A family that holds simplified Chinese, so that every character shows
// (the default family first where it has them itself).
QStringList chinese_families() {
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    const QString preferred = QStringLiteral("WenQuanYi Micro Hei");
    QStringList families;
    if (chinese.contains(preferred)) {
        families << preferred;
    } else if (!chinese.isEmpty()) {
        families << chinese.first();
    }
    return families;
}

QFont font_of(double pixels, bool bold = false) {
    QFont f;
    const QStringList families = chinese_families();
    if (!families.isEmpty()) f.setFamilies(families);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    f.setBold(bold);
    return f;
}

// Where everything of one sheet goes on its pages, in device pixels.
struct Layout {
    QRect page;  // the printable area
    double mm = 1;
    QFont title, head, table;
    double head_line = 0;   // height of a heading line
    double row = 0;         // height of a table row
    double top = 0;         // where the table's heading starts
    double table_top = 0;   // where its first row starts
    double bottom = 0;      // where its rows must end
    std::vector<double> x;  // the columns' left edges, and the right edge last
    std::size_t rows_per_page = 1;
    std::size_t pages = 1;
    bool groups = false;
};

Layout layout_of(QPagedPaintDevice& device, const Sheet& sheet) {
    Layout l;
    QPageLayout page = device.pageLayout();
    page.setOrientation(sheet.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    const int dpi = device.logicalDpiX() > 0 ? device.logicalDpiX() : 300;
    l.page = page.paintRectPixels(dpi);
    l.page.moveTo(0, 0);
    l.mm = dpi / 25.4;
    l.title = font_of(5.5 * l.mm, true);
    l.head = font_of(2.9 * l.mm);
    l.head_line = 4.6 * l.mm;
    for (const Column& c : sheet.columns) l.groups = l.groups || !c.group.isEmpty();
    // The table's font: the largest from 3 mm down that fits its columns
    // across the page.
    const double width = l.page.width();
    std::vector<double> need(sheet.columns.size());
    for (double size = 3.0;; size -= 0.1) {
        l.table = font_of(size * l.mm);
        const QFontMetricsF fm(l.table, &device);
        double total = 0;
        for (std::size_t i = 0; i < sheet.columns.size(); ++i) {
            const Column& c = sheet.columns[i];
            need[i] = std::max(fm.horizontalAdvance(c.sample), fm.horizontalAdvance(c.title)) +
                      1.6 * l.mm;
            total += need[i];
        }
        if (total <= width || size < 1.6) {
            // What is left over is shared out in proportion.
            const double scale = total > 0 ? width / total : 1;
            l.x.assign(1, 0.0);
            for (double w : need) l.x.push_back(l.x.back() + w * scale);
            l.row = std::max(fm.height() * 1.35, 3.4 * l.mm);
            break;
        }
    }
    l.top = 8.5 * l.mm + 4 * l.head_line + 1.5 * l.mm;
    l.table_top = l.top + (l.groups ? 2 : 1) * l.row;
    l.bottom = l.page.height() - 2 * l.head_line;
    const double room = l.bottom - l.table_top;
    l.rows_per_page = std::max<std::size_t>(1, static_cast<std::size_t>(room / l.row));
    l.pages = std::max<std::size_t>(1, (sheet.rows + l.rows_per_page - 1) / l.rows_per_page);
    return l;
}

QString or_blank(const QString& text) {
    return text.isEmpty() ? QStringLiteral("　　　　") : text;
}

void draw_heading(QPainter& p, const Layout& l, const Sheet& sheet,
                  const route::Alignment& alignment, const ReportInfo& info, const QString& breaks,
                  std::size_t page, std::size_t pages) {
    const double w = l.page.width();
    p.setFont(l.title);
    p.drawText(QRectF(0, 0, w, 8 * l.mm), Qt::AlignCenter, sheet.title);
    p.setFont(l.head);
    const QFontMetricsF fm(l.head, p.device());
    double y = 8.5 * l.mm;
    const auto line = [&](const QString& left, const QString& right) {
        const double right_width = fm.horizontalAdvance(right) + l.mm;
        p.drawText(QRectF(0, y, w, l.head_line), Qt::AlignRight | Qt::AlignVCenter, right);
        p.drawText(QRectF(0, y, w - right_width - 2 * l.mm, l.head_line),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(left, Qt::ElideRight, w - right_width - 2 * l.mm));
        y += l.head_line;
    };
    const QDate date = info.date.isValid() ? info.date : QDate::currentDate();
    line(QStringLiteral("项目名称：%1        合同段：%2")
             .arg(or_blank(info.project), or_blank(info.section)),
         QStringLiteral("第%1页 共%2页").arg(page).arg(pages));
    line(QStringLiteral("线路：%1        %2").arg(qs(alignment.name()), sheet.range),
         QStringLiteral("日期：%1").arg(date.toString(QStringLiteral("yyyy年M月d日"))));
    line(QStringLiteral("坐标系：%1        高程系：%2")
             .arg(or_blank(info.coordinates), or_blank(info.heights)),
         QStringLiteral("单位：m；方位角、转角：度分秒"));
    line(QStringLiteral("断链：%1").arg(breaks), QString());
}

void draw_sign_off(QPainter& p, const Layout& l, const ReportInfo& info) {
    p.setFont(l.head);
    const double y = l.page.height() - 1.5 * l.head_line;
    const auto name = [](const QString& n) { return n.leftJustified(8, QChar(0x3000)); };
    p.drawText(QRectF(0, y, l.page.width(), l.head_line), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("计算：%1        复核：%2        审核：%3")
                   .arg(name(info.computedBy), name(info.checkedBy), name(info.approvedBy)));
}

// The table's heading: the groups over their columns, each column's title.
void draw_columns(QPainter& p, const Layout& l, const Sheet& sheet) {
    p.setFont(l.table);
    const std::size_t n = sheet.columns.size();
    const double title_y = l.groups ? l.top + l.row : l.top;
    for (std::size_t i = 0; i < n;) {
        const Column& c = sheet.columns[i];
        std::size_t j = i + 1;
        while (!c.group.isEmpty() && j < n && sheet.columns[j].group == c.group) ++j;
        if (c.group.isEmpty()) {
            p.drawText(QRectF(l.x[i], l.top, l.x[i + 1] - l.x[i], l.table_top - l.top),
                       Qt::AlignCenter, c.title);
        } else {
            p.drawText(QRectF(l.x[i], l.top, l.x[j] - l.x[i], l.row), Qt::AlignCenter, c.group);
            p.drawLine(QPointF(l.x[i], l.top + l.row), QPointF(l.x[j], l.top + l.row));
            for (std::size_t k = i; k < j; ++k)
                p.drawText(QRectF(l.x[k], title_y, l.x[k + 1] - l.x[k], l.row), Qt::AlignCenter,
                           sheet.columns[k].title);
        }
        i = j;
    }
}

// The frame and the lines between groups of columns, from the heading's
// top to `bottom`.
void draw_rules(QPainter& p, const Layout& l, const Sheet& sheet, double bottom) {
    const double right = l.x.back();
    p.drawRect(QRectF(0, l.top, right, bottom - l.top));
    p.drawLine(QPointF(0, l.table_top), QPointF(right, l.table_top));
    for (std::size_t i = 1; i < sheet.columns.size(); ++i) {
        const Column& a = sheet.columns[i - 1];
        const Column& b = sheet.columns[i];
        if (a.group.isEmpty() || a.group != b.group) {
            p.drawLine(QPointF(l.x[i], l.top), QPointF(l.x[i], bottom));
        } else {
            p.drawLine(QPointF(l.x[i], l.top + l.row), QPointF(l.x[i], bottom));
        }
    }
}

}  // namespace

QString breaks_text(const route::Alignment& a) {
    QStringList parts;
    for (const route::KeyPoint& k : a.key_points()) {
        if (!k.ahead) continue;
        const double length = k.chainage - *k.ahead;
        QString part = qs(a.chainage_text(k.chainage) + "=" + a.chainage_text(*k.ahead));
        part += QStringLiteral("（%1%2m）")
                    .arg(length > 0 ? QStringLiteral("长链") : QStringLiteral("短链"),
                         qs(geometry::shown_fixed(std::fabs(length), 3)));
        parts << part;
    }
    return parts.isEmpty() ? QStringLiteral("无") : parts.join(QStringLiteral("；"));
}

QString dms_text(double radians) {
    // The packed text d.mmssff split into its parts, so the seconds are
    // rounded exactly as everywhere else.
    const std::string packed = route::format_azimuth(radians, 2);
    const std::size_t point = packed.find('.');
    if (point == std::string::npos || packed.size() < point + 7) return qs(packed);
    return qs(packed.substr(0, point)) + QChar(0x00B0) + qs(packed.substr(point + 1, 2)) +
           QChar(0x2032) + qs(packed.substr(point + 3, 2)) + QLatin1Char('.') +
           qs(packed.substr(point + 5)) + QChar(0x2033);
}

std::optional<QString> paint(QPagedPaintDevice& device, const route::Alignment& alignment,
                             const std::vector<Sheet>& sheets, const ReportInfo& info,
                             const Control& control) {
    if (sheets.empty()) return QStringLiteral("报表中没有内容！");
    std::vector<Layout> layouts;
    layouts.reserve(sheets.size());
    std::size_t pages = 0;
    for (const Sheet& s : sheets) {
        layouts.push_back(layout_of(device, s));
        pages += layouts.back().pages;
    }
    const QString breaks = breaks_text(alignment);
    device.setPageOrientation(sheets.front().landscape ? QPageLayout::Landscape
                                                       : QPageLayout::Portrait);
    QPainter painter;
    if (!painter.begin(&device)) return QStringLiteral("无法生成报表！");
    QPen pen = painter.pen();
    pen.setWidthF(0.2 * layouts.front().mm);
    std::size_t page = 0;
    std::size_t done = 0;
    for (std::size_t s = 0; s < sheets.size(); ++s) {
        const Sheet& sheet = sheets[s];
        const Layout& l = layouts[s];
        std::size_t next = 0;
        for (std::size_t sheet_page = 0; sheet_page < l.pages; ++sheet_page) {
            if (control.cancel && control.cancel->load(std::memory_order_relaxed)) {
                painter.end();
                return QLatin1String(kCancelled);
            }
            if (control.progress) {
                const std::size_t source = sheet.source_rows > 0 ? sheet.source_rows : sheet.rows;
                // The source rows shown so far, in proportion (no overflow:
                // next < rows and source are below a few million).
                control.progress(done + (sheet.rows > 0 ? next * source / sheet.rows : 0));
            }
            if (page > 0) {
                device.setPageOrientation(sheet.landscape ? QPageLayout::Landscape
                                                          : QPageLayout::Portrait);
                if (!device.newPage()) {
                    painter.end();
                    return QStringLiteral("无法生成报表！");
                }
            }
            ++page;
            painter.setViewport(l.page);
            painter.setWindow(l.page);
            painter.setPen(pen);
            draw_heading(painter, l, sheet, alignment, info, breaks, page, pages);
            draw_columns(painter, l, sheet);
            painter.setFont(l.table);
            const QFontMetricsF fm(l.table, &device);
            double y = l.table_top;
            const double pad = 0.8 * l.mm;
            for (std::size_t r = 0; r < l.rows_per_page && next < sheet.rows; ++r, ++next) {
                const QStringList cells = sheet.cells(next);
                for (std::size_t c = 0; c < sheet.columns.size(); ++c) {
                    if (static_cast<qsizetype>(c) >= cells.size()) break;
                    const double width = l.x[c + 1] - l.x[c] - 2 * pad;
                    const QString text =
                        fm.elidedText(cells[static_cast<qsizetype>(c)], Qt::ElideRight, width);
                    QTextOption option((sheet.columns[c].number ? Qt::AlignRight : Qt::AlignLeft) |
                                       Qt::AlignVCenter);
                    option.setWrapMode(QTextOption::NoWrap);
                    painter.drawText(QRectF(l.x[c] + pad, y, width, l.row), text, option);
                }
                y += l.row;
            }
            draw_rules(painter, l, sheet, std::max(y, l.table_top + l.row));
            draw_sign_off(painter, l, info);
        }
        done += sheet.source_rows > 0 ? sheet.source_rows : sheet.rows;
    }
    if (!painter.end()) return QStringLiteral("无法生成报表！");
    return std::nullopt;
}

std::optional<QString> write_pdf(const QString& path, const route::Alignment& alignment,
                                 const std::vector<Sheet>& sheets, const ReportInfo& info,
                                 const Control& control) {
    QTemporaryDir dir;
    if (!dir.isValid()) return QStringLiteral("无法生成报表：没有可用的临时文件夹！");
    const QString temp = dir.filePath(QStringLiteral("report.pdf"));
    {
        QPdfWriter writer(temp);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 12, 12, 12), QPageLayout::Millimeter);
        writer.setResolution(300);
        writer.setTitle(sheets.empty() ? QString() : sheets.front().title);
        writer.setCreator(QStringLiteral("Korvane"));
        if (std::optional<QString> failure = paint(writer, alignment, sheets, info, control))
            return failure;
    }
    if (control.cancel && control.cancel->load()) return QLatin1String(kCancelled);
    files::Result<std::string> bytes =
        files::read_whole_file(temp.toStdString(), std::size_t{1} << 31);
    if (!bytes) return qs(bytes.failure().message);
    if (std::optional<files::Error> error = files::replace_file(path.toStdString(), bytes.value()))
        return qs(error->message);
    return std::nullopt;
}

}  // namespace korvane::report
