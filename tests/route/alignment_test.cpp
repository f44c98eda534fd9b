#include "route/alignment.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "route/pi_case.h"

namespace kr = korvane::route;
using kr::test::csv_rows;
using kr::test::number;

namespace {

kr::Alignment pi_alignment() {
    auto built = kr::Alignment::build(kr::test::pi_definition());
    EXPECT_TRUE(built.ok()) << (built.ok() ? "" : built.failure().message);
    return std::move(built).value();
}

double angle_gap(double a, double b) {
    return std::fabs(std::remainder(a - b, 2 * std::numbers::pi));
}

}  // namespace

TEST(alignment, pi_main_points_match_the_reference) {
    const kr::Alignment a = pi_alignment();
    const auto rows = csv_rows("pi-alignment-main-points.csv");
    // The reference lists the main points; ours also has the chain break.
    std::vector<kr::KeyPoint> mains;
    for (const auto& k : a.key_points()) {
        if (k.label != "断链") mains.push_back(k);
    }
    ASSERT_EQ(mains.size(), rows.size());
    double worst = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& r = rows[i];
        const kr::KeyPoint& k = mains[i];
        EXPECT_EQ(k.label, r[0]);
        EXPECT_EQ(k.zone, std::stoi(r[2])) << r[0] << " " << r[1];
        EXPECT_NEAR(k.s, number(r[3]), 1e-6) << r[0];
        EXPECT_NEAR(k.chainage, kr::test::station(r[1]), 1e-6) << r[0];
        const double gap = std::hypot(k.x - number(r[4]), k.y - number(r[5]));
        EXPECT_LE(gap, 1e-6) << r[0] << " " << r[1];
        EXPECT_LE(angle_gap(k.azimuth, number(r[6]) * std::numbers::pi / 180), 1e-10) << r[0];
        worst = std::max(worst, gap);
        // The key point lies where the alignment says it is.
        const kr::Pose p = a.pose_at(k.s);
        EXPECT_LE(std::hypot(p.x - k.x, p.y - k.y), 1e-6) << r[0];
    }
    std::printf("pi main points: largest position error %.3g m\n", worst);
}

namespace {

kr::Definition elements_definition(std::vector<kr::ElementDef> elements) {
    kr::Definition d;
    d.name = "test";
    kr::ElementsDef e;
    e.start_chainage = 0;
    e.start_x = 1000;
    e.start_y = 2000;
    e.start_azimuth = 0.5;
    e.elements = std::move(elements);
    d.horizontal = e;
    return d;
}

std::string refusal(const kr::Definition& d) {
    const auto built = kr::Alignment::build(d);
    EXPECT_FALSE(built.ok());
    return built.ok() ? "" : built.failure().message;
}

kr::Failure failure_of(const kr::Definition& d) {
    const auto built = kr::Alignment::build(d);
    EXPECT_FALSE(built.ok());
    return built.ok() ? kr::Failure{} : built.failure();
}

kr::Definition with_points(const std::function<void(kr::PointsDef&)>& change) {
    kr::Definition d = kr::test::pi_definition();
    change(std::get<kr::PointsDef>(d.horizontal));
    return d;
}

}  // namespace

TEST(alignment, every_curve_closes_on_its_outgoing_tangent) {
    const kr::Definition d = kr::test::pi_definition();
    const auto& p = std::get<kr::PointsDef>(d.horizontal);
    const kr::Alignment a = pi_alignment();
    double worst = 0;
    for (std::size_t i = 0; i < a.segments().size(); ++i) {
        const kr::Segment& seg = a.segments()[i];
        const bool last_of_curve = seg.source >= 0 && (i + 1 == a.segments().size() ||
                                                       a.segments()[i + 1].source != seg.source);
        if (!last_of_curve) continue;
        const auto jd = static_cast<std::size_t>(seg.source);
        const double nx = jd + 1 < p.points.size() ? p.points[jd + 1].x : p.end_x;
        const double ny = jd + 1 < p.points.size() ? p.points[jd + 1].y : p.end_y;
        const double az = std::atan2(ny - p.points[jd].y, nx - p.points[jd].x);
        const kr::Pose end =
            kr::point_along(seg.start, seg.length, seg.k_start, seg.k_end, seg.length);
        const double across =
            -(end.x - p.points[jd].x) * std::sin(az) + (end.y - p.points[jd].y) * std::cos(az);
        EXPECT_LE(std::fabs(across), 1e-6) << p.points[jd].name;
        EXPECT_LE(angle_gap(end.azimuth, az), 1e-12) << p.points[jd].name;
        worst = std::max(worst, std::fabs(across));
    }
    std::printf("pi closure: largest distance from the outgoing tangent %.3g m\n", worst);
}

