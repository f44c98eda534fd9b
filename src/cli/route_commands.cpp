#include "cli/route_commands.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/cli.h"
#include "files/alignment_file.h"
#include "files/codec.h"
#include "files/landxml.h"
#include "files/point_file.h"
#include "files/points_text.h"
#include "files/read_file.h"
#include "files/safe_write.h"
#include "geometry/fixed_text.h"
#include "geometry/number_text.h"
#include "route/alignment.h"
#include "route/angle.h"
#include "route/chainage.h"
#include "route/computations.h"

namespace korvane::cli {

struct RouteCommands::Options {
    CLI::App* route = nullptr;
    CLI::App* info = nullptr;
    CLI::App* forward = nullptr;
    CLI::App* inverse = nullptr;
    CLI::App* table = nullptr;
    CLI::App* convert = nullptr;

    // Every value is kept as typed and checked by the command itself, so that
    // each refusal carries this program's own message.
    std::string file;
    std::string name;
    std::string decimals = "3";
    std::string output;
    std::string format = "csv";

    std::string station;
    std::string offset = "0";
    std::string skew = "90";
    std::string zone;

    std::string x;
    std::string y;
    std::string points;
    CLI::Option* x_option = nullptr;
    CLI::Option* points_option = nullptr;

    std::string from;
    std::string to;
    std::string interval;
    std::string offsets = "0";
    std::string from_zone;
    std::string to_zone;
    bool no_key_points = false;

    std::string out;
};

namespace {

using Options = RouteCommands::Options;

// A command that cannot go on: its exit status and the message for stderr.
struct Refusal {
    int status = kExitInvalidInput;
    std::string message;
};

template <class T>
using Checked = korvane::Outcome<T, Refusal>;

Refusal refused(std::string message) {
    return {kExitInvalidInput, std::move(message)};
}
Refusal unreadable(std::string message) {
    return {kExitFileError, std::move(message)};
}

constexpr std::string_view kMark = "！";
constexpr std::size_t kChunkBytes = std::size_t{64} << 10;

std::string without_mark(std::string message) {
    if (std::string_view(message).ends_with(kMark)) message.resize(message.size() - kMark.size());
    return message;
}

bool is_stdio(const std::string& path) {
    return path == "-";
}

// True when `path` ends in `.xml`, in any letter case.
bool is_xml_name(std::string_view path) {
    if (path.size() < 4) return false;
    std::string_view end = path.substr(path.size() - 4);
    const char* want = ".xml";
    for (std::size_t i = 0; i < 4; ++i) {
        char c = end[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != want[i]) return false;
    }
    return true;
}

// "无法读取文件“path”：cause！", or for standard input "无法读取标准输入：cause！".
std::string reading_failure(const std::string& path, std::string_view cause) {
    std::string where = is_stdio(path) ? "无法读取标准输入：" : "无法读取文件“" + path + "”：";
    return where + std::string(cause) + std::string(kMark);
}

// All of standard input, at most `max_bytes`.
Checked<std::string> read_stdin(std::size_t max_bytes) {
    std::string bytes;
    std::vector<char> piece(kChunkBytes);
    // The C stream, which is binary on every system (main sets it so on
    // Windows); a read broken off by a signal is taken up again.
    for (;;) {
        const std::size_t n = std::fread(piece.data(), 1, piece.size(), stdin);
        if (bytes.size() + n > max_bytes)
            return refused(reading_failure("-", "内容超过" + std::to_string(max_bytes) + "字节"));
        bytes.append(piece.data(), n);
        if (n == piece.size()) continue;
        if (std::ferror(stdin) != 0) {
            if (errno == EINTR) {
                std::clearerr(stdin);
                continue;
            }
            return unreadable("无法读取标准输入！");
        }
        if (std::feof(stdin) != 0) return bytes;
    }
}

// A file that cannot be opened or read at all is a file error (status 1);
// everything found wrong in its content afterwards is refused input.
std::optional<Refusal> probe(const std::string& path) {
    if (auto error = files::read_file(path, [](std::string_view) { return false; }))
        return unreadable(error->message);
    return std::nullopt;
}

// LandXML on standard input is told by its first character.
bool looks_like_xml(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    const std::size_t first = bytes.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && bytes[first] == '<';
}

Checked<route::Definition> load_definition(const std::string& path, const std::string& name,
                                           bool* was_xml = nullptr) {
    bool xml = is_xml_name(path);
    std::optional<files::Result<route::Definition>> read;
    if (is_stdio(path)) {
        Checked<std::string> bytes = read_stdin(files::kMaxLandXmlBytes);
        if (!bytes) return bytes.failure();
        xml = looks_like_xml(bytes.value());
        read = xml ? files::parse_landxml(bytes.value(), name)
                   : files::parse_alignment_file(bytes.value());
        if (!*read) return refused(reading_failure(path, without_mark(read->failure().message)));
    } else {
        if (auto failed = probe(path)) return *failed;
        read = xml ? files::read_landxml(path, name) : files::read_alignment_file(path);
        if (!*read) return refused(read->failure().message);
    }
    if (was_xml) *was_xml = xml;
    route::Definition definition = std::move(*read).value();
    // A Korvane file holds one alignment; a name that is not its own is an error
    // rather than silently ignored.
    if (!xml && !name.empty() && definition.name != name) {
        return refused(reading_failure(
            path, "文件中没有名为“" + name + "”的线路，文件中的线路是“" + definition.name + "”"));
    }
    return definition;
}

Checked<route::Alignment> load_alignment(const Options& o) {
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

Checked<double> read_skew(const std::string& text) {
    route::Outcome<double> v = route::read_packed_angle(text);
    if (!v) return refused(option_failure("--skew", v.failure().message));
    return v.value();
}

Checked<std::vector<double>> read_offsets(const std::string& text) {
    std::vector<double> offsets;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string_view item = std::string_view(text).substr(
            start, comma == std::string::npos ? std::string::npos : comma - start);
        Checked<double> v = read_number("--offsets", item,
                                        "第" + std::to_string(offsets.size() + 1) + "个边桩偏距");
        if (!v) return v.failure();
        offsets.push_back(v.value());
        if (comma == std::string::npos) return offsets;
        start = comma + 1;
    }
}

// A failure of the route library, with the entry of --offsets it is about.
Refusal computation_failure(const route::Failure& f) {
    if (f.subject == route::Subject::offsets && f.index >= 0)
        return refused(
            option_failure("--offsets", "第" + std::to_string(f.index + 1) + "个边桩" + f.message));
    return refused(f.message);
}

// ---------------------------------------------------------------------------
// Number texts

// Room for one number's text (coordinates and chainages are below 1e9 m).
constexpr std::size_t kNumberRoom = 400;

// Writes `value` with exactly `decimals` decimals, rounded on its exact binary
// value, at `out` (kNumberRoom characters of room); a value that rounds to
// zero is written without a sign. Gives the end of the text.
char* put_fixed(char* out, double value, int decimals) {
    const auto r = geometry::shown_fixed_chars(out, out + kNumberRoom, value, decimals);
    return r.ec == std::errc() ? r.ptr : out;
}

// The same, appended to `out`.
void append_fixed(std::string& out, double value, int decimals) {
    geometry::append_shown_fixed(out, value, decimals);
}

std::string fixed(double value, int decimals) {
    std::string out;
    append_fixed(out, value, decimals);
    return out;
}

// A signed radius, or INF on a straight (as the alignment file reads it back).
void append_radius(std::string& out, double radius, int decimals) {
    if (std::isinf(radius)) {
        out += "INF";
        return;
    }
    append_fixed(out, radius, decimals);
}

void append_elevation(std::string& out, const std::optional<double>& h, int decimals) {
    if (h) append_fixed(out, *h, decimals);
}

// The point name of a side stake in a CASS file: the chainage text, then the
// side and the distance ("K1+020左7.5"); the centre-line stake is the chainage.
std::string stake_name(const std::string& station, double offset) {
    if (offset == 0) return station;
    return station + (offset < 0 ? "左" : "右") + geometry::format_number(std::fabs(offset));
}

// ---------------------------------------------------------------------------
// Output

enum class Format { csv, cass };

// Where the bytes go: standard output, or a file replaced whole at the end.
class Destination {
  public:
    static Checked<Destination> open(const std::string& path) {
        Destination d;
        if (path.empty() || is_stdio(path)) return d;
        files::Result<files::SafeFileWriter> file = files::SafeFileWriter::open(path);
        if (!file) return unreadable(file.failure().message);
        d.file_.emplace(std::move(file).value());
        return d;
    }

