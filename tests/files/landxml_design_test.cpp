// LandXML files as design programs write them (tests/files/data/design-*.xml):
// angles of 1″ to 80″ and gaps of 0.5 mm between elements, a zero-length
// element, Feature and unknown elements everywhere, touching vertical
// curves, a long chain, US survey feet with grads, alignments of the same
// name, a GBK declaration. The expected positions were computed apart from
// Korvane: each element integrated from its own Start and start direction
// (Simpson's rule on 4000 intervals for the clothoids, closed forms for
// lines and arcs), from the coordinates as the files write them.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "files/alignment_file.h"
#include "files/landxml.h"
#include "route/alignment.h"
#include "route/forward.h"
#include "support/test_data.h"
#include "temp_folder.h"

namespace korvane::files {
namespace {

using route::ElementsDef;
std::string data_file(const std::string& name) {
    return korvane::testing::data_dir("KORVANE_FILES_DATA") + "/" + name;
}

struct Read {
    route::Definition definition;
    Warnings warnings;
};

Read read(const std::string& file, std::string_view name = {}) {
    Read r;
    auto got = read_landxml(data_file(file), name, &r.warnings);
    EXPECT_TRUE(got) << got.failure().message;
    if (got) r.definition = std::move(got).value();
    return r;
}

route::Alignment built(const route::Definition& d) {
    auto b = route::Alignment::build(d);
    EXPECT_TRUE(b.ok()) << (b.ok() ? "" : b.failure().message);
    return std::move(b).value();
}

void expect_at(const route::Alignment& a, double chainage, int zone, double offset, double x,
               double y, const char* what) {
    auto f = route::forward(a, chainage, zone, offset);
    ASSERT_TRUE(f.ok()) << what << ": " << f.failure().message;
    EXPECT_NEAR(f.value().x, x, 2e-6) << what;
    EXPECT_NEAR(f.value().y, y, 2e-6) << what;
}

TEST(landxml_design, small_angles_and_gaps_read_from_each_element_s_own_start) {
    const Read r = read("design-angles.xml");
    EXPECT_EQ(
        r.warnings,
        (Warnings{
            "线路“主线”：跳过了1个长度为0的线元（第5个线元（Line））",
            "线路“主线”：1处相邻线元的位置相差超过1毫米（第2与第3个线元相距0.0011米），"
            "各线元按自身的起点计算",
            "线路“主线”：7处相邻线元的方向相差超过1″（第1与第2个线元相差1.6″，第2与第3个线元"
            "相差11.9″，第3与第4个线元相差80.5″，第4与第6个线元相差34.5″，第7与第8个线元相差"
            "2.7″，第9与第10个线元相差60″，第10与第11个线元相差24.9″），各线元按自身的起点方向"
            "计算",
            "线路“主线”：文件中的超高（Cant）、横断面（CrossSects）数据未导入，Korvane不计算它们",
        }));
    const route::Alignment a = built(r.definition);
    ASSERT_EQ(a.segments().size(), 10u);
    std::vector<std::string> labels;
    for (const auto& k : a.key_points()) labels.push_back(k.label);
    EXPECT_EQ(labels, (std::vector<std::string>{"QD", "ZH", "HY", "QZ", "YH", "HZ", "断链", "折点",
                                                "ZH", "HY", "QZ", "YH", "HZ", "ZD"}));
    // Every element's Start (as written) is the main point where it starts.
    const double starts[][3] = {
        {0, 3456000.0000, 512000.0000},    {150, 3456129.9041, 512074.9996},
        {230, 3456197.7848, 512117.2670},  {350, 3456283.3062, 512200.8039},
        {430, 3456327.1341, 512267.6877},  {630, 3456431.0869, 512438.5497},
        {730, 3456486.7406, 512521.6319},  {790, 3456522.0758, 512570.0759},
        {880, 3456591.6463, 512626.4038},  {940, 3456646.3749, 512650.9021},
        {1060, 3456757.7694, 512695.5259},  // the last End
    };
    for (const auto& [s, x, y] : starts) {
        const route::Pose p = a.pose_at(s);
        EXPECT_LE(std::hypot(p.x - x, p.y - y), 1e-3) << s;
        if (s < 1060) {
            EXPECT_LE(std::hypot(p.x - x, p.y - y), 1e-9) << s;
        }
    }
    // Forward: the chain break 1500=1490 puts s = 835 at K1+825 (zone 2).
    expect_at(a, 1290, 0, 0, 3456243.683864, 512155.822557, "QZ of the right curve");
    expect_at(a, 1290, 0, 5, 3456240.190058, 512159.399332, "5 m right of it");
    expect_at(a, 1825, 0, -7.5, 3456559.038725, 512595.550287, "7.5 m left on the left curve");
    expect_at(a, 1690, 0, 3, 3456467.551750, 512498.377074, "after the angle point");
    expect_at(a, 2050, 0, 0, 3456757.769330, 512695.525872, "ZD");
    // The profile in the internal stationing, its two vertical curves
    // overlapping by 0.5 mm: at the crest's PVI 56 − 60²/(2·2666.67), at the
    // sag's 53 + 60.0005²/(2·3264.03); the PVI at internal 1505 is K1+495
    // in zone 2 (the chainage occurs twice).
    ASSERT_EQ(r.definition.profile.size(), 5u);
    EXPECT_EQ(r.definition.profile[3].chainage, 1495);
    EXPECT_EQ(r.definition.profile[3].zone, 2);
    EXPECT_EQ(r.definition.profile[4].chainage, 1750);
    EXPECT_EQ(r.definition.profile[4].zone, 0);
    EXPECT_NEAR(*a.elevation_at(300), 55.325, 1e-9);
    EXPECT_NEAR(*a.elevation_at(420), 53.55147518382353, 1e-9);
    EXPECT_NEAR(*a.elevation_at(505), 54, 1e-9);
}

TEST(landxml_design, feet_grads_and_alignments_of_the_same_name) {
    auto names = landxml_alignment_names(testing::read_bytes(data_file("design-feet.xml")));
    ASSERT_TRUE(names);
    EXPECT_EQ(names.value(), (std::vector<std::string>{"匝道", "主线2", "匝道#2"}));
    const Read first = read("design-feet.xml", "匝道");
    EXPECT_EQ(first.warnings,
              (Warnings{"文件中有2条名为“匝道”的线路（依次为“匝道”、“匝道#2”），读取的是“匝道”"}));
    const route::Alignment a = built(first.definition);
    EXPECT_NEAR(a.length(), 900 * 1200.0 / 3937, 1e-9);
    const route::KeyPoint& zd = a.key_points().back();
    EXPECT_NEAR(zd.x, 3191.382541021082, 1e-6);
    EXPECT_NEAR(zd.y, 6322.934953517907, 1e-6);

    const Read second = read("design-feet.xml", "匝道#2");
    ASSERT_EQ(second.warnings.size(), 2u);
    EXPECT_EQ(
        second.warnings[1],
        "线路“匝道”：纵断面第2个变坡点（CircCurve）的length（30.1753米）与radius（914.4018米）"
        "不符：按radius竖曲线长36.5761米，已按radius计算");
    const route::Alignment b = built(second.definition);
    expect_at(b, 400 * 1200.0 / 3937, 0, 0, 3212.9884172720344, 6247.003889154178, "ZD");
    // The ProfAlign named like the alignment, its radius in metres.
    ASSERT_EQ(second.definition.profile.size(), 3u);
    EXPECT_NEAR(second.definition.profile[1].radius, 3000 * 1200.0 / 3937, 1e-9);
    EXPECT_NEAR(second.definition.profile[1].elevation, 103 * 1200.0 / 3937, 1e-9);
}

TEST(landxml_design, a_gbk_declaration_and_a_jump_of_curvature) {
    const Read r = read("design-gbk.xml");
    EXPECT_EQ(r.definition.name, "匝道B");
    EXPECT_EQ(r.warnings, (Warnings{"线路“匝道B”：第2个线元（缓和曲线）终点的半径R300与第3个线元"
                                    "（圆曲线）起点的半径R200不同，曲率在此突变"}));
    const route::Alignment a = built(r.definition);
    expect_at(a, 150, 0, 0, 649.077357, 1009.932139, "ZD");
    expect_at(a, 130, 0, 2, 629.309844, 1006.946253, "on the arc, 2 m right");
}

// A small document around one alignment's content.
std::string document(std::string_view content, std::string_view declaration = "") {
    return "<?xml version=\"1.0\"" + std::string(declaration) +
           "?><LandXML version=\"1.2\"><Alignments><Alignment name=\"A\" staStart=\"0\">" +
           std::string(content) + "</Alignment></Alignments></LandXML>";
}

constexpr std::string_view kLine =
    "<CoordGeom><Line><Start>0 0</Start><End>100 0</End></Line></CoordGeom>";

std::string failure(const std::string& bytes) {
    auto r = parse_landxml(bytes);
    return r ? std::string("(read)") : r.failure().message;
}

TEST(landxml_design, contradictions_and_encodings_are_named) {
    EXPECT_EQ(failure(document(kLine, " encoding=\"Shift_JIS\"")),
              "不支持文件声明的编码“Shift_JIS”（只支持UTF-8、UTF-16、ISO-8859-1和GBK/GB2312/"
              "GB18030）！");
    EXPECT_EQ(failure(document(kLine, " encoding=\"gb18030\"")), "(read)");
    EXPECT_EQ(
        failure(document(std::string(kLine) +
                         "<StaEquation staInternal=\"60\" staBack=\"110\" staAhead=\"50\"/>")),
        "线路“A”：第1个StaEquation的staBack（110）与staInternal（60）矛盾：按staInternal，"
        "该处的桩号为60！");
    EXPECT_EQ(failure(document(std::string(kLine) +
                               "<Profile><ProfAlign name=\"x\"><PVI>0 1</PVI><PVI>9 1</PVI>"
                               "</ProfAlign><ProfAlign name=\"y\"/></Profile>")),
              "线路“A”：有2个纵断面（ProfAlign）：“x”、“y”，没有与线路同名，无法确定用哪一个！");
    // Unequal parts stay an unsymmetric curve: at the point, E = 0.04·10·20/60
    // below it.
    auto unsymmetric = parse_landxml(
        document(std::string(kLine) +
                 "<Profile><ProfAlign><PVI>0 1</PVI><UnsymParaCurve lengthIn=\"10\" "
                 "lengthOut=\"20\">50 2</UnsymParaCurve><PVI>100 1</PVI></ProfAlign></Profile>"));
    ASSERT_TRUE(unsymmetric);
    EXPECT_EQ(unsymmetric.value().profile[1].length_in, 10);
    EXPECT_EQ(unsymmetric.value().profile[1].length_out, 20);
    EXPECT_NEAR(*route::Alignment::build(unsymmetric.value()).value().elevation_at(50),
                2 - 0.04 * 10 * 20 / 60, 1e-12);
    EXPECT_EQ(failure(document(std::string(kLine) +
                               "<Profile><ProfAlign><PVI>0 1</PVI><UnsymParaCurve lengthIn=\"0\" "
                               "lengthOut=\"20\">50 2</UnsymParaCurve><PVI>100 1</PVI>"
                               "</ProfAlign></Profile>")),
              "线路“A”：纵断面第2个变坡点（UnsymParaCurve）的lengthIn“0”应为大于0的数！");
    auto symmetric = parse_landxml(document(
        std::string(kLine) +
        "<Profile><ProfAlign><PVI>0 1</PVI><UnsymParaCurve lengthIn=\"10\" lengthOut=\"10\">50 "
        "2</UnsymParaCurve><PVI>100 1</PVI></ProfAlign></Profile>"));
    ASSERT_TRUE(symmetric);
    EXPECT_NEAR(symmetric.value().profile[1].radius, 20 / 0.04, 1e-9);
    // 1.04 mm beyond 1 mm is written so: 0.00104, not 0.001.
    Warnings w;
    ASSERT_TRUE(parse_landxml(document("<CoordGeom><Line><Start>0 0</Start><End>100 0</End></Line>"
                                       "<Line><Start>100 0.00104</Start><End>200 0.00104</End>"
                                       "</Line></CoordGeom>"),
                              {}, &w));
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0],
              "线路“A”：1处相邻线元的位置相差超过1毫米（第1与第2个线元相距0.00104米），"
              "各线元按自身的起点计算");
}

