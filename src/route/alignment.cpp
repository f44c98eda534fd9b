#include "route/alignment.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <string>

#include "geometry/fixed_text.h"
#include "route/angle.h"
#include "route/chainage.h"
#include "route/element_math.h"
#include "route/main_points.h"

namespace korvane::route {
namespace {

constexpr double kMaxCoordinate = 1e9;
constexpr double kMinLength = 1e-6;
constexpr double kMaxLength = 1e8;
constexpr double kMinRadius = 0.01;
constexpr double kMaxTurn = 100;     // radians turned by one element
constexpr double kClosure = 1e-6;    // metres between an exit transition's end and its tangent
constexpr double kTolerance = 1e-9;  // metres: positions this close are the same position
constexpr double kBoxMargin = 1e-6;  // metres added around every box against rounding
constexpr double kTouching = 1e-3;   // metres two vertical curves may overlap by

std::string ordinal(int row) {
    return "第" + std::to_string(row + 1) + "个";
}

bool finite_within(double v, double limit) {
    return std::isfinite(v) && std::fabs(v) <= limit;
}

Failure fail(std::string message, Subject subject, int index = -1, int other = -1) {
    return Failure{std::move(message), subject, index, other};
}

}  // namespace

struct Builder {
    Alignment a;

    void add_segment(const Pose& start, double length, double k1, double k2, int source) {
        Segment seg;
        seg.s_start = a.length_;
        seg.length = length;
        seg.k_start = k1;
        seg.k_end = k2;
        seg.start = start;
        seg.source = source;
        a.segments_.push_back(seg);
        a.length_ += length;
    }

    // The segments starting at the angle points of an alignment by
    // intersection points are corners.
    void mark_corners(const std::vector<double>& angles) {
        std::size_t i = 1;
        for (double s : angles) {
            while (i < a.segments_.size() && a.segments_[i].s_start < s) ++i;
            if (i < a.segments_.size() && a.segments_[i].s_start == s) a.segments_[i].corner = true;
        }
    }

    static Pose end_of(const Segment& seg) {
        return detail::advance(seg.start, seg.k_start, (seg.k_end - seg.k_start) / (2 * seg.length),
                               seg.length);
    }

    void add_key(std::string label, double s, const Pose& p, double radius, int source) {
        a.key_points_.push_back(detail::key_point(std::move(label), s, p, radius, source));
    }

    static double radius_of(double k) { return k == 0 ? kStraight : 1.0 / k; }

    // QZ, the middle of the whole curve from ZH (or ZY) to HZ (or YZ), as a
    // curve elements table gives it: on an asymmetric curve it is not the
    // middle of the circular curve and may lie on a transition. The curve's
    // segments start at `first_segment`, its main points at `first_key`; QZ
    // goes among them in order of position.
    void add_middle(double s_begin, std::size_t first_segment, std::size_t first_key,
                    double arc_radius, int jd) {
        const double s = s_begin + 0.5 * (a.length_ - s_begin);
        std::size_t i = first_segment;
        while (i + 1 < a.segments_.size() && a.segments_[i + 1].s_start <= s) ++i;
        const Segment& seg = a.segments_[i];
        const double t = std::min(s - seg.s_start, seg.length);
        const Pose p = detail::advance(seg.start, seg.k_start,
                                       (seg.k_end - seg.k_start) / (2 * seg.length), t);
        // The radius there: the curve's own on the circular curve, else the
        // transition's at that point.
        const double k = seg.k_start + (seg.k_end - seg.k_start) * t / seg.length;
        add_key("QZ", s, p, seg.k_start == seg.k_end ? arc_radius : radius_of(k), jd);
        const auto begin = a.key_points_.begin() + static_cast<std::ptrdiff_t>(first_key);
        const auto at = std::upper_bound(begin, a.key_points_.end() - 1, s,
                                         [](double v, const KeyPoint& kp) { return v < kp.s; });
        std::rotate(at, a.key_points_.end() - 1, a.key_points_.end());
    }

    std::optional<Failure> check_start(double chainage, double x, double y) {
        if (!finite_within(chainage, kMaxChainage)) {
            return fail("起点桩号不是有效数字或超出范围！", Subject::start);
        }
        if (!finite_within(x, kMaxCoordinate) || !finite_within(y, kMaxCoordinate)) {
            return fail("起点坐标不是有效数字或超出范围！", Subject::start);
        }
        return std::nullopt;
    }

