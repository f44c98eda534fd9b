#include "geometry/angles.h"

#include <cmath>

#include <gtest/gtest.h>

namespace kg = korvane::geometry;

TEST(angles, dms_splits_on_the_digits_as_typed) {
    struct Case {
        double packed;
        double degrees;
    };
    const Case cases[] = {
        {15.152555, 15 + (15 + 25.55 / 60) / 60},
        {90, 90},
        {60.3, 60.5},
        {45.3, 45.5},
        {15.1, 15 + 10.0 / 60},
        {0.003, (0 + 30.0 / 60) / 60},
        {10.6, 11},
        {15.1525, 15 + (15 + 25.0 / 60) / 60},
        {15.15, 15.25},
        {15.05, 15 + 5.0 / 60},
        {-15.152555, -(15 + (15 + 25.55 / 60) / 60)},
        {-0.3, -0.5},
        {0, 0},
        {359.595999, 359 + (59 + 59.99 / 60) / 60},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kg::Dms(c.packed), c.degrees) << c.packed;
    }
    EXPECT_NEAR(kg::Dms(15.152555), 15.2570972222222, 1e-12);
    EXPECT_EQ(kg::Dms(1e308), 1e308);
}

TEST(angles, azimuth_runs_clockwise_from_north) {
    struct Case {
        double x, y, azimuth;
    };
    const Case cases[] = {
        {1, 0, 0},  {0, 1, 90},    {-1, 0, 180}, {0, -1, 270},
        {1, 1, 45}, {-1, -1, 225}, {1, -1, 315}, {0, 0, 90},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(kg::FWJ(0, 0, c.x, c.y), c.azimuth, 1e-12) << c.x << "," << c.y;
    }
    EXPECT_EQ(kg::FWJ(0, 0, 1, 0), 0.0);
    EXPECT_EQ(kg::FWJ(0, 0, 0, 0), 90.0);
    // A difference of eastings of exactly -1e-20 cancels the guard: no azimuth.
    EXPECT_TRUE(std::isnan(kg::FWJ(0, 1e-20, 0, 0)));
}

TEST(angles, distance_is_rounded_to_four_decimals) {
    EXPECT_EQ(kg::JL(0, 0, 3, 4), 5.0);
    EXPECT_EQ(kg::JL(0, 0, 1, 1), 1.4142);
    EXPECT_EQ(kg::JL(1, 1, 0, 0), 1.4142);
    EXPECT_TRUE(std::isinf(kg::JL(-1e200, 0, 1e200, 0)));
}

TEST(angles, trigonometry_uses_the_pi_literal) {
    EXPECT_EQ(kg::MSin(30), 0.49999999999999956);
    EXPECT_LT(kg::MSin(30), 0.5);
    EXPECT_NEAR(kg::MCos(60), 0.5000000000000009, 1e-16);
    EXPECT_NEAR(kg::MTan(45), 0.9999999999999983, 1e-16);
    EXPECT_NEAR(kg::MTan(90), 6.19e14, 0.01e14);
    EXPECT_NEAR(kg::MSin(180), 3.2e-15, 0.1e-15);
    EXPECT_NEAR(kg::MSin(390), kg::MSin(30), 1e-14);
    EXPECT_EQ(kg::MSin(0), 0.0);
    EXPECT_EQ(kg::MTan(0), 0.0);
}

TEST(angles, trigonometry_faults_give_zero) {
    EXPECT_EQ(kg::MSin(1e308 * 10), 0.0);
    EXPECT_EQ(kg::MCos(std::nan("")), 0.0);
    EXPECT_EQ(kg::MTan(-INFINITY), 0.0);
}
