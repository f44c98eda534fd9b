// The line-parameter reader on arbitrary file bytes. It either gives four
// field texts, each a well-formed number text, or a message ending in "！";
// never a crash. Texts it gives, written out again as a line-parameter file,
// read back unchanged; and the bytes after the fourth line end never matter.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "files/line_file.h"
#include "fuzz_check.h"

namespace {

using korvane::fuzz::check;
namespace kf = korvane::files;

bool ends_with_mark(const std::string& message) {
    const std::string_view mark = "！";
    return message.size() > mark.size() &&
           message.compare(message.size() - mark.size(), mark.size(), mark) == 0;
}

// Offset just past the fourth line end (CR LF or a lone CR), or npos.
std::size_t after_fourth_line(std::string_view bytes) {
    int lines = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') continue;
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        if (++lines == 4) return i + 1;
    }
    return std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto read = kf::parse_line_file(bytes);
    if (!read) {
        check(ends_with_mark(read.failure().message), "failure message without its closing mark",
              bytes);
    } else {
        const kf::LineParameters& texts = read.value();
        for (const std::string* t : {&texts.k0, &texts.x0, &texts.y0, &texts.azimuth}) {
            check(korvane::fuzz::is_number_text(*t), "imported a malformed number text: " + *t,
                  bytes);
        }
        const auto written = kf::line_file_bytes(texts);
        check(written.ok(), "imported texts cannot be exported", bytes);
        const auto again = kf::parse_line_file(written.value());
        check(again.ok() && again.value() == texts, "export then import changed the texts", bytes);
    }

    // What follows the fourth line end is never read. (A line that is still
    // open at the fourth line end is complete, so cutting there changes nothing.)
    const std::size_t cut = after_fourth_line(bytes);
    if (cut != std::string_view::npos && cut < bytes.size() && bytes[cut] != '\n') {
        const auto head = kf::parse_line_file(bytes.substr(0, cut));
        check(head.ok() == read.ok(), "bytes after the fourth line changed the outcome", bytes);
        if (head.ok())
            check(head.value() == read.value(), "bytes after the fourth line changed the texts",
                  bytes);
    }
    return 0;
}
