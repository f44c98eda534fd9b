#include "files/landxml.h"

#include <pugixml.hpp>

#include <charconv>
#include <chrono>
#include <cmath>
#include <ctime>
#include <numbers>
#include <utility>

#include "files/read_file.h"
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
using route::Definition;
using route::ElementDef;
using route::ElementsDef;
using route::kStraight;
using route::Pose;

constexpr double kHalfPi = std::numbers::pi / 2;
constexpr const char* kFeatureCode = "Korvane";
constexpr const char* kPrefixLabel = "chainagePrefix";
// The start azimuth in radians as defined, so that an exported alignment reads
// back with exactly that azimuth; used only where it agrees with the
// direction of the coordinates.
constexpr const char* kAzimuthLabel = "startAzimuth";
constexpr double kAzimuthAgreement = 1e-6;  // radians
// "index radius" of a vertical curve: the exact radius, where no ParaCurve
// length divides back to it; used where it agrees within 1e-9 relative.
constexpr const char* kRadiusLabel = "verticalRadius";

std::string without_mark(const std::string& message) {
    constexpr std::string_view mark = "！";
    return std::string_view(message).ends_with(mark)
               ? message.substr(0, message.size() - mark.size())
               : message;
}

std::string in_quotes(std::string_view text) {
    return "“" + std::string(text) + "”";
}

// The element name without a namespace prefix ("lx:Line" is "Line").
std::string_view local_name(const pugi::xml_node& node) {
    std::string_view name = node.name();
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node child_named(const pugi::xml_node& parent, std::string_view name) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && local_name(c) == name) return c;
    }
    return {};
}

std::vector<pugi::xml_node> elements_of(const pugi::xml_node& parent) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element) out.push_back(c);
    }
    return out;
}

// Every Alignment element of the document, in document order.
std::vector<pugi::xml_node> alignments_of(const pugi::xml_node& root) {
    std::vector<pugi::xml_node> out;
    for (const pugi::xml_node& group : elements_of(root)) {
        if (local_name(group) != "Alignments") continue;
        for (const pugi::xml_node& a : elements_of(group)) {
            if (local_name(a) == "Alignment") out.push_back(a);
        }
    }
    return out;
}

std::optional<double> number(std::string_view text) {
    const std::optional<double> v = geometry::parse_strict(text);
    if (!v || !std::isfinite(*v)) return std::nullopt;
    return v;
}

// Whitespace-separated numbers of an element's text ("northing easting [z]").
std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (i < text.size()) {
        while (i < text.size() && blank(text[i])) ++i;
        const std::size_t start = i;
        while (i < text.size() && !blank(text[i])) ++i;
        if (i > start) out.push_back(text.substr(start, i - start));
    }
    return out;
}

struct Point2 {
    double x = 0;  // northing
    double y = 0;  // easting
};

double distance(double ax, double ay, double bx, double by) {
    return std::hypot(bx - ax, by - ay);
}

std::string metres_text(double value) {
    return geometry::format_rounded(value, 4);
}

// Reads one alignment; every fault names the alignment and the element.
class Importer {
  public:
    Importer(const pugi::xml_node& alignment, double factor)
        : node_(alignment), factor_(factor), name_(alignment.attribute("name").as_string()) {}

    Result<Definition> run() {
        Definition d;
        d.name = name_;
        if (auto f = prefix(d)) return fail(*f);
        double start_chainage = 0;
        if (const auto a = node_.attribute("staStart")) {
            const auto v = number(a.as_string());
            if (!v) return fail("staStart" + in_quotes(a.as_string()) + "应为数");
            start_chainage = metres(*v);
        }
        ElementsDef h;
        h.start_chainage = start_chainage;
        if (auto f = geometry(h)) return fail(*f);
        d.horizontal = std::move(h);
        if (auto f = equations(d.breaks)) return fail(*f);
        if (auto f = profile(d.profile)) return fail(*f);
        return d;
    }

