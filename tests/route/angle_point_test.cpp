// Angle points (折点) and the names of the main points of element-defined
// alignments, checked against positions worked out by hand.
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "route/alignment.h"
#include "route/checks.h"
#include "route/forward.h"

namespace kr = korvane::route;

namespace {

constexpr double inf = kr::kStraight;
constexpr double kDegree = std::numbers::pi / 180;

kr::Definition elements(std::vector<kr::ElementDef> list, double azimuth = 0) {
    kr::Definition d;
    d.name = "A";
    kr::ElementsDef e;
    e.start_azimuth = azimuth;
    e.elements = std::move(list);
    d.horizontal = e;
    return d;
}

kr::Alignment built(const kr::Definition& d) {
    auto b = kr::Alignment::build(d);
    EXPECT_TRUE(b.ok()) << (b.ok() ? "" : b.failure().message);
    return std::move(b).value();
}

std::vector<std::string> labels(const kr::Alignment& a) {
    std::vector<std::string> out;
    for (const kr::KeyPoint& k : a.key_points()) out.push_back(k.label);
    return out;
}

// QD (0, 0) north 100 m to JD1 (100, 0), a right angle to the east, ZD (100, 100).
kr::Definition square_corner(double radius) {
    kr::Definition d;
    d.name = "L";
    kr::PointsDef p;
    p.points = {{"JD1", 100, 0, radius, 0, 0}};
    p.end_x = 100;
    p.end_y = 100;
    d.horizontal = p;
    return d;
}

}  // namespace

TEST(angle_point, a_jd_of_radius_0_turns_at_the_jd) {
    const kr::Alignment a = built(square_corner(0));
    EXPECT_EQ(labels(a), (std::vector<std::string>{"QD", "JD1", "ZD"}));
    EXPECT_EQ(a.length(), 200);
    const kr::KeyPoint& jd = a.key_points()[1];
    EXPECT_EQ(jd.s, 100);
    EXPECT_NEAR(jd.x, 100, 1e-12);
    EXPECT_NEAR(jd.y, 0, 1e-12);
    EXPECT_NEAR(jd.azimuth, std::numbers::pi / 2, 1e-15);  // the azimuth ahead
    // Forward at the angle point takes the azimuth ahead: 5 m right is south.
    auto f = kr::forward(a, 100, 0, 5);
    ASSERT_TRUE(f.ok());
    EXPECT_NEAR(f.value().x, 95, 1e-9);
    EXPECT_NEAR(f.value().y, 0, 1e-9);
    f = kr::forward(a, 150, 0, 0);
    EXPECT_NEAR(f.value().x, 100, 1e-9);
    EXPECT_NEAR(f.value().y, 50, 1e-9);

    // Outside the angle (north-west of it) no perpendicular foot exists: the
    // angle point is the foot, at the signed distance, to the left.
    auto v = kr::inverse(a, 105, -5);
    ASSERT_TRUE(v.ok()) << v.failure().message;
    EXPECT_TRUE(v.value().corner);
    EXPECT_NEAR(v.value().s, 100, 1e-9);
    EXPECT_NEAR(v.value().offset, -std::sqrt(50.0), 1e-9);
    // Inside it, a foot on either leg, 5 m away each: the nearer along the line.
    v = kr::inverse(a, 95, 5);
    ASSERT_TRUE(v.ok());
    EXPECT_FALSE(v.value().corner);
    EXPECT_EQ(v.value().feet, 2);
    EXPECT_NEAR(v.value().s, 95, 1e-9);
    EXPECT_NEAR(v.value().offset, 5, 1e-9);
    // Along either leg, as before.
    v = kr::inverse(a, 40, 3);
    EXPECT_NEAR(v.value().s, 40, 1e-9);
    EXPECT_NEAR(v.value().offset, 3, 1e-9);

    // Its elements: two straights with the turn between, named after the JD.
    const kr::ElementsDef e = kr::elements_of(square_corner(0), a);
    ASSERT_EQ(e.elements.size(), 2u);
    EXPECT_NEAR(e.elements[1].turn, std::numbers::pi / 2, 1e-15);
    EXPECT_EQ(e.elements[1].name, "JD1");
    kr::Definition as_elements = square_corner(0);
    as_elements.horizontal = e;
    EXPECT_EQ(labels(built(as_elements)), labels(a));

    // An angle point has no transitions.
    kr::Definition with_transition = square_corner(0);
    std::get<kr::PointsDef>(with_transition.horizontal).points[0].entry_transition = 10;
    EXPECT_EQ(kr::Alignment::build(with_transition).failure().message,
              "交点JD1的半径为0（折点），不能有缓和曲线！");
}

