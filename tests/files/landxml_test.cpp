#include "files/landxml.h"

#include <gtest/gtest.h>

#include <numbers>

#include "files/alignment_file.h"
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
using testing::read_bytes;
using testing::TempFolder;

std::string data_file(const std::string& name) {
    return korvane::testing::data_dir("KORVANE_FILES_DATA") + "/" + name;
}

const std::vector<ElementDef> kMainElements{
    {120, kStraight, kStraight}, {80, kStraight, 500},        {200.5, 500, 500},
    {80, 500, kStraight},        {300, kStraight, kStraight}, {60, kStraight, -350},
    {100, -350, -350},           {60, -350, kStraight},       {150, kStraight, kStraight}};

// The lengths and radii of elements, without where each starts on its own.
std::vector<ElementDef> shapes(const std::vector<ElementDef>& elements) {
    std::vector<ElementDef> out;
    out.reserve(elements.size());
    for (const ElementDef& e : elements) out.push_back({e.length, e.radius_start, e.radius_end});
    return out;
}

std::string failure(std::string_view bytes, std::string_view name = {}) {
    auto read = parse_landxml(bytes, name);
    return read ? std::string("(read)") : read.failure().message;
}

std::string file_failure(const std::string& file, std::string_view name = {}) {
    auto read = read_landxml(data_file(file), name);
    return read ? std::string("(read)") : read.failure().message;
}

TEST(landxml, imports_elements_chain_break_and_profile_in_metres) {
    auto read = read_landxml(data_file("metric.xml"));
    ASSERT_TRUE(read) << read.failure().message;
    const Definition& d = read.value();
    EXPECT_EQ(d.name, "S201改线");
    EXPECT_EQ(d.prefix, "K");
    const auto& h = std::get<ElementsDef>(d.horizontal);
    // Each element from its own Start (the file's coordinates are rounded).
    EXPECT_EQ(shapes(h.elements), kMainElements);
    EXPECT_EQ(h.start_x, 3456789.123);
    EXPECT_EQ(h.start_y, 512345.678);
    // From coordinates to 0.1 mm over the first 120 m.
    EXPECT_NEAR(h.start_azimuth, route::read_packed_angle("45.302010").value(), 1e-6);
    EXPECT_EQ(d.breaks, (std::vector<route::ChainBreak>{{650, 640}}));
    ASSERT_EQ(d.profile.size(), 5u);
    EXPECT_EQ(d.profile[0], (route::VerticalPoint{0, 0, 120.5, 0}));
    EXPECT_NEAR(d.profile[1].radius, 8000, 1e-2);  // ParaCurve: from its length and the grades
    EXPECT_EQ(d.profile[3].radius, 5000);          // CircCurve: its radius
    // PVI stations are internal stations: 1300 lies after the long chain
    // 650=640, at chainage 1290.
    EXPECT_EQ(d.profile[4], (route::VerticalPoint{1290, 0, 123, 0}));
    EXPECT_TRUE(route::Alignment::build(d));
}

TEST(landxml, converts_both_kinds_of_foot) {
    auto metric = read_landxml(data_file("metric.xml"));
    ASSERT_TRUE(metric);
    const auto& m = std::get<ElementsDef>(metric.value().horizontal);
    for (const char* file : {"us-survey-feet.xml", "international-feet.xml"}) {
        auto read = read_landxml(data_file(file));
        ASSERT_TRUE(read) << read.failure().message;
        const auto& h = std::get<ElementsDef>(read.value().horizontal);
        EXPECT_NEAR(h.start_x, m.start_x, 1e-4) << file;
        EXPECT_NEAR(h.start_y, m.start_y, 1e-4) << file;
        ASSERT_EQ(h.elements.size(), m.elements.size());
        for (std::size_t i = 0; i < h.elements.size(); ++i) {
            EXPECT_NEAR(h.elements[i].length, m.elements[i].length, 1e-5) << file << i;
            EXPECT_NEAR(1 / h.elements[i].radius_end, 1 / m.elements[i].radius_end, 1e-9)
                << file << i;
        }
        EXPECT_NEAR(read.value().breaks[0].back, 650, 1e-5);
        EXPECT_NEAR(read.value().profile[3].radius, 5000, 1e-3);
    }
    // The two feet differ by two parts in a million: 3456789 m apart by about 7 m.
    auto us = read_landxml(data_file("us-survey-feet.xml"));
    ASSERT_TRUE(us);
    auto as_international = parse_landxml(
        std::string(read_bytes(data_file("us-survey-feet.xml")))
            .replace(read_bytes(data_file("us-survey-feet.xml")).find("USSurveyFoot"), 12, "foot"));
    ASSERT_TRUE(as_international) << as_international.failure().message;
    EXPECT_NEAR(std::get<ElementsDef>(us.value().horizontal).start_x -
                    std::get<ElementsDef>(as_international.value().horizontal).start_x,
                6.9, 0.1);
}