TEST(landxml_design, stations_are_written_in_the_internal_stationing) {
    // A long chain 1000=990: the vertical point at K1+500 in zone 2 lies 1510 m
    // from the start, and is written there.
    auto d = parse_alignment_file(
        "线路,A\n起点,K0+000,0,0,0\n直线,2000\n断链,K1+000,K0+990\n"
        "变坡点,K0+000,10,0\n变坡点,K1+500,20,0,2\n变坡点,K1+900,15,0\n");
    ASSERT_TRUE(d) << d.failure().message;
    auto xml = landxml_bytes(d.value());
    ASSERT_TRUE(xml);
    EXPECT_NE(xml.value().find("<PVI>1510 20</PVI>"), std::string::npos) << xml.value();
    EXPECT_NE(xml.value().find("staInternal=\"1000\" staBack=\"1000\" staAhead=\"990\""),
              std::string::npos);
    auto back = parse_landxml(xml.value());
    ASSERT_TRUE(back);
    const route::Alignment a = built(d.value());
    const route::Alignment b = built(back.value());
    for (double s : {0.0, 700.0, 1510.0, 1800.0}) EXPECT_EQ(a.elevation_at(s), b.elevation_at(s));
}

TEST(landxml_design, an_angle_point_alignment_keeps_its_labels_through_landxml) {
    auto pi = parse_alignment_file(
        "线路,B\n起点,K0+000,0,0\n交点,JD1,100,0,0,0,0\n交点,JD2,100,300,100,20,20\n终点,300,"
        "300\n");
    ASSERT_TRUE(pi) << pi.failure().message;
    auto xml = landxml_bytes(pi.value());
    ASSERT_TRUE(xml) << xml.failure().message;
    auto back = parse_landxml(xml.value());
    ASSERT_TRUE(back) << back.failure().message;
    const route::Alignment a = built(pi.value());
    const route::Alignment b = built(back.value());
    ASSERT_EQ(a.key_points().size(), b.key_points().size());
    for (std::size_t i = 0; i < a.key_points().size(); ++i) {
        const route::KeyPoint& k = a.key_points()[i];
        const route::KeyPoint& l = b.key_points()[i];
        EXPECT_EQ(k.label, l.label) << i;
        EXPECT_NEAR(k.s, l.s, 1e-9) << k.label;
        EXPECT_NEAR(std::hypot(k.x - l.x, k.y - l.y), 0, 1e-6) << k.label;
    }
    EXPECT_EQ(a.key_points()[1].label, "JD1");
    // The intersection points themselves, named, for other programs.
    EXPECT_NE(xml.value().find("<AlignPI>\n          <PI name=\"JD2\">100 300</PI>"),
              std::string::npos)
        << xml.value();
}

}  // namespace
}  // namespace korvane::files

namespace korvane::files {
namespace {

// Two lines of a design program meeting at 10°: an angle point labelled
// 折点 (their own names are not intersection point names), not warned.
TEST(landxml_design, lines_at_an_angle_are_an_angle_point) {
    const double a = 10 * std::numbers::pi / 180;
    const std::string end =
        std::to_string(100 + 50 * std::cos(a)) + " " + std::to_string(50 * std::sin(a));
    Warnings w;
    auto read = parse_landxml(
        "<LandXML><Alignments><Alignment name=\"A\"><CoordGeom>"
        "<Line name=\"L1\"><Start>0 0</Start><End>100 0</End></Line>"
        "<Line name=\"L2\"><Start>100 0</Start><End>" +
            end + "</End></Line></CoordGeom></Alignment></Alignments></LandXML>",
        {}, &w);
    ASSERT_TRUE(read) << read.failure().message;
    EXPECT_TRUE(w.empty());
    auto built = route::Alignment::build(read.value());
    ASSERT_TRUE(built);
    EXPECT_EQ(built.value().key_points()[1].label, "折点");
    EXPECT_NEAR(built.value().key_points()[1].azimuth, a, 1e-6);
}

}  // namespace
}  // namespace korvane::files