    std::optional<Failure> elements(const ElementsDef& def) {
        if (auto f = check_start(def.start_chainage, def.start_x, def.start_y)) return f;
        if (!finite_within(def.start_azimuth, 1e6)) {
            return fail("起点方位角不是有效数字！", Subject::start);
        }
        if (def.elements.empty()) return fail("线路没有线元！", Subject::element);
        Pose pose{def.start_x, def.start_y, normalize_azimuth(def.start_azimuth)};
        const int n = static_cast<int>(def.elements.size());
        for (int i = 0; i < n; ++i) {
            const ElementDef& e = def.elements[static_cast<std::size_t>(i)];
            const std::string who = ordinal(i) + "线元";
            if (std::isnan(e.length) || e.length <= 0) {
                return fail(who + "的长度必须大于0！", Subject::element, i);
            }
            if (!(e.length >= kMinLength && e.length <= kMaxLength)) {
                return fail(who + "的长度超出范围（0.000001m至100000km）！", Subject::element, i);
            }
            for (double r : {e.radius_start, e.radius_end}) {
                if (std::isnan(r)) return fail(who + "的半径不是有效数字！", Subject::element, i);
                if (r == 0) return fail(who + "的半径不能为0！", Subject::element, i);
                if (std::fabs(r) < kMinRadius) {
                    return fail(who + "的半径太小（不能小于0.01m）！", Subject::element, i);
                }
            }
            const double k1 = curvature(e.radius_start);
            const double k2 = curvature(e.radius_end);
            if (std::max(std::fabs(k1), std::fabs(k2)) * e.length > kMaxTurn) {
                return fail(who + "的转角过大（不能超过100弧度）！", Subject::element, i);
            }
            if (a.length_ + e.length > kMaxLength) {
                return fail("线路总长超出范围（不能超过100000km）！", Subject::element, i);
            }
            Pose from = pose;
            if (i > 0 && e.start) {
                const ElementStart& st = *e.start;
                if (!finite_within(st.x, kMaxCoordinate) || !finite_within(st.y, kMaxCoordinate) ||
                    !finite_within(st.azimuth, 1e6)) {
                    return fail(who + "的起点坐标或方位角不是有效数字或超出范围！",
                                Subject::element, i);
                }
                from = Pose{st.x, st.y, normalize_azimuth(st.azimuth)};
            } else if (i > 0 && e.turn != 0) {
                if (!(std::fabs(e.turn) < std::numbers::pi)) {
                    return fail(who + "前的折点转角必须小于180°！", Subject::element, i);
                }
                from.azimuth = pose.azimuth + e.turn;
            }
            add_segment(from, e.length, k1, k2, i);
            if (i > 0) {
                const double angle =
                    std::remainder(from.azimuth - pose.azimuth, 2 * std::numbers::pi);
                const double gap = std::hypot(from.x - pose.x, from.y - pose.y);
                a.segments_.back().corner = angle != 0 || gap != 0;
            }
            if (i == 0) add_key("QD", 0, from, radius_of(k1), 0);
            pose = end_of(a.segments_.back());
        }
        for (KeyPoint& k : detail::join_points(a.segments_, def))
            a.key_points_.push_back(std::move(k));
        add_key("ZD", a.length_, pose, radius_of(a.segments_.back().k_end), n - 1);
        return std::nullopt;
    }

