// A checked alignment: the Definition expanded into elements with their main
// points, chain breaks turned into zones, and the vertical profile. Built once
// (Alignment::build refuses what cannot be computed, naming the row), then
// read by the forward, inverse and table computations (forward.h, table.h).
//
// Positions are the continuous distance s along the alignment (0 at the start,
// length() at the end, metres). A chainage is s plus the constant of its zone:
// zone 1 runs from the start to the first chain break, zone 2 to the next, …
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "route/definition.h"
#include "route/element.h"
#include "route/failure.h"
#include "route/section.h"

namespace korvane::route {

// One element of the alignment.
struct Segment {
    double s_start = 0;  // metres from the alignment's start
    double length = 0;   // metres, > 0
    double k_start = 0;  // curvature at the start, 1/m, positive turning right
    double k_end = 0;    // curvature at the end, 1/m
    Pose start;          // point and azimuth at the start
    // Row of ElementsDef::elements; for an alignment by intersection points the
    // row of PointsDef::points whose curve this is (-1 for a straight).
    int source = -1;
    // It starts at an angle point or away from the previous element's end
    // (its own start in a LandXML file): the alignment has a corner here.
    bool corner = false;
};

// A main point (ZH, HY, QZ, YH, HZ, ZY, YZ, GQ where two curves meet), an
// angle point (the intersection point's name, or 折点), an element boundary
// that joins two straights or two equal arcs (the number of the element
// starting there, "2", "3", …), start QD, end ZD, or chain break (断链, at
// its back chainage in the zone before it). Element-defined alignments name
// their boundaries by the elements they join, as a PI alignment names its
// main points, and give each curve between straights its QZ.
struct KeyPoint {
    std::string label;
    double s = 0;         // metres from the start
    int zone = 1;         // 1, 2, …
    double chainage = 0;  // metres, s plus the zone's constant
    double x = 0;         // northing, metres
    double y = 0;         // easting, metres
    double azimuth = 0;   // radians in [0, 2π)
    // Signed radius of the element that starts here (for ZD, the last
    // element's end), metres; ±infinity on a straight.
    double radius = kStraight;
    int source = -1;              // the JD, element or chain break row, or -1
    std::optional<double> ahead;  // for 断链: the ahead chainage (zone + 1)
};

// A stretch of the alignment between chain breaks.
struct Zone {
    double s_begin = 0;   // metres
    double s_end = 0;     // metres
    double constant = 0;  // chainage = s + constant
};

// A position found from a chainage.
struct Station {
    double s = 0;
    int zone = 1;
};

class Alignment {
  public:
    // Checks and expands the definition. Refused (with the row to point at):
    // non-finite or out-of-range numbers (coordinates and chainages beyond
    // ±1e9 m, lengths outside 1e-6 m to 1e8 m, radii below 0.01 m), zero or
    // negative lengths and radii, an element turning more than 100 rad, an
    // intersection point with no turn or a turn of 180°, transitions too long
    // for the deflection, curves that overlap, an expansion that does not
    // close on its outgoing tangent, chain breaks out of order or off the
    // alignment, vertical points out of order, in a short chain or ambiguous
    // in a long chain without a zone, vertical curves that overlap.
    static Outcome<Alignment> build(const Definition& definition);

    const std::string& name() const { return name_; }
    const std::string& prefix() const { return prefix_; }
    double length() const { return length_; }
    const std::vector<Segment>& segments() const { return segments_; }
    const std::vector<KeyPoint>& key_points() const { return key_points_; }
    const std::vector<Zone>& zones() const { return zones_; }
    bool has_profile() const { return !profile_.empty(); }

    // Point and azimuth at s (clamped into [0, length()]); the azimuth is not
    // brought into [0, 2π). Cost: a binary search over the elements and one
    // short quadrature.
    Pose pose_at(double s) const;

    // pose_at(s) with the cosine and sine of its azimuth, found by turning
    // those kept at the start of the quadrature piece (no argument reduction).
    // `hint` is an element index from an earlier call (0 at first): stations
    // taken in increasing order find their element in constant time.
    struct Frame {
        Pose pose;
        double cos_az = 1;
        double sin_az = 0;
    };
    Frame frame_at(double s, int& hint) const;

    // Signed curvature at s, 1/m.
    double curvature_at(double s) const;

    // Design elevation at s, metres; nothing outside the profile's range or
    // without a profile.
    std::optional<double> elevation_at(double s) const;

    // The road surface across the line: template, superelevation, widening.
    const Section& section() const { return section_; }

    // Design elevation of the road surface at s and `offset` (positive right),
    // metres: H(s, d) of the section; nothing outside the template (off the
    // profile's line where there is no template) or outside the profile.
    std::optional<double> design_elevation(double s, double offset) const {
        return section_.at(s, elevation_at(s)).elevation(offset);
    }

