#include "ui/route/route_tables.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <string>
#include <utility>

#include "geometry/number_text.h"
#include "route/alignment.h"
#include "route/angle.h"
#include "route/chainage.h"

namespace korvane::ui {

// ---------------------------------------------------------------------------
// Texts of a definition

QStringList startHeaders(bool byPoints) {
    if (byPoints)
        return {QStringLiteral("线路名称"), QStringLiteral("桩号冠号"), QStringLiteral("起点桩号")};
    return {QStringLiteral("线路名称"), QStringLiteral("桩号冠号"), QStringLiteral("起点桩号"),
            QStringLiteral("起点X"),    QStringLiteral("起点Y"),    QStringLiteral("起点方位角")};
}

QStringList elementHeaders() {
    return {QStringLiteral("长度"), QStringLiteral("起点半径"), QStringLiteral("终点半径"),
            QStringLiteral("方向"), QStringLiteral("折点或起点")};
}

QStringList pointHeaders() {
    return {QStringLiteral("点名"),  QStringLiteral("X"),   QStringLiteral("Y"),
            QStringLiteral("半径R"), QStringLiteral("Ls1"), QStringLiteral("Ls2"),
            QStringLiteral("超高%"), QStringLiteral("加宽")};
}

QStringList breakHeaders() {
    return {QStringLiteral("来向桩号"), QStringLiteral("去向桩号")};
}

QStringList profileHeaders() {
    return {QStringLiteral("桩号"), QStringLiteral("高程"),   QStringLiteral("竖曲线半径"),
            QStringLiteral("分区"), QStringLiteral("前段长"), QStringLiteral("后段长")};
}

QString nextPointName(const QString& previous) {
    const QString name = previous.trimmed();
    if (name == QStringLiteral("QD")) return QStringLiteral("JD1");
    qsizetype digits = name.size();
    while (digits > 0 && name[digits - 1].isDigit() && name[digits - 1].unicode() < 128) --digits;
    if (digits == name.size()) return {};
    const QString number = name.mid(digits);
    bool ok = false;
    const qulonglong n = number.toULongLong(&ok);
    if (!ok) return {};
    return name.left(digits) +
           QStringLiteral("%1").arg(n + 1, static_cast<int>(number.size()), 10, QLatin1Char('0'));
}

// The shortest plain decimal that reads back to the same number, as the
// alignment file has it: a national-grid X shows 3000000, never 3e+06.
QStringList sectionSettingHeaders() {
    return {QStringLiteral("设计线偏距"), QStringLiteral("旋转轴"), QStringLiteral("超高过渡长度")};
}

QStringList sectionPartHeaders() {
    return {QStringLiteral("侧"), QStringLiteral("宽度"), QStringLiteral("横坡%"),
            QStringLiteral("名称"), QStringLiteral("随超高")};
}

QStringList superelevationHeaders() {
    return {QStringLiteral("里程"), QStringLiteral("左%"), QStringLiteral("右%"),
            QStringLiteral("分区")};
}

QStringList wideningHeaders() {
    return {QStringLiteral("里程"), QStringLiteral("左"), QStringLiteral("右"),
            QStringLiteral("分区")};
}

int partRow(const std::vector<QStringList>& parts, bool left, int index) {
    const QString side = left ? QStringLiteral("左") : QStringLiteral("右");
    int seen = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].value(columns::kSide).trimmed() != side) continue;
        if (seen++ == index) return static_cast<int>(i);
    }
    return -1;
}

QString shortestText(double value) {
    return QString::fromStdString(geometry::exact_text(value));
}

QString radiusText(double radius) {
    return std::isinf(radius) ? QStringLiteral("∞") : shortestText(radius);
}

namespace {

// A chainage as chainage text when some number of decimals spells it exactly,
// else as chainage text to 9 decimals (a nanometre: a station computed in a
// design program, 349.9038642476834, shows as K0+349.903864248); plain
// metres only where no chainage text can hold it.
QString chainageText(double metres, const std::string& prefix) {
    for (int d = 3; d <= 9; ++d) {
        const std::string text = route::format_chainage(metres, d, prefix);
        route::Outcome<double> back = route::read_chainage(text);
        if (back && back.value() == metres) return QString::fromStdString(text);
    }
    const std::string text = route::format_chainage(metres, 9, prefix);
    if (route::read_chainage(text)) return QString::fromStdString(text);
    return shortestText(metres);
}

QString optionalRadius(double r) {
    return r == 0 ? QString() : shortestText(r);
}

}  // namespace

