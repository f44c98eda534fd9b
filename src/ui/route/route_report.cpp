#include "ui/route/route_report.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPrintDialog>
#include <QPrinter>
#include <cmath>

#include "report/sheets.h"

namespace korvane::ui {

namespace {

// The alignment the report is headed by: the rows', or the curves' alone.
const route::Alignment* alignmentOf(const ReportContent& content) {
    if (content.rows && content.rows->alignment() && content.rows->size() > 0)
        return content.rows->alignment();
    return content.alignment.get();
}

report::Control controlOf(const WriteControl& control) {
    return report::Control{control.cancel, control.progress};
}

// Inverted points: one row each, as the results table shows them.
report::Sheet inverseSheet(const std::shared_ptr<const ResultStore>& rows, const QString& range) {
    report::Sheet sheet;
    sheet.title = QStringLiteral("点位反算成果表");
    sheet.range = range;
    sheet.rows = rows->size();
    const QStringList headers = ResultModel::headersOf(rows->kind());
    QStringList sample = rows->size() > 0 ? ResultModel::rowTextsOf(*rows, 0) : QStringList();
    for (qsizetype c = 0; c < headers.size(); ++c) {
        QString widest = c < sample.size() ? sample[c] + QStringLiteral("00") : QString();
        if (widest.size() < 10) widest = QStringLiteral("0000000.000");
        sheet.columns.push_back({QString(), headers[c], widest, c != 0});
    }
    sheet.cells = [rows](std::size_t i) { return ResultModel::rowTextsOf(*rows, i); };
    return sheet;
}

}  // namespace

std::optional<report::ReportInfo> askReportInfo(QWidget* parent,
                                                const report::ReportInfo& initial) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("signOffDialog"));
    dialog.setWindowTitle(QStringLiteral("报表页眉与签名"));
    auto* form = new QFormLayout(&dialog);
    const auto field = [&](const char* name, const QString& label, const QString& text) {
        auto* edit = new QLineEdit(text);
        edit->setObjectName(QLatin1String(name));
        edit->setMinimumWidth(320);
        form->addRow(label, edit);
        return edit;
    };
    QLineEdit* project = field("projectEdit", QStringLiteral("项目名称："), initial.project);
    QLineEdit* section = field("sectionEdit", QStringLiteral("合同段："), initial.section);
    QLineEdit* coordinates =
        field("coordinateSystemEdit", QStringLiteral("坐标系："), initial.coordinates);
    QLineEdit* heights = field("elevationSystemEdit", QStringLiteral("高程系："), initial.heights);
    QLineEdit* computed = field("computedByEdit", QStringLiteral("计算："), initial.computedBy);
    QLineEdit* checked = field("checkedByEdit", QStringLiteral("复核："), initial.checkedBy);
    QLineEdit* approved = field("approvedByEdit", QStringLiteral("审核："), initial.approvedBy);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    report::ReportInfo info = initial;
    info.project = project->text().trimmed();
    info.section = section->text().trimmed();
    info.coordinates = coordinates->text().trimmed();
    info.heights = heights->text().trimmed();
    info.computedBy = computed->text().trimmed();
    info.checkedBy = checked->text().trimmed();
    info.approvedBy = approved->text().trimmed();
    return info;
}

std::vector<report::Sheet> reportSheets(const ReportContent& content) {
    std::vector<report::Sheet> sheets;
    const std::shared_ptr<const ResultStore>& rows = content.rows;
    if (!rows || !rows->alignment() || rows->size() == 0) {
        if (content.alignment && !content.curves.empty())
            sheets.push_back(report::curve_sheet(*content.alignment, content.curves));
        return sheets;
    }
    const route::Alignment& a = *rows->alignment();
    if (!content.curves.empty()) sheets.push_back(report::curve_sheet(a, content.curves));
    if (rows->kind() == ResultKind::inverse) {
        sheets.push_back(inverseSheet(rows, content.range));
        return sheets;
    }
    report::StakeRows stakes;
    stakes.size = rows->size();
    stakes.row = [rows](std::size_t i) {
        const ResultRow& r = rows->row(i);
        route::TableRow t;
        t.zone = r.zone;
        t.chainage = r.chainage;
        t.label = rows->text(r.text);
        t.offset = r.offset;
        t.x = r.x;
        t.y = r.y;
        t.azimuth = r.azimuth;
        if (!std::isnan(r.h)) t.elevation = r.h;
        return t;
    };
    sheets.push_back(report::stake_sheet(a, std::move(stakes), content.range));
    return sheets;
}

std::optional<QString> paintResultReport(QPagedPaintDevice& device, const ReportContent& content,
                                         const report::ReportInfo& info,
                                         const WriteControl& control) {
    const std::vector<report::Sheet> sheets = reportSheets(content);
    if (sheets.empty()) return QStringLiteral("没有可打印的结果！");
    std::optional<QString> failure =
        report::paint(device, *alignmentOf(content), sheets, info, controlOf(control));
    if (failure && *failure == QLatin1String(report::kCancelled))
        return QLatin1String(kWriteCancelled);
    return failure;
}

std::optional<QString> writeResultReportPdf(const ReportContent& content, const QString& path,
                                            const report::ReportInfo& info,
                                            const WriteControl& control) {
    const std::vector<report::Sheet> sheets = reportSheets(content);
    if (sheets.empty()) return QStringLiteral("没有可导出的结果！");
    std::optional<QString> failure =
        report::write_pdf(path, *alignmentOf(content), sheets, info, controlOf(control));
    if (failure && *failure == QLatin1String(report::kCancelled))
        return QLatin1String(kWriteCancelled);
    return failure;
}

std::optional<QString> printResultReport(QWidget* parent, const ReportContent& content,
                                         const report::ReportInfo& info) {
    QPrinter printer;
    printer.setPageSize(QPageSize(QPageSize::A4));
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return paintResultReport(printer, content, info);
}

}  // namespace korvane::ui
