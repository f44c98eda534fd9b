// The DXF file's structure as Korvane writes it (AutoCAD 2000, AC1015, code
// page 936): the handles of its fixed records, the layers and text style,
// group codes and values, and the HEADER, TABLES, BLOCKS and OBJECTS
// sections around the entities. Internal to the files library.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "files/dxf_file.h"
#include "files/error.h"

namespace korvane::files::dxf {

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

// The height of main point texts, drawing metres (a plan at about 1:1000),
// also the file's default text size.
constexpr double kMainTextHeight = 2.0;

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

void put_code(std::string& out, int code);
void tag(std::string& out, int code, std::string_view value);
void integer(std::string& out, int code, long value);
void hex(std::string& out, int code, unsigned long handle);
// The shortest text that reads back as the same double, without an exponent
// (every DXF reader takes it), and 0 for -0.
void number(std::string& out, int code, double value);
// A point of the plan as DXF x (easting) and y (northing), z 0.
void point(std::string& out, int code, double x_dxf, double y_dxf);
// Angles in DXF: degrees counterclockwise from the x axis (east), [0, 360).
double degrees(double radians);
// The DXF direction angle (radians, counterclockwise from east) of an
// azimuth (clockwise from north).
double direction_of(double azimuth);
// The text in the file's code page, refused where it cannot be written:
// a character code page 936 lacks, or a control character (a line end would
// break the file's structure). "%%" would be read as a control code: each
// "%" is then written "%%%", a plain percent sign.
Result<std::string> file_text(std::string_view utf8);
// The layer names in the file's code page (they are known to fit).
const std::array<std::string, 6>& layer_names();

// The drawing's extent in DXF coordinates.
struct Extents {
    double min_x, min_y, max_x, max_y;
};

// The sections around the entities.
void header(std::string& out, const Extents& e, unsigned long handle_seed);
void tables(std::string& out, const Extents& e);
void blocks(std::string& out);
void objects(std::string& out);

}  // namespace korvane::files::dxf
