// The points file of `korvane-cli inverse --points`: one point a line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "files/error.h"

namespace korvane::cli {

// One point as written in the file: an optional name, then X (northing) and
// Y (easting) as number texts, exactly as they stand in the file.
struct Point {
    std::size_t line;  // 1-based line number in the file
    std::string name;  // empty when the line has no name
    std::string x;
    std::string y;
};

struct PointList {
    std::vector<Point> points;           // the good lines, in file order
    std::vector<std::size_t> bad_lines;  // line numbers that hold no point, ascending
};

// Splits the file's text (UTF-8) into points. Items are separated by any run
// of commas, tabs and spaces; a line holds either X Y or NAME X Y, where X and
// Y are each one number as a whole. Lines that are blank (separators only) or
// start with '#' after leading blanks are skipped. A line ends at LF, CR LF or
// a lone CR; a UTF-8 byte-order mark at the start is ignored.
PointList parse_points(std::string_view text);

// The largest points file read: far beyond any stake-out list, small enough to hold.
inline constexpr std::size_t kMaxPointsFileBytes = std::size_t{256} << 20;

// The whole points file, or the files library's error for it
// ("无法读取文件“pts.txt”：文件不存在！").
files::Result<std::string> read_points_file(const std::string& path);

// True when the bytes are well-formed UTF-8.
bool is_utf8(std::string_view bytes);

}  // namespace korvane::cli
