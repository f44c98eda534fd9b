#include "files/route_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "files/alignment_file.h"
#include "files/codec.h"
#include "geometry/fixed_text.h"
#include "route/alignment.h"
#include "route/angle.h"
#include "route/table.h"
#include "support/test_data.h"

namespace korvane::files {
namespace {

route::Alignment reference() {
    auto read = read_alignment_file(korvane::testing::data_dir("KORVANE_ROUTE_CASES") +
                                    "/pi-alignment.csv");
    EXPECT_TRUE(read) << read.failure().message;
    auto built = route::Alignment::build(read.value());
    EXPECT_TRUE(built) << built.failure().message;
    return std::move(built).value();
}

// One row as a plain writer would write it, field by field.
std::string plain_row(const route::Alignment& a, const route::TableRow& r, int d) {
    std::string label(r.label);
    if (label.find(',') != std::string::npos) label = "\"" + label + "\"";
    std::string h = r.elevation ? geometry::shown_fixed(*r.elevation, d) : std::string();
    return a.station_text(r.chainage, r.zone, d) + "," + label + "," +
           geometry::shown_fixed(r.offset, d) + "," + geometry::shown_fixed(r.x, d) + "," +
           geometry::shown_fixed(r.y, d) + "," + route::format_azimuth(r.azimuth, 2) + "," + h;
}

// The whole table of the reference alignment, with its long chain. A row's
// label lasts only for the call that hands it over: the labels are kept here.
std::vector<route::TableRow> reference_rows(const route::Alignment& a,
                                            const std::vector<double>& offsets) {
    static std::deque<std::string> labels;
    route::TableRequest request;
    request.from = 0;
    request.to = 3017;
    request.interval = 20;
    request.offsets = offsets;
    std::vector<route::TableRow> rows;
    auto done = route::table(a, request, [&](const route::TableRow& r) {
        rows.push_back(r);
        rows.back().label = labels.emplace_back(r.label);
        return true;
    });
    EXPECT_TRUE(done);
    return rows;
}

}  // namespace

// The fast table text copies a station's texts into the rows of its other
// offsets and an azimuth along a straight: each row must still read as if
// written alone, in blocks of whole stations with the offsets known, and in
// any blocks without them.
TEST(route_output, table_text_is_every_row_written_alone) {
    const route::Alignment a = reference();
    const std::vector<double> offsets{-7.5, 0, 12.25};
    const std::vector<route::TableRow> rows = reference_rows(a, offsets);
    ASSERT_GT(rows.size(), 400U);
    for (int d : {0, 3, 5}) {
        std::string expected;
        for (const route::TableRow& r : rows) expected += plain_row(a, r, d) + "\r\n";
        // The offsets the text was made for, and none (each row's own text).
        for (const std::vector<double>& known : {offsets, std::vector<double>{}}) {
            const TableText text(a, known, d, true);
            std::string whole;
            text.format(rows, whole);
            EXPECT_EQ(whole, expected) << d;
            // Blocks of whole stations with the offsets known, else blocks
            // that cut stations in two; the block's text reused.
            const std::size_t cut = known.empty() ? 7 : 2 * offsets.size();
            std::string pieces, block;
            for (std::size_t i = 0; i < rows.size(); i += cut) {
                const std::size_t n = std::min<std::size_t>(cut, rows.size() - i);
                text.format(std::span(rows).subspan(i, n), block);
                pieces += block;
            }
            EXPECT_EQ(pieces, expected) << d;
        }
    }
    // A label that needs quotes is quoted in every row of its station.
    std::vector<route::TableRow> named(rows.begin(), rows.begin() + 3);
    for (auto& r : named) r.label = "JD1,ZH";
    std::string text;
    TableText(a, offsets, 3, false).format(named, text);
    EXPECT_EQ(text, plain_row(a, named[0], 3) + "\n" + plain_row(a, named[1], 3) + "\n" +
                        plain_row(a, named[2], 3) + "\n");
}

// Names for controllers that take no Chinese: L and R for the sides, ASCII
// codes for 折点 and 断链, a main point named in Chinese refused before
// anything is written.
TEST(route_output, ascii_names_and_codes) {
    EXPECT_EQ(stake_name("K1+020.000", -7.5, PointNames::ascii), "K1+020.000L7.5");
    EXPECT_EQ(stake_name("K1+020.000", 12.25, PointNames::ascii), "K1+020.000R12.25");
    EXPECT_EQ(stake_name("K1+200.000(2)", 3, PointNames::ascii), "K1+200.000(2)R3");
    EXPECT_EQ(stake_name("K1+020.000", 0, PointNames::ascii), "K1+020.000");
    EXPECT_EQ(point_code("折点", PointNames::ascii), "ZJD");
    EXPECT_EQ(point_code("断链", PointNames::ascii), "DL");
    EXPECT_EQ(point_code("HY", PointNames::ascii), "HY");
    EXPECT_EQ(point_code("断链", PointNames::chinese), "断链");

    // The reference has a chain break: DL in the table's label column, in
    // CSV and CASS alike, and in the main points.
    const route::Alignment a = reference();
    EXPECT_FALSE(ascii_refusal(a));
    std::string bytes;
    const auto sink = [&](std::string_view piece) -> std::optional<Error> {
        bytes += piece;
        return std::nullopt;
    };
    route::TableRequest q;
    q.from = 1180;
    q.to = 1200;
    q.to_zone = 2;
    q.interval = 10;
    q.offsets = {-7.5, 7.5};
    // A row's label lives only while the sink has it: the rows kept keep
    // their own.
    std::vector<route::TableRow> rows;
    std::deque<std::string> labels;
    ASSERT_TRUE(route::table(a, q, [&](const route::TableRow& r) {
        rows.push_back(r);
        labels.emplace_back(r.label);
        rows.back().label = labels.back();
        return true;
    }));
    for (RouteFormat format : {RouteFormat::csv, RouteFormat::cass}) {
        bytes.clear();
        RouteOutput out(RouteRows::table, format, RouteBytes::utf8, 3, sink, PointNames::ascii);
        EXPECT_FALSE(out.table(a, rows));
        EXPECT_FALSE(out.finish());
        EXPECT_EQ(bytes.find("断链"), std::string::npos) << bytes;
        EXPECT_NE(bytes.find(format == RouteFormat::csv ? ",DL,-7.500," : "R7.5,DL,"),
                  std::string::npos)
            << bytes;
        EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x80;
        })) << bytes;
    }
    bytes.clear();
    {
        RouteOutput out(RouteRows::info, RouteFormat::csv, RouteBytes::utf8, 3, sink,
                        PointNames::ascii);
        for (const route::KeyPoint& k : a.key_points()) EXPECT_FALSE(out.key_point(a, k));
        EXPECT_FALSE(out.finish());
    }
    EXPECT_NE(bytes.find("\nDL,K1+200.000=K1+190.000,"), std::string::npos);

    // Angle points: one unnamed (折点, coded ZJD), one named in Chinese,
    // which has no ASCII code.
    route::Definition d;
    route::PointsDef p;
    p.start_x = 0;
    p.start_y = 0;
    p.points.push_back({"", 100, 0, 0, 0, 0});
    p.points.push_back({"交点2", 100, 100, 0, 0, 0});
    p.end_x = 200;
    p.end_y = 100;
    d.horizontal = p;
    route::Outcome<route::Alignment> angles = route::Alignment::build(d);
    ASSERT_TRUE(angles);
    const std::optional<Error> refusal = ascii_refusal(angles.value());
    ASSERT_TRUE(refusal);
    EXPECT_NE(refusal->message.find("“交点2”"), std::string::npos) << refusal->message;
    std::get<route::PointsDef>(d.horizontal).points[1].name = "JD2";
    angles = route::Alignment::build(d);
    ASSERT_TRUE(angles);
    EXPECT_FALSE(ascii_refusal(angles.value()));
    bytes.clear();
    {
        RouteOutput out(RouteRows::info, RouteFormat::cass, RouteBytes::utf8, 3, sink,
                        PointNames::ascii);
        for (const route::KeyPoint& k : angles.value().key_points())
            EXPECT_FALSE(out.key_point(angles.value(), k));
        EXPECT_FALSE(out.finish());
    }
    EXPECT_NE(bytes.find("K0+100.000,ZJD,"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find(",JD2,"), std::string::npos) << bytes;
}