// QZ is the middle of the whole curve, ZH to HZ. On a curve whose entry
// transition is longer than the rest of it, that middle lies on the entry
// transition: QZ comes before HY, with the transition's radius there.
TEST(alignment, qz_of_an_asymmetric_curve_is_the_middle_from_zh_to_hz) {
    kr::Definition d;
    d.name = "asymmetric";
    kr::PointsDef p;
    p.start_chainage = 0;
    p.points.push_back({"JD1", 1000, 0, 200, 300, 20});
    p.end_x = 1000 + 1000 * std::cos(std::numbers::pi / 3);
    p.end_y = 1000 * std::sin(std::numbers::pi / 3);
    d.horizontal = p;
    kr::Outcome<kr::Alignment> built = kr::Alignment::build(d);
    ASSERT_TRUE(built) << built.failure().message;
    const auto& keys = built.value().key_points();
    std::vector<std::string> labels;
    labels.reserve(keys.size());
    for (const auto& k : keys) labels.push_back(k.label);
    EXPECT_EQ(labels, (std::vector<std::string>{"QD", "ZH", "QZ", "HY", "YH", "HZ", "ZD"}));
    ASSERT_EQ(keys.size(), 7U);
    const kr::KeyPoint& zh = keys[1];
    const kr::KeyPoint& qz = keys[2];
    const kr::KeyPoint& hz = keys[5];
    // Ly = R(α − Ls1/2R − Ls2/2R) = 200(π/3 − 0.75 − 0.05).
    const double whole = 300 + 200 * (std::numbers::pi / 3 - 0.8) + 20;
    EXPECT_NEAR(hz.s - zh.s, whole, 1e-9);
    EXPECT_NEAR(qz.s, zh.s + whole / 2, 1e-9);
    // On the clothoid the curvature grows linearly: R·Ls1/t at t from ZH.
    EXPECT_NEAR(qz.radius, 200 * 300 / (qz.s - zh.s), 1e-9);
    const kr::Pose at = built.value().pose_at(qz.s);
    EXPECT_LE(std::hypot(at.x - qz.x, at.y - qz.y), 1e-9);
}