DefinitionTexts textsOf(const route::Definition& d) {
    DefinitionTexts t;
    const QString name = QString::fromStdString(d.name);
    const QString prefix = QString::fromStdString(d.prefix);
    if (const auto* e = std::get_if<route::ElementsDef>(&d.horizontal)) {
        t.start.push_back(
            {name, prefix, chainageText(e->start_chainage, d.prefix), shortestText(e->start_x),
             shortestText(e->start_y),
             QString::fromStdString(route::format_packed_shortest(e->start_azimuth))});
        for (const route::ElementDef& el : e->elements) {
            const double r1 = el.radius_start;
            const double r2 = el.radius_end;
            // One direction for both radii where they turn the same way.
            const bool left =
                (r1 < 0 || std::isinf(r1)) && (r2 < 0 || std::isinf(r2)) && (r1 < 0 || r2 < 0);
            const bool right = (r1 > 0 || std::isinf(r1)) && (r2 > 0 || std::isinf(r2)) &&
                               (r1 > 0 || r2 > 0) && !(std::isinf(r1) && std::isinf(r2));
            const bool plain = std::isinf(r1) && std::isinf(r2);
            QString dir;
            if (!plain && left) dir = QStringLiteral("左");
            if (!plain && right) dir = QStringLiteral("右");
            const auto shown = [&](double r) { return dir.isEmpty() ? r : std::fabs(r); };
            // An angle point: its turn (packed); an element starting on its
            // own: "X Y azimuth".
            QString corner;
            if (el.start) {
                corner = shortestText(el.start->x) + QLatin1Char(' ') + shortestText(el.start->y) +
                         QLatin1Char(' ') +
                         QString::fromStdString(route::format_packed_shortest(el.start->azimuth));
            } else if (el.turn != 0) {
                corner = QString::fromStdString(route::format_packed_shortest(el.turn));
            }
            t.horizontal.push_back({shortestText(el.length), radiusText(shown(r1)),
                                    radiusText(shown(r2)), dir, corner});
        }
    } else {
        const auto& p = std::get<route::PointsDef>(d.horizontal);
        t.byPoints = true;
        t.start.push_back({name, prefix, chainageText(p.start_chainage, d.prefix)});
        t.horizontal.push_back({QStringLiteral("QD"), shortestText(p.start_x),
                                shortestText(p.start_y), QString(), QString(), QString()});
        for (const route::IntersectionPoint& ip : p.points)
            t.horizontal.push_back(
                {QString::fromStdString(ip.name), shortestText(ip.x), shortestText(ip.y),
                 shortestText(ip.radius), shortestText(ip.entry_transition),
                 shortestText(ip.exit_transition), optionalRadius(ip.superelevation),
                 optionalRadius(ip.widening)});
        t.horizontal.push_back({QStringLiteral("ZD"), shortestText(p.end_x), shortestText(p.end_y),
                                QString(), QString(), QString()});
    }
    for (const route::ChainBreak& b : d.breaks)
        t.breaks.push_back({chainageText(b.back, d.prefix), chainageText(b.ahead, d.prefix)});
    for (const route::VerticalPoint& v : d.profile)
        t.profile.push_back({chainageText(v.chainage, d.prefix), shortestText(v.elevation),
                             optionalRadius(v.radius),
                             v.zone > 0 ? QString::number(v.zone) : QString(),
                             optionalRadius(v.length_in), optionalRadius(v.length_out)});
    t.section = sectionTextsOf(d.section, d.prefix);
    return t;
}

