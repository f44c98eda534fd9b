// The plan of an alignment (平面图): elements to scale, told apart by kind,
// main points and intersection points labelled, chainage ticks, computed
// points; wheel zoom about the cursor, drag to pan, fit to the window.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QPointF>
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

// A ground position, northing x and easting y (metres).
struct GroundPoint {
    double x = 0;
    double y = 0;
};

class PlanView : public QWidget {
    Q_OBJECT

  public:
    // The kinds of element, each drawn in its own colour (shown in the legend).
    enum class Kind { straight, circular, transition };
    static QColor colour(Kind kind);
    static Kind kind_of(const route::Segment& segment);

    // At most this many computed points are drawn (the first ones given).
    static constexpr std::size_t kMaxMarks = 20000;

    explicit PlanView(QWidget* parent = nullptr);  // objectName "planView"

    // The alignment drawn (nothing when null); the view is fitted to it.
    void setAlignment(std::shared_ptr<const route::Alignment> alignment);
    // Computed points drawn over the alignment (replacing earlier ones).
    void setMarks(std::vector<PlanMark> marks);
    // Intersection points (JD) drawn with the tangents joining them from the
    // start to the end of the alignment (replacing earlier ones; empty for an
    // alignment defined by elements).
    void setIntersections(std::vector<PlanMark> intersections);
    // Scales and centres the view on the whole alignment (适合窗口).
    void fit();

    // The intersection points of a definition by intersection points, named
    // as in it (none for a definition by elements).
    static std::vector<PlanMark> intersections_of(const route::Definition& definition);

    // The transform between the ground and the widget's pixels: north up,
    // east to the right, the same scale both ways.
    QPointF toScreen(double x, double y) const;
    GroundPoint toGround(QPointF pixel) const;
    // Pixels per metre.
    double scale() const { return scale_; }

  signals:
    // The ground position under the mouse, northing x and easting y (metres).
    void cursorMoved(double x, double y);
    // The ground position clicked (pressed and let go without dragging).
    void clicked(double x, double y);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    QPixmap drawn_;  // the last drawing, null when it is to be made anew
    // Draws anew at the next paint.
    void redraw();
    void draw(QPainter& painter);
    // One element sampled finely enough to draw as straight pieces.
    struct Line {
        Kind kind = Kind::straight;
        std::vector<GroundPoint> points;
        double min_x = 0, min_y = 0, max_x = 0, max_y = 0;
    };
    // A chainage tick: its place, the direction of the line, its chainage
    // text and whether it falls on a whole kilometre.
    struct Tick {
        GroundPoint at;
        double cos_az = 1;
        double sin_az = 0;
        QString label;
        bool kilometre = false;
    };
    struct Key {
        GroundPoint at;
        QString label;
    };

    void sample();
    void zoomAbout(QPointF pixel, double factor);
    double fitScale() const;

    std::shared_ptr<const route::Alignment> alignment_;
    std::vector<PlanMark> marks_;
    std::vector<PlanMark> intersections_;
    std::vector<Line> lines_;
    std::vector<Tick> ticks_;
    std::vector<Key> keys_;
    double tick_step_ = 100;  // metres of chainage between ticks
    // The ground's box (the alignment and its intersection points).
    double min_x_ = 0, min_y_ = 0, max_x_ = 0, max_y_ = 0;

    // The ground point at the widget's centre and the pixels per metre.
    double centre_x_ = 0;
    double centre_y_ = 0;
    double scale_ = 1;
    bool fitted_ = true;  // refitted on resizing until zoomed or panned
    bool dragging_ = false;
    QPointF last_drag_;
    QPointF pressed_at_;
};

}  // namespace korvane::ui
