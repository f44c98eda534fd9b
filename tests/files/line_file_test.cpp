#include "files/line_file.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif
#include <fstream>

#include "files/report_file.h"
#include "temp_folder.h"

namespace korvane::files {
namespace {

using testing::hex;
using testing::read_bytes;
using testing::TempFolder;
using testing::write_bytes;

const std::string kLabelK = hex("C6 F0 B5 E3 D7 AE BA C5 4B");
const std::string kLabelX = hex("C6 F0 B5 E3 D7 F8 B1 EA 58");
const std::string kLabelY = hex("C6 F0 B5 E3 D7 F8 B1 EA 59");
const std::string kLabelF =
    hex("BCC6 CBE3 B7BD CEBB BDC7 46 28 B8F1 CABD 3A 642E6D73 A1A2 3135 A1E3 3135 A840 32352E3535 "
        "A1E5 CEAA 31352E313532353535 29");

const LineParameters kDesignTime{"1000", "8765.888", "6789.999", "15.152555"};

std::string line(std::string_view value, size_t spaces, const std::string& label) {
    return std::string(value) + std::string(spaces, ' ') + label + "\r\n";
}

TEST(line_file, writes_the_design_time_texts_byte_for_byte) {
    ASSERT_EQ(kLabelF.size(), 50u);
    // Column positioning: each label starts in column 20.
    const std::string expected = line("1000", 15, kLabelK) + line("8765.888", 11, kLabelX) +
                                 line("6789.999", 11, kLabelY) + line("15.152555", 10, kLabelF);
    const auto bytes = line_file_bytes(kDesignTime);
    ASSERT_TRUE(bytes) << bytes.failure().message;
    EXPECT_EQ(bytes.value(), expected);

    TempFolder folder;
    ASSERT_FALSE(write_line_file(folder / "line.txt", kDesignTime));
    EXPECT_EQ(read_bytes(folder / "line.txt"), expected);
    const auto back = read_line_file(folder / "line.txt");
    ASSERT_TRUE(back) << back.failure().message;
    EXPECT_EQ(back.value(), kDesignTime);
}

TEST(line_file, counts_columns_in_bytes_and_keeps_long_values_on_their_line) {
    const auto first_line = [](const std::string& k0) {
        const std::string bytes = line_file_bytes({k0, "", "", ""}).value();
        return bytes.substr(0, bytes.find("\r\n") + 2);
    };
    EXPECT_EQ(first_line(""), line("", 19, kLabelK));          // empty field: the run of spaces
    EXPECT_EQ(first_line(" 12 "), line(" 12 ", 15, kLabelK));  // written as typed
    EXPECT_EQ(first_line("123456789012345678"), line("123456789012345678", 1, kLabelK));
    // 19 bytes and more: one space, never a line break.
    EXPECT_EQ(first_line("1234567890123456789"), line("1234567890123456789", 1, kLabelK));
    const std::string longer(300, '7');
    EXPECT_EQ(first_line(longer), line(longer, 1, kLabelK));
    // A Chinese character is two bytes, two columns.
    EXPECT_EQ(first_line("桩1"), line(hex("D7AE") + "1", 16, kLabelK));
}

TEST(line_file, import_rewrites_each_leading_number_without_rounding) {
    struct Case {
        const char* typed;
        const char* imported;
    };
    const Case cases[] = {
        {"1000.500", "1000.5"},
        {"0015.30", "15.3"},
        {"1e3", "1000"},
        {"", "0"},
        {"abc", "0"},
        {"-12.5m", "-12.5"},
        {"1 000", "1000"},
        {"3.14159265358979323", "3.14159265358979"},
        {"1234567.890123456789", "1234567.89012346"},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ASSERT_FALSE(write_line_file(folder / "a.txt", {c.typed, c.typed, c.typed, c.typed}));
        const auto back = read_line_file(folder / "a.txt");
        ASSERT_TRUE(back) << back.failure().message;
        EXPECT_EQ(back.value(), (LineParameters{c.imported, c.imported, c.imported, c.imported}));
    }
}

TEST(line_file, reads_only_the_first_four_lines_whatever_their_ends) {
    const LineParameters one_to_four{"1", "2", "3", "4"};
    // Five or more lines, numbers without labels.
    EXPECT_EQ(parse_line_file("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n").value(), one_to_four);
    // Lone CR, mixed ends, and a fourth line without a line end.
    EXPECT_EQ(parse_line_file("1\r2\r3\r4\r").value(), one_to_four);
    EXPECT_EQ(parse_line_file("1\r\n2\r3\r\n4").value(), one_to_four);
    // A lone LF does not end a line; line feeds inside a line are ignored.
    EXPECT_EQ(parse_line_file("1\n2\r\n2\r\n3\r\n4\r\n").value(),
              (LineParameters{"12", "2", "3", "4"}));
    // Empty lines count; a CR LF pair is one line end, CR CR is two.
    EXPECT_EQ(parse_line_file("\r\n\r\r\n7").value(), (LineParameters{"0", "0", "0", "7"}));
    // Bytes that are not code page 936 after the number do not matter.
    EXPECT_EQ(parse_line_file("12\xFF\xFF\r\n\x81\r\n5\x80\r\n\xC6").value(),
              (LineParameters{"12", "0", "5", "0"}));
}

TEST(line_file, importing_a_report_gives_four_zeros) {
    TempFolder folder;
    ASSERT_FALSE(write_report_file(folder / "report.txt", " 桩号\r\n1000  0\r\n"));
    const auto back = read_line_file(folder / "report.txt");
    ASSERT_TRUE(back) << back.failure().message;
    EXPECT_EQ(back.value(), (LineParameters{"0", "0", "0", "0"}));
}

TEST(line_file, rejects_short_files_long_lines_and_values_beyond_a_double) {
    EXPECT_EQ(parse_line_file("").failure().message, "文件只有0行，线路参数文件应有四行！");
    EXPECT_EQ(parse_line_file("1\r\n2\r\n3\r\n").failure().message,
              "文件只有3行，线路参数文件应有四行！");
    // A file with Unix line ends is one line to the reader; the cause says why.
    EXPECT_EQ(parse_line_file("1\n2\n3\n4\n").failure().message,
              "文件的行以LF结尾，线路参数文件的行须以CR LF（或单独的CR）结尾！");
    EXPECT_EQ(
        parse_line_file("1\r\n2\r\n" + std::string(65537, '3') + "\r\n4\r\n").failure().message,
        "第3行超过65536字节，不是线路参数文件！");
    EXPECT_EQ(parse_line_file("1\r\n2\r\n3" + std::string(65535, ' ') + "\r\n4\r\n").value().y0,
              "3");
    EXPECT_EQ(parse_line_file("1\r\n 1e999   " + kLabelX + "\r\n3\r\n4\r\n").failure().message,
              "第2行的数值“1e999”超出了双精度数的范围！");
    EXPECT_EQ(parse_line_file("1\r\n2\r\n3\r\n-1E+400\r\n").failure().message,
              "第4行的数值“-1E+400”超出了双精度数的范围！");
}

TEST(line_file, a_byte_order_mark_tells_the_encoding) {
    // UTF-8 after its mark, labels and all; without the mark the same bytes
    // keep the code page 936 rules (the mark alone would read as text).
    const std::string mark = "\xEF\xBB\xBF";
    EXPECT_EQ(parse_line_file(mark + "1000\r\n8765.888\r\n6789.999\r\n15.152555\r\n").value(),
              kDesignTime);
    EXPECT_EQ(
        parse_line_file(mark + "1000   起点桩号K\r\n2 起点坐标X\r\n3\r\n4 方位角°\r\n").value(),
        (LineParameters{"1000", "2", "3", "4"}));
    EXPECT_EQ(parse_line_file(mark + "\r\n\r\n\r\n").failure().message,
              "文件只有3行，线路参数文件应有四行！");
    EXPECT_EQ(parse_line_file(mark.substr(0, 2) + "1\r\n2\r\n3\r\n4\r\n").value(),
              (LineParameters{"0", "2", "3", "4"}));
    // UTF-16 is refused by name, never read as zeros.
    EXPECT_EQ(parse_line_file(std::string("\xFF\xFE"
                                          "1\0\r\0\n\0",
                                          8))
                  .failure()
                  .message,
              "文件是UTF-16 LE编码的文本，线路参数文件须为GBK（代码页936）或UTF-8编码！");
    EXPECT_EQ(parse_line_file(std::string("\xFE\xFF\0001\0\r", 6)).failure().message,
              "文件是UTF-16 BE编码的文本，线路参数文件须为GBK（代码页936）或UTF-8编码！");
    EXPECT_EQ(parse_line_file("\xFF\xFE").failure().message,
              "文件是UTF-16 LE编码的文本，线路参数文件须为GBK（代码页936）或UTF-8编码！");
}

TEST(line_file, lines_ending_in_lf_are_named_as_the_cause) {
    EXPECT_EQ(parse_line_file("1000\n8765.888\n6789.999\n15.152555").failure().message,
              "文件的行以LF结尾，线路参数文件的行须以CR LF（或单独的CR）结尾！");
    // Also when the lines run together beyond the line bound.
    std::string many;
    for (int i = 0; i < 10000; ++i) many += "1000.000\n";
    EXPECT_EQ(parse_line_file(many).failure().message,
              "文件的行以LF结尾，线路参数文件的行须以CR LF（或单独的CR）结尾！");
    // A short file without any LF keeps its count.
    EXPECT_EQ(parse_line_file("1\r\n2\r\n").failure().message,
              "文件只有2行，线路参数文件应有四行！");
}

TEST(line_file, export_and_import_agree_on_the_longest_line) {
    TempFolder folder;
    const auto p = folder / "long.txt";
    // The value, one space and the 50-byte label fill the line to its bound.
    const std::string longest = "1" + std::string(65536 - 1 - 1 - 50, ' ');
    ASSERT_FALSE(write_line_file(p, {"1", "2", "3", longest}));
    EXPECT_EQ(read_line_file(p).value().azimuth, "1");
    // One byte more is refused at export, with the old file kept.
    const auto refused = write_line_file(p, {"1", "2", "3", longest + " "});
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->message,
              "无法保存文件“" + p.string() +
                  "”：计算方位角F的文本太长，写成的一行超过65536字节，导入时无法读回！");
    EXPECT_EQ(read_bytes(p).size(), 3 * 30 + 65536 + 2u);  // the file of the longest line
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"long.txt"}));
}

