#include "files/definition_file.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <utility>

#include "files/alignment_file.h"
#include "files/landxml.h"
#include "files/read_file.h"
#include "files/safe_write.h"
#include "files/texts.h"
#include "route/alignment.h"
#include "route/checks.h"

namespace korvane::files {
namespace {

using detail::without_mark;

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

// Where two alignments part, or nothing when they are the same within
// 1e-6 m: their elements (start point and direction, length, curvatures),
// zones and design elevations at the vertical points. (The main points
// follow from these; their names may differ, as an alignment by
// intersection points written as elements names them by element.)
std::optional<std::string> difference(const route::Alignment& a, const route::Alignment& b) {
    const auto near = [](double x, double y) { return std::fabs(x - y) <= 1e-6; };
    const auto& sa = a.segments();
    const auto& sb = b.segments();
    if (sa.size() != sb.size())
        return "线元数由" + std::to_string(sa.size()) + "变为" + std::to_string(sb.size());
    for (std::size_t i = 0; i < sa.size(); ++i) {
        const route::Segment& x = sa[i];
        const route::Segment& y = sb[i];
        const double turn =
            std::fabs(std::remainder(x.start.azimuth - y.start.azimuth, 2 * std::numbers::pi));
        if (!near(x.length, y.length) || !near(x.start.x, y.start.x) ||
            !near(x.start.y, y.start.y) || !(turn <= 1e-9) ||
            !(std::fabs(x.k_start - y.k_start) <= 1e-12) ||
            !(std::fabs(x.k_end - y.k_end) <= 1e-12))
            return "第" + std::to_string(i + 1) + "个线元不同";
    }
    if (a.zones().size() != b.zones().size()) return "断链数不同";
    for (std::size_t i = 0; i < a.zones().size(); ++i) {
        if (!near(a.zones()[i].s_begin, b.zones()[i].s_begin) ||
            !near(a.zones()[i].constant, b.zones()[i].constant))
            return "第" + std::to_string(i) + "个断链不同";
    }
    if (a.has_profile() != b.has_profile()) return "纵断面不同";
    for (const auto& g : a.profile()) {
        // At the point and inside either part of its vertical curve.
        for (const double s : {g.s, g.s - g.tangent_in / 2, g.s + g.tangent_out / 2}) {
            const std::optional<double> ha = a.elevation_at(s);
            const std::optional<double> hb = b.elevation_at(s);
            if (ha.has_value() != hb.has_value() || (ha && !near(*ha, *hb))) return "纵断面不同";
        }
    }
    return std::nullopt;
}

// What a Korvane file holds that computes but deserves a word (a jump of
// curvature); LandXML files report their own.
void add_notices(const route::Definition& d, Warnings* warnings) {
    if (!warnings) return;
    for (route::Notice& n : route::definition_notices(d)) warnings->push_back(std::move(n.message));
}

}  // namespace

Result<std::string> definition_bytes(const route::Definition& definition, bool xml) {
    Result<std::string> bytes = xml ? landxml_bytes(definition) : alignment_file_bytes(definition);
    if (!bytes) return bytes;
    const std::size_t limit = xml ? kMaxLandXmlBytes : kMaxAlignmentFileBytes;
    if (bytes.value().size() > limit) {
        return detail::bare_failure("文件将有" + std::to_string(bytes.value().size()) +
                                    "字节，超过读取的上限" + std::to_string(limit) +
                                    "字节，写成后无法读回");
    }
    // Read back as it will be read, and built as it will be computed.
    bool read_xml = false;
    Result<route::Definition> back = parse_definition(bytes.value(), definition.name, read_xml);
    if (!back) {
        return detail::bare_failure("写成的文件无法读回（" + without_mark(back.failure().message) +
                                    "）");
    }
    const route::Outcome<route::Alignment> before = route::Alignment::build(definition);
    const route::Outcome<route::Alignment> after = route::Alignment::build(back.value());
    if (before && !after) {
        return detail::bare_failure("写成的文件读回后无法计算（" +
                                    without_mark(after.failure().message) + "）");
    }
    if (before && after) {
        if (auto where = difference(before.value(), after.value()))
            return detail::bare_failure("写成的文件读回后与线路不同：" + *where);
    }
    return bytes;
}

std::optional<Error> write_definition(const std::filesystem::path& path,
                                      const route::Definition& definition, bool xml) {
    Result<std::string> bytes = definition_bytes(definition, xml);
    if (!bytes) return detail::save_failure(path, without_mark(bytes.failure().message));
    return replace_file(path, bytes.value());
}

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
