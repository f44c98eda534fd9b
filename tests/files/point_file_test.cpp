#include "files/point_file.h"

#include <gtest/gtest.h>

#include "files/codec.h"
#include "temp_folder.h"

namespace korvane::files {
namespace {

using testing::read_bytes;
using testing::TempFolder;
using testing::write_bytes;

std::string gbk(std::string_view utf8) {
    return utf8_to_cp936(utf8).value();
}

// Every point of the bytes, or the failure message.
Result<std::vector<PointRecord>> parse(std::string_view bytes, PointFormat format) {
    std::vector<PointRecord> points;
    auto error = parse_point_file(bytes, format, [&](const PointRecord& p) {
        points.push_back(p);
        return true;
    });
    if (error) return *error;
    return points;
}

std::string failure(std::string_view bytes, PointFormat format) {
    auto read = parse(bytes, format);
    return read ? std::string("(read)") : read.failure().message;
}

TEST(point_file, reads_cass_easting_first_with_empty_code_and_elevation) {
    const std::string bytes =
        gbk("K1+020左7.5,ZH,512345.678,3456789.123,120.5\r\n"
            "\r\n"
            "P2,,512000,3456000,\r\n"
            "P3,,1,2\r\n");
    auto read = parse(bytes, PointFormat::cass);
    ASSERT_TRUE(read) << read.failure().message;
    const std::vector<PointRecord> expected{
        {1, "K1+020左7.5", "ZH", 3456789.123, 512345.678, 120.5},
        {3, "P2", "", 3456000, 512000, std::nullopt},
        {4, "P3", "", 2, 1, std::nullopt},
    };
    EXPECT_EQ(read.value(), expected);
}

TEST(point_file, reads_csv_in_either_encoding_with_any_line_end) {
    const std::string utf8 = "\xEF\xBB\xBFname,X,Y,H\n左桩1,10.5,20.25,3\r\n\"a,b\",1,2,\r";
    const std::vector<PointRecord> expected{
        {2, "左桩1", "", 10.5, 20.25, 3.0},
        {3, "a,b", "", 1, 2, std::nullopt},
    };
    auto read = parse(utf8, PointFormat::csv);
    ASSERT_TRUE(read) << read.failure().message;
    EXPECT_EQ(read.value(), expected);

    auto from_gbk =
        parse(gbk("NAME, x, y, h\r\n左桩1,10.5,20.25,3\r\n\"a,b\",1,2,\r\n"), PointFormat::csv);
    ASSERT_TRUE(from_gbk) << from_gbk.failure().message;
    EXPECT_EQ(from_gbk.value(), expected);

    auto no_h = parse("# from the field book\nname,X,Y\nA,1,2\n", PointFormat::csv);
    ASSERT_TRUE(no_h);
    EXPECT_EQ(no_h.value(), (std::vector<PointRecord>{{3, "A", "", 1, 2, std::nullopt}}));
}

TEST(point_file, lists_bad_lines_and_hands_over_no_point) {
    std::string bytes = "P1,,1,2,3\nP2,,x,2,3\nP3,,1,2,3,4\nP4,,1,1e999,\nP5,,1,2,h\n";
    std::size_t handed = 0;
    auto error = parse_point_file(bytes, PointFormat::cass, [&](const PointRecord&) {
        ++handed;
        return true;
    });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message, "文件中有4行不是点（每行应为“点名,编码,Y,X,H”）：第2、3、4、5行！");
    EXPECT_EQ(handed, 0u);

    std::string many = "name,X,Y\n";
    for (int i = 0; i < 25; ++i) many += "p,1\n";
    EXPECT_EQ(
        failure(many, PointFormat::csv),
        "文件中有25行不是点（每行应为“name,X,Y”）：第2、3、4、5、6、7、8、9、10、11、12、13、14、"
        "15、16、17、18、19、20、21行，另有5行！");
}

TEST(point_file, refuses_files_that_are_not_point_files) {
    EXPECT_EQ(failure("X,Y\n1,2\n", PointFormat::csv), "第1行：应为表头“name,X,Y”或“name,X,Y,H”！");
    EXPECT_EQ(failure("", PointFormat::csv), "文件中没有表头“name,X,Y”！");
    EXPECT_EQ(failure("name,X,Y\n\n", PointFormat::csv), "文件中没有点！");
    EXPECT_EQ(failure("\r\n#\r\n", PointFormat::cass), "文件中没有点！");
    EXPECT_EQ(failure("P1,,1,2\n" + std::string(5000, 'a'), PointFormat::cass),
              "第2行超过4096字节，不是点文件！");
    // A file that starts with a UTF-8 BOM holds UTF-8 only; a code page 936
    // file only what code page 936 defines.
    EXPECT_EQ(failure("\xEF\xBB\xBF桩,,1,2\n" + gbk("左") + ",,1,2\n", PointFormat::cass),
              "文件中有1行不是点（每行应为“点名,编码,Y,X,H”）：第2行！");
    EXPECT_EQ(failure("a,,1,\n" + gbk("左") + ",,1,2\n\xFF,,1,2\nb,,1\n", PointFormat::cass),
              "文件中有3行不是点（每行应为“点名,编码,Y,X,H”）：第1、3、4行！");
    EXPECT_EQ(failure("\"open,1,2\nname,X,Y\n", PointFormat::csv),
              "第1行：应为表头“name,X,Y”或“name,X,Y,H”！");
}

TEST(point_file, reads_from_disk_in_two_passes_and_stops_when_asked) {
    TempFolder folder;
    std::string bytes = "name,X,Y\n";
    for (int i = 0; i < 3000; ++i)
        bytes.append("P")
            .append(std::to_string(i))
            .append(",1.")
            .append(std::to_string(i))
            .append(",2\n");
    write_bytes(folder / "pts.csv", bytes);
    auto all = read_point_list(folder / "pts.csv", PointFormat::csv);
    ASSERT_TRUE(all) << all.failure().message;
    ASSERT_EQ(all.value().size(), 3000u);
    EXPECT_EQ(all.value()[2999], (PointRecord{3001, "P2999", "", 1.2999, 2, std::nullopt}));

    std::size_t seen = 0;
    auto error = read_point_file(folder / "pts.csv", PointFormat::csv,
                                 [&](const PointRecord&) { return ++seen < 10; });
    EXPECT_FALSE(error);
    EXPECT_EQ(seen, 10u);

    write_bytes(folder / "bad.dat", "P1,,1,2\nP2,,1\n");
    auto bad = read_point_list(folder / "bad.dat", PointFormat::cass);
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.failure().message,
              "无法读取文件“" + (folder / "bad.dat").string() +
                  "”：文件中有1行不是点（每行应为“点名,编码,Y,X,H”）：第2行！");
    auto missing = read_point_list(folder / "none.dat", PointFormat::cass);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.failure().message,
              "无法读取文件“" + (folder / "none.dat").string() + "”：文件不存在！");
}

