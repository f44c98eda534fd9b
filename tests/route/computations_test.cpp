#include "route/forward.h"
#include "route/table.h"

#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>

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
        // The cases' H is the profile's at the station. The alignment has no
        // section template, so a stake off the centre line has no design
        // elevation of its own.
        const std::optional<double> profile = a.elevation_at(v.s);
        if (r.size() > 8 && !r[8].empty()) {
            ASSERT_TRUE(profile.has_value()) << r[0];
            EXPECT_NEAR(*profile, number(r[8]), 1e-6) << r[0];
            worst_h = std::max(worst_h, std::fabs(*profile - number(r[8])));
        } else {
            EXPECT_FALSE(profile.has_value()) << r[0];
        }
        if (number(r[2]) != 0) {
            EXPECT_FALSE(v.elevation.has_value()) << r[0];
        } else {
            EXPECT_EQ(v.elevation, profile) << r[0];
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
            ASSERT_TRUE(a.elevation_at(v.s).has_value()) << r[2];
            EXPECT_NEAR(*a.elevation_at(v.s), number(r[6]), 1e-6) << r[2];
        }
        EXPECT_FALSE(v.elevation.has_value()) << r[2];  // off the line, no template
        worst_s = std::max(worst_s, std::fabs(v.s - number(r[4])));
        worst_p = std::max(worst_p, std::fabs(v.offset - number(r[5])));
    }
    std::printf("pi inverse: largest chainage error %.3g m, offset error %.3g m\n", worst_s,
                worst_p);
}

namespace {

// Straight 100 m north, a circular curve of R 30 turning 170° right, straight 100 m.
kr::Alignment tight_curve() {
    kr::Definition d;
    kr::ElementsDef e;
    e.elements = {{100, kr::kStraight, kr::kStraight},
                  {30 * 170 * std::numbers::pi / 180, 30, 30},
                  {100, kr::kStraight, kr::kStraight}};
    d.horizontal = e;
    return kr::Alignment::build(d).value();
}

}  // namespace

TEST(route_inverse, round_trips_over_thousands_of_points) {
    const kr::Alignment& a = pi_alignment();
    std::mt19937_64 rng(2026);
    std::uniform_real_distribution<double> along(0, a.length());
    std::uniform_real_distribution<double> side(-100, 100);
    double worst_s = 0, worst_p = 0, worst_xy = 0;
    for (int i = 0; i < 5000; ++i) {
        const double s = along(rng);
        const double p = side(rng);
        const int zone = a.zone_of(s);
        const auto f = kr::forward(a, a.chainage_of(s, zone), zone, p);
        ASSERT_TRUE(f.ok()) << f.failure().message;
        const auto inv = kr::inverse(a, f.value().x, f.value().y);
        ASSERT_TRUE(inv.ok()) << s << " " << p << ": " << inv.failure().message;
        worst_s = std::max(worst_s, std::fabs(inv.value().s - s));
        worst_p = std::max(worst_p, std::fabs(inv.value().offset - p));
        // And back: the inverse's chainage, zone and offset give the point again.
        const auto back =
            kr::forward(a, inv.value().chainage, inv.value().zone, inv.value().offset);
        ASSERT_TRUE(back.ok()) << back.failure().message;
        worst_xy = std::max(worst_xy,
                            std::hypot(back.value().x - f.value().x, back.value().y - f.value().y));
    }
    EXPECT_LE(worst_s, 1e-6);
    EXPECT_LE(worst_p, 1e-6);
    EXPECT_LE(worst_xy, 1e-6);
    std::printf("round trips: largest error s %.3g m, offset %.3g m, position %.3g m\n", worst_s,
                worst_p, worst_xy);
}

