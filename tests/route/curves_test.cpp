// The curve elements table of small alignments worked out by hand: an angle
// point, a left-turning circular curve and their rows' places.
#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "route/alignment.h"
#include "route/curves.h"

namespace kr = korvane::route;

namespace {

// QD (0, 0) north 100 m to JD1 (100, 0), 90° to `east` (+1 east, -1 west)
// 100 m to JD2, then ZD 100 m north again.
kr::Definition zigzag(double r1, double r2) {
    kr::Definition d;
    d.name.push_back('Z');
    kr::PointsDef p;
    p.start_chainage = 1000;
    p.points = {{"JD1", 100, 0, r1, 0, 0}, {"JD2", 100, 100, r2, 0, 0}};
    p.end_x = 200;
    p.end_y = 100;
    d.horizontal = p;
    return d;
}

}  // namespace

TEST(curve_table, angle_point_and_left_curve) {
    const kr::Definition d = zigzag(0, 30);
    auto built = kr::Alignment::build(d);
    ASSERT_TRUE(built.ok());
    auto table = kr::curve_table(d, built.value());
    ASSERT_TRUE(table.ok());
    const auto& rows = table.value();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].kind, kr::CurveRow::Kind::start);
    EXPECT_EQ(rows[0].station.chainage, 1000);

    // JD1: an angle point turning right by 90° at 100 m.
    const kr::CurveRow& a = rows[1];
    EXPECT_EQ(a.kind, kr::CurveRow::Kind::angle_point);
    EXPECT_TRUE(a.right);
    EXPECT_NEAR(a.deflection, std::numbers::pi / 2, 1e-15);
    EXPECT_EQ(a.radius, 0);
    EXPECT_NEAR(a.station.chainage, 1100, 1e-12);

    // JD2: a circular curve of R 30 turning left by 90°: T = R, L = πR/2,
    // E = R/cos 45° − R, the JD at ZY + T.
    const kr::CurveRow& c = rows[2];
    EXPECT_EQ(c.kind, kr::CurveRow::Kind::curve);
    EXPECT_FALSE(c.right);
    EXPECT_EQ(c.radius, 30);
    EXPECT_NEAR(c.t1, 30, 1e-9);
    EXPECT_NEAR(c.t2, 30, 1e-9);
    EXPECT_NEAR(c.length, 15 * std::numbers::pi, 1e-9);
    EXPECT_NEAR(c.arc_length, c.length, 1e-12);
    EXPECT_NEAR(c.external, 30 * std::sqrt(2.0) - 30, 1e-9);
    EXPECT_NEAR(c.zh.chainage, 1000 + 100 + 70, 1e-9);
    EXPECT_EQ(c.hy.s, c.zh.s);  // no transition: the circular curve starts at ZY
    EXPECT_EQ(c.yh.s, c.hz.s);
    EXPECT_NEAR(c.qz.chainage, 1170 + 7.5 * std::numbers::pi, 1e-9);
    EXPECT_NEAR(c.station.chainage, 1200, 1e-9);
    EXPECT_EQ(c.a1, 0);

    EXPECT_EQ(rows[3].kind, kr::CurveRow::Kind::end);
    EXPECT_NEAR(rows[3].station.chainage, built.value().length() + 1000, 1e-9);
}

TEST(curve_table, element_alignment_refused) {
    kr::Definition d;
    kr::ElementsDef e;
    e.elements = {{100, kr::kStraight, kr::kStraight}};
    d.horizontal = e;
    auto built = kr::Alignment::build(d);
    ASSERT_TRUE(built.ok());
    auto table = kr::curve_table(d, built.value());
    ASSERT_FALSE(table.ok());
    EXPECT_NE(table.failure().message.find("线元法"), std::string::npos);
}
