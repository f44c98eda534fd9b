#include "route/angle.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace kr = korvane::route;

namespace {

constexpr double kDeg = std::numbers::pi / 180.0;

double read(std::string_view text) {
    const auto r = kr::read_packed_angle(text);
    EXPECT_TRUE(r.ok()) << text;
    return r.ok() ? r.value() : NAN;
}

}  // namespace

TEST(packed_angle, text_is_split_on_the_typed_digits) {
    EXPECT_EQ(read("45.302010"), (45 + (30 + 20.10 / 60) / 60) / 180.0 * std::numbers::pi);
    EXPECT_EQ(read("45.3"), 45.5 / 180.0 * std::numbers::pi);
    EXPECT_EQ(read("0.003"), (30.0 / 60 / 60) / 180.0 * std::numbers::pi);
    EXPECT_EQ(read("90"), std::numbers::pi / 2);
    EXPECT_EQ(read("180"), std::numbers::pi);
    EXPECT_EQ(read("-0.3"), -0.5 / 180.0 * std::numbers::pi);
    EXPECT_EQ(read(" 10.6 "), 11.0 / 180.0 * std::numbers::pi);
    EXPECT_EQ(read(".3"), 0.5 / 180.0 * std::numbers::pi);
    EXPECT_EQ(read("45."), 45.0 / 180.0 * std::numbers::pi);
    // Digits beyond what a double keeps still split as typed.
    EXPECT_EQ(read("1.00000000000000000001"), 1.0 / 180.0 * std::numbers::pi);
}

TEST(packed_angle, refuses_text_that_is_not_a_packed_angle) {
    const std::string bad = "角度格式不正确，应写作度.分秒（如45.302010）！";
    for (std::string_view t : {"", " ", "45°30'", "1e2", "45.30.20", "abc", "45,3", "-", "."}) {
        const auto r = kr::read_packed_angle(t);
        ASSERT_FALSE(r.ok()) << t;
        EXPECT_EQ(r.failure().message, bad) << t;
    }
    EXPECT_EQ(kr::read_packed_angle("1000000000").failure().message, "角度超出范围！");
}

TEST(packed_angle, numbers_split_on_their_shortest_decimal_form) {
    EXPECT_EQ(kr::packed_to_radians(60.3), read("60.3"));
    EXPECT_EQ(kr::packed_to_radians(60.3), 60.5 / 180.0 * std::numbers::pi);
    EXPECT_EQ(kr::packed_to_radians(45.30201), read("45.30201"));
    EXPECT_EQ(kr::packed_to_radians(312.453), read("312.453"));
    EXPECT_EQ(kr::packed_to_radians(-135.3), -read("135.3"));
    EXPECT_TRUE(std::isinf(kr::packed_to_radians(INFINITY)));
}

TEST(packed_angle, writes_seconds_to_the_asked_decimals) {
    EXPECT_EQ(kr::format_packed(read("45.302010"), 2), "45.302010");
    EXPECT_EQ(kr::format_packed(read("45.302010"), 0), "45.3020");
    EXPECT_EQ(kr::format_packed(read("45.302010"), 4), "45.30201000");
    EXPECT_EQ(kr::format_packed(read("0.00014"), 0), "0.0001");
    EXPECT_EQ(kr::format_packed(read("0.00016"), 0), "0.0002");
    EXPECT_EQ(kr::format_packed(read("10.595999"), 1), "11.00000");  // 59.99″ carries into degrees
    EXPECT_EQ(kr::format_packed(read("10.595999"), 2), "10.595999");
    EXPECT_EQ(kr::format_packed(-0.5 * kDeg, 2), "-0.300000");
    EXPECT_EQ(kr::format_packed(-1e-12, 2), "0.000000");
    EXPECT_EQ(kr::format_packed(NAN, 2), "");
    EXPECT_EQ(kr::format_azimuth(-90 * kDeg), "270.000000");
    EXPECT_EQ(kr::format_azimuth(2 * std::numbers::pi - 1e-12), "0.000000");
    EXPECT_EQ(kr::format_azimuth(7 * std::numbers::pi), "180.000000");
}

// Packed text made the plain way: the seconds' fixed text by the library,
// split into degrees, minutes and seconds.
std::string packed_by_the_library(double radians, int decimals) {
    const double seconds = std::fabs(radians) / std::numbers::pi * 180 * 3600;
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, seconds, std::chars_format::fixed, decimals).ptr;
    const std::string digits(text, end);
    const std::size_t point = digits.find('.');
    const auto whole = std::stoull(digits.substr(0, point));
    std::string out = radians < 0 && digits.find_first_not_of("0.") != std::string::npos ? "-" : "";
    out += std::to_string(whole / 3600) + '.';
    const auto two = [&](unsigned long long v) {
        out += static_cast<char>('0' + v / 10);
        out += static_cast<char>('0' + v % 10);
    };
    two(whole % 3600 / 60);
    two(whole % 60);
    if (point != std::string::npos) out += digits.substr(point + 1);
    return out;
}

