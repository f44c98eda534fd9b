#include "route/section.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

#include "geometry/number_text.h"
#include "route/alignment.h"

namespace korvane::route {
namespace {

constexpr double kTolerance = 1e-9;   // metres: offsets this close to an edge are on it
constexpr double kMaxWidth = 1000;    // metres, one segment
constexpr double kMaxSlope = 100;     // percent
constexpr double kMaxWidening = 100;  // metres

Failure fail(std::string message, Subject subject, int index = -1, int other = -1) {
    message += "！";
    return Failure{std::move(message), subject, index, other};
}

std::string number(double v) {
    return geometry::exact_text(v);
}

const char* side_name(int side) {
    return side == 0 ? "左" : "右";
}

// One curve's superelevation and widening, worked out from its point.
struct Runoff {
    int jd = -1;
    double begin = 0;     // normal section (ZH, or ZY less the runoff length)
    double full_in = 0;   // full superelevation reached (HY, or ZY)
    double full_out = 0;  // full superelevation left (YH, or YZ)
    double end = 0;       // normal again (HZ, or YZ plus the runoff length)
    int inner = 1;        // 0 left, 1 right: the side towards the curve's centre
};

}  // namespace

// ---------------------------------------------------------------------------
// SectionAt

double SectionAt::slope(Side side, int i) const {
    return 100 * ratio_[static_cast<std::size_t>(index(side))][static_cast<std::size_t>(i)];
}

double SectionAt::edge(Side side, int i) const {
    return edge_[static_cast<std::size_t>(index(side))][static_cast<std::size_t>(i)];
}

double SectionAt::rise(int side, double distance) const {
    const auto k = static_cast<std::size_t>(side);
    const int n = count_[k];
    double inner = 0;
    for (int i = 0; i < n; ++i) {
        const auto j = static_cast<std::size_t>(i);
        if (distance <= edge_[k][j] || i == n - 1)
            return rise_[k][j] + ratio_[k][j] * (distance - inner);
        inner = edge_[k][j];
    }
    return 0;
}

std::optional<double> SectionAt::elevation(double offset) const {
    if (!has_h_) return std::nullopt;
    if (!has_template_) {
        if (std::fabs(offset - profile_offset_) <= kTolerance) return base_;
        return std::nullopt;
    }
    const int side = offset < 0 ? 0 : 1;
    const double distance = std::fabs(offset);
    const int n = count_[static_cast<std::size_t>(side)];
    const double outer = n == 0 ? 0 : edge_[static_cast<std::size_t>(side)][n - 1U];
    if (distance > outer + kTolerance) return std::nullopt;
    return base_ + rise(side, std::min(distance, outer));
}

// ---------------------------------------------------------------------------
// Section

Section::Interpolated Section::interpolate(const std::vector<SectionRecord>& records, double s,
                                           std::size_t& hint, const std::array<double, 2>& normal) {
    Interpolated r;
    if (records.empty() || s < records.front().s || s > records.back().s) return r;
    const std::size_t n = records.size();
    std::size_t i = hint < n ? hint : 0;
    if (records[i].s > s) i = 0;
    // The last record at or before s, found from the hint onwards.
    while (i + 1 < n && records[i + 1].s <= s) ++i;
    hint = i;
    const SectionRecord& a = records[i];
    const auto is_normal = [&](const SectionRecord& x) {
        return x.left == normal[0] && x.right == normal[1];
    };
    if (i + 1 == n) {
        if (is_normal(a)) return r;
        r.normal = false;
        r.left = a.left;
        r.right = a.right;
        return r;
    }
    const SectionRecord& b = records[i + 1];
    // Between two normal records the normal section holds: every segment at
    // its own normal slope, not only those equal to the side's first.
    if (is_normal(a) && is_normal(b)) return r;
    r.normal = false;
    const double t = (s - a.s) / (b.s - a.s);
    r.left = a.left + (b.left - a.left) * t;
    r.right = a.right + (b.right - a.right) * t;
    return r;
}

SectionAt Section::at(double s, std::optional<double> profile_elevation, SectionHint& hint) const {
    SectionAt r;
    r.has_template_ = has_template();
    r.profile_offset_ = profile_offset_;
    r.has_h_ = profile_elevation.has_value();
    if (!r.has_template_) {
        r.base_ = profile_elevation.value_or(0);
        return r;
    }
    const Interpolated slope = interpolate(slopes_, s, hint.slope, normal_);
    const Interpolated wide = interpolate(widening_, s, hint.widening, {0.0, 0.0});
    // Normal rise to a distance on a side, over the current widths.
    std::array<std::array<double, kMaxSectionParts>, 2> normal_ratio{};
    for (int side = 0; side < 2; ++side) {
        const auto k = static_cast<std::size_t>(side);
        const std::vector<SectionPart>& parts = side == 0 ? left_ : right_;
        const double value = side == 0 ? slope.left : slope.right;
        const double extra = wide.normal ? 0.0 : (side == 0 ? wide.left : wide.right);
        // The low side of a superelevated section: its turning segments fall
        // more steeply than their normal slope.
        const bool low = !slope.normal && widened_[k] >= 0 && value < normal_[k];
        double edge = 0;
        double rise = 0;
        std::optional<double> turning;  // the slope of the turning segment inside
        r.count_[k] = static_cast<int>(parts.size());
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const SectionPart& p = parts[i];
            double width = p.width;
            if (static_cast<int>(i) == widened_[k]) width += extra;
            double current = p.slope;
            if (p.turns) {
                if (!slope.normal) current = value;
                turning = current;
            } else if (low && turning) {
                current = std::min(current, *turning);
            }
            r.rise_[k][i] = rise;
            r.ratio_[k][i] = current / 100;
            normal_ratio[k][i] = p.slope / 100;
            rise += r.ratio_[k][i] * width;
            edge += width;
            r.edge_[k][i] = edge;
        }
    }
    // The rise S (current slopes) or N (normal slopes) from the centre line to
    // a signed offset inside the template.
    const auto rise_to = [&](double d, bool normal) {
        const int side = d < 0 ? 0 : 1;
        const auto k = static_cast<std::size_t>(side);
        const double distance = std::fabs(d);
        double inner = 0;
        double sum = 0;
        for (int i = 0; i < r.count_[k]; ++i) {
            const auto j = static_cast<std::size_t>(i);
            const double ratio = normal ? normal_ratio[k][j] : r.ratio_[k][j];
            const double outer = r.edge_[k][j];
            if (distance <= outer || i == r.count_[k] - 1)
                return sum + ratio * (std::min(distance, outer) - inner);
            sum += ratio * (outer - inner);
            inner = outer;
        }
        return sum;
    };
    const auto edge_of = [&](int side) {
        const auto k = static_cast<std::size_t>(side);
        if (widened_[k] < 0) return 0.0;
        const double e = r.edge_[k][static_cast<std::size_t>(widened_[k])];
        return side == 0 ? -e : e;
    };
    double axis = 0;
    switch (axis_.kind) {
        case AxisKind::centre:
            break;
        case AxisKind::offset:
            axis = axis_.offset;
            break;
        case AxisKind::inner_edge:
        case AxisKind::outer_edge:
            // The inner side falls towards the curve's centre: the lower of
            // the two sides. A normal (or level) section turns about nothing.
            if (!slope.normal && slope.left != slope.right) {
                const int inner = slope.left < slope.right ? 0 : 1;
                axis = edge_of(axis_.kind == AxisKind::inner_edge ? inner : 1 - inner);
            }
            break;
    }
    r.axis_ = axis;
    r.base_ = profile_elevation.value_or(0) + rise_to(axis, true) - rise_to(profile_offset_, true) -
              rise_to(axis, false);
    return r;
}

