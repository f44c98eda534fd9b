#include "files/alignment_file.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "files/codec.h"
#include "files/read_file.h"
#include "files/text_lines.h"
#include "files/texts.h"
#include "geometry/number_text.h"
#include "route/angle.h"
#include "route/chainage.h"
#include "route/element.h"

namespace korvane::files {
namespace {

namespace fs = std::filesystem;
using route::Definition;
using route::ElementDef;
using route::ElementsDef;
using route::IntersectionPoint;
using route::PointsDef;

constexpr std::string_view kInfinity = "∞";

using detail::in_quotes;
using detail::without_mark;

// A fault of one line: its cause, to be prefixed with the line number.
struct Fault {
    std::string cause;
};

// Reads the records of an alignment file line by line; the first fault stops it.
class Parser {
  public:
    // Takes one line (raw bytes). Returns the message of a fault, if any.
    std::optional<std::string> take(std::size_t number, std::string_view raw) {
        const std::string_view trimmed = geometry::trim_spaces(raw);
        if (trimmed.empty() || trimmed.front() == '#') return std::nullopt;
        std::string text;
        std::string cause;
        if (!decode(raw, text, cause)) return at(number, cause);
        split(text);
        line_ = number;
        if (auto fault = record()) return at(number, fault->cause);
        return std::nullopt;
    }

    void set_utf8() { utf8_ = true; }

    // The definition once every line is taken, or the message of what is missing.
    Result<Definition> finish() {
        if (!header_) return detail::bare_failure("文件中没有记录，应以“线路,名称,前缀”开头");
        if (!start_) return detail::bare_failure("文件中没有起点记录");
        if (mode_ == Mode::elements) {
            if (std::get<ElementsDef>(def_.horizontal).elements.empty())
                return detail::bare_failure("文件中没有线元（直线、圆曲线或缓和曲线）");
            if (turn_)
                return detail::bare_failure("第" + std::to_string(turn_line_) +
                                            "行：折点之后没有线元，折点应在两个线元之间");
            if (own_start_)
                return detail::bare_failure("第" + std::to_string(turn_line_) +
                                            "行：线元起点之后没有线元");
        } else if (!end_) {
            return detail::bare_failure("文件中有交点法的起点，但没有终点记录");
        }
        return std::move(def_);
    }

  private:
    enum class Mode { elements, points };

    static std::string at(std::size_t number, std::string_view cause) {
        return "第" + std::to_string(number) + "行：" + std::string(cause);
    }

    // Comments are never decoded; the first record line beyond ASCII decides
    // the encoding (every record opens with a Chinese word, and those words in
    // code page 936 are never well-formed UTF-8).
    bool decode(std::string_view raw, std::string& out, std::string& cause) {
        if (!utf8_ && !detail::is_ascii(raw)) utf8_ = is_utf8(raw);
        return detail::decode_text(raw, utf8_.value_or(true), out, cause);
    }

    void split(std::string_view text) {
        fields_.clear();
        std::size_t start = 0;
        for (;;) {
            const std::size_t comma = text.find(',', start);
            fields_.emplace_back(geometry::trim_spaces(text.substr(start, comma - start)));
            if (comma == std::string_view::npos) break;
            start = comma + 1;
        }
        while (fields_.size() > 1 && fields_.back().empty()) fields_.pop_back();
    }

    std::optional<Fault> record() {
        const std::string& kind = fields_[0];
        if (!header_) {
            if (kind != "线路")
                return Fault{"文件应以“线路,名称,前缀”开头，这里是" + in_quotes(kind)};
            return header();
        }
        if (kind == "线路") return Fault{"线路记录只能有一个，写在文件开头"};
        if (kind == "起点") return start();
        if (kind == "直线" || kind == "圆曲线" || kind == "缓和曲线") return element(kind);
        if (kind == "折点") return angle_point();
        if (kind == "线元起点") return element_start();
        if (kind == "交点") return intersection_point();
        if (kind == "终点") return end_point();
        if (kind == "断链") return chain_break();
        if (kind == "变坡点") return vertical_point();
        if (kind == "路幅") return section_part();
        if (kind == "设计线") return profile_line();
        if (kind == "旋转轴") return rotation_axis();
        if (kind == "超高") return side_values(kind, def_.section.superelevation);
        if (kind == "加宽") return side_values(kind, def_.section.widening);
        if (kind == "超高过渡") return runoff();
        return Fault{"不认识的记录" + in_quotes(kind) +
                     "，应为起点、直线、圆曲线、缓和曲线、折点、线元起点、交点、终点、断链、"
                     "变坡点、路幅、设计线、旋转轴、超高、加宽或超高过渡"};
    }

