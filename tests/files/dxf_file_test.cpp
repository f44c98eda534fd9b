#include "files/dxf_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "files/alignment_file.h"
#include "files/codec.h"
#include "route/alignment.h"
#include "route/table.h"
#include "support/test_data.h"

namespace korvane::files {
namespace {

route::Definition reference_definition() {
    auto read = read_alignment_file(korvane::testing::data_dir("KORVANE_ROUTE_CASES") +
                                    "/pi-alignment.csv");
    EXPECT_TRUE(read) << read.failure().message;
    return std::move(read).value();
}

route::Alignment built(const route::Definition& d) {
    auto a = route::Alignment::build(d);
    EXPECT_TRUE(a) << a.failure().message;
    return std::move(a).value();
}

// The file as (group code, value) pairs; the lines must end in CR LF.
std::vector<std::pair<int, std::string>> tags_of(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "a line without CR LF at byte " << at;
        if (end == std::string::npos) break;
        lines.push_back(bytes.substr(at, end - at));
        at = end + 2;
    }
    std::vector<std::pair<int, std::string>> tags;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2)
        tags.emplace_back(std::stoi(lines[i]), lines[i + 1]);
    EXPECT_EQ(lines.size() % 2, 0U);
    return tags;
}

std::string dxf_of(const route::Alignment& a, const route::Definition* d,
                   std::span<const route::TableRow> stakes = {}, DxfOptions options = {}) {
    auto drawing = DxfDrawing::make(a, d, options);
    EXPECT_TRUE(drawing) << drawing.failure().message;
    if (!drawing) return {};
    auto bytes = drawing.value().bytes(stakes);
    EXPECT_TRUE(bytes) << bytes.failure().message;
    return bytes ? bytes.value() : std::string();
}

std::vector<route::TableRow> stakes_of(const route::Alignment& a) {
    route::TableRequest request;
    request.from = 0;
    request.to = 3017;
    request.interval = 20;
    request.offsets = {-7.5, 0, 7.5};
    std::vector<route::TableRow> rows;
    EXPECT_TRUE(route::table(a, request, [&](const route::TableRow& r) {
        rows.push_back(r);
        rows.back().label = {};
        return true;
    }));
    return rows;
}

// The records of one type in the file (from their 0 tag to the next).
std::vector<std::vector<std::pair<int, std::string>>> records(
    const std::vector<std::pair<int, std::string>>& tags, const std::string& type) {
    std::vector<std::vector<std::pair<int, std::string>>> found;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        if (tags[i] != std::pair<int, std::string>{0, type}) continue;
        auto& r = found.emplace_back();
        for (std::size_t j = i + 1; j < tags.size() && tags[j].first != 0; ++j)
            r.push_back(tags[j]);
    }
    return found;
}

std::string value(const std::vector<std::pair<int, std::string>>& record, int code) {
    for (const auto& [c, v] : record) {
        if (c == code) return v;
    }
    return {};
}

TEST(dxf_file, is_a_whole_ac1015_file_with_consistent_handles) {
    const route::Definition d = reference_definition();
    const route::Alignment a = built(d);
    const std::vector<route::TableRow> stakes = stakes_of(a);
    const auto tags = tags_of(dxf_of(a, &d, stakes));
    ASSERT_FALSE(tags.empty());

    // Sections in their order, the tables a CAD program looks for, EOF last.
    std::vector<std::string> sections, tables;
    for (std::size_t i = 0; i + 1 < tags.size(); ++i) {
        if (tags[i] == std::pair<int, std::string>{0, "SECTION"})
            sections.push_back(tags[i + 1].second);
        if (tags[i] == std::pair<int, std::string>{0, "TABLE"})
            tables.push_back(tags[i + 1].second);
    }
    EXPECT_EQ(sections, (std::vector<std::string>{"HEADER", "CLASSES", "TABLES", "BLOCKS",
                                                  "ENTITIES", "OBJECTS"}));
    EXPECT_EQ(tables, (std::vector<std::string>{"VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS",
                                                "APPID", "DIMSTYLE", "BLOCK_RECORD"}));
    EXPECT_EQ(tags.back(), (std::pair<int, std::string>{0, "EOF"}));

    // Every handle once, all below $HANDSEED; every reference to one there is.
    std::set<unsigned long> handles;
    std::set<unsigned long> references;
    unsigned long seed = 0;
    for (std::size_t i = 1; i < tags.size(); ++i) {
        const auto& [code, text] = tags[i];
        if (tags[i - 1] == std::pair<int, std::string>{9, "$HANDSEED"}) {
            seed = std::stoul(text, nullptr, 16);
        } else if (code == 5 || code == 105) {
            EXPECT_TRUE(handles.insert(std::stoul(text, nullptr, 16)).second) << text;
        } else if (code == 330 || code == 340 || code == 350) {
            references.insert(std::stoul(text, nullptr, 16));
        }
    }
    ASSERT_FALSE(handles.empty());
    EXPECT_GT(seed, *handles.rbegin());
    references.erase(0);
    for (unsigned long r : references) EXPECT_TRUE(handles.count(r)) << std::hex << r;

    // Model-space entities belong to its block record; two for each stake.
    std::string model_space;
    for (const auto& r : records(tags, "BLOCK_RECORD")) {
        if (value(r, 2) == "*Model_Space") model_space = value(r, 5);
    }
    ASSERT_FALSE(model_space.empty());
    std::map<std::string, std::size_t> per_layer;
    for (const char* type : {"LINE", "ARC", "LWPOLYLINE", "POINT", "TEXT"}) {
        for (const auto& r : records(tags, type)) {
            EXPECT_EQ(value(r, 330), model_space) << type;
            ++per_layer[value(r, 8)];
        }
    }
    const std::string stake_layer = utf8_to_cp936("中桩").value();
    const std::string side_layer = utf8_to_cp936("边桩").value();
    EXPECT_EQ(per_layer[stake_layer] + per_layer[side_layer], 2 * stakes.size());
    EXPECT_EQ(per_layer[side_layer], 2 * per_layer[stake_layer]);
}

