#include "ui/route/plan_view.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>
#include <variant>

#include "ui/route/view_text.h"

namespace korvane::ui {

namespace {

// Sampling: the chord between two samples strays at most this far from the
// element (metres), which is under half a pixel at the closest zoom.
constexpr double kChordError = 0.0005;
constexpr double kMaxScale = 1000;  // pixels per metre
constexpr int kMaxSamples = 20000;  // per element
constexpr std::size_t kMaxTicks = 100000;
constexpr double kFitMargin = 24;  // pixels around the fitted alignment
// Main points this close on screen to the next (pixels) are drawn without
// their symbol or label.
constexpr double kKeySpacing = 8;
constexpr double kLabelSpacing = 14;

// The part of the segment a–b inside the rectangle (Liang–Barsky), with
// whether either end was cut.
struct Clipped {
    QPointF a, b;
    bool cut_a = false;
    bool cut_b = false;
};

bool clip(QPointF a, QPointF b, const QRectF& r, Clipped& out) {
    double t0 = 0, t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    out.cut_a = t0 > 0;
    out.cut_b = t1 < 1;
    out.a = out.cut_a ? QPointF(a.x() + t0 * dx, a.y() + t0 * dy) : a;
    out.b = out.cut_b ? QPointF(a.x() + t1 * dx, a.y() + t1 * dy) : b;
    return true;
}

// Polylines through screen points, cut to a rectangle, leaving out points
// closer than about half a pixel to the last one kept.
class PolylineBuilder {
  public:
    PolylineBuilder(QPainter& painter, const QRectF& clip_rect)
        : painter_(painter), rect_(clip_rect) {}
    ~PolylineBuilder() { flush(); }
    PolylineBuilder(const PolylineBuilder&) = delete;
    PolylineBuilder& operator=(const PolylineBuilder&) = delete;

    void move_to(QPointF p) {
        flush();
        last_ = p;
        started_ = true;
    }
    void line_to(QPointF p) {
        const QPointF from = last_;
        last_ = p;
        if (!started_) {
            started_ = true;
            return;
        }
        Clipped c;
        if (!clip(from, p, rect_, c)) {
            flush();
            return;
        }
        if (poly_.isEmpty() || c.cut_a) {
            flush();
            poly_ << c.a;
        }
        const QPointF d = c.b - poly_.last();
        if (c.cut_b || d.x() * d.x() + d.y() * d.y() >= 0.25) {
            poly_ << c.b;
            pending_ = false;
        } else {
            held_ = c.b;
            pending_ = true;
        }
        if (c.cut_b) flush();
    }
    void flush() {
        if (pending_) poly_ << held_;
        pending_ = false;
        if (poly_.size() >= 2) painter_.drawPolyline(poly_);
        poly_.clear();
    }

  private:
    QPainter& painter_;
    QRectF rect_;
    QPolygonF poly_;
    QPointF last_;
    QPointF held_;
    bool started_ = false;
    bool pending_ = false;
};

// A length for the scale bar: 1, 2 or 5 times a power of ten, near `metres`.
double round_length(double metres) {
    const double p = std::pow(10.0, std::floor(std::log10(metres)));
    const double m = metres / p;
    return (m >= 5 ? 5 : m >= 2 ? 2 : 1) * p;
}

}  // namespace

QColor PlanView::colour(Kind kind) {
    switch (kind) {
        case Kind::circular:
            return QColor(214, 39, 40);
        case Kind::transition:
            return QColor(31, 119, 180);
        case Kind::straight:
            break;
    }
    return QColor(40, 40, 40);
}

PlanView::Kind PlanView::kind_of(const route::Segment& segment) {
    if (segment.k_start == segment.k_end) {
        return segment.k_start == 0 ? Kind::straight : Kind::circular;
    }
    return Kind::transition;
}

PlanView::PlanView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("planView"));
    setMouseTracking(true);
    setMinimumSize(120, 90);
}

void PlanView::setAlignment(std::shared_ptr<const route::Alignment> alignment) {
    alignment_ = std::move(alignment);
    sample();
    fit();
}

void PlanView::setMarks(std::vector<PlanMark> marks) {
    marks_ = std::move(marks);
    redraw();
}

void PlanView::setIntersections(std::vector<PlanMark> intersections) {
    intersections_ = std::move(intersections);
    sample();
    redraw();
}

