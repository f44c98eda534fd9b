// Replacing a file whole: the one way the program writes files.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "error.h"

namespace korvane::files {

// Writes `bytes` to a temporary file in the target's folder, flushes it to
// disk, then renames it over `path`. On any failure the earlier file is left
// exactly as it was and no temporary file remains. A new file gets the usual
// permissions (0666 less the umask); an existing file keeps its permissions.
std::optional<Error> replace_file(const std::filesystem::path& path, std::string_view bytes);

}  // namespace korvane::files