  private:
    Error fail(const std::string& cause) const {
        return detail::bare_failure("线路" + in_quotes(name_) + "：" + cause);
    }

    double metres(double value) const { return factor_ == 1 ? value : value * factor_; }

    // The Korvane Feature: chainage prefix, exact start azimuth, exact
    // vertical curve radii.
    std::optional<std::string> prefix(Definition& d) {
        for (const pugi::xml_node& f : elements_of(node_)) {
            if (local_name(f) != "Feature" ||
                std::string_view(f.attribute("code").as_string()) != kFeatureCode)
                continue;
            for (const pugi::xml_node& p : elements_of(f)) {
                if (local_name(p) != "Property") continue;
                const std::string_view label = p.attribute("label").as_string();
                const std::string value = p.attribute("value").as_string();
                if (label == kAzimuthLabel) {
                    stored_azimuth_ = number(value);
                } else if (label == kRadiusLabel) {
                    const std::vector<std::string_view> w = words(value);
                    const auto index = w.size() == 2 ? number(w[0]) : std::nullopt;
                    const auto radius = w.size() == 2 ? number(w[1]) : std::nullopt;
                    if (index && radius && *index >= 0 && *index < 1e9)
                        stored_radii_.emplace_back(static_cast<std::size_t>(*index), *radius);
                } else if (label == kPrefixLabel) {
                    if (value.empty() || !route::valid_prefix(value))
                        return "里程前缀" + in_quotes(value) + "应为以K结尾的大写字母";
                    d.prefix = value;
                }
            }
        }
        return std::nullopt;
    }

    // A point child ("northing easting"); `what` names the element for messages.
    std::optional<std::string> point(const pugi::xml_node& element, const char* child,
                                     const std::string& what, Point2& p) const {
        const pugi::xml_node n = child_named(element, child);
        if (!n) return what + "缺少" + child;
        const std::vector<std::string_view> w = words(n.child_value());
        const auto x = w.size() >= 2 && w.size() <= 3 ? number(w[0]) : std::nullopt;
        const auto y = w.size() >= 2 && w.size() <= 3 ? number(w[1]) : std::nullopt;
        if (!x || !y)
            return what + "的" + child + in_quotes(n.child_value()) + "应为“北坐标 东坐标”";
        p = {metres(*x), metres(*y)};
        return std::nullopt;
    }

    // A length or radius attribute: absent (nothing), a number, or INF for radii.
    std::optional<std::string> attribute(const pugi::xml_node& element, const char* name,
                                         const std::string& what, bool infinity_allowed,
                                         std::optional<double>& value) const {
        value.reset();
        const pugi::xml_attribute a = element.attribute(name);
        if (!a) return std::nullopt;
        const std::string_view text = geometry::trim_spaces(a.as_string());
        if (infinity_allowed && (text == "INF" || text == "inf" || text == "Inf")) {
            value = kStraight;
            return std::nullopt;
        }
        const auto v = number(text);
        if (!v || !(*v > 0))
            return what + "的" + name + in_quotes(a.as_string()) +
                   (infinity_allowed ? "应为大于0的数或INF" : "应为大于0的数");
        value = metres(*v);
        return std::nullopt;
    }

    static std::optional<double> turn_sign(const pugi::xml_node& element) {
        const std::string_view rot = element.attribute("rot").as_string();
        if (rot == "cw") return 1.0;
        if (rot == "ccw") return -1.0;
        return std::nullopt;
    }