SectionTexts sectionTextsOf(const route::SectionDef& section, const std::string& prefix) {
    SectionTexts t;
    QString axis;
    switch (section.axis.kind) {
        case route::AxisKind::centre:
            axis = QStringLiteral("中线");
            break;
        case route::AxisKind::inner_edge:
            axis = QStringLiteral("内边线");
            break;
        case route::AxisKind::outer_edge:
            axis = QStringLiteral("外边线");
            break;
        case route::AxisKind::offset:
            axis = shortestText(section.axis.offset);
            break;
    }
    t.settings.push_back(
        {shortestText(section.profile_offset), axis, optionalRadius(section.runoff)});
    const auto parts = [&](const std::vector<route::SectionPart>& side, const QString& name) {
        for (const route::SectionPart& p : side)
            t.parts.push_back({name, shortestText(p.width), shortestText(p.slope),
                               QString::fromStdString(p.name),
                               p.turns ? QStringLiteral("是") : QStringLiteral("否")});
    };
    t.parts.reserve(section.left.size() + section.right.size());
    parts(section.left, QStringLiteral("左"));
    parts(section.right, QStringLiteral("右"));
    const auto records = [&](const std::vector<route::SideValues>& from,
                             std::vector<QStringList>& to) {
        to.reserve(from.size());
        for (const route::SideValues& v : from)
            to.push_back({chainageText(v.chainage, prefix), shortestText(v.left),
                          shortestText(v.right), v.zone > 0 ? QString::number(v.zone) : QString()});
    };
    records(section.superelevation, t.superelevation);
    records(section.widening, t.widening);
    return t;
}

DerivedTexts derivedTextsOf(const route::Alignment& alignment) {
    DerivedTexts t;
    const bool zoned = alignment.zones().size() > 1;
    const auto records = [&](const std::vector<route::SectionRecord>& from,
                             std::vector<QStringList>& to) {
        to.reserve(from.size());
        for (const route::SectionRecord& r : from) {
            const int zone = alignment.zone_of(r.s);
            to.push_back({QString::fromStdString(
                              alignment.chainage_text(alignment.chainage_of(r.s, zone), 3)),
                          shortestText(r.left), shortestText(r.right),
                          zoned ? QString::number(zone) : QString()});
        }
    };
    records(alignment.section().superelevation(), t.superelevation);
    records(alignment.section().widening(), t.widening);
    return t;
}

namespace {

// Reads the fields of one row; the first fault is kept with its column.
class RowReader {
  public:
    RowReader(const QStringList& cells, const QStringList& headers)
        : cells_(cells), headers_(headers) {}

    bool ok() const { return message_.isEmpty(); }
    const QString& message() const { return message_; }
    int column() const { return column_; }

    std::string text(int c) const { return cells_.value(c).trimmed().toStdString(); }

    double number(int c) {
        if (!ok()) return 0;
        const std::string t = text(c);
        if (t.empty()) return fail(c, headers_[c] + QStringLiteral("不能为空！"));
        const std::optional<double> v = geometry::parse_strict(t);
        if (!v || !std::isfinite(*v))
            return fail(c, headers_[c] + QStringLiteral("“") + QString::fromStdString(t) +
                               QStringLiteral("”不是有效数字！"));
        return *v;
    }

    // Empty reads as `otherwise`.
    double optionalNumber(int c, double otherwise) {
        if (!ok() || text(c).empty()) return otherwise;
        return number(c);
    }

    double radius(int c) {
        if (!ok()) return 0;
        const std::string t = text(c);
        if (t == "∞" || t == "INF" || t == "inf" || t == "Inf") return route::kStraight;
        if (t.empty()) return fail(c, headers_[c] + QStringLiteral("不能为空（直线写∞）！"));
        const std::optional<double> v = geometry::parse_strict(t);
        if (!v || !std::isfinite(*v))
            return fail(c, headers_[c] + QStringLiteral("“") + QString::fromStdString(t) +
                               QStringLiteral("”不是有效数字或∞！"));
        return *v;
    }

    double chainage(int c) {
        if (!ok()) return 0;
        route::Outcome<double> v = route::read_chainage(text(c));
        if (!v)
            return fail(c, headers_[c] + QStringLiteral("：") +
                               QString::fromStdString(v.failure().message));
        return v.value();
    }