// The boundaries are named by the elements they join (straight, transition,
// arc, transition: ZH, HY, YH, HZ, with QZ in the middle of the curve).
TEST(alignment, element_boundaries_are_named_and_breaks_make_zones) {
    kr::Definition d = elements_definition({{100, kr::kStraight, kr::kStraight},
                                            {60, kr::kStraight, 300},
                                            {80, 300, 300},
                                            {60, 300, kr::kStraight}});
    d.breaks = {{150, 140}, {250, 260}};  // a long chain, then a short one
    const auto built = kr::Alignment::build(d);
    ASSERT_TRUE(built.ok()) << built.failure().message;
    const kr::Alignment& a = built.value();
    std::vector<std::string> labels;
    for (const auto& k : a.key_points()) labels.push_back(k.label);
    EXPECT_EQ(labels,
              (std::vector<std::string>{"QD", "ZH", "断链", "HY", "QZ", "YH", "断链", "HZ", "ZD"}));
    ASSERT_EQ(a.zones().size(), 3u);
    EXPECT_EQ(a.zones()[1].s_begin, 150);
    EXPECT_EQ(a.zones()[2].s_begin, 260);
    EXPECT_EQ(a.key_points()[2].ahead, 140.0);
    EXPECT_EQ(a.key_points().back().chainage, 300);
    EXPECT_EQ(a.key_points().back().zone, 3);
    EXPECT_EQ(a.key_points()[1].radius, kr::kStraight);
    EXPECT_EQ(a.key_points()[3].radius, 300);

    // Long chain: K0+140 to K0+150 occur twice.
    const auto twice = a.locate(145, 0);
    ASSERT_FALSE(twice.ok());
    EXPECT_EQ(
        twice.failure().message,
        "桩号K0+145.000在长链内出现2次（第1区距起点145.000m，第2区距起点155.000m），请指定分区！");
    EXPECT_EQ(a.locate(145, 1).value().s, 145);
    EXPECT_EQ(a.locate(145, 2).value().s, 155);
    EXPECT_EQ(a.locate(150, 1).value().s, 150);  // the back chainage itself, in zone 1
    EXPECT_EQ(a.locate(140, 2).value().s, 150);  // the ahead chainage, in zone 2
    EXPECT_EQ(a.locate(145, 3).failure().message,
              "桩号K0+145.000不在第3区（K0+260.000至K0+300.000）内！");
    EXPECT_EQ(a.locate(145, 4).failure().message, "分区4不存在（线路共3个分区）！");
    EXPECT_EQ(a.locate(145, 4).failure().subject, kr::Subject::zone);
    // Short chain: K0+250 to K0+260 do not exist.
    EXPECT_EQ(a.locate(255, 0).failure().message,
              "桩号K0+255.000在短链K0+250.000=K0+260.000内，该桩号不存在！");
    EXPECT_EQ(a.locate(255, 0).failure().subject, kr::Subject::station);
    EXPECT_EQ(a.locate(260, 0).value().s, 260);
    EXPECT_EQ(a.locate(250, 0).value().s, 260);
    EXPECT_EQ(a.locate(-0.5, 0).failure().message,
              "桩号-K0+000.500在线路起点K0+000.000之前0.500m！");
    EXPECT_EQ(a.locate(301, 0).failure().message, "桩号K0+301.000在线路终点K0+300.000之后1.000m！");
    EXPECT_EQ(a.locate(300, 0).value().s, 300);
    EXPECT_EQ(a.locate(0, 0).value().s, 0);
}

TEST(alignment, vertical_curve_at_its_ends_and_middle) {
    kr::Definition d = elements_definition({{400, kr::kStraight, kr::kStraight}});
    // +2 % then -2 %: a crest with R 5000, L = 200, T = 100, E = 1.
    d.profile = {{0, 0, 100, 0}, {200, 0, 104, 5000}, {400, 0, 100, 0}};
    const auto built = kr::Alignment::build(d);
    ASSERT_TRUE(built.ok()) << built.failure().message;
    const kr::Alignment& a = built.value();
    EXPECT_NEAR(*a.elevation_at(100), 102, 1e-12);  // start of the curve: on the tangent
    EXPECT_NEAR(*a.elevation_at(300), 102, 1e-12);  // its end
    EXPECT_NEAR(*a.elevation_at(200), 103, 1e-12);  // the middle: E below the intersection
    EXPECT_NEAR(*a.elevation_at(150), 104 - 1 - 0.25, 1e-12);
    EXPECT_NEAR(*a.elevation_at(150), 102.75, 1e-12);
    EXPECT_NEAR(*a.elevation_at(50), 101, 1e-12);
    EXPECT_NEAR(*a.elevation_at(350), 101, 1e-12);
    EXPECT_NEAR(*a.elevation_at(0), 100, 1e-12);
    EXPECT_NEAR(*a.elevation_at(400), 100, 1e-12);
    // A sag of the same shape lies above its tangents.
    d.profile = {{0, 0, 100, 0}, {200, 0, 96, 5000}, {400, 0, 100, 0}};
    EXPECT_NEAR(*kr::Alignment::build(d).value().elevation_at(200), 97, 1e-12);
    // Outside the profile there is no elevation.
    d.profile = {{50, 0, 100, 0}, {300, 0, 110, 0}};
    const kr::Alignment b = kr::Alignment::build(d).value();
    EXPECT_FALSE(b.elevation_at(49).has_value());
    EXPECT_FALSE(b.elevation_at(301).has_value());
    EXPECT_NEAR(*b.elevation_at(175), 105, 1e-12);
}