TEST(route_output, stake_names_and_the_rows_of_each_kind) {
    EXPECT_EQ(stake_name("K1+020.000", 0), "K1+020.000");
    EXPECT_EQ(stake_name("K1+020.000", -7.5), "K1+020.000左7.5");
    EXPECT_EQ(stake_name("K1+020.000", 12.25), "K1+020.000右12.25");

    const route::Alignment a = reference();
    std::string bytes;
    const auto sink = [&](std::string_view piece) -> std::optional<Error> {
        bytes += piece;
        return std::nullopt;
    };
    {
        RouteOutput out(RouteRows::inverse, RouteFormat::csv, RouteBytes::utf8, 2, sink);
        EXPECT_FALSE(out.inverse("P,1", 1.005, -0.001, "K0+100.00", -3.333, std::nullopt));
        EXPECT_FALSE(out.inverse("点2", 2, 3, "K0+200.00", 0, 120.5));
        EXPECT_FALSE(out.finish());
    }
    EXPECT_EQ(bytes,
              "name,X,Y,station,offset,H\n"
              "\"P,1\",1.00,0.00,K0+100.00,-3.33,\n"
              "点2,2.00,3.00,K0+200.00,0.00,120.50\n");
    bytes.clear();
    {
        RouteOutput out(RouteRows::forward, RouteFormat::cass, RouteBytes::utf8, 3, sink);
        EXPECT_FALSE(out.forward("K0+010.000", -7.5, 10, 20, 0, 101.25));
        EXPECT_FALSE(out.finish());
    }
    // A CASS file is code page 936 with CR LF whatever was asked.
    EXPECT_EQ(bytes, utf8_to_cp936("K0+010.000左7.5,,20.000,10.000,101.250\r\n").value());
    bytes.clear();
    {
        RouteOutput out(RouteRows::info, RouteFormat::csv, RouteBytes::cp936, 3, sink);
        for (const route::KeyPoint& k : a.key_points()) EXPECT_FALSE(out.key_point(a, k));
        EXPECT_FALSE(out.finish());
    }
    const std::string info = cp936_to_utf8(bytes).value();
    EXPECT_TRUE(info.starts_with("label,station,X,Y,azimuth,radius\r\nQD,K0+000.000,"));
    EXPECT_NE(info.find("\r\n断链,K1+200.000=K1+190.000,"), std::string::npos);
    EXPECT_NE(info.find(",INF\r\n"), std::string::npos);
}