TEST(dxf_file, writes_metres_and_chinese_in_code_page_936) {
    const route::Definition d = reference_definition();
    const route::Alignment a = built(d);
    const std::string bytes = dxf_of(a, &d);
    const auto tags = tags_of(bytes);
    std::map<std::string, std::string> header;
    for (std::size_t i = 0; i + 1 < tags.size() && tags[i + 1].second != "ENDSEC"; ++i) {
        if (tags[i].first == 9) header[tags[i].second] = tags[i + 1].second;
    }
    EXPECT_EQ(header["$ACADVER"], "AC1015");
    EXPECT_EQ(header["$DWGCODEPAGE"], "ANSI_936");
    EXPECT_EQ(header["$INSUNITS"], "6");
    // The whole file reads as code page 936, its Chinese written in it.
    auto text = cp936_to_utf8(bytes);
    ASSERT_TRUE(text) << text.failure().message;
    EXPECT_NE(text.value().find("\r\n  1\r\n断链 K1+200.000=K1+190.000\r\n"), std::string::npos);
    std::set<std::string> layers;
    for (const auto& r : records(tags, "LAYER")) layers.insert(cp936_to_utf8(value(r, 2)).value());
    EXPECT_EQ(layers, (std::set<std::string>{"0", "中线", "主点", "里程", "交点", "中桩", "边桩"}));
    // A text style with a Chinese font, used by every text.
    bool chinese_font = false;
    for (const auto& r : records(tags, "STYLE"))
        chinese_font = chinese_font || (value(r, 2) == "HZ" && value(r, 3) == "simsun.ttf");
    EXPECT_TRUE(chinese_font);
    for (const auto& r : records(tags, "TEXT")) EXPECT_EQ(value(r, 7), "HZ");
    // DXF x is the easting: the start point QD at (Y, X).
    const auto points = records(tags, "POINT");
    ASSERT_FALSE(points.empty());
    EXPECT_EQ(value(points.front(), 10), "512345.678");
    EXPECT_EQ(value(points.front(), 20), "3456789.123");
}

TEST(dxf_file, refuses_options_out_of_range) {
    const route::Alignment a = built(reference_definition());
    const auto refusal = [&](DxfOptions o) {
        auto made = DxfDrawing::make(a, nullptr, o);
        return made ? std::string() : made.failure().message;
    };
    EXPECT_EQ(refusal({.tick_interval = 0.5}), "桩号刻度间距须在1到100000 m之间！");
    EXPECT_EQ(refusal({.tick_interval = std::nan("")}), "桩号刻度间距须在1到100000 m之间！");
    EXPECT_EQ(refusal({.tick_interval = 2e5}), "桩号刻度间距须在1到100000 m之间！");
    EXPECT_EQ(refusal({.tolerance = 0}), "缓和曲线的弦线容差须在0.0001到10 m之间！");
    EXPECT_EQ(refusal({.tolerance = INFINITY}), "缓和曲线的弦线容差须在0.0001到10 m之间！");
    EXPECT_EQ(refusal({.decimals = 10}), "小数位数须为0到9的整数！");
    EXPECT_EQ(refusal({.tick_interval = 1, .tolerance = 0.0001, .decimals = 0}), "");
}