    std::optional<Refusal> write(std::string_view bytes) {
        if (file_) {
            if (auto error = file_->write(bytes)) return unreadable(error->message);
            return std::nullopt;
        }
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size())
            return unreadable("无法写入标准输出！");
        return std::nullopt;
    }

    std::optional<Refusal> finish() {
        if (file_) {
            if (auto error = file_->commit()) return unreadable(error->message);
            return std::nullopt;
        }
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            return unreadable("无法写入标准输出！");
        return std::nullopt;
    }

  private:
    std::optional<files::SafeFileWriter> file_;
};

// The rows of a result, as CSV (UTF-8 with LF on standard output; code page
// 936 with CR LF in a file) or as the points of a CASS file. Rows collect in a
// buffer that goes out every 64 KiB, so a long table is never held whole.
class Rows {
  public:
    Rows(const Rows&) = delete;
    Rows& operator=(const Rows&) = delete;
    Rows(Destination destination, Format format, bool file_bytes)
        : destination_(std::move(destination)), format_(format), file_bytes_(file_bytes) {
        if (format_ == Format::cass) {
            cass_.emplace(files::PointFormat::cass, true,
                          [this](std::string_view bytes) -> std::optional<files::Error> {
                              if (auto failed = destination_.write(bytes)) {
                                  sink_failure_ = failed;
                                  return files::Error{failed->message};
                              }
                              return std::nullopt;
                          });
        }
    }

    bool cass() const { return format_ == Format::cass; }

    // CSV: the text of the current row, without its line end.
    std::string& line() { return buffer_; }

    std::optional<Refusal> end_line() {
        buffer_ += file_bytes_ ? "\r\n" : "\n";
        if (buffer_.size() >= kChunkBytes) return flush();
        return std::nullopt;
    }

    // CSV: whole lines, each with its line end. A large piece (a table's
    // block) goes out as it is, without a copy into the buffer.
    std::optional<Refusal> lines(std::string_view text) {
        if (text.size() >= kChunkBytes / 4) {
            if (auto failed = flush()) return failed;
            return put(text);
        }
        buffer_.append(text);
        if (buffer_.size() >= kChunkBytes) return flush();
        return std::nullopt;
    }

    // CASS: one point.
    std::optional<Refusal> point(std::string_view name, std::string_view code, std::string_view x,
                                 std::string_view y, std::string_view h) {
        if (auto error = cass_->add(name, code, x, y, h)) return written(*error);
        return std::nullopt;
    }

    std::optional<Refusal> finish() {
        if (cass_) {
            if (auto error = cass_->finish()) return written(*error);
        } else if (auto failed = flush()) {
            return failed;
        }
        return destination_.finish();
    }

