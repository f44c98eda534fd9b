#include "files/dxf_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numbers>
#include <utility>
#include <variant>
#include <vector>

#include "files/codec.h"
#include "files/route_output.h"
#include "geometry/number_text.h"
#include "route/element.h"

namespace korvane::files {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr std::size_t kChunkBytes = std::size_t{64} << 10;
// Stakes between two calls of going_on.
constexpr std::size_t kReportStakes = 8192;

// Sizes in drawing metres, for a plan at about 1:1000.
constexpr double kMainTextHeight = 2.0;
constexpr double kTickTextHeight = 2.0;
constexpr double kPointNameHeight = 2.5;
constexpr double kStakeTextHeight = 1.0;
constexpr double kTickLength = 2.0;
constexpr double kLabelledTickLength = 5.0;
constexpr double kTextGap = 1.0;
constexpr double kStakeGap = 0.5;
// Ticks every 100 m are labelled.
constexpr double kLabelInterval = 100;
// Chainages this close are one tick.
constexpr double kSameChainage = 1e-6;

// The handles of the file's fixed records (tables, blocks, dictionaries);
// the entities follow from kFirstEntity on.
enum Handle : unsigned long {
    kVportTable = 1,
    kVport,
    kLtypeTable,
    kLtypeByBlock,
    kLtypeByLayer,
    kLtypeContinuous,
    kLayerTable,
    kLayerZero,
    kFirstLayer,  // the six layers of the drawing
    kStyleTable = kFirstLayer + 6,
    kStyleStandard,
    kStyleText,
    kViewTable,
    kUcsTable,
    kAppidTable,
    kAppidAcad,
    kDimstyleTable,
    kDimstyleStandard,
    kBlockRecordTable,
    kModelSpaceRecord,
    kPaperSpaceRecord,
    kModelSpaceBlock,
    kModelSpaceEnd,
    kPaperSpaceBlock,
    kPaperSpaceEnd,
    kRootDictionary,
    kGroupDictionary,
    kFirstEntity,
};

// The text style of every text: a Chinese TrueType font.
constexpr std::string_view kTextStyle = "HZ";

struct Layer {
    std::string_view name;  // UTF-8
    int colour;
};
constexpr std::array<Layer, 6> kLayers{{
    {kDxfCentreLine, 1},
    {kDxfMainPoints, 3},
    {kDxfChainage, 7},
    {kDxfIntersections, 5},
    {kDxfStakes, 4},
    {kDxfSideStakes, 6},
}};

// ---------------------------------------------------------------------------
// Group codes and values

void put_code(std::string& out, int code) {
    // Right-aligned in three places, as CAD programs write them.
    if (code < 10)
        out += "  ";
    else if (code < 100)
        out += ' ';
    char digits[8];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, code).ptr);
    out += "\r\n";
}

void tag(std::string& out, int code, std::string_view value) {
    put_code(out, code);
    out += value;
    out += "\r\n";
}

void integer(std::string& out, int code, long value) {
    put_code(out, code);
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    out += "\r\n";
}

void hex(std::string& out, int code, unsigned long handle) {
    put_code(out, code);
    char digits[24] = {};
    const auto r = std::to_chars(digits, digits + sizeof digits, handle, 16);
    for (char* c = digits; c != r.ptr; ++c) {
        if (*c >= 'a') *c = static_cast<char>(*c - 'a' + 'A');
    }
    out.append(digits, r.ptr);
    out += "\r\n";
}

// The shortest text that reads back as the same double, without an exponent
// (every DXF reader takes it), and 0 for -0.
void number(std::string& out, int code, double value) {
    put_code(out, code);
    if (value == 0) value = 0;
    char digits[400];
    out.append(digits,
               std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed).ptr);
    out += "\r\n";
}

// A point of the plan as DXF x (easting) and y (northing), z 0.
void point(std::string& out, int code, double x_dxf, double y_dxf) {
    number(out, code, x_dxf);
    number(out, code + 10, y_dxf);
    number(out, code + 20, 0);
}

// Angles in DXF: degrees counterclockwise from the x axis (east), [0, 360).
double degrees(double radians) {
    double d = std::fmod(radians * (180 / kPi), 360.0);
    if (d < 0) d += 360;
    if (d >= 360) d -= 360;
    return d;
}

// The DXF direction angle (radians, counterclockwise from east) of an
// azimuth (clockwise from north).
double direction_of(double azimuth) {
    return kPi / 2 - azimuth;
}