    std::optional<Failure> points(const PointsDef& def) {
        if (auto f = check_start(def.start_chainage, def.start_x, def.start_y)) return f;
        if (!finite_within(def.end_x, kMaxCoordinate) ||
            !finite_within(def.end_y, kMaxCoordinate)) {
            return fail("终点坐标不是有效数字或超出范围！", Subject::end_point);
        }
        const int n = static_cast<int>(def.points.size());
        struct Corner {
            double x, y;
        };
        std::vector<Corner> corner;
        corner.push_back({def.start_x, def.start_y});
        auto jd_name = [&](int i) {
            const std::string& name = def.points[static_cast<std::size_t>(i)].name;
            return name.empty() ? ordinal(i) + "交点" : "交点" + name;
        };
        for (int i = 0; i < n; ++i) {
            const IntersectionPoint& p = def.points[static_cast<std::size_t>(i)];
            const std::string who = jd_name(i);
            if (!finite_within(p.x, kMaxCoordinate) || !finite_within(p.y, kMaxCoordinate)) {
                return fail(who + "的坐标不是有效数字或超出范围！", Subject::intersection_point, i);
            }
            const bool angle_point = p.radius == 0;
            if (std::isnan(p.radius) || p.radius < 0) {
                return fail(who + "的半径必须大于0！", Subject::intersection_point, i);
            }
            if (angle_point && (p.entry_transition != 0 || p.exit_transition != 0)) {
                return fail(who + "的半径为0（折点），不能有缓和曲线！",
                            Subject::intersection_point, i);
            }
            if (!angle_point && !(p.radius >= kMinRadius && p.radius <= kMaxLength)) {
                return fail(who + "的半径超出范围（0.01m至100000km）！",
                            Subject::intersection_point, i);
            }
            for (double ls : {p.entry_transition, p.exit_transition}) {
                if (std::isnan(ls) || ls < 0) {
                    return fail(who + "的缓和曲线长度不能为负！", Subject::intersection_point, i);
                }
                if (ls > kMaxLength || (ls > 0 && ls < kMinLength)) {
                    return fail(who + "的缓和曲线长度超出范围！", Subject::intersection_point, i);
                }
            }
            corner.push_back({p.x, p.y});
        }
        corner.push_back({def.end_x, def.end_y});

        // The legs between consecutive points: azimuth and length.
        const int legs = n + 1;
        std::vector<double> azimuth(static_cast<std::size_t>(legs));
        std::vector<double> distance(static_cast<std::size_t>(legs));
        for (int i = 0; i < legs; ++i) {
            const double dx =
                corner[static_cast<std::size_t>(i) + 1].x - corner[static_cast<std::size_t>(i)].x;
            const double dy =
                corner[static_cast<std::size_t>(i) + 1].y - corner[static_cast<std::size_t>(i)].y;
            distance[static_cast<std::size_t>(i)] = std::hypot(dx, dy);
            azimuth[static_cast<std::size_t>(i)] = normalize_azimuth(std::atan2(dy, dx));
            if (!(distance[static_cast<std::size_t>(i)] >= kMinLength)) {
                if (i < n)
                    return fail(jd_name(i) + "与前一点重合！", Subject::intersection_point, i);
                if (n == 0) return fail("终点与起点重合！", Subject::end_point);
                return fail("终点与" + jd_name(n - 1) + "重合！", Subject::end_point);
            }
        }

        struct Curve {
            double sign, radius, ls1, ls2, t1, t2, ly, deflection;
            bool angle_point;  // R = 0: the tangents meet at the JD
        };
        std::vector<Curve> curves;
        for (int i = 0; i < n; ++i) {
            const IntersectionPoint& p = def.points[static_cast<std::size_t>(i)];
            const std::string who = jd_name(i);
            const double alpha = std::remainder(
                azimuth[static_cast<std::size_t>(i) + 1] - azimuth[static_cast<std::size_t>(i)],
                2 * std::numbers::pi);
            const double deflection = std::fabs(alpha);
            if (deflection < 1e-12) {
                return fail(who + "没有转角（前后切线在一条直线上）！", Subject::intersection_point,
                            i);
            }
            if (deflection >= std::numbers::pi - 1e-12) {
                return fail(who + "的转角不能达到180°！", Subject::intersection_point, i);
            }
            const double r = p.radius;
            if (r == 0) {
                curves.push_back({alpha > 0 ? 1.0 : -1.0, 0, 0, 0, 0, 0, 0, deflection, true});
                continue;
            }
            // p and q of each transition from its exact end point.
            auto shift = [&](double ls, double& pp, double& qq, double& beta) {
                pp = qq = beta = 0;
                if (ls == 0) return;
                const Pose end = detail::advance(Pose{0, 0, 0}, 0, 1.0 / (2 * r * ls), ls);
                beta = ls / (2 * r);
                pp = end.y - r * (1 - std::cos(beta));
                qq = end.x - r * std::sin(beta);
            };
            double p1, q1, b1, p2, q2, b2;
            shift(p.entry_transition, p1, q1, b1);
            shift(p.exit_transition, p2, q2, b2);
            const double sin_a = std::sin(deflection);
            const double cos_a = std::cos(deflection);
            const double t1 = q1 + ((r + p2) - (r + p1) * cos_a) / sin_a;
            const double t2 = q2 + ((r + p1) - (r + p2) * cos_a) / sin_a;
            double ly = r * (deflection - b1 - b2);
            if (ly < -kTolerance) {
                return fail(who + "的缓和曲线太长，圆曲线长度为负（Ly=" +
                                geometry::shown_fixed(ly, 3) + "m）！",
                            Subject::intersection_point, i);
            }
            if (ly < kMinLength) ly = 0;
            curves.push_back({alpha > 0 ? 1.0 : -1.0, r, p.entry_transition, p.exit_transition, t1,
                              t2, ly, deflection, false});
        }

        // The straights between the curves.
        std::vector<double> straight(static_cast<std::size_t>(legs));
        for (int i = 0; i < legs; ++i) {
            const double before = i > 0 ? curves[static_cast<std::size_t>(i) - 1].t2 : 0.0;
            const double after = i < n ? curves[static_cast<std::size_t>(i)].t1 : 0.0;
            double len = distance[static_cast<std::size_t>(i)] - before - after;
            if (len < -kTolerance) {
                const std::string gap = "（夹直线长度为" + geometry::shown_fixed(len, 3) + "m）！";
                if (i == 0) {
                    return fail(jd_name(0) + "的切线长超过起点到该交点的距离" + gap,
                                Subject::intersection_point, 0);
                }
                if (i == n) {
                    return fail(jd_name(n - 1) + "的切线长超过该交点到终点的距离" + gap,
                                Subject::intersection_point, n - 1);
                }
                return fail(jd_name(i - 1) + "与" + jd_name(i) + "的曲线重叠" + gap,
                            Subject::intersection_point, i - 1, i);
            }
            if (len < kMinLength) len = 0;
            straight[static_cast<std::size_t>(i)] = len;
        }
        double total = 0;
        for (int i = 0; i < legs; ++i) total += straight[static_cast<std::size_t>(i)];
        for (const Curve& c : curves) total += c.ls1 + c.ly + c.ls2;
        if (total > kMaxLength)
            return fail("线路总长超出范围（不能超过100000km）！", Subject::end_point);

        // The elements, each curve started at its ZH on the incoming tangent.
        auto along = [&](int corner_index, int leg, double d) {
            const Corner& c = corner[static_cast<std::size_t>(corner_index)];
            const double az = azimuth[static_cast<std::size_t>(leg)];
            return Pose{c.x + d * std::cos(az), c.y + d * std::sin(az), az};
        };
        add_key("QD", 0, along(0, 0, 0), kStraight, -1);
        std::vector<double> angles;
        for (int i = 0; i <= n; ++i) {
            // Straight from the previous curve's end (or QD) along leg i.
            const Pose from =
                i == 0 ? along(0, 0, 0) : along(i, i, curves[static_cast<std::size_t>(i) - 1].t2);
            if (straight[static_cast<std::size_t>(i)] > 0) {
                add_segment(from, straight[static_cast<std::size_t>(i)], 0, 0, -1);
            }
            if (i == n) break;
            const Curve& c = curves[static_cast<std::size_t>(i)];
            if (c.angle_point) {
                // The azimuth turns at the JD; the next straight starts there.
                const std::string& name = def.points[static_cast<std::size_t>(i)].name;
                add_key(name.empty() ? "折点" : name, a.length_, along(i + 1, i + 1, 0), kStraight,
                        i);
                angles.push_back(a.length_);
                continue;
            }
            const double k = c.sign / c.radius;
            const double sr = c.sign * c.radius;
            Pose pose = along(i + 1, i, -c.t1);
            const double s_begin = a.length_;
            const std::size_t first_segment = a.segments_.size();
            const std::size_t first_key = a.key_points_.size();
            // NOLINTNEXTLINE(bugprone-narrowing-conversions): infinity is a double, not narrowed
            add_key(c.ls1 > 0 ? "ZH" : "ZY", a.length_, pose, c.ls1 > 0 ? kStraight : sr, i);
            if (c.ls1 > 0) {
                add_segment(pose, c.ls1, 0, k, i);
                pose = end_of(a.segments_.back());
                add_key("HY", a.length_, pose, sr, i);
            }
            if (c.ly > 0) {
                add_segment(pose, c.ly, k, k, i);
                pose = end_of(a.segments_.back());
            }
            if (c.ls2 > 0) {
                add_key("YH", a.length_, pose, sr, i);
                add_segment(pose, c.ls2, k, 0, i);
                pose = end_of(a.segments_.back());
            }
            add_middle(s_begin, first_segment, first_key, sr, i);
            // The curve must end on the outgoing tangent, at HZ, with its azimuth.
            const Pose exit = along(i + 1, i + 1, c.t2);
            const double gap = std::hypot(pose.x - exit.x, pose.y - exit.y);
            const double turn =
                std::fabs(std::remainder(pose.azimuth - exit.azimuth, 2 * std::numbers::pi));
            if (!(gap <= kClosure) || !(turn <= 1e-9)) {
                return fail(jd_name(i) + "的曲线终点不在出口切线上（闭合差" +
                                geometry::shown_fixed(gap, 6) + "m）！",
                            Subject::intersection_point, i);
            }
            add_key(c.ls2 > 0 ? "HZ" : "YZ", a.length_, exit, kStraight, i);
        }
        if (a.segments_.empty()) return fail("线路长度为0！", Subject::end_point);
        mark_corners(angles);
        add_key("ZD", a.length_, along(n + 1, n, 0), kStraight, -1);
        return std::nullopt;
    }