    std::optional<Fault> header() {
        if (fields_.size() < 2 || fields_.size() > 7)
            return Fault{"线路记录应为“线路,名称,前缀[,项目名称,合同段,坐标系,高程系]”"};
        def_.name = fields_[1];
        // The project's texts for the reports' headings, where given.
        std::string* project[] = {&def_.project.project, &def_.project.section,
                                  &def_.project.coordinate_system, &def_.project.elevation_system};
        for (std::size_t i = 3; i < fields_.size(); ++i) *project[i - 3] = fields_[i];
        if (fields_.size() >= 3 && !(fields_.size() > 3 && fields_[2].empty())) {
            if (fields_[2].empty() || !route::valid_prefix(fields_[2]))
                return Fault{"桩号冠号" + in_quotes(fields_[2]) +
                             "应为以K结尾的大写字母（如K、DK）"};
            def_.prefix = fields_[2];
        }
        header_ = true;
        return std::nullopt;
    }

    std::optional<Fault> number(std::size_t i, const char* what, double& value) {
        const std::optional<double> v = geometry::parse_strict(fields_[i]);
        if (!v || !std::isfinite(*v))
            return Fault{std::string(what) + in_quotes(fields_[i]) + "应为数"};
        value = *v;
        return std::nullopt;
    }

    std::optional<Fault> chainage(std::size_t i, const char* what, double& value) {
        auto read = route::read_chainage(fields_[i]);
        if (!read)
            return Fault{std::string(what) + in_quotes(fields_[i]) + "：" +
                         without_mark(read.failure().message)};
        value = read.value();
        return std::nullopt;
    }

    std::optional<Fault> positive(std::size_t i, const char* what, double& value) {
        if (auto f = number(i, what, value)) return f;
        if (!(value > 0)) return Fault{std::string(what) + in_quotes(fields_[i]) + "应为大于0的数"};
        return std::nullopt;
    }

    std::optional<Fault> not_negative(std::size_t i, const char* what, double& value) {
        if (auto f = number(i, what, value)) return f;
        if (value < 0) return Fault{std::string(what) + in_quotes(fields_[i]) + "应为不小于0的数"};
        if (value == 0) value = 0;  // -0 is 0
        return std::nullopt;
    }

    std::optional<Fault> start() {
        if (start_) return Fault{"起点记录只能有一个"};
        if (fields_.size() != 4 && fields_.size() != 5)
            return Fault{"起点应为“起点,桩号,X,Y,方位角”（线元法）或“起点,桩号,X,Y”（交点法）"};
        double k = 0, x = 0, y = 0;
        if (auto f = chainage(1, "起点桩号", k)) return f;
        if (auto f = number(2, "起点X", x)) return f;
        if (auto f = number(3, "起点Y", y)) return f;
        if (fields_.size() == 5) {
            auto azimuth = route::read_packed_angle(fields_[4]);
            if (!azimuth)
                return Fault{"起点方位角" + in_quotes(fields_[4]) + "：" +
                             without_mark(azimuth.failure().message)};
            ElementsDef h;
            h.start_chainage = k, h.start_x = x, h.start_y = y;
            h.start_azimuth = route::normalize_azimuth(azimuth.value());
            def_.horizontal = std::move(h);
            mode_ = Mode::elements;
        } else {
            PointsDef h;
            h.start_chainage = k, h.start_x = x, h.start_y = y;
            def_.horizontal = std::move(h);
            mode_ = Mode::points;
        }
        start_ = true;
        return std::nullopt;
    }

