#include "files/report_file.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace korvane::files {
namespace {

using testing::hex;
using testing::read_bytes;
using testing::TempFolder;

// Steps 1 to 6 of the report: two empty lines, the title, the rule, two empty lines.
const std::string kHead = "\r\n\r\n" + std::string(8, ' ') +
                          hex("D7 F8 B1 EA BC C6 CB E3 B3 C9 B9 FB B1 ED") + "\r\n" +
                          std::string(6, ' ') + std::string(17, '-') + "\r\n\r\n\r\n";
// Steps 8 to 10: two empty lines and the sign-off line "计算：岚石    复核：     监理：".
const std::string kTail = "\r\n\r\n" + hex("BCC6 CBE3 A3BA E1B0 CAAF") + "    " +
                          hex("B8B4 BACB A3BA") + "     " + hex("BCE0 C0ED A3BA") + "\r\n";

TEST(report_file, frames_an_empty_table_in_exactly_96_bytes) {
    const auto bytes = report_file_bytes("");
    ASSERT_TRUE(bytes) << bytes.failure().message;
    EXPECT_EQ(bytes.value().size(), 96u);
    EXPECT_EQ(bytes.value(), kHead + "\r\n" + kTail);
}

TEST(report_file, writes_the_table_text_unchanged) {
    // Leading spaces, the table's own line ends and text the user typed all
    // reach the file byte for byte; step 7 adds one CR LF after it.
    const std::string table = " 桩号      偏距\r\n1000  0\r\n";
    const auto bytes = report_file_bytes(table);
    ASSERT_TRUE(bytes) << bytes.failure().message;
    EXPECT_EQ(bytes.value(), kHead + " " + hex("D7AE BAC5") + "      " + hex("C6AB BEE0") +
                                 "\r\n1000  0\r\n\r\n" + kTail);
    EXPECT_EQ(report_file_bytes("typed\nby hand").value(), kHead + "typed\nby hand\r\n" + kTail);
}

TEST(report_file, refuses_a_character_code_page_936_cannot_hold) {
    TempFolder folder;
    const auto p = folder / "report.txt";
    ASSERT_FALSE(write_report_file(p, "first report, longer than the second\r\n"));
    const std::string old = read_bytes(p);
    const auto failed = write_report_file(p, "1000 ₩\r\n");
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->message,
              "无法保存文件“" + p.string() +
                  "”：成果表中，字符“₩”（U+20A9）无法用GBK编码（代码页936）保存！");
    EXPECT_EQ(read_bytes(p), old);

    // Writing again to the same path leaves only the second, shorter report.
    ASSERT_FALSE(write_report_file(p, "x\r\n"));
    EXPECT_EQ(read_bytes(p), kHead + "x\r\n\r\n" + kTail);
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"report.txt"}));
}

}  // namespace
}  // namespace korvane::files
