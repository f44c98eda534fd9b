#include "route/main_points.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "route/angle.h"
#include "route/element_math.h"

namespace korvane::route {
namespace {

double radius_of(double k) {
    return k == 0 ? kStraight : 1.0 / k;
}

Pose end_of(const Segment& seg) {
    return detail::advance(seg.start, seg.k_start, (seg.k_end - seg.k_start) / (2 * seg.length),
                           seg.length);
}

enum class Kind { straight, transition, arc };

Kind kind_of(const Segment& seg) {
    if (seg.k_start == 0 && seg.k_end == 0) return Kind::straight;
    return seg.k_start == seg.k_end ? Kind::arc : Kind::transition;
}

class Joins {
  public:
    explicit Joins(const std::vector<Segment>& segments)
        : seg_(segments), length_(segments.back().s_start + segments.back().length) {}

    std::vector<KeyPoint> run(const ElementsDef& def) {
        join_labels(def);
        // QZ (added last) after the boundaries at its position.
        std::stable_sort(out_.begin(), out_.end(),
                         [](const KeyPoint& l, const KeyPoint& r) { return l.s < r.s; });
        return std::move(out_);
    }

  private:
    void add_key(std::string label, double s, const Pose& p, double radius, int source) {
        out_.push_back(detail::key_point(std::move(label), s, p, radius, source));
    }

    // The boundaries of an element-defined alignment named by the elements
    // they join, and the QZ of each curve between straights. An angle larger
    // than kAnglePoint (or than kAngleBetweenStraights between two straights)
    // makes the boundary an angle point; smaller ones are the seconds of arc
    // that design programs leave between elements.
    void join_labels(const ElementsDef& def) {
        constexpr double kAngleBetweenStraights = 4.8481368110953599e-6;  // 1″
        constexpr double kAnglePoint = 1e-3;                              // radians, about 3.4′
        const std::vector<Segment>& seg = seg_;
        const int n = static_cast<int>(seg.size());
        // A curve runs from `curve_begin` (-1: none open); it counts for QZ
        // only where it starts and ends at a straight or at curvature 0.
        int curve_begin = -1;
        bool curve_from_tangent = false;
        auto close_curve = [&](int end, bool to_tangent) {
            if (curve_begin >= 0 && curve_from_tangent && to_tangent) {
                const double s0 = seg[static_cast<std::size_t>(curve_begin)].s_start;
                const Segment& last = seg[static_cast<std::size_t>(end) - 1];
                middle(s0, last.s_start + last.length, static_cast<std::size_t>(curve_begin));
            }
            curve_begin = -1;
        };
        const Segment& first = seg.front();
        if (kind_of(first) != Kind::straight) {
            curve_begin = 0;
            curve_from_tangent = first.k_start == 0;
            if (kind_of(first) == Kind::transition && first.k_start == 0) {
                add_key("ZH", 0, first.start, kStraight, 0);
            }
        }
        for (int i = 1; i < n; ++i) {
            const Segment& prev = seg[static_cast<std::size_t>(i) - 1];
            const Segment& next = seg[static_cast<std::size_t>(i)];
            const ElementDef& e = def.elements[static_cast<std::size_t>(i)];
            const Pose end = end_of(prev);
            const double angle =
                std::fabs(std::remainder(next.start.azimuth - end.azimuth, 2 * std::numbers::pi));
            const Kind before = kind_of(prev);
            const Kind after = kind_of(next);
            const double r = radius_of(next.k_start);
            const double s = next.s_start;
            const bool both_straight = before == Kind::straight && after == Kind::straight;
            if (angle > kAnglePoint || (both_straight && angle > kAngleBetweenStraights)) {
                close_curve(i, false);
                add_key(e.name.empty() ? "折点" : e.name, s, next.start, r, i);
                if (after != Kind::straight) {
                    curve_begin = i;
                    curve_from_tangent = false;
                }
                continue;
            }
            const bool flat = prev.k_end == 0 && next.k_start == 0;
            if (before != Kind::straight && (after == Kind::straight || flat)) close_curve(i, true);
            if (after != Kind::straight && (before == Kind::straight || flat)) {
                curve_begin = i;
                curve_from_tangent = true;
            }
            using K = Kind;
            if (both_straight ||
                (before == K::arc && after == K::arc && prev.k_end == next.k_start)) {
                add_key(std::to_string(i + 1), s, next.start, r, i);
            } else if (before == K::straight) {
                add_key(after == K::arc ? "ZY" : "ZH", s, next.start, r, i);
            } else if (after == K::straight) {
                add_key(before == K::arc ? "YZ" : "HZ", s, next.start, r, i);
            } else if (before == K::transition && after == K::transition) {
                if (flat) {
                    add_key("HZ", s, next.start, r, i);
                    add_key("ZH", s, next.start, r, i);
                } else if (prev.k_end == next.k_start) {
                    add_key("HY", s, next.start, r, i);
                    add_key("YH", s, next.start, r, i);
                } else {
                    add_key("GQ", s, next.start, r, i);
                }
            } else if (before == K::transition) {
                add_key("HY", s, next.start, r, i);
            } else if (after == K::transition) {
                add_key("YH", s, next.start, r, i);
            } else {
                add_key("GQ", s, next.start, r, i);
            }
        }
        const Segment& last = seg.back();
        if (curve_begin >= 0) close_curve(n, last.k_end == 0);
        if (kind_of(last) == Kind::transition && last.k_end == 0) {
            add_key("HZ", length_, end_of(last), kStraight, n - 1);
        }
    }

