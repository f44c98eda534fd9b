#include "route/alignment.h"

#include <cmath>
#include <numbers>

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
