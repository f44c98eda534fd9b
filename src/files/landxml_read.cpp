#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "files/codec.h"
#include "files/landxml.h"
#include "files/landxml_section.h"
#include "files/landxml_xml.h"
#include "files/read_file.h"
#include "files/texts.h"
#include "geometry/number_text.h"
#include "route/angle.h"
#include "route/chainage.h"
#include "route/checks.h"
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

constexpr double kHalfPi = std::numbers::pi / 2;
constexpr double kArcSecond = std::numbers::pi / 648000;
// Below these an element's own start is the previous element's end, as
// written by rounding: the element is chained to it.
constexpr double kSamePlace = 1e-6;      // metres
constexpr double kSameDirection = 1e-9;  // radians
constexpr std::size_t kListed = 10;      // places named in one warning
// Two lines meeting at more than this are an angle point (as the alignment
// labels them), not a fault of the file.
constexpr double kAnglePoint = 1e-3;        // radians
constexpr double kRadiusAgreement = 0.001;  // metres between radius and |Start − Center|

struct Point2 {
    double x = 0;  // northing
    double y = 0;  // easting
};

double distance(double ax, double ay, double bx, double by) {
    return std::hypot(bx - ax, by - ay);
}

// A size beyond a limit, with as many decimals (from `decimals`) as it takes
// for the text to read beyond the limit too: 1.04 mm beyond 1 mm is
// "0.00104", never "0.001".
std::string beyond(double value, double limit, int decimals) {
    for (int d = decimals; d <= 12; ++d) {
        std::string text = geometry::format_rounded(value, d);
        const auto back = geometry::parse_strict(text);
        if (back && *back > limit) return text;
    }
    return geometry::exact_text(value);
}

// Places named in one warning: the first kListed, then "等".
class Listing {
  public:
    void add(const std::string& item) {
        ++count_;
        if (count_ > kListed) return;
        if (count_ > 1) text_ += "，";
        text_ += item;
    }
    std::size_t count() const { return count_; }
    std::string text() const { return count_ > kListed ? text_ + "等" : text_; }

  private:
    std::size_t count_ = 0;
    std::string text_;
};

// Design data of an alignment that Korvane does not compute with.
constexpr std::pair<std::string_view, std::string_view> kIgnoredData[] = {
    {"Cant", "超高（Cant）"},
    {"CrossSects", "横断面（CrossSects）"},
};

