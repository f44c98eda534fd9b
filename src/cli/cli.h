// korvane-cli: the straight-line commands (forward, inverse, batch, line;
// line_commands.h) and the route commands (route_commands.h). Exit statuses:
// output.h.
#pragma once

#include "cli/output.h"

namespace korvane::cli {

// Parses the arguments, runs the chosen command and returns the exit status.
int run(int argc, const char* const* argv);

}  // namespace korvane::cli