// The text in the file's code page, refused where it cannot be written:
// a character code page 936 lacks, or a control character (a line end would
// break the file's structure). "%%" would be read as a control code: each
// "%" is then written "%%%", a plain percent sign.
Result<std::string> file_text(std::string_view utf8) {
    for (char c : utf8) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return Error{"无法写入：文字“" + std::string(utf8) + "”含控制字符！"};
    }
    std::string text;
    if (utf8.find("%%") != std::string_view::npos) {
        for (char c : utf8) {
            if (c == '%') {
                text += "%%%";
            } else {
                text += c;
            }
        }
    } else {
        text = utf8;
    }
    const bool ascii = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) return text;
    Result<std::string> encoded = utf8_to_cp936(text);
    if (!encoded) return Error{"无法写入：" + encoded.failure().message};
    return std::move(encoded).value();
}

// The layer names in the file's code page (they are known to fit).
const std::array<std::string, 6>& layer_names() {
    static const std::array<std::string, 6> names = [] {
        std::array<std::string, 6> n;
        for (std::size_t i = 0; i < kLayers.size(); ++i)
            n[i] = utf8_to_cp936(kLayers[i].name).value();
        return n;
    }();
    return names;
}

enum LayerIndex { kCentre, kMain, kTicks, kPoints, kCentreStakes, kSideStakes };

// How a text stands: horizontal and vertical justification (DXF 72, 73).
enum HAlign { kLeft = 0, kRight = 2 };
enum VAlign { kBaseline = 0, kMiddle = 2, kTop = 3 };

// Writes entities of model space with handles counted on from `next`.
class Entities {
  public:
    Entities(std::string& out, unsigned long next) : out_(out), next_(next) {}
    unsigned long next() const { return next_; }

    void head(std::string_view type, LayerIndex layer) {
        tag(out_, 0, type);
        hex(out_, 5, next_++);
        hex(out_, 330, kModelSpaceRecord);
        tag(out_, 100, "AcDbEntity");
        tag(out_, 8, layer_names()[layer]);
    }

    // A line from (x1, y1) to (x2, y2), DXF coordinates.
    void line(LayerIndex layer, double x1, double y1, double x2, double y2) {
        head("LINE", layer);
        tag(out_, 100, "AcDbLine");
        point(out_, 10, x1, y1);
        point(out_, 11, x2, y2);
    }

    // A counterclockwise arc about (cx, cy) from `start` to `end` (degrees).
    void arc(LayerIndex layer, double cx, double cy, double radius, double start, double end) {
        head("ARC", layer);
        tag(out_, 100, "AcDbCircle");
        point(out_, 10, cx, cy);
        number(out_, 40, radius);
        tag(out_, 100, "AcDbArc");
        number(out_, 50, start);
        number(out_, 51, end);
    }

    // An open polyline through the vertices (DXF x, y pairs).
    void polyline(LayerIndex layer, const std::vector<std::pair<double, double>>& vertices) {
        head("LWPOLYLINE", layer);
        tag(out_, 100, "AcDbPolyline");
        integer(out_, 90, static_cast<long>(vertices.size()));
        integer(out_, 70, 0);
        for (const auto& [x, y] : vertices) {
            number(out_, 10, x);
            number(out_, 20, y);
        }
    }

    void dot(LayerIndex layer, double x, double y) {
        head("POINT", layer);
        tag(out_, 100, "AcDbPoint");
        point(out_, 10, x, y);
    }

    // A text (already in the file's code page) at (x, y) with the rotation
    // `angle` (radians), standing as `h` and `v` say about that point.
    void text(LayerIndex layer, double x, double y, double height, double angle,
              std::string_view bytes, HAlign h = kLeft, VAlign v = kBaseline) {
        head("TEXT", layer);
        tag(out_, 100, "AcDbText");
        point(out_, 10, x, y);
        number(out_, 40, height);
        tag(out_, 1, bytes);
        number(out_, 50, degrees(angle));
        tag(out_, 7, kTextStyle);
        if (h != kLeft || v != kBaseline) {
            integer(out_, 72, h);
            point(out_, 11, x, y);
        }
        tag(out_, 100, "AcDbText");
        if (v != kBaseline) integer(out_, 73, v);
    }

