#include "files/landxml_section.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "files/landxml_xml.h"
#include "geometry/number_text.h"

namespace korvane::files::landxml {
namespace {

constexpr const char* kPartLabel = "sectionPart";         // "左 7.5 -2 是 行车道"
constexpr const char* kProfileLineLabel = "profileLine";  // offset, metres
constexpr const char* kAxisLabel = "rotationAxis";        // 中线 | 内边线 | 外边线 | offset
constexpr const char* kRunoffLabel = "runoff";            // metres
constexpr const char* kSlopeLabel = "superelevation";     // "station left right", percent
constexpr const char* kWideningLabel = "widening";        // "station left right", metres

// The normal slope (percent) a side's superelevation starts from: its
// innermost turning segment's; a side without a template the usual crown.
double normal_of(const std::vector<route::SectionPart>& parts) {
    for (const route::SectionPart& p : parts)
        if (p.turns) return p.slope;
    return parts.empty() ? -2.0 : parts.front().slope;
}

std::optional<double> number_of(std::string_view text) {
    return geometry::parse_strict(geometry::trim_spaces(text));
}

}  // namespace

bool read_section_property(std::string_view label, const std::string& value,
                           route::SectionDef& section, bool& exact,
                           const std::function<void(double, route::SideValues&)>& place) {
    const std::vector<std::string_view> w = words(value);
    if (label == kPartLabel) {
        if (w.size() < 4) return true;
        const auto width = number_of(w[1]);
        const auto slope = number_of(w[2]);
        if (!width || !slope || (w[0] != "左" && w[0] != "右")) return true;
        route::SectionPart p{*width, *slope, "", w[3] != "否"};
        // The name is the rest of the value, spaces and all.
        if (w.size() > 4)
            p.name = value.substr(static_cast<std::size_t>(w[4].data() - value.data()));
        (w[0] == "左" ? section.left : section.right).push_back(std::move(p));
        return true;
    }
    if (label == kProfileLineLabel) {
        if (const auto v = number_of(value)) section.profile_offset = *v;
        return true;
    }
    if (label == kAxisLabel) {
        if (value == "内边线") {
            section.axis = {route::AxisKind::inner_edge, 0};
        } else if (value == "外边线") {
            section.axis = {route::AxisKind::outer_edge, 0};
        } else if (const auto v = number_of(value)) {
            section.axis = {route::AxisKind::offset, *v};
        }
        return true;
    }
    if (label == kRunoffLabel) {
        if (const auto v = number_of(value)) section.runoff = *v;
        return true;
    }
    if (label == kSlopeLabel || label == kWideningLabel) {
        if (w.size() != 3) return true;
        const auto station = number_of(w[0]);
        const auto left = number_of(w[1]);
        const auto right = number_of(w[2]);
        if (!station || !left || !right) return true;
        route::SideValues v;
        place(*station, v);
        v.left = *left;
        v.right = *right;
        (label == kSlopeLabel ? section.superelevation : section.widening).push_back(v);
        exact = true;
        return true;
    }
    return false;
}

std::optional<std::string> read_superelevation(
    const pugi::xml_node& alignment, double metres, const route::SectionDef& section,
    const std::function<void(double, route::SideValues&)>& place,
    const std::function<int(double)>& inner, std::vector<route::SideValues>& out) {
    const std::array<double, 2> normal{normal_of(section.left), normal_of(section.right)};
    int count = 0;
    for (const pugi::xml_node& se : elements_of(alignment)) {
        if (local_name(se) != "Superelevation") continue;
        ++count;
        const std::string what = "第" + std::to_string(count) + "个Superelevation";
        std::optional<double> full;
        std::vector<double> reverse;
        // station, kind: 0 normal, 1 level outside, 2 outside at the inside's
        // fall, 3 full superelevation
        std::vector<std::pair<double, int>> marks;
        for (const pugi::xml_node& c : elements_of(se)) {
            const std::string_view kind = local_name(c);
            const auto v = number_of(c.child_value());
            int mark = -1;
            if (kind == "BeginRunoutSta" || kind == "EndofRunoutSta") {
                mark = 0;
            } else if (kind == "BeginRunoffSta" || kind == "StartofRunoutSta") {
                mark = 1;
            } else if (kind == "ReverseCrown") {
                mark = 2;
            } else if (kind == "FullSuperSta" || kind == "RunoffSta") {
                mark = 3;
            } else if (kind == "FullSuperelev") {
                if (!v) return what + "的FullSuperelev" + in_quotes(c.child_value()) + "应为数";
                full = std::fabs(*v) > 1 ? std::fabs(*v) : std::fabs(*v) * 100;
                continue;
            } else {
                continue;  // AdverseSE and what a reader does not know
            }
            if (!v) return what + "的" + std::string(kind) + in_quotes(c.child_value()) + "应为数";
            marks.emplace_back(*v * metres, mark);
        }
        if (!full) return what + "缺少FullSuperelev";
        std::stable_sort(marks.begin(), marks.end());
        // The side towards the centre of the curve the runs belong to.
        double middle = 0;
        int fulls = 0;
        for (const auto& [s, m] : marks)
            if (m == 3) middle += s, ++fulls;
        if (fulls == 0 && !marks.empty()) middle = marks[marks.size() / 2].first, fulls = 1;
        const int in = inner(middle / std::max(fulls, 1));
        const int outer = 1 - in;
        const double n_in = normal[static_cast<std::size_t>(in)];
        const double n_out = normal[static_cast<std::size_t>(outer)];
        const double h = *full;
        std::vector<std::pair<double, std::array<double, 2>>> records;  // station, (inner, outer)
        const auto add = [&](double s, double in_slope, double out_slope) {
            records.push_back({s, {in_slope, out_slope}});
        };
        for (std::size_t i = 0; i < marks.size(); ++i) {
            const auto [s, m] = marks[i];
            switch (m) {
                case 0:
                    add(s, n_in, n_out);
                    break;
                case 1:
                    add(s, n_in, 0);
                    break;
                case 2:
                    add(s, n_in, -n_in);
                    break;
                default:
                    add(s, -h, h);
                    break;
            }
            // A runoff from the level outside to full superelevation (either
            // way) with no ReverseCrown between: the inside keeps its normal
            // fall until the outside reaches it.
            if (i + 1 < marks.size() && h > -n_in) {
                const auto [s2, m2] = marks[i + 1];
                const double f = -n_in / h;
                if (m == 1 && m2 == 3) add(s + f * (s2 - s), n_in, -n_in);
                if (m == 3 && m2 == 1) add(s2 - f * (s2 - s), n_in, -n_in);
            }
        }
        for (const auto& [s, v] : records) {
            route::SideValues r;
            place(s, r);
            (in == 0 ? r.left : r.right) = v[0];
            (outer == 0 ? r.left : r.right) = v[1];
            out.push_back(r);
        }
    }
    return std::nullopt;
}

std::optional<std::string> write_section(const route::Definition& d, pugi::xml_node alignment,
                                         pugi::xml_node feature,
                                         const std::function<double(double, int)>& station) {
    const route::SectionDef& sec = d.section;
    const auto property = [&](const char* label, const std::string& value) {
        pugi::xml_node p = feature.append_child("Property");
        p.append_attribute("label") = label;
        p.append_attribute("value") = value.c_str();
    };
    for (int side = 0; side < 2; ++side) {
        for (const route::SectionPart& p : side == 0 ? sec.left : sec.right) {
            if (!std::isfinite(p.width) || !std::isfinite(p.slope))
                return std::string("路幅中有不是有限数的数值，无法导出");
            std::string v = side == 0 ? "左 " : "右 ";
            v += geometry::exact_text(p.width);
            v += ' ';
            v += geometry::exact_text(p.slope);
            v += p.turns ? " 是" : " 否";
            if (!p.name.empty()) {
                v += ' ';
                v += p.name;
            }
            property(kPartLabel, v);
        }
    }
    if (sec.profile_offset != 0)
        property(kProfileLineLabel, geometry::exact_text(sec.profile_offset));
    switch (sec.axis.kind) {
        case route::AxisKind::centre:
            break;
        case route::AxisKind::inner_edge:
            property(kAxisLabel, "内边线");
            break;
        case route::AxisKind::outer_edge:
            property(kAxisLabel, "外边线");
            break;
        case route::AxisKind::offset:
            property(kAxisLabel, geometry::exact_text(sec.axis.offset));
            break;
    }
    if (sec.runoff != 0) property(kRunoffLabel, geometry::exact_text(sec.runoff));
    std::vector<double> at;
    at.reserve(sec.superelevation.size());
    for (int kind = 0; kind < 2; ++kind) {
        for (const route::SideValues& v : kind == 0 ? sec.superelevation : sec.widening) {
            if (!std::isfinite(v.chainage) || !std::isfinite(v.left) || !std::isfinite(v.right))
                return std::string("超高或加宽中有不是有限数的数值，无法导出");
            const double s = station(v.chainage, v.zone);
            if (kind == 0) at.push_back(s);
            std::string text = geometry::exact_text(s);
            text += ' ';
            text += geometry::exact_text(v.left);
            text += ' ';
            text += geometry::exact_text(v.right);
            property(kind == 0 ? kSlopeLabel : kWideningLabel, text);
        }
    }

    // For other programs: each run of records between normal sections as
    // one Superelevation, its level and full stations where the outside
    // passes 0 and reaches its greatest slope.
    const std::array<double, 2> normal{normal_of(sec.left), normal_of(sec.right)};
    const auto is_normal = [&](const route::SideValues& v) {
        return v.left == normal[0] && v.right == normal[1];
    };
    const std::vector<route::SideValues>& r = sec.superelevation;
    std::size_t i = 0;
    while (i < r.size()) {
        while (i + 1 < r.size() && is_normal(r[i]) && is_normal(r[i + 1])) ++i;
        std::size_t j = i + 1;
        while (j < r.size() && !is_normal(r[j])) ++j;
        if (j >= r.size()) break;
        // Records i … j: a run from normal to normal.
        double full = 0;
        std::size_t first_full = i, last_full = i;
        for (std::size_t k = i; k <= j; ++k) {
            const double e = std::max(std::fabs(r[k].left), std::fabs(r[k].right));
            if (e > full + 1e-12) {
                full = e;
                first_full = last_full = k;
            } else if (std::fabs(e - full) <= 1e-12) {
                last_full = k;
            }
        }
        if (full > 0 && first_full > i && last_full < j) {
            const int outer = r[first_full].left > r[first_full].right ? 0 : 1;
            const auto outer_of = [&](std::size_t k) {
                return outer == 0 ? r[k].left : r[k].right;
            };
            // Where the outside crosses 0 between two records.
            const auto level = [&](std::size_t from, std::size_t to) -> std::optional<double> {
                for (std::size_t k = from; k < to; ++k) {
                    const double a = outer_of(k), b = outer_of(k + 1);
                    if ((a <= 0 && b >= 0) || (a >= 0 && b <= 0)) {
                        if (a == b) return at[k];
                        return at[k] + (at[k + 1] - at[k]) * (0 - a) / (b - a);
                    }
                }
                return std::nullopt;
            };
            pugi::xml_node se = alignment.append_child("Superelevation");
            se.append_attribute("staStart") = geometry::exact_text(at[i]).c_str();
            se.append_attribute("staEnd") = geometry::exact_text(at[j]).c_str();
            const auto child = [&](const char* name, double v) {
                se.append_child(name).text().set(geometry::exact_text(v).c_str());
            };
            child("BeginRunoutSta", at[i]);
            if (const auto l = level(i, first_full)) child("BeginRunoffSta", *l);
            child("FullSuperSta", at[first_full]);
            child("FullSuperelev", full / 100);
            child("RunoffSta", at[last_full]);
            if (const auto l = level(last_full, j)) child("StartofRunoutSta", *l);
            child("EndofRunoutSta", at[j]);
        }
        i = j;
    }
    return std::nullopt;
}

}  // namespace korvane::files::landxml
