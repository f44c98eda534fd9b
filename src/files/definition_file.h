// An alignment's definition from whichever file holds it: a LandXML file
// (its name ends in .xml) or a Korvane alignment file. The window and the
// command line both open alignments here, so a file is told and read the
// same way by both.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "error.h"
#include "route/definition.h"

namespace korvane::files {

// True when the name ends in .xml, in any letter case: a LandXML file.
bool is_landxml_name(const std::filesystem::path& path);

// The alignment of the file at `path`: of a LandXML file the one named `name`
// (or its only one when `name` is empty); of a Korvane file its one
// alignment, refused when `name` is given and is not its name.
// What was odd but read regardless goes to `warnings` when given.
Result<route::Definition> read_definition(const std::filesystem::path& path,
                                          std::string_view name = {}, Warnings* warnings = nullptr);

// The same for text already read (standard input), told LandXML by its first
// character '<'; `xml` says which it was. The messages name the cause only.
Result<route::Definition> parse_definition(std::string_view bytes, std::string_view name, bool& xml,
                                           Warnings* warnings = nullptr);

// The bytes of a Korvane alignment file (`xml` false) or a LandXML file
// (true) of `definition`, checked to read back: a file over the reader's size
// limit, one the reader refuses, or one that reads back to another alignment
// (its elements, chain breaks or profile more than 1e-6 m away)
// is refused, nothing being written. The messages name the cause only.
Result<std::string> definition_bytes(const route::Definition& definition, bool xml);

// definition_bytes written to `path`, replacing any file there whole.
std::optional<Error> write_definition(const std::filesystem::path& path,
                                      const route::Definition& definition, bool xml);

// The names of the alignments in the file at `path`, in file order (a Korvane
// file holds one).
Result<std::vector<std::string>> read_definition_names(const std::filesystem::path& path);

}  // namespace korvane::files
