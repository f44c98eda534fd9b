#include "form/computations.h"

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "form/messages.h"

namespace korvane::form {
void PrintTo(const Failure& f, std::ostream* os) {
    *os << f.message << " @" << field_name(f.focus);
}
}  // namespace korvane::form

namespace kf = korvane::form;
using kf::Field;

namespace {

// The line used by the worked examples: K0 1000, X0 8765.888, Y0 6789.999,
// azimuth 15 deg 15 min 25.55 sec.
kf::FieldTexts example_line() {
    kf::FieldTexts f;
    f.set(Field::Text1, "1000");
    f.set(Field::Text2, "8765.888");
    f.set(Field::Text3, "6789.999");
    f.set(Field::Text4, "15.152555");
    return f;
}

kf::FieldTexts north_line() {
    kf::FieldTexts f;
    f.set(Field::Text1, "1000");
    f.set(Field::Text2, "0");
    f.set(Field::Text3, "0");
    f.set(Field::Text4, "0");
    return f;
}

kf::FieldTexts forward_fields(const char* k, const char* offset, const char* skew) {
    kf::FieldTexts f = example_line();
    f.set(Field::Text5, k);
    f.set(Field::Text6, offset);
    f.set(Field::Text7, skew);
    return f;
}

kf::Failure failure(std::string_view message, Field focus) {
    return {std::string(message), focus};
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto end = text.find("\r\n", pos);
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

}  // namespace

TEST(forward, worked_examples) {
    struct Case {
        const char *k, *offset, *skew, *x, *y;
    };
    const Case cases[] = {
        {"1500", "", "", "9248.265", "6921.574"},
        {"1500", "5", "90", "9246.95", "6926.398"},
        {"1500", "-5", "90", "9249.581", "6916.751"},
        {"1500", "5", "270", "9249.581", "6916.751"},
        {"1500", "10", "0", "9257.913", "6924.206"},
        {"1510", "", "", "9257.913", "6924.206"},
        {"1500", "5", "", "9248.265", "6921.574"},
        {"1500", "", "45", "9248.265", "6921.574"},
        {"2000", "0", "90", "9730.643", "7053.15"},
        {"1000", "", "", "8765.888", "6789.999"},
        {"1500", " 5 ", " 90 ", "9246.95", "6926.398"},
    };
    for (const Case& c : cases) {
        auto r = kf::forward(forward_fields(c.k, c.offset, c.skew));
        ASSERT_TRUE(r.ok()) << c.k << " " << c.offset << " " << c.skew << ": "
                            << r.failure().message;
        EXPECT_EQ(r.value().x, c.x) << c.k << " " << c.offset << " " << c.skew;
        EXPECT_EQ(r.value().y, c.y) << c.k << " " << c.offset << " " << c.skew;
    }
}

TEST(forward, required_fields_in_order) {
    kf::FieldTexts f;
    EXPECT_EQ(kf::forward(f).failure(), failure(kf::msg::kEnterStartChainage, Field::Text1));
    f = forward_fields("1500", "", "");
    f.set(Field::Text3, "   ");
    f.set(Field::Text4, "");
    EXPECT_EQ(kf::forward(f).failure(), failure(kf::msg::kEnterStartY, Field::Text3));
    f = forward_fields("  ", "", "");
    EXPECT_EQ(kf::forward(f).failure(), failure(kf::msg::kEnterChainage, Field::Text5));
    EXPECT_EQ(kf::forward(f).failure().message, "请输入计算桩号！");
}

TEST(forward, range_and_form_checks) {
    EXPECT_EQ(kf::forward(forward_fields("999.999", "", "")).failure(),
              failure("计算桩号不能小于起点桩号！", Field::Text5));
    // A start chainage without a number counts as 0, so any K passes.
    auto f = forward_fields("5", "", "");
    f.set(Field::Text1, "abc");
    EXPECT_TRUE(kf::forward(f).ok());
    // Offset and skew must be whole numbers; the first bad one gets the focus.
    EXPECT_EQ(kf::forward(forward_fields("1500", "5m", "90")).failure(),
              failure(kf::msg::kOffsetNotNumber, Field::Text6));
    EXPECT_EQ(kf::forward(forward_fields("1500", "5m", "9x")).failure().focus, Field::Text6);
    EXPECT_EQ(kf::forward(forward_fields("1500", "5", "abc")).failure(),
              failure(kf::msg::kSkewNotNumber, Field::Text7));
}

TEST(forward, absurd_magnitudes_are_refused_not_written) {
    EXPECT_EQ(kf::forward(forward_fields("1e999", "", "")).failure(),
              failure(kf::msg::kValueOutOfRange, Field::Text5));
    auto f = forward_fields("1500", "", "");
    f.set(Field::Text4, "1e308");
    EXPECT_EQ(kf::forward(f).failure(), failure(kf::msg::kResultOutOfRange, Field::Text4));
    f = forward_fields("1500", "1e308", "0");
    f.set(Field::Text2, "1e308");
    EXPECT_EQ(kf::forward(f).failure().message, kf::msg::kResultOutOfRange);
    EXPECT_EQ(kf::forward(forward_fields("1500", "1e400", "90")).failure(),
              failure(kf::msg::kValueOutOfRange, Field::Text6));
}

TEST(inverse, worked_examples) {
    struct Case {
        kf::FieldTexts line;
        const char *x, *y, *k, *p;
    };
    const Case cases[] = {
        {example_line(), "9730.643", "7053.15", "2000", "0"},
        {example_line(), "9246.95", "6926.398", "1500", "5"},
        {example_line(), "9249.581", "6916.751", "1500", "-5"},
        {example_line(), "8665.888", "6789.999", "903.525", "26.315"},
        {example_line(), "8765.888", "6789.999", "1000", "0"},
        {example_line(), "8765.888", "6889.999", "1026.315", "96.475"},
        {north_line(), "100", "5", "1100", "5"},
        {north_line(), "100", "-5", "1100", "-5"},
        {north_line(), "-100", "0.0001", "900", "0"},
    };
    for (const Case& c : cases) {
        kf::FieldTexts f = c.line;
        f.set(Field::Text8, c.x);
        f.set(Field::Text9, c.y);
        auto r = kf::inverse(f);
        ASSERT_TRUE(r.ok()) << c.x << "," << c.y << ": " << r.failure().message;
        EXPECT_EQ(r.value().k, c.k) << c.x << "," << c.y;
        EXPECT_EQ(r.value().p, c.p) << c.x << "," << c.y;
    }
}

TEST(inverse, point_exactly_ahead_gives_the_limit_not_nan) {
    // theta is exactly 0 here: the quotient form would be 0 / 0.
    kf::FieldTexts f = north_line();
    f.set(Field::Text8, "100");
    f.set(Field::Text9, "0");
    auto r = kf::inverse(f);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.value().k, "1100");
    EXPECT_EQ(r.value().p, "0");
    f.set(Field::Text4, "45");
    f.set(Field::Text8, "100");
    f.set(Field::Text9, "100");
    r = kf::inverse(f);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.value().k, "1141.421");
    EXPECT_EQ(r.value().p, "0");
    // The start point itself on a line of azimuth 90.
    f.set(Field::Text4, "90");
    f.set(Field::Text8, "0");
    f.set(Field::Text9, "0");
    r = kf::inverse(f);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.value().k, "1000");
    EXPECT_EQ(r.value().p, "0");
}

