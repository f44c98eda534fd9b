#include "ui/route/section_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "route/chainage.h"
#include "ui/route/view_text.h"

namespace korvane::ui {

namespace {

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// 1, 2 or 5 times a power of ten, at least `raw`.
double niceStep(double raw) {
    if (!(raw > 0) || !std::isfinite(raw)) return 1;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    const double m = raw / p;
    return (m <= 1 ? 1 : m <= 2 ? 2 : m <= 5 ? 5 : 10) * p;
}

// The innermost segment of a side that turns with the superelevation, or -1.
int turningPart(const route::Section& section, route::Side side) {
    const auto& parts = section.parts(side);
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (parts[i].turns) return static_cast<int>(i);
    return -1;
}

const QColor kSurface(0, 90, 200);
const QColor kAxis(220, 120, 0);
const QColor kProfileLine(200, 0, 120);
const QColor kLeft(200, 30, 30);
const QColor kRight(0, 90, 200);

}  // namespace

// ---------------------------------------------------------------------------
// The section at a station

SectionView::SectionView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("sectionView"));
    setMinimumSize(160, 120);
}

void SectionView::setAlignment(std::shared_ptr<const route::Alignment> alignment) {
    alignment_ = std::move(alignment);
    if (!locate()) recompute();
}

void SectionView::setPosition(double s) {
    s_ = s;
    recompute();
    emit positionChanged(s);
}

void SectionView::setStationText(const QString& text, int zone) {
    stationText_ = text;
    zone_ = zone;
    locate();
}

bool SectionView::locate() {
    if (!alignment_ || stationText_.trimmed().isEmpty()) return false;
    const route::Outcome<double> chainage =
        route::read_chainage(stationText_.trimmed().toStdString());
    if (!chainage) return false;
    const route::Outcome<route::Station> at = alignment_->locate(chainage.value(), zone_);
    if (!at) return false;
    setPosition(at.value().s);
    return true;
}

void SectionView::recompute() {
    points_.clear();
    shape_.clear();
    slopeLabels_.clear();
    title_.clear();
    note_.clear();
    if (!alignment_) {
        note_ = QStringLiteral("没有可用的线路");
        update();
        return;
    }
    const route::Alignment& a = *alignment_;
    const double s = std::clamp(s_.value_or(0.0), 0.0, a.length());
    const int zone = a.zone_of(s);
    title_ = QStringLiteral("横断面 ") + qs(a.station_text(a.chainage_of(s, zone), zone, 3));
    const route::Section& section = a.section();
    const std::optional<double> h = a.elevation_at(s);
    const route::SectionAt at = section.at(s, h);
    // The shape from a base of 0 where the profile gives no elevation.
    const route::SectionAt shape = section.at(s, 0.0);
    axis_ = at.axis();
    profileOffset_ = section.profile_offset();
    if (!section.has_template()) {
        note_ = QStringLiteral("未设路幅：只有设计线上有设计高程");
        points_.push_back({profileOffset_, at.elevation(profileOffset_)});
        shape_.push_back(0);
        update();
        return;
    }
    if (!h) note_ = QStringLiteral("此处无纵断面：只示横坡，无设计高程");
    const auto add = [&](double offset) {
        points_.push_back({offset, at.elevation(offset)});
        shape_.push_back(shape.elevation(offset).value_or(0.0));
    };
    const auto slopeLabel = [&](route::Side side, int i) {
        slopeLabels_.append(signed_text(at.slope(side, i), 2, QStringLiteral("%")));
    };
    const int nl = at.parts(route::Side::left);
    const int nr = at.parts(route::Side::right);
    for (int i = nl - 1; i >= 0; --i) {
        add(-at.edge(route::Side::left, i));
        slopeLabel(route::Side::left, i);
    }
    add(0);
    for (int i = 0; i < nr; ++i) {
        add(at.edge(route::Side::right, i));
        slopeLabel(route::Side::right, i);
    }
    update();
}