TEST(landxml, chooses_among_several_alignments_by_name) {
    EXPECT_EQ(
        file_failure("two-alignments.xml"),
        "无法读取文件“" + korvane::testing::data_dir("KORVANE_FILES_DATA") +
            "/two-alignments.xml”：文件中有2条线路：“S201改线”、“匝道A”，请指定其中一条的名称！");
    EXPECT_EQ(file_failure("two-alignments.xml", "匝道B"),
              "无法读取文件“" + korvane::testing::data_dir("KORVANE_FILES_DATA") +
                  "/two-alignments."
                  "xml”：文件中没有名为“匝道B”的线路，文件中的线路有：“S201改线”、“匝道A”！");
    auto ramp = read_landxml(data_file("two-alignments.xml"), "匝道A");
    ASSERT_TRUE(ramp) << ramp.failure().message;
    EXPECT_EQ(ramp.value().prefix, "AK");
    EXPECT_EQ(
        shapes(std::get<ElementsDef>(ramp.value().horizontal).elements),
        (std::vector<ElementDef>{
            {50, kStraight, kStraight}, {40, kStraight, -60}, {30, -60, -60}, {40, -60, -200}}));
    EXPECT_TRUE(ramp.value().breaks.empty());
    EXPECT_TRUE(ramp.value().profile.empty());
    auto names = landxml_alignment_names(read_bytes(data_file("two-alignments.xml")));
    ASSERT_TRUE(names);
    EXPECT_EQ(names.value(), (std::vector<std::string>{"S201改线", "匝道A"}));
}

TEST(landxml, refuses_unsupported_elements_and_gaps_by_name) {
    const std::string prefix =
        "无法读取文件“" + korvane::testing::data_dir("KORVANE_FILES_DATA") + "/";
    EXPECT_EQ(file_failure("unsupported-element.xml"),
              prefix +
                  "unsupported-element."
                  "xml”：线路“S201改线”：第9个线元（IrregularLine）不支持，只能导入Line、Curve和Spi"
                  "ral！");
    // A curve moved by 5 cm is read from its own Start, and both its ends reported.
    Warnings warnings;
    auto gap = read_landxml(data_file("gap.xml"), {}, &warnings);
    ASSERT_TRUE(gap) << gap.failure().message;
    ASSERT_FALSE(warnings.empty());
    EXPECT_EQ(warnings.front(),
              "线路“S201改线”：2处相邻线元的位置相差超过1毫米（第2与第3个线元相距0.05米，"
              "第3与第4个线元相距0.05米），各线元按自身的起点计算");
}

// A small document around one alignment's content.
std::string document(std::string_view content, std::string_view units = "") {
    return "<?xml version=\"1.0\"?><LandXML version=\"1.2\">" + std::string(units) +
           "<Alignments><Alignment name=\"A\" staStart=\"100\">" + std::string(content) +
           "</Alignment></Alignments></LandXML>";
}

constexpr std::string_view kLine =
    "<CoordGeom><Line><Start>0 0</Start><End>100 0</End></Line></CoordGeom>";

