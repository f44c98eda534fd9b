// An alignment as it is defined by the designer: the numbers of a Korvane
// alignment file, a LandXML alignment or the window's tables, before any
// computation. Readers produce it, writers take it, and the route library
// checks and expands it into an alignment that answers forward, inverse and
// table questions.
//
// Conventions: X is northing, Y easting, metres. Azimuths are radians
// clockwise from north (+X). A radius is signed: positive where the route
// turns right (clockwise), negative where it turns left; an infinite radius
// is a straight (curvature 0).
#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace korvane::route {

inline constexpr double kStraight = std::numeric_limits<double>::infinity();

// The most one alignment holds: far beyond any road or railway (a 2,000 km
// line with an element every 10 m), and small enough that its checked form
// takes well under a second to build and about 100 MB at the most. Readers
// refuse a file as soon as it passes a limit, naming it.
inline constexpr std::size_t kMaxElements = 200'000;
// An intersection point expands into up to four elements.
inline constexpr std::size_t kMaxIntersectionPoints = kMaxElements / 4;
inline constexpr std::size_t kMaxChainBreaks = 10'000;
inline constexpr std::size_t kMaxVerticalPoints = kMaxElements;
// A side of the section template holds at most this many segments; one
// alignment at most this many superelevation and widening records of each kind.
inline constexpr std::size_t kMaxSectionParts = 32;
inline constexpr std::size_t kMaxSectionRecords = 200000;

// One element of the element method (线元法). Straight: both radii infinite;
// circular curve: equal finite radii; transition (clothoid): curvature changes
// linearly from 1/radius_start to 1/radius_end along the length, either end may
// be infinite and the two may have opposite signs.
//
// An element starts where the previous one ends, with its end azimuth,
// unless it turns at an angle point (折点, `turn`) or starts on its own
// (`start`: LandXML places every element from its own Start and start
// direction, which may differ from the previous element's computed end by
// fractions of a millimetre and seconds of arc). The first element always
// starts at the definition's start.
struct ElementStart {
    double x = 0;        // northing, metres
    double y = 0;        // easting, metres
    double azimuth = 0;  // radians clockwise from north

    bool operator==(const ElementStart&) const = default;
};

struct ElementDef {
    double length = 0;                // metres, > 0
    double radius_start = kStraight;  // metres, signed, or ±infinity
    double radius_end = kStraight;    // metres, signed, or ±infinity
    double turn = 0;  // angle point at the start: radians, positive right, |turn| < π
    std::optional<ElementStart> start{};  // its own start point and azimuth (then turn is 0)
    std::string name{};                   // the intersection point it belongs to, or empty (UTF-8)

    bool operator==(const ElementDef&) const = default;
};

// Start point, start azimuth and elements one after another.
struct ElementsDef {
    double start_chainage = 0;  // metres, as written at the start (zone 1)
    double start_x = 0;         // northing, metres
    double start_y = 0;         // easting, metres
    double start_azimuth = 0;   // radians clockwise from north, [0, 2π)
    std::vector<ElementDef> elements;

    bool operator==(const ElementsDef&) const = default;
};

// One intersection point (交点) of the intersection-point method.
struct IntersectionPoint {
    std::string name;  // e.g. "JD1", UTF-8
    double x = 0;      // northing, metres
    double y = 0;      // easting, metres
    // Circular curve radius, metres, > 0; 0 (with no transitions) for an
    // angle point (折点): the tangents meet at the point with no curve.
    double radius = 0;
    double entry_transition = 0;  // Ls1, metres, >= 0 (0: the curve starts at ZY)
    double exit_transition = 0;   // Ls2, metres, >= 0 (0: the curve ends at YZ)
    // Full superelevation on the curve, percent, >= 0, falling towards the
    // curve's centre (0: none), and the widening of its inside, metres, >= 0.
    double superelevation = 0;
    double widening = 0;

    bool operator==(const IntersectionPoint&) const = default;
};

