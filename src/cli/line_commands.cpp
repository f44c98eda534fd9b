#include "cli/line_commands.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "files/batch_output.h"
#include "files/line_file.h"
#include "files/point_file.h"
#include "files/points_text.h"
#include "files/report_file.h"
#include "form/computations.h"
#include "form/fields.h"

namespace korvane::cli {
namespace {

using form::Field;
using form::FieldTexts;

// What a points line that is not a point is told, after "此行" (this line) or
// "另有N行" (N more lines).
constexpr std::string_view kNotAPoint = "不是“[点名] X Y”两个坐标数字！";

// What a command writes on standard output, in pieces (a long result grows
// without copying what it already holds).
using Output = std::vector<std::string>;
using Reply = Checked<Output>;

Refusal failure(int status, std::string message) {
    return {status, std::move(message)};
}
Refusal invalid(const form::Failure& f) {
    return refused(f.message);
}
Refusal file_error(const files::Error& e) {
    return unreadable(e.message);
}

// The field texts one command reads, filled by its options. A field whose
// option is left out stays empty, as an empty field of the window.
class FieldOptions {
  public:
    // `value` names the value in the help: "--k <桩号>".
    CLI::Option* add(CLI::App& cmd, const std::string& name, Field field, const std::string& help,
                     const std::string& value) {
        return cmd.add_option(name, texts_[static_cast<std::size_t>(field) - 1], help)
            ->type_name(value);
    }

    FieldTexts texts() const {
        FieldTexts fields;
        for (int i = 1; i <= form::kFieldCount; ++i) {
            auto field = static_cast<Field>(i);
            fields.set(field, texts_[static_cast<std::size_t>(i) - 1]);
        }
        return fields;
    }

  private:
    std::array<std::string, form::kFieldCount> texts_;
};

// The options of a computation: its field texts, the line parameters among
// them either typed or read from a line-parameter file (--line).
struct Computation {
    FieldOptions fields;
    std::string line_file;
    CLI::Option* line_option = nullptr;
};

std::vector<CLI::Option*> add_line_parameters(CLI::App& cmd, FieldOptions& fields) {
    struct Parameter {
        const char* name;
        Field field;
        const char* help;
        const char* value;
    };
    const Parameter options[] = {
        {"--k0", Field::Text1, "直线起点桩号K0（m）", "桩号"},
        {"--x0", Field::Text2, "直线起点坐标X0（北坐标，m）", "坐标"},
        {"--y0", Field::Text3, "直线起点坐标Y0（东坐标，m）", "坐标"},
        {"--azimuth", Field::Text4, "直线方位角，d.mmss 格式（15.152555 即 15°15′25.55″）", "角度"},
    };
    std::vector<CLI::Option*> added;
    added.reserve(std::size(options));
    for (const Parameter& p : options)
        added.push_back(fields.add(cmd, p.name, p.field, p.help, p.value));
    return added;
}

void add_line_options(CLI::App& cmd, Computation& c) {
    std::vector<CLI::Option*> parameters = add_line_parameters(cmd, c.fields);
    c.line_option = cmd.add_option("--line", c.line_file, "改从线参数文件读取K0、X0、Y0与方位角")
                        ->type_name("线参数文件");
    for (CLI::Option* option : parameters) c.line_option->excludes(option);
}

void add_offset_options(CLI::App& cmd, FieldOptions& fields) {
    fields.add(cmd, "--offset", Field::Text6, "偏距P（m），线路右侧为正；须与 --skew 同时给出",
               "偏距");
    fields.add(cmd, "--skew", Field::Text7, "斜交角，d.mmss 格式，自线路方向顺时针量（90 为正交）",
               "角度");
}

// The field texts of a command, with Text1..Text4 taken from the line file when
// one is named, as the window's import puts them into the fields.
std::optional<Refusal> gather(const Computation& c, FieldTexts& fields) {
    fields = c.fields.texts();
    if (c.line_option->count() == 0) return std::nullopt;
    files::Result<files::LineParameters> read = files::read_line_file(c.line_file);
    if (!read) return file_error(read.failure());
    files::put_line_parameters(read.value(), fields);
    return std::nullopt;
}

Reply run_forward(const Computation& c) {
    FieldTexts fields;
    if (auto failed = gather(c, fields)) return *failed;
    form::Outcome<form::ForwardResult> result = form::forward(fields);
    if (!result) return invalid(result.failure());
    return Output{result.value().x + '\t' + result.value().y + '\n'};
}

Reply run_inverse(const Computation& c) {
    FieldTexts fields;
    if (auto failed = gather(c, fields)) return *failed;
    form::Outcome<form::InverseResult> result = form::inverse(fields);
    if (!result) return invalid(result.failure());
    return Output{result.value().k + '\t' + result.value().p + '\n'};
}

// Text built in pieces of about 1 MiB: a long result grows without copying
// what it already holds, so it takes little more memory than its own length.
class PieceText {
  public:
    void append(std::string_view text) {
        if (pieces_.empty() || pieces_.back().size() + text.size() > kPiece) {
            pieces_.emplace_back();
            pieces_.back().reserve(std::max(kPiece, text.size()));
        }
        pieces_.back().append(text);
    }
    std::vector<std::string> take() { return std::move(pieces_); }

