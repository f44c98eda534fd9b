// The writer of Korvane alignment files (code page 936, CR LF): every record
// in the form the reader takes, numbers as the shortest text that reads back
// to the same value.
#include <cmath>
#include <string>

#include "files/alignment_file.h"
#include "files/codec.h"
#include "files/safe_write.h"
#include "files/texts.h"
#include "geometry/number_text.h"
#include "route/angle.h"
#include "route/chainage.h"
#include "route/element.h"

namespace korvane::files {
namespace {

namespace fs = std::filesystem;
using detail::in_quotes;
using route::Definition;
using route::ElementDef;
using route::ElementsDef;
using route::IntersectionPoint;
using route::PointsDef;

constexpr std::string_view kInfinity = "∞";

// Chainage text where it reads back exactly (3 to 9 decimals), plain metres
// otherwise.
void append_chainage(std::string& out, double metres, const std::string& prefix) {
    for (int decimals = 3; decimals <= 9; ++decimals) {
        const std::string text = route::format_chainage(metres, decimals, prefix);
        const auto back = route::read_chainage(text);
        if (back && back.value() == metres) {
            out += text;
            return;
        }
    }
    geometry::append_exact(out, metres);
}

void append_radius(std::string& out, double radius) {
    if (std::isinf(radius)) {
        out += kInfinity;
    } else {
        geometry::append_exact(out, std::fabs(radius));
    }
}

// A text field must not hold what ends a field or a line.
std::optional<std::string> field_fault(std::string_view text, const std::string& what) {
    if (text.find(',') != std::string_view::npos)
        return what + in_quotes(text) + "含有逗号，无法写成一个字段";
    if (text.find_first_of("\r\n") != std::string_view::npos)
        return what + "含有换行符，无法写成一行";
    if (geometry::trim_spaces(text) != text)
        return what + in_quotes(text) + "的开头或结尾有空格，读回时会丢失";
    return std::nullopt;
}

// The section records: template, profile line and axis where they differ
// from the defaults, runoff length, superelevation and widening.
std::optional<std::string> section_lines(const Definition& d, std::string& out) {
    const route::SectionDef& sec = d.section;
    constexpr const char* kNotFinite = "横断面中有不是有限数的数值，无法保存";
    for (int side = 0; side < 2; ++side) {
        for (const route::SectionPart& p : side == 0 ? sec.left : sec.right) {
            if (auto f = field_fault(p.name, "路幅名称")) return f;
            if (!std::isfinite(p.width) || !std::isfinite(p.slope)) return kNotFinite;
            out += side == 0 ? "路幅,左," : "路幅,右,";
            geometry::append_exact(out, p.width);
            out += ",";
            geometry::append_exact(out, p.slope);
            out += ",";
            out += p.name;
            out += p.turns ? ",是\r\n" : ",否\r\n";
        }
    }
    if (sec.profile_offset != 0) {
        if (!std::isfinite(sec.profile_offset)) return kNotFinite;
        out += "设计线,";
        geometry::append_exact(out, sec.profile_offset);
        out += "\r\n";
    }
    switch (sec.axis.kind) {
        case route::AxisKind::centre:
            break;
        case route::AxisKind::inner_edge:
            out += "旋转轴,内边线\r\n";
            break;
        case route::AxisKind::outer_edge:
            out += "旋转轴,外边线\r\n";
            break;
        case route::AxisKind::offset:
            if (!std::isfinite(sec.axis.offset)) return kNotFinite;
            out += "旋转轴,";
            geometry::append_exact(out, sec.axis.offset);
            out += "\r\n";
            break;
    }
    if (sec.runoff != 0) {
        if (!std::isfinite(sec.runoff)) return kNotFinite;
        out += "超高过渡,";
        geometry::append_exact(out, sec.runoff);
        out += "\r\n";
    }
    for (int kind = 0; kind < 2; ++kind) {
        for (const route::SideValues& v : kind == 0 ? sec.superelevation : sec.widening) {
            if (!std::isfinite(v.chainage) || !std::isfinite(v.left) || !std::isfinite(v.right))
                return kNotFinite;
            if (v.zone < 0) return "超高或加宽记录的分区应为正数";
            out += kind == 0 ? "超高," : "加宽,";
            append_chainage(out, v.chainage, d.prefix);
            out += ",";
            geometry::append_exact(out, v.left);
            out += ",";
            geometry::append_exact(out, v.right);
            if (v.zone != 0) {
                out += ",";
                out += std::to_string(v.zone);
            }
            out += "\r\n";
        }
    }
    return std::nullopt;
}

std::optional<std::string> text_lines(const Definition& d, std::string& out) {
    const auto finite = [](std::initializer_list<double> values) {
        for (double v : values) {
            if (!std::isfinite(v)) return false;
        }
        return true;
    };
    constexpr const char* kNotFinite = "线路中有不是有限数的数值，无法保存";
    if (auto f = field_fault(d.name, "线路名")) return f;
    if (d.prefix.empty() || !route::valid_prefix(d.prefix))
        return "桩号冠号" + in_quotes(d.prefix) + "应为以K结尾的大写字母";
    const std::string* project[] = {&d.project.project, &d.project.section,
                                    &d.project.coordinate_system, &d.project.elevation_system};
    const char* project_names[] = {"项目名称", "合同段", "坐标系", "高程系"};
    for (std::size_t i = 0; i < 4; ++i) {
        if (auto f = field_fault(*project[i], project_names[i])) return f;
    }
    out += "线路,";
    out += d.name;
    out += ",";
    out += d.prefix;
    // The project's texts only where there are any, the last given ending the line.
    std::size_t given = 4;
    while (given > 0 && project[given - 1]->empty()) --given;
    for (std::size_t i = 0; i < given; ++i) {
        out += ",";
        out += *project[i];
    }
    out += "\r\n";
    if (const auto* e = std::get_if<ElementsDef>(&d.horizontal)) {
        if (!finite({e->start_chainage, e->start_x, e->start_y, e->start_azimuth}))
            return kNotFinite;
        out += "起点,";
        append_chainage(out, e->start_chainage, d.prefix);
        out += ",";
        geometry::append_exact(out, e->start_x);
        out += ",";
        geometry::append_exact(out, e->start_y);
        out += ",";
        out += route::format_packed_shortest(e->start_azimuth);
        out += "\r\n";
        // Where elements start on their own (from LandXML), their angles to
        // the previous element's end are written as angle points; the file
        // chains positions.
        route::Pose pose{e->start_x, e->start_y, e->start_azimuth};
        for (std::size_t i = 0; i < e->elements.size(); ++i) {
            const ElementDef& el = e->elements[i];
            const double r1 = el.radius_start;
            const double r2 = el.radius_end;
            if (!std::isfinite(el.length) || std::isnan(r1) || std::isnan(r2)) return kNotFinite;
            if (r1 == 0 || r2 == 0)
                return "第" + std::to_string(i + 1) + "个线元的半径为0，无法保存";
            double turn = i > 0 ? el.turn : 0;
            if (i > 0 && el.start) {
                // The element's own start, exactly: 线元起点 (its name, if
                // any, goes with a 折点 of no turn being impossible: kept off).
                if (!std::isfinite(el.start->x) || !std::isfinite(el.start->y) ||
                    !std::isfinite(el.start->azimuth))
                    return kNotFinite;
                out += "线元起点,";
                geometry::append_exact(out, el.start->x);
                out += ",";
                geometry::append_exact(out, el.start->y);
                out += ",";
                out += route::format_packed_shortest(el.start->azimuth);
                out += "\r\n";
                turn = 0;
                pose = {el.start->x, el.start->y, el.start->azimuth};
            } else {
                pose.azimuth += turn;
            }
            if (!std::isfinite(turn)) return kNotFinite;
            if (turn != 0) {
                if (auto f = field_fault(el.name, "折点名")) return f;
                out += "折点,";
                out += route::format_packed_shortest(turn);
                if (!el.name.empty()) {
                    out += ",";
                    out += el.name;
                }
                out += "\r\n";
            }
            if (std::isfinite(pose.x) && std::isfinite(pose.y) && std::isfinite(pose.azimuth))
                pose = route::element_end(pose, el);
            if (std::isinf(r1) && std::isinf(r2)) {
                out += "直线,";
                geometry::append_exact(out, el.length);
            } else if (r1 == r2) {
                out += "圆曲线,";
                geometry::append_exact(out, el.length);
                out += ",";
                append_radius(out, r1);
                out += r1 < 0 ? ",左" : ",右";
            } else {
                out += "缓和曲线,";
                geometry::append_exact(out, el.length);
                const bool opposite =
                    std::isfinite(r1) && std::isfinite(r2) && (r1 < 0) != (r2 < 0);
                if (opposite) {
                    // Through a straight point: the signs say it.
                    out += ",";
                    geometry::append_exact(out, r1);
                    out += ",";
                    geometry::append_exact(out, r2);
                } else {
                    out += ",";
                    append_radius(out, r1);
                    out += ",";
                    append_radius(out, r2);
                    const double finite_one = std::isfinite(r1) ? r1 : r2;
                    out += finite_one < 0 ? ",左" : ",右";
                }
            }
            out += "\r\n";
        }
    } else {
        const auto& p = std::get<PointsDef>(d.horizontal);
        if (!finite({p.start_chainage, p.start_x, p.start_y, p.end_x, p.end_y})) return kNotFinite;
        out += "起点,";
        append_chainage(out, p.start_chainage, d.prefix);
        out += ",";
        geometry::append_exact(out, p.start_x);
        out += ",";
        geometry::append_exact(out, p.start_y);
        out += "\r\n";
        for (const IntersectionPoint& jd : p.points) {
            if (auto f = field_fault(jd.name, "交点名")) return f;
            if (!finite({jd.x, jd.y, jd.radius, jd.entry_transition, jd.exit_transition}))
                return kNotFinite;
            out += "交点,";
            out += jd.name;
            for (double v : {jd.x, jd.y, jd.radius, jd.entry_transition, jd.exit_transition}) {
                out += ",";
                geometry::append_exact(out, v);
            }
            if (jd.superelevation != 0 || jd.widening != 0) {
                if (!finite({jd.superelevation, jd.widening})) return kNotFinite;
                out += ",";
                geometry::append_exact(out, jd.superelevation);
                if (jd.widening != 0) {
                    out += ",";
                    geometry::append_exact(out, jd.widening);
                }
            }
            out += "\r\n";
        }
        out += "终点,";
        geometry::append_exact(out, p.end_x);
        out += ",";
        geometry::append_exact(out, p.end_y);
        out += "\r\n";
    }
    for (const route::ChainBreak& b : d.breaks) {
        if (!finite({b.back, b.ahead})) return kNotFinite;
        out += "断链,";
        append_chainage(out, b.back, d.prefix);
        out += ",";
        append_chainage(out, b.ahead, d.prefix);
        out += "\r\n";
    }
    for (const route::VerticalPoint& v : d.profile) {
        if (!finite({v.chainage, v.elevation, v.radius})) return kNotFinite;
        out += "变坡点,";
        append_chainage(out, v.chainage, d.prefix);
        out += ",";
        geometry::append_exact(out, v.elevation);
        out += ",";
        geometry::append_exact(out, v.radius);
        const bool unsymmetric = v.length_in != 0 || v.length_out != 0;
        if (v.zone != 0 || unsymmetric) {
            if (v.zone < 0) return "变坡点的分区应为正数";
            out += ",";
            if (v.zone != 0) out += std::to_string(v.zone);
        }
        if (unsymmetric) {
            if (!finite({v.length_in, v.length_out})) return kNotFinite;
            out += ",";
            geometry::append_exact(out, v.length_in);
            out += ",";
            geometry::append_exact(out, v.length_out);
        }
        out += "\r\n";
    }
    return section_lines(d, out);
}

std::optional<std::string> file_bytes(const Definition& d, std::string& bytes) {
    std::string text;
    if (auto fault = text_lines(d, text)) return fault;
    std::string cause;
    if (!detail::encode_cp936(text, bytes, cause)) return cause;
    return std::nullopt;
}

}  // namespace

Result<std::string> alignment_file_bytes(const Definition& definition) {
    std::string bytes;
    if (auto cause = file_bytes(definition, bytes)) return detail::bare_failure(*cause);
    return bytes;
}

std::optional<Error> write_alignment_file(const fs::path& path, const Definition& definition) {
    std::string bytes;
    if (auto cause = file_bytes(definition, bytes)) return detail::save_failure(path, *cause);
    return replace_file(path, bytes);
}

}  // namespace korvane::files
