// What the LandXML reader and writer share: element names without their
// namespace, the children of an element, and the Korvane Feature's labels.
#pragma once

#include <pugixml.hpp>

#include <numbers>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/texts.h"
#include "route/definition.h"

namespace korvane::files::landxml {

inline constexpr const char* kFeatureCode = "Korvane";
inline constexpr const char* kPrefixLabel = "chainagePrefix";
// The start azimuth in radians as defined, so that an exported alignment reads
// back with exactly that azimuth; used only where it agrees with the
// direction of the coordinates.
inline constexpr const char* kAzimuthLabel = "startAzimuth";
inline constexpr double kAzimuthAgreement = 1e-6;  // radians
// "index radius" of a vertical curve: the exact radius, where no ParaCurve
// length divides back to it; used where it agrees within 1e-9 relative.
inline constexpr const char* kRadiusLabel = "verticalRadius";
// "index name" of an angle point: the name of the intersection point at the
// start of element `index` (its label in tables), where it has one.
inline constexpr const char* kAngleLabel = "anglePoint";

using detail::in_quotes;
using detail::without_mark;

// The element name without a namespace prefix ("lx:Line" is "Line").
inline std::string_view local_name(const pugi::xml_node& node) {
    std::string_view name = node.name();
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The change of grade at an interior vertical point, over the positions
// `at` (one per point).
inline double grade_change(const std::vector<route::VerticalPoint>& p,
                           const std::vector<double>& at, std::size_t i) {
    const double i1 = (p[i].elevation - p[i - 1].elevation) / (at[i] - at[i - 1]);
    const double i2 = (p[i + 1].elevation - p[i].elevation) / (at[i + 1] - at[i]);
    return i2 - i1;
}

// The document's Units: metres per length unit, radians per angle unit.
struct Units {
    double metres = 1;
    double radians = std::numbers::pi / 180;
    bool packed = false;        // "decimal dd.mm.ss"
    std::string unknown_angle;  // an angular unit not known: angles are not checked
};

// The first child element of that local name, every child element, every
// Alignment of the document in document order.
pugi::xml_node child_named(const pugi::xml_node& parent, std::string_view name);
std::vector<pugi::xml_node> elements_of(const pugi::xml_node& parent);
std::vector<pugi::xml_node> alignments_of(const pugi::xml_node& root);

// A finite number, and the whitespace-separated words of a text.
std::optional<double> number(std::string_view text);
std::vector<std::string_view> words(std::string_view text);

// The document's Units, or the cause of a refusal.
std::optional<std::string> read_units(const pugi::xml_node& root, Units& units);

// Parses the document (decoding a declared code page 936), or the cause of a
// refusal; `root` is the LandXML element.
std::optional<std::string> load(std::string_view bytes, pugi::xml_document& doc,
                                pugi::xml_node& root);

// The names of the alignments as they are chosen ("name#2" for a second of
// the same name …), and those names as a list for messages.
std::vector<std::string> choice_names(const std::vector<pugi::xml_node>& alignments);
std::string name_list(const std::vector<std::string>& names);

}  // namespace korvane::files::landxml
