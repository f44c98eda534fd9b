#include "ui/route/definition_pane.h"

#include <QAbstractItemView>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStringList>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTableWidgetItem>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "geometry/fixed_text.h"
#include "route/angle.h"
#include "route/checks.h"
#include "ui/route/curve_table.h"
#include "ui/route/route_results.h"
#include "ui/route/table_clipboard.h"
#include "ui/route/table_view.h"

namespace korvane::ui {

namespace {

constexpr int kDecimals = 3;

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Columns sized to their texts, those of coordinates and chainages at least
// as wide as a national-grid coordinate or a long chainage as typed
// ("3457250.123", "K123+456.789"), so that typing one shows it whole.
void fitColumns(QTableView* view, std::initializer_list<int> wide) {
    view->resizeColumnsToContents();
    const int least = view->fontMetrics().horizontalAdvance(QStringLiteral("-3457250.1234")) + 16;
    for (int c : wide) view->setColumnWidth(c, std::max(view->columnWidth(c), least));
}

// The width the texts of column `c` take (QTableView keeps it protected).
int textWidth(QAbstractItemView* view, int c) {
    return view->sizeHintForColumn(c);
}

// A column grows when a text typed or pasted into it is wider than it.
void growWithTexts(QTableView* view) {
    QObject::connect(view->model(), &QAbstractItemModel::dataChanged, view,
                     [view](const QModelIndex& first, const QModelIndex& last) {
                         for (int c = first.column(); c <= last.column(); ++c) {
                             const int wanted = textWidth(view, c);
                             if (wanted > view->columnWidth(c)) view->setColumnWidth(c, wanted);
                         }
                     });
    QObject::connect(view->model(), &QAbstractItemModel::modelReset, view, [view] {
        for (int c = 0; c + 1 < view->model()->columnCount(); ++c) {
            const int wanted = textWidth(view, c);
            if (wanted > view->columnWidth(c)) view->setColumnWidth(c, wanted);
        }
    });
}

}  // namespace

DefinitionPane::DefinitionPane(QUndoStack* undo, QWidget* parent)
    : QSplitter(Qt::Vertical, parent) {
    start_ = new TextTable(startHeaders(false), undo, this);
    start_->setFixedRowCount(true);
    elements_ = new TextTable(elementHeaders(), undo, this);
    points_ = new TextTable(pointHeaders(), undo, this);
    points_->setFixedRows(1, 1);
    points_->setFixedRowColumns(columns::kPointRadius);
    breaks_ = new TextTable(breakHeaders(), undo, this);
    profile_ = new TextTable(profileHeaders(), undo, this);
    for (TextTable* t : {start_, elements_, points_, breaks_, profile_})
        connect(t, &TextTable::edited, this, [this] {
            if (!loading_) emit edited();
        });

    startView_ = tableView("startTable", start_);
    startView_->setMaximumHeight(64);
    elementView_ = tableView("elementTable", elements_);
    pointView_ = tableView("pointTable", points_);
    breakView_ = tableView("breakTable", breaks_);
    profileView_ = tableView("profileTable", profile_);
    for (QTableView* v : {startView_, elementView_, pointView_, breakView_, profileView_})
        growWithTexts(v);

    // Row buttons under a table: insert before the current row, or at the end;
    // remove the current row.
    const auto withRowButtons = [this](QWidget* top, QTableView* view, auto tableOf,
                                       const char* prefix) {
        auto* box = new QWidget;
        auto* layout = new QVBoxLayout(box);
        layout->setContentsMargins(0, 0, 0, 0);
        if (top) layout->addWidget(top);
        layout->addWidget(view, 1);
        auto* buttons = new QHBoxLayout;
        auto* add = new QPushButton(QStringLiteral("插入行"));
        add->setObjectName(QLatin1String(prefix) + QStringLiteral("InsertButton"));
        auto* remove = new QPushButton(QStringLiteral("删除行"));
        remove->setObjectName(QLatin1String(prefix) + QStringLiteral("RemoveButton"));
        buttons->addWidget(add);
        buttons->addWidget(remove);
        buttons->addStretch();
        layout->addLayout(buttons);
        connect(add, &QPushButton::clicked, this, [view, tableOf] {
            TextTable* t = tableOf();
            const int current = view->currentIndex().isValid() ? view->currentIndex().row()
                                                               : t->rowCount() - t->fixedTail();
            const int at = t->canInsertAt(current) ? current : t->rowCount() - t->fixedTail();
            // An intersection point gets the name after the one before it.
            QStringList cells;
            if (t->fixedTail() > 0 && at > 0)
                cells.append(nextPointName(t->cell(at - 1, columns::kPointName)));
            t->insertRowOf(at, cells);
        });
        connect(remove, &QPushButton::clicked, this, [view, tableOf] {
            if (view->currentIndex().isValid()) tableOf()->removeRowAt(view->currentIndex().row());
        });
        return box;
    };

    auto* horizontal = new QWidget;
    auto* hl = new QVBoxLayout(horizontal);
    hl->setContentsMargins(4, 4, 4, 4);
    hl->addWidget(startView_);
    hl->addWidget(withRowButtons(
                      nullptr, elementView_, [this] { return elements_; }, "element"),
                  1);
    hl->addWidget(withRowButtons(
                      nullptr, pointView_, [this] { return points_; }, "point"),
                  1);

    definitionTabs_ = new QTabWidget;
    definitionTabs_->setObjectName(QStringLiteral("definitionTabs"));
    definitionTabs_->addTab(horizontal, QStringLiteral("平曲线"));
    definitionTabs_->addTab(withRowButtons(
                                nullptr, breakView_, [this] { return breaks_; }, "break"),
                            QStringLiteral("断链"));
    definitionTabs_->addTab(withRowButtons(
                                nullptr, profileView_, [this] { return profile_; }, "profile"),
                            QStringLiteral("变坡点"));

    keyPoints_ = new QTableWidget(0, 6);
    keyPoints_->setObjectName(QStringLiteral("keyPointTable"));
    keyPoints_->setHorizontalHeaderLabels({QStringLiteral("主点"), QStringLiteral("桩号"),
                                           QStringLiteral("X"), QStringLiteral("Y"),
                                           QStringLiteral("方位角"), QStringLiteral("半径")});
    keyPoints_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    keyPoints_->verticalHeader()->setDefaultSectionSize(24);
    keyPoints_->horizontalHeader()->setStretchLastSection(true);
    enableClipboard(keyPoints_);
    // The main points, and beside them the curve elements table.
    curves_ = new CurveTable;
    auto* keyTabs = new QTabWidget;
    keyTabs->setObjectName(QStringLiteral("keyPointTabs"));
    keyTabs->addTab(keyPoints_, QStringLiteral("主点"));
    keyTabs->addTab(curves_, QStringLiteral("直曲表"));

    addWidget(definitionTabs_);
    addWidget(keyTabs);
    setStretchFactor(0, 3);
    setStretchFactor(1, 2);
}

void DefinitionPane::load(const DefinitionTexts& t) {
    byPoints_ = t.byPoints;
    loading_ = true;
    start_->setHeaders(startHeaders(byPoints_));
    start_->reset(t.start);
    elements_->reset(byPoints_ ? std::vector<QStringList>{} : t.horizontal);
    points_->reset(byPoints_ ? t.horizontal : std::vector<QStringList>{});
    breaks_->reset(t.breaks);
    profile_->reset(t.profile);
    loading_ = false;
    using namespace columns;
    fitColumns(startView_, {kStartChainage, kStartX, kStartY});
    fitColumns(elementView_, {kCorner});
    fitColumns(pointView_, {kPointX, kPointY});
    fitColumns(breakView_, {kBack, kAhead});
    fitColumns(profileView_, {kVerticalChainage});
    elementView_->parentWidget()->setVisible(!byPoints_);
    pointView_->parentWidget()->setVisible(byPoints_);
}

void DefinitionPane::blankPoints() {
    points_->reset(
        {{QStringLiteral("QD"), {}, {}, {}, {}, {}}, {QStringLiteral("ZD"), {}, {}, {}, {}, {}}});
}

ReadTexts DefinitionPane::read() const {
    return readTexts(byPoints_, start_->rows(), horizontal()->rows(), breaks_->rows(),
                     profile_->rows());
}

DefinitionPane::Checked DefinitionPane::check() {
    TextTable* horizontal = this->horizontal();
    ReadTexts read = this->read();
    const auto tableOf = [&](TableKind k) -> TextTable* {
        switch (k) {
            case TableKind::start:
                return start_;
            case TableKind::horizontal:
                return horizontal;
            case TableKind::breaks:
                return breaks_;
            default:
                return profile_;
        }
    };
    std::vector<std::vector<QString>> errors;
    const std::vector<TextTable*> tables{start_, horizontal, breaks_, profile_};
    errors.reserve(tables.size());
    for (TextTable* t : tables) errors.emplace_back(static_cast<std::size_t>(t->rowCount()));
    const auto place = [&](const RowError& e) {
        TextTable* t = tableOf(e.table);
        const int row = e.row < 0 ? t->rowCount() - 1 : e.row;
        const std::size_t k = static_cast<std::size_t>(e.table);
        if (row >= 0 && row < t->rowCount() && errors[k][static_cast<std::size_t>(row)].isEmpty())
            errors[k][static_cast<std::size_t>(row)] = e.message;
    };
    Checked checked;
    if (!read.definition) {
        for (const RowError& e : read.errors) place(e);
        checked.error = read.errors.front().message;
    } else {
        route::Outcome<route::Alignment> built = route::Alignment::build(*read.definition);
        if (built) {
            checked.alignment = std::make_shared<const route::Alignment>(std::move(built).value());
            // What computes but deserves a word (a jump of curvature) shows at
            // its row without stopping anything.
            for (const route::Notice& n : route::definition_notices(*read.definition)) {
                const int row =
                    n.element >= 0 && static_cast<std::size_t>(n.element) < read.elementRows.size()
                        ? read.elementRows[static_cast<std::size_t>(n.element)]
                        : n.element;
                place({TableKind::horizontal, row, -1, QStringLiteral("注意：") + qs(n.message)});
            }
        } else {
            place(placeOf(built.failure(), read));
            checked.error = qs(built.failure().message);
        }
    }
    for (const RowError& e : read.blank) place(e);
    for (std::size_t k = 0; k < tables.size(); ++k) tables[k]->setErrors(std::move(errors[k]));
    checked.definition = std::move(read.definition);
    return checked;
}

void DefinitionPane::showKeyPoints(const route::Alignment* alignment) {
    keyPoints_->setRowCount(0);
    if (!alignment) return;
    const auto& keys = alignment->key_points();
    keyPoints_->setRowCount(static_cast<int>(keys.size()));
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const route::KeyPoint& k = keys[i];
        std::string station = alignment->chainage_text(k.chainage, kDecimals);
        if (k.ahead) {
            station += '=';
            station += alignment->chainage_text(*k.ahead, kDecimals);
        }
        const QStringList cells{qs(k.label),
                                qs(station),
                                qs(geometry::shown_fixed(k.x, kDecimals)),
                                qs(geometry::shown_fixed(k.y, kDecimals)),
                                qs(route::format_azimuth(k.azimuth, 2)),
                                std::isinf(k.radius)
                                    ? QStringLiteral("∞")
                                    : qs(geometry::shown_fixed(k.radius, kDecimals))};
        for (int c = 0; c < cells.size(); ++c)
            keyPoints_->setItem(static_cast<int>(i), c, new QTableWidgetItem(cells[c]));
    }
    keyPoints_->resizeColumnsToContents();
}

void DefinitionPane::showCurves(const route::Alignment* alignment,
                                const route::Definition* definition) {
    curves_->showCurves(alignment, definition);
}

QTableView* DefinitionPane::select(const RowError& e) {
    QTableView* view = e.table == TableKind::start        ? startView_
                       : e.table == TableKind::horizontal ? (byPoints_ ? pointView_ : elementView_)
                       : e.table == TableKind::breaks     ? breakView_
                                                          : profileView_;
    definitionTabs_->setCurrentIndex(e.table == TableKind::breaks    ? 1
                                     : e.table == TableKind::profile ? 2
                                                                     : 0);
    view->setCurrentIndex(view->model()->index(e.row, e.column < 0 ? 0 : e.column));
    return view;
}

}  // namespace korvane::ui
