// The options of the `route` command of korvane-cli: computations along an
// alignment read from a Korvane alignment file or a LandXML file (run by
// run_route, route_options.h).
//
//     korvane-cli route info FILE
//     korvane-cli route forward FILE --station K1+234.5 [--offset P] [--skew A] [--zone N]
//     korvane-cli route inverse FILE (--x X --y Y | --points FILE)
//     korvane-cli route table FILE --from S --to S --interval D [--offsets -7.5,0,7.5] ...
//     korvane-cli route convert FILE OUT
//
// Results go to standard output as UTF-8 CSV with a header line, or with
// --output FILE to a file in code page 936 with CR LF (--format cass: a CASS
// coordinate file). Every input is checked before the first byte is written;
// the rows then stream out in pieces. Exit status 0, 1 for a file or stream
// that cannot be read or written, 2 for refused input (usage errors included),
// and on failure nothing on standard output.
#pragma once

#include <memory>

#include "cli/output.h"

namespace CLI {
class App;
}

namespace korvane::cli {

class RouteCommands {
  public:
    // Adds `route` and its commands to the program's command line.
    explicit RouteCommands(CLI::App& app);
    ~RouteCommands();
    RouteCommands(const RouteCommands&) = delete;
    RouteCommands& operator=(const RouteCommands&) = delete;

    // True when the command line chose a route command.
    bool chosen() const;

    // Runs the chosen route command.
    Done run() const;

    struct Options;

  private:
    std::unique_ptr<Options> options_;
};

}  // namespace korvane::cli
