#include "geometry/line.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "geometry/angles.h"
#include "geometry/number_text.h"

namespace kg = korvane::geometry;
using kg::Overflow;

namespace {

// The worked example: K0 1000, X0 8765.888, Y0 6789.999, azimuth 15°15'25.55".
kg::Line example() {
    return kg::Line{1000, 8765.888, 6789.999, kg::Dms(15.152555)};
}

Overflow forward_fault(const kg::Line& line, double k, double p, double skew) {
    const auto r = kg::forward_point(line, k, p, skew);
    EXPECT_FALSE(r.ok());
    return r ? Overflow::location : r.failure().quantity;
}

}  // namespace

TEST(line, forward_point_of_the_worked_example) {
    const auto pt = kg::forward_point(example(), 1500, 5, kg::Dms(90));
    ASSERT_TRUE(pt);
    EXPECT_EQ(kg::format_rounded(pt.value().x, 3), "9246.95");
    EXPECT_EQ(kg::format_rounded(pt.value().y, 3), "6926.398");
}

TEST(line, forward_is_the_set_out_terms_in_written_order) {
    // forward_point is set_out and point_at with |K - K0|: the batch table uses
    // the two pieces, the single point the whole, and both must give the same bits.
    const kg::Line line = example();
    for (double k : {1000.0, 1000.1, 1234.5678, 98765.4321}) {
        for (double p : {-7.5, 0.0, 3.25}) {
            const auto whole = kg::forward_point(line, k, p, kg::Dms(135.3));
            const auto d = kg::set_out(line.azimuth, kg::Dms(135.3));
            ASSERT_TRUE(whole && d);
            const kg::Point pieces = kg::point_at(line, d.value(), std::fabs(k - line.k0), p);
            EXPECT_EQ(whole.value().x, pieces.x);
            EXPECT_EQ(whole.value().y, pieces.y);
        }
    }
}

TEST(line, forward_names_the_quantity_that_overflows) {
    const double huge = std::numeric_limits<double>::max();
    EXPECT_EQ(forward_fault(kg::Line{0, 0, 0, huge}, 1, 0, 90), Overflow::azimuth);
    EXPECT_EQ(forward_fault(kg::Line{0, 0, 0, 10}, 1, 0, huge), Overflow::skew);
    EXPECT_EQ(forward_fault(kg::Line{-huge, 0, 0, 10}, huge, 0, 90), Overflow::along);
    EXPECT_EQ(forward_fault(kg::Line{0, huge, 0, 0}, huge, 0, 90), Overflow::point);
}

TEST(line, locate_inverts_forward_to_the_millimetre) {
    const kg::Line line = example();
    const auto pt = kg::forward_point(line, 1500, 5, 90);
    ASSERT_TRUE(pt);
    const auto where = kg::locate(line, pt.value().x, pt.value().y);
    ASSERT_TRUE(where);
    EXPECT_EQ(kg::format_rounded(where.value().k, 3), "1500");
    EXPECT_EQ(kg::format_rounded(where.value().p, 3), "5");
}

TEST(line, locate_straight_ahead_is_the_distance) {
    // Due north of a line running north: tan(theta) is 0, so K0 + D and P = 0.
    const auto where = kg::locate(kg::Line{1000, 0, 0, 0}, 250, 0);
    ASSERT_TRUE(where);
    EXPECT_EQ(where.value().k, 1250);
    EXPECT_EQ(where.value().p, 0);
}

TEST(line, locate_names_the_quantity_that_overflows) {
    const double huge = std::numeric_limits<double>::max();
    // Both coordinate differences overflow: the bearing is 0/0.
    const auto nowhere = kg::locate(kg::Line{0, -huge, -huge, 0}, huge, huge);
    ASSERT_FALSE(nowhere);
    EXPECT_EQ(nowhere.failure().quantity, Overflow::bearing);
    // Finite differences whose squares overflow: the bearing is 45, the distance is not finite.
    const auto far = kg::locate(kg::Line{0, 0, 0, 0}, 1e200, 1e200);
    ASSERT_FALSE(far);
    EXPECT_EQ(far.failure().quantity, Overflow::distance);
}