    double azimuth(int c) {
        if (!ok()) return 0;
        route::Outcome<double> v = route::read_packed_angle(text(c));
        if (!v)
            return fail(c, headers_[c] + QStringLiteral("：") +
                               QString::fromStdString(v.failure().message));
        return v.value();
    }

    int zone(int c) {
        if (!ok()) return 0;
        const std::string t = text(c);
        if (t.empty()) return 0;
        int value = 0;
        const auto r = std::from_chars(t.data(), t.data() + t.size(), value);
        if (r.ec != std::errc() || r.ptr != t.data() + t.size() || value < 1) {
            fail(c, headers_[c] + QStringLiteral("须为空或正整数（1、2、…）！"));
            return 0;
        }
        return value;
    }

    double fail(int c, QString message) {
        if (ok()) {
            message_ = std::move(message);
            column_ = c;
        }
        return 0;
    }

  private:
    const QStringList& cells_;
    const QStringList& headers_;
    QString message_;
    int column_ = -1;
};

}  // namespace

ReadTexts readTexts(bool byPoints, const std::vector<QStringList>& start,
                    const std::vector<QStringList>& horizontal,
                    const std::vector<QStringList>& breaks, const std::vector<QStringList>& profile,
                    const SectionTexts& section) {
    using namespace columns;
    ReadTexts out;
    route::Definition d;
    const auto note = [&](TableKind table, int row, const RowReader& r) {
        if (!r.ok()) out.errors.push_back({table, row, r.column(), r.message()});
    };
    const auto blank = [](const QStringList& cells) {
        return std::all_of(cells.begin(), cells.end(),
                           [](const QString& c) { return c.trimmed().isEmpty(); });
    };
    const QString leftOut = QStringLiteral("注意：空行，未参与计算。");

    const QStringList startCells = start.empty() ? QStringList() : start.front();
    const QStringList sh = startHeaders(byPoints);
    RowReader s(startCells, sh);
    d.name = s.text(kName);
    d.prefix = s.text(kPrefix);
    if (d.prefix.empty())
        d.prefix.push_back('K');  // (an assignment trips a false g++ 12 -Wrestrict)
    if (!route::valid_prefix(d.prefix))
        s.fail(kPrefix, QStringLiteral("桩号冠号须为以K结尾的大写字母（如K、DK）！"));
    const double startChainage = s.chainage(kStartChainage);

    if (!byPoints) {
        route::ElementsDef e;
        e.start_chainage = startChainage;
        e.start_x = s.number(kStartX);
        e.start_y = s.number(kStartY);
        e.start_azimuth = s.azimuth(kStartAzimuth);
        note(TableKind::start, 0, s);
        const QStringList eh = elementHeaders();
        for (std::size_t i = 0; i < horizontal.size(); ++i) {
            if (blank(horizontal[i])) {
                out.blank.push_back({TableKind::horizontal, static_cast<int>(i), -1, leftOut});
                continue;
            }
            out.elementRows.push_back(static_cast<int>(i));
            RowReader r(horizontal[i], eh);
            route::ElementDef el;
            el.length = r.number(kLength);
            el.radius_start = r.radius(kRadiusStart);
            el.radius_end = r.radius(kRadiusEnd);
            const std::string dir = r.text(kDirection);
            if (r.ok() && !dir.empty()) {
                if (dir != "左" && dir != "右") {
                    r.fail(kDirection,
                           QStringLiteral("方向须为左、右或空（空时由半径的正负定）！"));
                } else if (el.radius_start < 0 || el.radius_end < 0) {
                    r.fail(kRadiusStart, QStringLiteral("给出方向时半径须为正数！"));
                } else if (dir == "左") {
                    el.radius_start = -el.radius_start;
                    el.radius_end = -el.radius_end;
                }
            }
            const QString corner = horizontal[i].value(kCorner).trimmed();
            if (r.ok() && !corner.isEmpty()) {
                const QStringList w = corner.split(QLatin1Char(' '), Qt::SkipEmptyParts);
                if (e.elements.empty()) {
                    r.fail(kCorner, QStringLiteral("第一个线元从线路起点开始，不能有折点！"));
                } else if (w.size() == 1) {
                    el.turn = r.azimuth(kCorner);
                    if (r.ok() && (el.turn == 0 || !(std::fabs(el.turn) < std::numbers::pi)))
                        r.fail(kCorner, QStringLiteral("折点的转角须不为0且小于180°！"));
                } else if (w.size() == 3) {
                    const auto x = geometry::parse_strict(w[0].toStdString());
                    const auto y = geometry::parse_strict(w[1].toStdString());
                    const auto a = route::read_packed_angle(w[2].toStdString());
                    if (!x || !y || !a || !std::isfinite(*x) || !std::isfinite(*y))
                        r.fail(kCorner, QStringLiteral("起点须写作“X Y 方位角”！"));
                    else
                        el.start = route::ElementStart{*x, *y, a.value()};
                } else {
                    r.fail(kCorner,
                           QStringLiteral("折点或起点须为折点转角，或本线元自身的“X Y 方位角”！"));
                }
            }
            note(TableKind::horizontal, static_cast<int>(i), r);
            e.elements.push_back(el);
        }
        d.horizontal = std::move(e);
    } else {
        note(TableKind::start, 0, s);
        route::PointsDef p;
        p.start_chainage = startChainage;
        const QStringList ph = pointHeaders();
        const std::size_t n = horizontal.size();
        for (std::size_t i = 0; i < n; ++i) {
            RowReader r(horizontal[i], ph);
            const double x = r.number(kPointX);
            const double y = r.number(kPointY);
            if (i == 0) {
                p.start_x = x;
                p.start_y = y;
            } else if (i + 1 == n) {
                p.end_x = x;
                p.end_y = y;
            } else {
                route::IntersectionPoint ip;
                ip.name = r.text(kPointName);
                ip.x = x;
                ip.y = y;
                ip.radius = r.number(kPointRadius);
                ip.entry_transition = r.optionalNumber(kEntry, 0);
                ip.exit_transition = r.optionalNumber(kExit, 0);
                ip.superelevation = r.optionalNumber(kPointSuper, 0);
                ip.widening = r.optionalNumber(kPointWidening, 0);
                p.points.push_back(std::move(ip));
            }
            note(TableKind::horizontal, static_cast<int>(i), r);
        }
        d.horizontal = std::move(p);
    }

    const QStringList bh = breakHeaders();
    for (std::size_t i = 0; i < breaks.size(); ++i) {
        if (blank(breaks[i])) {
            out.blank.push_back({TableKind::breaks, static_cast<int>(i), -1, leftOut});
            continue;
        }
        out.breakRows.push_back(static_cast<int>(i));
        RowReader r(breaks[i], bh);
        route::ChainBreak b;
        b.back = r.chainage(kBack);
        b.ahead = r.chainage(kAhead);
        note(TableKind::breaks, static_cast<int>(i), r);
        d.breaks.push_back(b);
    }
    const QStringList vh = profileHeaders();
    for (std::size_t i = 0; i < profile.size(); ++i) {
        if (blank(profile[i])) {
            out.blank.push_back({TableKind::profile, static_cast<int>(i), -1, leftOut});
            continue;
        }
        out.profileRows.push_back(static_cast<int>(i));
        RowReader r(profile[i], vh);
        route::VerticalPoint v;
        v.chainage = r.chainage(kVerticalChainage);
        v.elevation = r.number(kElevation);
        v.radius = r.optionalNumber(kVerticalRadius, 0);
        v.zone = r.zone(kZone);
        v.length_in = r.optionalNumber(kLengthIn, 0);
        v.length_out = r.optionalNumber(kLengthOut, 0);
        note(TableKind::profile, static_cast<int>(i), r);
        d.profile.push_back(v);
    }

    const QStringList sh2 = sectionSettingHeaders();
    if (!section.settings.empty()) {
        RowReader r(section.settings.front(), sh2);
        d.section.profile_offset = r.optionalNumber(kProfileOffset, 0);
        const std::string axis = r.text(kAxis);
        if (axis.empty() || axis == "中线") {
            d.section.axis.kind = route::AxisKind::centre;
        } else if (axis == "内边线") {
            d.section.axis.kind = route::AxisKind::inner_edge;
        } else if (axis == "外边线") {
            d.section.axis.kind = route::AxisKind::outer_edge;
        } else {
            const std::optional<double> v = geometry::parse_strict(axis);
            if (!v || !std::isfinite(*v))
                r.fail(kAxis, QStringLiteral("旋转轴须为中线、内边线、外边线或偏距（米）！"));
            else
                d.section.axis = {route::AxisKind::offset, *v};
        }
        d.section.runoff = r.optionalNumber(kRunoff, 0);
        note(TableKind::sectionSettings, 0, r);
    }
    const QStringList ph2 = sectionPartHeaders();
    for (std::size_t i = 0; i < section.parts.size(); ++i) {
        RowReader r(section.parts[i], ph2);
        const std::string side = r.text(kSide);
        route::SectionPart part;
        part.width = r.number(kWidth);
        part.slope = r.number(kSlope);
        part.name = r.text(kPartName);
        const std::string turns = r.text(kTurns);
        if (turns == "否")
            part.turns = false;
        else if (!turns.empty() && turns != "是")
            r.fail(kTurns, QStringLiteral("随超高须为是、否或空（空为是）！"));
        if (side == "左")
            d.section.left.push_back(std::move(part));
        else if (side == "右")
            d.section.right.push_back(std::move(part));
        else
            r.fail(kSide, QStringLiteral("侧须为左或右！"));
        note(TableKind::parts, static_cast<int>(i), r);
    }
    // An alignment by intersection points derives its records: the tables
    // only show them.
    const auto records = [&](const std::vector<QStringList>& rows, const QStringList& headers,
                             TableKind table, std::vector<route::SideValues>& to) {
        for (std::size_t i = 0; i < rows.size(); ++i) {
            RowReader r(rows[i], headers);
            route::SideValues v;
            v.chainage = r.chainage(kRecordChainage);
            v.left = r.number(kRecordLeft);
            v.right = r.number(kRecordRight);
            v.zone = r.zone(kRecordZone);
            note(table, static_cast<int>(i), r);
            to.push_back(v);
        }
    };
    if (!byPoints) {
        records(section.superelevation, superelevationHeaders(), TableKind::superelevation,
                d.section.superelevation);
        records(section.widening, wideningHeaders(), TableKind::widening, d.section.widening);
    }
    if (out.errors.empty()) out.definition = std::move(d);
    return out;
}

