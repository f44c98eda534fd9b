// Opening an alignment and reading measured points: one way for the window
// and the command line, one message style.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/definition_file.h"
#include "files/landxml.h"
#include "files/read_points.h"
#include "route/alignment.h"
#include "route/table.h"
#include "support/test_data.h"
#include "temp_folder.h"

namespace korvane::files {
namespace {

using testing::TempFolder;

std::vector<std::size_t> lines_of(const std::string& bytes, PointForm form, std::string& message,
                                  std::size_t stop_after = 1000) {
    std::vector<std::size_t> lines;
    auto error = parse_points(bytes, form, "文件“p”", [&](const PointRecord& p) {
        lines.push_back(p.line);
        return lines.size() < stop_after;
    });
    message = error ? error->message : "";
    return lines;
}

}  // namespace

TEST(read_points, forms_by_name_and_by_content) {
    EXPECT_EQ(point_form_of("a.DAT"), PointForm::cass);
    EXPECT_EQ(point_form_of("a.csv"), PointForm::csv);
    EXPECT_EQ(point_form_of("a.txt"), PointForm::plain);
    EXPECT_EQ(point_form_of_text("\xEF\xBB\xBF# c\r\nName,X,Y\r\n"), PointForm::csv);
    EXPECT_EQ(point_form_of_text("\n  P1,,512000,3456000,\n"), PointForm::cass);
    EXPECT_EQ(point_form_of_text("P1 3456000 512000\n"), PointForm::plain);
}

TEST(read_points, every_line_is_looked_at_before_a_point_is_handed_over) {
    std::string message;
    // Lines that are not points: nothing handed over, the lines listed.
    EXPECT_TRUE(lines_of("1 2\nx\n3 4\n5\n", PointForm::plain, message).empty());
    EXPECT_EQ(message, "无法读取文件“p”：第2、4行不是“[点名] X Y”两个坐标数字！");
    EXPECT_TRUE(lines_of("# only\n\n", PointForm::plain, message).empty());
    EXPECT_EQ(message, "无法读取文件“p”：文件中没有点！");
    // A coordinate beyond a double is no number: its line is not a point.
    EXPECT_TRUE(lines_of("1 2\n3 4\nP 1e999 5\n6 7\n", PointForm::plain, message).empty());
    EXPECT_EQ(message, "无法读取文件“p”：第3行不是“[点名] X Y”两个坐标数字！");
    // A sink that stops ends the reading without an error.
    EXPECT_EQ(lines_of("1 2\n3 4\n", PointForm::plain, message, 1), (std::vector<std::size_t>{1}));
    EXPECT_EQ(message, "");
    // CSV and CASS in the same words.
    EXPECT_TRUE(lines_of("X,Y\n1,2\n", PointForm::csv, message).empty());
    EXPECT_TRUE(message.starts_with("无法读取文件“p”：")) << message;
    EXPECT_EQ(lines_of("a,,2,1,\nb,,4,3,\n", PointForm::cass, message),
              (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(message, "");
}

TEST(read_points, a_file_on_disk_reads_like_its_text) {
    TempFolder folder;
    const auto path = folder.path() / "p.txt";
    std::ofstream(path, std::ios::binary) << "P1 1 2\r\n\r\nP2 3 4";
    std::vector<std::string> names;
    auto error = read_points(path, PointForm::plain, [&](const PointRecord& p) {
        names.push_back(p.name);
        return true;
    });
    EXPECT_FALSE(error);
    EXPECT_EQ(names, (std::vector<std::string>{"P1", "P2"}));
    // Code page 936, as every other text file Korvane reads may be.
    std::ofstream(path, std::ios::binary) << "\xB5\xE3\x31 1 2\r\n";
    names.clear();
    error = read_points(path, PointForm::plain, [&](const PointRecord& p) {
        names.push_back(p.name);
        return true;
    });
    EXPECT_FALSE(error);
    EXPECT_EQ(names, (std::vector<std::string>{"点1"}));
    std::string message;
    EXPECT_EQ(lines_of("\xB5\xE3\x32 1 2\n", PointForm::plain, message),
              (std::vector<std::size_t>{1}));
    // Neither: refused.
    std::ofstream(path, std::ios::binary) << "\xFF\xFF 1 2\n";
    error = read_points(path, PointForm::plain, [](const PointRecord&) { return true; });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message,
              "无法读取" + file_named(path) + "：点文件既不是 UTF-8 文本，也不是代码页936文本！");
}

TEST(read_definition, tells_landxml_by_name_and_checks_a_korvane_files_name) {
    EXPECT_TRUE(is_landxml_name("a.XML"));
    EXPECT_FALSE(is_landxml_name("a.xml.csv"));
    const std::string pi = korvane::testing::data_dir("KORVANE_ROUTE_CASES") + "/pi-alignment.csv";
    auto read = read_definition(pi);
    ASSERT_TRUE(read) << read.failure().message;
    EXPECT_EQ(read.value().name, "S201改线");
    EXPECT_TRUE(read_definition(pi, "S201改线"));
    auto wrong = read_definition(pi, "S202");
    ASSERT_FALSE(wrong);
    EXPECT_EQ(wrong.failure().message,
              "无法读取文件“" + pi + "”：文件中没有名为“S202”的线路，文件中的线路是“S201改线”！");
    auto names = read_definition_names(pi);
    ASSERT_TRUE(names);
    EXPECT_EQ(names.value(), std::vector<std::string>{"S201改线"});

    // Text from standard input: LandXML by its first character.
    auto xml = landxml_bytes(read.value());
    ASSERT_TRUE(xml);
    bool is_xml = false;
    auto parsed = parse_definition("\n  " + xml.value(), "", is_xml);
    ASSERT_TRUE(parsed) << parsed.failure().message;
    EXPECT_TRUE(is_xml);
    EXPECT_EQ(parsed.value().name, "S201改线");
}

// Whatever Korvane writes reads back to the same alignment, or is not
// written: every alignment file of the tests, as a Korvane file and as
// LandXML; and a vertical point given with its zone, which LandXML cannot
// hold as such.
TEST(definition_bytes, every_written_file_reads_back_or_is_refused) {
    std::vector<std::string> paths = {korvane::testing::data_dir("KORVANE_ROUTE_CASES") +
                                      "/pi-alignment.csv"};
    for (const std::string& dir : {korvane::testing::data_dir("KORVANE_FILES_DATA"),
                                   korvane::testing::data_dir("KORVANE_CLI_DATA")}) {
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            const std::string ext = entry.path().extension().string();
            if (ext == ".csv" || ext == ".xml") paths.push_back(entry.path().string());
        }
    }
    std::size_t written = 0;
    for (const std::string& path : paths) {
        auto names = read_definition_names(path);
        if (!names) continue;  // files made to be refused
        for (const std::string& name : names.value()) {
            auto read = read_definition(path, name);
            if (!read) continue;
            for (bool xml : {false, true}) {
                route::Definition d = read.value();
                auto built = route::Alignment::build(d);
                if (!built) continue;
                if (!xml) d = route::as_elements(d, built.value());
                auto bytes = definition_bytes(d, xml);
                if (!bytes) {
                    ADD_FAILURE() << path << " " << name << " xml " << xml << ": "
                                  << bytes.failure().message;
                    continue;
                }
                bool is_xml = false;
                auto back = parse_definition(bytes.value(), "", is_xml);
                ASSERT_TRUE(back) << path << " " << back.failure().message;
                EXPECT_EQ(is_xml, xml);
                ++written;
            }
        }
    }
    EXPECT_GE(written, 8U);

    // A profile point in the second zone of a long chain.
    auto pi =
        read_definition(korvane::testing::data_dir("KORVANE_ROUTE_CASES") + "/pi-alignment.csv");
    ASSERT_TRUE(pi);
    route::Definition zoned = pi.value();
    zoned.profile.insert(zoned.profile.begin() + 2, route::VerticalPoint{1195, 2, 121, 0});
    ASSERT_TRUE(route::Alignment::build(zoned)) << route::Alignment::build(zoned).failure().message;
    for (bool xml : {false, true}) {
        auto bytes = definition_bytes(zoned, xml);
        if (!bytes) {
            EXPECT_TRUE(bytes.failure().message.starts_with("写成的文件"))
                << bytes.failure().message;
            continue;
        }
        bool is_xml = false;
        auto back = parse_definition(bytes.value(), "", is_xml);
        ASSERT_TRUE(back) << back.failure().message;
        const auto a = route::Alignment::build(zoned).value();
        const auto b = route::Alignment::build(back.value());
        ASSERT_TRUE(b) << b.failure().message;
        EXPECT_NEAR(*b.value().elevation_at(a.locate(1195, 2).value().s),
                    *a.elevation_at(a.locate(1195, 2).value().s), 1e-9);
    }
}

TEST(read_offsets, ascii_and_full_width_commas_with_or_without_spaces) {
    auto read = route::read_offsets("-7.5，0, 7.5 ,12");
    ASSERT_TRUE(read) << read.failure().message;
    EXPECT_EQ(read.value(), (std::vector<double>{-7.5, 0, 7.5, 12}));
    auto bad = route::read_offsets("1，，2");
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.failure().message, "第2个边桩偏距“”不是有效数字！");
    EXPECT_EQ(bad.failure().subject, route::Subject::offsets);
    EXPECT_EQ(bad.failure().index, 1);
    EXPECT_EQ(route::read_offsets("1,2x").failure().message, "第2个边桩偏距“2x”不是有效数字！");
}

}  // namespace korvane::files