    // A text reading away from (x, y) in the direction `angle` (radians),
    // starting `gap` from it, centred on that direction and turned so that
    // it never reads upside down.
    void outward_text(LayerIndex layer, double x, double y, double angle, double gap, double height,
                      std::string_view bytes) {
        const double px = x + gap * std::cos(angle);
        const double py = y + gap * std::sin(angle);
        if (readable(angle)) {
            text(layer, px, py, height, angle, bytes, kLeft, kMiddle);
        } else {
            // Turned half round, the text ends at the point instead.
            text(layer, px, py, height, angle + kPi, bytes, kRight, kMiddle);
        }
    }

    // True when a text along `angle` reads left to right (not upside down).
    static bool readable(double angle) {
        const double d = degrees(angle);
        return d <= 90 + 1e-9 || d > 270 + 1e-9;
    }

  private:
    std::string& out_;
    unsigned long next_;
};

// The unit vectors of an azimuth in DXF coordinates: along the line, and to
// its left (its right is the negative).
struct Frame {
    double along_x, along_y;
    double left_x, left_y;
};
Frame frame_of(double azimuth) {
    const double s = std::sin(azimuth);
    const double c = std::cos(azimuth);
    // Along: (east, north) = (sin, cos); left: that turned a quarter
    // counterclockwise.
    return {s, c, -c, s};
}

// A text along the line beside a point: on its left (side 1) or right
// (side -1), `gap` from it, from `ahead` metres after it on. Turned so that
// it never reads upside down, it still runs forward from there and stays on
// its side.
void text_beside(Entities& e, LayerIndex layer, double x, double y, double azimuth, int side,
                 double gap, double ahead, double height, std::string_view bytes) {
    const Frame f = frame_of(azimuth);
    const double px = x + side * gap * f.left_x + ahead * f.along_x;
    const double py = y + side * gap * f.left_y + ahead * f.along_y;
    const double angle = direction_of(azimuth);
    // Read forward, the text's top is on the left; turned, on the right.
    if (Entities::readable(angle)) {
        e.text(layer, px, py, height, angle, bytes, kLeft, side > 0 ? kBaseline : kTop);
    } else {
        e.text(layer, px, py, height, angle + kPi, bytes, kRight, side > 0 ? kTop : kBaseline);
    }
}

// ---------------------------------------------------------------------------
// The centre line

bool is_straight(const route::Segment& s) {
    return s.k_start == 0 && s.k_end == 0;
}
bool is_arc(const route::Segment& s) {
    return s.k_start == s.k_end && s.k_start != 0;
}

// The chords of a transition: enough that a chord of arc length a on a curve
// of curvature at most k strays at most k·a²/8 from it.
std::size_t chords_of(const route::Segment& s, double tolerance) {
    const double k = std::max(std::fabs(s.k_start), std::fabs(s.k_end));
    const double n = std::ceil(s.length * std::sqrt(k / (8 * tolerance)));
    if (!(n >= 1)) return 1;
    if (n > static_cast<double>(kMaxDxfVertices)) return kMaxDxfVertices + 1;
    return static_cast<std::size_t>(n);
}

void draw_arc(Entities& e, const route::Segment& s) {
    const double k = s.k_start;
    const double r = 1 / k;
    // The centre is r to the right of the start (a signed radius: to the
    // left on a left-hand curve).
    const double sin0 = std::sin(s.start.azimuth);
    const double cos0 = std::cos(s.start.azimuth);
    const double cx = s.start.y + r * cos0;  // DXF x: easting
    const double cy = s.start.x - r * sin0;  // DXF y: northing
    // The start's angle seen from the centre, straight from the azimuth:
    // π − azimuth turning right, −azimuth turning left. The angle then falls
    // by k per metre (a right-hand curve runs clockwise).
    const double a0 = k > 0 ? kPi - s.start.azimuth : -s.start.azimuth;
    // One ARC holds less than a full turn: longer curves go in pieces of at
    // most half a turn.
    const double sweep = std::fabs(k) * s.length;
    const int pieces = std::max(1, static_cast<int>(std::ceil(sweep / kPi - 1e-12)));
    for (int i = 0; i < pieces; ++i) {
        const double t0 = s.length * i / pieces;
        const double t1 = s.length * (i + 1) / pieces;
        const double from = a0 - k * t0;
        const double to = a0 - k * t1;
        if (k > 0) {
            e.arc(kCentre, cx, cy, std::fabs(r), degrees(to), degrees(from));
        } else {
            e.arc(kCentre, cx, cy, std::fabs(r), degrees(from), degrees(to));
        }
    }
}

