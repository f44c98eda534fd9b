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
    // The tag characters, which the system's converter would drop unsaid.
    for (const char* tag : {"9\xF3\xA0\x80\x80"
                            "1",
                            "\xF3\xA0\x81\xBF", "a\xF3\xA0\x80\xA1"}) {
        const auto encoded = utf8_to_cp936(tag);
        ASSERT_FALSE(encoded) << tag;
        EXPECT_TRUE(encoded.failure().message.find("（U+E00") != std::string::npos)
            << encoded.failure().message;
    }
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

// The one UTF-8 validator, asked by the codec, the points reader and the
// alignment and point files alike.
TEST(codec, utf8_validator_takes_every_well_formed_boundary_character) {
    EXPECT_TRUE(is_utf8(""));
    EXPECT_TRUE(is_utf8("K5 起点"));
    EXPECT_TRUE(is_utf8("\x7F"));
    EXPECT_TRUE(is_utf8("\xC2\x80"));          // U+0080, the first two-byte character
    EXPECT_TRUE(is_utf8("\xDF\xBF"));          // U+07FF
    EXPECT_TRUE(is_utf8("\xE0\xA0\x80"));      // U+0800, the first three-byte character
    EXPECT_TRUE(is_utf8("\xED\x9F\xBF"));      // U+D7FF, just below the surrogates
    EXPECT_TRUE(is_utf8("\xEE\x80\x80"));      // U+E000, just above them
    EXPECT_TRUE(is_utf8("\xF0\x90\x80\x80"));  // U+10000, the first four-byte character
    EXPECT_TRUE(is_utf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF, the last one
}

TEST(codec, utf8_validator_refuses_overlongs_surrogates_and_values_beyond_u10ffff) {
    EXPECT_FALSE(is_utf8("\xC0\x80"));          // NUL in two bytes
    EXPECT_FALSE(is_utf8("\xC1\xBF"));          // U+007F in two bytes
    EXPECT_FALSE(is_utf8("\xE0\x9F\xBF"));      // U+07FF in three bytes
    EXPECT_FALSE(is_utf8("\xF0\x8F\xBF\xBF"));  // U+FFFF in four bytes
    EXPECT_FALSE(is_utf8("\xED\xA0\x80"));      // U+D800
    EXPECT_FALSE(is_utf8("\xED\xBF\xBF"));      // U+DFFF
    EXPECT_FALSE(is_utf8("\xF4\x90\x80\x80"));  // U+110000
    EXPECT_FALSE(is_utf8("\xF5\x80\x80\x80"));
    EXPECT_FALSE(is_utf8("\xFF"));
    EXPECT_FALSE(is_utf8("a\x80"));  // a continuation byte without a lead
}

TEST(codec, utf8_validator_refuses_truncated_sequences_and_waits_across_pieces) {
    EXPECT_FALSE(is_utf8("\xE4\xB8"));      // 中 cut off at the end
    EXPECT_FALSE(is_utf8("\xF0\x9F\x98"));  // 😀 cut off
    EXPECT_FALSE(
        is_utf8("\xE4\xB8"
                "a"));  // cut off by an ASCII byte
    EXPECT_FALSE(is_utf8("\xC3"));

    // A character split between pieces is whole once its last byte arrives.
    Utf8Check check;
    EXPECT_TRUE(check.feed("a\xE4"));
    EXPECT_FALSE(check.complete());
    EXPECT_EQ(check.whole_bytes(), 1u);
    EXPECT_TRUE(check.feed("\xB8"));
    EXPECT_TRUE(check.feed("\xAD"));
    EXPECT_TRUE(check.complete());
    EXPECT_EQ(check.whole_bytes(), 4u);
    EXPECT_EQ(check.code_point(), U'中');
    // Once broken it stays broken, whatever follows.
    EXPECT_FALSE(check.feed("\xED\xA0\x80"));
    EXPECT_FALSE(check.feed("ok"));
    EXPECT_FALSE(check.complete());
    EXPECT_EQ(utf8_prefix("ab\xE4\xB8\xAD\xE4\xB8"), "ab\xE4\xB8\xAD");
}

}  // namespace
}  // namespace korvane::files
