// The plain points file of `korvane-cli inverse --points`: one point a line,
// read in a stream so that the memory it takes does not grow with the file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codec.h"
#include "error.h"

namespace korvane::files {

// One point as written in the file: an optional name, then X (northing) and
// Y (easting) as number texts, exactly as they stand in the file. The views
// last only for the call that hands the point on.
struct PointText {
    std::size_t line;       // 1-based line number in the file
    std::string_view name;  // empty when the line has no name
    std::string_view x;
    std::string_view y;
};

// The largest points file read: far beyond any stake-out list.
inline constexpr std::size_t kMaxPointsFileBytes = std::size_t{256} << 20;
// How many bad lines are named one by one; the rest are only counted.
inline constexpr std::size_t kListedBadLines = 20;
// A line longer than this holds no point (only its start is kept to look at).
inline constexpr std::size_t kMaxPointsTextLineBytes = std::size_t{64} << 10;

// What the whole text held besides its points.
struct PointsCheck {
    bool utf8 = true;                    // the bytes are well-formed UTF-8
    std::vector<std::size_t> bad_lines;  // the first kListedBadLines lines that hold no point
    std::size_t bad_count = 0;           // all lines that hold no point
};

// Splits the text (UTF-8) into points as its bytes arrive. Items are separated
// by any run of commas, tabs and spaces; a line holds either X Y or NAME X Y,
// where X and Y are each one number as a whole (a value beyond a double is no
// number). Lines that are blank (separators only) or start with '#' after
// leading blanks are skipped. A line ends at LF, CR LF or a lone CR; a UTF-8
// byte-order mark at the start is ignored.
//
// Points go to `sink` in file order, but only while no bad line has been met:
// after one, the file is refused whatever follows, and only the check goes on.
class PointsParser {
  public:
    using Sink = std::function<void(const PointText&)>;
    explicit PointsParser(Sink sink) : sink_(std::move(sink)) {}

    void feed(std::string_view bytes);
    // The end of the text: a last line without a line end is a line too.
    void finish();
    const PointsCheck& check() const { return check_; }

  private:
    void end_line();

    Sink sink_;
    PointsCheck check_;
    Utf8Check utf8_;
    std::string line_;
    std::size_t number_ = 0;  // lines ended so far
    bool overlong_ = false;
    bool after_cr_ = false;
    bool started_ = false;
};

// Reads the points file at `path` through `parser` and finishes it. A file over
// kMaxPointsFileBytes is refused from its size before it is read
// ("无法读取文件“pts.txt”：文件超过268435456字节！").
std::optional<Error> read_points_text(const std::filesystem::path& path, PointsParser& parser);

}  // namespace korvane::files
