// What the route commands share (route_common.h).
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

namespace korvane::cli::route_detail {
namespace {

constexpr std::string_view kMark = "！";

}  // namespace

std::string without_mark(std::string message) {
    if (std::string_view(message).ends_with(kMark)) message.resize(message.size() - kMark.size());
    return message;
}

// How a file is named in messages: "文件“p.csv”", or "标准输入".
std::string where_of(const std::string& path) {
    return is_stdio(path) ? "标准输入" : "文件“" + path + "”";
}

// A file that cannot be opened or read at all is a file error (status 1);
// everything found wrong in its content afterwards is refused input.
Done probe(const std::string& path) {
    if (auto error = files::read_file(path, [](std::string_view) { return false; }))
        return unreadable(error->message);
    return std::nullopt;
}

// What a reader found odd but read regardless, on standard error with the
// command going on (never on standard output).
void warn(const files::Warnings& warnings) {
    for (const std::string& w : warnings) {
        const std::string line = "警告：" + w + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
    }
}

Checked<route::Definition> load_definition(const std::string& path, const std::string& name,
                                           bool* was_xml) {
    files::Warnings warnings;
    if (is_stdio(path)) {
        Checked<std::string> bytes = read_stdin(files::kMaxLandXmlBytes);
        if (!bytes) return bytes.failure();
        bool xml = false;
        files::Result<route::Definition> read =
            files::parse_definition(bytes.value(), name, xml, &warnings);
        if (!read)
            return refused("无法读取标准输入：" + without_mark(read.failure().message) +
                           std::string(kMark));
        warn(warnings);
        if (was_xml) *was_xml = xml;
        return std::move(read).value();
    }
    if (Done failed = probe(path)) return *failed;
    files::Result<route::Definition> read = files::read_definition(path, name, &warnings);
    if (!read) return refused(read.failure().message);
    warn(warnings);
    if (was_xml) *was_xml = files::is_landxml_name(path);
    return std::move(read).value();
}

Checked<route::Alignment> load_alignment(const RouteOptions& o) {
    Checked<route::Definition> definition = load_definition(o.file, o.name);
    if (!definition) return definition.failure();
    route::Outcome<route::Alignment> built = route::Alignment::build(definition.value());
    if (!built) return refused(built.failure().message);
    return std::move(built).value();
}

// ---------------------------------------------------------------------------
// Option texts

std::string option_failure(std::string_view option, std::string_view message) {
    return std::string(option) + "：" + std::string(message);
}

Checked<int> read_decimals(const std::string& text) {
    int value = -1;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || value < 0 || value > 9)
        return refused(option_failure("--decimals", "小数位数须为0到9的整数！"));
    return value;
}

// A zone number 1, 2, …; an empty text is 0 (found from the chainage).
Checked<int> read_zone(std::string_view option, const std::string& text) {
    if (text.empty()) return 0;
    int value = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || value < 1)
        return refused(option_failure(option, "分区须为正整数（1、2、…）！"));
    return value;
}

Checked<double> read_number(std::string_view option, std::string_view text, std::string_view what) {
    const std::optional<double> v = geometry::parse_strict(text);
    if (!v || !std::isfinite(*v))
        return refused(option_failure(
            option, std::string(what) + "“" + std::string(text) + "”不是有效数字！"));
    return *v;
}

Checked<double> read_station(std::string_view option, const std::string& text) {
    route::Outcome<double> v = route::read_chainage(text);
    if (!v) return refused(option_failure(option, v.failure().message));
    return v.value();
}

// A chainage naming another prefix than the alignment's is refused.
Done check_prefix(std::string_view option, const std::string& text, const route::Alignment& a) {
    if (auto f = route::check_chainage_prefix(text, a.prefix()))
        return refused(option_failure(option, f->message));
    return std::nullopt;
}

Checked<double> read_skew(const std::string& text) {
    route::Outcome<double> v = route::read_packed_angle(text);
    if (!v) return refused(option_failure("--skew", v.failure().message));
    return v.value();
}

// A failure of the route library, with the entry of --offsets it is about.
Refusal computation_failure(const route::Failure& f) {
    if (f.subject == route::Subject::offsets && f.index >= 0)
        return refused(
            option_failure("--offsets", "第" + std::to_string(f.index + 1) + "个边桩" + f.message));
    return refused(f.message);
}

// ---------------------------------------------------------------------------
// Output

// An output that is also an input would destroy it (the alignment file
// replaced by its table, the measured points by their results): refused,
// naming both, before anything is read or written.
Done check_not_an_input(const std::string& output, std::initializer_list<std::string> inputs) {
    if (output.empty() || is_stdio(output)) return std::nullopt;
    std::vector<std::filesystem::path> files;
    for (const std::string& input : inputs) {
        if (!input.empty() && !is_stdio(input)) files.emplace_back(input);
    }
    if (auto error = files::output_is_input(output, files)) return refused(error->message);
    return std::nullopt;
}

// The output options of a command, checked.
Checked<OutputChoice> read_output(const RouteOptions& o) {
    if (Done same = check_not_an_input(o.output, {o.file, o.points})) return *same;
    OutputChoice c;
    Checked<int> decimals = read_decimals(o.decimals);
    if (!decimals) return decimals.failure();
    c.decimals = decimals.value();
    if (o.format == "cass") {
        c.format = files::RouteFormat::cass;
    } else if (o.format != "csv") {
        return refused(
            option_failure("--format", "输出格式“" + o.format + "”未知，应为csv或cass！"));
    }
    if (o.names == "ascii") {
        c.names = files::PointNames::ascii;
    } else if (o.names != "chinese") {
        return refused(
            option_failure("--names", "点名方式“" + o.names + "”未知，应为chinese或ascii！"));
    }
    c.path = o.output;
    return c;
}

// Main points whose labels have no ASCII code are refused before anything
// is written when the names are to be ASCII.
Done check_ascii_labels(const OutputChoice& c, const route::Alignment& a) {
    if (c.names != files::PointNames::ascii) return std::nullopt;
    if (std::optional<files::Error> refusal = files::ascii_refusal(a))
        return refused(option_failure("--names", refusal->message));
    return std::nullopt;
}

}  // namespace korvane::cli::route_detail