void SectionView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QFontMetricsF fm(painter.font());
    painter.setPen(Qt::black);
    painter.drawText(QRectF(8, 6, width() - 16, fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     title_);
    if (points_.size() < 2) {
        painter.setPen(QColor(110, 110, 110));
        QString text = note_;
        if (!points_.empty() && points_.front().elevation)
            text += QStringLiteral("\n设计线处 H = ") + fixed_text(*points_.front().elevation, 3);
        painter.drawText(rect(), Qt::AlignCenter, text);
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.drawText(QRectF(8, 6, width() - 16, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("竖向比例 ×%1").arg(kExaggeration));
    if (!note_.isEmpty()) {
        painter.setPen(QColor(150, 60, 0));
        painter.drawText(QRectF(8, 6 + fm.height(), width() - 16, fm.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, note_);
    }

    // The elevation labels stand upright under the surface; the slope labels
    // lie over it.
    const double hLabel = fm.horizontalAdvance(QStringLiteral("0000.000")) + 8;
    const QRectF plot(40, 14 + 3 * fm.height(), std::max(width() - 80.0, 10.0),
                      std::max(height() - (14 + 3 * fm.height()) - hLabel - 24, 10.0));
    const double left = points_.front().offset;
    const double right = points_.back().offset;
    const auto [lo, hi] = std::minmax_element(shape_.begin(), shape_.end());
    const double rise = std::max(*hi - *lo, 1e-3);
    const double k = std::min(plot.width() / std::max(right - left, 1e-3),
                              plot.height() / (rise * kExaggeration));
    const double mid = (*hi + *lo) / 2;
    const double cx = plot.center().x() - (left + right) / 2 * k;
    const auto toScreen = [&](double offset, double height) {
        return QPointF(cx + offset * k, plot.center().y() - (height - mid) * k * kExaggeration);
    };
    const double baseline = plot.bottom() + 12;

    // The centre line and the rotation axis, top to bottom of the plot.
    QPen centre(QColor(130, 130, 130), 1, Qt::DashLine);
    painter.setPen(centre);
    const double x0 = toScreen(0, 0).x();
    painter.drawLine(QPointF(x0, plot.top() - 4), QPointF(x0, baseline));
    LabelPlacer labels(painter, QRectF(rect()));
    labels.place_in(QRectF(x0 - fm.horizontalAdvance(QStringLiteral("中线")) / 2 - 2,
                           plot.top() - 4 - fm.height(),
                           fm.horizontalAdvance(QStringLiteral("中线")) + 4, fm.height()),
                    QStringLiteral("中线"));
    QPen axis(kAxis, 1.5, Qt::DashDotLine);
    painter.setPen(axis);
    const double xa = toScreen(axis_, 0).x();
    painter.drawLine(QPointF(xa, plot.top() + fm.height()), QPointF(xa, plot.bottom()));
    const QString axisText = QStringLiteral("旋转轴");
    labels.place(QPointF(xa, plot.top() + fm.height() * 2), axisText);

    // The surface and its break points with their elevations.
    QPainterPath path;
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const QPointF p = toScreen(points_[i].offset, shape_[i]);
        i == 0 ? path.moveTo(p) : path.lineTo(p);
    }
    painter.setPen(QPen(kSurface, 2));
    painter.drawPath(path);
    // Elevations stand upright at the foot of their point; where points lie
    // closer than a line of text, the centre line's and the edges' come first.
    std::vector<std::size_t> order;
    order.reserve(points_.size());
    for (std::size_t i = 0; i < points_.size(); ++i)
        if (points_[i].offset == 0) order.push_back(i);
    order.push_back(0);
    order.push_back(points_.size() - 1);
    for (std::size_t i = 1; i + 1 < points_.size(); ++i)
        if (points_[i].offset != 0) order.push_back(i);
    std::vector<double> written;
    written.reserve(order.size());
    for (const std::size_t i : order) {
        const QPointF p = toScreen(points_[i].offset, shape_[i]);
        painter.setPen(QPen(QColor(170, 170, 170), 1, Qt::DotLine));
        painter.drawLine(p, QPointF(p.x(), baseline));
        painter.setPen(QPen(kSurface, 1));
        painter.setBrush(Qt::white);
        painter.drawEllipse(p, 3, 3);
        if (std::any_of(written.begin(), written.end(),
                        [&](double x) { return std::fabs(x - p.x()) < fm.height(); }))
            continue;
        written.push_back(p.x());
        const QString text = points_[i].elevation ? fixed_text(*points_[i].elevation, 3)
                                                  : fixed_text(points_[i].offset, 2);
        painter.save();
        painter.translate(p.x() + fm.height() / 2 - 2, baseline + 4);
        painter.rotate(-90);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(-hLabel, 0, hLabel, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                         text);
        painter.restore();
    }
    painter.setPen(QColor(110, 110, 110));
    painter.drawText(QRectF(2, baseline + 4, 36, fm.height()), Qt::AlignLeft,
                     points_.front().elevation ? QStringLiteral("H") : QStringLiteral("偏距"));
    // Slopes over the middle of each segment.
    painter.setPen(Qt::black);
    for (int i = 0; i + 1 < static_cast<int>(points_.size()); ++i) {
        const auto u = static_cast<std::size_t>(i);
        const QPointF a = toScreen(points_[u].offset, shape_[u]);
        const QPointF b = toScreen(points_[u + 1].offset, shape_[u + 1]);
        const QString text = slopeLabels_.value(i);
        const QSizeF size = labels.size_of(text);
        const QPointF m = (a + b) / 2;
        if (!labels.place_in(QRectF(QPointF(m.x() - size.width() / 2,
                                            std::min(a.y(), b.y()) - size.height() - 6),
                                    size),
                             text))
            labels.place_in(QRectF(QPointF(m.x() - size.width() / 2,
                                           std::min(a.y(), b.y()) - 2 * size.height() - 8),
                                   size),
                            text);
    }
    // The profile line: a triangle on the surface where the profile's elevation belongs.
    double ph = 0;
    for (std::size_t i = 0; i + 1 < points_.size(); ++i) {
        const double d0 = points_[i].offset, d1 = points_[i + 1].offset;
        if (profileOffset_ >= d0 && profileOffset_ <= d1) {
            ph = shape_[i] + (shape_[i + 1] - shape_[i]) * (profileOffset_ - d0) / (d1 - d0);
            break;
        }
    }
    const QPointF pp = toScreen(profileOffset_, ph);
    QPainterPath tri;
    tri.moveTo(pp);
    tri.lineTo(pp + QPointF(-5, -9));
    tri.lineTo(pp + QPointF(5, -9));
    tri.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(kProfileLine);
    painter.drawPath(tri);
    painter.setPen(kProfileLine);
    labels.place(pp + QPointF(0, -9), QStringLiteral("设计线"));
    painter.setPen(Qt::black);
    painter.drawText(QRectF(2, plot.top(), 36, fm.height()), Qt::AlignLeft, QStringLiteral("左"));
    painter.drawText(QRectF(width() - 38.0, plot.top(), 36, fm.height()), Qt::AlignRight,
                     QStringLiteral("右"));
}

// ---------------------------------------------------------------------------
// The superelevation diagram

SuperelevationView::SuperelevationView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("superelevationView"));
    setMinimumSize(160, 80);
}

