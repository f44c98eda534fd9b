#include "files/codec.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace korvane::files {
namespace {

using testing::hex;

TEST(codec, encodes_the_characters_of_the_labels_as_code_page_936) {
    // The signs in the azimuth label, the full-width colon of the report, the
    // euro sign that code page 936 holds as a single byte, and plain ASCII.
    const auto bytes = utf8_to_cp936("、°ˊ″：€岚K5");
    ASSERT_TRUE(bytes) << bytes.failure().message;
    EXPECT_EQ(bytes.value(), hex("A1A2 A1E3 A840 A1E5 A3BA 80 E1B0 4B 35"));

    const auto text = cp936_to_utf8(bytes.value());
    ASSERT_TRUE(text) << text.failure().message;
    EXPECT_EQ(text.value(), "、°ˊ″：€岚K5");
}

TEST(codec, names_a_character_code_page_936_cannot_hold) {
    // Never replaced by "?" or dropped: the conversion fails and says which.
    EXPECT_EQ(utf8_to_cp936("12😀3").failure().message,
              "字符“😀”（U+1F600）无法用GBK编码（代码页936）保存！");
    EXPECT_EQ(utf8_to_cp936("¥100").failure().message,
              "字符“¥”（U+00A5）无法用GBK编码（代码页936）保存！");
    // A control character is named by its code point alone.
    EXPECT_EQ(utf8_to_cp936("a\u0085").failure().message,
              "字符（U+0085）无法用GBK编码（代码页936）保存！");
}

TEST(codec, refuses_bytes_that_are_not_utf8) {
    EXPECT_EQ(utf8_to_cp936("ab\xFF").failure().message, "文本中有不是UTF-8的字节0xFF！");
    EXPECT_EQ(utf8_to_cp936("\xED\xA0\x80").failure().message,  // an encoded surrogate
              "文本中有不是UTF-8的字节0xED！");
    EXPECT_EQ(utf8_to_cp936("\xE4\xB8").failure().message,  // cut off at the end
              "文本中有不是UTF-8的字节0xE4！");
}

TEST(codec, names_bytes_that_are_not_code_page_936) {
    EXPECT_EQ(cp936_to_utf8("ab\x81\x20").failure().message,
              "第3个字节起的“0x81 0x20”不是GBK编码（代码页936）的文字！");
    EXPECT_EQ(cp936_to_utf8("\xC6").failure().message,
              "第1个字节起的“0xC6”不是GBK编码（代码页936）的文字！");
    EXPECT_EQ(cp936_to_utf8("\xFF").failure().message,
              "第1个字节起的“0xFF”不是GBK编码（代码页936）的文字！");
}

TEST(codec, prefix_decoding_stops_at_the_first_undefined_bytes) {
    EXPECT_EQ(cp936_prefix_to_utf8("12.5\xC6\xF0\xFF 34"), "12.5起");
    EXPECT_EQ(cp936_prefix_to_utf8("7\xC6"), "7");
    EXPECT_EQ(cp936_prefix_to_utf8(""), "");
}

}  // namespace
}  // namespace korvane::files
