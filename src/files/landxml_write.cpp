#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <numbers>
#include <utility>

#include "files/landxml.h"
#include "files/landxml_section.h"
#include "files/landxml_xml.h"
#include "files/safe_write.h"
#include "files/texts.h"
#include "geometry/number_text.h"
#include "route/alignment.h"
#include "route/angle.h"
#include "route/chainage.h"
#include "route/element.h"

namespace korvane::files {
namespace {

namespace fs = std::filesystem;
using namespace landxml;
using route::Definition;
using route::ElementDef;
using route::ElementsDef;
using route::kStraight;
using route::Pose;

// ---------------------------------------------------------------------------
// Export

std::string point_text(double x, double y) {
    return geometry::exact_text(x) + " " + geometry::exact_text(y);
}

void add_point(pugi::xml_node& parent, const char* name, double x, double y) {
    parent.append_child(name).text().set(point_text(x, y).c_str());
}

// The ParaCurve length that the import turns back into exactly `radius`.
double para_length(double radius, double omega) {
    const double change = std::fabs(omega);
    double length = radius * change;
    if (length / change == radius) return length;
    double down = length, up = length;
    for (int step = 0; step < 16; ++step) {
        down = std::nextafter(down, 0.0);
        up = std::nextafter(up, kStraight);
        if (down / change == radius) return down;
        if (up / change == radius) return up;
    }
    return length;
}

struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void* data, size_t size) override {
        out.append(static_cast<const char*>(data), size);
    }
};

std::string utc_stamp(const char* format) {
    // The calendar date and time of day from the clock itself, the same on
    // every system (gmtime_r is POSIX only, gmtime shares its result).
    using namespace std::chrono;
    const auto now = floor<seconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss time{now - day};
    std::tm tm{};
    tm.tm_year = static_cast<int>(date.year()) - 1900;
    tm.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
    tm.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
    tm.tm_hour = static_cast<int>(time.hours().count());
    tm.tm_min = static_cast<int>(time.minutes().count());
    tm.tm_sec = static_cast<int>(time.seconds().count());
    char text[32];
    std::strftime(text, sizeof text, format, &tm);
    return text;
}