// Start point QD with its chainage, intersection points, end point ZD.
struct PointsDef {
    double start_chainage = 0;
    double start_x = 0;
    double start_y = 0;
    std::vector<IntersectionPoint> points;
    double end_x = 0;
    double end_y = 0;

    bool operator==(const PointsDef&) const = default;
};

// A chain break (断链): back chainage (来向) and ahead chainage (去向) at one point.
// back > ahead is a long chain, back < ahead a short chain.
struct ChainBreak {
    double back = 0;   // metres
    double ahead = 0;  // metres

    bool operator==(const ChainBreak&) const = default;
};

// A vertical point of intersection (变坡点).
struct VerticalPoint {
    double chainage = 0;   // metres, as written
    int zone = 0;          // 0: found from the chainage; 1, 2, … where a long chain repeats it
    double elevation = 0;  // metres
    double radius = 0;     // vertical curve radius, metres, >= 0 (0: no curve)
    // An unsymmetric vertical curve (不对称竖曲线): the lengths of its parts
    // before and after the point, metres, both > 0, with radius 0. Both 0 for
    // a symmetric curve or none.
    double length_in = 0;
    double length_out = 0;

    bool operator==(const VerticalPoint&) const = default;
};

// One segment of a side of the section template (路幅), from the centre line
// outwards: 行车道 7.5 m at −2 % turning with the superelevation.
struct SectionPart {
    double width = 0;   // metres, > 0, measured horizontally
    double slope = 0;   // normal cross slope, percent; negative falls away from the centre line
    std::string name;   // UTF-8, may be empty
    bool turns = true;  // 随超高: takes the side's superelevation

    bool operator==(const SectionPart&) const = default;
};

// The offset the section turns about (旋转轴).
enum class AxisKind { centre, inner_edge, outer_edge, offset };
struct RotationAxis {
    AxisKind kind = AxisKind::centre;
    double offset = 0;  // metres, signed, for AxisKind::offset

    bool operator==(const RotationAxis&) const = default;
};

// A record along the alignment: cross slopes of the turning segments
// (超高, percent) or widening (加宽, metres), per side.
struct SideValues {
    double chainage = 0;  // metres, as written
    int zone = 0;         // 0: found from the chainage
    double left = 0;
    double right = 0;

    bool operator==(const SideValues&) const = default;
};

// The road surface across the centre line. Empty parts on both sides: no
// template, so a design elevation only on the profile's line.
struct SectionDef {
    std::vector<SectionPart> left;   // from the centre line outwards
    std::vector<SectionPart> right;  // from the centre line outwards
    double profile_offset = 0;       // 设计线: the offset the profile's elevation belongs to
    RotationAxis axis;
    // Typed records, in chainage order (element alignments; an alignment by
    // intersection points derives them from its points).
    std::vector<SideValues> superelevation;  // percent
    std::vector<SideValues> widening;        // metres, >= 0
    double runoff = 0;                       // 超高过渡: metres, for curves without transitions

    bool has_template() const { return !left.empty() || !right.empty(); }
    bool operator==(const SectionDef&) const = default;
};

// Who the alignment is for, as printed at the head of its reports (UTF-8,
// free text, each may be empty).
struct ProjectInfo {
    std::string project;            // 项目名称
    std::string section;            // 合同段
    std::string coordinate_system;  // 坐标系
    std::string elevation_system;   // 高程系

    bool empty() const {
        return project.empty() && section.empty() && coordinate_system.empty() &&
               elevation_system.empty();
    }
    bool operator==(const ProjectInfo&) const = default;
};

struct Definition {
    std::string name;          // UTF-8
    std::string prefix = "K";  // chainage prefix: capital letters ending in K
    ProjectInfo project{};
    std::variant<ElementsDef, PointsDef> horizontal;
    std::vector<ChainBreak> breaks;      // in order along the alignment
    std::vector<VerticalPoint> profile;  // in order of chainage; empty: no profile
    SectionDef section;

    bool operator==(const Definition&) const = default;
};

}  // namespace korvane::route
