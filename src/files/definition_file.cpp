#include "files/definition_file.h"

#include <utility>

#include "files/alignment_file.h"
#include "files/landxml.h"
#include "files/read_file.h"
#include "files/texts.h"
#include "route/checks.h"

namespace korvane::files {
namespace {

constexpr std::string_view kMark = "！";

std::string without_mark(std::string message) {
    if (std::string_view(message).ends_with(kMark)) message.resize(message.size() - kMark.size());
    return message;
}

bool looks_like_xml(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    const std::size_t first = bytes.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && bytes[first] == '<';
}

// A Korvane file holds one alignment: a name that is not its own is an
// error rather than silently ignored.
std::optional<std::string> wrong_name(const route::Definition& d, std::string_view name) {
    if (name.empty() || d.name == name) return std::nullopt;
    return "文件中没有名为“" + std::string(name) + "”的线路，文件中的线路是“" + d.name + "”";
}

// What a Korvane file holds that computes but deserves a word (a jump of
// curvature); LandXML files report their own.
void add_notices(const route::Definition& d, Warnings* warnings) {
    if (!warnings) return;
    for (route::Notice& n : route::definition_notices(d)) warnings->push_back(std::move(n.message));
}

}  // namespace

bool is_landxml_name(const std::filesystem::path& path) {
    const std::string ext = path.extension().string();
    if (ext.size() != 4) return false;
    const char* want = ".xml";
    for (std::size_t i = 0; i < 4; ++i) {
        char c = ext[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != want[i]) return false;
    }
    return true;
}

Result<route::Definition> read_definition(const std::filesystem::path& path, std::string_view name,
                                          Warnings* warnings) {
    if (is_landxml_name(path)) return read_landxml(path, name, warnings);
    Result<route::Definition> read = read_alignment_file(path);
    if (!read) return read;
    if (auto cause = wrong_name(read.value(), name)) return detail::read_failure(path, *cause);
    add_notices(read.value(), warnings);
    return read;
}

Result<route::Definition> parse_definition(std::string_view bytes, std::string_view name, bool& xml,
                                           Warnings* warnings) {
    xml = looks_like_xml(bytes);
    if (xml) return parse_landxml(bytes, name, warnings);
    Result<route::Definition> read = parse_alignment_file(bytes);
    if (!read) return read;
    if (auto cause = wrong_name(read.value(), name)) return detail::bare_failure(*cause);
    add_notices(read.value(), warnings);
    return read;
}

Result<std::vector<std::string>> read_definition_names(const std::filesystem::path& path) {
    if (!is_landxml_name(path)) {
        Result<route::Definition> read = read_alignment_file(path);
        if (!read) return read.failure();
        return std::vector<std::string>{read.value().name};
    }
    Result<std::string> bytes = read_whole_file(path, kMaxLandXmlBytes);
    if (!bytes) return bytes.failure();
    Result<std::vector<std::string>> names = landxml_alignment_names(bytes.value());
    if (!names) return detail::read_failure(path, without_mark(names.failure().message));
    return names;
}

}  // namespace korvane::files
