#include "route/chainage.h"

#include <string_view>

#include <charconv>
#include <cmath>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace kr = korvane::route;

namespace {

double read(std::string_view text) {
    const auto r = kr::read_chainage(text);
    EXPECT_TRUE(r.ok()) << text;
    return r.ok() ? r.value() : NAN;
}

std::string refusal(std::string_view text) {
    const auto r = kr::read_chainage(text);
    EXPECT_FALSE(r.ok()) << text;
    return r.ok() ? "" : r.failure().message;
}

}  // namespace

TEST(chainage, reads_every_prefix_and_plain_metres) {
    EXPECT_EQ(read("K1+005.300"), 1005.3);
    EXPECT_EQ(read("K1+234.5"), 1234.5);
    EXPECT_EQ(read("1+234.5"), 1234.5);
    EXPECT_EQ(read("DK12+3"), 12003.0);
    EXPECT_EQ(read("ZK0+000"), 0.0);
    EXPECT_EQ(read("AK7+999.999999999"), 7999.999999999);
    EXPECT_EQ(read("-K0+100.000"), -100.0);
    EXPECT_EQ(read("-K2+050"), -2050.0);
    EXPECT_EQ(read("  K1+200.  "), 1200.0);
    EXPECT_EQ(read("K1+0005.5"), 1005.5);  // leading zeros of the metres
    EXPECT_EQ(read("1234.5"), 1234.5);
    EXPECT_EQ(read("-20"), -20.0);
    EXPECT_EQ(read("1e3"), 1000.0);
    // The text is converted once: K1+005.3 is the double nearest 1005.3, not
    // 1000 + 5.3 (which differs in the last bit for some values).
    EXPECT_EQ(read("K123+456.789"), 123456.789);
    EXPECT_EQ(read("K0+000.1"), 0.1);
}

TEST(chainage, refuses_anything_else_with_a_message) {
    const std::string bad = "桩号格式不正确，应写作K1+234.567或1234.567！";
    EXPECT_EQ(refusal("K1+500abc"), bad);
    EXPECT_EQ(refusal("k1+500"), bad);
    EXPECT_EQ(refusal("KD1+500"), bad);  // a prefix must end in K
    EXPECT_EQ(refusal("K+500"), bad);
    EXPECT_EQ(refusal("K1+"), bad);
    EXPECT_EQ(refusal("K1+.5"), bad);
    EXPECT_EQ(refusal("K1500"), bad);
    EXPECT_EQ(refusal("K1+500+3"), bad);
    EXPECT_EQ(refusal("K1 +500"), bad);
    EXPECT_EQ(refusal(""), bad);
    EXPECT_EQ(refusal("   "), bad);
    EXPECT_EQ(refusal("abc"), bad);
    EXPECT_EQ(refusal("5m"), bad);
    EXPECT_EQ(refusal("--5"), bad);
    EXPECT_EQ(refusal("K1+500.3.2"), bad);
    EXPECT_EQ(refusal("K1+1500"), "桩号“+”后的米数必须小于1000！");
    EXPECT_EQ(refusal("1e300"), "桩号超出范围（绝对值不能超过1000000km）！");
    EXPECT_EQ(refusal("K99999999+000"), "桩号超出范围（绝对值不能超过1000000km）！");
    EXPECT_EQ(refusal("1e999"), "桩号超出范围（绝对值不能超过1000000km）！");
}

