// The Korvane alignment file (.csv): one record a line, fields separated by
// commas, each record opening with its kind in Chinese:
//
//     线路,S201改线,K                         name, chainage prefix (default K)
//     起点,K0+000.000,3456789.123,512345.678,45.302010
//     直线,120                                 length
//     圆曲线,200.5,500,右                      length, radius, 左|右
//     缓和曲线,80,∞,500,右                     length, start and end radius, 左|右
//     断链,K0+650.000,K0+640.000               back and ahead chainage
//     变坡点,K0+400.000,125.300,8000           chainage, elevation, vertical radius[, zone]
//
// or, by intersection points, `起点,chainage,X,Y` (no azimuth), then
// `交点,name,X,Y,R,Ls1,Ls2` records and `终点,X,Y`. A radius is a number, `∞`
// or `INF`; without 左/右 its sign gives the direction (negative: left). The
// optional zone of a vertical point (1, 2, …) picks the side of a long chain.
// Written in code page 936 with CR LF; read as code page 936 or UTF-8 (with or
// without BOM), with CR LF, LF or CR line ends; blank lines and lines starting
// with `#` are skipped; empty fields at the end of a line (left by
// spreadsheets) are ignored.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "error.h"
#include "route/definition.h"

namespace korvane::files {

// An alignment file is at most this large, and each line at most this long;
// anything larger is refused as not an alignment file.
inline constexpr std::size_t kMaxAlignmentFileBytes = std::size_t{16} << 20;
inline constexpr std::size_t kMaxAlignmentLineBytes = 4096;

// The definition the bytes of an alignment file hold. The first fault ends the
// reading: "第N行：…" naming what was expected there. The messages name the
// cause only, not a path.
Result<route::Definition> parse_alignment_file(std::string_view bytes);

// The same for a file on disk, read in pieces and stopped at the first fault,
// so a large file that is not an alignment file is refused at once.
Result<route::Definition> read_alignment_file(const std::filesystem::path& path);

// The file's bytes (code page 936, CR LF). Numbers are written in the shortest
// form that reads back to the same double, chainages as chainage text where
// that is exact, so the file reads back to `definition` exactly. Fails for a
// name with a comma or line break, a character code page 936 cannot hold, a
// prefix that is not capital letters ending in K, or a value that is not
// finite where one is needed.
Result<std::string> alignment_file_bytes(const route::Definition& definition);

// Writes the alignment file, replacing any file at `path` whole.
std::optional<Error> write_alignment_file(const std::filesystem::path& path,
                                          const route::Definition& definition);

}  // namespace korvane::files