void draw_segment(Entities& e, const route::Segment& s, double tolerance) {
    if (is_straight(s)) {
        const route::Pose end = route::point_along(s.start, s.length, 0, 0, s.length);
        e.line(kCentre, s.start.y, s.start.x, end.y, end.x);
        return;
    }
    if (is_arc(s)) {
        draw_arc(e, s);
        return;
    }
    const std::size_t n = chords_of(s, tolerance);
    std::vector<std::pair<double, double>> vertices;
    vertices.reserve(n + 1);
    vertices.emplace_back(s.start.y, s.start.x);
    for (std::size_t i = 1; i <= n; ++i) {
        const double t =
            i == n ? s.length : s.length * static_cast<double>(i) / static_cast<double>(n);
        const route::Pose p = route::point_along(s.start, s.length, s.k_start, s.k_end, t);
        vertices.emplace_back(p.y, p.x);
    }
    e.polyline(kCentre, vertices);
}

// ---------------------------------------------------------------------------
// Chainage ticks

struct Tick {
    double chainage;
    int zone;
    bool labelled;
};

// The multiples of `step` from `first` to `last` (metres), as exact products.
void multiples(double first, double last, double step, bool labelled, int zone,
               std::vector<Tick>& out) {
    double k = std::ceil(first / step);
    if ((k - 1) * step >= first - kSameChainage) k -= 1;
    for (; k * step <= last + kSameChainage; k += 1) {
        if (k * step >= first - kSameChainage) out.push_back({k * step, zone, labelled});
    }
}

bool is_multiple(double chainage, double step) {
    return std::fabs(chainage - std::round(chainage / step) * step) <= kSameChainage;
}

// Every tick of the alignment in order: the multiples of the interval and of
// 100 m in each zone; a zone after a chain break leaves out a tick at its
// start where the zone before ends on one (the same point).
std::vector<Tick> ticks_of(const route::Alignment& a, double interval) {
    std::vector<Tick> ticks;
    const std::vector<route::Zone>& zones = a.zones();
    for (std::size_t z = 0; z < zones.size(); ++z) {
        const double first = zones[z].s_begin + zones[z].constant;
        const double last = zones[z].s_end + zones[z].constant;
        std::vector<Tick> zone;
        multiples(first, last, interval, false, static_cast<int>(z) + 1, zone);
        multiples(first, last, kLabelInterval, true, static_cast<int>(z) + 1, zone);
        std::sort(zone.begin(), zone.end(),
                  [](const Tick& l, const Tick& r) { return l.chainage < r.chainage; });
        if (z > 0) {
            const double end_before = zones[z - 1].s_end + zones[z - 1].constant;
            if (is_multiple(end_before, interval) || is_multiple(end_before, kLabelInterval))
                std::erase_if(zone, [&](const Tick& t) {
                    return std::fabs(t.chainage - first) <= kSameChainage;
                });
        }
        for (const Tick& t : zone) {
            if (!ticks.empty() && ticks.back().zone == t.zone &&
                std::fabs(ticks.back().chainage - t.chainage) <= kSameChainage) {
                ticks.back().labelled = ticks.back().labelled || t.labelled;
                continue;
            }
            ticks.push_back(t);
        }
    }
    return ticks;
}

// An upper bound of ticks_of's count, found without making them.
double tick_estimate(const route::Alignment& a, double interval) {
    double count = 0;
    for (const route::Zone& z : a.zones())
        count += (z.s_end - z.s_begin) / interval + (z.s_end - z.s_begin) / kLabelInterval + 4;
    return count;
}

// ---------------------------------------------------------------------------
// Tables, blocks, objects

void table_head(std::string& out, std::string_view name, unsigned long handle, int count) {
    tag(out, 0, "TABLE");
    tag(out, 2, name);
    hex(out, 5, handle);
    hex(out, 330, 0);
    tag(out, 100, "AcDbSymbolTable");
    integer(out, 70, count);
}

void record_head(std::string& out, std::string_view type, std::string_view subclass,
                 unsigned long handle, unsigned long table) {
    tag(out, 0, type);
    hex(out, 5, handle);
    hex(out, 330, table);
    tag(out, 100, "AcDbSymbolTableRecord");
    tag(out, 100, subclass);
}

