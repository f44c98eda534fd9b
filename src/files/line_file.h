// The line-parameter file: K0, X0, Y0 and the azimuth, each with a label.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "error.h"
#include "form/fields.h"

namespace korvane::files {

// The texts of Text1..Text4 (UTF-8), exactly as typed.
struct LineParameters {
    std::string k0;
    std::string x0;
    std::string y0;
    std::string azimuth;

    bool operator==(const LineParameters&) const = default;
};

// The one place where the line parameters meet the fields: the window's import
// and export, korvane-cli's `line import/export` and every `--line` option copy
// through these two, so the fields a line file stands for are named only here.

// The texts of Text1..Text4 as the file holds them.
LineParameters line_parameters_of(const form::FieldTexts& fields);

// The field each of the four texts goes into, in the file's order (K0, X0, Y0,
// azimuth). The views point into `texts`, which must outlive them.
std::array<std::pair<form::Field, std::string_view>, 4> line_parameter_fields(
    const LineParameters& texts);

// Puts the four texts into Text1..Text4, leaving every other field as it is.
void put_line_parameters(const LineParameters& texts, form::FieldTexts& fields);

// The file's bytes (code page 936, four lines with CR LF) for these texts:
// each line is the text as typed, spaces up to column 20 (one space after a
// text of 19 bytes or more), the label, CR LF. Fails for a text holding a line
// break or a character that code page 936 cannot hold, and for a line longer
// than the reader takes (64 KiB without its line end).
Result<std::string> line_file_bytes(const LineParameters& texts);

// Writes the line-parameter file, replacing any file at `path` whole.
std::optional<Error> write_line_file(const std::filesystem::path& path,
                                     const LineParameters& texts);

// Reads the first four lines and returns the field texts they give: each
// line's leading number written back as a number text ("1000.500" -> "1000.5",
// a line without a number -> "0"). Fails, returning no texts at all, for a file
// of fewer than four lines, one that cannot be read, or a value beyond the
// range of a double. Reads only the start of the file.
// A line ends at CR LF or a lone CR; a line longer than 64 KiB fails, and so
// does a file whose lines end in LF alone, with a cause that says so. A file
// that starts with the UTF-8 byte-order mark is read as UTF-8 after the mark;
// a UTF-16 file (mark FF FE or FE FF) is refused with a cause naming it.
Result<LineParameters> read_line_file(const std::filesystem::path& path);

// The same reading applied to the bytes of a whole file held in memory; the
// failure messages name the cause only, not a path.
Result<LineParameters> parse_line_file(std::string_view bytes);

}  // namespace korvane::files
