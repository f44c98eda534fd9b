// LandXML 1.2 alignments: import of Alignment elements (CoordGeom Line, Curve,
// Spiral; StaEquation; Profile/ProfAlign PVI, ParaCurve, CircCurve,
// UnsymParaCurve of equal lengths) into a Definition, and export of a
// Definition as a LandXML 1.2 document.
//
// Points are written "northing easting". Positions and directions come from
// the Start/End/Center/PI coordinates, lengths and radii from the attributes
// (or the coordinates where an attribute is missing). Each element is placed
// from its own Start and start direction, as design programs write them:
// gaps beyond 1 mm and angles beyond 1″ between elements, and elements whose
// computed end lies more than 1 mm from their End, are warnings; only gaps
// beyond 0.1 m are refused. Zero-length elements are skipped with a warning;
// Feature and unknown elements are ignored, and design data that is not read
// (Cant, Superelevation, CrossSects) is named in a warning. Stations of
// StaEquation and ProfAlign are in the internal stationing (staStart plus
// the distance along the alignment), as the schema gives them. Units: metric
// (meter, millimeter, centimeter, kilometer) and imperial (USSurveyFoot,
// foot = international foot), converted to metres; angles in radians,
// decimal degrees, grads or decimal dd.mm.ss. A declared encoding GBK,
// GB2312 or GB18030 is decoded as code page 936; other encodings than the
// Unicode ones and ISO-8859-1 are refused by name.
//
// Where several alignments share a name, the second is chosen as "name#2",
// the third "name#3" …, and reading one of them warns that there are several.
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

// Gaps between one element's computed end and the next element's start
// beyond this are reported, metres.
inline constexpr double kMaxElementGap = 0.001;

// Gaps (and elements disagreeing with their own End) beyond this are refused,
// metres.
inline constexpr double kMaxElementRefusal = 0.1;

// The names of the alignments in a LandXML document, in document order, as
// they are chosen (a repeated name as "name#2" …).
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