void linetype(std::string& out, unsigned long handle, std::string_view name) {
    record_head(out, "LTYPE", "AcDbLinetypeTableRecord", handle, kLtypeTable);
    tag(out, 2, name);
    integer(out, 70, 0);
    tag(out, 3, name == "Continuous" ? "Solid line" : "");
    integer(out, 72, 65);
    integer(out, 73, 0);
    number(out, 40, 0);
}

void layer(std::string& out, unsigned long handle, std::string_view name, int colour) {
    record_head(out, "LAYER", "AcDbLayerTableRecord", handle, kLayerTable);
    tag(out, 2, name);
    integer(out, 70, 0);
    integer(out, 62, colour);
    tag(out, 6, "Continuous");
    integer(out, 370, -3);
}

void text_style(std::string& out, unsigned long handle, std::string_view name,
                std::string_view font, std::string_view big_font) {
    record_head(out, "STYLE", "AcDbTextStyleTableRecord", handle, kStyleTable);
    tag(out, 2, name);
    integer(out, 70, 0);
    number(out, 40, 0);
    number(out, 41, 1);
    number(out, 50, 0);
    integer(out, 71, 0);
    number(out, 42, 2.5);
    tag(out, 3, font);
    tag(out, 4, big_font);
}

void header_variable(std::string& out, std::string_view name) {
    tag(out, 9, name);
}

struct Extents {
    double min_x, min_y, max_x, max_y;
};

void header(std::string& out, const Extents& e, unsigned long handle_seed) {
    tag(out, 0, "SECTION");
    tag(out, 2, "HEADER");
    header_variable(out, "$ACADVER");
    tag(out, 1, "AC1015");
    header_variable(out, "$ACADMAINTVER");
    integer(out, 70, 6);
    header_variable(out, "$DWGCODEPAGE");
    tag(out, 3, "ANSI_936");
    header_variable(out, "$INSBASE");
    point(out, 10, 0, 0);
    header_variable(out, "$EXTMIN");
    point(out, 10, e.min_x, e.min_y);
    header_variable(out, "$EXTMAX");
    point(out, 10, e.max_x, e.max_y);
    header_variable(out, "$LIMMIN");
    number(out, 10, e.min_x);
    number(out, 20, e.min_y);
    header_variable(out, "$LIMMAX");
    number(out, 10, e.max_x);
    number(out, 20, e.max_y);
    header_variable(out, "$CLAYER");
    tag(out, 8, "0");
    header_variable(out, "$TEXTSTYLE");
    tag(out, 7, kTextStyle);
    header_variable(out, "$TEXTSIZE");
    number(out, 40, kMainTextHeight);
    header_variable(out, "$LUNITS");
    integer(out, 70, 2);
    header_variable(out, "$LUPREC");
    integer(out, 70, 3);
    header_variable(out, "$AUNITS");
    integer(out, 70, 0);
    header_variable(out, "$MEASUREMENT");
    integer(out, 70, 1);
    header_variable(out, "$INSUNITS");
    integer(out, 70, 6);
    // Points drawn as a circle with a cross, 0.5 m across.
    header_variable(out, "$PDMODE");
    integer(out, 70, 35);
    header_variable(out, "$PDSIZE");
    number(out, 40, 0.5);
    header_variable(out, "$HANDSEED");
    hex(out, 5, handle_seed);
    tag(out, 0, "ENDSEC");
    tag(out, 0, "SECTION");
    tag(out, 2, "CLASSES");
    tag(out, 0, "ENDSEC");
}