TEST(route_inverse, points_anywhere_near_the_line_come_back) {
    // Points spread over a box around the alignment: wherever the inverse
    // answers, forward of its answer is the point.
    const kr::Alignment& a = pi_alignment();
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> ux(3456700, 3459000);
    std::uniform_real_distribution<double> uy(512300, 514500);
    int answered = 0;
    double worst = 0;
    for (int i = 0; i < 3000; ++i) {
        const double x = ux(rng), y = uy(rng);
        const auto inv = kr::inverse(a, x, y);
        if (!inv.ok()) {
            EXPECT_TRUE(inv.failure().message.find("垂足在线路") != std::string::npos)
                << inv.failure().message;
            continue;
        }
        ++answered;
        const auto f = kr::forward(a, inv.value().chainage, inv.value().zone, inv.value().offset);
        ASSERT_TRUE(f.ok());
        worst = std::max(worst, std::hypot(f.value().x - x, f.value().y - y));
        EXPECT_TRUE(std::isfinite(inv.value().offset));
    }
    EXPECT_GT(answered, 2000);
    EXPECT_LE(worst, 1e-6);
}

TEST(route_inverse, a_point_exactly_at_a_main_point) {
    const kr::Alignment& a = pi_alignment();
    for (const kr::KeyPoint& k : a.key_points()) {
        const auto inv = kr::inverse(a, k.x, k.y);
        ASSERT_TRUE(inv.ok()) << k.label << ": " << inv.failure().message;
        EXPECT_NEAR(inv.value().s, k.s, 1e-6) << k.label;
        EXPECT_NEAR(inv.value().offset, 0, 1e-6) << k.label;
        EXPECT_EQ(inv.value().feet, 1) << k.label;
    }
}

TEST(route_inverse, beyond_either_end_is_refused_with_the_distance) {
    const kr::Alignment& a = pi_alignment();
    const kr::Pose start = a.pose_at(0);
    const auto before = kr::inverse(a, start.x - 10 * std::cos(start.azimuth),
                                    start.y - 10 * std::sin(start.azimuth));
    ASSERT_FALSE(before.ok());
    EXPECT_EQ(before.failure().message,
              "点（3456781.195，512339.583）的垂足在线路起点之前10.000m！");
    EXPECT_EQ(before.failure().subject, kr::Subject::x);
    const kr::Pose end = a.pose_at(a.length());
    const auto after =
        kr::inverse(a, end.x + 2.5 * std::cos(end.azimuth) + 3 * std::sin(end.azimuth),
                    end.y + 2.5 * std::sin(end.azimuth) - 3 * std::cos(end.azimuth));
    ASSERT_FALSE(after.ok());
    EXPECT_TRUE(after.failure().message.ends_with("的垂足在线路终点之后2.500m！"))
        << after.failure().message;
    // Within half a millimetre of an end (a point read back to the millimetre)
    // the foot is that end; just beyond that, the refusal names a real distance.
    const auto near_start =
        kr::inverse(a, start.x - 0.0004 * std::cos(start.azimuth) + 5 * std::sin(start.azimuth),
                    start.y - 0.0004 * std::sin(start.azimuth) - 5 * std::cos(start.azimuth));
    ASSERT_TRUE(near_start.ok()) << near_start.failure().message;
    EXPECT_EQ(near_start.value().s, 0);
    EXPECT_NEAR(near_start.value().offset, -5, 1e-9);
    const auto near_end = kr::inverse(a, end.x + 0.0004 * std::cos(end.azimuth),
                                      end.y + 0.0004 * std::sin(end.azimuth));
    ASSERT_TRUE(near_end.ok()) << near_end.failure().message;
    EXPECT_EQ(near_end.value().s, a.length());
    const auto past_start = kr::inverse(a, start.x - 0.0006 * std::cos(start.azimuth),
                                        start.y - 0.0006 * std::sin(start.azimuth));
    ASSERT_FALSE(past_start.ok());
    EXPECT_TRUE(past_start.failure().message.ends_with("的垂足在线路起点之前0.001m！"))
        << past_start.failure().message;
    EXPECT_EQ(kr::inverse(a, NAN, 0).failure().message, "坐标X不是有效数字或超出范围！");
    EXPECT_EQ(kr::inverse(a, 0, 1e300).failure().message, "坐标Y不是有效数字或超出范围！");
}

