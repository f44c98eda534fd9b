// The command line's own language: korvane-cli's help texts and usage errors
// in simplified Chinese, the option names staying as they are typed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace CLI {
class App;
class ParseError;
}  // namespace CLI

namespace korvane::cli {

// Gives `app` the Chinese help layout: the labels of the usage line and of the
// option and command groups. Called on the program's App before any option or
// command is added, so that every command inherits the layout and the help
// flag's description.
void use_chinese_help(CLI::App& app);

// Puts every option and command of `app`, down through all its commands, into
// the Chinese-named groups. Called once everything has been added.
void name_groups(CLI::App& app);

// The message for a command line that CLI11 refused, naming the option, and a
// second line pointing to the help of the command being parsed, e.g.
// "请给出选项--station！\n用法见 korvane-cli route forward --help。".
std::string usage_message(const CLI::ParseError& error, const CLI::App& app);

// The number of terminal columns `text` (UTF-8) takes: two for the wide
// characters of East Asian scripts and full-width forms, one for the rest.
std::size_t display_width(std::string_view text);

}  // namespace korvane::cli