    std::optional<Failure> breaks(const std::vector<ChainBreak>& list, double start_chainage) {
        a.zones_.push_back(Zone{0, a.length_, start_chainage});
        for (int i = 0; i < static_cast<int>(list.size()); ++i) {
            const ChainBreak& b = list[static_cast<std::size_t>(i)];
            const std::string who = ordinal(i) + "断链";
            if (!finite_within(b.back, kMaxChainage) || !finite_within(b.ahead, kMaxChainage)) {
                return fail(who + "的桩号不是有效数字或超出范围！", Subject::chain_break, i);
            }
            Zone& zone = a.zones_.back();
            const double s = b.back - zone.constant;
            const std::string text = a.chainage_text(b.back) + "=" + a.chainage_text(b.ahead);
            if (i > 0 && s <= zone.s_begin + kTolerance) {
                return fail(who + text + "不在前一断链之后（断链须按顺序给出）！",
                            Subject::chain_break, i);
            }
            if (!(s > zone.s_begin + kTolerance && s < a.length_ - kTolerance)) {
                return fail(who + text + "的来向桩号不在线路上（应在" +
                                a.chainage_text(zone.s_begin + zone.constant) + "至" +
                                a.chainage_text(a.length_ + zone.constant) + "之间）！",
                            Subject::chain_break, i);
            }
            zone.s_end = s;
            a.zones_.push_back(Zone{s, a.length_, b.ahead - s});
            const Pose p = a.pose_at(s);
            add_key("断链", s, p, radius_of(a.curvature_at(s)), i);
            a.key_points_.back().ahead = b.ahead;
            a.key_points_.back().chainage = b.back;
            a.key_points_.back().zone = static_cast<int>(a.zones_.size()) - 1;
        }
        return std::nullopt;
    }

