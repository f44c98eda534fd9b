#include "files/alignment_file.h"
#include "files/landxml.h"

#include <gtest/gtest.h>

#include <numbers>

#include "files/codec.h"
#include "route/alignment.h"
#include "route/angle.h"
#include "support/test_data.h"
#include "temp_folder.h"

namespace korvane::files {
namespace {

using route::Definition;
using route::ElementDef;
using route::ElementsDef;
using route::kStraight;
using route::PointsDef;
using testing::read_bytes;
using testing::TempFolder;
using testing::write_bytes;

std::string gbk(std::string_view utf8) {
    return utf8_to_cp936(utf8).value();
}

double packed(double d, double m, double s) {
    return (d + m / 60 + s / 3600) * std::numbers::pi / 180;
}

constexpr std::string_view kElementsFile =
    "线路,S201改线,K\r\n"
    "起点,K0+000.000,3456789.123,512345.678,45.302010\r\n"
    "直线,120\r\n"
    "缓和曲线,80,∞,500,右\r\n"
    "圆曲线,200.5,500,右\r\n"
    "缓和曲线,80,500,∞,右\r\n"
    "直线,300\r\n"
    "断链,K0+650.000,K0+640.000\r\n"
    "变坡点,K0+000.000,120.500,0\r\n"
    "变坡点,K0+400.000,125.300,8000\r\n"
    "变坡点,K0+790.000,121.000,0\r\n";

Definition elements_definition() {
    Definition d;
    d.name = "S201改线";
    ElementsDef e;
    e.start_chainage = 0;
    e.start_x = 3456789.123;
    e.start_y = 512345.678;
    e.start_azimuth = route::read_packed_angle("45.302010").value();
    e.elements = {{120, kStraight, kStraight},
                  {80, kStraight, 500},
                  {200.5, 500, 500},
                  {80, 500, kStraight},
                  {300, kStraight, kStraight}};
    d.horizontal = e;
    d.breaks = {{650, 640}};
    d.profile = {{0, 0, 120.5, 0}, {400, 0, 125.3, 8000}, {790, 0, 121, 0}};
    return d;
}

std::string failure(std::string_view bytes) {
    auto read = parse_alignment_file(bytes);
    return read ? std::string("(read)") : read.failure().message;
}

TEST(alignment_file, reads_elements_in_either_encoding_and_line_end) {
    const Definition expected = elements_definition();
    EXPECT_NEAR(std::get<ElementsDef>(expected.horizontal).start_azimuth, packed(45, 30, 20.10),
                1e-15);
    for (const std::string& bytes : {gbk(kElementsFile), std::string(kElementsFile),
                                     "\xEF\xBB\xBF" + std::string(kElementsFile)}) {
        auto read = parse_alignment_file(bytes);
        ASSERT_TRUE(read) << read.failure().message;
        EXPECT_EQ(read.value(), expected);
    }
    std::string lf(kElementsFile);
    std::erase(lf, '\r');
    auto read = parse_alignment_file("# 说明\n\n   \n" + gbk(lf));
    ASSERT_TRUE(read) << read.failure().message;
    EXPECT_EQ(read.value(), expected);
}

TEST(alignment_file, takes_signs_for_directions_and_ignores_trailing_empty_fields) {
    auto read = parse_alignment_file(
        "线路,X\n起点,DK1+5,0,0,360\n缓和曲线,100,500,-500,,,\n圆曲线,10,-300\n缓和曲线,10,INF,300,"
        "左\n"
        "缓和曲线,10,inf,∞\n变坡点,K0+1,2,0,2\n");
    ASSERT_TRUE(read) << read.failure().message;
    const auto& e = std::get<ElementsDef>(read.value().horizontal);
    EXPECT_EQ(read.value().prefix, "K");
    EXPECT_EQ(e.start_chainage, 1005);
    EXPECT_EQ(e.start_azimuth, 0);  // 360° is north
    EXPECT_EQ(e.elements, (std::vector<ElementDef>{{100, 500, -500},
                                                   {10, -300, -300},
                                                   {10, kStraight, -300},
                                                   {10, kStraight, kStraight}}));
    EXPECT_EQ(read.value().profile, (std::vector<route::VerticalPoint>{{1, 2, 2, 0}}));
}

TEST(alignment_file, reads_the_intersection_point_case) {
    auto read = read_alignment_file(korvane::testing::data_dir("KORVANE_ROUTE_CASES") +
                                    "/pi-alignment.csv");
    ASSERT_TRUE(read) << read.failure().message;
    const Definition& d = read.value();
    EXPECT_EQ(d.name, "S201改线");
    EXPECT_EQ(d.prefix, "K");
    const auto& p = std::get<PointsDef>(d.horizontal);
    EXPECT_EQ(p.start_chainage, 0);
    EXPECT_EQ(p.start_x, 3456789.123);
    EXPECT_EQ(p.start_y, 512345.678);
    ASSERT_EQ(p.points.size(), 3u);
    EXPECT_EQ(p.points[1], (route::IntersectionPoint{"JD2", 3457600, 513450, 800, 150, 100}));
    EXPECT_EQ(p.points[2], (route::IntersectionPoint{"JD3", 3458300, 513700, 400, 0, 0}));
    EXPECT_EQ(p.end_x, 3458900);
    EXPECT_EQ(p.end_y, 514400);
    EXPECT_EQ(d.breaks, (std::vector<route::ChainBreak>{{1200, 1190}}));
    ASSERT_EQ(d.profile.size(), 4u);
    EXPECT_EQ(d.profile[3], (route::VerticalPoint{3016.988, 0, 125, 0}));

    // Written back, it reads back the same.
    TempFolder folder;
    ASSERT_FALSE(write_alignment_file(folder / "copy.csv", d));
    auto again = read_alignment_file(folder / "copy.csv");
    ASSERT_TRUE(again) << again.failure().message;
    EXPECT_EQ(again.value(), d);
}

TEST(alignment_file, writes_code_page_936_with_crlf_and_reads_back_exactly) {
    auto bytes = alignment_file_bytes(elements_definition());
    ASSERT_TRUE(bytes) << bytes.failure().message;
    EXPECT_EQ(bytes.value(), gbk("线路,S201改线,K\r\n"
                                 "起点,K0+000.000,3456789.123,512345.678,45.30201\r\n"
                                 "直线,120\r\n"
                                 "缓和曲线,80,∞,500,右\r\n"
                                 "圆曲线,200.5,500,右\r\n"
                                 "缓和曲线,80,500,∞,右\r\n"
                                 "直线,300\r\n"
                                 "断链,K0+650.000,K0+640.000\r\n"
                                 "变坡点,K0+000.000,120.5,0\r\n"
                                 "变坡点,K0+400.000,125.3,8000\r\n"
                                 "变坡点,K0+790.000,121,0\r\n"));

    // Values no short text gives: each still reads back to the same double.
    Definition d;
    d.name = "测试";
    d.prefix = "DK";
    ElementsDef e;
    e.start_chainage = 1234.5678901234567;
    e.start_x = 0.1 + 0.2;
    e.start_y = -1e-7;
    e.start_azimuth = 2 * std::numbers::pi - 1e-13;
    e.elements = {{1.0 / 3, 500, -700.25},
                  {2, -1e5 / 3, -1e5 / 3},
                  {7, -400, kStraight},
                  {1e-3, kStraight, kStraight}};
    d.horizontal = e;
    d.breaks = {{-20.000000001, 1e6}};
    d.profile = {{5.5, 2, -3.25, 1e4 / 7}};
    auto written = alignment_file_bytes(d);
    ASSERT_TRUE(written) << written.failure().message;
    auto back = parse_alignment_file(written.value());
    ASSERT_TRUE(back) << back.failure().message << "\n" << cp936_to_utf8(written.value()).value();
    EXPECT_EQ(back.value(), d) << cp936_to_utf8(written.value()).value();
}

// Round national-grid numbers and tiny ones are plain decimals in both files
// Korvane writes, never "3e+06" or "1e-05", and read back unchanged.
TEST(alignment_file, numbers_are_plain_decimals_in_every_written_file) {
    Definition d;
    d.name = "grid";
    ElementsDef e;
    e.start_chainage = 1000000;
    e.start_x = 3000000;
    e.start_y = 500000;
    e.start_azimuth = 0;
    e.elements = {{100000, kStraight, kStraight}, {200, 1e6, 1e6}, {50, 2e7, kStraight}};
    d.horizontal = e;
    d.profile = {{1000000, 0, 1e-5, 0}, {1100000, 0, 20000000, 0}};
    auto written = alignment_file_bytes(d);
    ASSERT_TRUE(written) << written.failure().message;
    const std::string text = cp936_to_utf8(written.value()).value();
    EXPECT_EQ(text.find('e'), std::string::npos) << text;
    EXPECT_NE(text.find("起点,K1000+000.000,3000000,500000,"), std::string::npos) << text;
    EXPECT_NE(text.find(",0.00001,"), std::string::npos) << text;
    auto back = parse_alignment_file(written.value());
    ASSERT_TRUE(back) << back.failure().message;
    EXPECT_EQ(back.value(), d);

    auto xml = landxml_bytes(d);
    ASSERT_TRUE(xml) << xml.failure().message;
    for (const char* exponent : {"e+", "e-", "E+", "E-"})
        EXPECT_EQ(xml.value().find(exponent), std::string::npos) << exponent << "\n" << xml.value();
    EXPECT_NE(xml.value().find("3000000 500000"), std::string::npos);
}

TEST(alignment_file, writer_refuses_what_would_not_read_back) {
    Definition d = elements_definition();
    d.name = "a,b";
    EXPECT_EQ(alignment_file_bytes(d).failure().message, "线路名“a,b”含有逗号，无法写成一个字段！");
    d.name = " a";
    EXPECT_EQ(alignment_file_bytes(d).failure().message,
              "线路名“ a”的开头或结尾有空格，读回时会丢失！");
    d.name = "\U0001F600";
    EXPECT_EQ(alignment_file_bytes(d).failure().message,
              "字符“\U0001F600”（U+1F600）无法用GBK编码（代码页936）保存！");
    d.name = "ok";
    d.prefix = "k";
    EXPECT_EQ(alignment_file_bytes(d).failure().message, "桩号冠号“k”应为以K结尾的大写字母！");
    d.prefix = "K";
    std::get<ElementsDef>(d.horizontal).elements[0].length =
        std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(alignment_file_bytes(d).failure().message, "线路中有不是有限数的数值，无法保存！");

    TempFolder folder;
    write_bytes(folder / "a.csv", "old");
    auto error = write_alignment_file(folder / "a.csv", d);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message, "无法保存文件“" + (folder / "a.csv").string() +
                                  "”：线路中有不是有限数的数值，无法保存！");
    EXPECT_EQ(read_bytes(folder / "a.csv"), "old");
}

TEST(alignment_file, names_the_line_and_what_was_expected) {
    const std::string head = "线路,A\n起点,K0+000,0,0,0\n";
    const std::string pi = "线路,A\n起点,K0+000,0,0\n";
    const std::pair<std::string, std::string> cases[] = {
        {"", "文件中没有记录，应以“线路,名称,前缀”开头！"},
        {"# 只有说明\n", "文件中没有记录，应以“线路,名称,前缀”开头！"},
        {"起点,K0,0,0,0\n", "第1行：文件应以“线路,名称,前缀”开头，这里是“起点”！"},
        {"线路\n", "第1行：线路记录应为“线路,名称,前缀[,项目名称,合同段,坐标系,高程系]”！"},
        {"线路,A,k\n", "第1行：桩号冠号“k”应为以K结尾的大写字母（如K、DK）！"},
        {"线路,A\n线路,B\n", "第2行：线路记录只能有一个，写在文件开头！"},
        {"线路,A\n直线,10\n", "第2行：直线之前应有起点记录！"},
        {"线路,A\n", "文件中没有起点记录！"},
        {head, "文件中没有线元（直线、圆曲线或缓和曲线）！"},
        {pi, "文件中有交点法的起点，但没有终点记录！"},
        {"线路,A\n起点,K0+000,0\n",
         "第2行：起点应为“起点,桩号,X,Y,方位角”（线元法）或“起点,桩号,X,Y”（交点法）！"},
        {"线路,A\n起点,K1+1500,0,0,0\n", "第2行：起点桩号“K1+1500”：桩号“+”后的米数必须小于1000！"},
        {"线路,A\n起点,K1+500abc,0,0,0\n",
         "第2行：起点桩号“K1+500abc”：桩号格式不正确，应写作K1+234.567或1234.567！"},
        {"线路,A\n起点,0,1e999,0,0\n", "第2行：起点X“1e999”应为数！"},
        {"线路,A\n起点,0,0,5m,0\n", "第2行：起点Y“5m”应为数！"},
        {"线路,A\n起点,0,0,0,45°\n",
         "第2行：起点方位角“45°”：角度格式不正确，应写作度.分秒（如45.302010）！"},
        {head + "起点,0,0,0,0\n", "第3行：起点记录只能有一个！"},
        {head + "直线\n", "第3行：直线应为“直线,长度”！"},
        {head + "直线,0\n", "第3行：长度“0”应为大于0的数！"},
        {head + "直线,-5\n", "第3行：长度“-5”应为大于0的数！"},
        {head + "圆曲线,10\n", "第3行：圆曲线应为“圆曲线,长度,半径,左|右”！"},
        {head + "圆曲线,10,∞,右\n", "第3行：圆曲线的半径不能是∞（那是直线）！"},
        {head + "圆曲线,10,0\n", "第3行：半径不能为0（直线的半径写作∞）！"},
        {head + "圆曲线,10,R500\n", "第3行：半径“R500”应为数、∞或INF！"},
        {head + "圆曲线,10,500,上\n", "第3行：转向“上”应为左或右！"},
        {head + "圆曲线,10,-500,右\n", "第3行：写了转向“右”时，半径应为正数或∞，不带符号！"},
        {head + "缓和曲线,10,∞\n", "第3行：缓和曲线应为“缓和曲线,长度,起点半径,终点半径,左|右”！"},
        {head + "缓和曲线,10,-∞,500\n", "第3行：起点半径“-∞”应为数、∞或INF！"},
        {head + "缓和曲线,10,∞,x,左\n", "第3行：终点半径“x”应为数、∞或INF！"},
        {head + "交点,JD1,1,1,100,0,0\n",
         "第3行：线元法的文件（起点有方位角）不能有交点记录，线元与交点不能混用！"},
        {head + "终点,1,1\n", "第3行：线元法的文件（起点有方位角）不能有终点记录！"},
        {pi + "直线,10\n",
         "第3行：交点法的文件（起点没有方位角）不能有直线记录，线元与交点不能混用！"},
        {pi + "交点,JD1,1,1,100\n",
         "第3行：交点应为“交点,名称,X,Y,半径,缓和曲线长1,缓和曲线长2[,超高%,加宽]”！"},
        {pi + "交点,JD1,1,1,100,0,0,6,-1\n", "第3行：加宽“-1”应为不小于0的数！"},
        {head + "路幅,中,7.5,-2\n", "第3行：路幅的一侧“中”应为左或右！"},
        {head + "路幅,右,0,-2\n", "第3行：路幅宽度“0”应为大于0的数！"},
        {head + "路幅,右,7.5,-2,行车道,随\n", "第3行：是否随超高“随”应为是或否！"},
        {head + "路幅,右\n", "第3行：路幅应为“路幅,左或右,宽度,横坡%[,名称[,是否随超高]]”！"},
        {head + "旋转轴,边线\n", "第3行：旋转轴“边线”应为中线、内边线、外边线或偏距（米）！"},
        {head + "超高,K0+100,2\n", "第3行：超高应为“超高,桩号,左,右[,分区]”！"},
        {head + "加宽,K0+100,0,x\n", "第3行：右侧数值“x”应为数！"},
        {head + "超高过渡,-5\n", "第3行：超高过渡长度“-5”应为不小于0的数！"},
        // (R = 0 is an angle point.)
        {pi + "交点,JD1,1,1,-1,0,0\n", "第3行：半径“-1”应为不小于0的数！"},
        {pi + "交点,JD1,1,1,100,-1,0\n", "第3行：缓和曲线长1“-1”应为不小于0的数！"},
        {pi + "交点,JD1,1,1,100,0,x\n", "第3行：缓和曲线长2“x”应为数！"},
        {pi + "终点,1\n", "第3行：终点应为“终点,X,Y”！"},
        {pi + "终点,1,2\n终点,1,2\n", "第4行：终点记录只能有一个！"},
        {pi + "终点,1,2\n交点,JD1,1,1,100,0,0\n", "第4行：终点之后不能再有交点！"},
        {head + "直线,1\n断链,K1+000\n", "第4行：断链应为“断链,来向桩号,去向桩号”！"},
        {head + "直线,1\n断链,K1+000,K1+0x\n",
         "第4行：去向桩号“K1+0x”：桩号格式不正确，应写作K1+234.567或1234.567！"},
        {head + "直线,1\n变坡点,K1+000,1\n",
         "第4行：变坡点应为“变坡点,桩号,高程,竖曲线半径[,分区]”，不对称竖曲线为"
         "“变坡点,桩号,高程,0,[分区],前段长,后段长”！"},
        {head + "直线,1\n变坡点,K1+000,1,0,,60,-4\n", "第4行：竖曲线后段长“-4”应为不小于0的数！"},
        {head + "直线,1\n变坡点,K1+000,1,-1\n", "第4行：竖曲线半径“-1”应为不小于0的数！"},
        {head + "直线,1\n变坡点,K1+000,1,0,0\n",
         "第4行：分区“0”应为1、2、3……（长链两侧的第几段）！"},
        {head + "交叉,1\n",
         "第3行：不认识的记录“交叉”，应为起点、直线、圆曲线、缓和曲线、折点、线元起点、交点、终点、"
         "断链、变坡点、路幅、设计线、旋转轴、超高、加宽或超高过渡！"},
        {head + "直线,1\n" + gbk("直线,2") + "\n", "第4行：不是UTF-8编码的文字！"},
        {gbk(head) + "\xFF\xFF,1\n",
         "第3行：第1个字节起的“0xFF 0xFF”不是GBK编码（代码页936）的文字！"},
        {head + std::string(5000, 'x'), "第3行超过4096字节，不是线路文件！"},
    };
    for (const auto& [bytes, message] : cases) EXPECT_EQ(failure(bytes), message) << bytes;
}

TEST(alignment_file, refuses_a_large_junk_file_at_once) {
    TempFolder folder;
    // Text that could be anything: the first line already is no alignment.
    std::string junk;
    for (int i = 0; i < 200000; ++i) junk += "0123456789abcdef,0123456789\n";
    write_bytes(folder / "junk.csv", junk);
    auto read = read_alignment_file(folder / "junk.csv");
    ASSERT_FALSE(read);
    EXPECT_EQ(read.failure().message,
              "无法读取文件“" + (folder / "junk.csv").string() +
                  "”：第1行：文件应以“线路,名称,前缀”开头，这里是“0123456789abcdef”！");
    // Comments alone do not make a file endless.
    std::string comments = "线路,A\n";
    while (comments.size() <= kMaxAlignmentFileBytes)
        comments += "# " + std::string(1000, '-') + "\n";
    EXPECT_EQ(failure(comments), "文件超过16777216字节，不是线路文件！");
    write_bytes(folder / "none", "");
    EXPECT_EQ(read_alignment_file(folder / "missing.csv").failure().message,
              "无法读取文件“" + (folder / "missing.csv").string() + "”：文件不存在！");
}

}  // namespace
}  // namespace korvane::files

