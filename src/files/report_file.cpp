#include "files/report_file.h"

#include "files/safe_write.h"
#include "files/texts.h"

namespace korvane::files {
namespace {

// The frame around the table, in the order it is written; each piece is
// followed by CR LF. The table text itself goes between them unchanged.
constexpr const char* kBefore[] = {
    "",                         // two empty lines
    "",                         //
    "        坐标计算成果表",   // the title, indented by 8 spaces
    "      -----------------",  // its rule: 6 spaces, 17 hyphens
    "",                         // two empty lines before the table
    "",                         //
};
constexpr const char* kAfter[] = {
    "",                                 // two empty lines after the table
    "",                                 //
    "计算：岚石    复核：     监理：",  // computed by, verified by, supervisor
};

bool report_bytes(std::string_view table_text, std::string& out, std::string& cause) {
    for (const char* line : kBefore) {
        if (!detail::encode_cp936(line, out, cause)) return false;
        out += "\r\n";
    }
    if (!detail::encode_cp936(table_text, out, cause)) {
        cause = "成果表中，" + cause;
        return false;
    }
    out += "\r\n";
    for (const char* line : kAfter) {
        if (!detail::encode_cp936(line, out, cause)) return false;
        out += "\r\n";
    }
    return true;
}

}  // namespace

Result<std::string> report_file_bytes(std::string_view table_text) {
    std::string out;
    std::string cause;
    if (!report_bytes(table_text, out, cause)) return detail::bare_failure(cause);
    return out;
}

std::optional<Error> write_report_file(const std::filesystem::path& path,
                                       std::string_view table_text) {
    std::string bytes;
    std::string cause;
    if (!report_bytes(table_text, bytes, cause)) return detail::save_failure(path, cause);
    return replace_file(path, bytes);
}

}  // namespace korvane::files