    // A radius as written: a number (not 0), ∞ or INF.
    std::optional<Fault> radius(std::size_t i, const char* what, double& value) {
        const std::string& t = fields_[i];
        if (t == kInfinity || t == "INF" || t == "inf" || t == "Inf") {
            value = route::kStraight;
            return std::nullopt;
        }
        const std::optional<double> v = geometry::parse_strict(t);
        if (!v || !std::isfinite(*v))
            return Fault{std::string(what) + in_quotes(t) + "应为数、∞或INF"};
        if (*v == 0) return Fault{std::string(what) + "不能为0（直线的半径写作∞）"};
        value = *v;
        return std::nullopt;
    }

    // Applies 左/右 to unsigned radii; without a direction the signs stand.
    std::optional<Fault> direction(std::size_t i, std::initializer_list<double*> radii) {
        const std::string& t = fields_[i];
        double sign;
        if (t == "左") {
            sign = -1;
        } else if (t == "右") {
            sign = 1;
        } else {
            return Fault{"转向" + in_quotes(t) + "应为左或右"};
        }
        for (double* r : radii) {
            if (*r < 0) return Fault{"写了转向“" + t + "”时，半径应为正数或∞，不带符号"};
            if (std::isfinite(*r)) *r = sign * *r;
        }
        return std::nullopt;
    }

    std::optional<Fault> element(const std::string& kind) {
        if (!start_) return Fault{kind + "之前应有起点记录"};
        if (mode_ != Mode::elements)
            return Fault{"交点法的文件（起点没有方位角）不能有" + kind +
                         "记录，线元与交点不能混用"};
        ElementDef e;
        if (kind == "直线") {
            if (fields_.size() != 2) return Fault{"直线应为“直线,长度”"};
            if (auto f = positive(1, "长度", e.length)) return f;
        } else if (kind == "圆曲线") {
            if (fields_.size() != 3 && fields_.size() != 4)
                return Fault{"圆曲线应为“圆曲线,长度,半径,左|右”"};
            if (auto f = positive(1, "长度", e.length)) return f;
            if (auto f = radius(2, "半径", e.radius_start)) return f;
            if (!std::isfinite(e.radius_start)) return Fault{"圆曲线的半径不能是∞（那是直线）"};
            if (fields_.size() == 4) {
                if (auto f = direction(3, {&e.radius_start})) return f;
            }
            e.radius_end = e.radius_start;
        } else {
            if (fields_.size() != 4 && fields_.size() != 5)
                return Fault{"缓和曲线应为“缓和曲线,长度,起点半径,终点半径,左|右”"};
            if (auto f = positive(1, "长度", e.length)) return f;
            if (auto f = radius(2, "起点半径", e.radius_start)) return f;
            if (auto f = radius(3, "终点半径", e.radius_end)) return f;
            if (fields_.size() == 5) {
                if (auto f = direction(4, {&e.radius_start, &e.radius_end})) return f;
            }
        }
        if (turn_) {
            e.turn = *turn_;
            e.name = std::move(turn_name_);
            turn_.reset();
            turn_name_.clear();
        }
        if (own_start_) {
            e.start = own_start_;
            own_start_.reset();
        }
        auto& elements = std::get<ElementsDef>(def_.horizontal).elements;
        if (elements.size() == route::kMaxElements) return too_many("线元", route::kMaxElements);
        elements.push_back(e);
        return std::nullopt;
    }

    // One record more than an alignment holds: the file is read no further.
    static Fault too_many(std::string_view what, std::size_t limit) {
        return Fault{std::string(what) + "超过" + std::to_string(limit) +
                     "个，超出一条线路的上限，文件不再往下读"};
    }

    // 线元起点,X,Y,方位角: the next element starts at its own point and
    // azimuth, as LandXML gives every element (a gap or an angle to the end
    // of the one before it, kept so that the file reads back to the same
    // alignment).
    std::optional<Fault> element_start() {
        if (!start_) return Fault{"线元起点之前应有起点记录"};
        if (mode_ != Mode::elements) return Fault{"交点法的文件不能有线元起点记录"};
        if (fields_.size() != 4) return Fault{"线元起点应为“线元起点,X,Y,方位角”"};
        if (std::get<ElementsDef>(def_.horizontal).elements.empty())
            return Fault{"线元起点应在两个线元之间，这里之前没有线元"};
        if (turn_ || own_start_) return Fault{"线元起点之前的折点或线元起点之后应有线元"};
        route::ElementStart st;
        if (auto f = number(1, "X", st.x)) return f;
        if (auto f = number(2, "Y", st.y)) return f;
        auto azimuth = route::read_packed_angle(fields_[3]);
        if (!azimuth)
            return Fault{"线元起点的方位角" + in_quotes(fields_[3]) + "：" +
                         without_mark(azimuth.failure().message)};
        st.azimuth = route::normalize_azimuth(azimuth.value());
        own_start_ = st;
        turn_line_ = line_;
        return std::nullopt;
    }

