#include "route/element.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "route/angle.h"
#include "route/cases.h"
#include "route/element_math.h"

namespace kr = korvane::route;
using korvane::route::test::csv_rows;
using korvane::route::test::number;

namespace {

double radius_of(const std::string& text, const std::string& direction) {
    const double r = text == "∞" ? kr::kStraight : number(text);
    return direction == "左" ? -r : r;
}

// The difference of two azimuths in radians, brought into (-π, π].
double angle_gap(double a, double b) {
    double d = std::remainder(a - b, 2 * std::numbers::pi);
    return std::fabs(d);
}

}  // namespace

TEST(element, every_reference_row_within_a_nanometre) {
    const auto rows = csv_rows("elements.csv");
    ASSERT_GE(rows.size(), 70u);
    double worst = 0;
    double worst_angle = 0;
    for (const auto& r : rows) {
        ASSERT_EQ(r.size(), 10u);
        const kr::ElementDef e{number(r[2]), radius_of(r[3], r[5]), radius_of(r[4], r[5])};
        const kr::Pose start{0, 0, kr::packed_to_radians(number(r[1]))};
        const kr::Pose p = kr::point_along(start, e, number(r[6]));
        const double gap = std::hypot(p.x - number(r[7]), p.y - number(r[8]));
        const double angle = angle_gap(p.azimuth, number(r[9]) * std::numbers::pi / 180);
        EXPECT_LE(gap, 1e-9) << r[0] << " t=" << r[6];
        EXPECT_LE(angle, 1e-12) << r[0] << " t=" << r[6];
        worst = std::max(worst, gap);
        worst_angle = std::max(worst_angle, angle);
    }
    std::printf("elements.csv: largest position error %.3g m, azimuth error %.3g rad\n", worst,
                worst_angle);
}

TEST(element, clothoid_joins_the_curves_at_either_end) {
    // A transition from R 300 to R 1000 right continues an arc of 300 with the
    // same curvature at its start and reaches the curvature of 1000 at its end:
    // its first and last millimetre follow the arcs closely.
    const kr::Pose start{100, 200, 0.3};
    const kr::ElementDef spiral{120, 300, 1000};
    const kr::ElementDef arc_in{1e-3, 300, 300};
    const kr::Pose a = kr::point_along(start, spiral, 1e-3);
    const kr::Pose b = kr::point_along(start, arc_in, 1e-3);
    EXPECT_NEAR(a.x, b.x, 1e-12);
    EXPECT_NEAR(a.y, b.y, 1e-12);
    // Splitting the element anywhere and going on from the split point gives
    // the same end.
    const kr::Pose end = kr::element_end(start, spiral);
    for (double cut : {0.5, 17.0, 60.0, 119.0}) {
        const kr::Pose mid = kr::point_along(start, spiral, cut);
        const double k_mid = 1.0 / 300 + (1.0 / 1000 - 1.0 / 300) * cut / 120;
        const kr::Pose rest = kr::point_along(mid, 120 - cut, k_mid, 1.0 / 1000, 120 - cut);
        EXPECT_NEAR(rest.x, end.x, 1e-10) << cut;
        EXPECT_NEAR(rest.y, end.y, 1e-10) << cut;
        EXPECT_NEAR(rest.azimuth, end.azimuth, 1e-14) << cut;
    }
}

TEST(element, mirror_image_turns_left) {
    const kr::Pose start{0, 0, 0};
    for (const kr::ElementDef& e : {kr::ElementDef{80, kr::kStraight, 150},
                                    kr::ElementDef{80, 150, 150}, kr::ElementDef{80, 150, 40}}) {
        const kr::ElementDef m{e.length, -e.radius_start, -e.radius_end};
        for (double t : {10.0, 40.0, 80.0}) {
            const kr::Pose r = kr::point_along(start, e, t);
            const kr::Pose l = kr::point_along(start, m, t);
            EXPECT_DOUBLE_EQ(r.x, l.x);
            EXPECT_DOUBLE_EQ(r.y, -l.y);
            EXPECT_DOUBLE_EQ(r.azimuth, -l.azimuth);
            EXPECT_GT(r.y, 0);  // right of north is east
        }
    }
}

TEST(element, a_very_flat_curve_keeps_its_digits) {
    // Curvature 1e-9: the chord form keeps the sagitta t²k/2 exactly.
    const kr::Pose p = kr::point_along(kr::Pose{0, 0, 0}, 1000, 1e-9, 1e-9, 1000);
    EXPECT_NEAR(p.y, 0.5e-3, 1e-15);
    EXPECT_NEAR(p.x, 1000 - 1000 * 1e-12 / 6, 1e-12);
    EXPECT_EQ(kr::curvature(kr::kStraight), 0);
    EXPECT_EQ(kr::curvature(-kr::kStraight), 0);
    EXPECT_EQ(kr::curvature(-250), -1.0 / 250);
}

TEST(element, small_angle_series_match_the_library_functions) {
    // Within a unit in the last place over the whole range the series serve.
    double worst_cos = 0, worst_sin = 0;
    for (int i = -1000; i <= 1000; ++i) {
        const double a = kr::detail::kSmallAngle * i / 1000;
        worst_cos = std::max(worst_cos, std::fabs(kr::detail::small_cos(a) - std::cos(a)));
        worst_sin = std::max(worst_sin, std::fabs(kr::detail::small_sin(a) - std::sin(a)) /
                                            std::max(std::fabs(a), 1e-300));
    }
    EXPECT_LE(worst_cos, 2.3e-16);
    EXPECT_LE(worst_sin, 2.3e-16);
    EXPECT_EQ(kr::detail::small_sin(0.0), 0.0);
    EXPECT_EQ(kr::detail::small_cos(0.0), 1.0);
    // Beyond the range the library functions are used.
    EXPECT_EQ(kr::detail::any_cos(0.5), std::cos(0.5));
    EXPECT_EQ(kr::detail::any_sin(-2.0), std::sin(-2.0));
}