  private:
    std::optional<Refusal> flush() {
        if (buffer_.empty()) return std::nullopt;
        std::optional<Refusal> failed = put(buffer_);
        buffer_.clear();
        return failed;
    }

    // Whole lines to the destination, in code page 936 for a file.
    std::optional<Refusal> put(std::string_view text) {
        if (!file_bytes_) return destination_.write(text);
        files::Result<std::string> encoded = files::utf8_to_cp936(text);
        if (!encoded) return unreadable("无法写入：" + encoded.failure().message);
        return destination_.write(encoded.value());
    }

    Refusal written(const files::Error& error) {
        if (sink_failure_) return *sink_failure_;
        return unreadable("无法写入：" + error.message);
    }

    Destination destination_;
    Format format_;
    bool file_bytes_;
    std::string buffer_;
    std::optional<files::PointFileWriter> cass_;
    std::optional<Refusal> sink_failure_;
};

// The output options of a command, checked.
struct OutputChoice {
    int decimals = 3;
    Format format = Format::csv;
    std::string path;  // empty: standard output as UTF-8 CSV
};

Checked<OutputChoice> read_output(const Options& o) {
    OutputChoice c;
    Checked<int> decimals = read_decimals(o.decimals);
    if (!decimals) return decimals.failure();
    c.decimals = decimals.value();
    if (o.format == "cass") {
        c.format = Format::cass;
    } else if (o.format != "csv") {
        return refused(
            option_failure("--format", "输出格式“" + o.format + "”未知，应为csv或cass！"));
    }
    c.path = o.output;
    return c;
}

// The rows' writer, opened once every input has been checked, with the CSV
// header line written (a CASS file has none). A CASS file is always code page
// 936 with CR LF, as is whatever --output names.
Checked<std::unique_ptr<Rows>> open_rows(const OutputChoice& c, std::string_view csv_header) {
    Checked<Destination> d = Destination::open(c.path);
    if (!d) return d.failure();
    const bool file_bytes = !c.path.empty() || c.format == Format::cass;
    auto rows = std::make_unique<Rows>(std::move(d).value(), c.format, file_bytes);
    if (!rows->cass()) {
        rows->line() += csv_header;
        if (auto failed = rows->end_line()) return *failed;
    }
    return rows;
}

int report(const Refusal& r) {
    std::fwrite(r.message.data(), 1, r.message.size(), stderr);
    std::fputc('\n', stderr);
    return r.status;
}

// ---------------------------------------------------------------------------
// info

std::optional<Refusal> run_info(const Options& o) {
    Checked<OutputChoice> choice = read_output(o);
    if (!choice) return choice.failure();
    Checked<route::Alignment> loaded = load_alignment(o);
    if (!loaded) return loaded.failure();
    const route::Alignment& a = loaded.value();
    const int d = choice.value().decimals;

    Checked<std::unique_ptr<Rows>> opened =
        open_rows(choice.value(), "label,station,X,Y,azimuth,radius");
    if (!opened) return opened.failure();
    Rows& rows = *opened.value();
    for (const route::KeyPoint& k : a.key_points()) {
        // A chain break is one point with two chainages: back=ahead.
        std::string station = a.chainage_text(k.chainage, d);
        if (k.ahead) station += "=" + a.chainage_text(*k.ahead, d);
        if (rows.cass()) {
            if (auto failed = rows.point(station, k.label, fixed(k.x, d), fixed(k.y, d), ""))
                return failed;
            continue;
        }
        std::string& line = rows.line();
        files::append_csv_field(line, k.label);
        line += ',';
        line += station;
        line += ',';
        append_fixed(line, k.x, d);
        line += ',';
        append_fixed(line, k.y, d);
        line += ',';
        line += route::format_azimuth(k.azimuth, 2);
        line += ',';
        append_radius(line, k.radius, d);
        if (auto failed = rows.end_line()) return failed;
    }
    return rows.finish();
}

// ---------------------------------------------------------------------------
// forward

std::optional<Refusal> run_forward(const Options& o) {
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
    route::Outcome<route::ForwardResult> result =
        route::forward(a, station.value(), zone.value(), offset.value(), skew.value());
    if (!result) return computation_failure(result.failure());
    const route::ForwardResult& r = result.value();
    const int d = choice.value().decimals;

    Checked<std::unique_ptr<Rows>> opened =
        open_rows(choice.value(), "station,offset,X,Y,azimuth,H");
    if (!opened) return opened.failure();
    Rows& rows = *opened.value();
    const std::string text = a.chainage_text(r.chainage, d);
    std::string h;
    append_elevation(h, r.elevation, d);
    if (rows.cass()) {
        if (auto failed =
                rows.point(stake_name(text, offset.value()), "", fixed(r.x, d), fixed(r.y, d), h))
            return failed;
        return rows.finish();
    }
    std::string& line = rows.line();
    line += text;
    line += ',';
    append_fixed(line, offset.value(), d);
    line += ',';
    append_fixed(line, r.x, d);
    line += ',';
    append_fixed(line, r.y, d);
    line += ',';
    line += route::format_azimuth(r.azimuth, 2);
    line += ',';
    line += h;
    if (auto failed = rows.end_line()) return failed;
    return rows.finish();
}

// ---------------------------------------------------------------------------
// inverse

// The result of one point, kept between checking all points and writing them.
struct Foot {
    double chainage;
    double offset;
    double elevation;  // NaN: none
};

// Notes on standard error for points with several perpendicular feet.
class SeveralFeet {
  public:
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
        text += "点在线路上有多个垂足，结果取最近的一个。\n";
        std::fwrite(text.data(), 1, text.size(), stderr);
    }

  private:
    std::vector<std::size_t> lines_;
    std::size_t count_ = 0;
};

