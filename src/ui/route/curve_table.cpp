#include "ui/route/curve_table.h"

#include <QHeaderView>
#include <QTableWidgetItem>
#include <string>

#include "files/curve_output.h"
#include "report/report.h"
#include "route/curves.h"

namespace korvane::ui {

namespace {

constexpr int kDecimals = 3;

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

CurveTable::CurveTable(QWidget* parent) : QTableWidget(0, 21, parent) {
    setObjectName(QStringLiteral("curveTable"));
    setHorizontalHeaderLabels(
        {QStringLiteral("交点"), QStringLiteral("桩号"), QStringLiteral("X"),
         QStringLiteral("Y"),    QStringLiteral("转角"), QStringLiteral("方向"),
         QStringLiteral("R"),    QStringLiteral("Ls1"),  QStringLiteral("Ls2"),
         QStringLiteral("A1"),   QStringLiteral("A2"),   QStringLiteral("T1"),
         QStringLiteral("T2"),   QStringLiteral("L"),    QStringLiteral("Ly"),
         QStringLiteral("E"),    QStringLiteral("ZH"),   QStringLiteral("HY"),
         QStringLiteral("QZ"),   QStringLiteral("YH"),   QStringLiteral("HZ")});
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->setDefaultSectionSize(24);
    verticalHeader()->hide();
}

void CurveTable::showCurves(const route::Alignment* alignment,
                            const route::Definition* definition) {
    clearSpans();
    if (!alignment || !definition) {
        setRowCount(0);
        return;
    }
    route::Outcome<std::vector<route::CurveRow>> rows = route::curve_table(*definition, *alignment);
    if (!rows) {
        // One line across the table says why there are no rows.
        setRowCount(1);
        setSpan(0, 0, 1, columnCount());
        setItem(0, 0, new QTableWidgetItem(qs(rows.failure().message)));
        return;
    }
    const std::vector<route::CurveRow>& list = rows.value();
    setRowCount(static_cast<int>(list.size()));
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::vector<std::string> fields = files::curve_fields(*alignment, list[i], kDecimals);
        for (std::size_t c = 0; c < fields.size(); ++c) {
            QString text = qs(fields[c]);
            if (c == 4 && !text.isEmpty()) text = report::dms_text(list[i].deflection);
            auto* item = new QTableWidgetItem(text);
            const bool number = c >= 2 && c != 5 && c < 16;
            item->setTextAlignment((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
            setItem(static_cast<int>(i), static_cast<int>(c), item);
        }
    }
    resizeColumnsToContents();
}

}  // namespace korvane::ui