    // 折点,α[,名称]: the next element starts turned by α (packed, positive right).
    std::optional<Fault> angle_point() {
        if (!start_) return Fault{"折点之前应有起点记录"};
        if (mode_ != Mode::elements)
            return Fault{"交点法的文件不能有折点记录（交点法的折点写作半径为0的交点）"};
        if (fields_.size() != 2 && fields_.size() != 3) return Fault{"折点应为“折点,转角”"};
        if (std::get<ElementsDef>(def_.horizontal).elements.empty())
            return Fault{"折点应在两个线元之间，这里之前没有线元"};
        if (turn_) return Fault{"两个折点之间应有线元"};
        if (own_start_) return Fault{"线元起点之后应有线元，不能是折点"};
        auto angle = route::read_packed_angle(fields_[1]);
        if (!angle)
            return Fault{"折点的转角" + in_quotes(fields_[1]) + "：" +
                         without_mark(angle.failure().message)};
        if (angle.value() == 0) return Fault{"折点的转角不能为0"};
        if (!(std::fabs(angle.value()) < std::numbers::pi))
            return Fault{"折点的转角" + in_quotes(fields_[1]) + "必须小于180°"};
        turn_ = angle.value();
        if (fields_.size() == 3) turn_name_ = fields_[2];
        turn_line_ = line_;
        return std::nullopt;
    }

    std::optional<Fault> intersection_point() {
        if (!start_) return Fault{"交点之前应有起点记录"};
        if (mode_ != Mode::points)
            return Fault{"线元法的文件（起点有方位角）不能有交点记录，线元与交点不能混用"};
        if (end_) return Fault{"终点之后不能再有交点"};
        if (fields_.size() < 7 || fields_.size() > 9)
            return Fault{"交点应为“交点,名称,X,Y,半径,缓和曲线长1,缓和曲线长2[,超高%,加宽]”"};
        IntersectionPoint p;
        p.name = fields_[1];
        if (auto f = number(2, "X", p.x)) return f;
        if (auto f = number(3, "Y", p.y)) return f;
        // R = 0 (with no transitions) is an angle point.
        if (auto f = not_negative(4, "半径", p.radius)) return f;
        if (auto f = not_negative(5, "缓和曲线长1", p.entry_transition)) return f;
        if (auto f = not_negative(6, "缓和曲线长2", p.exit_transition)) return f;
        if (fields_.size() > 7 && !fields_[7].empty())
            if (auto f = not_negative(7, "超高", p.superelevation)) return f;
        if (fields_.size() > 8)
            if (auto f = not_negative(8, "加宽", p.widening)) return f;
        auto& points = std::get<PointsDef>(def_.horizontal).points;
        if (points.size() == route::kMaxIntersectionPoints)
            return too_many("交点", route::kMaxIntersectionPoints);
        points.push_back(std::move(p));
        return std::nullopt;
    }

    std::optional<Fault> end_point() {
        if (!start_) return Fault{"终点之前应有起点记录"};
        if (mode_ != Mode::points) return Fault{"线元法的文件（起点有方位角）不能有终点记录"};
        if (end_) return Fault{"终点记录只能有一个"};
        if (fields_.size() != 3) return Fault{"终点应为“终点,X,Y”"};
        auto& h = std::get<PointsDef>(def_.horizontal);
        if (auto f = number(1, "终点X", h.end_x)) return f;
        if (auto f = number(2, "终点Y", h.end_y)) return f;
        end_ = true;
        return std::nullopt;
    }

