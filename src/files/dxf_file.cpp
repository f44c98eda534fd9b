#include "files/dxf_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numbers>
#include <utility>
#include <variant>
#include <vector>

#include "files/codec.h"
#include "files/dxf_format.h"
#include "files/route_output.h"
#include "geometry/number_text.h"
#include "route/element.h"

namespace korvane::files {
namespace {

using namespace dxf;

constexpr double kPi = std::numbers::pi;
constexpr std::size_t kChunkBytes = std::size_t{64} << 10;
// Stakes between two calls of going_on.
constexpr std::size_t kReportStakes = 8192;

// Sizes in drawing metres, for a plan at about 1:1000.
constexpr double kTickTextHeight = 2.0;
constexpr double kPointNameHeight = 2.5;
constexpr double kStakeTextHeight = 1.0;
constexpr double kTickLength = 2.0;
constexpr double kLabelledTickLength = 5.0;
constexpr double kTextGap = 1.0;
constexpr double kStakeGap = 0.5;
// Ticks every 100 m are labelled.
constexpr double kLabelInterval = 100;
// Chainages this close are one tick.
constexpr double kSameChainage = 1e-6;

enum LayerIndex { kCentre, kMain, kTicks, kPoints, kCentreStakes, kSideStakes };

// How a text stands: horizontal and vertical justification (DXF 72, 73).
enum HAlign { kLeft = 0, kRight = 2 };
enum VAlign { kBaseline = 0, kMiddle = 2, kTop = 3 };

// Writes entities of model space with handles counted on from `next`.
class Entities {
  public:
    Entities(std::string& out, unsigned long next) : out_(out), next_(next) {}
    unsigned long next() const { return next_; }

    void head(std::string_view type, LayerIndex layer) {
        tag(out_, 0, type);
        hex(out_, 5, next_++);
        hex(out_, 330, kModelSpaceRecord);
        tag(out_, 100, "AcDbEntity");
        tag(out_, 8, layer_names()[layer]);
    }

    // A line from (x1, y1) to (x2, y2), DXF coordinates.
    void line(LayerIndex layer, double x1, double y1, double x2, double y2) {
        head("LINE", layer);
        tag(out_, 100, "AcDbLine");
        point(out_, 10, x1, y1);
        point(out_, 11, x2, y2);
    }

    // A counterclockwise arc about (cx, cy) from `start` to `end` (degrees).
    void arc(LayerIndex layer, double cx, double cy, double radius, double start, double end) {
        head("ARC", layer);
        tag(out_, 100, "AcDbCircle");
        point(out_, 10, cx, cy);
        number(out_, 40, radius);
        tag(out_, 100, "AcDbArc");
        number(out_, 50, start);
        number(out_, 51, end);
    }

    // An open polyline through the vertices (DXF x, y pairs).
    void polyline(LayerIndex layer, const std::vector<std::pair<double, double>>& vertices) {
        head("LWPOLYLINE", layer);
        tag(out_, 100, "AcDbPolyline");
        integer(out_, 90, static_cast<long>(vertices.size()));
        integer(out_, 70, 0);
        for (const auto& [x, y] : vertices) {
            number(out_, 10, x);
            number(out_, 20, y);
        }
    }

    void dot(LayerIndex layer, double x, double y) {
        head("POINT", layer);
        tag(out_, 100, "AcDbPoint");
        point(out_, 10, x, y);
    }

    // A text (already in the file's code page) at (x, y) with the rotation
    // `angle` (radians), standing as `h` and `v` say about that point.
    void text(LayerIndex layer, double x, double y, double height, double angle,
              std::string_view bytes, HAlign h = kLeft, VAlign v = kBaseline) {
        head("TEXT", layer);
        tag(out_, 100, "AcDbText");
        point(out_, 10, x, y);
        number(out_, 40, height);
        tag(out_, 1, bytes);
        number(out_, 50, degrees(angle));
        tag(out_, 7, kTextStyle);
        if (h != kLeft || v != kBaseline) {
            integer(out_, 72, h);
            point(out_, 11, x, y);
        }
        tag(out_, 100, "AcDbText");
        if (v != kBaseline) integer(out_, 73, v);
    }