void append_inverse_row(std::string& line, std::string_view name, double x, double y,
                        const route::Alignment& a, const Foot& f, int d) {
    files::append_csv_field(line, name);
    line += ',';
    append_fixed(line, x, d);
    line += ',';
    append_fixed(line, y, d);
    line += ',';
    line += a.chainage_text(f.chainage, d);
    line += ',';
    append_fixed(line, f.offset, d);
    line += ',';
    if (!std::isnan(f.elevation)) append_fixed(line, f.elevation, d);
}

const char* const kInverseHeader = "name,X,Y,station,offset,H";

std::optional<Refusal> write_inverse_point(Rows& rows, std::string_view name, double x, double y,
                                           const route::Alignment& a, const Foot& f, int d) {
    if (rows.cass()) {
        std::string h;
        if (!std::isnan(f.elevation)) append_fixed(h, f.elevation, d);
        return rows.point(name, a.chainage_text(f.chainage, d), fixed(x, d), fixed(y, d), h);
    }
    append_inverse_row(rows.line(), name, x, y, a, f, d);
    return rows.end_line();
}

// The threads a long computation uses: every core, up to four.
unsigned computing_threads() {
    return std::clamp(std::thread::hardware_concurrency(), 1U, 4U);
}

// A point of a points file: its line and coordinates.
struct PointAt {
    std::size_t line;
    double x;
    double y;
};

// The where of a point's failure: "无法计算文件“p.csv”第5行的点：…".
Refusal at_line(const std::string& path, std::size_t line, const Refusal& r) {
    std::string where = is_stdio(path) ? "标准输入" : "文件“" + path + "”";
    return {r.status, where + "第" + std::to_string(line) + "行：" + r.message};
}

// The feet of `points`, in order. A million points take seconds, so runs of
// consecutive points are computed on every core (up to four); the first point
// in the file without a foot refuses them all, as if they had been taken one
// by one. Points with several feet are noted in order.
Checked<std::vector<Foot>> feet_of(const route::Alignment& a, const std::vector<PointAt>& points,
                                   SeveralFeet& notes, const std::string& path) {
    const std::size_t n = points.size();
    std::vector<Foot> feet(n);
    std::vector<unsigned char> several(n, 0);
    constexpr std::size_t kPointsPerThread = 4096;
    const std::size_t threads =
        std::min<std::size_t>(computing_threads(), std::max<std::size_t>(1, n / kPointsPerThread));
    struct Run {
        std::size_t begin = 0;
        std::size_t end = 0;
        std::optional<std::pair<std::size_t, Refusal>> stop;  // the first point without a foot
        std::exception_ptr error;                             // an allocation failure
    };
    std::vector<Run> runs(threads);
    for (std::size_t t = 0; t < threads; ++t) {
        runs[t].begin = n * t / threads;
        runs[t].end = n * (t + 1) / threads;
    }
    const auto compute = [&](Run& run) {
        try {
            for (std::size_t i = run.begin; i < run.end; ++i) {
                route::Outcome<route::InverseResult> r =
                    route::inverse(a, points[i].x, points[i].y);
                if (!r) {
                    run.stop.emplace(i, computation_failure(r.failure()));
                    return;
                }
                const route::InverseResult& v = r.value();
                feet[i] = Foot{v.chainage, v.offset, v.elevation ? *v.elevation : std::nan("")};
                several[i] = v.feet > 1 ? 1 : 0;
            }
        } catch (...) {
            run.error = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> workers;
        for (std::size_t t = 1; t < threads; ++t)
            workers.emplace_back([&, t] { compute(runs[t]); });
        compute(runs[0]);
    }
    for (const Run& run : runs) {
        if (run.error) std::rethrow_exception(run.error);
        if (run.stop) return at_line(path, points[run.stop->first].line, run.stop->second);
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (several[i] != 0) notes.add(points[i].line);
    }
    return feet;
}

std::optional<Refusal> run_single_inverse(const Options& o, const route::Alignment& a,
                                          const OutputChoice& choice) {
    Checked<double> x = read_number("--x", o.x, "坐标X");
    if (!x) return x.failure();
    Checked<double> y = read_number("--y", o.y, "坐标Y");
    if (!y) return y.failure();
    route::Outcome<route::InverseResult> r = route::inverse(a, x.value(), y.value());
    if (!r) return computation_failure(r.failure());
    const route::InverseResult& v = r.value();
    const Foot f{v.chainage, v.offset, v.elevation ? *v.elevation : std::nan("")};
    Checked<std::unique_ptr<Rows>> opened = open_rows(choice, kInverseHeader);
    if (!opened) return opened.failure();
    Rows& rows = *opened.value();
    if (auto failed = write_inverse_point(rows, "", x.value(), y.value(), a, f, choice.decimals))
        return failed;
    if (auto failed = rows.finish()) return failed;
    if (v.feet > 1) {
        std::string note =
            "注意：此点在线路上有" + std::to_string(v.feet) + "个垂足，结果取最近的一个。\n";
        std::fwrite(note.data(), 1, note.size(), stderr);
    }
    return std::nullopt;
}

// The points of a file, in one of the three forms. Standard input has no name
// to tell the form by: a header line "name,X,Y…" is CSV, five comma-separated
// fields are CASS, anything else the plain form.
enum class PointForm { cass, csv, plain };

PointForm form_of_bytes(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = geometry::trim_spaces(bytes.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == '#') continue;
        const bool header =
            (line.size() >= 6 && (line.substr(0, 5) == "name," || line.substr(0, 5) == "NAME," ||
                                  line.substr(0, 5) == "Name,"));
        if (header) return PointForm::csv;
        std::size_t commas = 0;
        for (char c : line) commas += c == ',' ? 1 : 0;
        return commas == 4 ? PointForm::cass : PointForm::plain;
    }
    return PointForm::plain;
}