TEST(chainage, writes_with_prefix_and_half_even_rounding_that_carries) {
    // Written in place for tables: the same text, or nothing without room.
    char room[12];
    const char* end = kr::chainage_chars(room, room + sizeof room, 1005.3, 3, "DK");
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(std::string_view(room, static_cast<std::size_t>(end - room)), "DK1+005.300");
    EXPECT_EQ(kr::chainage_chars(room, room + 10, 1005.3, 3, "DK"), nullptr);
    EXPECT_EQ(kr::chainage_chars(room, room + sizeof room, NAN, 3, "K"), nullptr);
    EXPECT_EQ(kr::format_chainage(1005.3), "K1+005.300");
    EXPECT_EQ(kr::format_chainage(1499.9996), "K1+500.000");
    EXPECT_EQ(kr::format_chainage(2.675, 2), "K0+002.67");  // really 2.67499999...
    EXPECT_EQ(kr::format_chainage(0.125, 2), "K0+000.12");  // an exact tie: to even
    EXPECT_EQ(kr::format_chainage(0.375, 2), "K0+000.38");
    EXPECT_EQ(kr::format_chainage(12003, 0, "DK"), "DK12+003");
    EXPECT_EQ(kr::format_chainage(999.5, 0), "K1+000");
    EXPECT_EQ(kr::format_chainage(998.5, 0), "K0+998");
    EXPECT_EQ(kr::format_chainage(-100, 3), "-K0+100.000");
    EXPECT_EQ(kr::format_chainage(-1234.5678, 1), "-K1+234.6");
    EXPECT_EQ(kr::format_chainage(-0.0004, 3), "K0+000.000");
    EXPECT_EQ(kr::format_chainage(0, 3, ""), "0+000.000");
    EXPECT_EQ(kr::format_chainage(123456789.123456789, 9), "K123456+789.123456791");
    EXPECT_EQ(kr::format_chainage(1005.3, 12), "K1+005.300000000");  // at most 9 decimals
    EXPECT_EQ(kr::format_chainage(1005.3, -1), "K1+005");
    EXPECT_EQ(kr::format_chainage(INFINITY), "");
    EXPECT_EQ(kr::format_chainage(NAN), "");
}

TEST(chainage, integer_writing_agrees_with_the_library) {
    // The library's fixed text with at least four whole digits, split before
    // the last three of them.
    const auto plain = [](double metres, int decimals, std::string_view prefix) {
        char text[64];
        const auto end = std::to_chars(text, text + sizeof text, std::fabs(metres),
                                       std::chars_format::fixed, decimals)
                             .ptr;
        std::string digits(text, end);
        const std::size_t point = decimals > 0 ? digits.find('.') : digits.size();
        const std::string whole =
            std::string(point < 4 ? 4 - point : 0, '0') + digits.substr(0, point);
        std::string out =
            metres < 0 && digits.find_first_not_of("0.") != std::string::npos ? "-" : "";
        out += prefix;
        out += whole.substr(0, whole.size() - 3) + '+' + whole.substr(whole.size() - 3);
        out += digits.substr(point);
        return out;
    };
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> metres(-2e6, 2e8);
    for (int i = 0; i < 200000; ++i) {
        const double m = i % 3 == 0 ? std::ldexp(metres(rng), -20) : metres(rng);
        const int decimals = i % 10;
        ASSERT_EQ(kr::format_chainage(m, decimals, "DK"), plain(m, decimals, "DK")) << m;
    }
}

TEST(chainage, reads_back_what_it_writes) {
    for (double v : {0.0, 0.001, 999.999, 1000.0, 1005.3, 12345.678, -100.0, -0.5, 987654.321}) {
        for (int d = 3; d <= 9; ++d) {
            const std::string text = kr::format_chainage(v, d, "YK");
            EXPECT_NEAR(read(text), v, 0.5 * std::pow(10.0, -d) * 1.0000001) << text;
        }
    }
    EXPECT_EQ(read(kr::format_chainage(1005.3)), 1005.3);
}

TEST(chainage, prefixes_are_capitals_ending_in_k) {
    EXPECT_TRUE(kr::valid_prefix("K"));
    EXPECT_TRUE(kr::valid_prefix("DK"));
    EXPECT_TRUE(kr::valid_prefix(""));
    EXPECT_FALSE(kr::valid_prefix("D"));
    EXPECT_FALSE(kr::valid_prefix("dK"));
    EXPECT_FALSE(kr::valid_prefix("K1"));
}

TEST(chainage, a_prefix_other_than_the_alignments_is_refused) {
    EXPECT_FALSE(kr::check_chainage_prefix("YK0+050", "YK"));
    EXPECT_FALSE(kr::check_chainage_prefix(" -YK0+050", "YK"));
    EXPECT_FALSE(kr::check_chainage_prefix("0+050", "YK"));
    EXPECT_FALSE(kr::check_chainage_prefix("50", "YK"));
    const auto other = kr::check_chainage_prefix("ZK0+050", "YK");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->message, "桩号“ZK0+050”的冠号ZK与线路的冠号YK不同！");
    EXPECT_TRUE(kr::check_chainage_prefix("K0+050", "YK"));
}
