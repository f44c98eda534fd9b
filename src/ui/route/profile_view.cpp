#include "ui/route/profile_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "ui/route/view_text.h"

namespace korvane::ui {

namespace {

constexpr int kLineSamples = 2048;  // along the whole profile
constexpr int kCurveSamples = 32;   // along each vertical curve besides

// 1, 2 or 5 times a power of ten, at least `raw`.
double nice_step(double raw) {
    if (!(raw > 0) || !std::isfinite(raw)) return 1;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    const double m = raw / p;
    return (m <= 1 ? 1 : m <= 2 ? 2 : m <= 5 ? 5 : 10) * p;
}

// Decimals enough to tell steps of `step` apart (0 to 3).
int decimals_for(double step) {
    return std::clamp(static_cast<int>(std::ceil(-std::log10(step) - 1e-9)), 0, 3);
}

}  // namespace

ProfileView::ProfileView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("profileView"));
    setMinimumSize(120, 90);
}

void ProfileView::setAlignment(std::shared_ptr<const route::Alignment> alignment) {
    alignment_ = std::move(alignment);
    samples_.clear();
    if (alignment_ && alignment_->has_profile()) {
        const auto& grades = alignment_->profile();
        s_min_ = grades.front().s;
        s_max_ = std::max(grades.back().s, s_min_ + 1e-3);
        // Even steps, every vertical point and finer steps along the curves.
        std::vector<double> at;
        at.reserve(kLineSamples + 1 + grades.size() * (kCurveSamples + 2));
        for (int i = 0; i <= kLineSamples; ++i) {
            at.push_back(s_min_ + (s_max_ - s_min_) * i / kLineSamples);
        }
        for (const route::Alignment::Grade& g : grades) {
            at.push_back(g.s);
            if (g.tangent_in > 0) {
                const double length = g.tangent_in + g.tangent_out;
                for (int i = 0; i <= kCurveSamples; ++i) {
                    at.push_back(g.s - g.tangent_in + length * i / kCurveSamples);
                }
            }
        }
        std::sort(at.begin(), at.end());
        at.erase(std::unique(at.begin(), at.end()), at.end());
        double lo = grades.front().elevation, hi = lo;
        for (const double s : at) {
            if (s < s_min_ || s > s_max_) continue;
            const auto e = alignment_->elevation_at(s);
            if (!e) continue;
            samples_.push_back({s, *e});
            lo = std::min(lo, *e);
            hi = std::max(hi, *e);
        }
        for (const route::Alignment::Grade& g : grades) {
            lo = std::min(lo, g.elevation);
            hi = std::max(hi, g.elevation);
        }
        const double range = std::max(hi - lo, 1.0);
        e_min_ = lo - 0.15 * range;
        e_max_ = hi + 0.3 * range;
    }
    update();
}

QRectF ProfileView::plotRect() const {
    const double line = fontMetrics().height();
    const double left = fontMetrics().horizontalAdvance(QStringLiteral("00000.000")) + 12;
    const QRectF r(left, line + 14, width() - left - 16, height() - (line + 14) - (2 * line + 14));
    return r.isValid() ? r : QRectF(0, 0, std::max(width(), 1), std::max(height(), 1));
}

QPointF ProfileView::toScreen(double s, double elevation) const {
    const QRectF r = plotRect();
    return {r.left() + (s - s_min_) / (s_max_ - s_min_) * r.width(),
            r.bottom() - (elevation - e_min_) / (e_max_ - e_min_) * r.height()};
}