namespace korvane::files {
namespace {

// 折点,α between two elements: the next element turns by α (packed, positive
// right); written back the same, and refused anywhere else.
TEST(alignment_file, angle_points_between_elements) {
    const std::string text =
        "线路,A,K\r\n起点,K0+000,100,200,0\r\n直线,100\r\n折点,30\r\n直线,50\r\n"
        "折点,-12.3015,JD2\r\n圆曲线,20,100,右\r\n";
    auto read = parse_alignment_file(text);
    ASSERT_TRUE(read) << read.failure().message;
    const auto& e = std::get<ElementsDef>(read.value().horizontal).elements;
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].turn, 0);
    EXPECT_NEAR(e[1].turn, 30 * std::numbers::pi / 180, 1e-15);
    EXPECT_NEAR(e[2].turn, -(12 + 30 / 60.0 + 15 / 3600.0) * std::numbers::pi / 180, 1e-15);
    EXPECT_EQ(e[2].name, "JD2");
    auto bytes = alignment_file_bytes(read.value());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(cp936_to_utf8(bytes.value()).value(),
              "线路,A,K\r\n起点,K0+000.000,100,200,0.0000\r\n直线,100\r\n折点,30.0000\r\n"
              "直线,50\r\n折点,-12.3015,JD2\r\n圆曲线,20,100,右\r\n");