PointForm form_of_path(const std::string& path) {
    const std::optional<files::PointFormat> f = files::point_format_of(path);
    if (!f) return PointForm::plain;
    return *f == files::PointFormat::cass ? PointForm::cass : PointForm::csv;
}

// A name that code page 936 cannot hold would stop the file half-way: it is
// refused before anything is written.
std::optional<Refusal> check_name(const std::string& path, std::size_t line, std::string_view name,
                                  bool file_bytes) {
    if (!file_bytes) return std::nullopt;
    bool ascii = true;
    for (char c : name) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return std::nullopt;
    files::Result<std::string> encoded = files::utf8_to_cp936(name);
    if (!encoded) return at_line(path, line, refused(encoded.failure().message));
    return std::nullopt;
}

std::optional<Refusal> run_points_inverse(const Options& o, const route::Alignment& a,
                                          const OutputChoice& choice) {
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
    const PointForm form = is_stdio(path) ? form_of_bytes(text) : form_of_path(path);
    const bool file_bytes = !choice.path.empty() || choice.format == Format::cass;
    const int d = choice.decimals;
    SeveralFeet notes;

    if (form == PointForm::plain) {
        // The points are read and checked, then their feet found and kept
        // (three numbers each); the rows are written from a second reading of
        // the same bytes.
        std::vector<PointAt> points;
        std::optional<Refusal> refusal;
        files::PointsParser check([&](const files::PointText& p) {
            if (refusal) return;
            const std::optional<double> x = geometry::parse_strict(p.x);
            const std::optional<double> y = geometry::parse_strict(p.y);
            if (!x || !y) {
                refusal = at_line(path, p.line, refused("坐标不是有效数字！"));
                return;
            }
            if ((refusal = check_name(path, p.line, p.name, file_bytes))) return;
            points.push_back({p.line, *x, *y});
        });
        check.feed(text);
        check.finish();
        const files::PointsCheck& c = check.check();
        if (!c.utf8) return refused(reading_failure(path, "点文件须为 UTF-8 文本"));
        if (c.bad_count > 0) {
            std::string lines;
            for (std::size_t i = 0; i < c.bad_lines.size(); ++i) {
                if (i > 0) lines += "、";
                lines += std::to_string(c.bad_lines[i]);
            }
            if (c.bad_count > c.bad_lines.size()) {
                lines += "等";
                lines += std::to_string(c.bad_count);
            }
            return refused(reading_failure(path, "第" + lines + "行不是“[点名] X Y”两个坐标数字"));
        }
        // Reading stops at a refused line, so a point without a foot, if any,
        // comes before it in the file and is the one named.
        Checked<std::vector<Foot>> found = feet_of(a, points, notes, path);
        if (!found) return found.failure();
        if (refusal) return refusal;
        const std::vector<Foot>& feet = found.value();
        if (feet.empty()) return refused(reading_failure(path, "文件中没有点"));

        Checked<std::unique_ptr<Rows>> opened = open_rows(choice, kInverseHeader);
        if (!opened) return opened.failure();
        Rows& rows = *opened.value();
        std::size_t next = 0;
        files::PointsParser write([&](const files::PointText& p) {
            if (refusal || next >= feet.size()) return;
            refusal =
                write_inverse_point(rows, p.name, points[next].x, points[next].y, a, feet[next], d);
            ++next;
        });
        write.feed(text);
        write.finish();
        if (refusal) return refusal;
        if (auto failed = rows.finish()) return failed;
        notes.print();
        return std::nullopt;
    }

    // CASS and CSV: the reader checks every line before handing over the
    // first point; the points' feet are found and kept (three numbers each),
    // and only when every point has one are the rows written, from a second
    // reading of the same bytes.
    const files::PointFormat format =
        form == PointForm::cass ? files::PointFormat::cass : files::PointFormat::csv;
    std::vector<PointAt> points;
    std::optional<Refusal> refusal;
    std::optional<files::Error> error =
        files::parse_point_file(text, format, [&](const files::PointRecord& p) {
            if ((refusal = check_name(path, p.line, p.name, file_bytes))) return false;
            points.push_back({p.line, p.x, p.y});
            return true;
        });
    if (error) return refused(reading_failure(path, without_mark(error->message)));
    Checked<std::vector<Foot>> found = feet_of(a, points, notes, path);
    if (!found) return found.failure();
    if (refusal) return refusal;
    const std::vector<Foot>& feet = found.value();

    Checked<std::unique_ptr<Rows>> opened = open_rows(choice, kInverseHeader);
    if (!opened) return opened.failure();
    Rows& rows = *opened.value();
    std::size_t next = 0;
    error = files::parse_point_file(text, format, [&](const files::PointRecord& p) {
        refusal = write_inverse_point(rows, p.name, p.x, p.y, a, feet[next++], d);
        return !refusal && next < feet.size();
    });
    if (refusal) return refusal;
    if (error) return refused(reading_failure(path, without_mark(error->message)));
    if (auto failed = rows.finish()) return failed;
    notes.print();
    return std::nullopt;
}

std::optional<Refusal> run_inverse(const Options& o) {
    Checked<OutputChoice> choice = read_output(o);
    if (!choice) return choice.failure();
    const bool points = o.points_option->count() > 0;
    if (!points && o.x_option->count() == 0)
        return refused("请给出点的坐标（--x X --y Y）或点文件（--points FILE）！");
    if (points && is_stdio(o.points) && is_stdio(o.file))
        return refused("线路文件和点文件不能都从标准输入读取！");
    Checked<route::Alignment> loaded = load_alignment(o);
    if (!loaded) return loaded.failure();
    if (points) return run_points_inverse(o, loaded.value(), choice.value());
    return run_single_inverse(o, loaded.value(), choice.value());
}

