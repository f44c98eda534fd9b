// The commands of korvane-cli: forward, inverse, batch and line.
//
// Every option value is taken as the text of the window field it stands for,
// so every check, message and number text is the window's own. Results go to
// standard output as UTF-8; on any failure nothing at all is written there.
#pragma once

namespace korvane::cli {

// Exit statuses besides 0. A command line that cannot be parsed is refused
// input like a failed check: its message and a pointer to --help, status 2.
inline constexpr int kExitFileError = 1;              // a file could not be read or written
inline constexpr int kExitInvalidInput = 2;           // a check of the computation failed
inline constexpr int kExitUsage = kExitInvalidInput;  // an option missing, unknown or misused

// Parses the arguments, runs the chosen command and returns the exit status.
int run(int argc, const char* const* argv);

}  // namespace korvane::cli
