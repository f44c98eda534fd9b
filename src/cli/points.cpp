#include "cli/points.h"

#include <cmath>
#include <optional>

#include "files/read_file.h"
#include "geometry/number_text.h"

namespace korvane::cli {
namespace {

bool is_separator(char c) {
    return c == ',' || c == '\t' || c == ' ';
}

std::vector<std::string_view> split_items(std::string_view line) {
    std::vector<std::string_view> items;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && is_separator(line[i])) ++i;
        std::size_t start = i;
        while (i < line.size() && !is_separator(line[i])) ++i;
        if (i > start) items.push_back(line.substr(start, i - start));
    }
    return items;
}

// One number as a whole; infinities (values beyond a double) are no number.
bool is_number(std::string_view item) {
    std::optional<double> value = geometry::parse_strict(item);
    return value && std::isfinite(*value);
}

}  // namespace

files::Result<std::string> read_points_file(const std::string& path) {
    return files::read_whole_file(path, kMaxPointsFileBytes);
}

PointList parse_points(std::string_view text) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.starts_with(kBom)) text.remove_prefix(kBom.size());

    PointList list;
    std::size_t number = 0;
    while (!text.empty()) {
        std::size_t end = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, end);
        if (end == std::string_view::npos) {
            text = {};
        } else {
            bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
            text.remove_prefix(end + (crlf ? 2 : 1));
        }
        ++number;

        std::vector<std::string_view> items = split_items(line);
        if (items.empty() || items.front().starts_with('#')) continue;

        std::size_t first = items.size() - 2;  // index of X; wraps for a single item
        if ((items.size() == 2 || items.size() == 3) && is_number(items[first]) &&
            is_number(items[first + 1])) {
            list.points.push_back({number,
                                   items.size() == 3 ? std::string(items[0]) : std::string(),
                                   std::string(items[first]), std::string(items[first + 1])});
        } else {
            list.bad_lines.push_back(number);
        }
    }
    return list;
}

bool is_utf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        auto b = static_cast<unsigned char>(bytes[i]);
        std::size_t extra;
        char32_t cp;
        if (b < 0x80) {
            ++i;
            continue;
        } else if (b >= 0xC2 && b <= 0xDF) {
            extra = 1, cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2, cp = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3, cp = b & 0x07;
        } else {
            return false;
        }
        if (bytes.size() - i <= extra) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            auto c = static_cast<unsigned char>(bytes[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        // Overlong forms, surrogates and values beyond U+10FFFF.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

}  // namespace korvane::cli