    // The number of quadrature pieces of a segment.
    static int pieces_of(const Segment& seg) {
        const double kmax = std::max(std::fabs(seg.k_start), std::fabs(seg.k_end));
        return std::max(1, static_cast<int>(std::ceil(kmax * seg.length / detail::kMaxPieceTurn)));
    }

    void build_pieces() {
        const int count = static_cast<int>(a.segments_.size());
        // Room for all of them at once: no vector doubles and copies itself
        // on the way (a large alignment would briefly hold three times its
        // pieces).
        std::size_t total = 0;
        for (const Segment& seg : a.segments_) total += static_cast<std::size_t>(pieces_of(seg));
        a.pieces_.reserve(total);
        a.nodes_.reserve(2 * total);
        a.first_piece_.reserve(a.segments_.size());
        a.piece_count_.reserve(a.segments_.size());
        a.piece_step_.reserve(a.segments_.size());
        for (int i = 0; i < count; ++i) {
            const Segment& seg = a.segments_[static_cast<std::size_t>(i)];
            const double c = (seg.k_end - seg.k_start) / (2 * seg.length);
            const int n = pieces_of(seg);
            const double step = seg.length / n;
            a.first_piece_.push_back(static_cast<int>(a.pieces_.size()));
            a.piece_count_.push_back(n);
            a.piece_step_.push_back(step);
            Pose from = seg.start;
            for (int j = 0; j < n; ++j) {
                const double t0 = j * step;
                const double t1 = j + 1 == n ? seg.length : (j + 1) * step;
                const Pose to = detail::advance(seg.start, seg.k_start, c, t1);
                Alignment::Piece p;
                p.segment = i;
                p.t0 = t0;
                p.t1 = t1;
                p.pose = from;
                p.k0 = seg.k_start + 2 * c * t0;
                p.cos0 = std::cos(from.azimuth);
                p.sin0 = std::sin(from.azimuth);
                // Every point of a piece turning at most θ lies within (t1 − t0)·θ/2
                // of its chord, and between its ends along the chord.
                const double turn = std::fabs(to.azimuth - from.azimuth);
                const double margin = (t1 - t0) * std::min(turn, 1.0) * 0.5 + kBoxMargin;
                p.min_x = std::min(from.x, to.x) - margin;
                p.max_x = std::max(from.x, to.x) + margin;
                p.min_y = std::min(from.y, to.y) - margin;
                p.max_y = std::max(from.y, to.y) + margin;
                a.pieces_.push_back(p);
                from = to;
            }
        }
        tree(0, static_cast<int>(a.pieces_.size()));
    }

    int tree(int lo, int hi) {
        const int index = static_cast<int>(a.nodes_.size());
        a.nodes_.emplace_back();
        if (hi - lo == 1) {
            const Alignment::Piece& p = a.pieces_[static_cast<std::size_t>(lo)];
            Alignment::Node& node = a.nodes_[static_cast<std::size_t>(index)];
            node.min_x = p.min_x;
            node.min_y = p.min_y;
            node.max_x = p.max_x;
            node.max_y = p.max_y;
            node.piece = lo;
            return index;
        }
        const int mid = lo + (hi - lo) / 2;
        const int left = tree(lo, mid);
        const int right = tree(mid, hi);
        Alignment::Node& node = a.nodes_[static_cast<std::size_t>(index)];
        const Alignment::Node& l = a.nodes_[static_cast<std::size_t>(left)];
        const Alignment::Node& r = a.nodes_[static_cast<std::size_t>(right)];
        node.left = left;
        node.right = right;
        node.min_x = std::min(l.min_x, r.min_x);
        node.min_y = std::min(l.min_y, r.min_y);
        node.max_x = std::max(l.max_x, r.max_x);
        node.max_y = std::max(l.max_y, r.max_y);
        return index;
    }