    const std::string head = "线路,A\n起点,K0+000,0,0,0\n";
    const std::pair<std::string, std::string> cases[] = {
        {head + "折点,10\n直线,5\n", "第3行：折点应在两个线元之间，这里之前没有线元！"},
        {head + "直线,5\n折点,10\n", "第4行：折点之后没有线元，折点应在两个线元之间！"},
        {head + "直线,5\n折点,10\n折点,5\n直线,5\n", "第5行：两个折点之间应有线元！"},
        {head + "直线,5\n折点,0\n直线,5\n", "第4行：折点的转角不能为0！"},
        {head + "直线,5\n折点,180\n直线,5\n", "第4行：折点的转角“180”必须小于180°！"},
        {head + "直线,5\n折点\n直线,5\n", "第4行：折点应为“折点,转角”！"},
        {"线路,A\n起点,K0+000,0,0\n折点,10\n",
         "第3行：交点法的文件不能有折点记录（交点法的折点写作半径为0的交点）！"},
    };
    for (const auto& [bytes_in, message] : cases) {
        auto r = parse_alignment_file(bytes_in);
        EXPECT_EQ(r ? std::string("(read)") : r.failure().message, message) << bytes_in;
    }
}

}  // namespace
// An element with its own start (as LandXML gives every element) is written
// as a 线元起点 record and reads back to the same element.
// An unsymmetric vertical curve keeps its two lengths through a Korvane file
// and through LandXML, with or without a zone before them.
TEST(alignment_file, unsymmetric_vertical_curves_read_back) {
    const std::string head = "线路,u\r\n起点,0,0,0,0\r\n直线,400\r\n变坡点,K0+000,100,0\r\n";
    auto d = parse_alignment_file(
        gbk(head + "变坡点,K0+200,104,0,,60,40\r\n变坡点,K0+300,103,0,1,10,20\r\n"
                   "变坡点,K0+400,104,0\r\n"));
    ASSERT_TRUE(d) << d.failure().message;
    ASSERT_EQ(d.value().profile.size(), 4u);
    EXPECT_EQ(d.value().profile[1], (route::VerticalPoint{200, 0, 104, 0, 60, 40}));
    EXPECT_EQ(d.value().profile[2], (route::VerticalPoint{300, 1, 103, 0, 10, 20}));
    auto bytes = alignment_file_bytes(d.value());
    ASSERT_TRUE(bytes) << bytes.failure().message;
    const std::string text = cp936_to_utf8(bytes.value()).value();
    EXPECT_NE(text.find("变坡点,K0+200.000,104,0,,60,40\r\n"), std::string::npos) << text;
    auto back = parse_alignment_file(bytes.value());
    ASSERT_TRUE(back);
    EXPECT_EQ(back.value(), d.value());
    auto xml = landxml_bytes(d.value());
    ASSERT_TRUE(xml) << xml.failure().message;
    EXPECT_NE(xml.value().find("<UnsymParaCurve lengthIn=\"60\" lengthOut=\"40\">"),
              std::string::npos);
    auto from_xml = parse_landxml(xml.value());
    ASSERT_TRUE(from_xml) << from_xml.failure().message;
    // LandXML has no zones: on an alignment without chain breaks, zone 1 is
    // where the chainage lies anyway.
    std::vector<route::VerticalPoint> expected = d.value().profile;
    expected[2].zone = 0;
    EXPECT_EQ(from_xml.value().profile, expected);
}