TEST(route_inverse, inside_a_tight_curve_the_nearest_of_several_feet) {
    const kr::Alignment a = tight_curve();
    // 5 m south of the curve's centre (100, 30): square to the first straight
    // 30 m away and to the last one about 31 m away; the curve itself turns
    // round the other side of the centre.
    const auto inv = kr::inverse(a, 95, 30);
    ASSERT_TRUE(inv.ok()) << inv.failure().message;
    EXPECT_NEAR(inv.value().offset, 30, 1e-9);
    EXPECT_EQ(inv.value().feet, 2);
    EXPECT_NEAR(inv.value().s, 95, 1e-9);
    // 5 m north of the centre: 25 m from the curve, its only foot.
    const auto north = kr::inverse(a, 105, 30);
    EXPECT_NEAR(north.value().offset, 25, 1e-9);
    EXPECT_NEAR(north.value().s, 100 + 30 * std::numbers::pi / 2, 1e-9);
    EXPECT_EQ(north.value().feet, 1);
    // Points on the inside, below the radius, come back from forward.
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> along(100, 100 + 30 * 170 * std::numbers::pi / 180);
    std::uniform_real_distribution<double> inside(0, 14.9);
    for (int i = 0; i < 2000; ++i) {
        const double s = along(rng), p = inside(rng);
        const auto f = kr::forward(a, s, 0, p);
        const auto back = kr::inverse(a, f.value().x, f.value().y);
        ASSERT_TRUE(back.ok());
        EXPECT_NEAR(back.value().s, s, 1e-6);
        EXPECT_NEAR(back.value().offset, p, 1e-6);
    }
    // On the outside of a straight the foot is unique.
    EXPECT_EQ(kr::inverse(a, 50, -10).value().feet, 1);
}

TEST(route_forward, refuses_bad_inputs_naming_them) {
    const kr::Alignment& a = pi_alignment();
    const auto twice = kr::forward(a, 1195, 0);
    ASSERT_FALSE(twice.ok());
    EXPECT_EQ(twice.failure().message,
              "桩号K1+195.000在长链内出现2次（第1区距起点1195.000m，第2区距起点1205."
              "000m），请指定分区！");
    EXPECT_EQ(twice.failure().subject, kr::Subject::station);
    EXPECT_NEAR(kr::forward(a, 1195, 2).value().s, 1205, 1e-9);
    EXPECT_EQ(kr::forward(a, 100, 0, NAN).failure().message,
              "偏距不是有效数字或超出范围（不能超过100km）！");
    EXPECT_EQ(kr::forward(a, 100, 0, 2e5).failure().subject, kr::Subject::offset);
    EXPECT_EQ(kr::forward(a, 100, 0, 5, 0).failure().message, "斜交角不能为0°或180°！");
    EXPECT_EQ(kr::forward(a, 100, 0, 5, std::numbers::pi).failure().subject, kr::Subject::skew);
    EXPECT_EQ(kr::forward(a, 100, 3).failure().message, "分区3不存在（线路共2个分区）！");
    EXPECT_EQ(kr::forward(a, -1, 0).failure().message,
              "桩号-K0+001.000在线路起点K0+000.000之前1.000m！");
    // A skew of 60° sets out along a line 60° clockwise from the tangent.
    const auto square = kr::forward(a, 100, 0, 10);
    const auto skew = kr::forward(a, 100, 0, 10, std::numbers::pi / 3);
    const kr::Pose base = a.pose_at(100);
    EXPECT_NEAR(std::atan2(skew.value().y - base.y, skew.value().x - base.x),
                base.azimuth + std::numbers::pi / 3, 1e-9);
    EXPECT_NEAR(std::atan2(square.value().y - base.y, square.value().x - base.x),
                base.azimuth + std::numbers::pi / 2, 1e-9);
}

namespace {

struct Collected {
    std::vector<kr::TableRow> rows;
    std::vector<std::string> labels;
};

Collected collect(const kr::Alignment& a, const kr::TableRequest& q) {
    Collected c;
    const auto t = kr::table(a, q, [&](const kr::TableRow& r) {
        c.rows.push_back(r);
        c.labels.emplace_back(r.label);
        return true;
    });
    EXPECT_TRUE(t.ok()) << t.failure().message;
    return c;
}

}  // namespace