TEST(point_file, cass_and_csv_round_trip_in_code_page_936) {
    TempFolder folder;
    const std::vector<PointRow> rows{
        {"K1+020左7.5", "ZH", "3456789.123", "512345.678", "120.5"},
        {"K1+040", "", "3456790", "512346", ""},
        {"a,\"b\"", "", "1", "2", "3"},
    };
    ASSERT_FALSE(write_point_file(folder / "t.csv", PointFormat::csv, rows));
    EXPECT_EQ(read_bytes(folder / "t.csv"),
              gbk("name,X,Y,H\r\nK1+020左7.5,3456789.123,512345.678,120.5\r\n"
                  "K1+040,3456790,512346,\r\n\"a,\"\"b\"\"\",1,2,3\r\n"));
    auto csv = read_point_list(folder / "t.csv", PointFormat::csv);
    ASSERT_TRUE(csv) << csv.failure().message;
    ASSERT_EQ(csv.value().size(), 3u);
    EXPECT_EQ(csv.value()[2].name, "a,\"b\"");

    const std::vector<PointRow> cass_rows(rows.begin(), rows.begin() + 2);
    ASSERT_FALSE(write_point_file(folder / "t.dat", PointFormat::cass, cass_rows));
    EXPECT_EQ(read_bytes(folder / "t.dat"),
              gbk("K1+020左7.5,ZH,512345.678,3456789.123,120.5\r\nK1+040,,512346,3456790,\r\n"));
    auto cass = read_point_list(folder / "t.dat", PointFormat::cass);
    ASSERT_TRUE(cass) << cass.failure().message;
    EXPECT_EQ(cass.value(),
              (std::vector<PointRecord>{{1, "K1+020左7.5", "ZH", 3456789.123, 512345.678, 120.5},
                                        {2, "K1+040", "", 3456790, 512346, std::nullopt}}));
}

TEST(point_file, writer_refuses_what_the_file_cannot_hold_and_keeps_the_old_file) {
    TempFolder folder;
    write_bytes(folder / "t.dat", "old");
    auto error = write_point_file(folder / "t.dat", PointFormat::cass, {{"a,b", "", "1", "2", ""}});
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message, "无法保存文件“" + (folder / "t.dat").string() +
                                  "”：第1个点的点名“a,b”含有逗号，无法写入CASS文件！");
    error = write_point_file(
        folder / "t.dat", PointFormat::cass,
        {{"P1", "", "1", "2", ""}, {"P2", "", "1", "2", ""}, {"P€€\U0001F600", "", "1", "2", ""}});
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message,
              "无法保存文件“" + (folder / "t.dat").string() +
                  "”：第3个点的字符“\U0001F600”（U+1F600）无法用GBK编码（代码页936）保存！");
    EXPECT_EQ(read_bytes(folder / "t.dat"), "old");
}

TEST(point_file, writer_streams_in_pieces_and_reports_a_failed_sink) {
    std::size_t pieces = 0;
    std::size_t bytes = 0;
    PointFileWriter writer(PointFormat::cass, true,
                           [&](std::string_view piece) -> std::optional<Error> {
                               ++pieces;
                               bytes += piece.size();
                               if (pieces == 3) return Error{"写入失败！"};
                               return std::nullopt;
                           });
    std::optional<Error> error;
    int rows = 0;
    while (!error && rows < 100000) {
        error = writer.add("K1+020右7.5", "", "3456789.123", "512345.678", "120.500");
        ++rows;
    }
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message, "写入失败！");
    EXPECT_EQ(pieces, 3u);
    EXPECT_LT(rows, 10000);  // stopped at the third piece of about 64 KiB
}

}  // namespace
}  // namespace korvane::files