TEST(landxml, reads_directions_from_coordinates_and_names_every_fault) {
    auto line = parse_landxml(document(kLine));
    ASSERT_TRUE(line) << line.failure().message;
    const auto& h = std::get<ElementsDef>(line.value().horizontal);
    EXPECT_EQ(h.start_chainage, 100);
    EXPECT_EQ(h.elements, (std::vector<ElementDef>{{100, kStraight, kStraight}}));
    EXPECT_EQ(h.start_azimuth, 0);

    // A quarter circle to the left, heading east at the start, without length or radius attributes.
    auto arc = parse_landxml(
        document("<CoordGeom><Curve rot=\"ccw\"><Start>0 0</Start><Center>10 0</Center>"
                 "<End>10 10</End></Curve></CoordGeom>"));
    ASSERT_TRUE(arc) << arc.failure().message;
    const auto& a = std::get<ElementsDef>(arc.value().horizontal);
    EXPECT_NEAR(a.start_azimuth, std::numbers::pi / 2, 1e-15);
    ASSERT_EQ(a.elements.size(), 1u);
    EXPECT_NEAR(a.elements[0].length, 5 * std::numbers::pi, 1e-12);
    EXPECT_EQ(a.elements[0].radius_start, -10);

    const std::pair<std::string, std::string> cases[] = {
        {"<LandXML><Alignments>", "第1行：不是格式正确的XML！"},
        {"<?xml version=\"1.0\"?>\n<Other/>", "不是LandXML文件（根元素是“Other”）！"},
        {"<LandXML/>", "文件中没有线路（Alignment）！"},
        {document(kLine, "<Units><Metric linearUnit=\"yard\"/></Units>"),
         "不支持的长度单位“yard”！"},
        {document(kLine, "<Units><Imperial linearUnit=\"inch\"/></Units>"),
         "不支持的长度单位“inch”（只支持USSurveyFoot和foot）！"},
        {document(""), "线路“A”：没有CoordGeom！"},
        {document("<CoordGeom/>"), "线路“A”：CoordGeom中没有线元！"},
        {document("<CoordGeom><Line><Start>0</Start><End>1 1</End></Line></CoordGeom>"),
         "线路“A”：第1个线元（Line）的Start“0”应为“北坐标 东坐标”！"},
        {document("<CoordGeom><Line><Start>0 0</Start></Line></CoordGeom>"),
         "线路“A”：第1个线元（Line）缺少End！"},
        {document("<CoordGeom><Line><Start>0 0</Start><End>0 0</End></Line></CoordGeom>"),
         "线路“A”：CoordGeom中没有长度大于0的线元！"},
        {document(
             "<CoordGeom><Line length=\"-1\"><Start>0 0</Start><End>0 1</End></Line></CoordGeom>"),
         "线路“A”：第1个线元（Line）的length“-1”应为大于0的数！"},
        {document("<CoordGeom><Curve crvType=\"chord\"><Start>0 0</Start><End>0 "
                  "1</End></Curve></CoordGeom>"),
         "线路“A”：第1个线元（Curve）的crvType“chord”不支持，只能导入arc！"},
        {document("<CoordGeom><Curve rot=\"left\"><Start>0 0</Start><Center>1 0</Center><End>0 "
                  "1</End></Curve>"
                  "</CoordGeom>"),
         "线路“A”：第1个线元（Curve）的rot“left”应为cw或ccw！"},
        {document("<CoordGeom><Spiral length=\"10\" radiusStart=\"INF\" radiusEnd=\"100\"><Start>0 "
                  "0</Start>"
                  "<End>0 1</End></Spiral></CoordGeom>"),
         "线路“A”：第1个线元（Spiral）的rot“”应为cw或ccw！"},
        {document("<CoordGeom><Spiral spiType=\"bloss\"><Start>0 0</Start><End>0 "
                  "1</End></Spiral></CoordGeom>"),
         "线路“A”：第1个线元（Spiral）的spiType“bloss”不支持，只能导入clothoid！"},
        {document("<CoordGeom><Spiral rot=\"cw\" length=\"10\" radiusStart=\"INF\" "
                  "radiusEnd=\"0\"><Start>0 0</Start>"
                  "<End>0 1</End></Spiral></CoordGeom>"),
         "线路“A”：第1个线元（Spiral）的radiusEnd“0”应为大于0的数或INF！"},
        {document(
             "<CoordGeom><Line><Start>0 0</Start><End>100 0</End></Line><Line length=\"100.5\">"
             "<Start>100 0</Start><End>200 0</End></Line></CoordGeom>"),
         "线路“A”：第2个线元（Line）的End与按长度和半径算出的终点相距0.5米，超过0.1米！"},
        {document("<CoordGeom><Line><Start>0 0</Start><End>100 0</End></Line><Line>"
                  "<Start>100.1000001 0</Start><End>200 0</End></Line></CoordGeom>"),
         "线路“A”：第2个线元（Line）的起点与上一个线元（第1个线元）的终点相距0.1000001米，"
         "超过0.1米！"},
        {document(std::string(kLine) + "<StaEquation staAhead=\"5\"/>"),
         "线路“A”：第1个StaEquation的staInternal（或staBack）和staAhead应为数！"},
        {document(std::string(kLine) +
                  "<Profile><ProfAlign><PVI>0 1</PVI><UnsymParaCurve>5 2</UnsymParaCurve>"
                  "</ProfAlign></Profile>"),
         "线路“A”：纵断面第2个变坡点（UnsymParaCurve）缺少lengthIn或lengthOut！"},
        {document(std::string(kLine) + "<Profile><ProfAlign><PVI>0</PVI></ProfAlign></Profile>"),
         "线路“A”：纵断面第1个变坡点（PVI）的内容“0”应为“桩号 高程”！"},
        {document(std::string(kLine) +
                  "<Profile><ProfAlign><PVI>0 1</PVI><ParaCurve length=\"5\">10 1</ParaCurve>"
                  "<PVI>20 1</PVI></ProfAlign></Profile>"),
         "线路“A”：纵断面第2个变坡点两侧坡度相同，竖曲线无法定出半径！"},
        {document(
             std::string(kLine) +
             "<Profile><ProfAlign><ParaCurve length=\"5\">0 1</ParaCurve></ProfAlign></Profile>"),
         "线路“A”：纵断面第1个变坡点在纵断面的一端，不能有竖曲线！"},
    };
    for (const auto& [bytes, message] : cases) EXPECT_EQ(failure(bytes), message) << bytes;
}