TEST(route_output, what_a_file_cannot_hold_is_refused_and_a_sink_failure_kept) {
    const auto none = [](std::string_view) -> std::optional<Error> { return std::nullopt; };
    {
        RouteOutput out(RouteRows::inverse, RouteFormat::cass, RouteBytes::cp936, 3, none);
        const auto error = out.inverse("a,b", 1, 2, "K0+000.000", 0, std::nullopt);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->message, "无法写入：第1个点的点名“a,b”含有逗号，无法写入CASS文件！");
    }
    {
        RouteOutput out(RouteRows::inverse, RouteFormat::csv, RouteBytes::cp936, 3, none);
        EXPECT_FALSE(out.inverse("\xF0\x9F\x98\x80", 1, 2, "K0+000.000", 0, std::nullopt));
        const auto error = out.finish();
        ASSERT_TRUE(error);
        EXPECT_TRUE(error->message.starts_with("无法写入：")) << error->message;
    }
    const auto full = [](std::string_view) -> std::optional<Error> {
        return Error{"无法保存文件“t.dat”：磁盘空间不足！"};
    };
    RouteOutput out(RouteRows::inverse, RouteFormat::cass, RouteBytes::cp936, 3, full);
    EXPECT_FALSE(out.inverse("p", 1, 2, "K0+000.000", 0, std::nullopt));
    const auto error = out.finish();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message, "无法保存文件“t.dat”：磁盘空间不足！");
}

}  // namespace korvane::files