void tables(std::string& out, const Extents& e) {
    tag(out, 0, "SECTION");
    tag(out, 2, "TABLES");

    // The view opens on the whole drawing.
    table_head(out, "VPORT", kVportTable, 1);
    record_head(out, "VPORT", "AcDbViewportTableRecord", kVport, kVportTable);
    tag(out, 2, "*Active");
    integer(out, 70, 0);
    number(out, 10, 0);
    number(out, 20, 0);
    number(out, 11, 1);
    number(out, 21, 1);
    number(out, 12, (e.min_x + e.max_x) / 2);
    number(out, 22, (e.min_y + e.max_y) / 2);
    number(out, 13, 0);
    number(out, 23, 0);
    number(out, 14, 1);
    number(out, 24, 1);
    number(out, 15, 10);
    number(out, 25, 10);
    number(out, 16, 0);
    number(out, 26, 0);
    number(out, 36, 1);
    number(out, 17, 0);
    number(out, 27, 0);
    number(out, 37, 0);
    constexpr double kAspect = 1.6;
    number(out, 40, std::max({e.max_y - e.min_y, (e.max_x - e.min_x) / kAspect, 1.0}) * 1.05);
    number(out, 41, kAspect);
    number(out, 42, 50);
    number(out, 43, 0);
    number(out, 44, 0);
    number(out, 50, 0);
    number(out, 51, 0);
    integer(out, 71, 0);
    integer(out, 72, 1000);
    integer(out, 73, 1);
    integer(out, 74, 3);
    integer(out, 75, 0);
    integer(out, 76, 0);
    integer(out, 77, 0);
    integer(out, 78, 0);
    tag(out, 0, "ENDTAB");

    table_head(out, "LTYPE", kLtypeTable, 3);
    linetype(out, kLtypeByBlock, "ByBlock");
    linetype(out, kLtypeByLayer, "ByLayer");
    linetype(out, kLtypeContinuous, "Continuous");
    tag(out, 0, "ENDTAB");

    table_head(out, "LAYER", kLayerTable, static_cast<int>(kLayers.size()) + 1);
    layer(out, kLayerZero, "0", 7);
    for (std::size_t i = 0; i < kLayers.size(); ++i)
        layer(out, kFirstLayer + i, layer_names()[i], kLayers[i].colour);
    tag(out, 0, "ENDTAB");

    // Standard with the big font for Chinese of SHX fonts; the texts'
    // style with a Chinese TrueType font.
    table_head(out, "STYLE", kStyleTable, 2);
    text_style(out, kStyleStandard, "Standard", "txt", "gbcbig.shx");
    text_style(out, kStyleText, kTextStyle, "simsun.ttf", "");
    tag(out, 0, "ENDTAB");

    table_head(out, "VIEW", kViewTable, 0);
    tag(out, 0, "ENDTAB");
    table_head(out, "UCS", kUcsTable, 0);
    tag(out, 0, "ENDTAB");

    table_head(out, "APPID", kAppidTable, 1);
    record_head(out, "APPID", "AcDbRegAppTableRecord", kAppidAcad, kAppidTable);
    tag(out, 2, "ACAD");
    integer(out, 70, 0);
    tag(out, 0, "ENDTAB");

    // A dimension style record takes its handle under group code 105.
    table_head(out, "DIMSTYLE", kDimstyleTable, 1);
    tag(out, 100, "AcDbDimStyleTable");
    integer(out, 71, 1);
    hex(out, 340, kDimstyleStandard);
    tag(out, 0, "DIMSTYLE");
    hex(out, 105, kDimstyleStandard);
    hex(out, 330, kDimstyleTable);
    tag(out, 100, "AcDbSymbolTableRecord");
    tag(out, 100, "AcDbDimStyleTableRecord");
    tag(out, 2, "Standard");
    integer(out, 70, 0);
    hex(out, 340, kStyleStandard);
    tag(out, 0, "ENDTAB");

    table_head(out, "BLOCK_RECORD", kBlockRecordTable, 2);
    record_head(out, "BLOCK_RECORD", "AcDbBlockTableRecord", kModelSpaceRecord, kBlockRecordTable);
    tag(out, 2, "*Model_Space");
    record_head(out, "BLOCK_RECORD", "AcDbBlockTableRecord", kPaperSpaceRecord, kBlockRecordTable);
    tag(out, 2, "*Paper_Space");
    tag(out, 0, "ENDTAB");

    tag(out, 0, "ENDSEC");
}

void block(std::string& out, std::string_view name, unsigned long record, unsigned long begin,
           unsigned long end, bool paper) {
    tag(out, 0, "BLOCK");
    hex(out, 5, begin);
    hex(out, 330, record);
    tag(out, 100, "AcDbEntity");
    if (paper) integer(out, 67, 1);
    tag(out, 8, "0");
    tag(out, 100, "AcDbBlockBegin");
    tag(out, 2, name);
    integer(out, 70, 0);
    point(out, 10, 0, 0);
    tag(out, 3, name);
    tag(out, 1, "");
    tag(out, 0, "ENDBLK");
    hex(out, 5, end);
    hex(out, 330, record);
    tag(out, 100, "AcDbEntity");
    if (paper) integer(out, 67, 1);
    tag(out, 8, "0");
    tag(out, 100, "AcDbBlockEnd");
}

void blocks(std::string& out) {
    tag(out, 0, "SECTION");
    tag(out, 2, "BLOCKS");
    block(out, "*Model_Space", kModelSpaceRecord, kModelSpaceBlock, kModelSpaceEnd, false);
    block(out, "*Paper_Space", kPaperSpaceRecord, kPaperSpaceBlock, kPaperSpaceEnd, true);
    tag(out, 0, "ENDSEC");
}

