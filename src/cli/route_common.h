// What the route commands share: reading the alignment and the options they
// have in common, refusing an output that is an input, and the rows on their
// way out through the files layer's route output. Internal to the command
// line.
#pragma once

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "cli/output.h"
#include "cli/route_options.h"
#include "files/error.h"
#include "files/route_output.h"
#include "route/alignment.h"
#include "route/definition.h"

namespace korvane::cli::route_detail {

// The message of a failure without its closing "！"; a path as messages name it.
std::string without_mark(std::string message);
std::string where_of(const std::string& path);

// A file that cannot be opened is a file failure (status 1); warnings go to
// standard error as 警告：….
Done probe(const std::string& path);
void warn(const files::Warnings& warnings);

// The alignment of a command: a Korvane file or LandXML (--name), read and
// built; refused input names its row.
Checked<route::Definition> load_definition(const std::string& path, const std::string& name,
                                           bool* was_xml = nullptr);
Checked<route::Alignment> load_alignment(const RouteOptions& o);

// Options read as the commands share them, each refusal naming its option.
std::string option_failure(std::string_view option, std::string_view message);
Checked<int> read_decimals(const std::string& text);
Checked<int> read_zone(std::string_view option, const std::string& text);
Checked<double> read_number(std::string_view option, std::string_view text, std::string_view what);
Checked<double> read_station(std::string_view option, const std::string& text);
Done check_prefix(std::string_view option, const std::string& text, const route::Alignment& a);
Checked<double> read_skew(const std::string& text);
Refusal computation_failure(const route::Failure& f);

// An output that is one of the inputs, refused naming both.
Done check_not_an_input(const std::string& output, std::initializer_list<std::string> inputs);

struct OutputChoice {
    int decimals = 3;
    files::RouteFormat format = files::RouteFormat::csv;
    files::PointNames names = files::PointNames::chinese;
    std::string path;  // empty: standard output as UTF-8 CSV
};

Checked<OutputChoice> read_output(const RouteOptions& o);
Done check_ascii_labels(const OutputChoice& c, const route::Alignment& a);

// A command's rows on their way to the destination: CSV (UTF-8 with LF on
// standard output, code page 936 with CR LF in a file) or a CASS file.
class Rows {
  public:
    // Opened once every input has been checked.
    static Checked<std::unique_ptr<Rows>> open(const OutputChoice& c, files::RouteRows kind) {
        Checked<Destination> d = Destination::open(c.path);
        if (!d) return d.failure();
        return std::unique_ptr<Rows>(new Rows(std::move(d).value(), c, kind));
    }

    files::RouteOutput& out() { return out_; }

    // A writer's failure as the command's: the file or stream could not be written.
    static Done written(std::optional<files::Error> error) {
        if (error) return unreadable(std::move(error->message));
        return std::nullopt;
    }

    Done finish() {
        if (Done failed = written(out_.finish())) return failed;
        return destination_.finish();
    }

  private:
    Rows(Destination destination, const OutputChoice& c, files::RouteRows kind)
        : destination_(std::move(destination)),
          out_(kind, c.format, c.path.empty() ? files::RouteBytes::utf8 : files::RouteBytes::cp936,
               c.decimals, destination_.sink(), c.names) {}

    Destination destination_;
    files::RouteOutput out_;
};

}  // namespace korvane::cli::route_detail
