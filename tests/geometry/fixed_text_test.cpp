#include "geometry/fixed_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace korvane::geometry {
namespace {

std::string quick(double v, int d) {
    char buf[400];
    const auto r = fixed_chars(buf, buf + sizeof buf, v, d);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : "error";
}

std::string library(double v, int d) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, d);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : "error";
}

TEST(fixed_text, ties_signs_and_limits_read_as_the_library_writes_them) {
    // Binary ties round to even; values a hair off a decimal tie round by
    // their exact binary value (0.0005 is just above, 1.0005 just below).
    for (double v : {0.125, 0.375, 2.5, 3.5, 0.0005, 1.0005, 2.675, 1.005, -0.0001, -0.0, 0.0, -2.5,
                     999999.9995, 3456781.1955, 512339.58349999, 1e12, 1.5e300, 5e-324,
                     std::numeric_limits<double>::max()}) {
        for (int d = 0; d <= 9; ++d) EXPECT_EQ(quick(v, d), library(v, d)) << v << " " << d;
    }
    EXPECT_EQ(quick(-0.0001, 3), "-0.000");
    EXPECT_EQ(quick(3456781.195, 3), "3456781.195");
    EXPECT_EQ(quick(7.5, 12), library(7.5, 12));
    // Seconds of arc are written from a long double.
    for (long double v : {0.125L, 2.5L, 0.005L, 4567.125L, 1295999.995L, 1296000.0L}) {
        for (int d = 0; d <= 9; ++d) {
            char a[400];
            char b[400];
            const auto ra = fixed_chars(a, a + sizeof a, v, d);
            const auto rb = std::to_chars(b, b + sizeof b, v, std::chars_format::fixed, d);
            EXPECT_EQ(std::string(a, ra.ptr), std::string(b, rb.ptr)) << d;
        }
    }
    char small[4];
    EXPECT_EQ(fixed_chars(small, small + sizeof small, 12.345, 3).ec, std::errc::value_too_large);
}

TEST(fixed_text, agrees_with_the_library_over_a_million_values) {
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> unit(-1, 1);
    std::uniform_int_distribution<int> power(-6, 12);
    std::uniform_int_distribution<int> places(0, 9);
    std::uniform_int_distribution<long long> units(-99999999999LL, 99999999999LL);
    int differ = 0;
    for (int i = 0; i < 1000000; ++i) {
        const int d = places(random);
        double v = 0;
        if (i % 2 == 0) {
            v = unit(random) * std::pow(10.0, power(random));
        } else {
            // Near a decimal tie: k + 1/2 units of the last place, nudged.
            v = (static_cast<double>(units(random)) + 0.5) / std::pow(10.0, d) +
                unit(random) * 1e-12;
        }
        if (quick(v, d) != library(v, d) && ++differ < 5)
            ADD_FAILURE() << v << " " << d << ": " << quick(v, d) << " vs " << library(v, d);
        // The same value carried in a long double, as seconds of arc are.
        if (i % 8 != 0) continue;
        const long double w = static_cast<long double>(v) / 3 * 3600;
        char a[400];
        char b[400];
        const auto ra = fixed_chars(a, a + sizeof a, w, d);
        const auto rb = std::to_chars(b, b + sizeof b, w, std::chars_format::fixed, d);
        if (std::string(a, ra.ptr) != std::string(b, rb.ptr) && ++differ < 5)
            ADD_FAILURE() << "long double " << v << " " << d;
    }
    EXPECT_EQ(differ, 0);
}

// The same text in a room of exactly its size, and a refusal one character
// short, on the paths for a roomy and for a tight destination; the integer
// units text alone for counts of decimals a packed angle uses.
TEST(fixed_text, exact_room_and_integer_units) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(-1, 1);
    std::uniform_int_distribution<int> power(-3, 9);
    for (int i = 0; i < 20000; ++i) {
        const int d = i % 10;
        const double v = unit(random) * std::pow(10.0, power(random));
        const std::string want = library(v, d);
        std::string room(want.size(), '#');
        const auto r = fixed_chars(room.data(), room.data() + room.size(), v, d);
        ASSERT_EQ(r.ec, std::errc()) << v << " " << d;
        EXPECT_EQ(std::string(room.data(), r.ptr), want);
        EXPECT_EQ(fixed_chars(room.data(), room.data() + room.size() - 1, v, d).ec,
                  std::errc::value_too_large)
            << v << " " << d;
    }
    const auto units = [](std::uint64_t n, int d) {
        char out[kUnitsRoom];
        return std::string(out, units_chars(out, n, d));
    };
    // Each count of digits at its ends, with every count of decimals, as
    // the digits of the integer with a point put in.
    for (std::uint64_t ten = 1; ten <= 100000000000ULL; ten *= 10) {
        for (const std::uint64_t n : {ten - 1, ten, ten + 1, 3 * ten + 7, 10 * ten - 1}) {
            for (int d = 0; d <= 9; ++d) {
                std::string want = std::to_string(n);
                while (static_cast<int>(want.size()) < d + 1) want.insert(want.begin(), '0');
                if (d > 0) want.insert(want.end() - d, '.');
                EXPECT_EQ(units(n, d), want) << n << " " << d;
            }
        }
    }
    EXPECT_EQ(units(5, 2), "0.05");
    EXPECT_EQ(units(0, 0), "0");
    EXPECT_EQ(units(400623536, 6), "400.623536");
    EXPECT_EQ(units(1234567, 13), "0.0000001234567");
    EXPECT_EQ(units(18446744073709551615ULL, 16), "1844.6744073709551615");
    EXPECT_EQ(units(18446744073709551615ULL, 0), "18446744073709551615");
}

// Tables and drawings never show "-0.000"; any other value keeps its sign.
TEST(fixed_text, shown_numbers_drop_the_sign_of_a_zero_only) {
    const auto shown = [](double value, int decimals) {
        std::string out;
        append_shown_fixed(out, value, decimals);
        return out;
    };
    EXPECT_EQ(shown(-0.0004, 3), "0.000");
    EXPECT_EQ(shown(-0.0, 0), "0");
    EXPECT_EQ(shown(-0.0005000001, 3), "-0.001");
    EXPECT_EQ(shown(-12.5, 1), "-12.5");
    EXPECT_EQ(shown(3512345.6785, 3), "3512345.678");  // really …67849999
    char room[4];
    EXPECT_EQ(shown_fixed_chars(room, room + sizeof room, -0.0001, 3).ec,
              std::errc::value_too_large);
}

}  // namespace
}  // namespace korvane::geometry