void objects(std::string& out) {
    tag(out, 0, "SECTION");
    tag(out, 2, "OBJECTS");
    tag(out, 0, "DICTIONARY");
    hex(out, 5, kRootDictionary);
    hex(out, 330, 0);
    tag(out, 100, "AcDbDictionary");
    integer(out, 281, 1);
    tag(out, 3, "ACAD_GROUP");
    hex(out, 350, kGroupDictionary);
    tag(out, 0, "DICTIONARY");
    hex(out, 5, kGroupDictionary);
    hex(out, 330, kRootDictionary);
    tag(out, 100, "AcDbDictionary");
    integer(out, 281, 1);
    tag(out, 0, "ENDSEC");
}

void widen(Extents& e, double x, double y) {
    e.min_x = std::min(e.min_x, x);
    e.min_y = std::min(e.min_y, y);
    e.max_x = std::max(e.max_x, x);
    e.max_y = std::max(e.max_y, y);
}

}  // namespace

std::optional<std::string> dxf_options_refusal(const DxfOptions& options) {
    if (!(options.tick_interval >= kMinDxfTick && options.tick_interval <= kMaxDxfTick))
        return "桩号刻度间距须在" + geometry::format_number(kMinDxfTick) + "到" +
               geometry::format_number(kMaxDxfTick) + " m之间！";
    if (!(options.tolerance >= kMinDxfTolerance && options.tolerance <= kMaxDxfTolerance))
        return "缓和曲线的弦线容差须在" + geometry::format_number(kMinDxfTolerance) + "到" +
               geometry::format_number(kMaxDxfTolerance) + " m之间！";
    if (options.decimals < 0 || options.decimals > 9) return "小数位数须为0到9的整数！";
    return std::nullopt;
}

Result<DxfDrawing> DxfDrawing::make(const route::Alignment& a, const route::Definition* definition,
                                    const DxfOptions& options) {
    if (std::optional<std::string> refusal = dxf_options_refusal(options)) return Error{*refusal};
    if (tick_estimate(a, options.tick_interval) > static_cast<double>(kMaxDxfTicks))
        return Error{"桩号刻度过多（多于" + std::to_string(kMaxDxfTicks) +
                     "个），请加大刻度间距！"};
    std::size_t vertices = 0;
    for (const route::Segment& s : a.segments()) {
        if (!is_straight(s) && !is_arc(s)) vertices += chords_of(s, options.tolerance) + 1;
        if (vertices > kMaxDxfVertices)
            return Error{"缓和曲线折线的顶点过多（多于" + std::to_string(kMaxDxfVertices) +
                         "个），请加大弦线容差！"};
    }

    DxfDrawing d;
    d.alignment_ = &a;
    d.options_ = options;
    d.first_entity_ = kFirstEntity;
    Extents box{a.pieces().front().min_y, a.pieces().front().min_x, a.pieces().front().max_y,
                a.pieces().front().max_x};
    for (const route::Alignment::Piece& p : a.pieces()) {
        widen(box, p.min_y, p.min_x);
        widen(box, p.max_y, p.max_x);
    }
    Entities e(d.entities_, kFirstEntity);

    for (const route::Segment& s : a.segments()) draw_segment(e, s, options.tolerance);

    for (const route::KeyPoint& k : a.key_points()) {
        std::string label = k.label;
        label += ' ';
        label += a.station_text(k.chainage, k.zone, options.decimals);
        Result<std::string> bytes = file_text(label);
        if (!bytes) return bytes.failure();
        e.dot(kMain, k.y, k.x);
        text_beside(e, kMain, k.y, k.x, k.azimuth, 1, kTextGap, 0, kMainTextHeight, bytes.value());
    }

    for (const Tick& t : ticks_of(a, options.tick_interval)) {
        const route::Zone& zone = a.zones()[static_cast<std::size_t>(t.zone) - 1];
        const double s = std::clamp(t.chainage - zone.constant, zone.s_begin, zone.s_end);
        const route::Pose p = a.pose_at(s);
        const Frame f = frame_of(p.azimuth);
        const double length = t.labelled ? kLabelledTickLength : kTickLength;
        e.line(kTicks, p.y, p.x, p.y - length * f.left_x, p.x - length * f.left_y);
        if (!t.labelled) continue;
        // Whole metres; a chain break with both chainages in full.
        const int decimals = a.ahead_of(t.chainage, t.zone) ? options.decimals : 0;
        Result<std::string> bytes = file_text(a.station_text(t.chainage, t.zone, decimals));
        if (!bytes) return bytes.failure();
        e.outward_text(kTicks, p.y, p.x, direction_of(p.azimuth) - kPi / 2, length + kTextGap / 2,
                       kTickTextHeight, bytes.value());
    }

    if (definition != nullptr) {
        if (const auto* points = std::get_if<route::PointsDef>(&definition->horizontal)) {
            std::vector<std::pair<double, double>> polygon;
            polygon.reserve(points->points.size() + 2);
            polygon.emplace_back(points->start_y, points->start_x);
            for (const route::IntersectionPoint& p : points->points) polygon.emplace_back(p.y, p.x);
            polygon.emplace_back(points->end_y, points->end_x);
            for (const auto& [x, y] : polygon) widen(box, x, y);
            e.polyline(kPoints, polygon);
            for (const route::IntersectionPoint& p : points->points) {
                Result<std::string> bytes = file_text(p.name);
                if (!bytes) return bytes.failure();
                e.text(kPoints, p.y + kTextGap, p.x + kTextGap, kPointNameHeight, 0, bytes.value());
            }
        }
    }
    d.next_handle_ = e.next();
    d.min_x_ = box.min_x;
    d.min_y_ = box.min_y;
    d.max_x_ = box.max_x;
    d.max_y_ = box.max_y;
    return d;
}