TEST(alignment_file, an_elements_own_start_reads_back_exactly) {
    Definition d;
    d.name = "own";
    ElementsDef e;
    e.start_x = 1000;
    e.start_y = 2000;
    e.start_azimuth = 0.5;
    e.elements = {{100, kStraight, kStraight}, {50, kStraight, kStraight}};
    // 0.4 mm beside the first element's end, turned 3 seconds.
    e.elements[1].start = route::ElementStart{1000 + 100 * std::cos(0.5) + 0.0004,
                                              2000 + 100 * std::sin(0.5), 0.5 + 3e-6 / 0.206265};
    d.horizontal = e;
    auto bytes = alignment_file_bytes(d);
    ASSERT_TRUE(bytes) << bytes.failure().message;
    const std::string text = cp936_to_utf8(bytes.value()).value();
    EXPECT_NE(text.find("\r\n线元起点,"), std::string::npos) << text;
    auto back = parse_alignment_file(bytes.value());
    ASSERT_TRUE(back) << back.failure().message;
    EXPECT_EQ(std::get<ElementsDef>(back.value().horizontal).elements[1].start->x,
              e.elements[1].start->x);
    EXPECT_NEAR(std::get<ElementsDef>(back.value().horizontal).elements[1].start->azimuth,
                e.elements[1].start->azimuth, 1e-15);
    EXPECT_EQ(parse_alignment_file(gbk("线路,a\r\n起点,0,0,0,0\r\n直线,1\r\n线元起点,1,0,0\r\n"))
                  .failure()
                  .message,
              "第4行：线元起点之后没有线元！");
}

}  // namespace korvane::files