void SuperelevationView::setAlignment(std::shared_ptr<const route::Alignment> alignment) {
    alignment_ = std::move(alignment);
    left_.clear();
    right_.clear();
    note_.clear();
    if (!alignment_ || !alignment_->section().has_template()) {
        note_ =
            alignment_ ? QStringLiteral("未设路幅，无超高图") : QStringLiteral("没有可用的线路");
        update();
        return;
    }
    const route::Alignment& a = *alignment_;
    const route::Section& section = a.section();
    // Slopes change linearly between records: the records, the ends and a
    // few points between are enough.
    std::vector<double> at{0.0, a.length()};
    constexpr int kEven = 256;
    at.reserve(kEven + 2 + section.superelevation().size());
    for (int i = 1; i < kEven; ++i) at.push_back(a.length() * i / kEven);
    for (const route::SectionRecord& r : section.superelevation())
        if (r.s >= 0 && r.s <= a.length()) at.push_back(r.s);
    std::sort(at.begin(), at.end());
    at.erase(std::unique(at.begin(), at.end()), at.end());
    const int li = turningPart(section, route::Side::left);
    const int ri = turningPart(section, route::Side::right);
    route::SectionHint hint;
    left_.reserve(li >= 0 ? at.size() : 0);
    right_.reserve(ri >= 0 ? at.size() : 0);
    for (const double s : at) {
        const route::SectionAt here = section.at(s, 0.0, hint);
        if (li >= 0) left_.push_back({s, here.slope(route::Side::left, li)});
        if (ri >= 0) right_.push_back({s, here.slope(route::Side::right, ri)});
    }
    lo_ = 0;
    hi_ = 0;
    for (const auto* side : {&left_, &right_})
        for (const Sample& p : *side) {
            lo_ = std::min(lo_, p.slope);
            hi_ = std::max(hi_, p.slope);
        }
    const double room = std::max((hi_ - lo_) * 0.1, 0.5);
    lo_ -= room;
    hi_ += room;
    if (left_.empty() && right_.empty()) note_ = QStringLiteral("路幅没有随超高的部分");
    update();
}

