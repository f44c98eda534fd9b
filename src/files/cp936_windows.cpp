// Code page 936 through the system's own conversion on Windows, strictly:
// MultiByteToWideChar with MB_ERR_INVALID_CHARS refuses bytes the code page
// does not define, and WideCharToMultiByte with WC_NO_BEST_FIT_CHARS maps a
// character without a code of its own to the default character, which is
// then reported instead of written ("¥" never becomes "?" nor a look-alike).
// The private-use code points that Windows gives the user-defined areas are
// refused in both directions (see cp936.h).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#include "files/codec.h"
#include "files/cp936.h"

namespace korvane::files::detail {
namespace {

constexpr UINT kCodePage = 936;

bool private_use(char32_t cp) {
    return cp >= 0xE000 && cp <= 0xF8FF;
}

void append_utf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// The UTF-16 text of code page 936 bytes, or false where a byte sequence is
// not defined.
bool decode(std::string_view in, std::wstring& wide) {
    wide.clear();
    if (in.empty()) return true;
    const int n = ::MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, in.data(),
                                        static_cast<int>(in.size()), nullptr, 0);
    if (n <= 0) return false;
    wide.resize(static_cast<std::size_t>(n));
    return ::MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, in.data(),
                                 static_cast<int>(in.size()), wide.data(), n) == n;
}

// Appends the UTF-8 of `wide` (which holds no surrogates: code page 936 has
// only characters of the basic plane); false at a private-use code point.
bool append_wide(const std::wstring& wide, std::string& out) {
    for (const wchar_t w : wide) {
        const auto cp = static_cast<char32_t>(w);
        if (private_use(cp) || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        append_utf8(cp, out);
    }
    return true;
}

// The code page 936 bytes of UTF-16 text, or false where a character has none.
bool encode(const std::wstring& wide, std::string& bytes) {
    bytes.clear();
    if (wide.empty()) return true;
    for (const wchar_t w : wide) {
        if (private_use(static_cast<char32_t>(w))) return false;
    }
    BOOL defaulted = FALSE;
    const int n =
        ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                              static_cast<int>(wide.size()), nullptr, 0, nullptr, &defaulted);
    if (n <= 0 || defaulted) return false;
    bytes.resize(static_cast<std::size_t>(n));
    return ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                 static_cast<int>(wide.size()), bytes.data(), n, nullptr,
                                 &defaulted) == n &&
           !defaulted;
}

void append_utf16(char32_t cp, std::wstring& wide) {
    if (cp < 0x10000) {
        wide.push_back(static_cast<wchar_t>(cp));
    } else {
        wide.push_back(static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10)));
        wide.push_back(static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
}

// The length of the code page 936 character that starts with `lead`: 1 for
// ASCII and the euro sign, 2 for a lead byte, 0 for a byte that starts none.
std::size_t character_length(unsigned char lead) {
    if (lead <= 0x80) return 1;
    if (lead <= 0xFE) return 2;
    return 0;
}

std::size_t to_utf8(std::string_view in, std::string& out) {
    std::wstring wide;
    const std::size_t start = out.size();
    if (decode(in, wide) && append_wide(wide, out)) return in.size();
    out.resize(start);
    // A character at a time, up to the first that is not code page 936.
    std::size_t done = 0;
    while (done < in.size()) {
        const std::size_t len = character_length(static_cast<unsigned char>(in[done]));
        if (len == 0 || done + len > in.size()) break;
        if (!decode(in.substr(done, len), wide) || wide.size() != 1 || !append_wide(wide, out))
            break;
        done += len;
    }
    return done;
}

std::size_t from_utf8(std::string_view in, std::string& out) {
    // The whole text first; only a text that fails is taken a character at a
    // time to find where.
    std::wstring wide;
    std::string bytes;
    Utf8Check check;
    if (check.feed(in) && check.complete()) {
        std::size_t i = 0;
        while (i < in.size()) {
            Utf8Check one;
            std::size_t len = 0;
            while (len < 4 && i + len < in.size()) {
                one.feed(in.substr(i + len, 1));
                ++len;
                if (one.whole_bytes() == len) break;
            }
            append_utf16(one.code_point(), wide);
            i += len;
        }
        if (encode(wide, bytes)) {
            out.append(bytes);
            return in.size();
        }
    }
    std::size_t done = 0;
    while (done < in.size()) {
        Utf8Check one;
        std::size_t len = 0;
        while (len < 4 && done + len < in.size()) {
            if (!one.feed(in.substr(done + len, 1))) break;
            ++len;
            if (one.whole_bytes() == len) break;
        }
        if (len == 0 || one.whole_bytes() != len) break;  // not UTF-8 here
        wide.clear();
        append_utf16(one.code_point(), wide);
        if (!encode(wide, bytes)) break;
        out.append(bytes);
        done += len;
    }
    return done;
}

}  // namespace

Cp936Converter::Cp936Converter(Direction direction) : direction_(direction) {}

Cp936Converter::~Cp936Converter() = default;

bool Cp936Converter::ok() const {
    return ::IsValidCodePage(kCodePage) != 0;
}

std::size_t Cp936Converter::convert(std::string_view in, std::string& out) {
    return direction_ == Direction::to_utf8 ? to_utf8(in, out) : from_utf8(in, out);
}

}  // namespace korvane::files::detail