TEST(inverse, required_fields_and_faults) {
    kf::FieldTexts f = example_line();
    f.set(Field::Text8, "1");
    EXPECT_EQ(kf::inverse(f).failure(), failure("请输入反算坐标Y！", Field::Text9));
    f.set(Field::Text8, " ");
    EXPECT_EQ(kf::inverse(f).failure(), failure("请输入反算坐标X！", Field::Text8));
    f = north_line();
    f.set(Field::Text8, "1e200");
    f.set(Field::Text9, "-1e200");
    f.set(Field::Text2, "-1e200");
    EXPECT_EQ(kf::inverse(f).failure().message, kf::msg::kResultOutOfRange);
    // Eastings differing by exactly -1e-20 leave no direction.
    f = north_line();
    f.set(Field::Text3, "1e-20");
    f.set(Field::Text8, "5");
    f.set(Field::Text9, "0");
    EXPECT_EQ(kf::inverse(f).failure(), failure(kf::msg::kResultOutOfRange, Field::Text9));
}

namespace {

kf::FieldTexts batch_fields(const char* start, const char* end, const char* step,
                            const char* offset = "0", const char* skew = "90") {
    kf::FieldTexts f = example_line();
    f.set(Field::Text6, offset);
    f.set(Field::Text7, skew);
    f.set(Field::Text15, start);
    f.set(Field::Text16, end);
    f.set(Field::Text17, step);
    return f;
}

}  // namespace