TEST(packed_angle, integer_writing_agrees_with_the_library_away_from_ties) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> turn(-2 * std::numbers::pi, 2 * std::numbers::pi);
    int compared = 0;
    for (int i = 0; i < 300000; ++i) {
        const double radians = turn(rng);
        const int decimals = i % 6;
        // Near a rounding tie the program decides in wider arithmetic.
        const double scaled =
            std::fabs(radians) / std::numbers::pi * 180 * 3600 * std::pow(10.0, decimals);
        if (std::fabs(scaled - std::floor(scaled) - 0.5) < 1e-3) continue;
        ASSERT_EQ(kr::format_packed(radians, decimals), packed_by_the_library(radians, decimals))
            << radians << " " << decimals;
        ++compared;
    }
    EXPECT_GT(compared, 299000);
}

TEST(packed_angle, shortest_text_reads_back_exactly) {
    EXPECT_EQ(kr::format_packed_shortest(read("45.302010")), "45.30201");
    EXPECT_EQ(kr::format_packed_shortest(0), "0.0000");
    EXPECT_EQ(kr::format_packed_shortest(std::numbers::pi / 2), "90.0000");
    std::mt19937_64 rng(12);
    std::uniform_real_distribution<double> any(-2 * std::numbers::pi, 2 * std::numbers::pi);
    int exact = 0;
    for (int i = 0; i < 20000; ++i) {
        const double a = any(rng);
        const std::string text = kr::format_packed_shortest(a);
        const double back = read(text);
        EXPECT_LE(std::fabs(back - a), 2e-16 * std::fabs(a) + 1e-300) << text;
        exact += back == a;
    }
    EXPECT_EQ(exact, 20000);
}

// The radians of a packed text are pinned to the bit, as an exactly rounded
// reading of the seconds gives them, whatever the C++ library's own reading
// of a long double is worth: short texts, twenty and more digits, ninety-nine
// sixty-thirds of a second, and hundreds of zeros.
TEST(packed_angle, texts_read_to_the_same_radians_on_every_system) {
    EXPECT_EQ(read("15.152555"), 0x1.10ad6df005b42p-2);
    EXPECT_EQ(read("359.5959999999999999"), 0x1.921fb54442d18p+2);
    EXPECT_EQ(read("0.0000000000000000000000012345678901234567890123"), 0x1.2861605797defp-84);
    EXPECT_EQ(read("123.4512345678901234567890123"), 0x1.1477c2b56db89p+1);
    EXPECT_EQ(read("45.3020100000000000000000000001"), 0x1.96a44cb8ebe7cp-1);
    EXPECT_EQ(read("0.00000000000000004"), 0x1.1e2ef8db82b8bp-59);
    EXPECT_EQ(read("0.0000" + std::string(330, '0') + "98765"), 0.0);
    EXPECT_EQ(read("0.0000" + std::string(5000, '0') + "1"), 0.0);
    EXPECT_EQ(read("000000000000000000000000045.30201"), read("45.30201"));
}

// What is left of a huge azimuth brought into one turn can be far below a
// second of arc; its text must still read back, or a file written with it
// reads back as another alignment.
TEST(packed_angle, tiny_angles_take_the_decimals_they_need) {
    const double left = kr::normalize_azimuth(read("454302000"));
    ASSERT_GT(left, 0);
    ASSERT_LT(left, 1e-8);
    EXPECT_EQ(read(kr::format_packed_shortest(left)), left);
    for (const double a : {1e-12, -3.5e-100, 2.2250738585072014e-308, 4.9e-324}) {
        const std::string text = kr::format_packed_shortest(a);
        EXPECT_EQ(read(text), a) << text;
    }
    std::mt19937_64 rng(13);
    std::uniform_real_distribution<double> exponent(-320, -6);
    int exact = 0;
    for (int i = 0; i < 2000; ++i) {
        const double a = std::pow(10.0, exponent(rng));
        const double back = read(kr::format_packed_shortest(a));
        EXPECT_LE(std::fabs(back - a), 2e-16 * a) << a;
        exact += back == a;
    }
    EXPECT_GE(exact, 1995);
}

TEST(packed_angle, azimuths_are_normalised_into_one_turn) {
    EXPECT_EQ(kr::normalize_azimuth(-std::numbers::pi / 2), 1.5 * std::numbers::pi);
    EXPECT_EQ(kr::normalize_azimuth(2 * std::numbers::pi), 0.0);
    const double tiny = kr::normalize_azimuth(-1e-300);
    EXPECT_TRUE(tiny >= 0 && tiny < 2 * std::numbers::pi);
}
