// The route window's left pane: the alignment as tables of texts (its start,
// its elements or intersection points, chain breaks, vertical points), each
// with its row buttons, and the table of the main points of the alignment
// they spell.
#pragma once

#include <QSplitter>
#include <memory>
#include <optional>

#include "route/alignment.h"
#include "route/definition.h"
#include "ui/route/route_tables.h"

class QTableView;
class QTableWidget;
class QTabWidget;
class QUndoStack;

namespace korvane::ui {

class CurveTable;

class DefinitionPane : public QSplitter {
    Q_OBJECT

  public:
    // Every edit of the tables goes through `undo`.
    explicit DefinitionPane(QUndoStack* undo, QWidget* parent = nullptr);

    // Every table filled from `texts` at once (one edited() for all, not one
    // a table), the columns sized to their texts and the table of the other
    // method hidden.
    void load(const DefinitionTexts& texts);
    // Empties the table of intersection points to its start and end points,
    // named but without coordinates.
    void blankPoints();
    bool byPoints() const { return byPoints_; }

    // The definition the tables spell, or the error of each wrong row.
    ReadTexts read() const;

    // What the tables make: the alignment, or why there is none.
    struct Checked {
        std::optional<route::Definition> definition;
        std::shared_ptr<const route::Alignment> alignment;
        QString error;  // the first error, empty with an alignment
    };
    // Reads the tables, builds the alignment, and shows each row's error in
    // its row.
    Checked check();
    // The main points of `alignment` in their table (empty for none).
    void showKeyPoints(const route::Alignment* alignment);
    // The curve elements table of `alignment` built from `definition`, in
    // the tab beside the main points.
    void showCurves(const route::Alignment* alignment, const route::Definition* definition);
    // Shows the table of `error` with its cell current; returns its view.
    QTableView* select(const RowError& error);

  signals:
    // After a change of any table's texts but the load of them all.
    void edited();

  private:
    TextTable* horizontal() const { return byPoints_ ? points_ : elements_; }
    TextTable* tableOf(TableKind kind) const;
    // The table row `error` names (a segment of a side found in the template
    // table), -1 for the last row.
    RowError resolved(const RowError& error) const;
    // The records an alignment by intersection points derives, shown read-only.
    void showDerived(const route::Alignment* alignment);

    bool byPoints_ = false;
    bool loading_ = false;  // the tables are being filled
    TextTable* start_;
    TextTable* elements_;
    TextTable* points_;
    TextTable* breaks_;
    TextTable* profile_;
    TextTable* settings_;
    TextTable* parts_;
    TextTable* superelevation_;
    TextTable* widening_;
    QTableView* startView_;
    QTableView* elementView_;
    QTableView* pointView_;
    QTableView* breakView_;
    QTableView* profileView_;
    QTableView* settingsView_;
    QTableView* partsView_;
    QTableView* superelevationView_;
    QTableView* wideningView_;
    QWidget* recordButtons_[2] = {};
    QTabWidget* definitionTabs_;
    QTableWidget* keyPoints_;
    CurveTable* curves_;
};

}  // namespace korvane::ui