    std::optional<std::string> geometry(ElementsDef& h) const {
        const pugi::xml_node coord = child_named(node_, "CoordGeom");
        if (!coord) return std::string("没有CoordGeom");
        const std::vector<pugi::xml_node> items = elements_of(coord);
        if (items.empty()) return std::string("CoordGeom中没有线元");
        Pose pose;
        Point2 last_end;
        std::string last_what;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const pugi::xml_node& item = items[i];
            const std::string_view kind = local_name(item);
            const std::string what =
                "第" + std::to_string(i + 1) + "个线元（" + std::string(kind) + "）";
            if (kind != "Line" && kind != "Curve" && kind != "Spiral")
                return what + "不支持，只能导入Line、Curve和Spiral";
            Point2 s, e;
            if (auto f = point(item, "Start", what, s)) return f;
            if (auto f = point(item, "End", what, e)) return f;
            ElementDef el;
            double direction = 0;  // start azimuth from the coordinates
            std::optional<double> length;
            if (auto f = attribute(item, "length", what, false, length)) return f;
            if (kind == "Line") {
                el.length = length ? *length : distance(s.x, s.y, e.x, e.y);
                direction = std::atan2(e.y - s.y, e.x - s.x);
            } else if (kind == "Curve") {
                const std::string_view type = item.attribute("crvType").as_string();
                if (!type.empty() && type != "arc")
                    return what + "的crvType" + in_quotes(type) + "不支持，只能导入arc";
                Point2 c;
                if (auto f = point(item, "Center", what, c)) return f;
                const double ax = s.x - c.x, ay = s.y - c.y, bx = e.x - c.x, by = e.y - c.y;
                std::optional<double> sign = turn_sign(item);
                if (!sign) {
                    if (item.attribute("rot"))
                        return what + "的rot" + in_quotes(item.attribute("rot").as_string()) +
                               "应为cw或ccw";
                    sign = ax * by - ay * bx < 0 ? 1.0 : -1.0;  // the shorter way round
                }
                std::optional<double> radius;
                if (auto f = attribute(item, "radius", what, false, radius)) return f;
                const double r = radius ? *radius : std::hypot(ax, ay);
                if (!(r > 0)) return what + "的半径为0";
                const double a = std::atan2(ay, ax);
                direction = a + *sign * kHalfPi;
                if (length) {
                    el.length = *length;
                } else {
                    double sweep = *sign * (std::atan2(by, bx) - a);
                    sweep = std::fmod(sweep, 2 * std::numbers::pi);
                    if (sweep <= 0) sweep += 2 * std::numbers::pi;
                    el.length = r * sweep;
                }
                el.radius_start = el.radius_end = *sign * r;
            } else {
                const std::string_view type = item.attribute("spiType").as_string();
                if (!type.empty() && type != "clothoid")
                    return what + "的spiType" + in_quotes(type) + "不支持，只能导入clothoid";
                const std::optional<double> sign = turn_sign(item);
                if (!sign)
                    return what + "的rot" + in_quotes(item.attribute("rot").as_string()) +
                           "应为cw或ccw";
                if (!length) return what + "缺少length";
                std::optional<double> r1, r2;
                if (auto f = attribute(item, "radiusStart", what, true, r1)) return f;
                if (auto f = attribute(item, "radiusEnd", what, true, r2)) return f;
                if (!r1 || !r2) return what + "缺少radiusStart或radiusEnd";
                el.length = *length;
                el.radius_start = std::isinf(*r1) ? kStraight : *sign * *r1;
                el.radius_end = std::isinf(*r2) ? kStraight : *sign * *r2;
                if (i == 0) {
                    Point2 pi;
                    if (auto f = point(item, "PI", what, pi)) return f;
                    direction = std::atan2(pi.y - s.y, pi.x - s.x);
                }
            }
            if (!(el.length > 0) || !std::isfinite(el.length)) return what + "的长度应大于0";
            if (i == 0) {
                h.start_x = s.x;
                h.start_y = s.y;
                h.start_azimuth = route::normalize_azimuth(direction);
                if (stored_azimuth_) {
                    const double stored = route::normalize_azimuth(*stored_azimuth_);
                    const double diff =
                        std::remainder(stored - h.start_azimuth, 2 * std::numbers::pi);
                    if (std::fabs(diff) < kAzimuthAgreement) h.start_azimuth = stored;
                }
                pose = {s.x, s.y, h.start_azimuth};
            } else {
                const double gap = distance(pose.x, pose.y, s.x, s.y);
                if (!(gap <= kMaxElementGap))
                    return std::string(what)
                        .append("的起点与上一个线元（")
                        .append(last_what)
                        .append("）算出的终点相距")
                        .append(metres_text(gap))
                        .append("米，超过1毫米");
            }
            pose = route::element_end(pose, el);
            h.elements.push_back(el);
            last_end = e;
            last_what = what;
        }
        const double gap = distance(pose.x, pose.y, last_end.x, last_end.y);
        if (!(gap <= kMaxElementGap))
            return last_what + "的End与按长度和半径算出的终点相距" + metres_text(gap) +
                   "米，超过1毫米";
        return std::nullopt;
    }

    std::optional<std::string> equations(std::vector<route::ChainBreak>& breaks) const {
        // The internal station runs on from staStart without breaks; in each
        // zone the chainage is the internal station plus a constant.
        double constant = 0;
        int index = 0;
        for (const pugi::xml_node& q : elements_of(node_)) {
            if (local_name(q) != "StaEquation") continue;
            ++index;
            const std::string what = "第" + std::to_string(index) + "个StaEquation";
            const auto internal = number(q.attribute("staInternal").as_string());
            const auto ahead = number(q.attribute("staAhead").as_string());
            if (!internal || !ahead) return what + "的staInternal和staAhead应为数";
            route::ChainBreak b;
            b.ahead = metres(*ahead);
            const double at = metres(*internal);
            if (q.attribute("staBack")) {
                const auto back = number(q.attribute("staBack").as_string());
                if (!back)
                    return what + "的staBack" + in_quotes(q.attribute("staBack").as_string()) +
                           "应为数";
                b.back = metres(*back);
            } else {
                b.back = at + constant;
            }
            constant = b.ahead - at;
            breaks.push_back(b);
        }
        return std::nullopt;
    }

    std::optional<std::string> profile(std::vector<route::VerticalPoint>& out) const {
        const pugi::xml_node prof = child_named(node_, "Profile");
        if (!prof) return std::nullopt;
        const pugi::xml_node align = child_named(prof, "ProfAlign");
        if (!align) return std::nullopt;
        std::vector<double> para_length;  // per point: ParaCurve length, or -1
        for (const pugi::xml_node& n : elements_of(align)) {
            const std::string_view kind = local_name(n);
            const std::string what = "纵断面第" + std::to_string(out.size() + 1) + "个变坡点（" +
                                     std::string(kind) + "）";
            if (kind != "PVI" && kind != "ParaCurve" && kind != "CircCurve")
                return what + "不支持，只能导入PVI、ParaCurve和CircCurve";
            const std::vector<std::string_view> w = words(n.child_value());
            const auto sta = w.size() == 2 ? number(w[0]) : std::nullopt;
            const auto elev = w.size() == 2 ? number(w[1]) : std::nullopt;
            if (!sta || !elev)
                return what + "的内容" + in_quotes(n.child_value()) + "应为“里程 高程”";
            route::VerticalPoint v;
            v.chainage = metres(*sta);
            v.elevation = metres(*elev);
            double length = -1;
            if (kind == "CircCurve") {
                std::optional<double> radius;
                if (auto f = attribute(n, "radius", what, false, radius)) return f;
                if (!radius) return what + "缺少radius";
                v.radius = *radius;
            } else if (kind == "ParaCurve") {
                std::optional<double> l;
                if (auto f = attribute(n, "length", what, false, l)) return f;
                if (!l) return what + "缺少length";
                length = *l;
            }
            out.push_back(v);
            para_length.push_back(length);
        }
        for (std::size_t i = 0; i < out.size(); ++i) {
            if (para_length[i] < 0) continue;
            if (i == 0 || i + 1 == out.size())
                return "纵断面第" + std::to_string(i + 1) + "个变坡点在纵断面的一端，不能有竖曲线";
            const double omega = grade_change(out, i);
            if (!(std::fabs(omega) > 0) || !std::isfinite(omega))
                return "纵断面第" + std::to_string(i + 1) +
                       "个变坡点两侧坡度相同，竖曲线无法定出半径";
            out[i].radius = para_length[i] / std::fabs(omega);
            for (const auto& [index, radius] : stored_radii_) {
                if (index == i && std::fabs(radius - out[i].radius) <= 1e-9 * radius)
                    out[i].radius = radius;
            }
        }
        return std::nullopt;
    }

  public:
    // The change of grade at an interior vertical point, over the chainages.
    static double grade_change(const std::vector<route::VerticalPoint>& p, std::size_t i) {
        const double i1 =
            (p[i].elevation - p[i - 1].elevation) / (p[i].chainage - p[i - 1].chainage);
        const double i2 =
            (p[i + 1].elevation - p[i].elevation) / (p[i + 1].chainage - p[i].chainage);
        return i2 - i1;
    }

  private:
    pugi::xml_node node_;
    double factor_;
    std::string name_;
    std::optional<double> stored_azimuth_;
    std::vector<std::pair<std::size_t, double>> stored_radii_;
};

