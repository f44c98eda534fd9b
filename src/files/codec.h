// Code page 936 (GBK) <-> UTF-8, the only place the program converts text encodings.
#pragma once

#include <cstddef>
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

// The program's one UTF-8 validator: every reader and the codec ask it.
// Checks that text is UTF-8 a piece at a time; a character may be split
// between pieces. Overlong forms, surrogates and values beyond U+10FFFF are
// not UTF-8.
class Utf8Check {
  public:
    // Takes the next bytes. Returns false from the first byte that breaks the rules on.
    bool feed(std::string_view bytes);
    // True when every byte so far was UTF-8 and no character is left incomplete.
    bool complete() const { return good_ && pending_ == 0; }
    // The number of bytes fed so far that end a whole character (all of them
    // when the text is complete); meaningful while good().
    std::size_t whole_bytes() const { return whole_; }
    bool good() const { return good_; }
    // The code point of the last whole character fed; meaningful once
    // whole_bytes() is above 0.
    char32_t code_point() const { return last_; }

  private:
    bool good_ = true;
    int pending_ = 0;  // continuation bytes still to come
    int extra_ = 0;    // continuation bytes of the current character
    char32_t cp_ = 0;
    char32_t last_ = 0;
    std::size_t fed_ = 0;
    std::size_t whole_ = 0;
};

// True when the bytes are well-formed UTF-8 in the sense of Utf8Check, the one
// validator of the program, with no character left incomplete at the end.
bool is_utf8(std::string_view bytes);

// The leading part of `bytes` that is whole UTF-8 characters: it ends at the
// first byte that is not UTF-8, or before an incomplete character at the end.
std::string_view utf8_prefix(std::string_view bytes);

}  // namespace korvane::files