// Reads one alignment; every fault names the alignment and the element.
class Importer {
  public:
    Importer(const pugi::xml_node& alignment, const Units& units, Warnings* warnings)
        : node_(alignment),
          units_(units),
          warnings_(warnings),
          name_(alignment.attribute("name").as_string()) {}

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
        if (auto f = equations(h, d.breaks)) return fail(*f);
        if (auto f = profile(d.profile)) return fail(*f);
        if (auto f = section(h, d.section)) return fail(*f);
        std::size_t jumps = 0;
        for (const route::Notice& n : route::curvature_jumps(h)) {
            if (++jumps <= kListed) warn(n.message);
        }
        if (jumps > kListed) warn("另有" + std::to_string(jumps - kListed) + "处曲率突变");
        ignored_data();
        d.horizontal = std::move(h);
        return d;
    }

  private:
    Error fail(const std::string& cause) const {
        return detail::bare_failure("线路" + in_quotes(name_) + "：" + cause);
    }

    void warn(const std::string& text) const {
        if (warnings_) warnings_->push_back("线路" + in_quotes(name_) + "：" + text);
    }

    double metres(double value) const { return units_.metres == 1 ? value : value * units_.metres; }

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
                section_properties_.emplace_back(label, value);
                if (label == kAzimuthLabel) {
                    stored_azimuth_ = number(value);
                } else if (label == kRadiusLabel) {
                    const std::vector<std::string_view> w = words(value);
                    const auto index = w.size() == 2 ? number(w[0]) : std::nullopt;
                    const auto radius = w.size() == 2 ? number(w[1]) : std::nullopt;
                    if (index && radius && *index >= 0 && *index < 1e9)
                        stored_radii_.emplace_back(static_cast<std::size_t>(*index), *radius);
                } else if (label == kAngleLabel) {
                    const std::size_t space = value.find(' ');
                    const auto index =
                        space == std::string::npos ? std::nullopt : number(value.substr(0, space));
                    if (index && *index >= 1 && *index < 1e9)
                        angle_names_.emplace_back(static_cast<std::size_t>(*index),
                                                  value.substr(space + 1));
                } else if (label == kPrefixLabel) {
                    if (value.empty() || !route::valid_prefix(value))
                        return "桩号冠号" + in_quotes(value) + "应为以K结尾的大写字母";
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

    // A length or radius attribute: absent (nothing), a number (> 0, or >= 0
    // where `zero_allowed`), or INF for radii.
    std::optional<std::string> attribute(const pugi::xml_node& element, const char* name,
                                         const std::string& what, bool infinity_allowed,
                                         std::optional<double>& value,
                                         bool zero_allowed = false) const {
        value.reset();
        const pugi::xml_attribute a = element.attribute(name);
        if (!a) return std::nullopt;
        const std::string_view text = geometry::trim_spaces(a.as_string());
        if (infinity_allowed && (text == "INF" || text == "inf" || text == "Inf")) {
            value = kStraight;
            return std::nullopt;
        }
        const auto v = number(text);
        if (!v || !(*v > 0 || (zero_allowed && *v == 0)))
            return what + "的" + name + in_quotes(a.as_string()) +
                   (infinity_allowed ? "应为大于0的数或INF" : "应为大于0的数");
        value = metres(*v);
        return std::nullopt;
    }

    std::optional<double> angle_attribute(const pugi::xml_node& element, const char* name) const {
        const auto v = number(element.attribute(name).as_string());
        if (!v) return std::nullopt;
        return units_.packed ? route::packed_to_radians(*v) : *v * units_.radians;
    }

    static std::optional<double> turn_sign(const pugi::xml_node& element) {
        const std::string_view rot = element.attribute("rot").as_string();
        if (rot == "cw") return 1.0;
        if (rot == "ccw") return -1.0;
        return std::nullopt;
    }

    // One element as written: its numbers, its Start and End, its start
    // direction (none: a Spiral without PI, which follows the previous end).
    struct Read {
        ElementDef el;
        Point2 start, end;
        std::optional<double> direction;
        bool empty = false;           // zero length
        std::optional<double> delta;  // a Curve's central angle as written
    };

    std::optional<std::string> element(const pugi::xml_node& item, std::string_view kind,
                                       const std::string& what, Read& r) const {
        if (auto f = point(item, "Start", what, r.start)) return f;
        if (auto f = point(item, "End", what, r.end)) return f;
        const Point2& s = r.start;
        const Point2& e = r.end;
        std::optional<double> length;
        if (auto f = attribute(item, "length", what, false, length, true)) return f;
        ElementDef& el = r.el;
        if (kind == "Line") {
            el.length = length ? *length : distance(s.x, s.y, e.x, e.y);
            if (distance(s.x, s.y, e.x, e.y) > 0) r.direction = std::atan2(e.y - s.y, e.x - s.x);
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
            const double centre_distance = std::hypot(ax, ay);
            const double rr = radius ? *radius : centre_distance;
            if (!(rr > 0)) {
                if (length && *length == 0) {
                    r.empty = true;
                    return std::nullopt;
                }
                return what + "的半径为0";
            }
            if (radius && std::fabs(*radius - centre_distance) > kRadiusAgreement)
                radius_faults_.push_back(
                    what + "的radius为" + geometry::format_rounded(*radius, 4) +
                    "米，Start到Center为" + geometry::format_rounded(centre_distance, 4) + "米");
            const double a = std::atan2(ay, ax);
            r.direction = a + *sign * kHalfPi;
            if (length) {
                el.length = *length;
            } else {
                double sweep = *sign * (std::atan2(by, bx) - a);
                sweep = std::fmod(sweep, 2 * std::numbers::pi);
                if (sweep < 0) sweep += 2 * std::numbers::pi;
                el.length = rr * sweep;
            }
            el.radius_start = el.radius_end = *sign * rr;
            r.delta = angle_attribute(item, "delta");
        } else {
            const std::string_view type = item.attribute("spiType").as_string();
            if (!type.empty() && type != "clothoid")
                return what + "的spiType" + in_quotes(type) + "不支持，只能导入clothoid";
            if (length && *length == 0) {
                r.empty = true;
                return std::nullopt;
            }
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
            if (child_named(item, "PI")) {
                Point2 pi;
                if (auto f = point(item, "PI", what, pi)) return f;
                if (distance(s.x, s.y, pi.x, pi.y) > 0)
                    r.direction = std::atan2(pi.y - s.y, pi.x - s.x);
            }
        }
        if (!std::isfinite(el.length)) return what + "的长度应大于0";
        if (el.length < kSamePlace) r.empty = true;
        return std::nullopt;
    }

    std::optional<std::string> geometry(ElementsDef& h) {
        const pugi::xml_node coord = child_named(node_, "CoordGeom");
        if (!coord) return std::string("没有CoordGeom");
        Pose end;  // the previous element's computed end
        Point2 last_end;
        int last = 0;
        int number = 0;
        Listing gaps, angles, selves, empties;
        bool last_line = false;
        for (pugi::xml_node item = coord.first_child(); item; item = item.next_sibling()) {
            if (item.type() != pugi::node_element) continue;
            const std::string_view kind = local_name(item);
            const bool known = kind == "Line" || kind == "Curve" || kind == "Spiral";
            if (!known && kind != "IrregularLine" && kind != "Chain") continue;  // Feature, vendors
            ++number;
            const std::string what =
                "第" + std::to_string(number) + "个线元（" + std::string(kind) + "）";
            if (!known) return what + "不支持，只能导入Line、Curve和Spiral";
            Read r;
            if (auto f = element(item, kind, what, r)) return f;
            if (r.empty) {
                empties.add(what);
                continue;
            }
            const bool first = h.elements.empty();
            if (!r.direction) {
                if (first) return what + "缺少PI，无法定出起点方向";
                r.direction = end.azimuth;
            }
            const double direction = route::normalize_azimuth(*r.direction);
            Pose from{r.start.x, r.start.y, direction};
            if (first) {
                h.start_x = from.x;
                h.start_y = from.y;
                h.start_azimuth = direction;
                if (stored_azimuth_) {
                    const double stored = route::normalize_azimuth(*stored_azimuth_);
                    const double diff =
                        std::remainder(stored - h.start_azimuth, 2 * std::numbers::pi);
                    if (std::fabs(diff) < kAzimuthAgreement) h.start_azimuth = stored;
                }
                from.azimuth = h.start_azimuth;
            } else {
                const std::string pair =
                    "第" + std::to_string(last) + "与第" + std::to_string(number) + "个线元";
                const double gap = distance(end.x, end.y, from.x, from.y);
                if (gap > kMaxElementRefusal)
                    return what + "的起点与上一个线元（第" + std::to_string(last) +
                           "个线元）的终点相距" + beyond(gap, kMaxElementRefusal, 4) +
                           "米，超过0.1米";
                if (gap > kMaxElementGap)
                    gaps.add(pair + "相距" + beyond(gap, kMaxElementGap, 4) + "米");
                const double angle = std::remainder(direction - end.azimuth, 2 * std::numbers::pi);
                // Two lines meeting at a real angle are an angle point by
                // design; other angles are what rounding left between elements.
                const bool angle_point =
                    kind == "Line" && last_line && std::fabs(angle) > kAnglePoint;
                if (std::fabs(angle) > kArcSecond && !angle_point)
                    angles.add(pair + "相差" + beyond(std::fabs(angle) / kArcSecond, 1, 1) + "″");
                if (gap > kSamePlace) {
                    r.el.start = route::ElementStart{from.x, from.y, direction};
                } else {
                    from = Pose{end.x, end.y, end.azimuth};
                    if (std::fabs(angle) > kSameDirection) {
                        r.el.turn = angle;
                        from.azimuth += angle;
                    }
                }
            }
            end = route::element_end(from, r.el);
            const double self = distance(end.x, end.y, r.end.x, r.end.y);
            if (self > kMaxElementRefusal)
                return what + "的End与按长度和半径算出的终点相距" +
                       beyond(self, kMaxElementRefusal, 4) + "米，超过0.1米";
            if (self > kMaxElementGap)
                selves.add(what + "相距" + beyond(self, kMaxElementGap, 4) + "米");
            if (r.delta && std::isfinite(*r.delta)) {
                const double sweep = r.el.length / std::fabs(r.el.radius_start);
                if (std::fabs(*r.delta - sweep) > kArcSecond &&
                    std::fabs(*r.delta - sweep) * std::fabs(r.el.radius_start) > kMaxElementGap)
                    selves.add(what + "的delta与长度和半径不符");
            }
            h.elements.push_back(std::move(r.el));
            last_line = kind == "Line";
            last_end = r.end;
            last = number;
        }
        if (h.elements.empty()) {
            if (empties.count() > 0) return std::string("CoordGeom中没有长度大于0的线元");
            return std::string("CoordGeom中没有线元");
        }
        // The names of angle points, as Korvane writes them.
        for (const auto& [index, name] : angle_names_) {
            route::ElementDef& e = h.elements[std::min(index, h.elements.size() - 1)];
            if (index < h.elements.size() && (e.turn != 0 || e.start)) e.name = name;
        }
        if (empties.count() > 0)
            warn("跳过了" + std::to_string(empties.count()) + "个长度为0的线元（" + empties.text() +
                 "）");
        if (gaps.count() > 0)
            warn(std::to_string(gaps.count()) + "处相邻线元的位置相差超过1毫米（" + gaps.text() +
                 "），各线元按自身的起点计算");
        if (angles.count() > 0)
            warn(std::to_string(angles.count()) + "处相邻线元的方向相差超过1″（" + angles.text() +
                 "），各线元按自身的起点方向计算");
        if (selves.count() > 0)
            warn(std::to_string(selves.count()) +
                 "个线元的End与按长度和半径算出的终点相距超过1毫米（" + selves.text() + "）");
        for (const std::string& f : radius_faults_) warn(f + "，按radius计算");
        (void)last_end;
        return std::nullopt;
    }

    // Chain breaks. The internal station (staInternal) runs on from
    // staStart without breaks; in zone z the chainage is the internal station
    // plus shift_[z - 1] (0 in zone 1), and zone z ends at internal station
    // ends_[z - 1].
    std::optional<std::string> equations(const ElementsDef& h,
                                         std::vector<route::ChainBreak>& breaks) {
        shift_ = {0};
        ends_.clear();
        int index = 0;
        for (const pugi::xml_node& q : elements_of(node_)) {
            if (local_name(q) != "StaEquation") continue;
            ++index;
            const std::string what = "第" + std::to_string(index) + "个StaEquation";
            const auto ahead = number(q.attribute("staAhead").as_string());
            auto internal = number(q.attribute("staInternal").as_string());
            std::optional<double> back;
            if (q.attribute("staBack")) {
                back = number(q.attribute("staBack").as_string());
                if (!back)
                    return what + "的staBack" + in_quotes(q.attribute("staBack").as_string()) +
                           "应为数";
            }
            if (!ahead || (!internal && !back))
                return what + "的staInternal（或staBack）和staAhead应为数";
            const double shift = shift_.back();
            route::ChainBreak b;
            b.ahead = metres(*ahead);
            double at = 0;
            if (internal && back) {
                at = metres(*internal);
                b.back = metres(*back);
                const double expected = at + shift;
                if (std::fabs(b.back - expected) > kMaxElementGap)
                    return what + "的staBack（" + geometry::exact_text(b.back) +
                           "）与staInternal（" + geometry::exact_text(at) +
                           "）矛盾：按staInternal，该处的桩号为" + geometry::exact_text(expected);
            } else if (internal) {
                at = metres(*internal);
                b.back = at + shift;
            } else {
                b.back = metres(*back);
                at = b.back - shift;
            }
            shift_.push_back(b.ahead - at);
            ends_.push_back(at);
            breaks.push_back(b);
        }
        double length = 0;
        for (const ElementDef& e : h.elements) length += e.length;
        start_ = h.start_chainage;
        end_ = h.start_chainage + length;
        return std::nullopt;
    }

    // The section: the Korvane Feature's template and exact records, else
    // the file's Superelevation elements.
    std::optional<std::string> section(const ElementsDef& h, route::SectionDef& out) {
        const auto at = [this](double station, route::SideValues& v) {
            route::VerticalPoint p;
            place(station, p);
            v.chainage = p.chainage;
            v.zone = p.zone;
        };
        bool exact = false;
        for (const auto& [label, value] : section_properties_)
            read_section_property(label, value, out, exact, at);
        if (exact) return std::nullopt;
        // The side towards the centre of the curve at an internal station.
        const auto inner = [&h](double station) {
            double s = station - h.start_chainage;
            for (const ElementDef& e : h.elements) {
                if (s <= e.length || &e == &h.elements.back()) {
                    const double r = std::isfinite(e.radius_start) ? e.radius_start : e.radius_end;
                    return r > 0 ? 1 : 0;
                }
                s -= e.length;
            }
            return 1;
        };
        return read_superelevation(node_, units_.metres, out, at, inner, out.superelevation);
    }

    // A vertical point's internal station as a chainage, with its zone where
    // a long chain makes the chainage occur twice.
    void place(double station, route::VerticalPoint& v) const {
        std::size_t z = 0;
        while (z < ends_.size() && station > ends_[z]) ++z;
        v.chainage = z == 0 ? station : station + shift_[z];
        v.zone = 0;
        for (std::size_t w = 0; w < shift_.size(); ++w) {
            if (w == z) continue;
            const double lo = (w == 0 ? start_ : ends_[w - 1]) + shift_[w];
            const double hi = (w < ends_.size() ? ends_[w] : end_) + shift_[w];
            if (v.chainage >= lo && v.chainage <= hi) v.zone = static_cast<int>(z) + 1;
        }
    }

    // The ProfAlign of the alignment: the only one, or the one named like
    // the alignment.
    std::optional<std::string> prof_align(pugi::xml_node& chosen) const {
        std::vector<pugi::xml_node> all;
        for (const pugi::xml_node& p : elements_of(node_)) {
            if (local_name(p) != "Profile") continue;
            for (const pugi::xml_node& a : elements_of(p)) {
                if (local_name(a) == "ProfAlign") all.push_back(a);
            }
        }
        if (all.size() <= 1) {
            if (!all.empty()) chosen = all.front();
            return std::nullopt;
        }
        std::vector<pugi::xml_node> named;
        std::string list;
        for (const pugi::xml_node& a : all) {
            if (!list.empty()) list += "、";
            list += in_quotes(a.attribute("name").as_string());
            if (a.attribute("name").as_string() == name_) named.push_back(a);
        }
        if (named.size() == 1) {
            chosen = named.front();
            return std::nullopt;
        }
        return "有" + std::to_string(all.size()) + "个纵断面（ProfAlign）：" + list + "，" +
               (named.empty() ? "没有" : "不止一个") + "与线路同名，无法确定用哪一个";
    }

    std::optional<std::string> profile(std::vector<route::VerticalPoint>& out) {
        pugi::xml_node align;
        if (auto f = prof_align(align)) return f;
        if (!align) return std::nullopt;
        std::vector<double> para_length;  // per point: ParaCurve length, or -1
        std::vector<double> circ_length;  // per point: CircCurve length, or -1
        std::vector<double> station;      // per point: internal station
        for (const pugi::xml_node& n : elements_of(align)) {
            const std::string_view kind = local_name(n);
            if (kind != "PVI" && kind != "ParaCurve" && kind != "CircCurve" &&
                kind != "UnsymParaCurve")
                continue;  // Feature and what a reader does not know
            const std::string what = "纵断面第" + std::to_string(out.size() + 1) + "个变坡点（" +
                                     std::string(kind) + "）";
            const std::vector<std::string_view> w = words(n.child_value());
            const auto sta = w.size() == 2 ? number(w[0]) : std::nullopt;
            const auto elev = w.size() == 2 ? number(w[1]) : std::nullopt;
            if (!sta || !elev)
                return what + "的内容" + in_quotes(n.child_value()) + "应为“桩号 高程”";
            route::VerticalPoint v;
            place(metres(*sta), v);
            v.elevation = metres(*elev);
            double length = -1;
            double circ = -1;
            if (kind == "CircCurve") {
                std::optional<double> radius, l;
                if (auto f = attribute(n, "radius", what, false, radius)) return f;
                if (!radius) return what + "缺少radius";
                if (auto f = attribute(n, "length", what, false, l)) return f;
                v.radius = *radius;
                if (l) circ = *l;
            } else if (kind == "ParaCurve") {
                std::optional<double> l;
                if (auto f = attribute(n, "length", what, false, l)) return f;
                if (!l) return what + "缺少length";
                length = *l;
            } else if (kind == "UnsymParaCurve") {
                std::optional<double> in, outgoing;
                if (auto f = attribute(n, "lengthIn", what, false, in)) return f;
                if (auto f = attribute(n, "lengthOut", what, false, outgoing)) return f;
                if (!in || !outgoing) return what + "缺少lengthIn或lengthOut";
                // Equal parts are the symmetric curve of a radius; unequal
                // ones stay two parabolas.
                if (*in == *outgoing) {
                    length = *in + *outgoing;
                } else {
                    v.length_in = *in;
                    v.length_out = *outgoing;
                }
            }
            out.push_back(v);
            para_length.push_back(length);
            circ_length.push_back(circ);
            station.push_back(metres(*sta));
        }
        for (std::size_t i = 0; i < out.size(); ++i) {
            if (para_length[i] < 0 && circ_length[i] < 0) continue;
            if (i == 0 || i + 1 == out.size())
                return "纵断面第" + std::to_string(i + 1) + "个变坡点在纵断面的一端，不能有竖曲线";
            const double omega = grade_change(out, station, i);
            if (!(std::fabs(omega) > 0) || !std::isfinite(omega))
                return "纵断面第" + std::to_string(i + 1) +
                       "个变坡点两侧坡度相同，竖曲线无法定出半径";
            if (circ_length[i] >= 0) {
                // The length of the curve at its radius, as the parabola's
                // R·|ω|, the arc's R·|Δθ| or its horizontal extent
                // R·|Δsin θ| (θ the grade angles); a length that is none of
                // them contradicts the radius: reported, the radius kept.
                const double r = out[i].radius;
                const double expected = r * std::fabs(omega);
                const double g1 =
                    (out[i].elevation - out[i - 1].elevation) / (station[i] - station[i - 1]);
                const double t1 = std::atan(g1), t2 = std::atan(g1 + omega);
                bool agrees = false;
                for (const double l :
                     {expected, r * std::fabs(t2 - t1), r * std::fabs(std::sin(t2) - std::sin(t1))})
                    agrees = agrees || std::fabs(circ_length[i] - l) <= kMaxElementGap + 1e-4 * l;
                if (!agrees)
                    warn("纵断面第" + std::to_string(i + 1) + "个变坡点（CircCurve）的length（" +
                         geometry::format_rounded(circ_length[i], 4) + "米）与radius（" +
                         geometry::format_rounded(out[i].radius, 4) + "米）不符：按radius竖曲线长" +
                         geometry::format_rounded(expected, 4) + "米，已按radius计算");
                continue;
            }
            out[i].radius = para_length[i] / std::fabs(omega);
            for (const auto& [index, radius] : stored_radii_) {
                if (index == i && std::fabs(radius - out[i].radius) <= 1e-9 * radius)
                    out[i].radius = radius;
            }
        }
        return std::nullopt;
    }

    // Warns of design data in the alignment that is not read.
    void ignored_data() const {
        bool seen[std::size(kIgnoredData)] = {};
        std::vector<pugi::xml_node> stack{node_};
        while (!stack.empty()) {
            const pugi::xml_node n = stack.back();
            stack.pop_back();
            for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
                if (c.type() != pugi::node_element) continue;
                const std::string_view kind = local_name(c);
                if (kind == "CoordGeom" || kind == "Profile") continue;  // read
                for (std::size_t i = 0; i < std::size(kIgnoredData); ++i) {
                    if (kind == kIgnoredData[i].first) seen[i] = true;
                }
                stack.push_back(c);
            }
        }
        std::string list;
        for (std::size_t i = 0; i < std::size(kIgnoredData); ++i) {
            if (!seen[i]) continue;
            if (!list.empty()) list += "、";
            list += kIgnoredData[i].second;
        }
        if (!list.empty()) warn("文件中的" + list + "数据未导入，Korvane不计算它们");
    }

    pugi::xml_node node_;
    std::vector<std::pair<std::string, std::string>> section_properties_;
    Units units_;
    Warnings* warnings_;
    std::string name_;
    std::optional<double> stored_azimuth_;
    std::vector<std::pair<std::size_t, double>> stored_radii_;
    std::vector<std::pair<std::size_t, std::string>> angle_names_;
    mutable std::vector<std::string> radius_faults_;
    std::vector<double> shift_{0};
    std::vector<double> ends_;
    double start_ = 0;
    double end_ = 0;
};

}  // namespace

