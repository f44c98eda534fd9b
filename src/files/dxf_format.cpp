#include "files/dxf_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <utility>

#include "files/codec.h"

namespace korvane::files::dxf {
namespace {
constexpr double kPi = std::numbers::pi;
}  // namespace

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

// ---------------------------------------------------------------------------
// Tables, blocks, objects

namespace {

void table_head(std::string& out, std::string_view name, unsigned long handle, int count) {
    tag(out, 0, "TABLE");
    tag(out, 2, name);
    hex(out, 5, handle);
    hex(out, 330, 0);
    tag(out, 100, "AcDbSymbolTable");
    integer(out, 70, count);
}

}  // namespace

namespace {

void record_head(std::string& out, std::string_view type, std::string_view subclass,
                 unsigned long handle, unsigned long table) {
    tag(out, 0, type);
    hex(out, 5, handle);
    hex(out, 330, table);
    tag(out, 100, "AcDbSymbolTableRecord");
    tag(out, 100, subclass);
}

}  // namespace

namespace {

void linetype(std::string& out, unsigned long handle, std::string_view name) {
    record_head(out, "LTYPE", "AcDbLinetypeTableRecord", handle, kLtypeTable);
    tag(out, 2, name);
    integer(out, 70, 0);
    tag(out, 3, name == "Continuous" ? "Solid line" : "");
    integer(out, 72, 65);
    integer(out, 73, 0);
    number(out, 40, 0);
}

}  // namespace

namespace {

void layer(std::string& out, unsigned long handle, std::string_view name, int colour) {
    record_head(out, "LAYER", "AcDbLayerTableRecord", handle, kLayerTable);
    tag(out, 2, name);
    integer(out, 70, 0);
    integer(out, 62, colour);
    tag(out, 6, "Continuous");
    integer(out, 370, -3);
}

}  // namespace

namespace {

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

}  // namespace

namespace {

void header_variable(std::string& out, std::string_view name) {
    tag(out, 9, name);
}

}  // namespace

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

namespace {

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

}  // namespace

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

}  // namespace korvane::files::dxf
