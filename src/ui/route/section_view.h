// The road surface across the line (横断面图) at one station: the segments of
// both sides to scale with the vertical exaggerated, the slope of each
// segment, the design elevation at each break point, the centre line, the
// profile line (设计线) and the rotation axis; and the superelevation diagram
// (超高图): the cross slope of each side's turning segments along the line.
#pragma once

#include <QPointF>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "route/alignment.h"

namespace korvane::ui {

class SectionView : public QWidget {
    Q_OBJECT

  public:
    // The heights are drawn this many times the widths' scale.
    static constexpr double kExaggeration = 10;

    explicit SectionView(QWidget* parent = nullptr);  // objectName "sectionView"

    void setAlignment(std::shared_ptr<const route::Alignment> alignment);
    // The station shown: s along the alignment (clamped into it).
    void setPosition(double s);
    // The station typed as chainage text in `zone` (0: the one zone holding
    // it); a text that names no station leaves the view where it was. The
    // text is looked up again in each new alignment.
    void setStationText(const QString& text, int zone);

    // A break point of the surface: its offset (signed metres, right
    // positive) and design elevation (nothing without a profile there).
    struct Point {
        double offset = 0;
        std::optional<double> elevation;
    };
    // The break points from the left edge to the right edge (the centre line
    // among them); only the profile line's point without a template.
    const std::vector<Point>& points() const { return points_; }
    // The slope labels of the segments, left edge to right edge ("-2.00%").
    const QStringList& slopeLabels() const { return slopeLabels_; }
    // What is said instead of a drawing, or beside it (no template, no
    // profile); empty when there is nothing to say.
    const QString& note() const { return note_; }
    std::optional<double> position() const { return s_; }

  signals:
    // The station shown moved to s.
    void positionChanged(double s);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void recompute();

    std::shared_ptr<const route::Alignment> alignment_;
    bool locate();

    std::optional<double> s_;
    QString stationText_;
    int zone_ = 0;
    std::vector<Point> points_;
    std::vector<double> shape_;  // the surface's height at each point, from any base
    QStringList slopeLabels_;
    QString title_;
    QString note_;
    double axis_ = 0;
    double profileOffset_ = 0;
};

class SuperelevationView : public QWidget {
    Q_OBJECT

  public:
    explicit SuperelevationView(QWidget* parent = nullptr);  // objectName "superelevationView"

    void setAlignment(std::shared_ptr<const route::Alignment> alignment);

    // The cross slope (percent) of a side's innermost turning segment along
    // the line, sampled at every record and between them; empty for a side
    // with no turning segment.
    struct Sample {
        double s = 0;
        double slope = 0;
    };
    const std::vector<Sample>& samples(route::Side side) const {
        return side == route::Side::left ? left_ : right_;
    }
    const QString& note() const { return note_; }
    // The station marked across the diagram (the section drawn beside it).
    void setMarker(double s);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::shared_ptr<const route::Alignment> alignment_;
    std::optional<double> marker_;
    std::vector<Sample> left_;
    std::vector<Sample> right_;
    double lo_ = -1, hi_ = 1;  // the slopes shown, percent
    QString note_;
};

}  // namespace korvane::ui
