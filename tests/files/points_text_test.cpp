// The points file read as a stream: the same points whatever the pieces the
// bytes arrive in, bad lines counted without being kept, the size limit
// checked before reading.
#include "files/points_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace korvane::files {
namespace {

using testing::TempFolder;
using testing::write_bytes;

// Each point as "line|name|x|y".
struct Parsed {
    std::vector<std::string> points;
    PointsCheck check;
};

Parsed parse_in_pieces(std::string_view text, std::size_t piece) {
    Parsed out;
    PointsParser parser([&](const PointText& p) {
        out.points.push_back(std::to_string(p.line) + '|' + std::string(p.name) + '|' +
                             std::string(p.x) + '|' + std::string(p.y));
    });
    for (std::size_t i = 0; i < text.size(); i += piece) parser.feed(text.substr(i, piece));
    parser.finish();
    out.check = parser.check();
    return out;
}

TEST(points_text, the_pieces_the_bytes_arrive_in_do_not_matter) {
    const std::string text =
        "\xEF\xBB\xBF# stake-out points\nP1, 9246.95, 6926.398\r\nP2\t9249.581\t6916.751\r\r\n"
        "  \n9730.643 7053.15\n桩4,8665.888,6789.999";
    const std::vector<std::string> expected = {"2|P1|9246.95|6926.398", "3|P2|9249.581|6916.751",
                                               "7|桩4|8665.888|6789.999"};
    for (std::size_t piece : {text.size(), std::size_t{1}, std::size_t{2}, std::size_t{7}}) {
        const Parsed got = parse_in_pieces(text, piece);
        ASSERT_EQ(got.points.size(), 4u) << piece;
        EXPECT_EQ(got.points[0], expected[0]) << piece;
        EXPECT_EQ(got.points[1], expected[1]) << piece;
        EXPECT_EQ(got.points[2], "6||9730.643|7053.15") << piece;  // line 4 is empty (CR CR LF)
        EXPECT_EQ(got.points[3], expected[2]) << piece;
        EXPECT_TRUE(got.check.utf8) << piece;
        EXPECT_EQ(got.check.bad_count, 0u) << piece;
    }
}

TEST(points_text, only_the_first_bad_lines_are_kept_and_points_stop_after_one) {
    std::string text = "P1 1 2\n";
    for (int i = 0; i < 25000; ++i) text += "bad line here\n";
    text += "P2 3 4\n1 2 3 4\nP3 1e999 1\n";
    const Parsed got = parse_in_pieces(text, 1024);
    EXPECT_EQ(got.points, std::vector<std::string>{"1|P1|1|2"});
    EXPECT_EQ(got.check.bad_count, 25002u);
    ASSERT_EQ(got.check.bad_lines.size(), kListedBadLines);
    EXPECT_EQ(got.check.bad_lines.front(), 2u);
    EXPECT_EQ(got.check.bad_lines.back(), 21u);
}

TEST(points_text, utf8_is_checked_across_pieces_and_overlong_lines_hold_no_point) {
    // "桩" split between two pieces is still UTF-8; a cut-off character is not.
    EXPECT_TRUE(parse_in_pieces("桩 1 2\n", 1).check.utf8);
    EXPECT_FALSE(parse_in_pieces("\xE6\xA1 1 2\n", 1).check.utf8);
    EXPECT_FALSE(parse_in_pieces("a 1 2\n\xE6\xA1", 3).check.utf8);
    EXPECT_FALSE(parse_in_pieces("\xC0\xAF 1 2\n", 4).check.utf8);  // overlong form
    const Parsed long_name =
        parse_in_pieces(std::string(kMaxPointsTextLineBytes, 'n') + " 1 2\n", 4096);
    EXPECT_TRUE(long_name.points.empty());
    EXPECT_EQ(long_name.check.bad_lines, std::vector<std::size_t>{1});
}

TEST(points_text, a_file_over_the_limit_is_refused_before_it_is_read) {
    TempFolder folder;
    const auto huge = folder / "huge.txt";
    write_bytes(huge, "0 0\n");
    std::filesystem::resize_file(huge, kMaxPointsFileBytes + 1);
    std::size_t points = 0;
    PointsParser parser([&](const PointText&) { ++points; });
    const auto error = read_points_text(huge, parser);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message, "无法读取文件“" + huge.string() + "”：文件超过268435456字节！");
    EXPECT_EQ(points, 0u);  // not a byte read: the first line would have been a point

    // At the limit the file is read.
    std::filesystem::resize_file(huge, 4);
    PointsParser small([&](const PointText&) { ++points; });
    EXPECT_FALSE(read_points_text(huge, small));
    EXPECT_EQ(points, 1u);
}

}  // namespace
}  // namespace korvane::files