TEST(landxml, chain_breaks_without_back_station_follow_the_internal_station) {
    auto read = parse_landxml(document(std::string(kLine) +
                                       "<StaEquation staInternal=\"130\" staAhead=\"125\"/>"
                                       "<StaEquation staInternal=\"160\" staAhead=\"170\"/>"));
    ASSERT_TRUE(read) << read.failure().message;
    // Zone 1: chainage = internal; zone 2: internal − 5.
    EXPECT_EQ(read.value().breaks, (std::vector<route::ChainBreak>{{130, 125}, {155, 170}}));
}

constexpr std::string_view kElementsFile =
    "线路,S201改线,DK\n"
    "起点,DK0+100.000,3456789.123,512345.678,45.302010\n"
    "直线,120\n"
    "缓和曲线,80,∞,500,右\n"
    "圆曲线,200.5,500,右\n"
    "缓和曲线,80,500,1500,右\n"
    "缓和曲线,60,1500,∞,右\n"
    "直线,300.25\n"
    "缓和曲线,70,∞,300,左\n"
    "圆曲线,33.3,300,左\n"
    "断链,DK0+650.000,DK0+640.000\n"
    "断链,DK0+800.000,DK0+805.500\n"
    "变坡点,DK0+100.000,120.500,0\n"
    "变坡点,DK0+400.000,125.300,8000\n"
    "变坡点,DK0+790.000,121.000,12345.678\n"
    "变坡点,DK1+100.000,121.000,0\n";

TEST(landxml, korvane_file_to_landxml_and_back_keeps_every_element) {
    auto original = parse_alignment_file(kElementsFile);
    ASSERT_TRUE(original) << original.failure().message;
    auto xml = landxml_bytes(original.value());
    ASSERT_TRUE(xml) << xml.failure().message;
    auto back = parse_landxml(xml.value());
    ASSERT_TRUE(back) << back.failure().message << "\n" << xml.value();
    EXPECT_EQ(back.value(), original.value()) << xml.value();
    // And so the Korvane file written from it is byte for byte the same.
    EXPECT_EQ(alignment_file_bytes(back.value()).value(),
              alignment_file_bytes(original.value()).value());

    TempFolder folder;
    ASSERT_FALSE(write_landxml(folder / "a.xml", original.value()));
    auto from_disk = read_landxml(folder / "a.xml");
    ASSERT_TRUE(from_disk) << from_disk.failure().message;
    EXPECT_EQ(from_disk.value(), original.value());
}

TEST(landxml, exports_an_alignment_by_intersection_points_as_its_elements) {
    auto pi = read_alignment_file(korvane::testing::data_dir("KORVANE_ROUTE_CASES") +
                                  "/pi-alignment.csv");
    ASSERT_TRUE(pi) << pi.failure().message;
    auto xml = landxml_bytes(pi.value());
    ASSERT_TRUE(xml) << xml.failure().message;
    auto back = parse_landxml(xml.value());
    ASSERT_TRUE(back) << back.failure().message;
    const auto built = route::Alignment::build(pi.value());
    const auto rebuilt = route::Alignment::build(back.value());
    ASSERT_TRUE(built && rebuilt);
    EXPECT_EQ(std::get<ElementsDef>(back.value().horizontal).elements.size(),
              built.value().segments().size());
    EXPECT_NEAR(rebuilt.value().length(), built.value().length(), 1e-9);
    const auto end = built.value().pose_at(built.value().length());
    const auto end2 = rebuilt.value().pose_at(rebuilt.value().length());
    EXPECT_NEAR(end.x, end2.x, 1e-6);
    EXPECT_NEAR(end.y, end2.y, 1e-6);
    EXPECT_EQ(back.value().breaks, pi.value().breaks);
    EXPECT_EQ(back.value().profile.size(), pi.value().profile.size());
}

TEST(landxml, export_refuses_what_landxml_cannot_hold) {
    Definition d;
    d.name = "A";
    ElementsDef e;
    e.elements = {{100, 500, -500}};
    d.horizontal = e;
    EXPECT_EQ(landxml_bytes(d).failure().message,
              "第1个线元的曲率经过0（由右转变为左转），LandXML的Spiral无法表示！");
    d.horizontal = ElementsDef{};
    EXPECT_EQ(landxml_bytes(d).failure().message, "线路中没有线元，无法导出！");
    TempFolder folder;
    auto error = write_landxml(folder / "a.xml", d);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message,
              "无法保存文件“" + (folder / "a.xml").string() + "”：线路中没有线元，无法导出！");
    EXPECT_TRUE(folder.entries().empty());
}

}  // namespace
}  // namespace korvane::files