void ProfileView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!alignment_ || !alignment_->has_profile()) {
        painter.setPen(QColor(110, 110, 110));
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("无纵断面"));
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    const route::Alignment& a = *alignment_;
    const auto& grades = a.profile();
    const QRectF r = plotRect();
    const QFontMetricsF fm(painter.font());
    LabelPlacer labels(painter, QRectF(rect()));
    const QColor grid(225, 225, 225);

    // Elevation axis: grid lines about every 36 pixels.
    const double e_step = nice_step((e_max_ - e_min_) * 36 / std::max(r.height(), 1.0));
    const int e_decimals = decimals_for(e_step);
    for (auto m = static_cast<long long>(std::ceil(e_min_ / e_step));; ++m) {
        const double e = static_cast<double>(m) * e_step;
        if (e > e_max_) break;
        const double y = toScreen(s_min_, e).y();
        painter.setPen(grid);
        painter.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
        painter.setPen(Qt::black);
        const QString text = fixed_text(e, e_decimals);
        const double w = fm.horizontalAdvance(text) + 4;
        labels.place_in(QRectF(r.left() - 6 - w, y - fm.height() / 2, w, fm.height()), text);
    }

    // Chainage axis: whole multiples of the step in each zone's own chainage.
    const double c_step =
        std::max(nice_step((s_max_ - s_min_) * 90 / std::max(r.width(), 1.0)), 1.0);
    for (const route::Zone& z : a.zones()) {
        const double from = std::max(z.s_begin, s_min_), to = std::min(z.s_end, s_max_);
        if (from > to) continue;
        for (auto m = static_cast<long long>(std::ceil((from + z.constant) / c_step));; ++m) {
            const double c = static_cast<double>(m) * c_step;
            const double s = c - z.constant;
            if (s > to) break;
            const double x = toScreen(s, e_min_).x();
            painter.setPen(grid);
            painter.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
            painter.setPen(Qt::black);
            painter.drawLine(QPointF(x, r.bottom()), QPointF(x, r.bottom() + 4));
            const QString text = QString::fromStdString(a.chainage_text(c, 0));
            const QSizeF size = labels.size_of(text);
            labels.place_in(QRectF(QPointF(x - size.width() / 2, r.bottom() + 6), size), text);
        }
    }
    painter.setPen(QColor(120, 120, 120));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r);

    // Chain breaks, labelled with both chainages at the top of the plot.
    const QColor break_colour(230, 120, 0);
    for (const route::KeyPoint& k : a.key_points()) {
        if (!k.ahead || k.s < s_min_ || k.s > s_max_) continue;
        const double x = toScreen(k.s, e_min_).x();
        painter.setPen(QPen(break_colour, 1, Qt::DashLine));
        painter.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
        std::string text = "断链 ";
        text.append(a.chainage_text(k.chainage)).append("=").append(a.chainage_text(*k.ahead));
        const QString label = QString::fromStdString(text);
        const QSizeF size = labels.size_of(label);
        painter.setPen(break_colour.darker(130));
        labels.place_in(QRectF(QPointF(x + 3, r.top() + 3), size), label);
    }

    // Axis titles and the vertical exaggeration.
    painter.setPen(Qt::black);
    labels.place_in(QRectF(4, 4, fm.horizontalAdvance(QStringLiteral("高程/m")) + 4, fm.height()),
                    QStringLiteral("高程/m"));
    const double exaggeration = (r.height() / (e_max_ - e_min_)) / (r.width() / (s_max_ - s_min_));
    const QString note = QStringLiteral("竖向放大") +
                         fixed_text(exaggeration, exaggeration >= 10 ? 0 : 1) +
                         QStringLiteral("倍");
    const QSizeF note_size = labels.size_of(note);
    labels.place_in(QRectF(QPointF(r.right() - note_size.width(), 4), note_size), note);
    const QString along = QStringLiteral("桩号");
    const QSizeF along_size = labels.size_of(along);
    labels.place_in(
        QRectF(QPointF(r.right() - along_size.width(), r.bottom() + 8 + fm.height()), along_size),
        along);

    painter.setClipRect(r.adjusted(-6, -6, 6, 6));

    // The tangents through the vertical points.
    QPolygonF tangents;
    for (const route::Alignment::Grade& g : grades) tangents << toScreen(g.s, g.elevation);
    painter.setPen(QPen(QColor(150, 150, 150), 1, Qt::DashLine));
    painter.drawPolyline(tangents);

    // The vertical curves' extents: a bracket above each curve.
    const QColor curve_colour(0, 130, 60);
    std::vector<std::pair<QRectF, QString>> curve_labels;
    for (const route::Alignment::Grade& g : grades) {
        if (!(g.tangent_in > 0)) continue;
        const double s1 = g.s - g.tangent_in, s2 = g.s + g.tangent_out;
        const QPointF p1 = toScreen(s1, a.elevation_at(s1).value_or(g.elevation));
        const QPointF p2 = toScreen(s2, a.elevation_at(s2).value_or(g.elevation));
        const QPointF v = toScreen(g.s, g.elevation);
        const double top = std::min({p1.y(), p2.y(), v.y()}) - 16;
        painter.setPen(QPen(curve_colour, 1));
        painter.drawLine(p1, QPointF(p1.x(), top));
        painter.drawLine(p2, QPointF(p2.x(), top));
        painter.drawLine(QPointF(p1.x(), top), QPointF(p2.x(), top));
        QString text;
        if (g.radius > 0) {
            text.append(QStringLiteral("R="))
                .append(fixed_text(g.radius, g.radius == std::round(g.radius) ? 0 : 3))
                .append(QStringLiteral(" T="))
                .append(fixed_text(g.tangent_in, 3));
        } else {
            text.append(QStringLiteral("L1="))
                .append(fixed_text(g.tangent_in, 3))
                .append(QStringLiteral(" L2="))
                .append(fixed_text(g.tangent_out, 3));
        }
        text.append(QStringLiteral(" E=")).append(fixed_text(g.external, 3));
        const QSizeF size = labels.size_of(text);
        curve_labels.emplace_back(
            QRectF(QPointF(0.5 * (p1.x() + p2.x()) - size.width() / 2, top - 2 - size.height()),
                   size),
            text);
    }

    // The design line.
    QPolygonF line;
    line.reserve(static_cast<qsizetype>(samples_.size()));
    for (const Sample& p : samples_) line << toScreen(p.s, p.elevation);
    painter.setPen(QPen(designColour(), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(line);

    // Vertical points.
    painter.setPen(QPen(Qt::black, 1.2));
    painter.setBrush(Qt::white);
    for (const route::Alignment::Grade& g : grades) {
        painter.drawEllipse(toScreen(g.s, g.elevation), 3.5, 3.5);
    }
    painter.setClipping(false);

    // Labels: grades first, then the vertical points, then the curves.
    painter.setPen(Qt::black);
    for (std::size_t i = 0; i + 1 < grades.size(); ++i) {
        const auto& g = grades[i];
        const auto& next = grades[i + 1];
        const QPointF mid = toScreen(0.5 * (g.s + next.s), 0.5 * (g.elevation + next.elevation));
        QString text = QStringLiteral("i=");
        text.append(signed_text(g.grade * 100, 3, QStringLiteral("%")));
        const QSizeF size = labels.size_of(text);
        if (!labels.place_in(
                QRectF(QPointF(mid.x() - size.width() / 2, mid.y() - 6 - size.height()), size),
                text)) {
            labels.place_in(QRectF(QPointF(mid.x() - size.width() / 2, mid.y() + 6), size), text);
        }
    }
    painter.setPen(curve_colour.darker(120));
    for (const auto& [box, text] : curve_labels) labels.place_in(box, text);
    painter.setPen(Qt::black);
    for (const route::Alignment::Grade& g : grades) {
        const int zone = a.zone_of(g.s);
        QString text = QString::fromStdString(a.chainage_text(a.chainage_of(g.s, zone)));
        text.append(QStringLiteral(" H=")).append(fixed_text(g.elevation, 3));
        labels.place(toScreen(g.s, g.elevation), text);
    }
}

}  // namespace korvane::ui
