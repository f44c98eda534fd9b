#include "geometry/number_text.h"

#include "support/exact_number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kg = korvane::geometry;

TEST(number_text, leading_parse_reads_the_longest_leading_number) {
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"1000", 1000},
        {"5m", 5},
        {"abc", 0},
        {"", 0},
        {"  12.5  ", 12.5},
        {"1 000", 1000},
        {"1\t0\n0", 100},
        {"- 5", -5},
        {"+7", 7},
        {"1e3", 1000},
        {"1E3", 1000},
        {"1e", 1},
        {"1e+", 1},
        {"2.5e-1x", 0.25},
        {"1 e 2", 100},
        {".5", 0.5},
        {"5.", 5},
        {"-.5", -0.5},
        {".", 0},
        {"-", 0},
        {"1.2.3", 1.2},
        {"0015.30", 15.3},
        {"1000.500", 1000.5},
        {"起点1000", 0},
        {"1000起点桩号K", 1000},
        {"12,5", 12},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kg::parse_leading(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(number_text, leading_parse_keeps_carriage_return_as_a_stop) {
    // Only blanks, tabs and line feeds are dropped; a CR ends the number.
    EXPECT_EQ(kg::parse_leading("12\r34"), 12);
}

TEST(number_text, out_of_range_numbers_become_infinity_or_zero) {
    EXPECT_EQ(kg::parse_leading("1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(kg::parse_leading("-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(kg::parse_leading("1e-999"), 0.0);
    EXPECT_EQ(kg::parse_leading("1e99999999999999999999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(kg::parse_leading("0e99999"), 0.0);
    EXPECT_EQ(kg::parse_strict("1e400"), std::numeric_limits<double>::infinity());
}

TEST(number_text, strict_conversion_takes_only_one_whole_number) {
    EXPECT_EQ(kg::parse_strict("5"), 5.0);
    EXPECT_EQ(kg::parse_strict("  -2.5  "), -2.5);
    EXPECT_EQ(kg::parse_strict("1e1"), 10.0);
    EXPECT_EQ(kg::parse_strict("+.5"), 0.5);
    EXPECT_EQ(kg::parse_strict("5."), 5.0);
    EXPECT_TRUE(std::signbit(*kg::parse_strict("-0")));
    EXPECT_EQ(kg::parse_strict("123456789012345678901234567890"), 1.2345678901234568e29);
    EXPECT_EQ(kg::parse_strict("0.00000000000000000000000000000000000000000000000001"), 1e-50);
    EXPECT_EQ(kg::parse_strict("3512345.6785"), 3512345.6785);
    for (const char* bad : {"5m", "abc", "", "   ", "1 0", "1e", "-", ".", "1.2.3", "0x10", "\t5",
                            "+-5", "--5", "-+5", "5-", "5+", "1..2", "+", "+."}) {
        EXPECT_FALSE(kg::parse_strict(bad).has_value()) << '"' << bad << '"';
    }
}

TEST(number_text, blank_means_only_spaces) {
    EXPECT_TRUE(kg::is_blank(""));
    EXPECT_TRUE(kg::is_blank("    "));
    EXPECT_FALSE(kg::is_blank("\t"));
    EXPECT_FALSE(kg::is_blank(" 0 "));
}

TEST(number_text, rounds_half_to_even_on_the_exact_binary_value) {
    EXPECT_EQ(kg::round_half_even(0.125, 2), 0.12);
    EXPECT_EQ(kg::round_half_even(0.375, 2), 0.38);
    EXPECT_EQ(kg::round_half_even(2.675, 2), 2.67);  // really 2.67499999...
    EXPECT_EQ(kg::round_half_even(2.5, 0), 2.0);
    EXPECT_EQ(kg::round_half_even(3.5, 0), 4.0);
    EXPECT_EQ(kg::round_half_even(-0.0625, 3), -0.062);
    EXPECT_EQ(kg::round_half_even(9246.9504, 3), 9246.95);
    EXPECT_EQ(kg::round_half_even(1e300, 3), 1e300);
    EXPECT_TRUE(std::isinf(kg::round_half_even(std::numeric_limits<double>::infinity(), 3)));
    EXPECT_FALSE(std::signbit(kg::round_half_even(-0.0001, 3)));
}

TEST(number_text, writes_fifteen_significant_digits_in_plain_decimal) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {1000, "1000"},
        {7053.150, "7053.15"},
        {1022.0000000000114, "1022.00000000001"},
        {1999.9999999991169, "1999.99999999912"},
        {-2.5, "-2.5"},
        {-0.0, "0"},
        {0.0, "0"},
        {0.1, "0.1"},
        {0.1 + 0.2, "0.3"},
        {123456789012345678.0, "1.23456789012346E+17"},
        {1e15, "1E+15"},
        {999999999999999.0, "999999999999999"},
        {9999999999999999.0, "1E+16"},
        {0.0001, "0.0001"},
        {0.00001, "1E-05"},
        {-1.5e-7, "-1.5E-07"},
        {1e300, "1E+300"},
        {100, "100"},
        {0.999999999999999944, "1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kg::format_number(c.value), c.text) << c.value;
    }
}

TEST(number_text, rounded_text_matches_rounding_then_writing) {
    // The fast path for rounded values must agree with the general rule.
    const double values[] = {
        9246.9504,  6926.3975,         -0.0004,     -0.0005,        0.0005,     0.0015, 2.675,
        1e11 + 0.5, 999999999999.9995, 1e12 + 0.25, 123456789.0625, -7053.1505, 5e-324, 1e20,
        -3.0};
    for (double v : values) {
        EXPECT_EQ(kg::format_rounded(v, 3), kg::format_number(kg::round_half_even(v, 3))) << v;
    }
    EXPECT_EQ(kg::format_rounded(-0.0004, 3), "0");
    EXPECT_EQ(kg::format_rounded(9246.9504, 3), "9246.95");
    EXPECT_EQ(kg::format_rounded(0.0625, 3), "0.062");
}

TEST(number_text, writing_then_reading_gives_the_fifteen_digit_value) {
    const double values[] = {1022.0000000000114, 1.0 / 3.0,   8765.888, 6789.999,
                             15.152555,          -123.456e-3, 1e14 / 7};
    for (double v : values) {
        const std::string text = kg::format_number(v);
        const double back = kg::parse_leading(text);
        EXPECT_EQ(kg::format_number(back), text) << v;
        EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << v;
    }
}

TEST(number_text, the_largest_doubles_are_written_as_texts_that_read_back) {
    // Rounded at the 15th digit, the largest double would become
    // 1.79769313486232E+308, beyond the range of a double: the program would
    // refuse its own output. Such values are cut at the 15th digit instead.
    const double largest = std::numeric_limits<double>::max();
    EXPECT_EQ(kg::format_number(largest), "1.79769313486231E+308");
    EXPECT_EQ(kg::format_number(-largest), "-1.79769313486231E+308");
    EXPECT_EQ(kg::format_rounded(largest, 3), "1.79769313486231E+308");
    EXPECT_EQ(kg::parse_strict(kg::format_number(largest)), 1.79769313486231e308);
    // Just below the first value whose rounding passes the largest double.
    EXPECT_EQ(kg::format_number(1.7976931348623149e308), "1.79769313486231E+308");
    EXPECT_EQ(kg::format_number(1.7e308), "1.7E+308");
}

TEST(number_text, fast_paths_agree_with_exact_printf_rounding) {
    // Chainage- and coordinate-like values, running sums that collect rounding
    // error, and values built to sit on or next to halfway points.
    std::mt19937_64 rng(20261207);
    std::uniform_real_distribution<double> coord(-1e7, 1e7);
    std::vector<double> values;
    values.reserve(200000 + 100000 + 3 * 20000);
    for (int i = 0; i < 200000; ++i) values.push_back(coord(rng));
    double k = 1000;
    for (int i = 0; i < 100000; ++i, k += 0.1) values.push_back(k);
    for (int i = 0; i < 20000; ++i) {
        const double half = (std::floor(coord(rng)) * 1000 + 500) / 1e6;  // ...x.yyy5
        values.push_back(half);
        values.push_back(std::nextafter(half, 0));
        values.push_back(std::nextafter(half, 1e300));
    }
    for (double v : values) {
        if (std::fabs(v) >= 1e-4 && std::fabs(v) < 1e15) {
            ASSERT_EQ(kg::format_number(v), korvane::testing::exact_fifteen(v))
                << std::hexfloat << v;
        }
        ASSERT_EQ(kg::format_rounded(v, 3), korvane::testing::exact_rounded3(v))
            << std::hexfloat << v;
    }
}
