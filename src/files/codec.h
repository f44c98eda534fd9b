// Code page 936 (GBK) <-> UTF-8, the only place the program converts text encodings.
#pragma once

#include <string>
#include <string_view>

#include "error.h"

namespace korvane::files {

// UTF-8 text to code page 936 bytes. A character that code page 936 cannot
// hold, or bytes that are not UTF-8, are an error naming the character; nothing
// is ever replaced or dropped.
Result<std::string> utf8_to_cp936(std::string_view utf8);

// Code page 936 bytes to UTF-8 text. Bytes that are not code page 936 are an
// error naming their position.
Result<std::string> cp936_to_utf8(std::string_view bytes);

// The UTF-8 text of the longest leading part of `bytes` that is code page 936:
// conversion stops at the first byte sequence that code page 936 does not
// define (or at an incomplete character at the end). Never fails.
std::string cp936_prefix_to_utf8(std::string_view bytes);

}  // namespace korvane::files