  private:
    static constexpr std::size_t kPiece = std::size_t{1} << 20;
    std::vector<std::string> pieces_;
};

// Inverse of every point of a points file. The whole file is checked, and every
// point computed, before anything is written. The file is read in a stream:
// only the output is held, and nothing at all once a line has proved bad.
Reply run_points(const Computation& c, const std::string& path) {
    FieldTexts fields;
    if (auto failed = gather(c, fields)) return *failed;

    PieceText out;
    out.append("name,X,Y,K,P\n");
    std::optional<Refusal> point_failure;  // the first point that cannot be computed
    std::string row;
    files::PointsParser parser([&](const files::PointText& point) {
        if (point_failure) return;
        fields.set(Field::Text8, std::string(point.x));
        fields.set(Field::Text9, std::string(point.y));
        form::Outcome<form::InverseResult> result = form::inverse(fields);
        if (!result) {
            const form::Failure& f = result.failure();
            bool at_point = f.focus == Field::Text8 || f.focus == Field::Text9;
            point_failure = failure(
                kExitInvalidInput,
                at_point ? path + ':' + std::to_string(point.line) + ": " + f.message : f.message);
            return;
        }
        row.clear();
        files::append_csv_field(row, point.name, files::CsvQuoting::quotes_only);
        row += ',';
        row += point.x;
        row += ',';
        row += point.y;
        row += ',';
        row += result.value().k;
        row += ',';
        row += result.value().p;
        row += '\n';
        out.append(row);
    });
    if (auto error = files::read_points_text(path, parser)) return file_error(*error);

    const files::PointsCheck& check = parser.check();
    // Names go to stdout unchanged, so they must already be UTF-8. Text in code
    // page 936 cannot be told from UTF-8 reliably (many short names are valid
    // in both), so it is refused rather than guessed at.
    if (!check.utf8) return failure(kExitInvalidInput, path + ": 点文件须为 UTF-8 文本！");
    if (check.bad_count > 0) {
        std::string message;
        for (std::size_t number : check.bad_lines) {
            if (!message.empty()) message += '\n';
            message += path + ':' + std::to_string(number) + ": 此行" + std::string(kNotAPoint);
        }
        if (check.bad_count > check.bad_lines.size()) {
            message += '\n' + path + ": 另有" +
                       std::to_string(check.bad_count - check.bad_lines.size()) + "行" +
                       std::string(kNotAPoint);
        }
        return failure(kExitInvalidInput, std::move(message));
    }
    if (point_failure) return *point_failure;
    return out.take();
}

// How a batch is delivered: printed in one of the writers' formats, or the
// table text framed as the report file.
enum class BatchOutput { Print, Report };

Reply run_batch(const Computation& c, BatchOutput output, const files::BatchWriter& writer,
                const std::string& report) {
    FieldTexts fields;
    if (auto failed = gather(c, fields)) return *failed;
    form::Outcome<std::string> text = files::batch_output(fields, writer);
    if (!text) return invalid(text.failure());
    if (output == BatchOutput::Print) return Output{std::move(text).value()};
    if (auto error = files::write_report_file(report, text.value())) return file_error(*error);
    return Output{};
}

Reply run_line_export(const FieldOptions& options, const std::string& path) {
    const files::LineParameters texts = files::line_parameters_of(options.texts());
    if (auto error = files::write_line_file(path, texts)) return file_error(*error);
    return Output{};
}

Reply run_line_import(const std::string& path) {
    files::Result<files::LineParameters> read = files::read_line_file(path);
    if (!read) return file_error(read.failure());
    std::string out;
    for (const auto& [field, text] : files::line_parameter_fields(read.value())) {
        out.append(text).append("\n");
    }
    return Output{std::move(out)};
}

}  // namespace

struct LineCommands::Options {
    CLI::App* forward = nullptr;
    Computation forward_options;
    CLI::App* inverse = nullptr;
    Computation inverse_options;
    std::string points;
    CLI::Option* points_option = nullptr;
    CLI::App* batch = nullptr;
    Computation batch_options;
    std::string report;
    CLI::Option* report_option = nullptr;
    bool csv_flag = false;
    bool cass_flag = false;
    CLI::App* line_export = nullptr;
    std::string export_path;
    FieldOptions export_fields;
    CLI::App* line_import = nullptr;
    std::string import_path;
};

LineCommands::LineCommands(CLI::App& app) : options_(std::make_unique<Options>()) {
    Options& o = *options_;
    CLI::App*& forward = o.forward;
    forward = app.add_subcommand("forward", "坐标正算：桩号K处按偏距P与斜交角放出的点的坐标X、Y");
    Computation& forward_options = o.forward_options;
    add_line_options(*forward, forward_options);
    forward_options.fields.add(*forward, "--k", Field::Text5, "计算桩号K（m）", "桩号");
    add_offset_options(*forward, forward_options.fields);

    CLI::App*& inverse = o.inverse;
    inverse = app.add_subcommand("inverse", "坐标反算：点X、Y或点文件中每一点的桩号K与偏距P");
    Computation& inverse_options = o.inverse_options;
    add_line_options(*inverse, inverse_options);
    FieldOptions& inverse_fields = inverse_options.fields;
    CLI::Option* x =
        inverse_fields.add(*inverse, "--x", Field::Text8, "点的坐标X（北坐标，m）", "坐标");
    CLI::Option* y =
        inverse_fields.add(*inverse, "--y", Field::Text9, "点的坐标Y（东坐标，m）", "坐标");
    o.points_option = inverse
                          ->add_option("--points", o.points,
                                       "点文件，每行一点：[点名] X Y，以逗号、制表符或空格分隔；"
                                       "输出 CSV 列 name,X,Y,K,P")
                          ->type_name("点文件");
    o.points_option->excludes(x)->excludes(y);

    CLI::App*& batch = o.batch;
    batch = app.add_subcommand("batch", "连续计算：从起算桩号到止算桩号按等步长列出各点");
    Computation& batch_options = o.batch_options;
    add_line_options(*batch, batch_options);
    FieldOptions& batch_fields = batch_options.fields;
    batch_fields.add(*batch, "--start", Field::Text15, "起算桩号（m）", "桩号");
    batch_fields.add(*batch, "--end", Field::Text16, "止算桩号（m）", "桩号");
    batch_fields.add(*batch, "--step", Field::Text17, "计算步长（m）", "步长");
    add_offset_options(*batch, batch_fields);
    o.report_option = batch->add_option("--report", o.report, "把成果写入成果文件，不显示")
                          ->type_name("成果文件");
    CLI::Option* csv = batch->add_flag("--csv", o.csv_flag, "以 CSV 显示：每点一行 K,P,X,Y");
    CLI::Option* cass =
        batch->add_flag("--cass", o.cass_flag, "以 CASS 坐标数据显示：每点 N,,Y,X,0");
    o.report_option->excludes(csv)->excludes(cass);
    csv->excludes(cass);

    CLI::App* line = app.add_subcommand("line", "线参数文件的导出与导入");
    line->require_subcommand(1);
    o.line_export = line->add_subcommand("export", "把K0、X0、Y0与方位角按输入原样写入线参数文件");
    o.line_export->add_option("file", o.export_path, "要写入的线参数文件")
        ->type_name("线参数文件")
        ->required();
    add_line_parameters(*o.line_export, o.export_fields);
    o.line_import = line->add_subcommand("import", "逐行显示线参数文件给出的四个字段文本");
    o.line_import->add_option("file", o.import_path, "要读取的线参数文件")
        ->type_name("线参数文件")
        ->required();
}

LineCommands::~LineCommands() = default;

bool LineCommands::chosen() const {
    const Options& o = *options_;
    return o.forward->parsed() || o.inverse->parsed() || o.batch->parsed() ||
           o.line_export->parsed() || o.line_import->parsed();
}

Done LineCommands::run() const {
    const Options& o = *options_;
    Reply reply = Output{};
    if (o.forward->parsed()) {
        reply = run_forward(o.forward_options);
    } else if (o.inverse->parsed()) {
        reply = o.points_option->count() > 0 ? run_points(o.inverse_options, o.points)
                                             : run_inverse(o.inverse_options);
    } else if (o.batch->parsed()) {
        const BatchOutput output =
            o.report_option->count() > 0 ? BatchOutput::Report : BatchOutput::Print;
        const files::BatchWriter& writer = o.csv_flag    ? files::kBatchCsv
                                           : o.cass_flag ? files::kBatchCass
                                                         : files::kBatchTable;
        reply = run_batch(o.batch_options, output, writer, o.report);
    } else if (o.line_export->parsed()) {
        reply = run_line_export(o.export_fields, o.export_path);
    } else {
        reply = run_line_import(o.import_path);
    }
    if (!reply) return reply.failure();
    // Standard output's bytes unchanged (the batch table keeps its CR LF).
    for (const std::string& piece : reply.value()) {
        if (Done failed = write_stdout(piece)) return failed;
    }
    return flush_stdout();
}

}  // namespace korvane::cli