TEST(route_table, whole_stations_key_points_and_one_row_for_a_break) {
    const kr::Alignment& a = pi_alignment();
    kr::TableRequest q;
    q.from = 1100;
    q.to = 1300;
    q.interval = 20;
    q.offsets = {-7.5, 0, 7.5};
    const Collected c = collect(a, q);
    // Zone 1: K1+100 … K1+180 and HY, then the break K1+200=K1+190 as one row
    // (its ahead side, a whole station of zone 2, is the same point); zone 2:
    // K1+200 … K1+300.
    std::vector<double> chainages;
    std::vector<std::string> labels;
    for (std::size_t i = 0; i < c.rows.size(); i += 3) {
        chainages.push_back(c.rows[i].chainage);
        labels.push_back(c.labels[i]);
        EXPECT_EQ(c.rows[i].offset, -7.5);
        EXPECT_EQ(c.rows[i + 1].offset, 0);
        EXPECT_EQ(c.rows[i + 2].offset, 7.5);
    }
    double hy = 0;
    for (const auto& k : a.key_points()) {
        if (k.label == "HY" && k.chainage > 1100 && k.chainage < 1200) hy = k.chainage;
    }
    const std::vector<double> expected_c{1100, 1120, 1140, hy,   1160, 1180, 1200,
                                         1200, 1220, 1240, 1260, 1280, 1300};
    ASSERT_EQ(chainages.size(), expected_c.size());
    for (std::size_t i = 0; i < expected_c.size(); ++i) EXPECT_EQ(chainages[i], expected_c[i]) << i;
    EXPECT_EQ(labels,
              (std::vector<std::string>{"", "", "", "HY", "", "", "断链", "", "", "", "", "", ""}));
    EXPECT_EQ(c.rows[std::size_t{6} * 3].zone, 1);
    EXPECT_EQ(a.ahead_of(1200, 1), 1190);
    EXPECT_FALSE(a.ahead_of(1200, 2));
    EXPECT_EQ(a.station_text(1200, 1), "K1+200.000=K1+190.000");
    EXPECT_EQ(c.rows[std::size_t{7} * 3].zone, 2);
    EXPECT_EQ(c.rows[std::size_t{7} * 3].s, 1210);
    // The names: the repeated K1+200 of zone 2 with its zone.
    EXPECT_EQ(a.station_text(1199.5, 1), "K1+199.500");
    EXPECT_EQ(a.station_text(1200, 2), "K1+200.000(2)");
    EXPECT_EQ(a.station_text(1190, 2), "K1+190.000(2)");
    EXPECT_EQ(a.station_text(1220, 2), "K1+220.000");
    EXPECT_EQ(a.station_text(1185, 1), "K1+185.000");
    EXPECT_EQ(kr::table_row_count(a, q).value(), c.rows.size());
    // Every row is the forward computation of its chainage and offset.
    for (const kr::TableRow& r : c.rows) {
        const auto f = kr::forward(a, r.chainage, r.zone, r.offset);
        ASSERT_TRUE(f.ok());
        EXPECT_EQ(f.value().x, r.x);
        EXPECT_EQ(f.value().y, r.y);
        EXPECT_EQ(f.value().elevation, r.elevation);
    }
    // Without key points only whole stations and the range ends remain.
    q.key_points = false;
    q.from = 1150.5;
    const Collected plain = collect(a, q);
    EXPECT_EQ(plain.rows.front().chainage, 1150.5);
    EXPECT_EQ(plain.rows.size(), (1 + 3 + 6) * 3u);  // no break rows either
    for (const auto& l : plain.labels) EXPECT_EQ(l, "");
}

TEST(route_table, chainages_are_exact_multiples_not_running_sums) {
    const kr::Alignment& a = pi_alignment();
    kr::TableRequest q;
    q.from = 0;
    q.to = 1000;
    q.interval = 0.1;
    q.key_points = false;
    const Collected c = collect(a, q);
    ASSERT_EQ(c.rows.size(), 10001u);
    for (std::size_t k = 0; k < c.rows.size(); ++k) {
        EXPECT_EQ(c.rows[k].chainage, static_cast<double>(k) * 0.1) << k;
    }
}