// An unsymmetric vertical curve: +2 % then −2 % at K0+200 (H 104), 60 m of
// curve before the point and 40 m after it. Worked by hand: E = |ω|·L1·L2 /
// (2(L1 + L2)) = 0.04·60·40/200 = 0.48, each part falling from its tangent
// by E·(x/Lk)², x from that part's far end; both parts have the grade
// 0.02 − 2·0.48/60 = −0.02 + 2·0.48/40 = +0.004 at the point.
TEST(alignment, unsymmetric_vertical_curve_of_two_parabolas) {
    kr::Definition d = elements_definition({{400, kr::kStraight, kr::kStraight}});
    d.profile = {{0, 0, 100, 0}, {200, 0, 104, 0, 60, 40}, {400, 0, 100, 0}};
    const auto built = kr::Alignment::build(d);
    ASSERT_TRUE(built.ok()) << built.failure().message;
    const kr::Alignment& a = built.value();
    EXPECT_NEAR(*a.elevation_at(140), 102.8, 1e-12);         // BVC, on the tangent
    EXPECT_NEAR(*a.elevation_at(170), 103.4 - 0.12, 1e-12);  // half of L1: E/4 below
    EXPECT_NEAR(*a.elevation_at(200), 104 - 0.48, 1e-12);    // E below the point
    EXPECT_NEAR(*a.elevation_at(220), 103.6 - 0.12, 1e-12);  // half of L2
    EXPECT_NEAR(*a.elevation_at(240), 103.2, 1e-12);         // EVC
    EXPECT_NEAR(*a.elevation_at(300), 102, 1e-12);
    const double h = 1e-4;
    EXPECT_NEAR((*a.elevation_at(200) - *a.elevation_at(200 - h)) / h, 0.004, 1e-5);
    EXPECT_NEAR((*a.elevation_at(200 + h) - *a.elevation_at(200)) / h, 0.004, 1e-5);
    const kr::Alignment::Grade& g = a.profile()[1];
    EXPECT_EQ(g.tangent_in, 60);
    EXPECT_EQ(g.tangent_out, 40);
    EXPECT_NEAR(g.external, 0.48, 1e-12);

    // Its parts count for overlaps on their own side.
    d.profile = {{0, 0, 100, 0}, {200, 0, 104, 0, 60, 40}, {230, 0, 103, 50}, {400, 0, 100, 0}};
    EXPECT_EQ(refusal(d), "第2个变坡点与第3个变坡点的竖曲线重叠！");
    d.profile = {{0, 0, 100, 0}, {200, 0, 104, 0, 60, 0}, {400, 0, 100, 0}};
    EXPECT_EQ(refusal(d), "第2个变坡点（K0+200.000）的不对称竖曲线前、后段长应为正数！");
    d.profile = {{0, 0, 100, 0}, {200, 0, 104, 500, 60, 40}, {400, 0, 100, 0}};
    EXPECT_EQ(refusal(d), "第2个变坡点（K0+200.000）不能同时给出竖曲线半径与不对称竖曲线的段长！");
    d.profile = {{0, 0, 100, 0, 10, 10}, {400, 0, 100, 0}};
    EXPECT_EQ(refusal(d), "第1个变坡点（K0+000.000）是纵断面的起点，不能设竖曲线！");
}

// Within the tolerance just outside either end of the profile the elevation
// is the end's, never NaN (the ends have no vertical curve to divide by).
TEST(alignment, elevation_just_past_the_profiles_ends_is_the_ends) {
    kr::Definition d = elements_definition({{100, kr::kStraight, kr::kStraight}});
    d.profile = {{0, 0, 120.5, 0}, {50, 0, 121, 0}};
    const kr::Alignment a = kr::Alignment::build(d).value();
    for (double s : {-1e-10, -5e-312, 0.0}) {
        const std::optional<double> h = a.elevation_at(s);
        ASSERT_TRUE(h) << s;
        EXPECT_EQ(*h, 120.5) << s;
    }
    for (double s : {50.0, 50 + 1e-10}) {
        const std::optional<double> h = a.elevation_at(s);
        ASSERT_TRUE(h) << s;
        EXPECT_EQ(*h, 121) << s;
    }
    EXPECT_FALSE(a.elevation_at(50.001));
}

