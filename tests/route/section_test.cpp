// The design elevation of the road surface across the line, against values
// worked out by hand from the section's rules: the rise from the centre line
// is the sum of slope × width of the segments crossed, the axis keeps its
// normal elevation, turning segments take their side's slope, a segment that
// does not turn keeps its own except on the low side, where it falls at least
// as steeply as the turning segment inside it.
#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "route/alignment.h"
#include "route/forward.h"

namespace kr = korvane::route;

namespace {

constexpr double inf = kr::kStraight;

// 行车道 3.75 m and 硬路肩 2.5 m at −2 % turning, 土路肩 0.75 m at −4 % not.
std::vector<kr::SectionPart> side() {
    return {{3.75, -2, "行车道", true}, {2.5, -2, "硬路肩", true}, {0.75, -4, "土路肩", false}};
}

// A straight of 1000 m north with a 1 % grade from H 100 at K0+000.
kr::Definition straight() {
    kr::Definition d;
    d.name = "S";
    kr::ElementsDef e;
    e.elements = {{1000, inf, inf}};
    d.horizontal = e;
    d.profile = {{0, 0, 100, 0}, {1000, 0, 110, 0}};
    d.section.left = side();
    d.section.right = side();
    return d;
}

kr::Alignment built(const kr::Definition& d) {
    auto b = kr::Alignment::build(d);
    EXPECT_TRUE(b.ok()) << (b.ok() ? "" : b.failure().message);
    return std::move(b).value();
}

std::string refusal(const kr::Definition& d) {
    auto b = kr::Alignment::build(d);
    return b.ok() ? std::string("(built)") : b.failure().message;
}

double h(const kr::Alignment& a, double s, double d) {
    const std::optional<double> v = a.design_elevation(s, d);
    EXPECT_TRUE(v.has_value()) << "s " << s << " d " << d;
    return v.value_or(NAN);
}

constexpr double kExact = 1e-9;

}  // namespace

TEST(section, a_straight_with_a_normal_crown) {
    const kr::Alignment a = built(straight());
    // H_p(100) = 101; right: 3.75·−2 %, then 2.5·−2 %, then the −4 % shoulder.
    EXPECT_NEAR(h(a, 100, 0), 101, kExact);
    EXPECT_NEAR(h(a, 100, 3.75), 101 - 0.075, kExact);
    EXPECT_NEAR(h(a, 100, 5), 101 - 0.075 - 0.025, kExact);
    EXPECT_NEAR(h(a, 100, 6.25), 101 - 0.125, kExact);
    EXPECT_NEAR(h(a, 100, -6.625), 101 - 0.125 - 0.015, kExact);
    EXPECT_NEAR(h(a, 100, 7), 101 - 0.155, kExact);
    // Outside the template there is no surface; outside the profile no H.
    EXPECT_FALSE(a.design_elevation(100, 7.001).has_value());
    EXPECT_FALSE(a.design_elevation(100, -7.5).has_value());
    kr::Definition d = straight();
    d.profile = {{200, 0, 100, 0}, {400, 0, 110, 0}};
    EXPECT_FALSE(built(d).design_elevation(100, 0).has_value());
    // A template on one side only: nothing on the other.
    d = straight();
    d.section.left.clear();
    EXPECT_FALSE(built(d).design_elevation(100, -1).has_value());
    EXPECT_NEAR(h(built(d), 100, 0), 101, kExact);
}

TEST(section, without_a_template_only_the_profile_line_has_an_elevation) {
    kr::Definition d = straight();
    d.section.left.clear();
    d.section.right.clear();
    EXPECT_NEAR(h(built(d), 100, 0), 101, kExact);
    EXPECT_FALSE(built(d).design_elevation(100, 7.5).has_value());
    // Forward and table results at a side stake say so: no elevation.
    const kr::Alignment a = built(d);
    EXPECT_FALSE(kr::forward(a, 100, 0, -7.5).value().elevation.has_value());
    d.section.profile_offset = 2;
    EXPECT_NEAR(h(built(d), 100, 2), 101, kExact);
    EXPECT_FALSE(built(d).design_elevation(100, 0).has_value());
}

