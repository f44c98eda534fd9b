// What every command of korvane-cli ends with, the straight-line and route
// commands alike: success, with its output on standard output, or a refusal,
// with its exit status and the one message on standard error (nothing on
// standard output then).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "files/point_file.h"
#include "files/safe_write.h"
#include "geometry/outcome.h"

namespace korvane::cli {

// Exit statuses besides 0. A command line that cannot be parsed is refused
// input like a failed check: its message and a pointer to --help, status 2.
inline constexpr int kExitFileError = 1;              // a file could not be read or written
inline constexpr int kExitInvalidInput = 2;           // a check of the computation failed
inline constexpr int kExitUsage = kExitInvalidInput;  // an option missing, unknown or misused

// A command that cannot go on: its exit status and the message for stderr.
struct Refusal {
    int status = kExitInvalidInput;
    std::string message;
};

// Refused input (status 2) and a file or stream that cannot be read or
// written (status 1).
Refusal refused(std::string message);
Refusal unreadable(std::string message);

template <class T>
using Checked = korvane::Outcome<T, Refusal>;

// How a command ended: nothing for success, else its refusal.
using Done = std::optional<Refusal>;

// The message of a failed write to standard output.
inline constexpr std::string_view kStdoutFailed = "无法写入标准输出！";

// The bytes on standard output (binary on every system).
Done write_stdout(std::string_view bytes);
// Standard output flushed; a failure to write it shows here at the latest.
Done flush_stdout();

// The exit status of `done`, its message on standard error.
int report(const Done& done);

// True for the path "-": standard input or output.
bool is_stdio(std::string_view path);

// All of standard input, at most `max_bytes` (more is refused, naming the limit).
Checked<std::string> read_stdin(std::size_t max_bytes);

// Where a command's bytes go: standard output, or a file replaced whole when
// finished (a failure before then leaves the file as it was).
class Destination {
  public:
    // Standard output for an empty path or "-".
    static Checked<Destination> open(const std::string& path);

    Done write(std::string_view bytes);
    Done finish();
    // The bytes' sink for the files writers; a failure is a file error.
    files::ByteSink sink();

  private:
    std::optional<files::SafeFileWriter> file_;
};

}  // namespace korvane::cli
