// Code page 936 through the C library's iconv. glibc's "CP936" (an alias of
// its "GBK" converter) is code page 936 as Windows defines it: the 21791
// two-byte characters, ASCII, and the euro sign as the single byte 80. It
// converts strictly: without "//TRANSLIT" or "//IGNORE" a character it cannot
// convert stops the conversion, so nothing is ever replaced or dropped
// silently.
#include <iconv.h>

#include <cerrno>

#include "files/cp936.h"

namespace korvane::files::detail {
namespace {

// iconv_open reports failure as (iconv_t)-1.
bool opened(void* cd) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): iconv's own failure value
    return cd != reinterpret_cast<iconv_t>(-1);
}

}  // namespace

Cp936Converter::Cp936Converter(Direction direction)
    : direction_(direction),
      state_(direction == Direction::from_utf8 ? iconv_open("CP936", "UTF-8")
                                               : iconv_open("UTF-8", "CP936")) {}

Cp936Converter::~Cp936Converter() {
    if (ok()) iconv_close(state_);
}

bool Cp936Converter::ok() const {
    return opened(state_);
}

std::size_t Cp936Converter::convert(std::string_view in, std::string& out) {
    if (!ok()) return 0;
    // The C library's converter drops the tag characters U+E0000 to U+E007F
    // without a word, which code page 936 has no place for: the text is taken
    // only up to the first of them, which the caller then names as a
    // character that cannot be encoded.
    if (direction_ == Direction::from_utf8) {
        for (std::size_t at = in.find("\xF3\xA0"); at != std::string_view::npos;
             at = in.find("\xF3\xA0", at + 1)) {
            if (at + 2 < in.size() && (in[at + 2] == '\x80' || in[at + 2] == '\x81')) {
                in = in.substr(0, at);
                break;
            }
        }
    }
    iconv(state_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    char* src = const_cast<char*>(in.data());           // iconv does not write the input
    std::size_t src_left = in.size();
    char buffer[1024];
    while (src_left > 0) {
        char* dst = buffer;
        std::size_t dst_left = sizeof buffer;
        const std::size_t r = iconv(state_, &src, &src_left, &dst, &dst_left);
        const int err = errno;
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        // E2BIG: the buffer is full, the rest follows; anything else stops.
        if (r == static_cast<std::size_t>(-1) && err != E2BIG) break;
    }
    return in.size() - src_left;
}

}  // namespace korvane::files::detail