TEST(section, a_profile_line_at_an_offset) {
    kr::Definition d = straight();
    d.section.profile_offset = 6.25;  // the profile gives the shoulder's edge
    const kr::Alignment a = built(d);
    EXPECT_NEAR(h(a, 100, 6.25), 101, kExact);
    EXPECT_NEAR(h(a, 100, 0), 101 + 0.125, kExact);
    EXPECT_NEAR(h(a, 100, -7), 101 + 0.125 - 0.155, kExact);
    d.section.profile_offset = 8;
    EXPECT_EQ(refusal(d), "设计线偏距8米在路幅之外！");
}

// Full superelevation of 6 % with the inside on the right, typed as records:
// at s 400 the left rises +6 %, the right falls −6 % and its shoulder on the
// low side falls −6 % too (steeper than its own −4 %); the high side's
// shoulder keeps −4 %. H_p(400) = 104.
TEST(section, full_superelevation_about_each_axis) {
    kr::Definition d = straight();
    d.section.superelevation = {
        {200, 0, -2, -2}, {300, 0, 6, -6}, {500, 0, 6, -6}, {600, 0, -2, -2}};
    const double right7 = -6.25 * 0.06 - 0.75 * 0.06;  // −0.42
    const double left7 = 6.25 * 0.06 - 0.75 * 0.04;    // +0.345
    {
        const kr::Alignment a = built(d);  // about the centre line
        EXPECT_NEAR(h(a, 400, 0), 104, kExact);
        EXPECT_NEAR(h(a, 400, 7), 104 + right7, kExact);
        EXPECT_NEAR(h(a, 400, -7), 104 + left7, kExact);
        EXPECT_NEAR(h(a, 400, -3.75), 104 + 0.225, kExact);
        // Before and after the records: the normal crown.
        EXPECT_NEAR(h(a, 150, 7), 101.5 - 0.155, kExact);
        EXPECT_NEAR(h(a, 700, -7), 107 - 0.155, kExact);
        // Half-way up the first ramp: left +2 %, right −4 %.
        EXPECT_NEAR(h(a, 250, -6.25), 102.5 + 6.25 * 0.02, kExact);
        EXPECT_NEAR(h(a, 250, 7), 102.5 - 6.25 * 0.04 - 0.75 * 0.04, kExact);
    }
    {
        // About the inner edge (right, 6.25 m): it keeps 104 − 0.125.
        d.section.axis = {kr::AxisKind::inner_edge, 0};
        const kr::Alignment a = built(d);
        EXPECT_NEAR(h(a, 400, 6.25), 104 - 0.125, kExact);
        EXPECT_NEAR(h(a, 400, 0), 104 - 0.125 + 0.375, kExact);
        EXPECT_NEAR(h(a, 400, 7), 104.25 + right7, kExact);
        EXPECT_NEAR(h(a, 400, -7), 104.25 + left7, kExact);
        EXPECT_NEAR(h(a, 150, 7), 101.5 - 0.155, kExact);  // normal: any axis
    }
    {
        // About the outer edge (left, −6.25 m).
        d.section.axis = {kr::AxisKind::outer_edge, 0};
        const kr::Alignment a = built(d);
        EXPECT_NEAR(h(a, 400, -6.25), 104 - 0.125, kExact);
        EXPECT_NEAR(h(a, 400, 0), 103.5, kExact);
        EXPECT_NEAR(h(a, 400, 7), 103.5 + right7, kExact);
    }
    {
        // About an offset 2 m right: it keeps 104 − 0.04.
        d.section.axis = {kr::AxisKind::offset, 2};
        const kr::Alignment a = built(d);
        EXPECT_NEAR(h(a, 400, 2), 104 - 0.04, kExact);
        EXPECT_NEAR(h(a, 400, 7), 104.08 + right7, kExact);
    }
}

