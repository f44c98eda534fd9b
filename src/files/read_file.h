// Reading regular files, in pieces, with the library's failure messages.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "error.h"

namespace korvane::files {

// Reads the file at `path` from its start and hands its bytes to `feed` in
// pieces of at most 1 KiB. Reading stops at the end of the file or as soon as
// `feed` returns false. Only regular files are read: a folder, a named pipe or
// a device is refused without waiting on it. Returns the error, if any, as
// "无法读取文件“path”：cause！". With `max_bytes`, a file larger than that is
// refused ("文件超过…字节") from its size before a byte of it is read, and
// reading stops should it grow beyond it meanwhile.
std::optional<Error> read_file(const std::filesystem::path& path,
                               const std::function<bool(std::string_view)>& feed,
                               std::optional<std::size_t> max_bytes = std::nullopt);

// The whole file as bytes, or the error that stopped reading it. A file of more
// than `max_bytes` is refused ("文件超过…字节").
Result<std::string> read_whole_file(const std::filesystem::path& path, std::size_t max_bytes);

}  // namespace korvane::files