std::vector<PlanMark> PlanView::intersections_of(const route::Definition& definition) {
    std::vector<PlanMark> out;
    if (const auto* p = std::get_if<route::PointsDef>(&definition.horizontal)) {
        for (const route::IntersectionPoint& jd : p->points) {
            out.push_back({jd.x, jd.y, QString::fromStdString(jd.name)});
        }
    }
    return out;
}

void PlanView::sample() {
    lines_.clear();
    ticks_.clear();
    keys_.clear();
    min_x_ = min_y_ = max_x_ = max_y_ = 0;
    if (!alignment_) return;
    const route::Alignment& a = *alignment_;

    const auto& segments = a.segments();
    for (std::size_t index = 0; index < segments.size(); ++index) {
        const route::Segment& seg = segments[index];
        // Before a corner (an angle point, or the next element's own start)
        // the element is drawn to its own end, so that a gap shows as one.
        const bool corner_ahead = index + 1 < segments.size() && segments[index + 1].corner;
        Line line;
        line.kind = kind_of(seg);
        const double k = std::max(std::fabs(seg.k_start), std::fabs(seg.k_end));
        int n = 1;
        if (k > 0) {
            // A chord of length c strays c²·k/8 from an arc of curvature k.
            const double step = std::sqrt(8 * kChordError / k);
            n = static_cast<int>(std::min<double>(kMaxSamples, std::ceil(seg.length / step)));
            n = std::max(n, 1);
        }
        line.points.reserve(static_cast<std::size_t>(n) + 1);
        for (int i = 0; i <= n; ++i) {
            const double s = i == n ? seg.s_start + seg.length
                                    : seg.s_start + seg.length * static_cast<double>(i) / n;
            const route::Pose p =
                i == n && corner_ahead
                    ? route::point_along(seg.start, seg.length, seg.k_start, seg.k_end, seg.length)
                    : a.pose_at(s);
            line.points.push_back({p.x, p.y});
        }
        line.min_x = line.max_x = line.points.front().x;
        line.min_y = line.max_y = line.points.front().y;
        for (const GroundPoint& p : line.points) {
            line.min_x = std::min(line.min_x, p.x);
            line.max_x = std::max(line.max_x, p.x);
            line.min_y = std::min(line.min_y, p.y);
            line.max_y = std::max(line.max_y, p.y);
        }
        lines_.push_back(std::move(line));
    }

    bool first = true;
    auto extend = [&](double x, double y) {
        if (first) {
            min_x_ = max_x_ = x;
            min_y_ = max_y_ = y;
            first = false;
        }
        min_x_ = std::min(min_x_, x);
        max_x_ = std::max(max_x_, x);
        min_y_ = std::min(min_y_, y);
        max_y_ = std::max(max_y_, y);
    };
    for (const Line& l : lines_) {
        extend(l.min_x, l.min_y);
        extend(l.max_x, l.max_y);
    }
    for (const PlanMark& jd : intersections_) extend(jd.x, jd.y);

    for (const route::KeyPoint& k : a.key_points()) {
        std::string text = k.label;
        text.append(" ").append(a.chainage_text(k.chainage));
        if (k.ahead) text.append("=").append(a.chainage_text(*k.ahead));
        keys_.push_back({{k.x, k.y}, QString::fromStdString(text)});
    }

    // Ticks at whole multiples of the step in each zone's own chainage,
    // thinned to every kilometre (or more) on very long alignments.
    long long step = 100;
    while (a.length() / static_cast<double>(step) > static_cast<double>(kMaxTicks)) step *= 10;
    tick_step_ = static_cast<double>(step);
    const auto& zones = a.zones();
    for (const route::Zone& z : zones) {
        const double first_chainage = z.s_begin + z.constant;
        const double last_chainage = z.s_end + z.constant;
        for (auto m = static_cast<long long>(std::ceil(first_chainage / tick_step_));; ++m) {
            const long long chainage = m * step;
            const auto c = static_cast<double>(chainage);
            if (c > last_chainage) break;
            const double s = c - z.constant;
            const route::Pose p = a.pose_at(s);
            Tick t{{p.x, p.y}, std::cos(p.azimuth), std::sin(p.azimuth), {}};
            t.kilometre = chainage % 1000 == 0;
            t.label = QString::fromStdString(a.chainage_text(c, 0));
            ticks_.push_back(std::move(t));
        }
    }
}