    // Position of a vertical point's chainage: in its zone, or in the one zone
    // holding it; before the start or after the end the first or last zone's
    // constant carries on (a profile may reach beyond the alignment).
    std::optional<Failure> profile_position(const VerticalPoint& v, int i, double& s) {
        const std::string who = ordinal(i) + "变坡点（" + a.chainage_text(v.chainage) + "）";
        const int zones = static_cast<int>(a.zones_.size());
        if (v.zone < 0 || v.zone > zones) {
            return fail(who + "的分区不存在（线路共" + std::to_string(zones) + "个分区）！",
                        Subject::vertical_point, i);
        }
        const Zone& first = a.zones_.front();
        const Zone& last = a.zones_.back();
        if (v.zone > 0) {
            const Zone& z = a.zones_[static_cast<std::size_t>(v.zone) - 1];
            s = v.chainage - z.constant;
            const bool before = v.zone == 1 && s < 0;
            const bool after = v.zone == zones && s > a.length_;
            if (!before && !after && (s < z.s_begin - kTolerance || s > z.s_end + kTolerance)) {
                return fail(who + "不在第" + std::to_string(v.zone) + "区内！",
                            Subject::vertical_point, i);
            }
            return std::nullopt;
        }
        int found = 0;
        for (const Zone& z : a.zones_) {
            const double zs = v.chainage - z.constant;
            if (zs >= z.s_begin - kTolerance && zs <= z.s_end + kTolerance) {
                if (++found > 1) {
                    return fail(who + "在长链内出现两次，请指定分区！", Subject::vertical_point, i);
                }
                s = std::clamp(zs, z.s_begin, z.s_end);
            }
        }
        if (found == 1) return std::nullopt;
        if (v.chainage - first.constant < 0) {
            s = v.chainage - first.constant;
            return std::nullopt;
        }
        if (v.chainage - last.constant > a.length_) {
            s = v.chainage - last.constant;
            return std::nullopt;
        }
        return fail(who + "在短链内，该桩号不存在！", Subject::vertical_point, i);
    }