    // QZ in the middle of a curve from s_begin to s_end whose first segment
    // is `first_segment`: the point, and the radius there.
    void middle(double s_begin, double s_end, std::size_t first_segment) {
        const double s = s_begin + 0.5 * (s_end - s_begin);
        std::size_t i = first_segment;
        while (i + 1 < seg_.size() && seg_[i + 1].s_start <= s) ++i;
        const Segment& seg = seg_[i];
        const double t = std::min(s - seg.s_start, seg.length);
        const Pose p = detail::advance(seg.start, seg.k_start,
                                       (seg.k_end - seg.k_start) / (2 * seg.length), t);
        const double k = seg.k_start + (seg.k_end - seg.k_start) * t / seg.length;
        add_key("QZ", s, p, radius_of(k), static_cast<int>(i));
    }

    const std::vector<Segment>& seg_;
    double length_;
    std::vector<KeyPoint> out_;
};

}  // namespace

KeyPoint detail::key_point(std::string label, double s, const Pose& pose, double radius,
                           int source) {
    KeyPoint k;
    k.label = std::move(label);
    k.s = s;
    k.x = pose.x;
    k.y = pose.y;
    k.azimuth = normalize_azimuth(pose.azimuth);
    k.radius = radius;
    k.source = source;
    return k;
}

std::vector<KeyPoint> detail::join_points(const std::vector<Segment>& segments,
                                          const ElementsDef& def) {
    if (segments.empty()) return {};
    return Joins(segments).run(def);
}

ElementsDef elements_of(const Definition& definition, const Alignment& alignment) {
    if (const auto* e = std::get_if<ElementsDef>(&definition.horizontal)) return *e;
    const auto& p = std::get<PointsDef>(definition.horizontal);
    ElementsDef e;
    e.start_chainage = p.start_chainage;
    e.start_x = p.start_x;
    e.start_y = p.start_y;
    const std::vector<Segment>& segments = alignment.segments();
    e.start_azimuth = segments.empty() ? 0 : normalize_azimuth(segments.front().start.azimuth);
    for (const Segment& s : segments) {
        e.elements.push_back({s.length, radius_of(s.k_start), radius_of(s.k_end)});
        // The elements of a JD's curve carry its name (LandXML keeps it).
        if (s.source >= 0 && s.source < static_cast<int>(p.points.size()))
            e.elements.back().name = p.points[static_cast<std::size_t>(s.source)].name;
    }  // Angle points: the element after one turns by the angle, with the JD's name.
    for (const KeyPoint& k : alignment.key_points()) {
        if (k.source < 0 || k.ahead || k.source >= static_cast<int>(p.points.size()) ||
            p.points[static_cast<std::size_t>(k.source)].radius != 0)
            continue;
        const int i = alignment.segment_of(k.s);
        if (i <= 0 || !segments[static_cast<std::size_t>(i)].corner) continue;
        const Segment& before = segments[static_cast<std::size_t>(i) - 1];
        const Pose end = end_of(before);
        ElementDef& el = e.elements[static_cast<std::size_t>(i)];
        el.turn = std::remainder(segments[static_cast<std::size_t>(i)].start.azimuth - end.azimuth,
                                 2 * std::numbers::pi);
        el.name = p.points[static_cast<std::size_t>(k.source)].name;
    }
    return e;
}

Definition as_elements(const Definition& definition, const Alignment& alignment) {
    if (std::holds_alternative<ElementsDef>(definition.horizontal)) return definition;
    Definition out = definition;
    out.horizontal = elements_of(definition, alignment);
    // The superelevation and widening the points derive, as records by
    // chainage (with their zone where there are chain breaks).
    const auto records = [&](const std::vector<SectionRecord>& from) {
        std::vector<SideValues> to;
        to.reserve(from.size());
        for (const SectionRecord& r : from) {
            const int zone = alignment.zone_of(r.s);
            const double chainage = alignment.chainage_of(r.s, zone);
            to.push_back({chainage, alignment.zones().size() > 1 ? zone : 0, r.left, r.right});
        }
        return to;
    };
    out.section.superelevation = records(alignment.section().superelevation());
    out.section.widening = records(alignment.section().widening());
    return out;
}

}  // namespace korvane::route
