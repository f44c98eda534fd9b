#include "ui/route/route_report.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFont>
#include <QFormLayout>
#include <QLineEdit>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QRect>
#include <QRectF>
#include <QStringList>
#include <QTemporaryDir>
#include <atomic>
#include <cstddef>
#include <string>

#include "files/error.h"
#include "files/read_file.h"
#include "files/safe_write.h"

namespace korvane::ui {

namespace {

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string str(const QString& s) {
    return s.toStdString();
}

}  // namespace

std::optional<SignOff> askSignOff(QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("signOffDialog"));
    dialog.setWindowTitle(QStringLiteral("报表签名"));
    auto* form = new QFormLayout(&dialog);
    auto* computed = new QLineEdit;
    auto* checked = new QLineEdit;
    auto* approved = new QLineEdit;
    form->addRow(QStringLiteral("计算："), computed);
    form->addRow(QStringLiteral("复核："), checked);
    form->addRow(QStringLiteral("审核："), approved);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return SignOff{computed->text(), checked->text(), approved->text()};
}

std::optional<QString> paintResultReport(QPagedPaintDevice& device, const ResultStore& rows,
                                         const QString& rangeText, const SignOff& signOff,
                                         const WriteControl& control) {
    QPainter painter;
    if (!painter.begin(&device)) return QStringLiteral("无法生成报表！");
    const QRect page = painter.viewport();
    const double unit = page.width() / 190.0;  // about one millimetre
    QFont body = painter.font();
    body.setPixelSize(static_cast<int>(3.2 * unit));
    QFont title = body;
    title.setPixelSize(static_cast<int>(6 * unit));
    title.setBold(true);
    const int line = static_cast<int>(5 * unit);
    const QStringList headers = ResultModel::headersOf(rows.kind());
    const int columns = static_cast<int>(headers.size());
    const double columnWidth = page.width() / static_cast<double>(columns);
    const std::string name = rows.alignment()->name();
    const QString heading = rows.kind() == ResultKind::table ? QStringLiteral("逐桩坐标表")
                                                             : QStringLiteral("点位反算成果表");
    std::size_t next = 0;
    int pageNumber = 1;
    for (;;) {
        if (control.cancel && control.cancel->load(std::memory_order_relaxed)) {
            painter.end();
            return QLatin1String(kWriteCancelled);
        }
        if (control.progress) control.progress(next);
        int y = 0;
        painter.setFont(title);
        painter.drawText(QRect(0, y, page.width(), 2 * line), Qt::AlignCenter, heading);
        y += 2 * line;
        painter.setFont(body);
        painter.drawText(QRect(0, y, page.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("线路：%1    %2").arg(qs(name), rangeText));
        painter.drawText(QRect(0, y, page.width(), line), Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("第%1页").arg(pageNumber));
        y += line + line / 2;
        for (int c = 0; c < columns; ++c)
            painter.drawText(QRectF(c * columnWidth, y, columnWidth, line), Qt::AlignCenter,
                             headers[c]);
        y += line;
        painter.drawLine(0, y, page.width(), y);
        const int bottom = page.height() - 3 * line;
        while (next < rows.size() && y + line <= bottom) {
            const QStringList cells = ResultModel::rowTextsOf(rows, next);
            for (int c = 0; c < columns; ++c)
                painter.drawText(QRectF(c * columnWidth, y, columnWidth - unit, line),
                                 Qt::AlignRight | Qt::AlignVCenter, cells[c]);
            y += line;
            ++next;
        }
        if (next >= rows.size()) {
            y += line;
            painter.drawText(QRect(0, y, page.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
                             QStringLiteral("计算：%1        复核：%2        审核：%3")
                                 .arg(signOff.computedBy.leftJustified(8, QChar(0x3000)),
                                      signOff.checkedBy.leftJustified(8, QChar(0x3000)),
                                      signOff.approvedBy.leftJustified(8, QChar(0x3000))));
            break;
        }
        if (!device.newPage()) break;
        ++pageNumber;
    }
    if (!painter.end()) return QStringLiteral("无法生成报表！");
    return std::nullopt;
}

std::optional<QString> writeResultReportPdf(const ResultStore& rows, const QString& rangeText,
                                            const QString& path, const SignOff& signOff,
                                            const WriteControl& control) {
    QTemporaryDir dir;
    if (!dir.isValid()) return QStringLiteral("无法生成报表：没有可用的临时文件夹！");
    const QString temp = dir.filePath(QStringLiteral("report.pdf"));
    {
        QPdfWriter writer(temp);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(300);
        writer.setTitle(QStringLiteral("逐桩坐标表"));
        if (std::optional<QString> failure =
                paintResultReport(writer, rows, rangeText, signOff, control))
            return failure;
    }
    if (control.cancel && control.cancel->load()) return QLatin1String(kWriteCancelled);
    files::Result<std::string> bytes = files::read_whole_file(str(temp), std::size_t{1} << 31);
    if (!bytes) return qs(bytes.failure().message);
    if (std::optional<files::Error> error = files::replace_file(str(path), bytes.value()))
        return qs(error->message);
    return std::nullopt;
}

std::optional<QString> printResultReport(QWidget* parent, const ResultStore& rows,
                                         const QString& rangeText, const SignOff& signOff) {
    QPrinter printer;
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return paintResultReport(printer, rows, rangeText, signOff);
}

}  // namespace korvane::ui