    std::optional<Fault> chain_break() {
        if (fields_.size() != 3) return Fault{"断链应为“断链,来向桩号,去向桩号”"};
        route::ChainBreak b;
        if (auto f = chainage(1, "来向桩号", b.back)) return f;
        if (auto f = chainage(2, "去向桩号", b.ahead)) return f;
        if (def_.breaks.size() == route::kMaxChainBreaks)
            return too_many("断链", route::kMaxChainBreaks);
        def_.breaks.push_back(b);
        return std::nullopt;
    }

    std::optional<Fault> vertical_point() {
        if (fields_.size() != 4 && fields_.size() != 5 && fields_.size() != 7)
            return Fault{
                "变坡点应为“变坡点,桩号,高程,竖曲线半径[,分区]”，不对称竖曲线为"
                "“变坡点,桩号,高程,0,[分区],前段长,后段长”"};
        route::VerticalPoint v;
        if (auto f = chainage(1, "变坡点桩号", v.chainage)) return f;
        if (auto f = number(2, "高程", v.elevation)) return f;
        if (auto f = not_negative(3, "竖曲线半径", v.radius)) return f;
        if (fields_.size() == 7) {
            if (auto f = not_negative(5, "竖曲线前段长", v.length_in)) return f;
            if (auto f = not_negative(6, "竖曲线后段长", v.length_out)) return f;
        }
        if (fields_.size() >= 5 && !(fields_.size() == 7 && fields_[4].empty())) {
            const std::string& t = fields_[4];
            int zone = 0;
            const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), zone);
            if (ec != std::errc() || end != t.data() + t.size() || zone < 1)
                return Fault{"分区" + in_quotes(t) + "应为1、2、3……（长链两侧的第几段）"};
            v.zone = zone;
        }
        if (def_.profile.size() == route::kMaxVerticalPoints)
            return too_many("变坡点", route::kMaxVerticalPoints);
        def_.profile.push_back(v);
        return std::nullopt;
    }

    // 路幅,右,7.5,-2,行车道,是: one segment of a side, from the centre line out.
    std::optional<Fault> section_part() {
        if (fields_.size() < 4 || fields_.size() > 6)
            return Fault{"路幅应为“路幅,左或右,宽度,横坡%[,名称[,是否随超高]]”"};
        std::vector<route::SectionPart>* side = nullptr;
        if (fields_[1] == "左") {
            side = &def_.section.left;
        } else if (fields_[1] == "右") {
            side = &def_.section.right;
        } else {
            return Fault{"路幅的一侧" + in_quotes(fields_[1]) + "应为左或右"};
        }
        route::SectionPart part;
        if (auto f = positive(2, "路幅宽度", part.width)) return f;
        if (auto f = number(3, "路幅横坡", part.slope)) return f;
        if (fields_.size() > 4) part.name = fields_[4];
        if (fields_.size() > 5) {
            if (fields_[5] == "是") {
                part.turns = true;
            } else if (fields_[5] == "否") {
                part.turns = false;
            } else {
                return Fault{"是否随超高" + in_quotes(fields_[5]) + "应为是或否"};
            }
        }
        if (side->size() == route::kMaxSectionParts)
            return too_many(fields_[1] + "侧路幅", route::kMaxSectionParts);
        side->push_back(std::move(part));
        return std::nullopt;
    }

    std::optional<Fault> profile_line() {
        if (fields_.size() != 2) return Fault{"设计线应为“设计线,偏距”（0为中线）"};
        if (auto f = number(1, "设计线偏距", def_.section.profile_offset)) return f;
        if (def_.section.profile_offset == 0) def_.section.profile_offset = 0;
        return std::nullopt;
    }

    std::optional<Fault> rotation_axis() {
        if (fields_.size() != 2)
            return Fault{"旋转轴应为“旋转轴,中线”“旋转轴,内边线”“旋转轴,外边线”或“旋转轴,偏距”"};
        route::RotationAxis& axis = def_.section.axis;
        const std::string& t = fields_[1];
        if (t == "中线") {
            axis = {route::AxisKind::centre, 0};
        } else if (t == "内边线") {
            axis = {route::AxisKind::inner_edge, 0};
        } else if (t == "外边线") {
            axis = {route::AxisKind::outer_edge, 0};
        } else {
            const std::optional<double> v = geometry::parse_strict(t);
            if (!v || !std::isfinite(*v))
                return Fault{"旋转轴" + in_quotes(t) + "应为中线、内边线、外边线或偏距（米）"};
            axis = {route::AxisKind::offset, *v == 0 ? 0 : *v};
        }
        return std::nullopt;
    }

