#include "route/forward.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "geometry/fixed_text.h"
#include "route/angle.h"
#include "route/element_math.h"
#include "route/set_out.h"

namespace korvane::route {
namespace {

using detail::check_offset;
using detail::check_skew;
using detail::direction;
using detail::Direction;
using detail::elevation_where;
using detail::fail;
using detail::set_out;
using detail::square;

constexpr double kMaxCoordinate = 1e9;
// Metres: a point whose foot falls beyond an end of the line by less than half
// the millimetre that coordinates are given in has its foot at that end, so a
// staked-out end point read back to the millimetre is not refused as "0.000m".
constexpr double kEndTolerance = 0.0005;

}  // namespace

Outcome<ForwardResult> forward(const Alignment& alignment, double chainage, int zone, double offset,
                               double skew) {
    if (auto f = check_offset(offset, Subject::offset)) return *f;
    if (auto f = check_skew(skew)) return *f;
    const auto where = alignment.locate(chainage, zone);
    if (!where) return where.failure();
    const Station st = where.value();
    int hint = 0;
    const Alignment::Frame frame = alignment.frame_at(st.s, hint);
    const Pose& base = frame.pose;
    ForwardResult r;
    r.s = st.s;
    r.zone = st.zone;
    r.chainage = chainage;
    const Direction d = direction(frame, std::cos(skew), std::sin(skew));
    set_out(base, offset, d.cos, d.sin, r.x, r.y);
    r.azimuth = normalize_azimuth(base.azimuth);
    r.elevation = offset == 0 || square(skew) ? alignment.design_elevation(st.s, offset)
                                              : elevation_where(alignment, r.x, r.y);
    return r;
}

// ---------------------------------------------------------------- inverse

namespace {

struct Foot {
    double s;
    double distance;
    bool corner = false;  // outside an angle point: the point itself is the foot
};

struct Search {
    const Alignment& a;
    double qx, qy;
    double best;  // smallest distance to a foot or end point found so far
    std::vector<Foot> feet;

    // Squared distance from the query to a box, 0 inside it.
    double box_distance2(double min_x, double min_y, double max_x, double max_y) const {
        const double dx = qx < min_x ? min_x - qx : qx > max_x ? qx - max_x : 0.0;
        const double dy = qy < min_y ? min_y - qy : qy > max_y ? qy - max_y : 0.0;
        return dx * dx + dy * dy;
    }

    // (Q − C)·T at a pose: positive while the foot lies further ahead.
    double lead(const Pose& p, double cos_az, double sin_az) const {
        return (qx - p.x) * cos_az + (qy - p.y) * sin_az;
    }

    // The foot inside a piece where the lead changes from positive at t0 to
    // zero or negative at t1: Newton's method kept inside the bracket.
    void solve(const Alignment::Piece& piece, double g0, double g1) {
        const Segment& seg = a.segments()[static_cast<std::size_t>(piece.segment)];
        const double c = (seg.k_end - seg.k_start) / (2 * seg.length);
        if (c == 0 && piece.k0 == 0) {
            // A straight: the foot is the projection.
            const double u = std::min(g0, piece.t1 - piece.t0);
            const double px = piece.pose.x + u * piece.cos0;
            const double py = piece.pose.y + u * piece.sin0;
            add(seg.s_start + piece.t0 + u, std::hypot(qx - px, qy - py));
            return;
        }
        double lo = 0;
        double hi = piece.t1 - piece.t0;
        double u = hi * (g0 / (g0 - g1));
        if (!(u > lo && u < hi)) u = 0.5 * hi;
        Pose p{};
        for (int iteration = 0; iteration < 60; ++iteration) {
            p = detail::advance(piece.pose, piece.k0, c, u);
            const double ca = std::cos(p.azimuth);
            const double sa = std::sin(p.azimuth);
            const double g = lead(p, ca, sa);
            if (g > 0) {
                lo = u;
            } else {
                hi = u;
            }
            const double across = -(qx - p.x) * sa + (qy - p.y) * ca;
            const double k = piece.k0 + 2 * c * u;
            const double slope = -1 + k * across;
            double next = slope < 0 ? u - g / slope : 0.5 * (lo + hi);
            if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
            const bool done =
                std::fabs(next - u) <= 1e-13 * (1 + std::fabs(piece.t0 + u)) || hi - lo <= 1e-13;
            u = next;
            if (done) break;
        }
        p = detail::advance(piece.pose, piece.k0, c, u);
        add(seg.s_start + piece.t0 + u, std::hypot(qx - p.x, qy - p.y));
    }

    // The last piece of an element followed by a corner (an angle point or
    // the next element's own start): its foot from its own end, and where
    // the point lies beyond that end but before the next element's start
    // (outside the angle), the corner itself.
    void corner(const Alignment::Piece& piece, const Alignment::Piece& next, double g0) {
        const Segment& seg = a.segments()[static_cast<std::size_t>(piece.segment)];
        const double c = (seg.k_end - seg.k_start) / (2 * seg.length);
        const Pose own = detail::advance(piece.pose, piece.k0, c, piece.t1 - piece.t0);
        const double g1 = lead(own, std::cos(own.azimuth), std::sin(own.azimuth));
        const double g_next = lead(next.pose, next.cos0, next.sin0);
        const double d_next = std::hypot(qx - next.pose.x, qy - next.pose.y);
        const double s_next = seg.s_start + seg.length;
        // A foot just at the next element's start (which its own piece,
        // starting there, leaves to the piece before).
        if (std::fabs(g_next) <= 1e-9 * (1 + d_next)) add(s_next, d_next);
        if (g1 <= 0) {
            solve(piece, g0, g1);
            return;
        }
        if (g_next <= 0) add(s_next, d_next, true);
    }