Outcome<Section> Section::build(const Definition& def, const Alignment& alignment) {
    Section sec;
    const SectionDef& d = def.section;
    // The template.
    for (int side = 0; side < 2; ++side) {
        const std::vector<SectionPart>& parts = side == 0 ? d.left : d.right;
        const Subject subject = side == 0 ? Subject::left_part : Subject::right_part;
        if (parts.size() > kMaxSectionParts) {
            return fail(std::string(side_name(side)) + "侧路幅超过" +
                            std::to_string(kMaxSectionParts) + "段",
                        subject, static_cast<int>(kMaxSectionParts));
        }
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const SectionPart& p = parts[i];
            const std::string who = std::string(side_name(side)) + "侧第" + std::to_string(i + 1) +
                                    "段路幅" + (p.name.empty() ? "" : "（" + p.name + "）");
            if (!(p.width > 0) || !(p.width <= kMaxWidth))
                return fail(who + "的宽度应大于0且不超过1000米", subject, static_cast<int>(i));
            if (!std::isfinite(p.slope) || std::fabs(p.slope) > kMaxSlope)
                return fail(who + "的横坡应在-100%到100%之间", subject, static_cast<int>(i));
        }
        const auto k = static_cast<std::size_t>(side);
        int innermost = -1;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (!parts[i].turns) continue;
            if (innermost < 0) innermost = static_cast<int>(i);
            sec.widened_[k] = static_cast<int>(i);
        }
        if (innermost >= 0) {
            sec.normal_[k] = parts[static_cast<std::size_t>(innermost)].slope;
        } else if (!parts.empty()) {
            sec.normal_[k] = parts.front().slope;
        }
    }
    sec.left_ = d.left;
    sec.right_ = d.right;
    const auto width_of = [&](const std::vector<SectionPart>& parts) {
        double w = 0;
        for (const SectionPart& p : parts) w += p.width;
        return w;
    };
    const auto inside = [&](double offset) {
        return offset < 0 ? -offset <= width_of(d.left) + kTolerance
                          : offset <= width_of(d.right) + kTolerance;
    };
    if (!std::isfinite(d.profile_offset) || std::fabs(d.profile_offset) > kMaxWidth)
        return fail("设计线偏距不是有效数字或超出范围", Subject::section_setting);
    if (sec.has_template() && !inside(d.profile_offset)) {
        return fail("设计线偏距" + number(d.profile_offset) + "米在路幅之外",
                    Subject::section_setting);
    }
    sec.profile_offset_ = d.profile_offset;
    if (d.axis.kind == AxisKind::offset) {
        if (!std::isfinite(d.axis.offset) || std::fabs(d.axis.offset) > kMaxWidth)
            return fail("旋转轴偏距不是有效数字或超出范围", Subject::section_setting);
        if (sec.has_template() && !inside(d.axis.offset))
            return fail("旋转轴偏距" + number(d.axis.offset) + "米在路幅之外",
                        Subject::section_setting);
    }
    sec.axis_ = d.axis;
    if (!std::isfinite(d.runoff) || d.runoff < 0 || d.runoff > 1e5)
        return fail("超高过渡长度应为不小于0的数", Subject::section_setting);
    if (d.superelevation.size() > kMaxSectionRecords || d.widening.size() > kMaxSectionRecords) {
        return fail("超高或加宽记录超过" + std::to_string(kMaxSectionRecords) + "条",
                    Subject::superelevation);
    }

    if (const auto* points = std::get_if<PointsDef>(&def.horizontal)) {
        if (!d.superelevation.empty()) {
            return fail("交点法线路的超高由各交点的超高值推出，不能另给超高记录",
                        Subject::superelevation, 0);
        }
        if (!d.widening.empty()) {
            return fail("交点法线路的加宽由各交点的加宽值推出，不能另给加宽记录", Subject::widening,
                        0);
        }
        sec.derived_ = true;
        // Each point's curve: its segments in order.
        std::vector<Runoff> runs;
        const std::vector<Segment>& segments = alignment.segments();
        std::size_t next = 0;
        for (std::size_t j = 0; j < points->points.size(); ++j) {
            const IntersectionPoint& ip = points->points[j];
            const int row = static_cast<int>(j);
            const std::string who = "交点" + (ip.name.empty() ? std::to_string(j + 1) : ip.name);
            if (!std::isfinite(ip.superelevation) || ip.superelevation < 0 ||
                ip.superelevation > kMaxSlope)
                return fail(who + "的超高应在0到100%之间", Subject::intersection_point, row);
            if (!std::isfinite(ip.widening) || ip.widening < 0 || ip.widening > kMaxWidening)
                return fail(who + "的加宽应在0到100米之间", Subject::intersection_point, row);
            if (ip.superelevation == 0 && ip.widening == 0) continue;
            if (ip.radius == 0)
                return fail(who + "是折点，没有曲线，不能设超高或加宽", Subject::intersection_point,
                            row);
            while (next < segments.size() && segments[next].source != row) ++next;
            if (next == segments.size()) continue;
            std::size_t last = next;
            while (last + 1 < segments.size() && segments[last + 1].source == row) ++last;
            const Segment& first = segments[next];
            const Segment& end = segments[last];
            Runoff run;
            run.jd = row;
            double k = 0;
            for (std::size_t i = next; i <= last; ++i)
                if (std::fabs(segments[i].k_start) > std::fabs(k)) k = segments[i].k_start;
            run.inner = k > 0 ? 1 : 0;
            const double zh = first.s_start;
            const double hz = end.s_start + end.length;
            const auto no_runoff = [&] {
                return fail(who + "的曲线没有缓和曲线，设超高或加宽须给出超高过渡长度",
                            Subject::intersection_point, row);
            };
            if (ip.entry_transition > 0) {
                run.begin = zh;
                run.full_in = zh + first.length;
            } else {
                if (!(d.runoff > 0)) return no_runoff();
                run.begin = zh - d.runoff;
                run.full_in = zh;
            }
            if (ip.exit_transition > 0) {
                run.full_out = end.s_start;
                run.end = hz;
            } else {
                if (!(d.runoff > 0)) return no_runoff();
                run.full_out = hz;
                run.end = hz + d.runoff;
            }
            next = last + 1;
            if (run.begin < -kTolerance || run.end > alignment.length() + kTolerance) {
                return fail(
                    who + "的超高过渡超出线路的" + (run.begin < -kTolerance ? "起点" : "终点"),
                    Subject::intersection_point, row);
            }
            if (!runs.empty() && run.begin < runs.back().end - 1e-6) {
                const IntersectionPoint& before =
                    points->points[static_cast<std::size_t>(runs.back().jd)];
                std::string message = "交点";
                message += before.name.empty() ? std::to_string(runs.back().jd + 1) : before.name;
                message += "与";
                message += who;
                message += "的超高过渡重叠";
                return fail(std::move(message), Subject::intersection_point, runs.back().jd, row);
            }
            // Flatter than the crown it starts from, the curve would first
            // have to steepen and then flatten its inside.
            const double h = ip.superelevation;
            for (int side = 0; side < 2; ++side) {
                const double fall = -sec.normal_[static_cast<std::size_t>(side)];
                if (h > 0 && h < fall - 1e-12 && sec.widened_[static_cast<std::size_t>(side)] >= 0)
                    return fail(who + "的超高" + number(h) + "%小于路拱横坡" + number(fall) + "%",
                                Subject::intersection_point, row);
            }
            runs.push_back(run);
            const int inner = run.inner;
            const int outer = 1 - inner;
            const auto record = [&](std::vector<SectionRecord>& list, double s, double in,
                                    double out) {
                SectionRecord rec;
                rec.s = s;
                (inner == 0 ? rec.left : rec.right) = in;
                (outer == 0 ? rec.left : rec.right) = out;
                rec.source = row;
                list.push_back(rec);
            };
            if (h > 0) {
                const double n_in = sec.normal_[static_cast<std::size_t>(inner)];
                const double n_out = sec.normal_[static_cast<std::size_t>(outer)];
                // The outside runs from its normal slope to +h over the whole
                // transition; the inside keeps its normal slope until the
                // outside reaches the inside's fall, then runs with it to −h.
                const double f =
                    h - n_out > 0 ? std::clamp((-n_in - n_out) / (h - n_out), 0.0, 1.0) : 1.0;
                record(sec.slopes_, run.begin, n_in, n_out);
                if (f > 0 && f < 1)
                    record(sec.slopes_, run.begin + f * (run.full_in - run.begin), n_in, -n_in);
                record(sec.slopes_, run.full_in, -h, h);
                record(sec.slopes_, run.full_out, -h, h);
                if (f > 0 && f < 1)
                    record(sec.slopes_, run.end - f * (run.end - run.full_out), n_in, -n_in);
                record(sec.slopes_, run.end, n_in, n_out);
            }
            if (ip.widening > 0) {
                record(sec.widening_, run.begin, 0, 0);
                record(sec.widening_, run.full_in, ip.widening, 0);
                record(sec.widening_, run.full_out, ip.widening, 0);
                record(sec.widening_, run.end, 0, 0);
            }
        }
        return sec;
    }

    // Typed records of an element alignment, placed by their chainage.
    const auto place = [&](const std::vector<SideValues>& list, Subject subject, const char* what,
                           bool widening,
                           std::vector<SectionRecord>& out) -> std::optional<Failure> {
        out.reserve(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const SideValues& v = list[i];
            const int row = static_cast<int>(i);
            const std::string who = std::string("第") + std::to_string(i + 1) + "条" + what +
                                    "记录（" +
                                    (std::isfinite(v.chainage) && std::fabs(v.chainage) < 1e9
                                         ? alignment.chainage_text(v.chainage)
                                         : std::string("?")) +
                                    "）";
            if (!std::isfinite(v.chainage) || std::fabs(v.chainage) >= 1e9)
                return fail(who + "的桩号不是有效数字", subject, row);
            const double limit = widening ? kMaxWidening : kMaxSlope;
            if (!std::isfinite(v.left) || !std::isfinite(v.right) || std::fabs(v.left) > limit ||
                std::fabs(v.right) > limit)
                return fail(who + "的数值超出范围", subject, row);
            if (widening && (v.left < 0 || v.right < 0))
                return fail(who + "的加宽不能为负", subject, row);
            Outcome<Station> at = alignment.locate(v.chainage, v.zone);
            if (!at) {
                std::string m = at.failure().message;
                if (!m.empty() && m.ends_with("！")) m.resize(m.size() - std::string("！").size());
                std::string message = who;
                message += "：";
                message += m;
                return fail(std::move(message), subject, row);
            }
            const double s = at.value().s;
            if (!out.empty() && s < out.back().s - kTolerance) {
                return fail(who + "不在前一条之后（" + what + "记录须按桩号顺序给出）", subject,
                            row);
            }
            out.push_back({s, v.left, v.right, row});
        }
        return std::nullopt;
    };
    if (auto f = place(d.superelevation, Subject::superelevation, "超高", false, sec.slopes_))
        return *f;
    if (auto f = place(d.widening, Subject::widening, "加宽", true, sec.widening_)) return *f;
    return sec;
}

}  // namespace korvane::route