TEST(batch, table_of_the_initial_fields) {
    auto r = kf::batch_table(batch_fields("1000", "2000", "20"));
    ASSERT_TRUE(r.ok());
    const auto rows = lines(r.value());
    ASSERT_EQ(rows.size(), 52u);
    EXPECT_EQ(rows[0], " 里程K 偏距P 坐标X 坐标Y");
    EXPECT_EQ(rows[1], " K=1000,P=0,X=8765.888,Y=6789.999");
    EXPECT_EQ(rows[2], " K=1020,P=0,X=8785.183,Y=6795.262");
    EXPECT_EQ(rows[51], " K=2000,P=0,X=9730.643,Y=7053.15");
    EXPECT_EQ(r.value().substr(r.value().size() - 2), "\r\n");
}

TEST(batch, offset_and_skew_rules) {
    auto first_row = [](const kf::FieldTexts& f) {
        auto r = kf::batch_table(f);
        EXPECT_TRUE(r.ok());
        return r.ok() ? lines(r.value()).at(1) : std::string();
    };
    EXPECT_EQ(first_row(batch_fields("1000", "2000", "20", "5", "90")),
              " K=1000,P=5,X=8764.572,Y=6794.823");
    EXPECT_EQ(first_row(batch_fields("1000", "2000", "20", "5", "")),
              " K=1000,P=0,X=8765.888,Y=6789.999");
    EXPECT_EQ(first_row(batch_fields("1000", "2000", "20", "5.00", "90")).substr(0, 12),
              " K=1000,P=5,");
    EXPECT_EQ(first_row(batch_fields("1000", "2000", "20", "-2.5", "90")).substr(0, 15),
              " K=1000,P=-2.5,");
    // The batch reads offset and skew by the leading-number rule.
    EXPECT_EQ(first_row(batch_fields("1000", "2000", "20", "5m", "90")),
              " K=1000,P=5,X=8764.572,Y=6794.823");
    EXPECT_EQ(first_row(batch_fields("1000.50", "2000", "20")).substr(0, 10), " K=1000.5,");
}

TEST(batch, running_sum_of_an_inexact_step) {
    auto r = kf::batch_table(batch_fields("1000", "1100", "0.2"));
    ASSERT_TRUE(r.ok());
    auto rows = lines(r.value());
    ASSERT_EQ(rows.size(), 501u);
    EXPECT_EQ(rows[110].substr(0, 12), " K=1021.8,P=");
    EXPECT_EQ(rows[111].substr(0, 20), " K=1022.00000000001,");
    EXPECT_EQ(rows[500].substr(0, 20), " K=1099.80000000002,");

    r = kf::batch_table(batch_fields("1000", "2000", "0.1"));
    ASSERT_TRUE(r.ok());
    rows = lines(r.value());
    ASSERT_EQ(rows.size(), 10002u);
    EXPECT_EQ(rows.back().substr(0, 20), " K=1999.99999999912,");
}

TEST(batch, single_row_and_boundaries) {
    auto r = kf::batch_table(batch_fields("1500", "1500", "20"));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(lines(r.value()).size(), 2u);
    EXPECT_TRUE(kf::batch_table(batch_fields("1000", "1000", "1")).ok());
}

