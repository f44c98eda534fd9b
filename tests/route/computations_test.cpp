#include "route/computations.h"

#include <cmath>
#include <numbers>
#include <random>

#include <gtest/gtest.h>

#include "route/angle.h"
#include "route/pi_case.h"

namespace kr = korvane::route;
using kr::test::csv_rows;
using kr::test::number;

namespace {

const kr::Alignment& pi_alignment() {
    static const kr::Alignment a = [] {
        auto built = kr::Alignment::build(kr::test::pi_definition());
        EXPECT_TRUE(built.ok()) << (built.ok() ? "" : built.failure().message);
        return std::move(built).value();
    }();
    return a;
}

double angle_gap(double a, double b) {
    return std::fabs(std::remainder(a - b, 2 * std::numbers::pi));
}

}  // namespace

TEST(route_forward, reference_cases_within_a_micrometre) {
    const kr::Alignment& a = pi_alignment();
    const auto rows = csv_rows("pi-alignment-forward.csv");
    ASSERT_GE(rows.size(), 40u);
    double worst = 0, worst_h = 0;
    for (const auto& r : rows) {
        const auto f = kr::forward(a, kr::test::station(r[0]), std::stoi(r[1]), number(r[2]),
                                   kr::packed_to_radians(number(r[3])));
        ASSERT_TRUE(f.ok()) << r[0] << ": " << f.failure().message;
        const auto& v = f.value();
        EXPECT_NEAR(v.s, number(r[4]), 1e-9) << r[0];
        const double gap = std::hypot(v.x - number(r[5]), v.y - number(r[6]));
        EXPECT_LE(gap, 1e-6) << r[0];
        EXPECT_LE(angle_gap(v.azimuth, number(r[7]) * std::numbers::pi / 180), 1e-10) << r[0];
        if (r.size() > 8 && !r[8].empty()) {
            ASSERT_TRUE(v.elevation.has_value()) << r[0];
            EXPECT_NEAR(*v.elevation, number(r[8]), 1e-6) << r[0];
            worst_h = std::max(worst_h, std::fabs(*v.elevation - number(r[8])));
        } else {
            EXPECT_FALSE(v.elevation.has_value()) << r[0];
        }
        worst = std::max(worst, gap);
    }
    std::printf("pi forward: largest position error %.3g m, elevation %.3g m\n", worst, worst_h);
}

TEST(route_inverse, reference_cases_within_a_micrometre) {
    const kr::Alignment& a = pi_alignment();
    const auto rows = csv_rows("pi-alignment-inverse.csv");
    ASSERT_GE(rows.size(), 40u);
    double worst_s = 0, worst_p = 0;
    for (const auto& r : rows) {
        const auto inv = kr::inverse(a, number(r[0]), number(r[1]));
        ASSERT_TRUE(inv.ok()) << r[0] << "," << r[1] << ": " << inv.failure().message;
        const auto& v = inv.value();
        EXPECT_EQ(v.zone, std::stoi(r[3])) << r[2];
        EXPECT_NEAR(v.s, number(r[4]), 1e-6) << r[2];
        EXPECT_NEAR(v.chainage, kr::test::station(r[2]), 1e-6) << r[2];
        EXPECT_NEAR(v.offset, number(r[5]), 1e-6) << r[2];
        if (r.size() > 6 && !r[6].empty()) {
            ASSERT_TRUE(v.elevation.has_value()) << r[2];
            EXPECT_NEAR(*v.elevation, number(r[6]), 1e-6) << r[2];
        }
        worst_s = std::max(worst_s, std::fabs(v.s - number(r[4])));
        worst_p = std::max(worst_p, std::fabs(v.offset - number(r[5])));
    }
    std::printf("pi inverse: largest chainage error %.3g m, offset error %.3g m\n", worst_s,
                worst_p);
}