void SuperelevationView::setMarker(double s) {
    marker_ = s;
    update();
}

void SuperelevationView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QFontMetricsF fm(painter.font());
    if (!note_.isEmpty() || !alignment_) {
        painter.setPen(QColor(110, 110, 110));
        painter.drawText(rect(), Qt::AlignCenter, note_);
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    const route::Alignment& a = *alignment_;
    const QRectF r(56, fm.height() + 8, std::max(width() - 72.0, 10.0),
                   std::max(height() - 2 * fm.height() - 22, 10.0));
    const double length = std::max(a.length(), 1e-9);
    const auto toScreen = [&](double s, double slope) {
        return QPointF(r.left() + s / length * r.width(),
                       r.bottom() - (slope - lo_) / (hi_ - lo_) * r.height());
    };
    LabelPlacer labels(painter, QRectF(rect()));
    // Slope grid.
    const double step = niceStep((hi_ - lo_) * 28 / std::max(r.height(), 1.0));
    for (auto m = static_cast<long long>(std::ceil(lo_ / step));; ++m) {
        const double v = static_cast<double>(m) * step;
        if (v > hi_) break;
        const double y = toScreen(0, v).y();
        painter.setPen(m == 0 ? QColor(120, 120, 120) : QColor(228, 228, 228));
        painter.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
        painter.setPen(Qt::black);
        const QString text = signed_text(v, step < 1 ? 1 : 0, QStringLiteral("%"));
        const double w = fm.horizontalAdvance(text) + 4;
        labels.place_in(QRectF(r.left() - 4 - w, y - fm.height() / 2, w, fm.height()), text);
    }
    // Main points: a line across and the label under the diagram.
    for (const route::KeyPoint& k : a.key_points()) {
        const double x = toScreen(k.s, 0).x();
        painter.setPen(QPen(QColor(190, 190, 190), 1, Qt::DotLine));
        painter.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
        painter.setPen(QColor(80, 80, 80));
        const QString text = qs(k.label);
        const QSizeF size = labels.size_of(text);
        labels.place_in(QRectF(QPointF(x - size.width() / 2, r.bottom() + 3), size), text);
    }
    const auto draw = [&](const std::vector<Sample>& side, const QPen& pen) {
        QPainterPath path;
        for (std::size_t i = 0; i < side.size(); ++i) {
            const QPointF p = toScreen(side[i].s, side[i].slope);
            i == 0 ? path.moveTo(p) : path.lineTo(p);
        }
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    };
    if (marker_ && *marker_ >= 0 && *marker_ <= a.length()) {
        const double x = toScreen(*marker_, 0).x();
        painter.setPen(QPen(kProfileLine, 1.5));
        painter.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    }
    draw(left_, QPen(kLeft, 2));
    draw(right_, QPen(kRight, 2, Qt::DashLine));
    // Legend.
    painter.setPen(Qt::black);
    painter.drawText(QRectF(8, 4, 200, fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("超高图（横坡%）"));
    const double lx = r.right() - 150;
    painter.setPen(QPen(kLeft, 2));
    painter.drawLine(QPointF(lx, 4 + fm.height() / 2), QPointF(lx + 24, 4 + fm.height() / 2));
    painter.setPen(Qt::black);
    painter.drawText(QPointF(lx + 28, 4 + fm.ascent()), QStringLiteral("左侧"));
    painter.setPen(QPen(kRight, 2, Qt::DashLine));
    painter.drawLine(QPointF(lx + 75, 4 + fm.height() / 2), QPointF(lx + 99, 4 + fm.height() / 2));
    painter.setPen(Qt::black);
    painter.drawText(QPointF(lx + 103, 4 + fm.ascent()), QStringLiteral("右侧"));
}

}  // namespace korvane::ui
