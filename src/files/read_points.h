// The measured points of a route's bulk inverse, in any of the three forms a
// surveyor brings them in: a CASS coordinate file, CSV with a header line, or
// plain text `[name] X Y`. The window and the command line read them here, so
// a file is taken or refused the same way, with the same messages:
//     无法读取文件“p.txt”：第3、7行不是“[点名] X Y”两个坐标数字！
//     文件“p.txt”第5行：坐标不是有效数字！
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "error.h"
#include "point_file.h"

namespace korvane::files {

enum class PointForm { cass, csv, plain };

// The form a file name implies: `.dat` CASS, `.csv` CSV (any letter case),
// anything else plain text.
PointForm point_form_of(const std::filesystem::path& path);

// The form of a text that has no name (standard input): a first line
// "name,X,Y…" is CSV, five comma-separated fields CASS, anything else plain.
PointForm point_form_of_text(std::string_view bytes);

// Every point in file order, the text UTF-8 or code page 936 (told apart as
// every Korvane text file: UTF-8 where the whole text is). Every line is
// looked at before the first point
// is handed over: a line that is not a point, a CSV file without its header, a
// file without a point refuse the file and hand over nothing. A plain line
// whose coordinates are not numbers is refused when its turn comes, after the
// points before it, so that the caller can name an earlier point that fails
// first. `each` returns false to stop (no error then).
//
// read_points reads the file at `path` in pieces (memory stays small however
// long it is); parse_points takes text already read, with `where` naming it
// in the messages ("文件“p.txt”", or "标准输入").
std::optional<Error> read_points(const std::filesystem::path& path, PointForm form,
                                 const PointSink& each);
std::optional<Error> parse_points(std::string_view bytes, PointForm form, std::string_view where,
                                  const PointSink& each);

// How a file is named in these messages: "文件“p.txt”".
std::string file_named(const std::filesystem::path& path);

}  // namespace korvane::files