TEST(alignment, refuses_bad_elements_naming_the_row) {
    using E = kr::ElementDef;
    const double inf = kr::kStraight;
    EXPECT_EQ(refusal(elements_definition({})), "线路没有线元！");
    EXPECT_EQ(refusal(elements_definition({{100, inf, inf}, {0, inf, inf}})),
              "第2个线元的长度必须大于0！");
    EXPECT_EQ(failure_of(elements_definition({{100, inf, inf}, {0, inf, inf}})).index, 1);
    EXPECT_EQ(failure_of(elements_definition({{100, inf, inf}, {0, inf, inf}})).subject,
              kr::Subject::element);
    EXPECT_EQ(refusal(elements_definition({{-5, inf, inf}})), "第1个线元的长度必须大于0！");
    EXPECT_EQ(refusal(elements_definition({{NAN, inf, inf}})), "第1个线元的长度必须大于0！");
    EXPECT_EQ(refusal(elements_definition({{inf, inf, inf}})),
              "第1个线元的长度超出范围（0.000001m至100000km）！");
    EXPECT_EQ(refusal(elements_definition({{50, 0, 100}})), "第1个线元的半径不能为0！");
    EXPECT_EQ(refusal(elements_definition({{50, -300, -300}, {50, 100, NAN}})),
              "第2个线元的半径不是有效数字！");
    EXPECT_EQ(refusal(elements_definition({{50, 0.001, 0.001}})),
              "第1个线元的半径太小（不能小于0.01m）！");
    EXPECT_EQ(refusal(elements_definition({{1000, 5, 5}})),
              "第1个线元的转角过大（不能超过100弧度）！");
    kr::Definition d = elements_definition({E{100, inf, inf}});
    std::get<kr::ElementsDef>(d.horizontal).start_x = NAN;
    EXPECT_EQ(refusal(d), "起点坐标不是有效数字或超出范围！");
    std::get<kr::ElementsDef>(d.horizontal).start_x = 0;
    std::get<kr::ElementsDef>(d.horizontal).start_azimuth = INFINITY;
    EXPECT_EQ(refusal(d), "起点方位角不是有效数字！");
    d = elements_definition({E{100, inf, inf}});
    d.prefix = "KD";
    EXPECT_EQ(refusal(d), "桩号冠号须为以K结尾的大写字母！");
}

