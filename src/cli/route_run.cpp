// The route commands: the alignment read, the options checked, the rows
// computed by the route library and written through the files layer's route
// output (the same writer as the window's exports).
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/route_common.h"
#include "cli/route_options.h"
#include "cli/route_pdf.h"
#include "files/alignment_file.h"
#include "files/codec.h"
#include "files/curve_output.h"
#include "files/definition_file.h"
#include "files/dxf_file.h"
#include "files/landxml.h"
#include "files/point_file.h"
#include "files/points_text.h"
#include "files/read_file.h"
#include "files/read_points.h"
#include "files/route_output.h"
#include "files/safe_write.h"
#include "geometry/number_text.h"
#include "route/alignment.h"
#include "route/angle.h"
#include "route/bulk_inverse.h"
#include "route/chainage.h"
#include "route/curves.h"
#include "route/forward.h"
#include "route/table.h"

namespace korvane::cli {
namespace {

using namespace route_detail;
using Command = RouteOptions::Command;

// ---------------------------------------------------------------------------
// info

Done run_info(const RouteOptions& o) {
    Checked<OutputChoice> choice = read_output(o);
    if (!choice) return choice.failure();
    Checked<route::Alignment> loaded = load_alignment(o);
    if (!loaded) return loaded.failure();
    const route::Alignment& a = loaded.value();
    if (Done refusal = check_ascii_labels(choice.value(), a)) return refusal;
    Checked<std::unique_ptr<Rows>> opened = Rows::open(choice.value(), files::RouteRows::info);
    if (!opened) return opened.failure();
    Rows& rows = *opened.value();
    for (const route::KeyPoint& k : a.key_points()) {
        if (Done failed = Rows::written(rows.out().key_point(a, k))) return failed;
    }
    return rows.finish();
}

// ---------------------------------------------------------------------------
// forward

Done run_forward(const RouteOptions& o) {
    Checked<OutputChoice> choice = read_output(o);
    if (!choice) return choice.failure();
    Checked<double> station = read_station("--station", o.station);
    if (!station) return station.failure();
    Checked<double> offset = read_number("--offset", o.offset, "偏距");
    if (!offset) return offset.failure();
    Checked<double> skew = read_skew(o.skew);
    if (!skew) return skew.failure();
    Checked<int> zone = read_zone("--zone", o.zone);
    if (!zone) return zone.failure();
    Checked<route::Alignment> loaded = load_alignment(o);
    if (!loaded) return loaded.failure();
    const route::Alignment& a = loaded.value();
    if (Done other = check_prefix("--station", o.station, a)) return other;
    route::Outcome<route::ForwardResult> result =
        route::forward(a, station.value(), zone.value(), offset.value(), skew.value());
    if (!result) return computation_failure(result.failure());
    const route::ForwardResult& r = result.value();

    Checked<std::unique_ptr<Rows>> opened = Rows::open(choice.value(), files::RouteRows::forward);
    if (!opened) return opened.failure();
    Rows& rows = *opened.value();
    const std::string text = a.station_text(r.chainage, r.zone, choice.value().decimals);
    if (Done failed = Rows::written(
            rows.out().forward(text, offset.value(), r.x, r.y, r.azimuth, r.elevation)))
        return failed;
    return rows.finish();
}

// ---------------------------------------------------------------------------
// inverse

// Notes on standard error for points of a file whose feet need a word:
// "注意：第3、9行" + what, with a count beyond the lines listed.
class LineNotes {
  public:
    explicit LineNotes(const char* what) : what_(what) {}
    void add(std::size_t line) {
        if (lines_.size() < files::kMaxListedBadLines) lines_.push_back(line);
        ++count_;
    }
    void print() const {
        if (count_ == 0) return;
        std::string text = "注意：第";
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            if (i > 0) text += "、";
            text += std::to_string(lines_[i]);
        }
        text += "行";
        if (count_ > lines_.size()) text += "等" + std::to_string(count_) + "个";
        text += what_;
        text += "\n";
        std::fwrite(text.data(), 1, text.size(), stderr);
    }

