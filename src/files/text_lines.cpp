#include "files/text_lines.h"

#include "files/codec.h"

namespace korvane::files::detail {

bool is_ascii(std::string_view bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

bool is_utf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t extra;
        char32_t cp;
        char32_t min;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1, cp = lead & 0x1F, min = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2, cp = lead & 0x0F, min = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3, cp = lead & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (bytes.size() - i <= extra) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(bytes[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

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