TEST(alignment, refuses_bad_intersection_points_naming_the_jd) {
    // R = 0 is an angle point, which has no transitions.
    EXPECT_EQ(refusal(with_points([](kr::PointsDef& p) { p.points[1].radius = 0; })),
              "交点JD2的半径为0（折点），不能有缓和曲线！");
    EXPECT_EQ(refusal(with_points([](kr::PointsDef& p) { p.points[1].radius = -1; })),
              "交点JD2的半径必须大于0！");
    EXPECT_EQ(refusal(with_points([](kr::PointsDef& p) { p.points[0].exit_transition = -1; })),
              "交点JD1的缓和曲线长度不能为负！");
    EXPECT_EQ(refusal(with_points([](kr::PointsDef& p) { p.points[2].x = NAN; })),
              "交点JD3的坐标不是有效数字或超出范围！");
    EXPECT_EQ(refusal(with_points([](kr::PointsDef& p) {
                  p.points[1].x = p.points[0].x;
                  p.points[1].y = p.points[0].y;
              })),
              "交点JD2与前一点重合！");
    // JD2 moved onto the line JD1–JD3: no turn.
    EXPECT_EQ(refusal(with_points([](kr::PointsDef& p) {
                  p.points[1].x = (p.points[0].x + p.points[2].x) / 2;
                  p.points[1].y = (p.points[0].y + p.points[2].y) / 2;
                  p.points[1].x = p.points[0].x + 0.5 * (p.points[2].x - p.points[0].x);
                  p.points[1].y = p.points[0].y + 0.5 * (p.points[2].y - p.points[0].y);
                  p.points[0].x = 0;
                  p.points[0].y = 0;
                  p.points[2].x = 200;
                  p.points[2].y = 200;
                  p.points[1].x = 100;
                  p.points[1].y = 100;
              })),
              "交点JD2没有转角（前后切线在一条直线上）！");
    // A turn back on itself.
    EXPECT_EQ(refusal(with_points([](kr::PointsDef& p) {
                  p.start_x = 0;
                  p.start_y = 0;
                  p.points = {{"JD1", 100, 0, 50, 0, 0}};
                  p.end_x = 50;
                  p.end_y = 0;
              })),
              "交点JD1的转角不能达到180°！");
    // JD3 turns about 30° on a radius of 400: transitions of 250 + 250 need 36°.
    const kr::Failure ly = failure_of(with_points([](kr::PointsDef& p) {
        p.points[2].entry_transition = 250;
        p.points[2].exit_transition = 250;
    }));
    EXPECT_TRUE(ly.message.starts_with("交点JD3的缓和曲线太长，圆曲线长度为负（Ly=-"))
        << ly.message;
    EXPECT_TRUE(ly.message.ends_with("m）！")) << ly.message;
    EXPECT_EQ(ly.index, 2);
    // Radii so large that the tangents of JD1 and JD2 overlap.
    const kr::Failure overlap =
        failure_of(with_points([](kr::PointsDef& p) { p.points[1].radius = 3000; }));
    EXPECT_TRUE(overlap.message.starts_with("交点JD1与交点JD2的曲线重叠（夹直线长度为-"))
        << overlap.message;
    EXPECT_EQ(overlap.index, 0);
    EXPECT_EQ(overlap.other, 1);
    const kr::Failure first =
        failure_of(with_points([](kr::PointsDef& p) { p.points[0].radius = 6000; }));
    EXPECT_TRUE(first.message.starts_with("交点JD1的切线长超过起点到该交点的距离（夹直线长度为-"))
        << first.message;
    const kr::Failure last = failure_of(with_points([](kr::PointsDef& p) {
        p.end_x = p.points[2].x + 65;
        p.end_y = p.points[2].y + 76;
    }));
    EXPECT_TRUE(last.message.starts_with("交点JD3的切线长超过该交点到终点的距离")) << last.message;
    EXPECT_EQ(refusal(with_points([](kr::PointsDef& p) {
                  p.points.clear();
                  p.end_x = p.start_x;
                  p.end_y = p.start_y;
              })),
              "终点与起点重合！");
    EXPECT_EQ(refusal(with_points([](kr::PointsDef& p) {
                  p.points[0].name.clear();
                  p.points[0].radius = -3;
              })),
              "第1个交点的半径必须大于0！");
}