// Points are named after their chainages: a request whose names would repeat
// in one zone is refused, whether whole stations finer than the decimals or a
// main point within half a unit of a whole station.
TEST(route_table, names_that_would_repeat_are_refused) {
    kr::Definition d;
    kr::ElementsDef e;
    e.elements = {{100.0004, kr::kStraight, kr::kStraight}, {50, kr::kStraight, kr::kStraight}};
    d.horizontal = e;
    const kr::Alignment a = kr::Alignment::build(d).value();
    kr::TableRequest q;
    q.from = 0;
    q.to = 150;
    q.interval = 0.5;
    auto fine = kr::table_name_clash(a, q, 0);
    ASSERT_TRUE(fine);
    EXPECT_EQ(fine->message,
              "间距0.5m小于0位小数桩号能区分的1m，整桩的点名会重复，请增加小数位数或加大间距！");
    EXPECT_EQ(fine->subject, kr::Subject::interval);
    EXPECT_FALSE(kr::table_name_clash(a, q, 4));

    // The element boundary at 100.0004 m beside the whole station K0+100.
    q.interval = 20;
    auto beside = kr::table_name_clash(a, q, 3);
    ASSERT_TRUE(beside);
    EXPECT_EQ(beside->message,
              "按3位小数，桩号K0+100.000400与K0+100.000000都写作“K0+100.000”，点名会重复，"
              "请增加小数位数或加大间距！");
    EXPECT_FALSE(kr::table_name_clash(a, q, 4));
    q.key_points = false;
    EXPECT_FALSE(kr::table_name_clash(a, q, 3));
    // The long chain's repeated chainages are in two zones: not a clash here.
    kr::TableRequest whole;
    whole.from = 0;
    whole.to = 3017;
    whole.to_zone = 2;
    whole.interval = 5;
    EXPECT_FALSE(kr::table_name_clash(pi_alignment(), whole, 3));
}

TEST(route_table, bounded_before_any_work_and_cancellable) {
    const kr::Alignment& a = pi_alignment();
    kr::TableRequest q;
    q.from = 0;
    q.to = 3000;
    q.interval = 0.001;
    int calls = 0;
    auto count = [&](const kr::TableRow&) { return ++calls, true; };
    const auto big = kr::table(a, q, count);
    ASSERT_FALSE(big.ok());
    EXPECT_EQ(big.failure().message,
              "计算行数超过1000000行（桩数×边桩数），请加大间距或缩小范围！");
    EXPECT_EQ(big.failure().subject, kr::Subject::interval);
    EXPECT_EQ(calls, 0);
    // The refusal alone, without counting, is the same one.
    const std::optional<kr::Failure> refusal = kr::table_refusal(a, q);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->message, big.failure().message);
    EXPECT_EQ(refusal->subject, kr::Subject::interval);
    // 300,001 stations are fine with 3 offsets, not with 4.
    q.interval = 0.01;
    q.offsets = {-1, 0, 1};
    const std::size_t rows = kr::table_row_count(a, q).value();
    EXPECT_GE(rows, 300001u * 3);  // with the key points that fall between whole stations
    EXPECT_LE(rows, 1000000u);
    EXPECT_FALSE(kr::table_refusal(a, q).has_value());
    q.offsets = {-2, -1, 1, 2};
    EXPECT_FALSE(kr::table_row_count(a, q).ok());
    EXPECT_TRUE(kr::table_refusal(a, q).has_value());

    q.interval = 10;
    q.offsets = {0};
    int seen = 0;
    const auto stopped = kr::table(a, q, [&](const kr::TableRow&) { return ++seen < 5; });
    ASSERT_TRUE(stopped.ok());
    EXPECT_TRUE(stopped.value().cancelled);
    EXPECT_EQ(stopped.value().rows, 5u);
    EXPECT_EQ(seen, 5);
}

// Rows as text that tells every bit of every number apart.
void append_exact(std::string& out, const kr::TableRow& r) {
    char line[256];
    const int n = std::snprintf(line, sizeof line, "%d %a %a %.*s %a %a %a %a %a\n", r.zone, r.s,
                                r.chainage, static_cast<int>(r.label.size()), r.label.data(),
                                r.offset, r.x, r.y, r.azimuth, r.elevation.value_or(-1));
    out.append(line, static_cast<std::size_t>(n));
}