  private:
    const char* what_;
    std::vector<std::size_t> lines_;
    std::size_t count_ = 0;
};

std::optional<double> elevation_of(const route::Foot& f) {
    if (std::isnan(f.elevation)) return std::nullopt;
    return f.elevation;
}

Done run_single_inverse(const RouteOptions& o, const route::Alignment& a,
                        const OutputChoice& choice) {
    Checked<double> x = read_number("--x", o.x, "坐标X");
    if (!x) return x.failure();
    Checked<double> y = read_number("--y", o.y, "坐标Y");
    if (!y) return y.failure();
    route::Outcome<route::InverseResult> r = route::inverse(a, x.value(), y.value());
    if (!r) return computation_failure(r.failure());
    const route::InverseResult& v = r.value();
    Checked<std::unique_ptr<Rows>> opened = Rows::open(choice, files::RouteRows::inverse);
    if (!opened) return opened.failure();
    Rows& rows = *opened.value();
    if (Done failed = Rows::written(rows.out().inverse(
            "", x.value(), y.value(), a.station_text(v.chainage, v.zone, choice.decimals), v.offset,
            v.elevation)))
        return failed;
    if (Done failed = rows.finish()) return failed;
    if (v.corner) {
        const std::string note =
            "注意：此点在折点外侧，没有垂足，结果以折点为垂足，偏距为到折点的距离。\n";
        std::fwrite(note.data(), 1, note.size(), stderr);
    } else if (v.feet > 1) {
        std::string note =
            "注意：此点在线路上有" + std::to_string(v.feet) + "个垂足，结果取最近的一个。\n";
        std::fwrite(note.data(), 1, note.size(), stderr);
    }
    return std::nullopt;
}

// A name that code page 936 cannot hold would stop the file half-way, and
// one outside ASCII defeats ASCII names: either is refused before anything
// is written.
Done check_name(const std::string& where, std::size_t line, std::string_view name, bool file_bytes,
                files::PointNames names) {
    bool ascii = true;
    for (char c : name) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return std::nullopt;
    if (names == files::PointNames::ascii)
        return refused(where + "第" + std::to_string(line) + "行：点名“" + std::string(name) +
                       "”含汉字等非ASCII字符，按ASCII点名（--names ascii）无法写出！");
    if (!file_bytes) return std::nullopt;
    files::Result<std::string> encoded = files::utf8_to_cp936(name);
    if (!encoded)
        return refused(where + "第" + std::to_string(line) + "行：" + encoded.failure().message);
    return std::nullopt;
}

// Every point of a points file: the points read and checked, their feet found
// on every core and kept (a few numbers each), and only when every point has
// one are the rows written, from a second reading of the same bytes (so the
// names of a million points are never held).
Done run_points_inverse(const RouteOptions& o, const route::Alignment& a,
                        const OutputChoice& choice, bool check = false) {
    const std::string& path = o.points;
    Checked<std::string> bytes = std::string();
    if (is_stdio(path)) {
        bytes = read_stdin(files::kMaxPointsFileBytes);
    } else {
        files::Result<std::string> read = files::read_whole_file(path, files::kMaxPointsFileBytes);
        if (!read) {
            bytes = unreadable(read.failure().message);
        } else {
            bytes = std::move(read).value();
        }
    }
    if (!bytes) return bytes.failure();
    const std::string_view text = bytes.value();
    const files::PointForm form =
        is_stdio(path) ? files::point_form_of_text(text) : files::point_form_of(path);
    const std::string where = where_of(path);
    const bool file_bytes = !choice.path.empty() || choice.format == files::RouteFormat::cass;

    std::vector<route::PlanPoint> points;
    std::vector<std::size_t> lines;
    Done refusal;
    std::optional<files::Error> error =
        files::parse_points(text, form, where, [&](const files::PointRecord& p) {
            if ((refusal = check_name(where, p.line, p.name, file_bytes, choice.names)))
                return false;
            points.push_back({p.x, p.y});
            lines.push_back(p.line);
            return true;
        });
    // The points read before a refused line come first: a point without a
    // foot among them is the one named.
    auto found = route::inverse_points(a, points, route::computing_threads());
    if (!found) {
        const route::PointRefusal& r = found.failure();
        return Refusal{kExitInvalidInput, where + "第" + std::to_string(lines[r.index]) + "行：" +
                                              computation_failure(r.failure).message};
    }
    if (refusal) return refusal;
    if (error) return refused(std::move(error->message));
    const std::vector<route::Foot>& feet = found.value();
    LineNotes several("点在线路上有多个垂足，结果取最近的一个。");
    LineNotes corners("点在折点外侧，没有垂足，结果以折点为垂足，偏距为到折点的距离。");
    for (std::size_t i = 0; i < feet.size(); ++i) {
        if (feet[i].corner) {
            corners.add(lines[i]);
        } else if (feet[i].feet > 1) {
            several.add(lines[i]);
        }
    }

    Checked<std::unique_ptr<Rows>> opened =
        Rows::open(choice, check ? files::RouteRows::check : files::RouteRows::inverse);
    if (!opened) return opened.failure();
    Rows& rows = *opened.value();
    std::size_t next = 0;
    std::size_t unmeasured = 0;
    std::size_t outside = 0;
    Done failed;
    error = files::parse_points(text, form, where, [&](const files::PointRecord& p) {
        const route::Foot& f = feet[next];
        const std::string station = a.station_text(f.chainage, f.zone, choice.decimals);
        if (check) {
            if (!p.h) ++unmeasured;
            if (!elevation_of(f)) ++outside;
            failed = Rows::written(rows.out().check(p.name, points[next].x, points[next].y, p.h,
                                                    station, f.offset, elevation_of(f)));
        } else {
            failed = Rows::written(rows.out().inverse(p.name, points[next].x, points[next].y,
                                                      station, f.offset, elevation_of(f)));
        }
        ++next;
        return !failed && next < feet.size();
    });
    if (failed) return failed;
    if (error) return refused(std::move(error->message));
    if (Done finished = rows.finish()) return finished;
    several.print();
    corners.print();
    const auto note = [](std::size_t count, const char* what) {
        if (count == 0) return;
        const std::string text = "注意：" + std::to_string(count) + what + "\n";
        std::fwrite(text.data(), 1, text.size(), stderr);
    };
    note(unmeasured, "个点没有实测高程，dH为空。");
    note(outside, "个点不在路幅内或纵断面范围外，没有设计高程，design_H与dH为空。");
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// section and check

Done run_section(const RouteOptions& o) {
    Checked<OutputChoice> choice = read_output(o);
    if (!choice) return choice.failure();
    Checked<double> station = read_station("--station", o.station);
    if (!station) return station.failure();
    Checked<int> read = read_zone("--zone", o.zone);
    if (!read) return read.failure();
    const int zone = read.value();
    Checked<route::Alignment> loaded = load_alignment(o);
    if (!loaded) return loaded.failure();
    const route::Alignment& a = loaded.value();
    if (Done bad = check_prefix("--station", o.station, a)) return bad;
    route::Outcome<std::vector<route::SectionPoint>> points =
        route::section_points(a, station.value(), zone);
    if (!points) return computation_failure(points.failure());
    const route::Outcome<route::Station> at = a.locate(station.value(), zone);
    const std::string text =
        a.station_text(station.value(), at.value().zone, choice.value().decimals);
    Checked<std::unique_ptr<Rows>> opened = Rows::open(choice.value(), files::RouteRows::section);
    if (!opened) return opened.failure();
    Rows& rows = *opened.value();
    for (const route::SectionPoint& p : points.value()) {
        if (Done failed = Rows::written(rows.out().section_point(text, p))) return failed;
    }
    if (Done finished = rows.finish()) return finished;
    if (!a.section().has_template()) {
        const std::string text2 = "注意：线路没有路幅，只有设计线上有设计高程。\n";
        std::fwrite(text2.data(), 1, text2.size(), stderr);
    }
    return std::nullopt;
}

Done run_check(const RouteOptions& o) {
    Checked<OutputChoice> choice = read_output(o);
    if (!choice) return choice.failure();
    if (is_stdio(o.points) && is_stdio(o.file))
        return refused("线路文件和点文件不能都从标准输入读取！");
    Checked<route::Alignment> loaded = load_alignment(o);
    if (!loaded) return loaded.failure();
    return run_points_inverse(o, loaded.value(), choice.value(), true);
}

Done run_inverse(const RouteOptions& o) {
    Checked<OutputChoice> choice = read_output(o);
    if (!choice) return choice.failure();
    if (!o.has_points && !o.has_x)
        return refused("请给出点的坐标（--x <坐标> --y <坐标>）或点文件（--points <点文件>）！");
    if (o.has_points && is_stdio(o.points) && is_stdio(o.file))
        return refused("线路文件和点文件不能都从标准输入读取！");
    Checked<route::Alignment> loaded = load_alignment(o);
    if (!loaded) return loaded.failure();
    if (o.has_points) return run_points_inverse(o, loaded.value(), choice.value());
    return run_single_inverse(o, loaded.value(), choice.value());
}

// ---------------------------------------------------------------------------
// PDF reports

// A file named *.pdf is a report, unless another format was asked for.
bool wants_pdf(const OutputChoice& c) {
    return c.format == files::RouteFormat::csv && !is_stdio(c.path) && is_pdf_name(c.path);
}

// The heading's texts: as typed, else the alignment file's own.
ReportTexts report_texts(const RouteOptions& o, const route::ProjectInfo& p) {
    const auto either = [](const std::string& typed, const std::string& own) {
        return typed.empty() ? own : typed;
    };
    return ReportTexts{either(o.project, p.project),
                       either(o.section, p.section),
                       either(o.coordinate_system, p.coordinate_system),
                       either(o.elevation_system, p.elevation_system),
                       o.computed_by,
                       o.checked_by,
                       o.approved_by};
}

// ---------------------------------------------------------------------------
// table

// The table options (--from --to --interval --offsets --skew --from-zone
// --to-zone --no-key-points), checked: route table's and route dxf's.
Checked<route::TableRequest> read_table_request(const RouteOptions& o) {
    route::TableRequest request;
    Checked<double> from = read_station("--from", o.from);
    if (!from) return from.failure();
    Checked<double> to = read_station("--to", o.to);
    if (!to) return to.failure();
    Checked<double> interval = read_number("--interval", o.interval, "间距");
    if (!interval) return interval.failure();
    route::Outcome<std::vector<double>> offsets = route::read_offsets(o.offsets);
    if (!offsets) return refused(option_failure("--offsets", offsets.failure().message));
    Checked<double> skew = read_skew(o.skew);
    if (!skew) return skew.failure();
    Checked<int> from_zone = read_zone("--from-zone", o.from_zone);
    if (!from_zone) return from_zone.failure();
    Checked<int> to_zone = read_zone("--to-zone", o.to_zone);
    if (!to_zone) return to_zone.failure();
    request.from = from.value();
    request.to = to.value();
    request.from_zone = from_zone.value();
    request.to_zone = to_zone.value();
    request.interval = interval.value();
    request.offsets = std::move(offsets).value();
    request.skew = skew.value();
    request.key_points = !o.no_key_points;
    return request;
}

Done run_table(const RouteOptions& o) {
    Checked<OutputChoice> choice = read_output(o);
    if (!choice) return choice.failure();
    Checked<route::TableRequest> read = read_table_request(o);
    if (!read) return read.failure();
    const route::TableRequest& request = read.value();

    Checked<route::Definition> definition = load_definition(o.file, o.name);
    if (!definition) return definition.failure();
    route::Outcome<route::Alignment> loaded = route::Alignment::build(definition.value());
    if (!loaded) return refused(loaded.failure().message);
    const route::Alignment& a = loaded.value();
    if (Done other = check_prefix("--from", o.from, a)) return other;
    if (Done other = check_prefix("--to", o.to, a)) return other;
    const OutputChoice& c = choice.value();
    if (Done refusal = check_ascii_labels(c, a)) return refusal;
    // The rows are named after their chainages: names that would repeat are
    // refused before any row is computed.
    if (auto clash = route::table_name_clash(a, request, c.decimals))
        return computation_failure(*clash);
    if (wants_pdf(c)) {
        if (auto refusal = route::table_refusal(a, request)) return computation_failure(*refusal);
        return write_table_pdf(c.path, a, request, report_texts(o, definition.value().project));
    }
    if (c.format == files::RouteFormat::cass) {
        // Checks the request without computing any row, so that a refused
        // table writes nothing.
        if (auto refusal = route::table_refusal(a, request)) return computation_failure(*refusal);
        Checked<std::unique_ptr<Rows>> opened = Rows::open(c, files::RouteRows::table);
        if (!opened) return opened.failure();
        Rows& rows = *opened.value();
        Done failed;
        route::Outcome<route::TableSummary> done =
            route::table(a, request, [&](const route::TableRow& r) {
                failed = Rows::written(rows.out().table(a, std::span(&r, 1)));
                return !failed;
            });
        if (failed) return failed;
        if (!done) return computation_failure(done.failure());
        return rows.finish();
    }

    // A table of a million rows spends most of its time on text: the rows are
    // computed and written as text a block at a time on every core, and the
    // blocks' texts go out in order.
    const files::TableText text(a, request.offsets, c.decimals, !c.path.empty(), c.names);
    const auto format = [&](std::span<const route::TableRow> block, std::string& out) {
        text.format(block, out);
    };
    Done refusal;
    // The output is opened with the first block: table_text checks the
    // request before it computes any, so a refused table writes nothing.
    std::unique_ptr<Rows> rows;
    const auto open = [&] {
        Checked<std::unique_ptr<Rows>> opened = Rows::open(c, files::RouteRows::table);
        if (!opened) {
            refusal = opened.failure();
            return false;
        }
        rows = std::move(opened).value();
        return true;
    };
    const auto write = [&](std::string_view block) {
        if (!rows && !open()) return false;
        refusal = Rows::written(rows->out().lines(block));
        return !refusal;
    };
    route::Outcome<route::TableSummary> done =
        route::table_text(a, request, route::computing_threads(), format, write);
    if (refusal) return refusal;
    if (!done) return computation_failure(done.failure());
    if (!rows && !open()) return refusal;
    return rows->finish();
}

// ---------------------------------------------------------------------------
// curves

Done run_curves(const RouteOptions& o) {
    Checked<OutputChoice> choice = read_output(o);
    if (!choice) return choice.failure();
    Checked<route::Definition> definition = load_definition(o.file, o.name);
    if (!definition) return definition.failure();
    route::Outcome<route::Alignment> built = route::Alignment::build(definition.value());
    if (!built) return refused(built.failure().message);
    const route::Alignment& a = built.value();
    route::Outcome<std::vector<route::CurveRow>> rows = route::curve_table(definition.value(), a);
    if (!rows) return refused(rows.failure().message);
    const OutputChoice& c = choice.value();
    if (wants_pdf(c))
        return write_curves_pdf(c.path, a, rows.value(),
                                report_texts(o, definition.value().project));
    files::Result<std::string> text =
        files::curve_table_csv(a, rows.value(), c.decimals, !c.path.empty());
    if (!text) return refused(text.failure().message);
    Checked<Destination> d = Destination::open(c.path);
    if (!d) return d.failure();
    if (Done failed = d.value().write(text.value())) return failed;
    return d.value().finish();
}

// ---------------------------------------------------------------------------
// convert

Done run_convert(const RouteOptions& o) {
    if (Done same = check_not_an_input(o.out, {o.file})) return same;
    bool from_xml = false;
    Checked<route::Definition> definition = load_definition(o.file, o.name, &from_xml);
    if (!definition) return definition.failure();
    route::Outcome<route::Alignment> built = route::Alignment::build(definition.value());
    if (!built) return refused(built.failure().message);

    // The written form follows OUT's name; standard output gets the other form
    // than the one read.
    const bool to_xml = is_stdio(o.out) ? !from_xml : files::is_landxml_name(o.out);
    // An alignment by intersection points is written as the elements it
    // expands into, so the Korvane file defines the same alignment.
    // What is written must read back to the same alignment, or nothing is.
    files::Result<std::string> bytes = files::definition_bytes(
        to_xml ? definition.value() : route::as_elements(definition.value(), built.value()),
        to_xml);
    if (!bytes) {
        const std::string where =
            is_stdio(o.out) ? "无法写入标准输出：" : "无法保存文件“" + o.out + "”：";
        return refused(where + bytes.failure().message);
    }
    if (is_stdio(o.out)) {
        if (Done failed = write_stdout(bytes.value())) return failed;
        return flush_stdout();
    }
    if (auto error = files::replace_file(o.out, bytes.value())) return unreadable(error->message);
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// dxf

// The drawing's options, each refused under its own option's name.
Checked<files::DxfOptions> read_dxf_options(const RouteOptions& o) {
    files::DxfOptions options;
    Checked<int> decimals = read_decimals(o.decimals);
    if (!decimals) return decimals.failure();
    options.decimals = decimals.value();
    Checked<double> ticks = read_number("--ticks", o.ticks, "刻度间距");
    if (!ticks) return ticks.failure();
    options.tick_interval = ticks.value();
    if (auto refusal = files::dxf_options_refusal(options))
        return refused(option_failure("--ticks", *refusal));
    Checked<double> tolerance = read_number("--tolerance", o.tolerance, "容差");
    if (!tolerance) return tolerance.failure();
    options.tolerance = tolerance.value();
    if (auto refusal = files::dxf_options_refusal(options))
        return refused(option_failure("--tolerance", *refusal));
    return options;
}

// The rows of the table asked for, for the drawing's stakes (their labels
// are not kept: the stakes are named by their chainages).
Checked<std::vector<route::TableRow>> dxf_stakes(const RouteOptions& o, const route::Alignment& a,
                                                 const route::TableRequest& request, int decimals) {
    if (Done other = check_prefix("--from", o.from, a)) return *other;
    if (Done other = check_prefix("--to", o.to, a)) return *other;
    if (auto clash = route::table_name_clash(a, request, decimals))
        return computation_failure(*clash);
    route::Outcome<std::size_t> count = route::table_row_count(a, request);
    if (!count) return computation_failure(count.failure());
    std::vector<route::TableRow> rows;
    rows.reserve(count.value());
    route::Outcome<route::TableSummary> done =
        route::table(a, request, [&rows](const route::TableRow& r) {
            rows.push_back(r);
            rows.back().label = {};
            return true;
        });
    if (!done) return computation_failure(done.failure());
    return rows;
}

Done run_dxf(const RouteOptions& o) {
    if (Done same = check_not_an_input(o.out, {o.file})) return same;
    Checked<files::DxfOptions> options = read_dxf_options(o);
    if (!options) return options.failure();
    // Stakes with a whole table request only.
    const bool with_stakes = !o.from.empty() || !o.to.empty() || !o.interval.empty();
    if (with_stakes && (o.from.empty() || o.to.empty() || o.interval.empty()))
        return refused("逐桩坐标须同时给出 --from、--to 与 --interval！");
    route::TableRequest request;
    if (with_stakes) {
        Checked<route::TableRequest> read = read_table_request(o);
        if (!read) return read.failure();
        request = std::move(read).value();
    }
    Checked<route::Definition> definition = load_definition(o.file, o.name);
    if (!definition) return definition.failure();
    route::Outcome<route::Alignment> built = route::Alignment::build(definition.value());
    if (!built) return refused(built.failure().message);
    const route::Alignment& a = built.value();
    files::Result<files::DxfDrawing> drawing =
        files::DxfDrawing::make(a, &definition.value(), options.value());
    if (!drawing) return refused(drawing.failure().message);
    std::vector<route::TableRow> stakes;
    if (with_stakes) {
        Checked<std::vector<route::TableRow>> rows =
            dxf_stakes(o, a, request, options.value().decimals);
        if (!rows) return rows.failure();
        stakes = std::move(rows).value();
    }
    Checked<Destination> destination = Destination::open(o.out);
    if (!destination) return destination.failure();
    if (auto error = drawing.value().write(stakes, destination.value().sink()))
        return unreadable(std::move(error->message));
    return destination.value().finish();
}

}  // namespace

Done run_route(const RouteOptions& options) {
    switch (options.command) {
        case Command::info:
            return run_info(options);
        case Command::forward:
            return run_forward(options);
        case Command::inverse:
            return run_inverse(options);
        case Command::table:
            return run_table(options);
        case Command::section:
            return run_section(options);
        case Command::check:
            return run_check(options);
        case Command::dxf:
            return run_dxf(options);
        case Command::curves:
            return run_curves(options);
        case Command::convert:
            break;
    }
    return run_convert(options);
}

}  // namespace korvane::cli
