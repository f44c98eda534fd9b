// The straight-line commands of korvane-cli: forward, inverse, batch and line.
//
// Every option value is taken as the text of the window field it stands for,
// so every check, message and number text is the window's own. Results go to
// standard output as UTF-8; on any failure nothing at all is written there.
#pragma once

#include <memory>

#include "cli/output.h"

namespace CLI {
class App;
}

namespace korvane::cli {

class LineCommands {
  public:
    // Adds the commands to the program's command line.
    explicit LineCommands(CLI::App& app);
    ~LineCommands();
    LineCommands(const LineCommands&) = delete;
    LineCommands& operator=(const LineCommands&) = delete;

    // True when the command line chose one of them.
    bool chosen() const;

    // Runs the chosen command.
    Done run() const;

    struct Options;

  private:
    std::unique_ptr<Options> options_;
};

}  // namespace korvane::cli
