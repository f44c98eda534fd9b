// The road surface in LandXML: superelevation as LandXML 1.2 writes it
// (Superelevation: the stations where the runout and runoff begin and end,
// the full superelevation between), and what LandXML has no element for (the
// section template, profile line, rotation axis, widening, the exact
// records) as properties of the Korvane Feature. Internal to the files
// library.
#pragma once

#include <pugixml.hpp>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "route/definition.h"

namespace korvane::files::landxml {

// Reads one property of the Korvane Feature into `section`; false when the
// label is not one of the section's. Exact superelevation or widening records
// among them set `exact` (the file's Superelevation elements are then only
// its copy for other programs).
bool read_section_property(std::string_view label, const std::string& value,
                           route::SectionDef& section, bool& exact,
                           const std::function<void(double station, route::SideValues&)>& place);

// The Superelevation elements of an alignment as superelevation records: at
// the normal section, the level outside, the outside reaching the normal fall
// of the inside (ReverseCrown, or where a linear runoff puts it), full
// superelevation, and back. `metres` converts a length, `place` turns an
// internal station into a chainage (and zone), `inner` tells the side
// towards the curve's centre at a station (0 left, 1 right). A slope beyond
// ±1 is percent, else a ratio.
std::optional<std::string> read_superelevation(
    const pugi::xml_node& alignment, double metres, const route::SectionDef& section,
    const std::function<void(double station, route::SideValues&)>& place,
    const std::function<int(double station)>& inner, std::vector<route::SideValues>& out);

// Writes the section of an element definition: Superelevation elements into
// `alignment` (one per run of records between normal sections) and the exact
// records and settings into `feature`. `station` gives a record's internal
// station.
std::optional<std::string> write_section(
    const route::Definition& definition, pugi::xml_node alignment, pugi::xml_node feature,
    const std::function<double(double chainage, int zone)>& station);

}  // namespace korvane::files::landxml