// Texts that would break the file or that the code page lacks are refused;
// "%%" (a control code in CAD texts) is written so that it reads as itself.
TEST(dxf_file, writes_every_text_as_it_reads_or_refuses_it) {
    route::Definition d = reference_definition();
    auto& points = std::get<route::PointsDef>(d.horizontal).points;
    const auto named = [&](std::string name) {
        points[0].name = std::move(name);
        const route::Alignment a = built(d);
        auto made = DxfDrawing::make(a, &d, {});
        if (!made) return made.failure().message;
        return made.value().bytes().value();
    };
    EXPECT_EQ(named("JD\r\n1"), "无法写入：文字“JD\r\n1”含控制字符！");
    EXPECT_EQ(named("JD\t1"), "无法写入：文字“JD\t1”含控制字符！");
    EXPECT_EQ(named("JD😀").rfind("无法写入：", 0), 0U);
    EXPECT_NE(named("50%%d").find("\r\n  1\r\n50%%%%%%d\r\n"), std::string::npos);
    EXPECT_NE(named("JD%1").find("\r\n  1\r\nJD%1\r\n"), std::string::npos);
}

// One ARC holds less than a turn: a curve of 300° is two arcs of 150°,
// end to end, about one centre.
TEST(dxf_file, splits_arcs_beyond_half_a_turn) {
    route::Definition d;
    route::ElementsDef e;
    e.start_x = 1000;
    e.start_y = 2000;
    const double r = 50;
    e.elements = {
        {.length = 10},
        {.length = r * 300 * std::numbers::pi / 180, .radius_start = -r, .radius_end = -r},
        {.length = 10}};
    d.horizontal = e;
    const route::Alignment a = built(d);
    const auto arcs = records(tags_of(dxf_of(a, &d)), "ARC");
    ASSERT_EQ(arcs.size(), 2U);
    double sweep = 0;
    for (const auto& arc : arcs) {
        EXPECT_NEAR(std::stod(value(arc, 40)), r, 1e-9);
        EXPECT_EQ(value(arc, 10), value(arcs[0], 10));
        EXPECT_EQ(value(arc, 20), value(arcs[0], 20));
        sweep += std::fmod(std::stod(value(arc, 51)) - std::stod(value(arc, 50)) + 360, 360);
    }
    EXPECT_NEAR(sweep, 300, 1e-9);
    // Turning left (counterclockwise) the first arc starts where the curve
    // does, the second where the first ends.
    EXPECT_NEAR(std::stod(value(arcs[1], 50)), std::stod(value(arcs[0], 51)), 1e-9);
    // From north the curve's start is seen from its centre to the east: 0°.
    EXPECT_NEAR(std::fmod(std::stod(value(arcs[0], 50)) + 180, 360) - 180, 0, 1e-9);
}

// Drawings that would take gigabytes are refused before any is made.
TEST(dxf_file, refuses_drawings_beyond_its_limits) {
    route::Definition d;
    route::ElementsDef e;
    // Long transitions turning 47.5 rad each: a third of a million chords
    // apiece at the finest tolerance.
    const double r = 1e6 / 95;
    for (int i = 0; i < 8; ++i) {
        e.elements.push_back({.length = 1e6, .radius_start = route::kStraight, .radius_end = r});
        e.elements.push_back({.length = 1e6, .radius_start = r, .radius_end = route::kStraight});
    }
    d.horizontal = e;
    const route::Alignment a = built(d);
    auto fine = DxfDrawing::make(a, &d, {.tick_interval = 1000, .tolerance = 1e-4});
    ASSERT_FALSE(fine);
    EXPECT_EQ(fine.failure().message, "缓和曲线折线的顶点过多（多于5000000个），请加大弦线容差！");
    auto ticks = DxfDrawing::make(a, &d, {.tick_interval = 1, .tolerance = 1});
    ASSERT_FALSE(ticks);
    EXPECT_EQ(ticks.failure().message, "桩号刻度过多（多于1000000个），请加大刻度间距！");
    EXPECT_TRUE(DxfDrawing::make(a, &d, {.tick_interval = 1000, .tolerance = 1}));
}

TEST(dxf_file, stops_when_told_and_passes_on_the_sink_failure) {
    const route::Definition d = reference_definition();
    const route::Alignment a = built(d);
    const std::vector<route::TableRow> stakes = stakes_of(a);
    auto drawing = DxfDrawing::make(a, &d, {});
    ASSERT_TRUE(drawing);
    std::size_t written = 0;
    const ByteSink count = [&](std::string_view piece) -> std::optional<Error> {
        written += piece.size();
        return std::nullopt;
    };
    std::vector<std::size_t> told;
    auto stopped = drawing.value().write(stakes, count, [&](std::size_t done) {
        told.push_back(done);
        return false;
    });
    ASSERT_TRUE(stopped);
    EXPECT_EQ(stopped->message, kDxfCancelled);
    EXPECT_EQ(told, std::vector<std::size_t>{0});

    int calls = 0;
    auto failed = drawing.value().write(stakes, [&](std::string_view) -> std::optional<Error> {
        if (++calls == 2) return Error{"磁盘已满！"};
        return std::nullopt;
    });
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->message, "磁盘已满！");
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace korvane::files