// ---------------------------------------------------------------------------
// table

// A short text kept with room to spare behind it, so that it goes into a row
// in one move of a fixed length: a table's row is seven such pieces.
class Piece {
  public:
    static constexpr std::size_t kMove = 32;

    explicit Piece(std::size_t room = kNumberRoom) : text_(room + kMove) {}

    // Writes the text with `write(first, last)`, which gives its end (nullptr:
    // no text).
    template <typename Write>
    void make(Write write) {
        char* end = write(text_.data(), text_.data() + (text_.size() - kMove));
        size_ = end == nullptr ? 0 : static_cast<std::size_t>(end - text_.data());
    }

    std::string_view view() const { return {text_.data(), size_}; }
    std::size_t size() const { return size_; }

    // Puts the text at `out`, which has kMove characters of room past it.
    char* put(char* out) const {
        if (size_ <= kMove) {
            std::memcpy(out, text_.data(), kMove);
        } else {
            std::memcpy(out, text_.data(), size_);
        }
        return out + size_;
    }

  private:
    std::vector<char> text_;
    std::size_t size_ = 0;
};

// A text already written in a table block's text, by its place there, so
// that later rows copy it instead of making it again.
class RowText {
  public:
    bool empty() const { return !written_; }

    // Writes the text at `out` (inside `text`) with `write(out)`, which gives
    // its end (nullptr: no text), and keeps its place.
    template <typename Write>
    char* write(const std::string& text, char* out, Write write) {
        char* end = write(out);
        if (end == nullptr) end = out;
        at_ = static_cast<std::size_t>(out - text.data());
        size_ = static_cast<std::size_t>(end - out);
        written_ = true;
        return end;
    }

    // Copies the kept text to `out`, further on in `text` with Piece::kMove
    // characters of room past the copy.
    char* copy(std::string& text, char* out) const {
        const char* from = text.data() + at_;
        // One move of a fixed length where it fits; the two may overlap.
        std::memmove(out, from, size_ <= Piece::kMove ? Piece::kMove : size_);
        return out + size_;
    }

  private:
    std::size_t at_ = 0;
    std::size_t size_ = 0;
    bool written_ = false;
};

// The texts of a table's station, made once for all its offsets: chainage,
// azimuth (kept while it stays the same, as along a straight) and elevation.
class StationTexts {
  public:
    // The azimuth's room holds any packed angle, so it is written in place.
    StationTexts(std::string_view prefix, int decimals)
        : chainage(prefix.size() + kNumberRoom),
          azimuth(2 * kNumberRoom),
          prefix_(prefix),
          d_(decimals) {}

    Piece chainage, azimuth, h;

    void set(const route::TableRow& r) {
        const int d = d_;
        chainage.make([&](char* first, char* last) {
            return route::chainage_chars(first, last, r.chainage, d, prefix_);
        });
        if (!has_azimuth_ || r.azimuth != azimuth_radians_) {
            azimuth.make([&](char* first, char* last) {
                return route::azimuth_chars(first, last, r.azimuth, 2);
            });
            azimuth_radians_ = r.azimuth;
            has_azimuth_ = true;
        }
        h.make([&](char* first, char* last) -> char* {
            if (!r.elevation) return first;
            const auto written = geometry::shown_fixed_chars(first, last, *r.elevation, d);
            return written.ec == std::errc() ? written.ptr : first;
        });
    }

  private:
    std::string_view prefix_;
    int d_;
    double azimuth_radians_ = 0;
    bool has_azimuth_ = false;
};

// The table as CASS points, one stake per row.
std::optional<Refusal> write_cass_table(Rows& rows, const route::Alignment& a,
                                        const route::TableRequest& request, int d) {
    std::size_t index = 0;
    StationTexts station(a.prefix(), d);
    std::optional<Refusal> refusal;
    route::Outcome<route::TableSummary> done =
        route::table(a, request, [&](const route::TableRow& r) {
            if (index++ % request.offsets.size() == 0) station.set(r);
            refusal = rows.point(stake_name(std::string(station.chainage.view()), r.offset),
                                 r.label, fixed(r.x, d), fixed(r.y, d), station.h.view());
            return !refusal;
        });
    if (refusal) return refusal;
    if (!done) return computation_failure(done.failure());
    return rows.finish();
}

