// The rows of the route computations as the programs hand them over: main
// points (info), forward, inverse and table rows, in CSV with a header line or
// as the points of a CASS file. The window's exports and the command line's
// results are both written here, so the same request gives the same bytes.
//
// CSV goes out as UTF-8 with LF (standard output) or in code page 936 with
// CR LF (a file); a CASS file is always code page 936 with CR LF. Numbers have
// the chosen decimals, rounded on their exact binary value, a value that
// rounds to zero without a sign; chainages are the alignment's chainage text
// with the same decimals; azimuths packed d.mmss with seconds to two decimals.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "error.h"
#include "point_file.h"
#include "route/alignment.h"
#include "route/forward.h"
#include "route/table.h"

namespace korvane::files {

// What a route output holds, which names its CSV header.
enum class RouteRows { info, forward, inverse, table, section, check };

// The CSV header line of each kind of rows (without its line end).
inline constexpr std::string_view kInfoHeader = "label,station,X,Y,azimuth,radius";
inline constexpr std::string_view kForwardHeader = "station,offset,X,Y,azimuth,H";
inline constexpr std::string_view kInverseHeader = "name,X,Y,station,offset,H";
inline constexpr std::string_view kTableHeader = "station,label,offset,X,Y,azimuth,H";
inline constexpr std::string_view kSectionHeader = "station,side,name,offset,slope,X,Y,H";
inline constexpr std::string_view kCheckHeader = "name,X,Y,H,station,offset,design_H,dH";
std::string_view route_header(RouteRows rows);

enum class RouteFormat { csv, cass };

// How the text goes out: UTF-8 with LF, or code page 936 with CR LF.
enum class RouteBytes { utf8, cp936 };

// How the points Korvane names are named: in Chinese, or in ASCII alone for
// controllers and data collectors that take no Chinese.
enum class PointNames { chinese, ascii };

// The point name of a stake: the chainage text for a centre-line stake, and
// for a side stake the chainage text, the side and the distance as typed
// ("K1+020.000左7.5", "K1+020.000右12.25"; in ASCII "K1+020.000L7.5",
// "K1+020.000R12.25"). The chainage text is ASCII already, a chain break's
// "back=ahead" and a repeated chainage's zone "(2)" included.
std::string stake_name(std::string_view station, double offset,
                       PointNames names = PointNames::chinese);

// The code written for a main point's label: the label itself, or in ASCII
// ZJD for 折点 (an angle point without a name) and DL for 断链; the other
// labels (QD, ZH, HY, QZ, YH, HZ, ZY, YZ, GQ, ZD, element numbers) are ASCII
// already. A label with other characters outside ASCII (an intersection
// point named in Chinese) has no ASCII code: see ascii_refusal.
std::string_view point_code(std::string_view label, PointNames names);

// Why the main points of `alignment` cannot be coded in ASCII (the first
// label that has no ASCII code, named), or nothing when they can.
std::optional<Error> ascii_refusal(const route::Alignment& alignment);

// The CSV text of table rows, made fast: a station's name (its chainage text,
// route::Alignment::station_text, and at a chain break "back=ahead"), azimuth and
// elevation are written in its first row and copied into the rows of its
// other offsets, the azimuth also into later stations' rows while it stays
// the same. format() only reads the object, so several threads may format
// blocks at once.
class TableText {
  public:
    // `offsets` are the table's offsets in order, their texts made once: the
    // rows then come as whole stations, one row per offset, as table() and
    // table_text() hand them over. Without offsets (empty), any rows: a
    // station is a run of rows of one chainage and zone, each offset written
    // for its row.
    TableText(const route::Alignment& alignment, const std::vector<double>& offsets, int decimals,
              bool crlf, PointNames names = PointNames::chinese);

    // The rows' text, in place of what `text` held (its room is reused).
    void format(std::span<const route::TableRow> rows, std::string& text) const;

  private:
    const route::Alignment* alignment_;
    std::string prefix_;
    std::vector<double> offsets_;
    std::vector<std::string> offset_texts_;
    int decimals_;
    bool crlf_;
    PointNames names_;
};

// Writes rows of one kind to a sink, in pieces of about 64 KiB, so that a
// long table is never held whole. The CSV header line goes first (a CASS
// file has none). Every failure is an Error: the sink's own unchanged, and
// a text the file cannot hold (a name outside code page 936, a comma in a
// CASS field) as "无法写入：…". After a failure the output is spent.
class RouteOutput {
  public:
    // Main points are coded, and stakes named, in `names`.
    RouteOutput(RouteRows rows, RouteFormat format, RouteBytes bytes, int decimals, ByteSink sink,
                PointNames names = PointNames::chinese);
    RouteOutput(const RouteOutput&) = delete;
    RouteOutput& operator=(const RouteOutput&) = delete;

    RouteFormat format() const { return format_; }
    bool cass() const { return format_ == RouteFormat::cass; }
    int decimals() const { return decimals_; }
    bool crlf() const { return bytes_ == RouteBytes::cp936; }

    // A main point of `alignment`: label, chainage (back=ahead at a chain
    // break), X, Y, azimuth, signed radius or INF. CASS: name = chainage
    // text, code = label, no H.
    std::optional<Error> key_point(const route::Alignment& alignment, const route::KeyPoint& k);

    // A staked point: chainage text, offset, X, Y, azimuth, H. CASS: name =
    // the stake's name, no code.
    std::optional<Error> forward(std::string_view station, double offset, double x, double y,
                                 double azimuth, std::optional<double> h);

    // A point and its foot: name, X, Y, chainage text, offset, H. CASS:
    // code = the chainage text.
    std::optional<Error> inverse(std::string_view name, double x, double y,
                                 std::string_view station, double offset, std::optional<double> h);

    // A break point of a section: chainage text, side (左, 右, 中 for the
    // centre line), name, offset, slope (percent), X, Y, H. CASS: name = the
    // stake's name, code = the segment's name (none with ASCII names).
    std::optional<Error> section_point(std::string_view station, const route::SectionPoint& p);

    // A measured point against the design: name, X, Y, its H, chainage
    // text, offset, design H, dH = H − design H (positive above the design:
    // 挖, negative below: 填); design H and dH empty outside the template.
    std::optional<Error> check(std::string_view name, double x, double y, std::optional<double> h,
                               std::string_view station, double offset,
                               std::optional<double> design);

    // Table rows of `alignment` in order. CSV through TableText; CASS one
    // point per row, named after its stake, coded with its label.
    std::optional<Error> table(const route::Alignment& alignment,
                               std::span<const route::TableRow> rows);
    // CSV table rows already made by TableText (whole lines).
    std::optional<Error> lines(std::string_view text);

    // Hands over what is left. Call once, after the last row.
    std::optional<Error> finish();

  private:
    std::optional<Error> end_line();
    std::optional<Error> flush();
    std::optional<Error> put(std::string_view text);
    std::optional<Error> point(std::string_view name, std::string_view code, double x, double y,
                               std::optional<double> h);
    Error written(const Error& error);

    RouteFormat format_;
    RouteBytes bytes_;
    PointNames names_;
    int decimals_;
    ByteSink sink_;
    std::string buffer_;
    std::optional<PointFileWriter> cass_;
    std::optional<Error> sink_failure_;
    std::optional<TableText> table_text_;
    std::string block_;
    // CASS table rows: the station texts of the last row.
    std::string station_;
    double station_chainage_ = 0;
    int station_zone_ = 0;
};

}  // namespace korvane::files
