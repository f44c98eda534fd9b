// Point files: CASS coordinate files (.dat) and CSV with a header line.
//
// CASS: one point a line, `点名,编码,Y,X,H` — easting before northing; the code
// and the elevation may be empty. Written in code page 936 with CR LF.
// CSV: a header line `name,X,Y` or `name,X,Y,H`, then one point a line.
// Both are read as UTF-8 or code page 936 (detected, a UTF-8 BOM allowed), with
// LF, CR LF or CR line ends; blank lines and lines starting with `#` are
// skipped. (The plain `[name] X Y` form is read by the command line's own
// points reader.)
//
// Reading streams: every line is checked first, and only when all are points
// are they handed over one by one, so a file of a million points is never held
// as a list, and a file with a bad line gives no points at all.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "error.h"

namespace korvane::files {

enum class PointFormat { cass, csv };

// The format a file name implies: `.dat` CASS, `.csv` CSV (any letter case);
// nothing for other names.
std::optional<PointFormat> point_format_of(const std::filesystem::path& path);

// One point as read.
struct PointRecord {
    std::size_t line = 0;     // 1-based line number in the file
    std::string name;         // UTF-8, may be empty
    std::string code;         // CASS code (UTF-8), may be empty; always empty for CSV
    double x = 0;             // northing, metres
    double y = 0;             // easting, metres
    std::optional<double> h;  // elevation; empty where the file has none

    bool operator==(const PointRecord&) const = default;
};

// Receives the points in file order; returning false stops the reading (the
// reader then returns no error).
using PointSink = std::function<bool(const PointRecord&)>;

// A bad-line message lists at most this many line numbers, then counts the rest.
inline constexpr std::size_t kMaxListedBadLines = 20;
// A longer line means the file is not a point file.
inline constexpr std::size_t kMaxPointLineBytes = 4096;

// Reads the points of a whole file held in memory (the failure messages name
// the cause only, not a path). Fails, before handing over any point, when a
// line is not a point (listing the lines), a CSV file lacks its header, a line
// is too long, or the file holds no point.
std::optional<Error> parse_point_file(std::string_view bytes, PointFormat format,
                                      const PointSink& each);

// The same for a file on disk, read twice in pieces (check, then hand over):
// memory stays small whatever the file's size.
std::optional<Error> read_point_file(const std::filesystem::path& path, PointFormat format,
                                     const PointSink& each);

// Every point of a file as a list, for small files.
Result<std::vector<PointRecord>> read_point_list(const std::filesystem::path& path,
                                                 PointFormat format);

// Takes the bytes written, in pieces; returns an error to stop writing.
using ByteSink = std::function<std::optional<Error>(std::string_view)>;

// When a CSV field is put in quotes (a quote inside is always doubled).
enum class CsvQuoting {
    // Where it holds a comma, a quote or spaces at either end: what the point
    // readers need to read the field back unchanged.
    read_back,
    // Only where it holds a quote: the straight-line command line's CSV, whose
    // names never hold a comma.
    quotes_only,
};

// Appends `field` to `out` as one CSV field.
void append_csv_field(std::string& out, std::string_view field,
                      CsvQuoting quoting = CsvQuoting::read_back);

// Writes a point file row by row, in code page 936 with CR LF, handing the
// bytes to a sink in pieces of about 64 KiB (so a long table streams through
// it). CSV gets the header `name,X,Y,H` (or `name,X,Y` without elevations)
// and quotes a field holding a comma or a quote; CASS refuses such a field.
// Every text is written as given: the numbers are the caller's number texts.
class PointFileWriter {
  public:
    PointFileWriter(PointFormat format, bool with_elevation, ByteSink sink);

    // One point; `h` may be empty. The code is written for CASS only.
    std::optional<Error> add(std::string_view name, std::string_view code, std::string_view x,
                             std::string_view y, std::string_view h);

    // Hands over what is left. Call once, after the last row.
    std::optional<Error> finish();

    std::size_t rows() const { return rows_; }

  private:
    std::optional<Error> flush();

    PointFormat format_;
    bool with_elevation_;
    ByteSink sink_;
    std::string pending_;        // UTF-8 rows not yet converted
    std::size_t pending_first_;  // row number of the first row in pending_
    std::size_t rows_ = 0;
    std::string encoded_;
};

// One point to write.
struct PointRow {
    std::string name;
    std::string code;
    std::string x;
    std::string y;
    std::string h;
};

// The whole file for these rows, replacing any file at `path` whole.
std::optional<Error> write_point_file(const std::filesystem::path& path, PointFormat format,
                                      const std::vector<PointRow>& rows);

}  // namespace korvane::files