TEST(angle_point, an_element_may_turn_at_its_start) {
    // North 100 m, then turned 30° right and on 100 m: the end at
    // (100 + 100·cos 30°, 100·sin 30°).
    kr::ElementDef second{100, inf, inf};
    second.turn = 30 * kDegree;
    const kr::Alignment a = built(elements({{100, inf, inf}, second}));
    EXPECT_EQ(labels(a), (std::vector<std::string>{"QD", "折点", "ZD"}));
    const kr::KeyPoint& zd = a.key_points().back();
    EXPECT_NEAR(zd.x, 100 + 50 * std::sqrt(3.0), 1e-9);
    EXPECT_NEAR(zd.y, 50, 1e-9);
    EXPECT_NEAR(zd.azimuth, 30 * kDegree, 1e-15);
    EXPECT_TRUE(a.segments()[1].corner);
    EXPECT_FALSE(a.segments()[0].corner);

    second.turn = std::numbers::pi;
    EXPECT_EQ(kr::Alignment::build(elements({{100, inf, inf}, second})).failure().message,
              "第2个线元前的折点转角必须小于180°！");
}

TEST(angle_point, an_element_may_start_on_its_own) {
    // A straight north, then a transition that starts 0.5 mm east of its end
    // and 20″ to the right: a main point ZH (not an angle point) at the
    // element's own start.
    kr::ElementDef spiral{60, inf, 300};
    spiral.start = kr::ElementStart{100, 0.0005, 20.0 / 3600 * kDegree};
    const kr::Alignment a = built(elements({{100, inf, inf}, spiral, {50, 300, 300}}));
    EXPECT_EQ(labels(a), (std::vector<std::string>{"QD", "ZH", "HY", "ZD"}));
    const kr::KeyPoint& zh = a.key_points()[1];
    EXPECT_EQ(zh.x, 100);
    EXPECT_EQ(zh.y, 0.0005);
    EXPECT_NEAR(zh.azimuth, 20.0 / 3600 * kDegree, 1e-18);
    // The point 2 m right of the joint, square to the transition's start,
    // finds its foot there.
    const double az = 20.0 / 3600 * kDegree;
    auto v = kr::inverse(a, 100 - 2 * std::sin(az), 0.0005 + 2 * std::cos(az));
    ASSERT_TRUE(v.ok());
    EXPECT_NEAR(v.value().s, 100, 1e-6);
    EXPECT_NEAR(v.value().offset, 2, 1e-6);
}

TEST(angle_point, boundaries_are_named_by_the_elements_they_join) {
    // Straight, arc R100, arc R200 (compound), straight: ZY, GQ, YZ, and one
    // QZ in the middle of the whole curve (s = 100 + 60).
    kr::Alignment a =
        built(elements({{100, inf, inf}, {50, 100, 100}, {70, 200, 200}, {30, inf, inf}}));
    EXPECT_EQ(labels(a), (std::vector<std::string>{"QD", "ZY", "GQ", "QZ", "YZ", "ZD"}));
    EXPECT_NEAR(a.key_points()[3].s, 160, 1e-12);
    EXPECT_EQ(a.key_points()[3].radius, 200);
    // An S-curve without a straight: two transitions meeting at curvature 0
    // end one curve (HZ) and start the next (ZH), each with its QZ (the
    // first in the middle, where its transitions meet: HY, YH, QZ).
    a = built(elements({{10, inf, inf},
                        {40, inf, 200},
                        {40, 200, inf},
                        {40, inf, -300},
                        {20, -300, -300},
                        {40, -300, inf},
                        {10, inf, inf}}));
    EXPECT_EQ(labels(a), (std::vector<std::string>{"QD", "ZH", "HY", "YH", "QZ", "HZ", "ZH", "HY",
                                                   "QZ", "YH", "HZ", "ZD"}));
    EXPECT_NEAR(a.key_points()[4].s, 50, 1e-12);
    EXPECT_NEAR(a.key_points()[8].s, 90 + 50, 1e-12);
    // Two straights in line, or an arc continued at its radius, keep the
    // number of the element.
    a = built(elements({{10, inf, inf}, {10, inf, inf}, {10, 50, 50}, {10, 50, 50}}));
    EXPECT_EQ(labels(a), (std::vector<std::string>{"QD", "2", "ZY", "4", "ZD"}));
}

TEST(angle_point, a_jump_of_curvature_is_noticed) {
    // A transition ending at R300 followed by an arc of R200.
    const kr::Definition d = elements({{100, inf, inf}, {60, inf, 300}, {50, 200, 200}});
    const auto notices = kr::definition_notices(d);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].element, 2);
    EXPECT_EQ(notices[0].message,
              "第2个线元（缓和曲线）终点的半径R300与第3个线元（圆曲线）起点的半径R200不同，"
              "曲率在此突变");
    // Straight to arc, arc to arc and a transition meeting its arc are designs.
    EXPECT_TRUE(
        kr::definition_notices(
            elements(
                {{100, inf, inf}, {50, 200, 200}, {50, 100, 100}, {60, 100, inf}, {10, inf, inf}}))
            .empty());
}