    std::optional<Failure> profile(const std::vector<VerticalPoint>& list) {
        if (list.empty()) return std::nullopt;
        if (list.size() == 1) return fail("纵断面至少需要两个变坡点！", Subject::vertical_point, 0);
        const int n = static_cast<int>(list.size());
        std::vector<Alignment::Grade> g(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const VerticalPoint& v = list[static_cast<std::size_t>(i)];
            if (!finite_within(v.chainage, kMaxChainage)) {
                return fail(ordinal(i) + "变坡点的桩号不是有效数字或超出范围！",
                            Subject::vertical_point, i);
            }
            const std::string who = ordinal(i) + "变坡点（" + a.chainage_text(v.chainage) + "）";
            if (!finite_within(v.elevation, 1e6)) {
                return fail(who + "的高程不是有效数字或超出范围！", Subject::vertical_point, i);
            }
            if (std::isnan(v.radius) || v.radius < 0) {
                return fail(who + "的竖曲线半径不能为负！", Subject::vertical_point, i);
            }
            if (!(v.radius <= kMaxLength)) {
                return fail(who + "的竖曲线半径超出范围！", Subject::vertical_point, i);
            }
            const bool unsymmetric = v.length_in != 0 || v.length_out != 0;
            if (unsymmetric) {
                if (!(v.length_in > 0 && v.length_in <= kMaxLength && v.length_out > 0 &&
                      v.length_out <= kMaxLength)) {
                    return fail(who + "的不对称竖曲线前、后段长应为正数！", Subject::vertical_point,
                                i);
                }
                if (v.radius != 0) {
                    return fail(who + "不能同时给出竖曲线半径与不对称竖曲线的段长！",
                                Subject::vertical_point, i);
                }
            }
            if ((i == 0 || i == n - 1) && (v.radius != 0 || unsymmetric)) {
                return fail(who + "是纵断面的" + (i == 0 ? "起点" : "终点") + "，不能设竖曲线！",
                            Subject::vertical_point, i);
            }
            double s = 0;
            if (auto f = profile_position(v, i, s)) return f;
            if (i > 0 && !(s > g[static_cast<std::size_t>(i) - 1].s + kMinLength)) {
                return fail(who + "不在前一变坡点之后（变坡点须按桩号顺序给出）！",
                            Subject::vertical_point, i);
            }
            Alignment::Grade& gr = g[static_cast<std::size_t>(i)];
            gr.s = s;
            gr.elevation = v.elevation;
            gr.radius = v.radius;
            gr.tangent_in = v.length_in;
            gr.tangent_out = v.length_out;
        }
        for (int i = 0; i + 1 < n; ++i) {
            Alignment::Grade& gr = g[static_cast<std::size_t>(i)];
            const Alignment::Grade& next = g[static_cast<std::size_t>(i) + 1];
            gr.grade = (next.elevation - gr.elevation) / (next.s - gr.s);
        }
        for (int i = 1; i + 1 < n; ++i) {
            Alignment::Grade& gr = g[static_cast<std::size_t>(i)];
            const double omega = gr.grade - g[static_cast<std::size_t>(i) - 1].grade;
            if (gr.radius > 0 && omega != 0) {
                const double t = gr.radius * std::fabs(omega) / 2;
                gr.tangent_in = t;
                gr.tangent_out = t;
                gr.sign = omega > 0 ? 1.0 : -1.0;
                gr.divisor_in = 2 * gr.radius;
                gr.divisor_out = gr.divisor_in;
                gr.external = t * t / (2 * gr.radius);
            } else if (gr.tangent_in > 0 && omega != 0) {
                // Two parabolas with a common tangent above (below) the
                // point: E = |ω|·L1·L2 / (2(L1 + L2)), and each part rises
                // from its tangent as E·(x/Lk)².
                const double l1 = gr.tangent_in, l2 = gr.tangent_out;
                gr.sign = omega > 0 ? 1.0 : -1.0;
                gr.external = std::fabs(omega) * l1 * l2 / (2 * (l1 + l2));
                gr.divisor_in = l1 * l1 / gr.external;
                gr.divisor_out = l2 * l2 / gr.external;
            } else {
                gr.tangent_in = 0;
                gr.tangent_out = 0;
            }
        }
        for (int i = 0; i + 1 < n; ++i) {
            const Alignment::Grade& gr = g[static_cast<std::size_t>(i)];
            const Alignment::Grade& next = g[static_cast<std::size_t>(i) + 1];
            // Curves that touch within a millimetre (rounded design numbers)
            // are not an overlap.
            if (gr.tangent_out + next.tangent_in > next.s - gr.s + kTouching) {
                const std::string one = ordinal(i) + "变坡点";
                std::string two = ordinal(i + 1) + "变坡点";
                if (gr.tangent_out == 0) {
                    return fail(two.append("的竖曲线超出").append(one).append("！"),
                                Subject::vertical_point, i + 1, i);
                }
                if (next.tangent_in == 0) {
                    return fail(std::string(one).append("的竖曲线超出").append(two).append("！"),
                                Subject::vertical_point, i, i + 1);
                }
                return fail(std::string(one).append("与").append(two).append("的竖曲线重叠！"),
                            Subject::vertical_point, i, i + 1);
            }
        }
        a.profile_ = std::move(g);
        return std::nullopt;
    }
};

Outcome<Alignment> Alignment::build(const Definition& definition) {
    Builder b;
    b.a.name_ = definition.name;
    if (!valid_prefix(definition.prefix)) {
        return fail("桩号冠号须为以K结尾的大写字母！", Subject::prefix);
    }
    b.a.prefix_ = definition.prefix;
    // Beyond what one alignment holds: refused before any work.
    const auto too_many = [](const char* what, std::size_t limit, Subject subject) {
        return fail(std::string(what) + "超过" + std::to_string(limit) + "个，超出一条线路的上限！",
                    subject, static_cast<int>(limit));
    };
    if (definition.breaks.size() > kMaxChainBreaks)
        return too_many("断链", kMaxChainBreaks, Subject::chain_break);
    if (definition.profile.size() > kMaxVerticalPoints)
        return too_many("变坡点", kMaxVerticalPoints, Subject::vertical_point);
    double start_chainage = 0;
    if (const auto* e = std::get_if<ElementsDef>(&definition.horizontal)) {
        if (e->elements.size() > kMaxElements)
            return too_many("线元", kMaxElements, Subject::element);
        // Each element a segment and a main point.
        b.a.segments_.reserve(e->elements.size());
        b.a.key_points_.reserve(e->elements.size() + 1 + definition.breaks.size());
        if (auto f = b.elements(*e)) return *f;
        start_chainage = e->start_chainage;
    } else {
        const auto& p = std::get<PointsDef>(definition.horizontal);
        if (p.points.size() > kMaxIntersectionPoints)
            return too_many("交点", kMaxIntersectionPoints, Subject::intersection_point);
        // Each curve up to three segments and five main points, and the
        // straights between them.
        b.a.segments_.reserve(4 * p.points.size() + 1);
        b.a.key_points_.reserve(5 * p.points.size() + 2 + definition.breaks.size());
        if (auto f = b.points(p)) return *f;
        start_chainage = p.start_chainage;
    }
    b.build_pieces();
    // Key points in order along the line (a stable sort keeps HZ before ZH
    // where a curve ends where the next one starts).
    if (auto f = b.breaks(definition.breaks, start_chainage)) return *f;
    std::stable_sort(b.a.key_points_.begin(), b.a.key_points_.end(),
                     [](const KeyPoint& l, const KeyPoint& r) { return l.s < r.s; });
    for (KeyPoint& k : b.a.key_points_) {
        if (k.ahead) continue;
        k.zone = b.a.zone_of(k.s);
        k.chainage = b.a.chainage_of(k.s, k.zone);
    }
    if (auto f = b.profile(definition.profile)) return *f;
    Outcome<Section> section = Section::build(definition, b.a);
    if (!section) return section.failure();
    b.a.section_ = std::move(section.value());
    return std::move(b.a);
}

int Alignment::segment_of(double s) const {
    const auto it = std::upper_bound(segments_.begin(), segments_.end(), s,
                                     [](double v, const Segment& seg) { return v < seg.s_start; });
    const auto i = it - segments_.begin() - 1;
    return static_cast<int>(
        std::clamp<std::ptrdiff_t>(i, 0, static_cast<std::ptrdiff_t>(segments_.size()) - 1));
}

Alignment::Spot Alignment::spot_in(int i, double s) const {
    const Segment& seg = segments_[static_cast<std::size_t>(i)];
    const double t = std::clamp(s - seg.s_start, 0.0, seg.length);
    const double c = (seg.k_end - seg.k_start) / (2 * seg.length);
    const double step = piece_step_[static_cast<std::size_t>(i)];
    const int count = piece_count_[static_cast<std::size_t>(i)];
    const int j = std::min(static_cast<int>(t / step), count - 1);
    const Piece& p = pieces_[static_cast<std::size_t>(first_piece_[static_cast<std::size_t>(i)]) +
                             static_cast<std::size_t>(j)];
    return {&p, c, t - p.t0};
}

Pose Alignment::pose_at(double s) const {
    const Spot at = spot_in(segment_of(s), s);
    const Piece& p = *at.piece;
    // From the piece's start, whose cosine and sine are kept with it.
    return detail::advance(p.pose, p.cos0, p.sin0, p.k0, at.c, at.u);
}

Alignment::Frame Alignment::frame_at(double s, int& hint) const {
    // The element as segment_of finds it: the last one starting at or before s.
    const int n = static_cast<int>(segments_.size());
    const auto starts_by = [&](int i) {
        return segments_[static_cast<std::size_t>(i)].s_start <= s;
    };
    int i = hint;
    if (i < 0 || i >= n || !starts_by(i)) {
        i = segment_of(s);
    } else {
        int steps = 0;
        while (i + 1 < n && starts_by(i + 1) && steps < 4) {
            ++i;
            ++steps;
        }
        if (i + 1 < n && starts_by(i + 1)) i = segment_of(s);
    }
    hint = i;
    const Spot at = spot_in(i, s);
    const Piece& p = *at.piece;
    const double c = at.c;
    const double u = at.u;
    Frame f;
    f.pose = detail::advance(p.pose, p.cos0, p.sin0, p.k0, c, u);
    // The turning from the piece's start, within its 1/16 rad (to rounding).
    const double turn = p.k0 * u + c * u * u;
    const double ct = detail::any_cos(turn);
    const double st = detail::any_sin(turn);
    f.cos_az = p.cos0 * ct - p.sin0 * st;
    f.sin_az = p.sin0 * ct + p.cos0 * st;
    return f;
}

double Alignment::curvature_at(double s) const {
    const Segment& seg = segments_[static_cast<std::size_t>(segment_of(s))];
    const double t = std::clamp(s - seg.s_start, 0.0, seg.length);
    return seg.k_start + (seg.k_end - seg.k_start) * (t / seg.length);
}

std::optional<double> Alignment::elevation_at(double s) const {
    if (profile_.empty()) return std::nullopt;
    if (!(s >= profile_.front().s - kTolerance && s <= profile_.back().s + kTolerance)) {
        return std::nullopt;
    }
    // Just outside either end (within the tolerance) is that end: past it a
    // distance to the end would be negative, and the end's vertical curve of
    // radius 0 would divide by zero.
    s = std::clamp(s, profile_.front().s, profile_.back().s);
    const auto it = std::upper_bound(profile_.begin(), profile_.end(), s,
                                     [](double v, const Grade& g) { return v < g.s; });
    const std::size_t i = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(
        it - profile_.begin() - 1, 0, static_cast<std::ptrdiff_t>(profile_.size()) - 2));
    const Grade& g = profile_[i];
    const Grade& next = profile_[i + 1];
    const double from = s - g.s;
    const double to = next.s - s;
    double h = g.elevation + g.grade * from;
    if (from < g.tangent_out) {
        const double x = g.tangent_out - from;
        h += g.sign * x * x / g.divisor_out;
    } else if (to < next.tangent_in) {
        const double x = next.tangent_in - to;
        h += next.sign * x * x / next.divisor_in;
    }
    return h;
}

}  // namespace korvane::route
