// The batch report file: a title, a rule, the batch table and a sign-off line.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "error.h"

namespace korvane::files {

// The report's bytes (code page 936, CR LF) around the table text (UTF-8, the
// text of Text14 exactly as the field holds it, its own line ends included).
Result<std::string> report_file_bytes(std::string_view table_text);

// Writes the report, replacing any file at `path` whole.
std::optional<Error> write_report_file(const std::filesystem::path& path,
                                       std::string_view table_text);

}  // namespace korvane::files