std::optional<Refusal> run_table(const Options& o) {
    Checked<OutputChoice> choice = read_output(o);
    if (!choice) return choice.failure();
    route::TableRequest request;
    Checked<double> from = read_station("--from", o.from);
    if (!from) return from.failure();
    Checked<double> to = read_station("--to", o.to);
    if (!to) return to.failure();
    Checked<double> interval = read_number("--interval", o.interval, "间距");
    if (!interval) return interval.failure();
    Checked<std::vector<double>> offsets = read_offsets(o.offsets);
    if (!offsets) return offsets.failure();
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

    Checked<route::Alignment> loaded = load_alignment(o);
    if (!loaded) return loaded.failure();
    const route::Alignment& a = loaded.value();
    const int d = choice.value().decimals;
    constexpr std::string_view kHeader = "station,label,offset,X,Y,azimuth,H";
    if (choice.value().format == Format::cass) {
        // Checks the request without computing any row, so that a refused
        // table writes nothing.
        if (auto refusal = route::table_refusal(a, request)) return computation_failure(*refusal);
        Checked<std::unique_ptr<Rows>> opened = open_rows(choice.value(), kHeader);
        if (!opened) return opened.failure();
        return write_cass_table(*opened.value(), a, request, d);
    }

    // A table of a million rows spends most of its time on text: the rows are
    // computed and written as text a block at a time on every core, and the
    // blocks' texts go out in order.
    const bool crlf = !choice.value().path.empty();
    std::vector<Piece> offset_texts(request.offsets.size());
    for (std::size_t i = 0; i < request.offsets.size(); ++i) {
        offset_texts[i].make([&](char* first, char* last) {
            const auto r = geometry::shown_fixed_chars(first, last, request.offsets[i], d);
            return r.ec == std::errc() ? r.ptr : first;
        });
    }
    const auto format = [&](std::span<const route::TableRow> block, std::string& text) {
        // The text grows by whole rows of room; only what was written is kept.
        std::size_t used = 0;
        text.resize(std::max(text.capacity(), block.size() * 64));
        const std::string_view prefix = a.prefix();
        // A station's chainage, azimuth and elevation are written in its
        // first row and copied from there into the rows of its other offsets;
        // the azimuth also into later stations' rows while it stays the same
        // (as along a straight).
        RowText chainage, azimuth, h;
        double azimuth_radians = 0;
        std::size_t offset_index = 0;
        for (const route::TableRow& r : block) {
            if (offset_index == offset_texts.size()) offset_index = 0;
            const bool station = offset_index == 0;
            const Piece& offset = offset_texts[offset_index++];
            const std::size_t room =
                prefix.size() + r.label.size() + offset.size() + 6 * kNumberRoom + Piece::kMove + 8;
            if (text.size() - used < room) text.resize(2 * text.size() + room);
            char* const row = text.data() + used;
            char* p = row;
            if (station) {
                p = chainage.write(text, p, [&](char* first) {
                    return route::chainage_chars(first, first + prefix.size() + kNumberRoom,
                                                 r.chainage, d, prefix);
                });
            } else {
                p = chainage.copy(text, p);
            }
            *p++ = ',';
            if (!r.label.empty()) p = std::copy(r.label.begin(), r.label.end(), p);
            *p++ = ',';
            p = offset.put(p);
            *p++ = ',';
            p = put_fixed(p, r.x, d);
            *p++ = ',';
            p = put_fixed(p, r.y, d);
            *p++ = ',';
            if (station && (azimuth.empty() || r.azimuth != azimuth_radians)) {
                p = azimuth.write(text, p, [&](char* first) {
                    return route::azimuth_chars(first, first + 2 * kNumberRoom, r.azimuth, 2);
                });
                azimuth_radians = r.azimuth;
            } else {
                p = azimuth.copy(text, p);
            }
            *p++ = ',';
            if (station) {
                p = h.write(text, p, [&](char* first) -> char* {
                    if (!r.elevation) return first;
                    const auto written =
                        geometry::shown_fixed_chars(first, first + kNumberRoom, *r.elevation, d);
                    return written.ec == std::errc() ? written.ptr : first;
                });
            } else {
                p = h.copy(text, p);
            }
            if (crlf) *p++ = '\r';
            *p++ = '\n';
            used += static_cast<std::size_t>(p - row);
        }
        text.resize(used);
    };
    std::optional<Refusal> refusal;
    // The output is opened with the first block: table_text checks the
    // request before it computes any, so a refused table writes nothing.
    std::unique_ptr<Rows> rows;
    const auto open = [&] {
        Checked<std::unique_ptr<Rows>> opened = open_rows(choice.value(), kHeader);
        if (!opened) {
            refusal = opened.failure();
            return false;
        }
        rows = std::move(opened).value();
        return true;
    };
    const auto write = [&](std::string_view text) {
        if (!rows && !open()) return false;
        refusal = rows->lines(text);
        return !refusal;
    };
    const unsigned threads = computing_threads();
    route::Outcome<route::TableSummary> done =
        route::table_text(a, request, threads, format, write);
    if (refusal) return refusal;
    if (!done) return computation_failure(done.failure());
    if (!rows && !open()) return refusal;
    return rows->finish();
}

// ---------------------------------------------------------------------------
// convert

// An alignment by intersection points as the elements it expands into, so the
// Korvane file written defines the same alignment element by element.
route::Definition as_elements(const route::Definition& definition,
                              const route::Alignment& alignment) {
    if (std::holds_alternative<route::ElementsDef>(definition.horizontal)) return definition;
    const auto& p = std::get<route::PointsDef>(definition.horizontal);
    route::ElementsDef e;
    e.start_chainage = p.start_chainage;
    e.start_x = p.start_x;
    e.start_y = p.start_y;
    const auto& segments = alignment.segments();
    e.start_azimuth =
        segments.empty() ? 0 : route::normalize_azimuth(segments.front().start.azimuth);
    for (const route::Segment& s : segments) {
        const auto radius = [](double k) { return k == 0 ? route::kStraight : 1 / k; };
        e.elements.push_back({s.length, radius(s.k_start), radius(s.k_end)});
    }
    route::Definition out = definition;
    out.horizontal = std::move(e);
    return out;
}

