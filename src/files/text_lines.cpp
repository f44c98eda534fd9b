#include "files/text_lines.h"

#include "files/codec.h"
#include "files/cp936.h"

namespace korvane::files::detail {

bool is_ascii(std::string_view bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

namespace {

// A code page 936 converter kept open for the thread: point files convert a
// name on each of up to millions of lines, and opening a converter costs as
// much as the rest of the line's reading.
class Cp936Reader {
  public:
    bool ok() const { return converter_.ok(); }

    // The whole of `in` converted into `out`, or false (out unspecified).
    bool convert(std::string_view in, std::string& out) {
        out.clear();
        return converter_.convert(in, out) == in.size();
    }

  private:
    Cp936Converter converter_{Cp936Converter::Direction::to_utf8};
};

bool fast_cp936(std::string_view bytes, std::string& out) {
    thread_local Cp936Reader reader;
    return reader.ok() && reader.convert(bytes, out);
}

}  // namespace

bool decode_text(std::string_view bytes, bool utf8, std::string& out, std::string& cause) {
    if (is_ascii(bytes)) {
        out.assign(bytes);
        return true;
    }
    if (utf8) {
        if (!is_utf8(bytes)) {
            cause = "不是UTF-8编码的文字";
            return false;
        }
        out.assign(bytes);
        return true;
    }
    if (fast_cp936(bytes, out)) return true;
    // Not code page 936 (or no converter): the codec names the cause.
    auto text = cp936_to_utf8(bytes);
    if (!text) {
        // The codec's message ends in "！"; here it becomes part of a longer one.
        std::string message = text.failure().message;
        constexpr std::string_view mark = "！";
        if (message.ends_with(mark)) message.resize(message.size() - mark.size());
        cause = std::move(message);
        return false;
    }
    out = std::move(text).value();
    return true;
}

}  // namespace korvane::files::detail