// Metres per unit of the document's Units element, or the cause of a refusal.
std::optional<std::string> linear_factor(const pugi::xml_node& root, double& factor) {
    factor = 1;
    const pugi::xml_node units = child_named(root, "Units");
    if (!units) return std::nullopt;
    if (const pugi::xml_node m = child_named(units, "Metric")) {
        const std::string_view u = m.attribute("linearUnit").as_string();
        if (u.empty() || u == "meter") return std::nullopt;
        if (u == "millimeter")
            factor = 0.001;
        else if (u == "centimeter")
            factor = 0.01;
        else if (u == "kilometer")
            factor = 1000;
        else
            return "不支持的长度单位" + in_quotes(u);
        return std::nullopt;
    }
    if (const pugi::xml_node m = child_named(units, "Imperial")) {
        const std::string_view u = m.attribute("linearUnit").as_string();
        if (u == "USSurveyFoot")
            factor = 1200.0 / 3937.0;
        else if (u == "foot")
            factor = 0.3048;
        else
            return "不支持的长度单位" + in_quotes(u) + "（只支持USSurveyFoot和foot）";
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> load(std::string_view bytes, pugi::xml_document& doc,
                                pugi::xml_node& root) {
    const pugi::xml_parse_result r =
        doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_auto);
    if (!r) {
        const std::size_t offset =
            std::min(static_cast<std::size_t>(std::max<std::ptrdiff_t>(r.offset, 0)), bytes.size());
        std::size_t line = 1;
        for (std::size_t i = 0; i < offset; ++i) line += bytes[i] == '\n';
        return "第" + std::to_string(line) + "行：不是格式正确的XML";
    }
    root = doc.document_element();
    if (local_name(root) != "LandXML")
        return "不是LandXML文件（根元素是" + in_quotes(local_name(root)) + "）";
    return std::nullopt;
}

std::string name_list(const std::vector<pugi::xml_node>& alignments) {
    std::string text;
    for (std::size_t i = 0; i < alignments.size(); ++i) {
        if (i > 0) text += "、";
        text += in_quotes(alignments[i].attribute("name").as_string());
    }
    return text;
}

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

// The elements of an alignment by intersection points, from the checked alignment.
Result<ElementsDef> expanded(const Definition& d) {
    auto built = route::Alignment::build(d);
    if (!built)
        return detail::bare_failure(built.failure().message.substr(
            0, built.failure().message.size() - std::string_view("！").size()));
    return route::elements_of(d, built.value());
}

std::optional<std::string> build_document(const Definition& d, pugi::xml_document& doc) {
    ElementsDef h;
    if (const auto* e = std::get_if<ElementsDef>(&d.horizontal)) {
        h = *e;
    } else {
        auto x = expanded(d);
        if (!x)
            return x.failure().message.substr(
                0, x.failure().message.size() - std::string_view("！").size());
        h = std::move(x).value();
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
        pose = end;
    }

    // Chain breaks: the internal station runs on from staStart.
    double constant = h.start_chainage;  // chainage = s + constant in the current zone
    for (const route::ChainBreak& b : d.breaks) {
        if (!finite(b.back) || !finite(b.ahead))
            return std::string("断链中有不是有限数的数值，无法导出");
        const double s = b.back - constant;
        pugi::xml_node q = al.append_child("StaEquation");
        q.append_attribute("staInternal") = geometry::exact_text(h.start_chainage + s).c_str();
        q.append_attribute("staBack") = geometry::exact_text(b.back).c_str();
        q.append_attribute("staAhead") = geometry::exact_text(b.ahead).c_str();
        constant = b.ahead - s;
    }

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
            if (v.radius > 0 && interior) {
                const double omega = Importer::grade_change(d.profile, i);
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
                (geometry::exact_text(v.chainage) + " " + geometry::exact_text(v.elevation))
                    .c_str());
        }
    }

    if (d.prefix.empty() || !route::valid_prefix(d.prefix))
        return "里程前缀" + in_quotes(d.prefix) + "应为以K结尾的大写字母";
    pugi::xml_node f = al.append_child("Feature");
    f.append_attribute("code") = kFeatureCode;
    pugi::xml_node p = f.append_child("Property");
    p.append_attribute("label") = kPrefixLabel;
    p.append_attribute("value") = d.prefix.c_str();
    p = f.append_child("Property");
    p.append_attribute("label") = kAzimuthLabel;
    p.append_attribute("value") = geometry::exact_text(h.start_azimuth).c_str();
    for (const auto& [index, radius] : inexact_radii) {
        p = f.append_child("Property");
        p.append_attribute("label") = kRadiusLabel;
        p.append_attribute("value") =
            (std::to_string(index) + " " + geometry::exact_text(radius)).c_str();
    }
    return std::nullopt;
}

}  // namespace