TEST(section, widening_widens_the_outermost_turning_segment) {
    kr::Definition d = straight();
    d.section.widening = {{200, 0, 0, 0}, {300, 0, 0, 0.8}, {500, 0, 0, 0.8}, {600, 0, 0, 0}};
    const kr::Alignment a = built(d);
    // At 400 the 硬路肩 is 3.3 m wide: the shoulder lies from 7.05 to 7.8.
    EXPECT_NEAR(h(a, 400, 7.05), 104 - 7.05 * 0.02, kExact);
    EXPECT_NEAR(h(a, 400, 7.8), 104 - 0.141 - 0.03, kExact);
    EXPECT_FALSE(a.design_elevation(400, 7.81).has_value());
    // Half-way up: 0.4 m.
    EXPECT_NEAR(h(a, 250, 7.4), 102.5 - 6.65 * 0.02 - 0.03, kExact);
    EXPECT_FALSE(a.design_elevation(250, 7.41).has_value());
    EXPECT_NEAR(h(a, 250, -7), 102.5 - 0.155, kExact);  // the left is not widened
}

// A chain break (long chain K0+450 = K0+440) between two records: the slope
// runs linearly in the distance along the line, not in chainage.
TEST(section, a_chain_break_inside_a_transition) {
    kr::Definition d = straight();
    d.breaks = {{450, 440}};
    d.section.superelevation = {{400, 0, -2, -2}, {500, 2, 6, -6}};
    const kr::Alignment a = built(d);
    // K0+500 of zone 2 is s 510: at s 450 the right is −2 − 4·50/110.
    const double right = -2 - 4 * 50.0 / 110;
    const double hp = 100 + 10.0 * 450 / 1010;  // K1+000 of zone 2 is s 1010
    EXPECT_NEAR(h(a, 450, 3.75), hp + 3.75 * right / 100, kExact);
    EXPECT_NEAR(a.section().superelevation()[1].s, 510, kExact);
}

// A curve to the right (R 300, transitions of 100 m) with 6 % and 0.8 m of
// widening at its point: at ZH normal, at HY full; the outside runs −2 → +6
// over the transition, the inside keeps −2 until the outside reaches +2 (at
// a quarter… half of the transition: f = (2 + 2)/(6 + 2)) and then runs
// with it to −6.
TEST(section, superelevation_derived_over_the_transitions) {
    kr::Definition d;
    d.name = "JD";
    kr::PointsDef p;
    p.points = {{"JD1", 600, 0, 300, 100, 100, 6, 0.8}};
    p.end_x = 900;
    p.end_y = 600 * std::sin(std::numbers::pi / 3);
    d.horizontal = p;
    d.profile = {{0, 0, 100, 0}, {1100, 0, 111, 0}};
    d.section.left = side();
    d.section.right = side();
    const kr::Alignment a = built(d);
    double zh = 0, hy = 0, yh = 0, hz = 0;
    for (const kr::KeyPoint& k : a.key_points()) {
        if (k.label == "ZH") zh = k.s;
        if (k.label == "HY") hy = k.s;
        if (k.label == "YH") yh = k.s;
        if (k.label == "HZ") hz = k.s;
    }
    ASSERT_NEAR(hy - zh, 100, 1e-9);
    const kr::Section& sec = a.section();
    EXPECT_TRUE(sec.derived());
    ASSERT_EQ(sec.superelevation().size(), 6u);
    EXPECT_NEAR(sec.superelevation()[1].s, zh + 50, 1e-9);
    const auto hp = [&](double s) { return 100 + 0.01 * s; };
    // A quarter in: the outside (left) is level, the inside at −2 %.
    double s = zh + 25;
    EXPECT_NEAR(h(a, s, -6.25), hp(s), kExact);
    EXPECT_NEAR(h(a, s, 6.25), hp(s) - 0.125, kExact);
    // Half-way, where the outside passes the crown: a plane at 2 %; the
    // widening is 0.4 m on the inside (right).
    s = zh + 50;
    EXPECT_NEAR(h(a, s, -6.25), hp(s) + 0.125, kExact);
    EXPECT_NEAR(h(a, s, 6.65), hp(s) - 0.133, kExact);
    EXPECT_NEAR(h(a, s, 7.4), hp(s) - 0.133 - 0.03, kExact);
    EXPECT_FALSE(a.design_elevation(s, 7.41).has_value());
    // Three quarters: +4 % / −4 %, the low side's shoulder at −4 % still.
    s = zh + 75;
    EXPECT_NEAR(h(a, s, -3.75), hp(s) + 0.15, kExact);
    EXPECT_NEAR(h(a, s, 7.6), hp(s) - 6.85 * 0.04 - 0.75 * 0.04, kExact);
    // Full in the circular curve, the end of the transition widened 0.8 m.
    s = (hy + yh) / 2;
    EXPECT_NEAR(h(a, s, 7.8), hp(s) - 7.05 * 0.06 - 0.75 * 0.06, kExact);
    EXPECT_NEAR(h(a, hy, 7.05), hp(hy) - 7.05 * 0.06, kExact);
    EXPECT_NEAR(h(a, s, -7), hp(s) + 0.375 - 0.03, kExact);
    // Back to normal at HZ, and beyond.
    EXPECT_NEAR(h(a, hz, 7), hp(hz) - 0.155, kExact);
    EXPECT_NEAR(h(a, hz + 10, -7), hp(hz + 10) - 0.155, kExact);
    // Forward gives the same at its own offset.
    const auto f = kr::forward(a, a.chainage_of(zh + 75, 1), 0, 7.6);
    ASSERT_TRUE(f.ok());
    EXPECT_NEAR(f.value().elevation.value_or(NAN), hp(zh + 75) - 6.85 * 0.04 - 0.75 * 0.04, kExact);
}