std::optional<std::string> build_document(const Definition& d, pugi::xml_document& doc) {
    ElementsDef h;
    if (const auto* e = std::get_if<ElementsDef>(&d.horizontal)) {
        h = *e;
    } else {
        // The elements the points expand into, with the superelevation and
        // widening they derive as records.
        auto built = route::Alignment::build(d);
        if (!built)
            return built.failure().message.substr(
                0, built.failure().message.size() - std::string_view("！").size());
        Definition elements = route::as_elements(d, built.value());
        if (auto f = build_document(elements, doc)) return f;
        // The intersection points, named, after the elements they expand into.
        pugi::xml_node al = doc.child("LandXML").child("Alignments").child("Alignment");
        const auto& pd = std::get<route::PointsDef>(d.horizontal);
        pugi::xml_node pis = al.insert_child_after("AlignPIs", al.child("CoordGeom"));
        const auto add_pi = [&](const std::string& name, double x, double y) {
            pugi::xml_node pi = pis.append_child("AlignPI").append_child("PI");
            if (!name.empty()) pi.append_attribute("name") = name.c_str();
            pi.text().set(point_text(x, y).c_str());
        };
        add_pi("QD", pd.start_x, pd.start_y);
        for (const route::IntersectionPoint& jd : pd.points) add_pi(jd.name, jd.x, jd.y);
        add_pi("ZD", pd.end_x, pd.end_y);
        return std::nullopt;
    }
    if (h.elements.empty()) return std::string("线路中没有线元，无法导出");
    const auto finite = [](double v) { return std::isfinite(v); };
    if (!finite(h.start_chainage) || !finite(h.start_x) || !finite(h.start_y) ||
        !finite(h.start_azimuth))
        return std::string("线路中有不是有限数的数值，无法导出");

    auto decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    pugi::xml_node root = doc.append_child("LandXML");
    root.append_attribute("xmlns") = "http://www.landxml.org/schema/LandXML-1.2";
    root.append_attribute("version") = "1.2";
    root.append_attribute("date") = utc_stamp("%Y-%m-%d").c_str();
    root.append_attribute("time") = utc_stamp("%H:%M:%S").c_str();
    pugi::xml_node metric = root.append_child("Units").append_child("Metric");
    metric.append_attribute("linearUnit") = "meter";
    metric.append_attribute("areaUnit") = "squareMeter";
    metric.append_attribute("volumeUnit") = "cubicMeter";
    metric.append_attribute("angularUnit") = "decimal degrees";
    metric.append_attribute("directionUnit") = "decimal degrees";
    pugi::xml_node app = root.append_child("Application");
    app.append_attribute("name") = "Korvane";
    app.append_attribute("manufacturer") = "Korvane";

    pugi::xml_node al = root.append_child("Alignments").append_child("Alignment");
    al.append_attribute("name") = d.name.c_str();
    double total = 0;
    for (const ElementDef& e : h.elements) total += e.length;
    al.append_attribute("length") = geometry::exact_text(total).c_str();
    al.append_attribute("staStart") = geometry::exact_text(h.start_chainage).c_str();
    pugi::xml_node coord = al.append_child("CoordGeom");
    Pose pose{h.start_x, h.start_y, h.start_azimuth};
    for (std::size_t i = 0; i < h.elements.size(); ++i) {
        const ElementDef& e = h.elements[i];
        const std::string what = "第" + std::to_string(i + 1) + "个线元";
        if (!(e.length > 0) || !finite(e.length) || std::isnan(e.radius_start) ||
            std::isnan(e.radius_end) || e.radius_start == 0 || e.radius_end == 0)
            return what + "的长度或半径不对，无法导出";
        if (i > 0 && e.start) {
            pose = {e.start->x, e.start->y, e.start->azimuth};
        } else if (i > 0) {
            pose.azimuth += e.turn;
        }
        if (!finite(pose.x) || !finite(pose.y) || !finite(pose.azimuth))
            return what + "的起点不是有限数，无法导出";
        const Pose end = route::element_end(pose, e);
        const bool straight_start = std::isinf(e.radius_start),
                   straight_end = std::isinf(e.radius_end);
        pugi::xml_node n;
        if (straight_start && straight_end) {
            n = coord.append_child("Line");
            n.append_attribute("length") = geometry::exact_text(e.length).c_str();
            add_point(n, "Start", pose.x, pose.y);
            add_point(n, "End", end.x, end.y);
        } else if (e.radius_start == e.radius_end) {
            const double r = e.radius_start;
            n = coord.append_child("Curve");
            n.append_attribute("rot") = r > 0 ? "cw" : "ccw";
            n.append_attribute("crvType") = "arc";
            n.append_attribute("radius") = geometry::exact_text(std::fabs(r)).c_str();
            n.append_attribute("length") = geometry::exact_text(e.length).c_str();
            add_point(n, "Start", pose.x, pose.y);
            add_point(n, "Center", pose.x - r * std::sin(pose.azimuth),
                      pose.y + r * std::cos(pose.azimuth));
            add_point(n, "End", end.x, end.y);
        } else {
            const double r1 = e.radius_start, r2 = e.radius_end;
            if (!straight_start && !straight_end && (r1 < 0) != (r2 < 0))
                return what + "的曲率经过0（由右转变为左转），LandXML的Spiral无法表示";
            const double turn = straight_start ? r2 : r1;
            n = coord.append_child("Spiral");
            n.append_attribute("length") = geometry::exact_text(e.length).c_str();
            n.append_attribute("radiusStart") =
                straight_start ? "INF" : geometry::exact_text(std::fabs(r1)).c_str();
            n.append_attribute("radiusEnd") =
                straight_end ? "INF" : geometry::exact_text(std::fabs(r2)).c_str();
            n.append_attribute("rot") = turn > 0 ? "cw" : "ccw";
            n.append_attribute("spiType") = "clothoid";
            add_point(n, "Start", pose.x, pose.y);
            // PI: where the tangents at the two ends meet.
            const double c0 = std::cos(pose.azimuth), s0 = std::sin(pose.azimuth);
            const double c1 = std::cos(end.azimuth), s1 = std::sin(end.azimuth);
            const double cross = c0 * s1 - s0 * c1;
            double px = (pose.x + end.x) / 2, py = (pose.y + end.y) / 2;
            if (std::fabs(cross) > 1e-12) {
                const double t = ((end.x - pose.x) * s1 - (end.y - pose.y) * c1) / cross;
                px = pose.x + t * c0;
                py = pose.y + t * s0;
            }
            add_point(n, "PI", px, py);
            add_point(n, "End", end.x, end.y);
        }
        // The intersection point the element belongs to (or the angle point
        // it starts at), so that a round trip keeps the names.
        if (!e.name.empty()) n.prepend_attribute("name") = e.name.c_str();
        pose = end;
    }

    // Chain breaks: the internal station runs on from staStart. In zone z a
    // chainage is the internal station plus shift[z - 1] (0 in zone 1), and
    // zone z ends at the chainage back_of[z - 1].
    double constant = h.start_chainage;  // chainage = s + constant in the current zone
    std::vector<double> shift{0};
    std::vector<double> back_of;
    for (const route::ChainBreak& b : d.breaks) {
        if (!finite(b.back) || !finite(b.ahead))
            return std::string("断链中有不是有限数的数值，无法导出");
        const double s = b.back - constant;
        const double internal = h.start_chainage + s;
        pugi::xml_node q = al.append_child("StaEquation");
        q.append_attribute("staInternal") = geometry::exact_text(internal).c_str();
        q.append_attribute("staBack") = geometry::exact_text(b.back).c_str();
        q.append_attribute("staAhead") = geometry::exact_text(b.ahead).c_str();
        constant = b.ahead - s;
        shift.push_back(b.ahead - internal);
        back_of.push_back(b.back);
    }
    // A chainage (of a zone, or 0: the first holding it) in the internal
    // stationing, as LandXML gives positions along the alignment.
    const auto internal_station = [&](double chainage, int zone) {
        std::size_t z = 0;
        if (zone > 0) {
            z = std::min(static_cast<std::size_t>(zone), shift.size()) - 1;
        } else {
            while (z < back_of.size() && chainage > back_of[z]) ++z;
        }
        return z == 0 ? chainage : chainage - shift[z];
    };
    std::vector<double> station(d.profile.size());
    for (std::size_t i = 0; i < d.profile.size(); ++i)
        station[i] = internal_station(d.profile[i].chainage, d.profile[i].zone);

    std::vector<std::pair<std::size_t, double>> inexact_radii;
    if (!d.profile.empty()) {
        pugi::xml_node prof = al.append_child("Profile");
        prof.append_attribute("name") = d.name.c_str();
        pugi::xml_node pa = prof.append_child("ProfAlign");
        pa.append_attribute("name") = d.name.c_str();
        for (std::size_t i = 0; i < d.profile.size(); ++i) {
            const route::VerticalPoint& v = d.profile[i];
            if (!finite(v.chainage) || !finite(v.elevation) || !finite(v.radius) || v.radius < 0)
                return "纵断面第" + std::to_string(i + 1) + "个变坡点的数值不对，无法导出";
            const bool interior = i > 0 && i + 1 < d.profile.size();
            pugi::xml_node n;
            if (v.length_in != 0 || v.length_out != 0) {
                if (!interior || !finite(v.length_in) || !finite(v.length_out) ||
                    !(v.length_in > 0) || !(v.length_out > 0) || v.radius != 0)
                    return "纵断面第" + std::to_string(i + 1) +
                           "个变坡点的不对称竖曲线不对，无法导出";
                n = pa.append_child("UnsymParaCurve");
                n.append_attribute("lengthIn") = geometry::exact_text(v.length_in).c_str();
                n.append_attribute("lengthOut") = geometry::exact_text(v.length_out).c_str();
            } else if (v.radius > 0 && interior) {
                const double omega = grade_change(d.profile, station, i);
                if (!(std::fabs(omega) > 0) || !finite(omega))
                    return "纵断面第" + std::to_string(i + 1) +
                           "个变坡点两侧坡度相同，竖曲线无法导出";
                n = pa.append_child("ParaCurve");
                const double length = para_length(v.radius, omega);
                n.append_attribute("length") = geometry::exact_text(length).c_str();
                if (length / std::fabs(omega) != v.radius) inexact_radii.emplace_back(i, v.radius);
            } else {
                if (v.radius > 0)
                    return "纵断面第" + std::to_string(i + 1) +
                           "个变坡点在纵断面的一端，不能有竖曲线";
                n = pa.append_child("PVI");
            }
            n.text().set(
                (geometry::exact_text(station[i]) + " " + geometry::exact_text(v.elevation))
                    .c_str());
        }
    }

    if (d.prefix.empty() || !route::valid_prefix(d.prefix))
        return "桩号冠号" + in_quotes(d.prefix) + "应为以K结尾的大写字母";
    pugi::xml_node f = al.append_child("Feature");
    f.append_attribute("code") = kFeatureCode;
    pugi::xml_node p = f.append_child("Property");
    p.append_attribute("label") = kPrefixLabel;
    p.append_attribute("value") = d.prefix.c_str();
    p = f.append_child("Property");
    p.append_attribute("label") = kAzimuthLabel;
    p.append_attribute("value") = geometry::exact_text(h.start_azimuth).c_str();
    for (std::size_t i = 1; i < h.elements.size(); ++i) {
        const ElementDef& e = h.elements[i];
        if (e.name.empty() || (e.turn == 0 && !e.start)) continue;
        p = f.append_child("Property");
        p.append_attribute("label") = kAngleLabel;
        p.append_attribute("value") = (std::to_string(i) + " " + e.name).c_str();
    }
    for (const auto& [index, radius] : inexact_radii) {
        p = f.append_child("Property");
        p.append_attribute("label") = kRadiusLabel;
        p.append_attribute("value") =
            (std::to_string(index) + " " + geometry::exact_text(radius)).c_str();
    }
    return write_section(d, al, f, internal_station);
}

}  // namespace

Result<std::string> landxml_bytes(const Definition& definition) {
    pugi::xml_document doc;
    if (auto cause = build_document(definition, doc)) return detail::bare_failure(*cause);
    StringWriter writer;
    doc.save(writer, "  ", pugi::format_default, pugi::encoding_utf8);
    return std::move(writer.out);
}

std::optional<Error> write_landxml(const fs::path& path, const Definition& definition) {
    auto bytes = landxml_bytes(definition);
    if (!bytes) return detail::save_failure(path, without_mark(bytes.failure().message));
    return replace_file(path, bytes.value());
}

}  // namespace korvane::files