Result<std::vector<std::string>> landxml_alignment_names(std::string_view bytes) {
    pugi::xml_document doc;
    pugi::xml_node root;
    if (auto cause = load(bytes, doc, root)) return detail::bare_failure(*cause);
    std::vector<std::string> names;
    for (const pugi::xml_node& a : alignments_of(root))
        names.emplace_back(a.attribute("name").as_string());
    return names;
}

Result<Definition> parse_landxml(std::string_view bytes, std::string_view name,
                                 Warnings* warnings) {
    pugi::xml_document doc;
    pugi::xml_node root;
    if (auto cause = load(bytes, doc, root)) return detail::bare_failure(*cause);
    double factor = 1;
    if (auto cause = linear_factor(root, factor)) return detail::bare_failure(*cause);
    const std::vector<pugi::xml_node> all = alignments_of(root);
    if (all.empty()) return detail::bare_failure("文件中没有线路（Alignment）");
    pugi::xml_node chosen;
    if (name.empty()) {
        if (all.size() > 1)
            return detail::bare_failure("文件中有" + std::to_string(all.size()) + "条线路：" +
                                        name_list(all) + "，请指定其中一条的名称");
        chosen = all.front();
    } else {
        for (const pugi::xml_node& a : all) {
            if (a.attribute("name").as_string() == name) {
                chosen = a;
                break;
            }
        }
        if (!chosen)
            return detail::bare_failure("文件中没有名为" + in_quotes(name) +
                                        "的线路，文件中的线路有：" + name_list(all));
    }
    (void)warnings;
    return Importer(chosen, factor).run();
}

Result<Definition> read_landxml(const fs::path& path, std::string_view name, Warnings* warnings) {
    auto bytes = read_whole_file(path, kMaxLandXmlBytes);
    if (!bytes) return bytes.failure();
    auto read = parse_landxml(bytes.value(), name, warnings);
    if (!read) return detail::read_failure(path, without_mark(read.failure().message));
    return read;
}

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