TEST(alignment, refuses_bad_breaks_and_profiles_naming_the_row) {
    kr::Definition d = elements_definition({{300, kr::kStraight, kr::kStraight}});
    d.breaks = {{200, 150}, {140, 190}};  // K0+140 of zone 2 lies before the first break
    EXPECT_EQ(refusal(d), "第2个断链K0+140.000=K0+190.000不在前一断链之后（断链须按顺序给出）！");
    EXPECT_EQ(failure_of(d).index, 1);
    EXPECT_EQ(failure_of(d).subject, kr::Subject::chain_break);
    d.breaks = {{350, 340}};
    EXPECT_EQ(
        refusal(d),
        "第1个断链K0+350.000=K0+340.000的来向桩号不在线路上（应在K0+000.000至K0+300.000之间）！");
    d.breaks = {{100, NAN}};
    EXPECT_EQ(refusal(d), "第1个断链的桩号不是有效数字或超出范围！");

    d.breaks = {{200, 150}, {240, 270}};  // zone 2: K0+150..240 on s 200..290; zone 3: K0+270..280
    d.profile = {{0, 0, 100, 0}};
    EXPECT_EQ(refusal(d), "纵断面至少需要两个变坡点！");
    d.profile = {{0, 0, 100, 500}, {300, 0, 110, 0}};
    EXPECT_EQ(refusal(d), "第1个变坡点（K0+000.000）是纵断面的起点，不能设竖曲线！");
    d.profile = {{0, 0, 100, 0}, {300, 0, 110, 500}};
    EXPECT_EQ(refusal(d), "第2个变坡点（K0+300.000）是纵断面的终点，不能设竖曲线！");
    d.profile = {{0, 0, 100, 0}, {175, 0, 110, 0}, {280, 0, 100, 0}};
    EXPECT_EQ(refusal(d), "第2个变坡点（K0+175.000）在长链内出现两次，请指定分区！");
    d.profile[1].zone = 2;  // s = 225
    EXPECT_TRUE(kr::Alignment::build(d).ok());
    d.profile[1].zone = 4;
    EXPECT_EQ(refusal(d), "第2个变坡点（K0+175.000）的分区不存在（线路共3个分区）！");
    d.profile = {{0, 0, 100, 0}, {260, 0, 110, 0}, {280, 0, 100, 0}};
    EXPECT_EQ(refusal(d), "第2个变坡点（K0+260.000）在短链内，该桩号不存在！");
    d.profile = {{0, 0, 100, 0}, {100, 0, 110, 0}, {90, 1, 100, 0}};
    EXPECT_EQ(refusal(d),
              "第3个变坡点（K0+090.000）不在前一变坡点之后（变坡点须按桩号顺序给出）！");
    d.profile = {{0, 0, 100, 0},
                 {100, 0, 102, 1000},
                 {140, 0, 101, 1100},
                 {320, 0, 103, 0}};  // T 22.5 + 19.25 > 40
    EXPECT_EQ(refusal(d), "第2个变坡点与第3个变坡点的竖曲线重叠！");
    EXPECT_EQ(failure_of(d).other, 2);
    d.profile = {{0, 0, 100, 0}, {100, 0, 110, 2000}, {320, 0, 90, 0}};  // T = 2000·0.1909/2 > 100
    EXPECT_EQ(refusal(d), "第2个变坡点的竖曲线超出第1个变坡点！");
    d.profile = {{0, 0, 100, 0}, {100, 0, 100, NAN}, {320, 0, 90, 0}};
    EXPECT_EQ(refusal(d), "第2个变坡点（K0+100.000）的竖曲线半径不能为负！");
    // A profile reaching beyond both ends of the alignment is taken.
    d.profile = {{-50, 0, 100, 0}, {400, 0, 110, 0}};
    EXPECT_TRUE(kr::Alignment::build(d).ok());
}

TEST(alignment, frame_is_the_pose_whatever_element_it_starts_from) {
    // Straight, transitions both ways, a tight curve and curve to curve through zero.
    const auto built =
        kr::Alignment::build(elements_definition({{120, kr::kStraight, kr::kStraight},
                                                  {90, kr::kStraight, 60},
                                                  {70, 60, 60},
                                                  {90, 60, -80},
                                                  {50, -80, -80},
                                                  {60, -80, kr::kStraight},
                                                  {40, kr::kStraight, kr::kStraight}}));
    ASSERT_TRUE(built.ok()) << built.failure().message;
    const kr::Alignment& a = built.value();
    const int n = static_cast<int>(a.segments().size());
    double worst_cos = 0;
    const auto check = [&](double s, int& hint) {
        const kr::Alignment::Frame f = a.frame_at(s, hint);
        const kr::Pose p = a.pose_at(s);
        EXPECT_EQ(f.pose, p) << "s " << s;
        EXPECT_EQ(hint, a.segment_of(s)) << "s " << s;
        worst_cos = std::max({worst_cos, std::fabs(f.cos_az - std::cos(p.azimuth)),
                              std::fabs(f.sin_az - std::sin(p.azimuth))});
    };
    // Increasing, as a table walks; then decreasing, beyond either end and at
    // every element boundary with every starting hint, stale or out of range.
    int hint = 0;
    for (double s = 0; s <= a.length(); s += 0.37) check(s, hint);
    for (double s = a.length(); s >= 0; s -= 1.13) check(s, hint);
    for (int h = -1; h <= n; ++h) {
        for (const kr::Segment& seg : a.segments()) {
            for (const double s : {seg.s_start, std::nextafter(seg.s_start, -1.0), -5.0, a.length(),
                                   a.length() + 5}) {
                hint = h;
                check(s, hint);
            }
        }
    }
    EXPECT_LT(worst_cos, 1e-15);
}