double PlanView::fitScale() const {
    const double w = std::max(width() - 2 * kFitMargin, 0.5 * width());
    const double h = std::max(height() - 2 * kFitMargin, 0.5 * height());
    const double dx = std::max(max_x_ - min_x_, 1e-3);
    const double dy = std::max(max_y_ - min_y_, 1e-3);
    return std::max(std::min(w / dy, h / dx), 1e-12);
}

void PlanView::fit() {
    centre_x_ = 0.5 * (min_x_ + max_x_);
    centre_y_ = 0.5 * (min_y_ + max_y_);
    scale_ = std::min(fitScale(), kMaxScale);
    fitted_ = true;
    redraw();
}

QPointF PlanView::toScreen(double x, double y) const {
    return {0.5 * width() + (y - centre_y_) * scale_, 0.5 * height() - (x - centre_x_) * scale_};
}

GroundPoint PlanView::toGround(QPointF pixel) const {
    return {centre_x_ - (pixel.y() - 0.5 * height()) / scale_,
            centre_y_ + (pixel.x() - 0.5 * width()) / scale_};
}

void PlanView::zoomAbout(QPointF pixel, double factor) {
    const GroundPoint g = toGround(pixel);
    const double low = std::min(fitScale() / 50, kMaxScale);
    scale_ = std::clamp(scale_ * factor, low, kMaxScale);
    // Keep g under the pixel.
    centre_y_ = g.y - (pixel.x() - 0.5 * width()) / scale_;
    centre_x_ = g.x + (pixel.y() - 0.5 * height()) / scale_;
    fitted_ = false;
    redraw();
}

void PlanView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (fitted_) fit();
}

void PlanView::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    const int steps = delta.y() != 0 ? delta.y() : delta.x();
    if (steps == 0) {
        event->ignore();
        return;
    }
    // One notch of 120 zooms by 2^(1/4).
    zoomAbout(event->position(), std::pow(2.0, steps / 480.0));
    event->accept();
}

void PlanView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = true;
        last_drag_ = event->position();
        pressed_at_ = event->position();
        setCursor(Qt::ClosedHandCursor);
    }
    event->accept();
}

void PlanView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (dragging_) {
        const QPointF d = at - last_drag_;
        last_drag_ = at;
        centre_y_ -= d.x() / scale_;
        centre_x_ += d.y() / scale_;
        fitted_ = false;
        redraw();
    }
    const GroundPoint g = toGround(at);
    emit cursorMoved(g.x, g.y);
}

void PlanView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && dragging_) {
        dragging_ = false;
        unsetCursor();
        // A press let go within a few pixels is a click, not a drag.
        const QPointF moved = event->position() - pressed_at_;
        if (std::fabs(moved.x()) + std::fabs(moved.y()) <= 4) {
            const GroundPoint g = toGround(event->position());
            emit clicked(g.x, g.y);
        }
    }
    event->accept();
}

void PlanView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) fit();
    event->accept();
}

void PlanView::redraw() {
    drawn_ = QPixmap();
    update();
}

void PlanView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) redraw();
    QWidget::changeEvent(event);
}

// The drawing is kept as a picture until something in it changes: the
// window repaints the plan whenever anything near it does (a progress bar,
// rows arriving in the table), and drawing a long alignment anew each time
// would hold the window up for tens of milliseconds.
void PlanView::paintEvent(QPaintEvent* /*event*/) {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (drawn_.isNull() || drawn_.size() != pixels) {
        drawn_ = QPixmap(pixels);
        drawn_.setDevicePixelRatio(ratio);
        QPainter painter(&drawn_);
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        draw(painter);
    }
    QPainter(this).drawPixmap(0, 0, drawn_);
}

