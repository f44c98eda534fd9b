// LandXML 1.2 alignments: import of Alignment elements (CoordGeom Line, Curve,
// Spiral; StaEquation; Profile/ProfAlign PVI, ParaCurve, CircCurve) into a
// Definition, and export of a Definition as a LandXML 1.2 document.
//
// Points are written "northing easting". Positions and directions come from
// the Start/End/Center/PI coordinates, lengths and radii from the attributes
// (or the coordinates where an attribute is missing). Each element's end,
// computed from its start, length and radii, must meet the next element's
// start (and the last one its own End) within 1 mm. Units: metric (meter,
// millimeter, centimeter, kilometer) and imperial (USSurveyFoot,
// foot = international foot), converted to metres.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "error.h"
#include "route/definition.h"

namespace korvane::files {

// A LandXML file larger than this is refused.
inline constexpr std::size_t kMaxLandXmlBytes = std::size_t{64} << 20;

// The largest gap allowed between one element's computed end and the next
// element's start, metres.
inline constexpr double kMaxElementGap = 0.001;

// The names of the alignments in a LandXML document, in document order.
Result<std::vector<std::string>> landxml_alignment_names(std::string_view bytes);

// The alignment named `name` of a LandXML document, or its only alignment
// when `name` is empty. Several alignments and no name: refused listing the
// names. The messages name the cause only, not a path.
// What was odd but read regardless is added to `warnings` when given.
Result<route::Definition> parse_landxml(std::string_view bytes, std::string_view name = {},
                                        Warnings* warnings = nullptr);

// The same for a file on disk.
Result<route::Definition> read_landxml(const std::filesystem::path& path,
                                       std::string_view name = {}, Warnings* warnings = nullptr);

// The LandXML 1.2 document (UTF-8) of a definition. An alignment by
// intersection points is expanded into its elements first (refused as the
// route library refuses it). Numbers are written in the shortest form that
// reads back to the same double, so importing the document gives back the
// same elements, chain breaks and vertical points (a vertical point's zone is
// not kept). The chainage prefix and the exact start azimuth are kept in a
// Feature of the alignment; the azimuth is taken back only where it agrees
// with the coordinates within 1e-6 rad.
Result<std::string> landxml_bytes(const route::Definition& definition);

// Writes the LandXML file, replacing any file at `path` whole.
std::optional<Error> write_landxml(const std::filesystem::path& path,
                                   const route::Definition& definition);

}  // namespace korvane::files
