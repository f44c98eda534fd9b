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
    settings_ = new TextTable(sectionSettingHeaders(), undo, this);
    parts_ = new TextTable(sectionPartHeaders(), undo, this);
    superelevation_ = new TextTable(superelevationHeaders(), undo, this);
    widening_ = new TextTable(wideningHeaders(), undo, this);
    for (TextTable* t : {start_, elements_, points_, breaks_, profile_, settings_, parts_,
                         superelevation_, widening_})
        connect(t, &TextTable::edited, this, [this] {
            if (!loading_) emit edited();
        });

    startView_ = tableView("startTable", start_);
    startView_->setMaximumHeight(64);
    elementView_ = tableView("elementTable", elements_);
    pointView_ = tableView("pointTable", points_);
    breakView_ = tableView("breakTable", breaks_);
    profileView_ = tableView("profileTable", profile_);
    settingsView_ = tableView("sectionSettingsTable", settings_);
    settingsView_->setMaximumHeight(64);
    partsView_ = tableView("sectionPartTable", parts_);
    superelevationView_ = tableView("superelevationTable", superelevation_);
    wideningView_ = tableView("wideningTable", widening_);
    for (QTableView* v : {startView_, elementView_, pointView_, breakView_, profileView_,
                          settingsView_, partsView_, superelevationView_, wideningView_})
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

    auto* section = new QWidget;
    auto* sl = new QVBoxLayout(section);
    sl->setContentsMargins(4, 4, 4, 4);
    sl->addWidget(settingsView_);
    sl->addWidget(withRowButtons(
                      nullptr, partsView_, [this] { return parts_; }, "sectionPart"),
                  1);
    definitionTabs_->addTab(section, QStringLiteral("路幅"));
    auto* records = new QWidget;
    auto* rl = new QVBoxLayout(records);
    rl->setContentsMargins(4, 4, 4, 4);
    const auto titled = [](const QString& title, QWidget* inside) {
        auto* box = new QGroupBox(title);
        auto* l = new QVBoxLayout(box);
        l->setContentsMargins(4, 4, 4, 4);
        l->addWidget(inside);
        return box;
    };
    QWidget* slopes = withRowButtons(
        nullptr, superelevationView_, [this] { return superelevation_; }, "superelevation");
    QWidget* widths = withRowButtons(
        nullptr, wideningView_, [this] { return widening_; }, "widening");
    recordButtons_[0] = slopes;
    recordButtons_[1] = widths;
    rl->addWidget(titled(QStringLiteral("超高"), slopes), 1);
    rl->addWidget(titled(QStringLiteral("加宽"), widths), 1);
    definitionTabs_->addTab(records, QStringLiteral("超高加宽"));

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
    settings_->reset(t.section.settings.empty() ? std::vector<QStringList>{{}}
                                                : t.section.settings);
    parts_->reset(t.section.parts);
    // An alignment by intersection points derives its records from its points.
    superelevation_->setReadOnly(byPoints_);
    widening_->setReadOnly(byPoints_);
    superelevation_->reset(byPoints_ ? std::vector<QStringList>{} : t.section.superelevation);
    widening_->reset(byPoints_ ? std::vector<QStringList>{} : t.section.widening);
    loading_ = false;
    for (QWidget* box : recordButtons_)
        for (QPushButton* b : box->findChildren<QPushButton*>()) b->setVisible(!byPoints_);
    using namespace columns;
    fitColumns(startView_, {kStartChainage, kStartX, kStartY});
    fitColumns(elementView_, {kCorner});
    fitColumns(pointView_, {kPointX, kPointY});
    fitColumns(breakView_, {kBack, kAhead});
    fitColumns(profileView_, {kVerticalChainage});
    for (QTableView* v : {settingsView_, partsView_, superelevationView_, wideningView_})
        v->resizeColumnsToContents();
    elementView_->parentWidget()->setVisible(!byPoints_);
    pointView_->parentWidget()->setVisible(byPoints_);
}

void DefinitionPane::blankPoints() {
    points_->reset(
        {{QStringLiteral("QD"), {}, {}, {}, {}, {}}, {QStringLiteral("ZD"), {}, {}, {}, {}, {}}});
}

ReadTexts DefinitionPane::read() const {
    return readTexts(
        byPoints_, start_->rows(), horizontal()->rows(), breaks_->rows(), profile_->rows(),
        {settings_->rows(), parts_->rows(), superelevation_->rows(), widening_->rows()});
}