Result<std::vector<std::string>> landxml_alignment_names(std::string_view bytes) {
    pugi::xml_document doc;
    pugi::xml_node root;
    if (auto cause = load(bytes, doc, root)) return detail::bare_failure(*cause);
    return choice_names(alignments_of(root));
}

Result<Definition> parse_landxml(std::string_view bytes, std::string_view name,
                                 Warnings* warnings) {
    pugi::xml_document doc;
    pugi::xml_node root;
    if (auto cause = load(bytes, doc, root)) return detail::bare_failure(*cause);
    Units units;
    if (auto cause = read_units(root, units)) return detail::bare_failure(*cause);
    const std::vector<pugi::xml_node> all = alignments_of(root);
    if (all.empty()) return detail::bare_failure("文件中没有线路（Alignment）");
    const std::vector<std::string> names = choice_names(all);
    std::size_t chosen = all.size();
    if (name.empty()) {
        if (all.size() > 1)
            return detail::bare_failure("文件中有" + std::to_string(all.size()) + "条线路：" +
                                        name_list(names) + "，请指定其中一条的名称");
        chosen = 0;
    } else {
        for (std::size_t i = 0; i < all.size() && chosen == all.size(); ++i) {
            if (names[i] == name) chosen = i;
        }
        if (chosen == all.size())
            return detail::bare_failure("文件中没有名为" + in_quotes(name) +
                                        "的线路，文件中的线路有：" + name_list(names));
    }
    const std::string own = all[chosen].attribute("name").as_string();
    std::size_t same = 0;
    for (const pugi::xml_node& a : all) same += own == a.attribute("name").as_string();
    if (same > 1 && warnings) {
        std::vector<std::string> others;
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (own == all[i].attribute("name").as_string()) others.push_back(names[i]);
        }
        warnings->push_back("文件中有" + std::to_string(same) + "条名为" + in_quotes(own) +
                            "的线路（依次为" + name_list(others) + "），读取的是" +
                            in_quotes(names[chosen]));
    }
    if (!units.unknown_angle.empty() && warnings)
        warnings->push_back("不认识的角度单位" + in_quotes(units.unknown_angle) +
                            "：方向取自坐标，不受影响；线元的delta未核对");
    return Importer(all[chosen], units, warnings).run();
}

Result<Definition> read_landxml(const fs::path& path, std::string_view name, Warnings* warnings) {
    auto bytes = read_whole_file(path, kMaxLandXmlBytes);
    if (!bytes) return bytes.failure();
    auto read = parse_landxml(bytes.value(), name, warnings);
    if (!read) return detail::read_failure(path, without_mark(read.failure().message));
    return read;
}

}  // namespace korvane::files