TEST(line_file, read_failures_name_the_path_and_change_nothing) {
    TempFolder folder;
    const auto p = folder / "short.txt";
    write_bytes(p, "1\r\n2\r\n3\r\n");
    EXPECT_EQ(read_line_file(p).failure().message,
              "无法读取文件“" + p.string() + "”：文件只有3行，线路参数文件应有四行！");
    EXPECT_EQ(read_line_file(folder / "none.txt").failure().message,
              "无法读取文件“" + (folder / "none.txt").string() + "”：文件不存在！");
    EXPECT_EQ(read_line_file(folder.path()).failure().message,
              "无法读取文件“" + folder.path().string() + "”：这是一个文件夹，不是文件！");
#ifndef _WIN32
    // Named pipes and permission bits are POSIX's; Windows has neither at a path.
    const auto fifo = folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(read_line_file(fifo).failure().message,  // returns at once, no writer needed
              "无法读取文件“" + fifo.string() + "”：这不是一个普通文件！");
#endif
    EXPECT_EQ(read_line_file(p / "x").failure().message,
              "无法读取文件“" + (p / "x").string() + "”：路径中有一段不是文件夹！");
#ifndef _WIN32
    if (!testing::running_as_root()) {
        const auto locked = folder / "locked.txt";
        write_bytes(locked, "1\r\n2\r\n3\r\n4\r\n");
        ::chmod(locked.c_str(), 0);
        EXPECT_EQ(read_line_file(locked).failure().message,
                  "无法读取文件“" + locked.string() + "”：没有读取这个文件的权限！");
    }
#endif
}