    // The zone holding s: at a chain break, the zone before it.
    int zone_of(double s) const;

    // Chainage of s in `zone` (1 … zones().size()).
    double chainage_of(double s, int zone) const;

    // The position of a chainage (metres) in `zone` (1 …), or in the one zone
    // that holds it when `zone` is 0. Refused, with the reason in the message:
    // outside the alignment (before the start / after the end), inside a
    // short chain, in two zones of a long chain with no zone given, or not in
    // the zone given, or a zone that does not exist (Subject::station or
    // Subject::zone).
    Outcome<Station> locate(double chainage, int zone) const;

    // Chainage text with the alignment's prefix and `decimals` decimals.
    std::string chainage_text(double chainage, int decimals = 3) const;

    // True when `chainage` of `zone` also names a point of an earlier zone: a
    // long chain (长链) repeats the chainages from its ahead to its back
    // chainage. Cost: a look at the zones (few).
    bool repeats(double chainage, int zone) const;

    // The ahead chainage of the chain break at `chainage` of `zone` (the end
    // of that zone), or nothing where there is none.
    std::optional<double> ahead_of(double chainage, int zone) const;

    // A point's name by its chainage, unique along the alignment: the
    // chainage text; at a chain break both chainages ("K1+200.000=K1+190.000");
    // where a long chain repeats the chainage in a later zone, that zone after
    // it in brackets ("K1+195.000" in zone 1, "K1+195.000(2)" in zone 2).
    std::string station_text(double chainage, int zone, int decimals = 3) const;

    struct Piece;
    struct Node;
    struct Grade;

    // The vertical points of intersection with their grades and vertical
    // curves, in order (empty without a profile).
    const std::vector<Grade>& profile() const { return profile_; }

    // For the computations: the quadrature pieces and their search tree.
    const std::vector<Piece>& pieces() const { return pieces_; }
    const std::vector<Node>& nodes() const { return nodes_; }
    int segment_of(double s) const;

  private:
    // Where s lies in segment i: its quadrature piece, the segment's rate of
    // curvature change c (curvature k0 + 2·c·u) and the distance u from the
    // piece's start.
    struct Spot {
        const Piece* piece;
        double c;
        double u;
    };
    Spot spot_in(int i, double s) const;

    std::string name_;
    std::string prefix_;
    double length_ = 0;
    std::vector<Segment> segments_;
    std::vector<int> first_piece_;  // per segment
    std::vector<int> piece_count_;  // per segment
    std::vector<double> piece_step_;
    std::vector<Piece> pieces_;
    std::vector<Node> nodes_;
    std::vector<KeyPoint> key_points_;
    std::vector<Zone> zones_;
    std::vector<Grade> profile_;
    Section section_;

    friend struct Builder;
};

// The elements of `alignment`, built from `definition`, as an element
// definition with the same start, chain breaks and profile: an alignment by
// intersection points as the straights, transitions and circular curves it
// expands into (an element definition is handed back as it is).
ElementsDef elements_of(const Definition& definition, const Alignment& alignment);
Definition as_elements(const Definition& definition, const Alignment& alignment);

// A part of one element turning at most 1/16 rad, with its start and a box
// holding every point of it.
struct Alignment::Piece {
    int segment = 0;
    double t0 = 0;  // metres from the segment's start
    double t1 = 0;
    Pose pose;        // at t0
    double k0 = 0;    // curvature at t0
    double cos0 = 1;  // of pose.azimuth
    double sin0 = 0;
    double min_x = 0, min_y = 0, max_x = 0, max_y = 0;
};

// A node of the bounding-box tree over the pieces (a leaf when first == last).
struct Alignment::Node {
    double min_x = 0, min_y = 0, max_x = 0, max_y = 0;
    int left = -1, right = -1;  // children, -1 for a leaf
    int piece = -1;             // the piece of a leaf
};

// One vertical point of intersection as used: position, elevation, the grade
// ahead of it, its vertical curve.
struct Alignment::Grade {
    double s = 0;
    double elevation = 0;
    double grade = 0;  // to the next point (0 for the last)
    // The vertical curve's parts before and after the point, metres (equal
    // halves of a symmetric curve; 0 for none).
    double tangent_in = 0;
    double tangent_out = 0;
    double radius = 0;  // metres, 0 for none or for an unsymmetric curve
    double sign = 0;    // +1 sag (grade increasing), -1 crest
    // The parabolas' x²/divisor beside the point (both 2R when symmetric).
    double divisor_in = 0;
    double divisor_out = 0;
    double external = 0;  // E: from the point to the curve, metres, >= 0
};

}  // namespace korvane::route
