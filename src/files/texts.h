// Failure texts shared by the data-file code (internal to the library).
//
// Every message the library returns has one shape: what failed and on which
// path, then the cause, then "！":
//     无法保存文件“/home/a/线路.txt”：文件夹“/home/a”不存在！
// The causes are built here once, so all messages read alike.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "error.h"

namespace korvane::files::detail {

// A text in Chinese quotes: “text”.
inline std::string in_quotes(std::string_view text) {
    std::string out = "“";
    out += text;
    out += "”";
    return out;
}

// A message without its closing "！", to be put inside another message.
inline std::string without_mark(std::string message) {
    constexpr std::string_view mark = "！";
    if (std::string_view(message).ends_with(mark)) message.resize(message.size() - mark.size());
    return message;
}

// The path as the user would type it, in UTF-8.
std::string display_path(const std::filesystem::path& path);

// "无法保存文件“path”：cause！"
Error save_failure(const std::filesystem::path& path, std::string_view cause);

// "无法读取文件“path”：cause！"
Error read_failure(const std::filesystem::path& path, std::string_view cause);

// A cause with "！" appended, for failures that are not tied to a path.
Error bare_failure(std::string_view cause);

// Causes for the errno values that reading and writing can meet ("磁盘空间不足",
// "文件或设备正被占用", ...); only an errno without a cause of its own is named
// by the C library's text.
std::string errno_cause(int err);

// Converts UTF-8 to code page 936 into `out`. On failure returns false and sets
// `cause` to a text naming the character that cannot be converted.
bool encode_cp936(std::string_view utf8, std::string& out, std::string& cause);

}  // namespace korvane::files::detail
