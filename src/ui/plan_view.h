// The plan of an alignment (平面图): elements to scale, told apart by kind,
// main points and intersection points labelled, chainage ticks, computed
// points; wheel zoom about the cursor, drag to pan, fit to the window.
#pragma once

#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

#include "route/alignment.h"

namespace korvane::ui {

// A computed point drawn on the plan: northing x, easting y (metres).
struct PlanMark {
    double x = 0;
    double y = 0;
    QString label;
};

class PlanView : public QWidget {
    Q_OBJECT

  public:
    explicit PlanView(QWidget* parent = nullptr);  // objectName "planView"

    // The alignment drawn (nothing when null); the view is fitted to it.
    void setAlignment(std::shared_ptr<const route::Alignment> alignment);
    // Computed points drawn over the alignment (replacing earlier ones).
    void setMarks(std::vector<PlanMark> marks);
    // Scales and centres the view on the whole alignment (适合窗口).
    void fit();

  signals:
    // The ground position under the mouse, northing x and easting y (metres).
    void cursorMoved(double x, double y);

  private:
    std::shared_ptr<const route::Alignment> alignment_;
    std::vector<PlanMark> marks_;
};

}  // namespace korvane::ui
