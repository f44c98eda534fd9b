#include "cli/cli.h"

#include <cstdio>
#include <iostream>
#include <new>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/line_commands.h"
#include "cli/output.h"
#include "cli/route_commands.h"
#include "cli/usage.h"
#include "files/startup.h"
#include "korvane/version.h"

namespace korvane::cli {
namespace {

// CLI11's own output (help and usage errors) goes through std::cout and
// std::cerr; a help text that did not reach its reader is a failure too.
int finish_parse_exit(int status) {
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        report(unreadable(std::string(kStdoutFailed)));
        return status == 0 ? kExitFileError : status;
    }
    return status;
}

int run_command(int argc, const char* const* argv) {
    CLI::App app{"Korvane 命令行：直线与线路的坐标正算、反算、连续计算及其文件", "korvane-cli"};
    use_chinese_help(app);
    app.require_subcommand(1);
    // Options are "--name" on every system; CLI11 would also take "/name" on
    // Windows, where a path such as "/data/line.csv" would then be read as an
    // option. Set before the commands are added, which inherit it.
    app.allow_windows_style_options(false);
    // "--version" prints "Korvane 1.2" and a line feed, and exits 0.
    app.set_version_flag("--version", std::string("Korvane ") + korvane::kVersion,
                         "显示版本号并退出");

    LineCommands line(app);
    RouteCommands route(app);
    name_groups(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end the parse too, with status 0.
        if (e.get_exit_code() == 0) return finish_parse_exit(app.exit(e));
        const std::string message = usage_message(e, app);
        std::fwrite(message.data(), 1, message.size(), stderr);
        std::fputc('\n', stderr);
        return kExitUsage;
    }
    if (route.chosen()) return report(route.run());
    return report(line.run());
}

}  // namespace

int run(int argc, const char* const* argv) {
    // Whatever runs out of memory (a huge points file, a long table) ends the
    // command with a message, not with an abort.
    try {
        return run_command(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs(files::kOutOfMemory.data(), stderr);
        std::fputc('\n', stderr);
        return kExitFileError;
    }
}

}  // namespace korvane::cli
