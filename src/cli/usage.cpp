#include "cli/usage.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

namespace korvane::cli {
namespace {

constexpr const char* kOptionsGroup = "选项";
constexpr const char* kCommandsGroup = "命令";

bool wide(std::uint32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

std::string cat(std::initializer_list<std::string_view> pieces) {
    std::string s;
    for (std::string_view p : pieces) s.append(p);
    return s;
}

// CLI11 pads the left column by bytes, which puts a description after a
// Chinese label two columns early for every character; this pads by columns.
std::string two_columns(const std::string& left, const std::string& description,
                        std::size_t width) {
    std::string out = "  ";
    out += left;
    std::size_t used = display_width(out);
    if (!description.empty()) {
        if (used >= width) {
            out += '\n';
            used = 0;
        }
        out.append(width - used, ' ');
        for (char c : description) {
            out += c;
            if (c == '\n') out.append(width, ' ');
        }
    }
    out += '\n';
    return out;
}

class ChineseFormatter : public CLI::Formatter {
  public:
    // CLI11 ends the usage word and the group names with an ASCII colon.
    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override {
        std::string help = CLI::Formatter::make_help(app, std::move(name), mode);
        for (const char* label : {"用法", kOptionsGroup, kCommandsGroup, "参数"}) {
            const std::string ascii = std::string(label) + ':';
            for (std::size_t at = help.find(ascii); at != std::string::npos;
                 at = help.find(ascii, at)) {
                if (at > 0 && help[at - 1] != '\n') {
                    at += ascii.size();
                    continue;
                }
                help.replace(at, ascii.size(), std::string(label) + "：");
            }
        }
        // "用法：korvane-cli", with no space after the full-width colon.
        if (help.find("用法： ") != std::string::npos) help.erase(help.find("用法： ") + 9, 1);
        return help;
    }
    // "--station <桩号>": the value's Chinese name in angle brackets; whether
    // the option is needed and how it goes with others is said in Chinese in
    // its description, not in CLI11's English-shaped labels.
    std::string make_option_opts(const CLI::Option* opt) const override {
        if (opt->get_type_size() == 0 || opt->get_type_name().empty()) return {};
        return cat({" <", opt->get_type_name(), ">"});
    }
    // A positional argument by its value's name: "<线路文件>".
    std::string make_option_name(const CLI::Option* opt, bool is_positional) const override {
        if (is_positional) return cat({"<", opt->get_type_name(), ">"});
        return CLI::Formatter::make_option_name(opt, is_positional);
    }
    std::string make_option_desc(const CLI::Option* opt) const override {
        std::string desc = opt->get_required() ? "（必需）" : "";
        desc += opt->get_description();
        const auto names = [](const std::set<CLI::Option*>& options) {
            std::string list;
            for (const CLI::Option* o : options) {
                if (!list.empty()) list += "、";
                list += o->get_name();
            }
            return list;
        };
        if (!opt->get_needs().empty()) {
            desc += "；须与 ";
            desc += names(opt->get_needs());
            desc += " 同时给出";
        }
        if (!opt->get_excludes().empty()) {
            desc += "；不能与 ";
            desc += names(opt->get_excludes());
            desc += " 同时给出";
        }
        return desc;
    }
    std::string make_option(const CLI::Option* opt, bool is_positional) const override {
        const std::string left = is_positional
                                     ? make_option_name(opt, true)
                                     : make_option_name(opt, false) + make_option_opts(opt);
        return two_columns(left, make_option_desc(opt), get_column_width());
    }
    std::string make_subcommand(const CLI::App* sub) const override {
        return two_columns(sub->get_display_name(true), sub->get_description(), get_column_width());
    }
};

// The text after the last ": " of a CLI11 message, or after `prefix`.
std::string_view after(std::string_view text, std::string_view prefix) {
    std::size_t at = text.find(prefix);
    return at == std::string_view::npos ? std::string_view{} : text.substr(at + prefix.size());
}

std::string_view before(std::string_view text, std::string_view suffix) {
    std::size_t at = text.find(suffix);
    return at == std::string_view::npos ? text : text.substr(0, at);
}

bool ends_with(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// "选项--k0" for an option, "参数<线路文件>" for a positional argument (as
// the help shows it).
std::string named(std::string_view name, const CLI::App& app) {
    if (name.substr(0, 1) == "-") return cat({"选项", name});
    const CLI::Option* option = app.get_option_no_throw(std::string(name));
    if (option == nullptr || option->get_type_name().empty()) return cat({"参数", name});
    return cat({"参数<", option->get_type_name(), ">"});
}

// The commands being parsed when CLI11 stopped, from the program down.
std::vector<const CLI::App*> parsed_path(const CLI::App& app) {
    std::vector<const CLI::App*> path{&app};
    for (bool deeper = true; deeper;) {
        deeper = false;
        for (const CLI::App* sub : path.back()->get_subcommands({})) {
            if (sub->parsed()) {
                path.push_back(sub);
                deeper = true;
                break;
            }
        }
    }
    return path;
}

std::string subcommand_list(const CLI::App& app) {
    std::string list;
    for (const CLI::App* sub : app.get_subcommands({})) {
        if (!list.empty()) list += "、";
        list += sub->get_name();
    }
    return list;
}

// The kind of refusal; CLI11 names some of its errors after the command.
template <typename Kind>
bool is(const CLI::ParseError& error) {
    return dynamic_cast<const Kind*>(&error) != nullptr;
}

// CLI11 lists the arguments it did not expect last first; they are named in
// the order they were typed.
std::string in_typed_order(std::string_view reversed) {
    std::vector<std::string_view> words;
    for (std::size_t at = 0; at <= reversed.size();) {
        std::size_t end = reversed.find(' ', at);
        if (end == std::string_view::npos) end = reversed.size();
        words.push_back(reversed.substr(at, end - at));
        at = end + 1;
    }
    std::string typed;
    while (!words.empty()) {
        if (!typed.empty()) typed += ' ';
        typed.append(words.back());
        words.pop_back();
    }
    return typed;
}

std::string message_of(const CLI::ParseError& error, const CLI::App& innermost) {
    const std::string_view what = error.what();
    if (is<CLI::RequiredError>(error)) {
        if (what == "A subcommand is required") {
            // A word that is no command of this one is named, not taken
            // for a command left out.
            const std::vector<std::string> rest = innermost.remaining();
            if (!rest.empty() && rest.front().substr(0, 1) == "-")
                return cat({"无法识别的参数：", rest.front(), "！"});
            if (!rest.empty()) {
                return cat({"无法识别的命令“", rest.front(), "”（可用的命令：",
                            subcommand_list(innermost), "）！"});
            }
            return cat({"请给出命令（", subcommand_list(innermost), "）！"});
        }
        if (ends_with(what, " is required")) {
            return cat({"请给出", named(before(what, " is required"), innermost), "！"});
        }
    } else if (is<CLI::ExcludesError>(error)) {
        std::string_view first = before(what, " excludes ");
        std::string_view second = after(what, " excludes ");
        if (!second.empty()) return cat({first, "与", second, "不能同时给出！"});
    } else if (is<CLI::RequiresError>(error)) {
        std::string_view first = before(what, " requires ");
        std::string_view second = after(what, " requires ");
        if (!second.empty()) return cat({first, "须与", second, "同时给出！"});
    } else if (is<CLI::ExtrasError>(error)) {
        std::string_view extras = after(what, "expected: ");
        if (!extras.empty()) return cat({"无法识别的参数：", in_typed_order(extras), "！"});
    } else if (is<CLI::ArgumentMismatch>(error)) {
        std::string_view name = before(what, ": ");
        if (ends_with(what, " missing")) return cat({named(name, innermost), "缺少取值！"});
        if (!after(what, ": At Most 1 required").empty()) {
            return cat({named(name, innermost), "只能给出一次！"});
        }
        if (ends_with(what, " was given a disallowed flag override")) {
            return cat({named(before(what, " was given"), innermost), "不取值！"});
        }
        if (what.substr(0, 9) == "Expected ") {
            return cat({named(before(after(what, " arguments to "), ", got"), innermost),
                        "的取值个数不对！"});
        }
        return cat({named(name, innermost), "的取值个数不对！"});
    } else if (is<CLI::ConversionError>(error)) {
        std::string_view converted = after(what, "Could not convert: ");
        if (!converted.empty()) {
            return cat({named(before(converted, " = "), innermost), "的取值“",
                        after(converted, " = "), "”无法识别！"});
        }
        if (ends_with(what, ": too many inputs for a flag") ||
            ends_with(what, ": Should be true/false or a number")) {
            return cat({named(before(what, ": "), innermost), "不取值！"});
        }
    } else if (is<CLI::ValidationError>(error)) {
        return cat({named(before(what, ": "), innermost), "的取值不合要求！"});
    }
    // A refusal this program's options cannot give rise to; its own words are
    // kept rather than a guess.
    return cat({"命令行无法识别（", what, "）！"});
}

}  // namespace

void use_chinese_help(CLI::App& app) {
    auto formatter = std::make_shared<ChineseFormatter>();
    formatter->label("Usage", "用法");
    formatter->label("OPTIONS", "选项");
    formatter->label("SUBCOMMAND", "命令");
    formatter->label("SUBCOMMANDS", "命令");
    formatter->label("Positionals", "参数");
    app.formatter(formatter);
    app.set_help_flag("-h,--help", "显示本帮助并退出");
}

void name_groups(CLI::App& app) {
    for (CLI::Option* option : app.get_options()) {
        if (!option->get_group().empty()) option->group(kOptionsGroup);
    }
    for (CLI::App* sub : app.get_subcommands({})) {
        sub->group(kCommandsGroup);
        name_groups(*sub);
    }
}

std::string usage_message(const CLI::ParseError& error, const CLI::App& app) {
    std::vector<const CLI::App*> path = parsed_path(app);
    std::string command;
    for (const CLI::App* step : path) {
        if (!command.empty()) command += ' ';
        command += step->get_name();
    }
    std::string message = message_of(error, *path.back());
    message.append("\n用法见 ").append(command).append(" --help。");
    return message;
}

std::size_t display_width(std::string_view text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        std::uint32_t c = length == 1   ? lead
                          : length == 2 ? lead & 0x1Fu
                          : length == 3 ? lead & 0x0Fu
                                        : lead & 0x07u;
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
        }
        width += wide(c) ? 2 : 1;
        i += length;
    }
    return width;
}

}  // namespace korvane::cli
