// The codec: what is said when text cannot be converted. The conversion
// itself is the system's (files/cp936.h).
#include "files/codec.h"

#include <cstdio>

#include "files/cp936.h"
#include "files/texts.h"

namespace korvane::files {
namespace {

using detail::Cp936Converter;
using Direction = Cp936Converter::Direction;

std::string hex_byte(unsigned char b) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", b);
    return text;
}

// Names what stands at the start of `rest`, where conversion to code page 936
// stopped: the character and its code point, or the byte that is not UTF-8.
std::string unencodable_cause(std::string_view rest) {
    // The first character, fed a byte at a time until it is whole or proves
    // not to be UTF-8 (a character has at most four bytes).
    Utf8Check check;
    size_t len = 0;
    for (size_t i = 0; i < rest.size() && i < 4; ++i) {
        if (!check.feed(rest.substr(i, 1))) break;
        if (check.whole_bytes() > 0) {
            len = i + 1;
            break;
        }
    }
    const char32_t cp = check.code_point();
    if (len == 0) {
        return "文本中有不是UTF-8的字节" + hex_byte(static_cast<unsigned char>(rest[0]));
    }
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
    // Control characters are named by their code point only; printing them
    // would hide the name in the message.
    const bool printable = cp >= 0x20 && cp != 0x7F && !(cp >= 0x80 && cp < 0xA0);
    std::string shown = printable ? "“" + std::string(rest.substr(0, len)) + "”" : "";
    return "字符" + shown + "（" + code + "）无法用GBK编码（代码页936）保存";
}

}  // namespace

namespace detail {

bool encode_cp936(std::string_view utf8, std::string& out, std::string& cause) {
    Cp936Converter conv(Direction::from_utf8);
    if (!conv.ok()) {
        cause = "系统不支持GBK编码（代码页936）";
        return false;
    }
    out.reserve(out.size() + utf8.size());
    const size_t done = conv.convert(utf8, out);
    if (done == utf8.size()) return true;
    cause = unencodable_cause(utf8.substr(done));
    return false;
}

}  // namespace detail

Result<std::string> utf8_to_cp936(std::string_view utf8) {
    std::string out;
    std::string cause;
    if (!detail::encode_cp936(utf8, out, cause)) return detail::bare_failure(cause);
    return out;
}

Result<std::string> cp936_to_utf8(std::string_view bytes) {
    Cp936Converter conv(Direction::to_utf8);
    if (!conv.ok()) return detail::bare_failure("系统不支持GBK编码（代码页936）");
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    const size_t done = conv.convert(bytes, out);
    if (done == bytes.size()) return out;
    std::string shown = hex_byte(static_cast<unsigned char>(bytes[done]));
    if (done + 1 < bytes.size()) {
        shown += ' ';
        shown += hex_byte(static_cast<unsigned char>(bytes[done + 1]));
    }
    return detail::bare_failure("第" + std::to_string(done + 1) + "个字节起的“" + shown +
                                "”不是GBK编码（代码页936）的文字");
}

std::string cp936_prefix_to_utf8(std::string_view bytes) {
    Cp936Converter conv(Direction::to_utf8);
    std::string out;
    if (conv.ok()) conv.convert(bytes, out);
    return out;
}

bool Utf8Check::feed(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (!good_) return false;
        if (pending_ == 0 && static_cast<unsigned char>(bytes[i]) < 0x80) {
            // A run of ASCII, the bulk of a points file, taken in one step.
            std::size_t end = i + 1;
            while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) < 0x80) ++end;
            fed_ += end - i;
            whole_ = fed_;
            last_ = static_cast<unsigned char>(bytes[end - 1]);
            i = end - 1;
            continue;
        }
        const auto b = static_cast<unsigned char>(bytes[i]);
        ++fed_;
        if (pending_ == 0) {
            if (b < 0x80) {
                whole_ = fed_;
                last_ = b;
                continue;
            }
            if (b >= 0xC2 && b <= 0xDF) {
                extra_ = 1, cp_ = b & 0x1F;
            } else if (b >= 0xE0 && b <= 0xEF) {
                extra_ = 2, cp_ = b & 0x0F;
            } else if (b >= 0xF0 && b <= 0xF4) {
                extra_ = 3, cp_ = b & 0x07;
            } else {
                good_ = false;
                return false;
            }
            pending_ = extra_;
            continue;
        }
        if ((b & 0xC0) != 0x80) {
            good_ = false;
            return false;
        }
        cp_ = (cp_ << 6) | (b & 0x3F);
        if (--pending_ > 0) continue;
        if ((extra_ == 2 && cp_ < 0x800) || (extra_ == 3 && (cp_ < 0x10000 || cp_ > 0x10FFFF)) ||
            (cp_ >= 0xD800 && cp_ <= 0xDFFF)) {
            good_ = false;
            return false;
        }
        whole_ = fed_;
        last_ = cp_;
    }
    return good_;
}

bool is_utf8(std::string_view bytes) {
    Utf8Check check;
    check.feed(bytes);
    return check.complete();
}

std::string_view utf8_prefix(std::string_view bytes) {
    Utf8Check check;
    check.feed(bytes);
    return bytes.substr(0, check.whole_bytes());
}

}  // namespace korvane::files