    void add(double s, double distance, bool corner = false) {
        for (const Foot& f : feet) {
            if (std::fabs(f.s - s) <= 1e-6) return;
        }
        feet.push_back({s, distance, corner});
        best = std::min(best, distance);
    }

    void run(const Pose& end) {
        const auto& nodes = a.nodes();
        const auto& pieces = a.pieces();
        int stack[128];
        int top = 0;
        stack[top++] = 0;
        while (top > 0) {
            const Alignment::Node& node = nodes[static_cast<std::size_t>(stack[--top])];
            const double bound = 2 * best + 1e-6;
            if (box_distance2(node.min_x, node.min_y, node.max_x, node.max_y) > bound * bound)
                continue;
            if (node.piece >= 0) {
                const std::size_t i = static_cast<std::size_t>(node.piece);
                const Alignment::Piece& piece = pieces[i];
                const double g0 = lead(piece.pose, piece.cos0, piece.sin0);
                if (!(g0 > 0)) continue;
                if (i + 1 < pieces.size() && pieces[i + 1].segment != piece.segment &&
                    a.segments()[static_cast<std::size_t>(pieces[i + 1].segment)].corner) {
                    corner(piece, pieces[i + 1], g0);
                    continue;
                }
                const double g1 =
                    i + 1 < pieces.size()
                        ? lead(pieces[i + 1].pose, pieces[i + 1].cos0, pieces[i + 1].sin0)
                        : lead(end, std::cos(end.azimuth), std::sin(end.azimuth));
                if (g1 <= 0) solve(piece, g0, g1);
                continue;
            }
            // The nearer child is searched first (pushed last).
            const Alignment::Node& l = nodes[static_cast<std::size_t>(node.left)];
            const Alignment::Node& r = nodes[static_cast<std::size_t>(node.right)];
            const double dl = box_distance2(l.min_x, l.min_y, l.max_x, l.max_y);
            const double dr = box_distance2(r.min_x, r.min_y, r.max_x, r.max_y);
            if (top + 2 > 128) continue;  // deeper than any tree of up to 2^60 pieces
            if (dl <= dr) {
                stack[top++] = node.right;
                stack[top++] = node.left;
            } else {
                stack[top++] = node.left;
                stack[top++] = node.right;
            }
        }
    }
};

std::string point_text(double x, double y) {
    return "点（" + geometry::shown_fixed(x, 3) + "，" + geometry::shown_fixed(y, 3) + "）";
}

}  // namespace

Outcome<InverseResult> inverse(const Alignment& alignment, double x, double y) {
    if (!std::isfinite(x) || std::fabs(x) > kMaxCoordinate) {
        return fail("坐标X不是有效数字或超出范围！", Subject::x);
    }
    if (!std::isfinite(y) || std::fabs(y) > kMaxCoordinate) {
        return fail("坐标Y不是有效数字或超出范围！", Subject::y);
    }
    const Pose start = alignment.pose_at(0);
    const Pose end = alignment.pose_at(alignment.length());
    Search search{alignment, x, y, 0, {}};
    search.feet.reserve(8);
    const double d_start = std::hypot(x - start.x, y - start.y);
    const double d_end = std::hypot(x - end.x, y - end.y);
    search.best = std::min(d_start, d_end);
    const double g_start = search.lead(start, std::cos(start.azimuth), std::sin(start.azimuth));
    const double g_end = search.lead(end, std::cos(end.azimuth), std::sin(end.azimuth));
    // A point square to an end (to the millimetre) has its foot there.
    if (g_start <= 0 && g_start >= -kEndTolerance) search.add(0, d_start);
    if (g_end >= 0 && g_end <= kEndTolerance) search.add(alignment.length(), d_end);
    search.run(end);

    const Foot* nearest = nullptr;
    for (const Foot& f : search.feet) {
        if (!nearest || f.distance < nearest->distance ||
            (f.distance == nearest->distance && f.s < nearest->s)) {
            nearest = &f;
        }
    }
    if (g_start < -kEndTolerance && (!nearest || d_start < nearest->distance) && d_start <= d_end) {
        return fail(
            point_text(x, y) + "的垂足在线路起点之前" + geometry::shown_fixed(-g_start, 3) + "m！",
            Subject::x);
    }
    if (g_end > kEndTolerance && (!nearest || d_end < nearest->distance)) {
        return fail(
            point_text(x, y) + "的垂足在线路终点之后" + geometry::shown_fixed(g_end, 3) + "m！",
            Subject::x);
    }
    if (!nearest) return fail(point_text(x, y) + "在线路上没有垂足！", Subject::x);

    InverseResult r;
    r.s = nearest->s;
    const Pose foot = alignment.pose_at(r.s);
    r.offset = -(x - foot.x) * std::sin(foot.azimuth) + (y - foot.y) * std::cos(foot.azimuth);
    if (nearest->corner) {
        // No perpendicular foot: the signed distance to the angle point.
        r.corner = true;
        r.offset = std::copysign(std::hypot(x - foot.x, y - foot.y), r.offset);
    }
    r.zone = alignment.zone_of(r.s);
    r.chainage = alignment.chainage_of(r.s, r.zone);
    r.azimuth = normalize_azimuth(foot.azimuth);
    r.elevation = alignment.design_elevation(r.s, r.offset);
    r.feet = 0;
    for (const Foot& f : search.feet) {
        if (f.distance <= 2 * nearest->distance + 1e-6) ++r.feet;
    }
    return r;
}

}  // namespace korvane::route
