#include "route/curves.h"

#include <cmath>
#include <numbers>

#include "route/angle.h"

namespace korvane::route {
namespace {

CurvePlace place_at(const Alignment& a, double s) {
    const int zone = a.zone_of(s);
    return CurvePlace{s, zone, a.chainage_of(s, zone)};
}

// The distance from the JD `j` to the curve from s0 to s1 along the unit
// direction (dx, dy): the point of the curve on that line found by bisection
// on the side of the line it lies on (the curve starts on one side of the
// bisector and ends on the other).
double along_bisector(const Alignment& a, double jx, double jy, double dx, double dy, double s0,
                      double s1) {
    const auto side = [&](double s) {
        const Pose p = a.pose_at(s);
        return dx * (p.y - jy) - dy * (p.x - jx);
    };
    double lo = s0;
    double hi = s1;
    const bool lo_negative = side(lo) < 0;
    for (int i = 0; i < 200 && hi - lo > 1e-12; ++i) {
        const double mid = lo + 0.5 * (hi - lo);
        if (mid <= lo || mid >= hi) break;
        if ((side(mid) < 0) == lo_negative) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    const Pose p = a.pose_at(lo + 0.5 * (hi - lo));
    return std::hypot(p.x - jx, p.y - jy);
}

}  // namespace

Outcome<std::vector<CurveRow>> curve_table(const Definition& definition,
                                           const Alignment& alignment) {
    const auto* def = std::get_if<PointsDef>(&definition.horizontal);
    if (def == nullptr) {
        return Failure{"线元法线路没有交点，不能列出直曲表（直曲表只用于交点法线路）！",
                       Subject::none};
    }
    const int n = static_cast<int>(def->points.size());
    struct Corner {
        double x, y;
    };
    std::vector<Corner> corner;
    corner.reserve(static_cast<std::size_t>(n) + 2);
    corner.push_back({def->start_x, def->start_y});
    for (const IntersectionPoint& p : def->points) corner.push_back({p.x, p.y});
    corner.push_back({def->end_x, def->end_y});
    const auto leg_azimuth = [&](int i) {
        const Corner& from = corner[static_cast<std::size_t>(i)];
        const Corner& to = corner[static_cast<std::size_t>(i) + 1];
        return std::atan2(to.y - from.y, to.x - from.x);
    };

    // The main points of each JD, by their labels.
    struct Main {
        const KeyPoint* start = nullptr;  // ZH or ZY
        const KeyPoint* hy = nullptr;
        const KeyPoint* qz = nullptr;
        const KeyPoint* yh = nullptr;
        const KeyPoint* end = nullptr;  // HZ or YZ
        const KeyPoint* angle = nullptr;
    };
    std::vector<Main> main(static_cast<std::size_t>(n));
    for (const KeyPoint& k : alignment.key_points()) {
        if (k.source < 0 || k.source >= n || k.ahead) continue;
        Main& m = main[static_cast<std::size_t>(k.source)];
        if (k.label == "ZH" || k.label == "ZY") {
            m.start = &k;
        } else if (k.label == "HY") {
            m.hy = &k;
        } else if (k.label == "QZ") {
            m.qz = &k;
        } else if (k.label == "YH") {
            m.yh = &k;
        } else if (k.label == "HZ" || k.label == "YZ") {
            m.end = &k;
        } else {
            m.angle = &k;
        }
    }

    std::vector<CurveRow> rows;
    rows.reserve(static_cast<std::size_t>(n) + 2);
    CurveRow first;
    first.kind = CurveRow::Kind::start;
    first.name = "QD";
    first.station = place_at(alignment, 0);
    first.x = def->start_x;
    first.y = def->start_y;
    rows.push_back(first);
    for (int i = 0; i < n; ++i) {
        const IntersectionPoint& p = def->points[static_cast<std::size_t>(i)];
        const Main& m = main[static_cast<std::size_t>(i)];
        CurveRow row;
        row.name = p.name;
        row.source = i;
        row.x = p.x;
        row.y = p.y;
        const double az_in = leg_azimuth(i);
        const double az_out = leg_azimuth(i + 1);
        const double alpha = std::remainder(az_out - az_in, 2 * std::numbers::pi);
        row.deflection = std::fabs(alpha);
        row.right = alpha > 0;
        if (p.radius == 0) {
            row.kind = CurveRow::Kind::angle_point;
            if (m.angle) row.station = place_at(alignment, m.angle->s);
            rows.push_back(std::move(row));
            continue;
        }
        if (!m.start || !m.end || !m.qz) {
            return Failure{"交点" + p.name + "的主点不全，不能列出直曲表！",
                           Subject::intersection_point, i};
        }
        row.radius = p.radius;
        row.ls1 = p.entry_transition;
        row.ls2 = p.exit_transition;
        row.a1 = std::sqrt(p.radius * row.ls1);
        row.a2 = std::sqrt(p.radius * row.ls2);
        // The tangent lengths as the curve was laid out: from the JD to the
        // computed start and end points.
        row.t1 = std::hypot(p.x - m.start->x, p.y - m.start->y);
        row.t2 = std::hypot(m.end->x - p.x, m.end->y - p.y);
        row.zh = place_at(alignment, m.start->s);
        row.hz = place_at(alignment, m.end->s);
        row.qz = place_at(alignment, m.qz->s);
        row.hy = m.hy ? place_at(alignment, m.hy->s) : row.zh;
        row.yh = m.yh ? place_at(alignment, m.yh->s) : row.hz;
        row.length = m.end->s - m.start->s;
        row.arc_length = row.yh.s - row.hy.s;
        row.station = place_at(alignment, m.start->s + row.t1);
        // The bisector of the angle at the JD, pointing into the curve: the
        // sum of the unit vectors back along the incoming tangent and ahead
        // along the outgoing one.
        double dx = std::cos(az_out) - std::cos(az_in);
        double dy = std::sin(az_out) - std::sin(az_in);
        const double norm = std::hypot(dx, dy);
        dx /= norm;
        dy /= norm;
        row.external = along_bisector(alignment, p.x, p.y, dx, dy, m.start->s, m.end->s);
        rows.push_back(std::move(row));
    }
    CurveRow last;
    last.kind = CurveRow::Kind::end;
    last.name = "ZD";
    last.station = place_at(alignment, alignment.length());
    last.x = def->end_x;
    last.y = def->end_y;
    rows.push_back(last);
    return rows;
}

}  // namespace korvane::route
