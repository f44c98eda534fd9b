// The road surface across the centre line (横断面): the section template of
// each side, the line the profile's elevation belongs to (设计线), the
// rotation axis (旋转轴), superelevation (超高) and widening (加宽) along the
// alignment, and the design elevation H(s, d) of the surface at any position
// s and offset d (positive right, metres).
//
// With N(d) the sum of normal slope × width from the centre line to d and
// S(s, d) the same with the current slopes and widths:
//   H_n(s, d) = H_p(s) + N(d) − N(d_p)            (the normal section)
//   H(s, d)   = H_n(s, d_v) + S(s, d) − S(s, d_v)  (turned about the axis d_v)
// Turning segments take their side's current slope; segments that do not
// turn keep their normal slope, except on the low side of a superelevated
// section, where they are never flatter than the turning segment inside them.
// Widening widens the outermost turning segment of its side.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "route/definition.h"
#include "route/failure.h"

namespace korvane::route {

class Alignment;

enum class Side { left = 0, right = 1 };

// A superelevation or widening record at a position s.
struct SectionRecord {
    double s = 0;
    double left = 0;  // percent (superelevation) or metres (widening)
    double right = 0;
    int source = -1;  // the intersection point it was derived from, or the typed record's row
};

// Where the last position was found among the records: positions taken in
// increasing order find theirs in constant time.
struct SectionHint {
    std::size_t slope = 0;
    std::size_t widening = 0;
};

// The section at one position, ready for the elevation at any offset.
class SectionAt {
  public:
    // The design elevation at `offset`; nothing outside the template (or
    // off the profile's line without a template) or outside the profile.
    std::optional<double> elevation(double offset) const;

    // The current slope (percent) and outer offset (metres, unsigned) of
    // part `i` of a side, with the side's number of parts.
    int parts(Side side) const { return count_[index(side)]; }
    double slope(Side side, int i) const;
    double edge(Side side, int i) const;
    double axis() const { return axis_; }  // d_v, signed metres
    bool has_elevation() const { return has_h_; }

  private:
    friend class Section;
    static int index(Side side) { return side == Side::left ? 0 : 1; }
    double rise(int side, double distance) const;

    bool has_template_ = false;
    bool has_h_ = false;
    double profile_offset_ = 0;
    double base_ = 0;  // H_p(s) + N(d_v) − N(d_p) − S(d_v), or H_p without a template
    double axis_ = 0;
    std::array<int, 2> count_{};
    // Per side: outer offset of each part, its current slope as a ratio, and
    // the rise S from the centre line to its inner edge.
    std::array<std::array<double, kMaxSectionParts>, 2> edge_{};
    std::array<std::array<double, kMaxSectionParts>, 2> ratio_{};
    std::array<std::array<double, kMaxSectionParts>, 2> rise_{};
};

// The section of a checked alignment (Alignment::section()).
class Section {
  public:
    // Checks `def` against the alignment and derives the records of an
    // alignment by intersection points from its points. Refused, naming the
    // row: widths <= 0, too many parts, non-finite slopes, a profile line or
    // an axis offset outside the template, records out of order or outside
    // the alignment, negative widening, a full superelevation flatter than
    // the normal crown, a superelevated curve without transitions or runoff
    // length, transitions of two curves that overlap, typed records on an
    // alignment by intersection points, superelevation at an angle point.
    static Outcome<Section> build(const Definition& def, const Alignment& alignment);

    bool has_template() const { return !left_.empty() || !right_.empty(); }
    const std::vector<SectionPart>& parts(Side side) const {
        return side == Side::left ? left_ : right_;
    }
    double profile_offset() const { return profile_offset_; }
    const RotationAxis& axis() const { return axis_; }
    // Superelevation and widening records in order of s; derived() when they
    // come from intersection points (shown, never typed).
    const std::vector<SectionRecord>& superelevation() const { return slopes_; }
    const std::vector<SectionRecord>& widening() const { return widening_; }
    bool derived() const { return derived_; }
    // The normal slope (percent) a side's superelevation records start from:
    // its innermost turning segment's.
    double normal_slope(Side side) const { return normal_[side == Side::left ? 0U : 1U]; }

    // The section at s, with `profile_elevation` H_p(s) (nothing: no
    // elevation at any offset). `hint` speeds up positions taken in
    // increasing order (start with 0).
    SectionAt at(double s, std::optional<double> profile_elevation, SectionHint& hint) const;
    SectionAt at(double s, std::optional<double> profile_elevation) const {
        SectionHint hint;
        return at(s, profile_elevation, hint);
    }

  private:
    struct Interpolated {
        bool normal = true;
        double left = 0, right = 0;
    };
    static Interpolated interpolate(const std::vector<SectionRecord>& records, double s,
                                    std::size_t& hint, const std::array<double, 2>& normal);

    std::vector<SectionPart> left_;
    std::vector<SectionPart> right_;
    double profile_offset_ = 0;
    RotationAxis axis_;
    std::vector<SectionRecord> slopes_;
    std::vector<SectionRecord> widening_;
    bool derived_ = false;
    std::array<double, 2> normal_{};
    std::array<int, 2> widened_{-1, -1};  // the outermost turning part of each side, or -1
};

}  // namespace korvane::route
