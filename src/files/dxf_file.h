// A plan of an alignment for CAD: an AutoCAD 2000 (AC1015) DXF file with the
// centre line, its main points, chainage ticks, the intersection points of an
// alignment given by them and the stakes of a table, each on its own layer.
//
// Coordinates: DXF x is the easting Y, DXF y the northing X (CAD's east and
// north), metres ($INSUNITS 6). Texts are code page 936 ($DWGCODEPAGE
// ANSI_936) in a style with a Chinese font; lines end in CR LF.
//
// Layers (name, colour number):
//   中线 1  straights as LINE, circular curves as ARC (split into arcs of at
//           most 180°), transitions as LWPOLYLINE within the chord tolerance
//   主点 3  each main point: POINT and a TEXT "ZH K0+374.681" along the line
//   里程 7  a tick square to the line at every multiple of the tick interval
//           and of 100 m (counted in each zone from its chainage 0), on the
//           right; the 100 m ticks longer and labelled with the station text
//   交点 5  the polygon QD–JD…–ZD (LWPOLYLINE) and a TEXT with each JD's name
//   中桩 4  the table's stakes at offset 0: POINT and a TEXT with the name
//   边桩 6  the table's side stakes: POINT and a TEXT with the name
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "error.h"
#include "point_file.h"
#include "route/alignment.h"
#include "route/definition.h"
#include "route/table.h"

namespace korvane::files {

struct DxfOptions {
    double tick_interval = 20;  // metres between chainage ticks, kMinDxfTick to kMaxDxfTick
    double tolerance = 0.001;   // metres a transition's chords may stray from it
    int decimals = 3;           // of the chainages written, 0 to 9
};

inline constexpr double kMinDxfTick = 1;
inline constexpr double kMaxDxfTick = 100'000;
inline constexpr double kMinDxfTolerance = 1e-4;
inline constexpr double kMaxDxfTolerance = 10;
// The most ticks and transition vertices one drawing holds (a 2,000 km line
// at 1 m ticks, or its transitions at the finest tolerance, exceed it).
inline constexpr std::size_t kMaxDxfTicks = 1'000'000;
inline constexpr std::size_t kMaxDxfVertices = 5'000'000;

// The message refusing options out of range ("桩号刻度间距须在1到100000 m之间！"),
// or nothing.
std::optional<std::string> dxf_options_refusal(const DxfOptions& options);

// The names of the layers, in the file's order.
inline constexpr std::string_view kDxfCentreLine = "中线";
inline constexpr std::string_view kDxfMainPoints = "主点";
inline constexpr std::string_view kDxfChainage = "里程";
inline constexpr std::string_view kDxfIntersections = "交点";
inline constexpr std::string_view kDxfStakes = "中桩";
inline constexpr std::string_view kDxfSideStakes = "边桩";

// The drawing of one alignment, made once; its stakes are given when it is
// written, so that a table is never held twice. It refers to the alignment,
// which must outlive it.
class DxfDrawing {
  public:
    // The alignment's part of the drawing. `definition` (may be null) gives
    // the intersection points of an alignment defined by them. Refused (the
    // message as the Error's): options out of range, more than kMaxDxfTicks
    // ticks or kMaxDxfVertices transition vertices, a text that code page 936
    // cannot hold or that holds a control character.
    static Result<DxfDrawing> make(const route::Alignment& alignment,
                                   const route::Definition* definition, const DxfOptions& options);

    // The whole file with `stakes` (rows of route::table for this alignment,
    // named as the CASS file names them), handed to `sink` in pieces of
    // about 64 KiB. `going_on` (if set) is told the stakes written so far now
    // and then, and stops the writing by returning false (the result is then
    // Error{kDxfCancelled}). Every failure is an Error: the sink's own, or
    // "无法写入：…" for a stake name that code page 936 cannot hold.
    std::optional<Error> write(std::span<const route::TableRow> stakes, const ByteSink& sink,
                               const std::function<bool(std::size_t)>& going_on = {}) const;

    // The same into one string (small drawings, tests).
    Result<std::string> bytes(std::span<const route::TableRow> stakes = {}) const;

  private:
    DxfDrawing() = default;

    const route::Alignment* alignment_ = nullptr;
    DxfOptions options_;
    std::string entities_;  // the alignment's entities, handles from first_entity_
    unsigned long first_entity_ = 0;
    unsigned long next_handle_ = 0;                         // after the alignment's entities
    double min_x_ = 0, min_y_ = 0, max_x_ = 0, max_y_ = 0;  // DXF x (easting), y (northing)
};

// What DxfDrawing::write returns when `going_on` stopped it.
inline constexpr std::string_view kDxfCancelled = "导出已取消！";

}  // namespace korvane::files