void PlanView::draw(QPainter& painter) {
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (!alignment_) {
        painter.setPen(QColor(110, 110, 110));
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("无线路"));
        return;
    }

    const QRectF screen(0, 0, width(), height());
    const QRectF cut = screen.adjusted(-20, -20, 20, 20);
    // The ground box in view, a little larger so that symbols at the edge show.
    const double pad = 40 / scale_;
    const GroundPoint top_left = toGround(QPointF(0, 0));
    const GroundPoint bottom_right = toGround(QPointF(width(), height()));
    const double view_min_x = bottom_right.x - pad, view_max_x = top_left.x + pad;
    const double view_min_y = top_left.y - pad, view_max_y = bottom_right.y + pad;
    auto visible = [&](double x, double y) {
        return x >= view_min_x && x <= view_max_x && y >= view_min_y && y <= view_max_y;
    };

    // Tangents through the intersection points, under the alignment.
    const auto& keys = alignment_->key_points();
    if (!intersections_.empty() && !keys.empty()) {
        QPen pen(QColor(150, 150, 150), 1, Qt::DashLine);
        painter.setPen(pen);
        PolylineBuilder tangents(painter, cut);
        tangents.move_to(toScreen(keys.front().x, keys.front().y));
        for (const PlanMark& jd : intersections_) tangents.line_to(toScreen(jd.x, jd.y));
        tangents.line_to(toScreen(keys.back().x, keys.back().y));
    }

    // The elements.
    for (const Line& line : lines_) {
        if (line.max_x < view_min_x || line.min_x > view_max_x || line.max_y < view_min_y ||
            line.min_y > view_max_y)
            continue;
        painter.setPen(QPen(colour(line.kind), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        PolylineBuilder poly(painter, cut);
        poly.move_to(toScreen(line.points.front().x, line.points.front().y));
        for (std::size_t i = 1; i < line.points.size(); ++i) {
            poly.line_to(toScreen(line.points[i].x, line.points[i].y));
        }
    }

    LabelPlacer labels(painter, screen);

    // The legend, in the top left corner.
    {
        const QFontMetricsF fm(painter.font());
        const QString names[3] = {QStringLiteral("直线"), QStringLiteral("圆曲线"),
                                  QStringLiteral("缓和曲线")};
        double text_w = 0;
        for (const QString& n : names) text_w = std::max(text_w, fm.horizontalAdvance(n));
        const double row = fm.height() + 2;
        const QRectF box(6, 6, 34 + text_w + 8, 3 * row + 6);
        painter.setPen(QColor(180, 180, 180));
        painter.setBrush(QColor(255, 255, 255, 230));
        painter.drawRect(box);
        const Kind kinds[3] = {Kind::straight, Kind::circular, Kind::transition};
        for (int i = 0; i < 3; ++i) {
            const double y = box.top() + 3 + row * i + row / 2;
            painter.setPen(QPen(colour(kinds[i]), 2.5));
            painter.drawLine(QPointF(box.left() + 6, y), QPointF(box.left() + 28, y));
            painter.setPen(Qt::black);
            painter.drawText(QRectF(box.left() + 34, y - row / 2, text_w + 4, row),
                             Qt::AlignLeft | Qt::AlignVCenter, names[i]);
        }
        labels.reserve(box);
    }

    // The scale bar, in the bottom left corner.
    {
        const double metres = round_length(120 / scale_);
        const double len = metres * scale_;
        const QFontMetricsF fm(painter.font());
        const double y = height() - 10.0;
        painter.setPen(QPen(Qt::black, 1.5));
        painter.drawLine(QPointF(10, y), QPointF(10 + len, y));
        painter.drawLine(QPointF(10, y - 4), QPointF(10, y));
        painter.drawLine(QPointF(10 + len, y - 4), QPointF(10 + len, y));
        const QString text =
            metres >= 1000 ? fixed_text(metres / 1000, metres >= 1e4 ? 0 : 1, QStringLiteral(" km"))
                           : fixed_text(metres, metres >= 1 ? 0 : 3, QStringLiteral(" m"));
        const QRectF r(14, y - 4 - fm.height(), fm.horizontalAdvance(text) + 4, fm.height());
        painter.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, text);
        labels.reserve(QRectF(6, r.top(), std::max(len, r.width()) + 12, height() - r.top()));
    }

    // Computed points (at most kMaxMarks) are drawn before any label, so that
    // a dense row of them never covers a main point's name.
    const std::size_t mark_count = std::min(marks_.size(), kMaxMarks);
    const QColor mark_colour(200, 0, 160);
    {
        const QPen before = painter.pen();
        painter.setPen(QPen(mark_colour, 1.5));
        for (std::size_t i = 0; i < mark_count; ++i) {
            const PlanMark& m = marks_[i];
            if (!visible(m.x, m.y)) continue;
            const QPointF p = toScreen(m.x, m.y);
            painter.drawLine(p + QPointF(-4, -4), p + QPointF(4, 4));
            painter.drawLine(p + QPointF(-4, 4), p + QPointF(4, -4));
        }
        painter.setPen(before);
    }

    // Main points first: their labels win over the rest. A point drawn
    // closer to its neighbours than its symbol, or its label, would bury the
    // line under them and is left plain until zoomed in.
    const std::size_t key_count = keys_.size();
    // The screen distance to the nearest main point before or after this one
    // that lies elsewhere (points at one place, HZ and the next ZH, share it).
    auto room = [&](std::size_t i) {
        const GroundPoint at = keys_[i].at;
        double nearest = std::numeric_limits<double>::infinity();
        auto distance_to = [&](std::size_t j) {
            return std::hypot(keys_[j].at.x - at.x, keys_[j].at.y - at.y);
        };
        for (std::size_t j = i; j-- > 0;) {
            const double d = distance_to(j);
            if (d > 1e-6) {
                nearest = std::min(nearest, d);
                break;
            }
        }
        for (std::size_t j = i + 1; j < key_count; ++j) {
            const double d = distance_to(j);
            if (d > 1e-6) {
                nearest = std::min(nearest, d);
                break;
            }
        }
        return nearest * scale_;
    };
    painter.setPen(QPen(Qt::black, 1.2));
    painter.setBrush(Qt::white);
    for (std::size_t i = 0; i < key_count; ++i) {
        if (!visible(keys_[i].at.x, keys_[i].at.y) || room(i) < kKeySpacing) continue;
        const QPointF p = toScreen(keys_[i].at.x, keys_[i].at.y);
        painter.drawEllipse(p, 3, 3);
        // No label, a tick's or a computed point's, covers a main point.
        labels.avoid(QRectF(p - QPointF(4, 4), QSizeF(8, 8)));
    }
    for (const PlanMark& jd : intersections_) {
        if (visible(jd.x, jd.y))
            labels.avoid(QRectF(toScreen(jd.x, jd.y) - QPointF(5, 5), QSizeF(10, 10)));
    }
    for (std::size_t i = 0; i < key_count; ++i) {
        if (!visible(keys_[i].at.x, keys_[i].at.y) || room(i) < kLabelSpacing) continue;
        labels.place(toScreen(keys_[i].at.x, keys_[i].at.y), keys_[i].label);
    }

    // Intersection points.
    painter.setPen(QPen(QColor(90, 90, 90), 1.2));
    painter.setBrush(Qt::NoBrush);
    for (const PlanMark& jd : intersections_) {
        if (!visible(jd.x, jd.y)) continue;
        const QPointF p = toScreen(jd.x, jd.y);
        const QPointF tri[3] = {p + QPointF(0, -5), p + QPointF(4.5, 3.5), p + QPointF(-4.5, 3.5)};
        painter.drawPolygon(tri, 3);
    }
    painter.setPen(Qt::black);
    for (const PlanMark& jd : intersections_) {
        if (visible(jd.x, jd.y)) labels.place(toScreen(jd.x, jd.y), jd.label);
    }

    // Chainage ticks: every step while they stay apart, else kilometres only.
    const bool all_ticks = tick_step_ * scale_ >= 6;
    const bool km_ticks = std::max(tick_step_, 1000.0) * scale_ >= 6;
    if (km_ticks) {
        painter.setPen(QPen(QColor(60, 60, 60), 1));
        for (const Tick& t : ticks_) {
            if ((!all_ticks && !t.kilometre) || !visible(t.at.x, t.at.y)) continue;
            const QPointF p = toScreen(t.at.x, t.at.y);
            // Across the line: ground direction (−sin, cos) is screen (cos, sin).
            const double half = t.kilometre ? 8 : 4;
            const QPointF d(t.cos_az * half, t.sin_az * half);
            painter.drawLine(p - d, p + d);
        }
        // Kilometres labelled first; every tick once they lie far apart.
        painter.setPen(Qt::black);
        const bool all_labels = tick_step_ * scale_ >= 150;
        for (const bool kilometres : {true, false}) {
            if (!kilometres && !all_labels) break;
            for (const Tick& t : ticks_) {
                if (t.kilometre != kilometres || !visible(t.at.x, t.at.y)) continue;
                labels.place(toScreen(t.at.x, t.at.y), t.label);
            }
        }
    }

    // The computed points' labels, after every other label.
    painter.setPen(mark_colour.darker(130));
    for (std::size_t i = 0; i < mark_count; ++i) {
        const PlanMark& m = marks_[i];
        if (visible(m.x, m.y)) labels.place(toScreen(m.x, m.y), m.label);
    }
}

}  // namespace korvane::ui