std::optional<Refusal> run_convert(const Options& o) {
    bool from_xml = false;
    Checked<route::Definition> definition = load_definition(o.file, o.name, &from_xml);
    if (!definition) return definition.failure();
    route::Outcome<route::Alignment> built = route::Alignment::build(definition.value());
    if (!built) return refused(built.failure().message);

    // The written form follows OUT's name; standard output gets the other form
    // than the one read.
    const bool to_xml = is_stdio(o.out) ? !from_xml : is_xml_name(o.out);
    files::Result<std::string> bytes =
        to_xml ? files::landxml_bytes(definition.value())
               : files::alignment_file_bytes(as_elements(definition.value(), built.value()));
    if (!bytes) {
        const std::string where =
            is_stdio(o.out) ? "无法写入标准输出：" : "无法保存文件“" + o.out + "”：";
        return refused(where + bytes.failure().message);
    }
    if (is_stdio(o.out)) {
        Destination out;
        if (auto failed = out.write(bytes.value())) return failed;
        return out.finish();
    }
    if (auto error = files::replace_file(o.out, bytes.value())) return unreadable(error->message);
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Options

void add_file(CLI::App& cmd, Options& o) {
    cmd.add_option("file", o.file,
                   "线路：Korvane 线路文件，文件名以 .xml 结尾时为 LandXML；- 读标准输入")
        ->type_name("FILE")
        ->required();
    cmd.add_option("--name", o.name, "LandXML 文件含多条线路时所用线路的名称")->type_name("NAME");
}

void add_output(CLI::App& cmd, Options& o, bool with_format) {
    cmd.add_option("--decimals", o.decimals, "输出数字与桩号的小数位数，0到9（默认3）")
        ->type_name("N");
    cmd.add_option("--output", o.output,
                   "把结果写入此文件（代码页936，CR LF），整体替换；- 为标准输出")
        ->type_name("FILE");
    if (with_format) {
        cmd.add_option("--format", o.format, "csv（默认）或 cass：CASS 坐标文件 点名,编码,Y,X,H")
            ->type_name("FORMAT");
    }
}

}  // namespace

RouteCommands::RouteCommands(CLI::App& app) : options_(std::make_unique<Options>()) {
    Options& o = *options_;
    o.route = app.add_subcommand("route", "沿线路计算（直线、圆曲线、缓和曲线、断链、纵断面）");
    o.route->require_subcommand(1);

    o.info = o.route->add_subcommand("info", "主点与线元分界点：label,station,X,Y,azimuth,radius");
    add_file(*o.info, o);
    add_output(*o.info, o, true);

    o.forward = o.route->add_subcommand(
        "forward", "桩号处的坐标X、Y、方位角与高程H：station,offset,X,Y,azimuth,H");
    add_file(*o.forward, o);
    o.forward->add_option("--station", o.station, "桩号，如 K1+234.5 或 1234.5")
        ->type_name("CHAINAGE")
        ->required();
    o.forward->add_option("--offset", o.offset, "偏距P（m），右侧为正（默认0）")->type_name("P");
    o.forward->add_option("--skew", o.skew, "斜交角，d.mmss 格式，自前进方向顺时针量（默认90）")
        ->type_name("A");
    o.forward->add_option("--zone", o.zone, "长链重复的桩号所在的分区1、2、…")->type_name("N");
    add_output(*o.forward, o, true);

    o.inverse =
        o.route->add_subcommand("inverse", "点的桩号、偏距与高程H：name,X,Y,station,offset,H");
    add_file(*o.inverse, o);
    o.x_option = o.inverse->add_option("--x", o.x, "点的坐标X（北坐标，m）")->type_name("X");
    CLI::Option* y = o.inverse->add_option("--y", o.y, "点的坐标Y（东坐标，m）")->type_name("Y");
    o.x_option->needs(y);
    y->needs(o.x_option);
    o.points_option =
        o.inverse
            ->add_option("--points", o.points,
                         "点文件：CASS .dat、表头为 name,X,Y[,H] 的 CSV .csv，或每行 [点名] X Y；"
                         "- 读标准输入")
            ->type_name("FILE");
    o.points_option->excludes(o.x_option)->excludes(y);
    add_output(*o.inverse, o, false);

    o.table = o.route->add_subcommand(
        "table", "从一个桩号到另一桩号的逐桩坐标：station,label,offset,X,Y,azimuth,H");
    add_file(*o.table, o);
    o.table->add_option("--from", o.from, "起始桩号")->type_name("S")->required();
    o.table->add_option("--to", o.to, "终止桩号")->type_name("S")->required();
    o.table->add_option("--interval", o.interval, "整桩间距（m）")->type_name("D")->required();
    o.table->add_option("--offsets", o.offsets, "边桩偏距，以逗号分隔，如 -7.5,0,7.5（默认0）")
        ->type_name("LIST");
    o.table->add_option("--skew", o.skew, "斜交角，d.mmss 格式（默认90）")->type_name("A");
    o.table->add_flag("--no-key-points", o.no_key_points, "不列主点、线元分界点与断链");
    o.table->add_option("--from-zone", o.from_zone, "长链重复 --from 的桩号时其所在分区")
        ->type_name("N");
    o.table->add_option("--to-zone", o.to_zone, "长链重复 --to 的桩号时其所在分区")->type_name("N");
    add_output(*o.table, o, true);

    o.convert = o.route->add_subcommand(
        "convert", "Korvane 线路文件与 LandXML 互转，按 OUT 的扩展名（.xml）；交点法线路写成线元");
    add_file(*o.convert, o);
    o.convert->add_option("out", o.out, "要写入的文件；- 为标准输出")->type_name("OUT")->required();
}

RouteCommands::~RouteCommands() = default;

bool RouteCommands::chosen() const {
    return options_->route->parsed();
}

int RouteCommands::run() const {
    const Options& o = *options_;
    std::optional<Refusal> failed;
    if (o.info->parsed()) {
        failed = run_info(o);
    } else if (o.forward->parsed()) {
        failed = run_forward(o);
    } else if (o.inverse->parsed()) {
        failed = run_inverse(o);
    } else if (o.table->parsed()) {
        failed = run_table(o);
    } else {
        failed = run_convert(o);
    }
    return failed ? report(*failed) : 0;
}

}  // namespace korvane::cli
