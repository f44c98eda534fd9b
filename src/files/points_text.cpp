#include "files/points_text.h"

#include <algorithm>
#include <cmath>

#include "files/read_file.h"
#include "geometry/number_text.h"

namespace korvane::files {
namespace {

bool is_separator(char c) {
    return c == ',' || c == '\t' || c == ' ';
}

// One number as a whole; infinities (values beyond a double) are no number.
bool is_number(std::string_view item) {
    std::optional<double> value = geometry::parse_strict(item);
    return value && std::isfinite(*value);
}

}  // namespace

void PointsParser::feed(std::string_view bytes) {
    utf8_.feed(bytes);
    std::size_t i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (after_cr_) {
            after_cr_ = false;
            if (c == '\n') {  // the LF of a CR LF pair
                ++i;
                continue;
            }
        }
        if (c == '\r' || c == '\n') {
            after_cr_ = c == '\r';
            end_line();
            ++i;
            continue;
        }
        // The rest of the line up to its end or the end of these bytes, kept
        // up to the longest line looked at.
        std::size_t end = i;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
        started_ = true;
        const std::size_t room = kMaxPointsTextLineBytes - line_.size();
        const std::size_t run = end - i;
        line_.append(bytes.substr(i, std::min(run, room)));
        if (run > room) overlong_ = true;
        i = end;
    }
}

void PointsParser::finish() {
    if (started_) end_line();
    check_.utf8 = utf8_.complete();
}

void PointsParser::end_line() {
    ++number_;
    std::string_view line = line_;
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (number_ == 1 && line.starts_with(kBom)) line.remove_prefix(kBom.size());

    // At most four items are looked at: a fourth already makes the line bad.
    std::string_view items[4];
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < line.size() && count < 4) {
        while (i < line.size() && is_separator(line[i])) ++i;
        const std::size_t start = i;
        while (i < line.size() && !is_separator(line[i])) ++i;
        if (i > start) items[count++] = line.substr(start, i - start);
    }
    const bool skipped = count == 0 || items[0].starts_with('#');
    if (!skipped) {
        const std::size_t first = count - 2;  // index of X; wraps for a single item
        if (!overlong_ && (count == 2 || count == 3) && is_number(items[first]) &&
            is_number(items[first + 1])) {
            if (check_.bad_count == 0) {
                sink_(PointText{number_, count == 3 ? items[0] : std::string_view(), items[first],
                                items[first + 1]});
            }
        } else {
            if (check_.bad_lines.size() < kListedBadLines) check_.bad_lines.push_back(number_);
            ++check_.bad_count;
        }
    }
    line_.clear();
    overlong_ = false;
    started_ = false;
}

std::optional<Error> read_points_text(const std::filesystem::path& path, PointsParser& parser) {
    auto error = read_file(
        path,
        [&](std::string_view piece) {
            parser.feed(piece);
            return true;
        },
        kMaxPointsFileBytes);
    if (error) return error;
    parser.finish();
    return std::nullopt;
}

}  // namespace korvane::files
