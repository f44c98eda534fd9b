// The vertical profile of an alignment (纵断面图): the design line, vertical
// points of intersection, the extents of the vertical curves, grades labelled.
#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QWidget>
#include <memory>
#include <vector>

#include "route/alignment.h"

namespace korvane::ui {

class ProfileView : public QWidget {
    Q_OBJECT

  public:
    explicit ProfileView(QWidget* parent = nullptr);  // objectName "profileView"

    // The alignment whose profile is drawn (nothing when null or without a
    // profile).
    void setAlignment(std::shared_ptr<const route::Alignment> alignment);

    // The colour of the design line.
    static QColor designColour() { return {0, 90, 200}; }

    // Where a distance s along the alignment and an elevation (metres) are
    // drawn: chainage to the right, elevation up, the elevation exaggerated to
    // fill the height. Meaningful only while there is a profile.
    QPointF toScreen(double s, double elevation) const;
    // The rectangle the design line is drawn in.
    QRectF plotRect() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct Sample {
        double s = 0;
        double elevation = 0;
    };

    std::shared_ptr<const route::Alignment> alignment_;
    std::vector<Sample> samples_;  // the design line, in order of s
    double s_min_ = 0, s_max_ = 1;
    double e_min_ = 0, e_max_ = 1;  // the elevations shown, with room above and below
};

}  // namespace korvane::ui