TEST(section, refusals_name_what_cannot_be_a_road) {
    kr::Definition d = straight();
    d.section.right[1].width = 0;
    EXPECT_EQ(refusal(d), "右侧第2段路幅（硬路肩）的宽度应大于0且不超过1000米！");
    d = straight();
    d.section.superelevation = {{300, 0, 6, -6}, {200, 0, -2, -2}};
    EXPECT_EQ(refusal(d),
              "第2条超高记录（K0+200.000）不在前一条之后（超高记录须按桩号顺序给出）！");
    d = straight();
    d.section.widening = {{300, 0, -1, 0}};
    EXPECT_EQ(refusal(d), "第1条加宽记录（K0+300.000）的加宽不能为负！");
    d.section.widening = {{1300, 0, 1, 0}};
    EXPECT_EQ(refusal(d).rfind("第1条加宽记录（K1+300.000）：", 0), 0u) << refusal(d);

    kr::Definition pi;
    pi.name = "JD";
    kr::PointsDef p;
    p.points = {{"JD1", 600, 0, 300, 100, 100, 1, 0}};
    p.end_x = 900;
    p.end_y = 600 * std::sin(std::numbers::pi / 3);
    pi.horizontal = p;
    pi.section.right = side();
    pi.section.left = side();
    EXPECT_EQ(refusal(pi), "交点JD1的超高1%小于路拱横坡2%！");
    std::get<kr::PointsDef>(pi.horizontal).points[0] = {"JD1", 600, 0, 300, 0, 0, 6, 0};
    EXPECT_EQ(refusal(pi), "交点JD1的曲线没有缓和曲线，设超高或加宽须给出超高过渡长度！");
    pi.section.runoff = 50;
    EXPECT_EQ(refusal(pi), "(built)");
    // Two curves whose runoffs overlap on the tangent between them.
    p.points = {{"JD1", 600, 0, 300, 0, 0, 6, 0}, {"JD2", 800, 300, 300, 0, 0, 6, 0}};
    p.end_x = 800;
    p.end_y = 900;
    pi.horizontal = p;
    pi.section.runoff = 150;
    EXPECT_EQ(refusal(pi), "交点JD1与交点JD2的超高过渡重叠！");
    // Typed records belong to element alignments.
    pi.section.runoff = 0;
    pi.section.superelevation = {{100, 0, -2, -2}};
    EXPECT_EQ(refusal(pi), "交点法线路的超高由各交点的超高值推出，不能另给超高记录！");
}