TEST(batch, checks_in_order) {
    struct Case {
        kf::FieldTexts fields;
        kf::Failure expected;
    };
    auto no_step = batch_fields("1000", "2000", "   ");
    auto no_start_line = batch_fields("1000", "2000", "20");
    no_start_line.set(Field::Text1, "");
    const Case cases[] = {
        {no_start_line, failure("请输入起点桩号！", Field::Text1)},
        {batch_fields("", "2000", "20"), failure("请输入起点桩号K！", Field::Text15)},
        {batch_fields("1000", " ", "20"), failure("请输入止点桩号K！", Field::Text16)},
        {no_step, failure("请输入计算步长m！", Field::Text17)},
        {batch_fields("999", "2000", "20"), failure("起算桩号不能小于起点桩号！", Field::Text15)},
        {batch_fields("abc", "2000", "20"), failure("起算桩号不能小于起点桩号！", Field::Text15)},
        {batch_fields("1500", "1400", "20"), failure("起算桩号不能大于止算桩号！", Field::Text15)},
        {batch_fields("1000", "2000", "0"), failure("计算步长m值不能≤0！", Field::Text17)},
        {batch_fields("1000", "2000", "0.000"), failure("计算步长m值不能≤0！", Field::Text17)},
        {batch_fields("1000", "2000", "-0"), failure("计算步长m值不能≤0！", Field::Text17)},
        {batch_fields("1000", "2000", "-1"), failure("计算步长m值不能≤0！", Field::Text17)},
        {batch_fields("1000", "2000", "abc"), failure(kf::msg::kStepNotNumber, Field::Text17)},
        {batch_fields("1000", "2000", "20m"), failure(kf::msg::kStepNotNumber, Field::Text17)},
        {batch_fields("1000", "2000", "1e-20"), failure(kf::msg::kStepTooSmall, Field::Text17)},
        {batch_fields("1000", "2000", "0.0001"), failure(kf::msg::kTooManyRows, Field::Text17)},
        {batch_fields("1000", "1e300", "1"), failure(kf::msg::kTooManyRows, Field::Text17)},
        {batch_fields("1000", "1e999", "1"), failure(kf::msg::kValueOutOfRange, Field::Text16)},
        {batch_fields("1000", "2000", "1e999"), failure(kf::msg::kValueOutOfRange, Field::Text17)},
    };
    for (const Case& c : cases) {
        auto r = kf::batch_table(c.fields);
        ASSERT_FALSE(r.ok()) << c.expected.message;
        EXPECT_EQ(r.failure(), c.expected);
    }
    EXPECT_TRUE(kf::batch_table(batch_fields("1000", "2000", "1e1")).ok());
    EXPECT_TRUE(kf::batch_table(batch_fields("1000", "2000", " 0.5 ")).ok());
}

TEST(batch, a_chainage_that_stops_growing_is_reported_at_that_chainage) {
    // Beyond 2^53 adding 1 leaves the sum where it is: 21 rows, not too many.
    auto f = batch_fields("9007199254740990", "9007199254741010", "1");
    EXPECT_EQ(kf::batch_table(f).failure(),
              failure("计算步长m太小，桩号增至9007199254740992后无法再递增！", Field::Text17));
    EXPECT_TRUE(kf::batch_table(batch_fields("9007199254740990", "9007199254741010", "2")).ok());
}

TEST(batch, the_row_limit_is_exact) {
    // 0 .. 999999 by 1 is exactly a million rows; one more is refused.
    auto f = batch_fields("0", "999999", "1");
    f.set(Field::Text1, "0");
    std::size_t rows = 0;
    EXPECT_FALSE(kf::batch_rows(f, [&](const kf::BatchRow&) { ++rows; }).has_value());
    EXPECT_EQ(rows, kf::kMaxBatchRows);
    f.set(Field::Text16, "1000000");
    rows = 0;
    EXPECT_EQ(kf::batch_rows(f, [&](const kf::BatchRow&) { ++rows; })->message,
              kf::msg::kTooManyRows);
    EXPECT_EQ(rows, 0u);
}

TEST(batch, rows_match_the_table_text) {
    auto f = batch_fields("1000", "1100", "0.2", "-2.5", "75.3");
    std::string rebuilt(kf::kBatchHeader);
    EXPECT_FALSE(kf::batch_rows(f, [&](const kf::BatchRow& r) {
        rebuilt += " K=" + std::string(r.k) + ",P=" + std::string(r.p) + ",X=" + std::string(r.x) +
                   ",Y=" + std::string(r.y) + "\r\n";
    }));
    EXPECT_EQ(rebuilt, kf::batch_table(f).value());
}

TEST(batch, rows_agree_with_the_forward_computation) {
    auto table = kf::batch_table(batch_fields("1000", "2000", "100", "5", "90"));
    ASSERT_TRUE(table.ok());
    auto rows = lines(table.value());
    auto r = kf::forward(forward_fields("1500", "5", "90"));
    EXPECT_EQ(rows[6], " K=1500,P=5,X=" + r.value().x + ",Y=" + r.value().y);
}

TEST(batch, absurd_magnitudes_are_refused) {
    auto f = batch_fields("1000", "2000", "20");
    f.set(Field::Text4, "1e308");
    EXPECT_EQ(kf::batch_table(f).failure(), failure(kf::msg::kResultOutOfRange, Field::Text4));
    f = batch_fields("1000", "2000", "20");
    f.set(Field::Text2, "1.7e308");
    f.set(Field::Text4, "0");
    f.set(Field::Text16, "1e308");
    f.set(Field::Text17, "1e303");
    EXPECT_EQ(kf::batch_table(f).failure(), failure(kf::msg::kResultOutOfRange, Field::Text1));
}