TextTable* DefinitionPane::tableOf(TableKind kind) const {
    switch (kind) {
        case TableKind::start:
            return start_;
        case TableKind::horizontal:
            return horizontal();
        case TableKind::breaks:
            return breaks_;
        case TableKind::profile:
            return profile_;
        case TableKind::sectionSettings:
            return settings_;
        case TableKind::superelevation:
            return superelevation_;
        case TableKind::widening:
            return widening_;
        default:
            return parts_;
    }
}

RowError DefinitionPane::resolved(const RowError& error) const {
    RowError e = error;
    if (e.table == TableKind::leftPart || e.table == TableKind::rightPart) {
        e.row = partRow(parts_->rows(), e.table == TableKind::leftPart, e.row);
        e.table = TableKind::parts;
    }
    const TextTable* t = tableOf(e.table);
    if (e.row < 0) e.row = t->rowCount() - 1;
    // A failure of the section with no row of its own (a record refused on
    // an alignment whose records are derived) shows at the settings.
    if ((e.row < 0 || e.row >= t->rowCount()) &&
        (e.table == TableKind::superelevation || e.table == TableKind::widening ||
         e.table == TableKind::parts)) {
        e.table = TableKind::sectionSettings;
        e.row = 0;
        e.column = -1;
    }
    return e;
}

void DefinitionPane::showDerived(const route::Alignment* alignment) {
    if (!byPoints_) return;
    DerivedTexts derived;
    if (alignment) derived = derivedTextsOf(*alignment);
    loading_ = true;
    superelevation_->reset(std::move(derived.superelevation));
    widening_->reset(std::move(derived.widening));
    loading_ = false;
    superelevationView_->resizeColumnsToContents();
    wideningView_->resizeColumnsToContents();
}

DefinitionPane::Checked DefinitionPane::check() {
    ReadTexts read = this->read();
    std::optional<route::Outcome<route::Alignment>> built;
    if (read.definition) built.emplace(route::Alignment::build(*read.definition));
    Checked checked;
    if (built && *built)
        checked.alignment = std::make_shared<const route::Alignment>(std::move(*built).value());
    showDerived(checked.alignment.get());

    std::vector<std::vector<QString>> errors;
    const std::vector<TextTable*> tables{start_,    horizontal(), breaks_,         profile_,
                                         settings_, parts_,       superelevation_, widening_};
    errors.reserve(tables.size());
    for (TextTable* t : tables) errors.emplace_back(static_cast<std::size_t>(t->rowCount()));
    const auto place = [&](const RowError& error) {
        const RowError e = resolved(error);
        const TextTable* t = tableOf(e.table);
        const int row = e.row < 0 ? t->rowCount() - 1 : e.row;  // -1: the last row
        const std::size_t k = static_cast<std::size_t>(e.table);
        if (row >= 0 && row < t->rowCount() && errors[k][static_cast<std::size_t>(row)].isEmpty())
            errors[k][static_cast<std::size_t>(row)] = e.message;
    };
    if (!read.definition) {
        for (const RowError& e : read.errors) place(e);
        checked.error = read.errors.front().message;
    } else if (checked.alignment) {
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
        place(placeOf(built->failure(), read));
        checked.error = qs(built->failure().message);
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

QTableView* DefinitionPane::select(const RowError& error) {
    const RowError e = resolved(error);
    QTableView* view = nullptr;
    int tab = 0;
    switch (e.table) {
        case TableKind::start:
            view = startView_;
            break;
        case TableKind::horizontal:
            view = byPoints_ ? pointView_ : elementView_;
            break;
        case TableKind::breaks:
            view = breakView_;
            tab = 1;
            break;
        case TableKind::profile:
            view = profileView_;
            tab = 2;
            break;
        case TableKind::sectionSettings:
            view = settingsView_;
            tab = 3;
            break;
        case TableKind::superelevation:
            view = superelevationView_;
            tab = 4;
            break;
        case TableKind::widening:
            view = wideningView_;
            tab = 4;
            break;
        default:
            view = partsView_;
            tab = 3;
            break;
    }
    definitionTabs_->setCurrentIndex(tab);
    view->setCurrentIndex(view->model()->index(e.row, e.column < 0 ? 0 : e.column));
    return view;
}

}  // namespace korvane::ui