// Bytes this process has read so far (Linux accounting), or -1.
long long bytes_read_so_far() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value;
    while (io >> key >> value) {
        if (key == "rchar:") return value;
    }
    return -1;
}

TEST(line_file, reads_only_the_start_of_a_huge_file) {
    TempFolder folder;
    // Sparse files of 4 GiB: one endless line of NUL bytes, and four short
    // lines followed by the same.
    const auto endless = folder / "endless.bin";
    const auto tail = folder / "tail.bin";
    write_bytes(endless, "");
    write_bytes(tail, "1\r\n2\r\n3\r\n4\r\n");
    std::filesystem::resize_file(endless, 4ULL << 30);
    std::filesystem::resize_file(tail, 4ULL << 30);

    const long long before = bytes_read_so_far();
    EXPECT_EQ(read_line_file(endless).failure().message,
              "无法读取文件“" + endless.string() + "”：第1行超过65536字节，不是线路参数文件！");
    EXPECT_EQ(read_line_file(tail).value(), (LineParameters{"1", "2", "3", "4"}));
    const long long after = bytes_read_so_far();
    if (before >= 0 && after >= 0) {
        EXPECT_LT(after - before, 72 * 1024);  // one line at its bound, and the rest
    }
}

TEST(line_file, export_refuses_what_cannot_be_written_and_keeps_the_old_file) {
    TempFolder folder;
    const auto p = folder / "line.txt";
    ASSERT_FALSE(write_line_file(p, kDesignTime));
    const std::string old = read_bytes(p);

    const auto unencodable = write_line_file(p, {"1", "2€¥", "3", "4"});
    ASSERT_TRUE(unencodable);
    EXPECT_EQ(unencodable->message,
              "无法保存文件“" + p.string() +
                  "”：起点坐标X的文本中，字符“¥”（U+00A5）无法用GBK编码（代码页936）保存！");
    const auto two_lines = write_line_file(p, {"1", "2", "3", "15\r\n16"});
    ASSERT_TRUE(two_lines);
    EXPECT_EQ(two_lines->message,
              "无法保存文件“" + p.string() + "”：计算方位角F的文本含有换行符，无法写成一行！");
    EXPECT_EQ(line_file_bytes({"1\n", "", "", ""}).failure().message,
              "起点桩号K的文本含有换行符，无法写成一行！");

    EXPECT_EQ(read_bytes(p), old);
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"line.txt"}));
}

TEST(line_file, parameters_go_to_text1_to_text4_and_leave_every_other_field) {
    using form::Field;
    form::FieldTexts fields;
    for (int i = 1; i <= form::kFieldCount; ++i) fields.set(static_cast<Field>(i), "old");
    put_line_parameters(kDesignTime, fields);
    EXPECT_EQ(fields.get(Field::Text1), "1000");
    EXPECT_EQ(fields.get(Field::Text2), "8765.888");
    EXPECT_EQ(fields.get(Field::Text3), "6789.999");
    EXPECT_EQ(fields.get(Field::Text4), "15.152555");
    for (int i = 5; i <= form::kFieldCount; ++i) {
        EXPECT_EQ(fields.get(static_cast<Field>(i)), "old") << "Text" << i;
    }
    // Taken back from the fields they are the same four texts, in the same order.
    EXPECT_EQ(line_parameters_of(fields), kDesignTime);
    const auto pairs = line_parameter_fields(kDesignTime);
    const Field order[] = {Field::Text1, Field::Text2, Field::Text3, Field::Text4};
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        EXPECT_EQ(pairs[i].first, order[i]);
        EXPECT_EQ(pairs[i].second, fields.get(order[i]));
    }
}

}  // namespace
}  // namespace korvane::files
