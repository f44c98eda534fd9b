#include "files/read_points.h"

#include <cmath>
#include <cstddef>
#include <functional>
#include <utility>

#include "files/codec.h"
#include "files/points_text.h"
#include "files/read_file.h"
#include "files/texts.h"
#include "geometry/number_text.h"

namespace korvane::files {
namespace {

// Hands a parser the whole text, however it is read; an error of the reading.
using Source = std::function<std::optional<Error>(PointsParser&)>;

std::string lines_text(const PointsCheck& check) {
    std::string lines;
    for (std::size_t i = 0; i < check.bad_lines.size(); ++i) {
        if (i > 0) lines += "、";
        lines += std::to_string(check.bad_lines[i]);
    }
    if (check.bad_count > check.bad_lines.size()) lines += "等" + std::to_string(check.bad_count);
    return lines;
}

std::optional<double> coordinate(std::string_view text) {
    const std::optional<double> v = geometry::parse_strict(text);
    if (!v || !std::isfinite(*v)) return std::nullopt;
    return v;
}

// The plain form in two passes over the text: the lines checked, then the
// points handed over.
std::optional<Error> plain_points(const Source& source, std::string_view where,
                                  const PointSink& each, bool& utf8) {
    const auto cannot = [&](std::string_view cause) {
        return Error{"无法读取" + std::string(where) + "：" + std::string(cause) + "！"};
    };
    std::size_t points = 0;
    std::size_t bad_coordinate = 0;  // the first line whose coordinates are no numbers, or 0
    PointsParser check([&](const PointText& p) {
        ++points;
        if (bad_coordinate == 0 && (!coordinate(p.x) || !coordinate(p.y))) bad_coordinate = p.line;
    });
    if (auto error = source(check)) return error;
    const PointsCheck& c = check.check();
    utf8 = c.utf8;
    // Not UTF-8: the caller reads the text again as code page 936.
    if (!utf8) return std::nullopt;
    if (c.bad_count > 0) return cannot("第" + lines_text(c) + "行不是“[点名] X Y”两个坐标数字");
    if (points == 0) return cannot("文件中没有点");

    bool stopped = false;
    std::optional<Error> failure;
    PointsParser hand([&](const PointText& p) {
        if (stopped) return;
        if (p.line == bad_coordinate) {
            failure = Error{std::string(where) + "第" + std::to_string(p.line) +
                            "行：坐标不是有效数字！"};
            stopped = true;
            return;
        }
        PointRecord record;
        record.line = p.line;
        record.name = std::string(p.name);
        record.x = *coordinate(p.x);
        record.y = *coordinate(p.y);
        stopped = !each(record);
    });
    if (auto error = source(hand)) return error;
    return failure;
}

}  // namespace

PointForm point_form_of(const std::filesystem::path& path) {
    const std::optional<PointFormat> f = point_format_of(path);
    if (!f) return PointForm::plain;
    return *f == PointFormat::cass ? PointForm::cass : PointForm::csv;
}

PointForm point_form_of_text(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = bytes.size();
        const std::string_view line = geometry::trim_spaces(bytes.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == '#') continue;
        const std::string_view head = line.substr(0, 5);
        if (line.size() >= 6 && (head == "name," || head == "NAME," || head == "Name,"))
            return PointForm::csv;
        std::size_t commas = 0;
        for (char c : line) commas += c == ',' ? 1 : 0;
        return commas == 4 ? PointForm::cass : PointForm::plain;
    }
    return PointForm::plain;
}

std::string file_named(const std::filesystem::path& path) {
    return "文件“" + detail::display_path(path) + "”";
}

std::optional<Error> read_points(const std::filesystem::path& path, PointForm form,
                                 const PointSink& each) {
    if (form == PointForm::plain) {
        bool utf8 = true;
        if (auto error =
                plain_points([&](PointsParser& parser) { return read_points_text(path, parser); },
                             file_named(path), each, utf8))
            return error;
        if (utf8) return std::nullopt;
        // Code page 936, as every other text file Korvane reads may be: the
        // whole text decoded, then read like UTF-8.
        Result<std::string> bytes = read_whole_file(path, kMaxPointsFileBytes);
        if (!bytes) return bytes.failure();
        return parse_points(bytes.value(), form, file_named(path), each);
    }
    return read_point_file(path, form == PointForm::cass ? PointFormat::cass : PointFormat::csv,
                           each);
}

std::optional<Error> parse_points(std::string_view bytes, PointForm form, std::string_view where,
                                  const PointSink& each) {
    if (form == PointForm::plain) {
        const auto feed = [](std::string_view text) {
            return [text](PointsParser& parser) -> std::optional<Error> {
                parser.feed(text);
                parser.finish();
                return std::nullopt;
            };
        };
        bool utf8 = true;
        if (auto error = plain_points(feed(bytes), where, each, utf8)) return error;
        if (utf8) return std::nullopt;
        Result<std::string> decoded = cp936_to_utf8(bytes);
        if (!decoded)
            return Error{"无法读取" + std::string(where) +
                         "：点文件既不是 UTF-8 文本，也不是代码页936文本！"};
        return plain_points(feed(decoded.value()), where, each, utf8);
    }
    std::optional<Error> error = parse_point_file(
        bytes, form == PointForm::cass ? PointFormat::cass : PointFormat::csv, each);
    if (!error) return std::nullopt;
    // The reader's cause ends in "！"; the message names where it was read.
    std::string cause = std::move(error->message);
    constexpr std::string_view kMark = "！";
    if (std::string_view(cause).ends_with(kMark)) cause.resize(cause.size() - kMark.size());
    return Error{"无法读取" + std::string(where) + "：" + cause + "！"};
}

}  // namespace korvane::files