RowError placeOf(const route::Failure& failure, const ReadTexts& read) {
    const auto rowOf = [](const std::vector<int>& rows, int index) {
        return index >= 0 && static_cast<std::size_t>(index) < rows.size()
                   ? rows[static_cast<std::size_t>(index)]
                   : index;
    };
    RowError e;
    e.message = QString::fromStdString(failure.message);
    const int index = failure.index < 0 ? 0 : failure.index;
    switch (failure.subject) {
        case route::Subject::element:
            e.table = TableKind::horizontal;
            e.row = rowOf(read.elementRows, index);
            break;
        case route::Subject::intersection_point:
            // The point table's first row is the start point QD.
            e.table = TableKind::horizontal;
            e.row = index + 1;
            break;
        case route::Subject::end_point:
            e.table = TableKind::horizontal;
            e.row = -1;  // the last row
            break;
        case route::Subject::chain_break:
            e.table = TableKind::breaks;
            e.row = rowOf(read.breakRows, index);
            break;
        case route::Subject::vertical_point:
            e.table = TableKind::profile;
            e.row = rowOf(read.profileRows, index);
            break;
        case route::Subject::left_part:
            e.table = TableKind::leftPart;
            e.row = index;
            break;
        case route::Subject::right_part:
            e.table = TableKind::rightPart;
            e.row = index;
            break;
        case route::Subject::section_setting:
            e.table = TableKind::sectionSettings;
            e.row = 0;
            break;
        case route::Subject::superelevation:
            e.table = TableKind::superelevation;
            e.row = index;
            break;
        case route::Subject::widening:
            e.table = TableKind::widening;
            e.row = index;
            break;
        default:
            e.table = TableKind::start;
            e.row = 0;
            break;
    }
    return e;
}

}  // namespace korvane::ui