std::optional<Error> DxfDrawing::write(std::span<const route::TableRow> stakes,
                                       const ByteSink& sink,
                                       const std::function<bool(std::size_t)>& going_on) const {
    const route::Alignment& a = *alignment_;
    // The stakes widen the extents; texts reach a little beyond the points.
    Extents box{min_x_, min_y_, max_x_, max_y_};
    for (const route::TableRow& r : stakes) widen(box, r.y, r.x);
    constexpr double kMargin = 20;
    box.min_x -= kMargin;
    box.min_y -= kMargin;
    box.max_x += kMargin;
    box.max_y += kMargin;

    // Two entities a stake.
    const unsigned long seed = next_handle_ + 2 * static_cast<unsigned long>(stakes.size());
    std::string out;
    out.reserve(kChunkBytes + 4096);
    header(out, box, seed);
    tables(out, box);
    blocks(out);
    tag(out, 0, "SECTION");
    tag(out, 2, "ENTITIES");
    if (auto failed = sink(out)) return failed;
    out.clear();
    if (auto failed = sink(entities_)) return failed;

    Entities e(out, next_handle_);
    std::string station;
    double station_chainage = 0;
    int station_zone = 0;
    for (std::size_t i = 0; i < stakes.size(); ++i) {
        if (going_on && i % kReportStakes == 0 && !going_on(i))
            return Error{std::string(kDxfCancelled)};
        const route::TableRow& r = stakes[i];
        if (station.empty() || r.chainage != station_chainage || r.zone != station_zone) {
            station = a.station_text(r.chainage, r.zone, options_.decimals);
            station_chainage = r.chainage;
            station_zone = r.zone;
        }
        Result<std::string> name = file_text(stake_name(station, r.offset));
        if (!name) return name.failure();
        const LayerIndex layer = r.offset == 0 ? kCentreStakes : kSideStakes;
        e.dot(layer, r.y, r.x);
        // The name along the line, away from it: beyond a side stake on its
        // side, to the right of a centre stake (the main points' texts are
        // on the left), just after the point, clear of a tick there.
        text_beside(e, layer, r.y, r.x, r.azimuth, r.offset < 0 ? 1 : -1, kStakeGap, kStakeGap,
                    kStakeTextHeight, name.value());
        if (out.size() >= kChunkBytes) {
            if (auto failed = sink(out)) return failed;
            out.clear();
        }
    }
    tag(out, 0, "ENDSEC");
    objects(out);
    tag(out, 0, "EOF");
    return sink(out);
}

Result<std::string> DxfDrawing::bytes(std::span<const route::TableRow> stakes) const {
    std::string all;
    if (auto failed = write(stakes, [&all](std::string_view piece) -> std::optional<Error> {
            all += piece;
            return std::nullopt;
        }))
        return *failed;
    return all;
}

}  // namespace korvane::files
