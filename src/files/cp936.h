// The conversion between UTF-8 and code page 936 that the codec is built on
// (internal to the library): the C library's iconv on POSIX systems
// (cp936_iconv.cpp), the system's own code page 936 on Windows
// (cp936_windows.cpp), chosen by the build. Both convert strictly: a character
// that cannot be converted stops the conversion; nothing is ever replaced by a
// default character or dropped.
//
// Code page 936 here is GBK: ASCII, the euro sign as the single byte 80, and
// the 21791 two-byte characters. The user-defined areas, which Windows maps
// onto private-use code points and iconv does not convert, are no characters
// of it on either system, so that a file reads the same everywhere.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane::files::detail {

class Cp936Converter {
  public:
    enum class Direction { from_utf8, to_utf8 };

    explicit Cp936Converter(Direction direction);
    ~Cp936Converter();
    Cp936Converter(const Cp936Converter&) = delete;
    Cp936Converter& operator=(const Cp936Converter&) = delete;

    // False when the system cannot convert code page 936 at all.
    bool ok() const;

    // Converts as much of `in` as possible, appending to `out`. Returns the
    // number of input bytes consumed: all of them, or the offset of the first
    // character that cannot be converted (or of an incomplete one at the end).
    // Each call starts afresh: nothing is carried over from the previous one.
    std::size_t convert(std::string_view in, std::string& out);

  private:
    Direction direction_;
    void* state_ = nullptr;  // the iconv descriptor where iconv is used
};

}  // namespace korvane::files::detail