    // A text reading away from (x, y) in the direction `angle` (radians),
    // starting `gap` from it, centred on that direction and turned so that
    // it never reads upside down.
    void outward_text(LayerIndex layer, double x, double y, double angle, double gap, double height,
                      std::string_view bytes) {
        const double px = x + gap * std::cos(angle);
        const double py = y + gap * std::sin(angle);
        if (readable(angle)) {
            text(layer, px, py, height, angle, bytes, kLeft, kMiddle);
        } else {
            // Turned half round, the text ends at the point instead.
            text(layer, px, py, height, angle + kPi, bytes, kRight, kMiddle);
        }
    }

    // True when a text along `angle` reads left to right (not upside down).
    static bool readable(double angle) {
        const double d = degrees(angle);
        return d <= 90 + 1e-9 || d > 270 + 1e-9;
    }

  private:
    std::string& out_;
    unsigned long next_;
};

// The unit vectors of an azimuth in DXF coordinates: along the line, and to
// its left (its right is the negative).
struct Frame {
    double along_x, along_y;
    double left_x, left_y;
};
Frame frame_of(double azimuth) {
    const double s = std::sin(azimuth);
    const double c = std::cos(azimuth);
    // Along: (east, north) = (sin, cos); left: that turned a quarter
    // counterclockwise.
    return {s, c, -c, s};
}

// A text along the line beside a point: on its left (side 1) or right
// (side -1), `gap` from it, from `ahead` metres after it on. Turned so that
// it never reads upside down, it still runs forward from there and stays on
// its side.
void text_beside(Entities& e, LayerIndex layer, double x, double y, double azimuth, int side,
                 double gap, double ahead, double height, std::string_view bytes) {
    const Frame f = frame_of(azimuth);
    const double px = x + side * gap * f.left_x + ahead * f.along_x;
    const double py = y + side * gap * f.left_y + ahead * f.along_y;
    const double angle = direction_of(azimuth);
    // Read forward, the text's top is on the left; turned, on the right.
    if (Entities::readable(angle)) {
        e.text(layer, px, py, height, angle, bytes, kLeft, side > 0 ? kBaseline : kTop);
    } else {
        e.text(layer, px, py, height, angle + kPi, bytes, kRight, side > 0 ? kTop : kBaseline);
    }
}

// ---------------------------------------------------------------------------
// The centre line

bool is_straight(const route::Segment& s) {
    return s.k_start == 0 && s.k_end == 0;
}
bool is_arc(const route::Segment& s) {
    return s.k_start == s.k_end && s.k_start != 0;
}

// The chords of a transition: enough that a chord of arc length a on a curve
// of curvature at most k strays at most k·a²/8 from it.
std::size_t chords_of(const route::Segment& s, double tolerance) {
    const double k = std::max(std::fabs(s.k_start), std::fabs(s.k_end));
    const double n = std::ceil(s.length * std::sqrt(k / (8 * tolerance)));
    if (!(n >= 1)) return 1;
    if (n > static_cast<double>(kMaxDxfVertices)) return kMaxDxfVertices + 1;
    return static_cast<std::size_t>(n);
}

void draw_arc(Entities& e, const route::Segment& s) {
    const double k = s.k_start;
    const double r = 1 / k;
    // The centre is r to the right of the start (a signed radius: to the
    // left on a left-hand curve).
    const double sin0 = std::sin(s.start.azimuth);
    const double cos0 = std::cos(s.start.azimuth);
    const double cx = s.start.y + r * cos0;  // DXF x: easting
    const double cy = s.start.x - r * sin0;  // DXF y: northing
    // The start's angle seen from the centre, straight from the azimuth:
    // π − azimuth turning right, −azimuth turning left. The angle then falls
    // by k per metre (a right-hand curve runs clockwise).
    const double a0 = k > 0 ? kPi - s.start.azimuth : -s.start.azimuth;
    // One ARC holds less than a full turn: longer curves go in pieces of at
    // most half a turn.
    const double sweep = std::fabs(k) * s.length;
    const int pieces = std::max(1, static_cast<int>(std::ceil(sweep / kPi - 1e-12)));
    for (int i = 0; i < pieces; ++i) {
        const double t0 = s.length * i / pieces;
        const double t1 = s.length * (i + 1) / pieces;
        const double from = a0 - k * t0;
        const double to = a0 - k * t1;
        if (k > 0) {
            e.arc(kCentre, cx, cy, std::fabs(r), degrees(to), degrees(from));
        } else {
            e.arc(kCentre, cx, cy, std::fabs(r), degrees(from), degrees(to));
        }
    }
}

void draw_segment(Entities& e, const route::Segment& s, double tolerance) {
    if (is_straight(s)) {
        const route::Pose end = route::point_along(s.start, s.length, 0, 0, s.length);
        e.line(kCentre, s.start.y, s.start.x, end.y, end.x);
        return;
    }
    if (is_arc(s)) {
        draw_arc(e, s);
        return;
    }
    const std::size_t n = chords_of(s, tolerance);
    std::vector<std::pair<double, double>> vertices;
    vertices.reserve(n + 1);
    vertices.emplace_back(s.start.y, s.start.x);
    for (std::size_t i = 1; i <= n; ++i) {
        const double t =
            i == n ? s.length : s.length * static_cast<double>(i) / static_cast<double>(n);
        const route::Pose p = route::point_along(s.start, s.length, s.k_start, s.k_end, t);
        vertices.emplace_back(p.y, p.x);
    }
    e.polyline(kCentre, vertices);
}

// ---------------------------------------------------------------------------
// Chainage ticks

struct Tick {
    double chainage;
    int zone;
    bool labelled;
};

// The multiples of `step` from `first` to `last` (metres), as exact products.
void multiples(double first, double last, double step, bool labelled, int zone,
               std::vector<Tick>& out) {
    double k = std::ceil(first / step);
    if ((k - 1) * step >= first - kSameChainage) k -= 1;
    for (; k * step <= last + kSameChainage; k += 1) {
        if (k * step >= first - kSameChainage) out.push_back({k * step, zone, labelled});
    }
}

bool is_multiple(double chainage, double step) {
    return std::fabs(chainage - std::round(chainage / step) * step) <= kSameChainage;
}

// Every tick of the alignment in order: the multiples of the interval and of
// 100 m in each zone; a zone after a chain break leaves out a tick at its
// start where the zone before ends on one (the same point).
std::vector<Tick> ticks_of(const route::Alignment& a, double interval) {
    std::vector<Tick> ticks;
    const std::vector<route::Zone>& zones = a.zones();
    for (std::size_t z = 0; z < zones.size(); ++z) {
        const double first = zones[z].s_begin + zones[z].constant;
        const double last = zones[z].s_end + zones[z].constant;
        std::vector<Tick> zone;
        multiples(first, last, interval, false, static_cast<int>(z) + 1, zone);
        multiples(first, last, kLabelInterval, true, static_cast<int>(z) + 1, zone);
        std::sort(zone.begin(), zone.end(),
                  [](const Tick& l, const Tick& r) { return l.chainage < r.chainage; });
        if (z > 0) {
            const double end_before = zones[z - 1].s_end + zones[z - 1].constant;
            if (is_multiple(end_before, interval) || is_multiple(end_before, kLabelInterval))
                std::erase_if(zone, [&](const Tick& t) {
                    return std::fabs(t.chainage - first) <= kSameChainage;
                });
        }
        for (const Tick& t : zone) {
            if (!ticks.empty() && ticks.back().zone == t.zone &&
                std::fabs(ticks.back().chainage - t.chainage) <= kSameChainage) {
                ticks.back().labelled = ticks.back().labelled || t.labelled;
                continue;
            }
            ticks.push_back(t);
        }
    }
    return ticks;
}

// An upper bound of ticks_of's count, found without making them.
double tick_estimate(const route::Alignment& a, double interval) {
    double count = 0;
    for (const route::Zone& z : a.zones())
        count += (z.s_end - z.s_begin) / interval + (z.s_end - z.s_begin) / kLabelInterval + 4;
    return count;
}

void widen(Extents& e, double x, double y) {
    e.min_x = std::min(e.min_x, x);
    e.min_y = std::min(e.min_y, y);
    e.max_x = std::max(e.max_x, x);
    e.max_y = std::max(e.max_y, y);
}

}  // namespace

std::optional<std::string> dxf_options_refusal(const DxfOptions& options) {
    if (!(options.tick_interval >= kMinDxfTick && options.tick_interval <= kMaxDxfTick))
        return "桩号刻度间距须在" + geometry::format_number(kMinDxfTick) + "到" +
               geometry::format_number(kMaxDxfTick) + " m之间！";
    if (!(options.tolerance >= kMinDxfTolerance && options.tolerance <= kMaxDxfTolerance))
        return "缓和曲线的弦线容差须在" + geometry::format_number(kMinDxfTolerance) + "到" +
               geometry::format_number(kMaxDxfTolerance) + " m之间！";
    if (options.decimals < 0 || options.decimals > 9) return "小数位数须为0到9的整数！";
    return std::nullopt;
}

Result<DxfDrawing> DxfDrawing::make(const route::Alignment& a, const route::Definition* definition,
                                    const DxfOptions& options) {
    if (std::optional<std::string> refusal = dxf_options_refusal(options)) return Error{*refusal};
    if (tick_estimate(a, options.tick_interval) > static_cast<double>(kMaxDxfTicks))
        return Error{"桩号刻度过多（多于" + std::to_string(kMaxDxfTicks) +
                     "个），请加大刻度间距！"};
    std::size_t vertices = 0;
    for (const route::Segment& s : a.segments()) {
        if (!is_straight(s) && !is_arc(s)) vertices += chords_of(s, options.tolerance) + 1;
        if (vertices > kMaxDxfVertices)
            return Error{"缓和曲线折线的顶点过多（多于" + std::to_string(kMaxDxfVertices) +
                         "个），请加大弦线容差！"};
    }

    DxfDrawing d;
    d.alignment_ = &a;
    d.options_ = options;
    d.first_entity_ = kFirstEntity;
    Extents box{a.pieces().front().min_y, a.pieces().front().min_x, a.pieces().front().max_y,
                a.pieces().front().max_x};
    for (const route::Alignment::Piece& p : a.pieces()) {
        widen(box, p.min_y, p.min_x);
        widen(box, p.max_y, p.max_x);
    }
    Entities e(d.entities_, kFirstEntity);

    for (const route::Segment& s : a.segments()) draw_segment(e, s, options.tolerance);

    for (const route::KeyPoint& k : a.key_points()) {
        std::string label = k.label;
        label += ' ';
        label += a.station_text(k.chainage, k.zone, options.decimals);
        Result<std::string> bytes = file_text(label);
        if (!bytes) return bytes.failure();
        e.dot(kMain, k.y, k.x);
        text_beside(e, kMain, k.y, k.x, k.azimuth, 1, kTextGap, 0, kMainTextHeight, bytes.value());
    }

    for (const Tick& t : ticks_of(a, options.tick_interval)) {
        const route::Zone& zone = a.zones()[static_cast<std::size_t>(t.zone) - 1];
        const double s = std::clamp(t.chainage - zone.constant, zone.s_begin, zone.s_end);
        const route::Pose p = a.pose_at(s);
        const Frame f = frame_of(p.azimuth);
        const double length = t.labelled ? kLabelledTickLength : kTickLength;
        e.line(kTicks, p.y, p.x, p.y - length * f.left_x, p.x - length * f.left_y);
        if (!t.labelled) continue;
        // Whole metres; a chain break with both chainages in full.
        const int decimals = a.ahead_of(t.chainage, t.zone) ? options.decimals : 0;
        Result<std::string> bytes = file_text(a.station_text(t.chainage, t.zone, decimals));
        if (!bytes) return bytes.failure();
        e.outward_text(kTicks, p.y, p.x, direction_of(p.azimuth) - kPi / 2, length + kTextGap / 2,
                       kTickTextHeight, bytes.value());
    }

    if (definition != nullptr) {
        if (const auto* points = std::get_if<route::PointsDef>(&definition->horizontal)) {
            std::vector<std::pair<double, double>> polygon;
            polygon.reserve(points->points.size() + 2);
            polygon.emplace_back(points->start_y, points->start_x);
            for (const route::IntersectionPoint& p : points->points) polygon.emplace_back(p.y, p.x);
            polygon.emplace_back(points->end_y, points->end_x);
            for (const auto& [x, y] : polygon) widen(box, x, y);
            e.polyline(kPoints, polygon);
            for (const route::IntersectionPoint& p : points->points) {
                Result<std::string> bytes = file_text(p.name);
                if (!bytes) return bytes.failure();
                e.text(kPoints, p.y + kTextGap, p.x + kTextGap, kPointNameHeight, 0, bytes.value());
            }
        }
    }
    d.next_handle_ = e.next();
    d.min_x_ = box.min_x;
    d.min_y_ = box.min_y;
    d.max_x_ = box.max_x;
    d.max_y_ = box.max_y;
    return d;
}

std::optional<Error> DxfDrawing::write(std::span<const route::TableRow> stakes,
                                       const ByteSink& sink,
                                       const std::function<bool(std::size_t)>& going_on) const {
    const route::Alignment& a = *alignment_;
    // The stakes widen the extents; texts reach a little beyond the points.
    Extents box{min_x_, min_y_, max_x_, max_y_};
    for (const route::TableRow& r : stakes) widen(box, r.y, r.x);
    constexpr double kMargin = 20;
    box.min_x -= kMargin;
    box.min_y -= kMargin;
    box.max_x += kMargin;
    box.max_y += kMargin;

    // Two entities a stake.
    const unsigned long seed = next_handle_ + 2 * static_cast<unsigned long>(stakes.size());
    std::string out;
    out.reserve(kChunkBytes + 4096);
    header(out, box, seed);
    tables(out, box);
    blocks(out);
    tag(out, 0, "SECTION");
    tag(out, 2, "ENTITIES");
    if (auto failed = sink(out)) return failed;
    out.clear();
    if (auto failed = sink(entities_)) return failed;

    Entities e(out, next_handle_);
    std::string station;
    double station_chainage = 0;
    int station_zone = 0;
    for (std::size_t i = 0; i < stakes.size(); ++i) {
        if (going_on && i % kReportStakes == 0 && !going_on(i))
            return Error{std::string(kDxfCancelled)};
        const route::TableRow& r = stakes[i];
        if (station.empty() || r.chainage != station_chainage || r.zone != station_zone) {
            station = a.station_text(r.chainage, r.zone, options_.decimals);
            station_chainage = r.chainage;
            station_zone = r.zone;
        }
        Result<std::string> name = file_text(stake_name(station, r.offset));
        if (!name) return name.failure();
        const LayerIndex layer = r.offset == 0 ? kCentreStakes : kSideStakes;
        e.dot(layer, r.y, r.x);
        // The name along the line, away from it: beyond a side stake on its
        // side, to the right of a centre stake (the main points' texts are
        // on the left), just after the point, clear of a tick there.
        text_beside(e, layer, r.y, r.x, r.azimuth, r.offset < 0 ? 1 : -1, kStakeGap, kStakeGap,
                    kStakeTextHeight, name.value());
        if (out.size() >= kChunkBytes) {
            if (auto failed = sink(out)) return failed;
            out.clear();
        }
    }
    tag(out, 0, "ENDSEC");
    objects(out);
    tag(out, 0, "EOF");
    return sink(out);
}

Result<std::string> DxfDrawing::bytes(std::span<const route::TableRow> stakes) const {
    std::string all;
    if (auto failed = write(stakes, [&all](std::string_view piece) -> std::optional<Error> {
            all += piece;
            return std::nullopt;
        }))
        return *failed;
    return all;
}

}  // namespace korvane::files
