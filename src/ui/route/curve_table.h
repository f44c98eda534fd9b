// The curve elements table (直曲表) of the alignment in the window, beside
// its main points: the rows `route curves` writes, with the deflection in
// degrees, minutes and seconds; for an alignment by elements, a line saying
// why there is none.
#pragma once

#include <QTableWidget>

#include "route/alignment.h"
#include "route/definition.h"

namespace korvane::ui {

class CurveTable : public QTableWidget {
    Q_OBJECT

  public:
    explicit CurveTable(QWidget* parent = nullptr);

    // The rows of `alignment` built from `definition`; empty for none.
    void showCurves(const route::Alignment* alignment, const route::Definition* definition);
};

}  // namespace korvane::ui