    // 超高,K0+400.000,2,-6[,分区] and 加宽,K0+400.000,0,0.8[,分区].
    std::optional<Fault> side_values(const std::string& kind,
                                     std::vector<route::SideValues>& list) {
        if (fields_.size() != 4 && fields_.size() != 5)
            return Fault{kind + "应为“" + kind + ",桩号,左,右[,分区]”"};
        route::SideValues v;
        if (auto f = chainage(1, "桩号", v.chainage)) return f;
        if (auto f = number(2, "左侧数值", v.left)) return f;
        if (auto f = number(3, "右侧数值", v.right)) return f;
        if (fields_.size() == 5) {
            const std::string& t = fields_[4];
            int zone = 0;
            const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), zone);
            if (ec != std::errc() || end != t.data() + t.size() || zone < 1)
                return Fault{"分区" + in_quotes(t) + "应为1、2、3……（长链两侧的第几段）"};
            v.zone = zone;
        }
        if (list.size() == route::kMaxSectionRecords)
            return too_many(kind, route::kMaxSectionRecords);
        list.push_back(v);
        return std::nullopt;
    }

    std::optional<Fault> runoff() {
        if (fields_.size() != 2) return Fault{"超高过渡应为“超高过渡,长度”"};
        return not_negative(1, "超高过渡长度", def_.section.runoff);
    }

    Definition def_;
    std::optional<double> turn_;                    // a 折点 waiting for its element
    std::optional<route::ElementStart> own_start_;  // a 线元起点 waiting for its element
    std::string turn_name_;
    std::size_t turn_line_ = 0;
    std::size_t line_ = 0;
    std::vector<std::string> fields_;
    std::optional<bool> utf8_;
    bool header_ = false;
    bool start_ = false;
    bool end_ = false;
    Mode mode_ = Mode::elements;
};

std::string too_long_cause(std::size_t number) {
    return "第" + std::to_string(number) + "行超过" + std::to_string(kMaxAlignmentLineBytes) +
           "字节，不是线路文件";
}

std::string too_large_cause() {
    return "文件超过" + std::to_string(kMaxAlignmentFileBytes) + "字节，不是线路文件";
}

// Feeds pieces to the parser until the end or the first fault; the cause of a
// fault, if any, comes back in `fault`.
class Reading {
  public:
    bool feed(std::string_view piece) {
        total_ += piece.size();
        if (total_ > kMaxAlignmentFileBytes) {
            fault_ = too_large_cause();
            return false;
        }
        if (splitter_.feed(piece, line_)) return true;
        if (splitter_.too_long()) fault_ = too_long_cause(splitter_.line_number());
        return false;
    }

    Result<Definition> finish() {
        if (!fault_) splitter_.finish(line_);
        if (fault_) return detail::bare_failure(*fault_);
        return parser_.finish();
    }

  private:
    Parser parser_;
    detail::LineSplitter splitter_{kMaxAlignmentLineBytes};
    std::optional<std::string> fault_;
    std::size_t total_ = 0;
    bool bom_checked_ = false;
    std::function<bool(std::size_t, std::string_view)> line_ = [this](std::size_t n,
                                                                      std::string_view raw) {
        if (!bom_checked_) {
            bom_checked_ = true;
            if (splitter_.had_bom()) parser_.set_utf8();
        }
        fault_ = parser_.take(n, raw);
        return !fault_;
    };
};

}  // namespace

Result<Definition> parse_alignment_file(std::string_view bytes) {
    Reading reading;
    while (!bytes.empty()) {
        const std::string_view piece = bytes.substr(0, 1 << 16);
        bytes.remove_prefix(piece.size());
        if (!reading.feed(piece)) break;
    }
    return reading.finish();
}

Result<Definition> read_alignment_file(const fs::path& path) {
    Reading reading;
    if (auto error = read_file(path, [&](std::string_view piece) { return reading.feed(piece); }))
        return *error;
    auto read = reading.finish();
    if (!read) return detail::read_failure(path, without_mark(read.failure().message));
    return read;
}

}  // namespace korvane::files