TEST(route_table, text_on_several_threads_is_the_table_in_order) {
    const kr::Alignment& a = pi_alignment();
    kr::TableRequest q;
    q.from = 0;
    q.to = 3000;
    q.interval = 0.37;  // thousands of stations: many blocks, across the chain break
    q.offsets = {-5, 0, 7.5};
    std::string expected;
    const auto whole = kr::table(a, q, [&](const kr::TableRow& r) {
        append_exact(expected, r);
        return true;
    });
    ASSERT_TRUE(whole.ok());
    ASSERT_GT(whole.value().rows, 20000u);
    const auto format = [&](std::span<const kr::TableRow> rows, std::string& text) {
        text.clear();
        // A block holds whole stations.
        EXPECT_EQ(rows.size() % 3, 0u);
        EXPECT_EQ(rows.front().offset, -5);
        for (const kr::TableRow& r : rows) append_exact(text, r);
    };
    for (unsigned threads : {1U, 2U, 5U}) {
        std::string got;
        int blocks = 0;
        const auto t = kr::table_text(a, q, threads, format, [&](std::string_view text) {
            got += text;
            ++blocks;
            return true;
        });
        ASSERT_TRUE(t.ok()) << threads;
        EXPECT_GT(blocks, 5);
        EXPECT_EQ(t.value().rows, whole.value().rows) << threads;
        EXPECT_FALSE(t.value().cancelled);
        EXPECT_TRUE(got == expected) << threads << " threads";

        // Stopped after two blocks: nothing more is written, the workers end.
        int written = 0;
        const auto stopped =
            kr::table_text(a, q, threads, format, [&](std::string_view) { return ++written < 2; });
        ASSERT_TRUE(stopped.ok());
        EXPECT_TRUE(stopped.value().cancelled);
        EXPECT_EQ(written, 2);
    }
    // A refused request writes nothing.
    q.interval = 0;
    int writes = 0;
    const auto refused = kr::table_text(a, q, 2, format, [&](std::string_view) {
        ++writes;
        return true;
    });
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(writes, 0);
}

TEST(route_table, refuses_bad_requests_naming_the_field) {
    const kr::Alignment& a = pi_alignment();
    auto refusal = [&](const kr::TableRequest& q) {
        const auto t = kr::table(a, q, [](const kr::TableRow&) { return true; });
        EXPECT_FALSE(t.ok());
        return t.ok() ? kr::Failure{} : t.failure();
    };
    kr::TableRequest q;
    q.from = 500;
    q.to = 100;
    EXPECT_EQ(refusal(q).message, "起算桩号不能在止算桩号之后！");
    q.from = 1195;
    q.to = 1300;
    EXPECT_TRUE(refusal(q).message.starts_with("起算桩号K1+195.000在长链内出现2次"))
        << refusal(q).message;
    EXPECT_EQ(refusal(q).subject, kr::Subject::from);
    q.from_zone = 2;
    q.to = 4000;
    EXPECT_EQ(refusal(q).message, "止算桩号K4+000.000在线路终点K3+017.489之后982.511m！");
    EXPECT_EQ(refusal(q).subject, kr::Subject::to);
    q.to = 1300;
    q.interval = 0;
    EXPECT_EQ(refusal(q).message, "间距必须大于0！");
    q.interval = NAN;
    EXPECT_EQ(refusal(q).message, "间距必须大于0！");
    q.interval = 1e-4;
    EXPECT_EQ(refusal(q).message, "间距超出范围（0.001m至1000000km）！");
    q.interval = 20;
    q.offsets = {};
    EXPECT_EQ(refusal(q).message, "请至少给出一个边桩偏距！");
    q.offsets = {0, INFINITY};
    EXPECT_EQ(refusal(q).message, "偏距不是有效数字或超出范围（不能超过100km）！");
    EXPECT_EQ(refusal(q).index, 1);
    EXPECT_EQ(refusal(q).subject, kr::Subject::offsets);
    q.offsets = {0};
    q.skew = 0;
    EXPECT_EQ(refusal(q).subject, kr::Subject::skew);
}