namespace korvane::files {
namespace {

// The section's records: a Korvane file keeps every one of them, and so does
// LandXML (the template, axis and exact records in the Korvane Feature).
TEST(alignment_file, section_records_read_back_through_both_formats) {
    const std::string text =
        "线路,横断面\r\n起点,K0+000,0,0,0\r\n直线,1000\r\n变坡点,K0+000,100,0\r\n"
        "变坡点,K1+000,110,0\r\n路幅,左,3.75,-2,行车道,是\r\n路幅,左,0.75,-4,土路肩,否\r\n"
        "路幅,右,3.75,-2,行车道,是\r\n路幅,右,2.5,-2,硬路肩\r\n设计线,0.5\r\n旋转轴,内边线\r\n"
        "超高过渡,40\r\n超高,K0+200,-2,-2\r\n超高,K0+300,6,-6\r\n超高,K0+500,6,-6\r\n"
        "超高,K0+600,-2,-2\r\n加宽,K0+200,0,0\r\n"
        "加宽,K0+300,0,0.8\r\n";
    auto d = parse_alignment_file(gbk(text));
    ASSERT_TRUE(d) << d.failure().message;
    const route::SectionDef& s = d.value().section;
    ASSERT_EQ(s.left.size(), 2u);
    EXPECT_EQ(s.left[1], (route::SectionPart{0.75, -4, "土路肩", false}));
    EXPECT_EQ(s.right[1], (route::SectionPart{2.5, -2, "硬路肩", true}));  // turns unless 否
    EXPECT_EQ(s.profile_offset, 0.5);
    EXPECT_EQ(s.axis.kind, route::AxisKind::inner_edge);
    EXPECT_EQ(s.runoff, 40);
    EXPECT_EQ(s.superelevation[1], (route::SideValues{300, 0, 6, -6}));
    EXPECT_EQ(s.widening[1], (route::SideValues{300, 0, 0, 0.8}));
    auto bytes = alignment_file_bytes(d.value());
    ASSERT_TRUE(bytes) << bytes.failure().message;
    auto back = parse_alignment_file(bytes.value());
    ASSERT_TRUE(back);
    EXPECT_EQ(back.value(), d.value());
    auto xml = landxml_bytes(d.value());
    ASSERT_TRUE(xml) << xml.failure().message;
    EXPECT_NE(xml.value().find("<FullSuperelev>0.06</FullSuperelev>"), std::string::npos);
    auto from_xml = parse_landxml(xml.value());
    ASSERT_TRUE(from_xml) << from_xml.failure().message;
    EXPECT_EQ(from_xml.value().section, d.value().section);
}

// A curve with 6 % at its intersection point: converted to LandXML it is a
// Superelevation another program reads; the design elevations stay.
TEST(alignment_file, derived_superelevation_converts_to_records) {
    const std::string text =
        "线路,弯道\r\n起点,K0+000,0,0\r\n交点,JD1,600,0,300,100,100,6,0.8\r\n"
        "终点,900,519.6152422706632\r\n变坡点,K0+000,100,0\r\n变坡点,K1+100,111,0\r\n"
        "路幅,左,3.75,-2,行车道,是\r\n路幅,右,3.75,-2,行车道,是\r\n路幅,右,0.75,-4,土路肩,否\r\n";
    auto d = parse_alignment_file(gbk(text));
    ASSERT_TRUE(d) << d.failure().message;
    const auto& jd = std::get<route::PointsDef>(d.value().horizontal).points[0];
    EXPECT_EQ(jd.superelevation, 6);
    EXPECT_EQ(jd.widening, 0.8);
    auto bytes = alignment_file_bytes(d.value());
    ASSERT_TRUE(bytes);
    EXPECT_NE(cp936_to_utf8(bytes.value()).value().find("交点,JD1,600,0,300,100,100,6,0.8\r\n"),
              std::string::npos);
    auto xml = landxml_bytes(d.value());
    ASSERT_TRUE(xml) << xml.failure().message;
    // Without the Korvane Feature, as a design program's file would be.
    std::string plain = xml.value();
    const std::size_t f = plain.find("<Feature");
    const std::size_t e = plain.find("</Feature>");
    ASSERT_NE(f, std::string::npos);
    plain.erase(f, e + std::string("</Feature>").size() - f);
    auto from_plain = parse_landxml(plain);
    ASSERT_TRUE(from_plain) << from_plain.failure().message;
    route::Definition expected = from_plain.value();
    expected.section.left = d.value().section.left;
    expected.section.right = d.value().section.right;
    auto exact = parse_landxml(xml.value());
    ASSERT_TRUE(exact);
    const route::Alignment a = route::Alignment::build(d.value()).value();
    const route::Alignment b = route::Alignment::build(exact.value()).value();
    const route::Alignment c = route::Alignment::build(expected).value();
    for (double s = 0; s < 1100; s += 7.3) {
        for (double off : {-3.75, -2.0, 0.0, 3.0, 4.5}) {
            ASSERT_TRUE(a.design_elevation(s, off)) << s << " " << off;
            ASSERT_TRUE(b.design_elevation(s, off)) << s << " " << off;
            EXPECT_NEAR(*b.design_elevation(s, off), *a.design_elevation(s, off), 1e-9)
                << s << " " << off;
            // The Superelevation stations alone (slopes linear between
            // them) give the same surface but for the widening, which
            // LandXML cannot hold.
            if (off < 3.75) {
                ASSERT_TRUE(c.design_elevation(s, off)) << s << " " << off;
                EXPECT_NEAR(*c.design_elevation(s, off), *a.design_elevation(s, off), 1e-9)
                    << s << " " << off;
            }
        }
    }
}

// The project's texts for the reports ride on the 线路 record: written only
// where given (old readers' files stay as they were), read back, and
// refused where they could not be.
TEST(alignment_file, project_texts_on_the_alignment_record) {
    route::Definition d =
        parse_alignment_file(gbk("线路,A,K\r\n起点,K0+000,0,0,0\r\n直线,100\r\n")).value();
    EXPECT_TRUE(d.project.empty());
    EXPECT_TRUE(cp936_to_utf8(alignment_file_bytes(d).value()).value().starts_with("线路,A,K\r\n"));

    d.project = {"S201改线工程", "第3合同段", "CGCS2000 3°带 中央子午线117°", ""};
    auto bytes = alignment_file_bytes(d);
    ASSERT_TRUE(bytes) << bytes.failure().message;
    EXPECT_TRUE(
        cp936_to_utf8(bytes.value())
            .value()
            .starts_with("线路,A,K,S201改线工程,第3合同段,CGCS2000 3°带 中央子午线117°\r\n"));
    auto back = parse_alignment_file(bytes.value());
    ASSERT_TRUE(back) << back.failure().message;
    EXPECT_EQ(back.value(), d);

    // Only the elevation system: the fields before it are written empty.
    d.project = {"", "", "", "1985国家高程基准"};
    back = parse_alignment_file(alignment_file_bytes(d).value());
    ASSERT_TRUE(back);
    EXPECT_EQ(back.value().project, d.project);
    // A file that leaves the prefix empty before the project's texts keeps K.
    auto empty_prefix =
        parse_alignment_file(gbk("线路,A,,项目\r\n起点,K0+000,0,0,0\r\n直线,100\r\n"));
    ASSERT_TRUE(empty_prefix) << empty_prefix.failure().message;
    EXPECT_EQ(empty_prefix.value().prefix, "K");
    EXPECT_EQ(empty_prefix.value().project.project, "项目");

    d.project.section = "a,b";
    EXPECT_EQ(alignment_file_bytes(d).failure().message, "合同段“a,b”含有逗号，无法写成一个字段！");
    EXPECT_FALSE(parse_alignment_file(gbk("线路,A,K,1,2,3,4,5\r\n")).ok());
}

}  // namespace
}  // namespace korvane::files
