// The table (逐桩坐标表) of an alignment: stations at an interval, main
// points and chain breaks, each with its side stakes, computed on one thread
// or many. Chainages in metres, angles in radians.
#pragma once

#include <cstddef>
#include <functional>
#include <numbers>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "route/alignment.h"
#include "route/forward.h"

namespace korvane::route {

// A table holds at most this many rows (stations × offsets).
inline constexpr std::size_t kMaxTableRows = 1'000'000;

struct TableRequest {
    double from = 0;    // chainage, metres
    int from_zone = 0;  // 0: the one zone holding it
    double to = 0;
    int to_zone = 0;
    double interval = 20;                // metres, 0.001 to 1e9
    std::vector<double> offsets{0.0};    // metres, each |offset| <= kMaxOffset, at least one
    double skew = std::numbers::pi / 2;  // radians, as for forward
    bool key_points = true;              // main points, element boundaries and chain breaks too
};

// The side stakes' offsets as typed: numbers separated by commas, ASCII or
// full-width (，), each with spaces around it or not ("-7.5，0, 7.5").
// Refused naming the entry that is not a number (Subject::offsets, its index).
Outcome<std::vector<double>> read_offsets(std::string_view text);

struct TableRow {
    double s = 0;
    int zone = 1;
    double chainage = 0;  // an exact multiple k·interval for the whole stations
    // "" for a whole station; "ZH", "断链", "HZ/ZH", "2", …; the text lives as
    // long as the computation that gave the row (a sink that keeps rows
    // keeps its own copy of the label).
    std::string_view label;
    double offset = 0;
    double x = 0;
    double y = 0;
    double azimuth = 0;  // of the alignment, radians in [0, 2π)
    std::optional<double> elevation;
};

struct TableSummary {
    std::size_t rows = 0;    // rows passed to the sink
    bool cancelled = false;  // the sink returned false
};

// The rows of a table, in order of position and then offset: every whole
// multiple of the interval (counted from chainage 0 of each zone) from `from`
// to `to`, the two ends, and unless turned off every key point between them
// (a chain break gives one row, in the zone before it at its back chainage:
// Alignment::station_text names it with both chainages). Rows are counted before any is
// computed: more than kMaxTableRows is refused (Subject::interval). Each row
// goes to `sink` as soon as it is computed; the sink returns false to stop.
Outcome<TableSummary> table(const Alignment& alignment, const TableRequest& request,
                            const std::function<bool(const TableRow&)>& sink);

// The same rows as text, computed on `threads` threads (1: on the calling
// thread alone). The stations are taken a few thousand at a time. `format`
// puts the text of one block's rows in its string, in place of what it held
// (the strings are kept from block to block, so their room is reused); it is
// called on the worker threads, for several blocks at once, so it must not
// change anything they share. `write` gets the blocks' texts in order on the
// calling thread and returns false to stop. A block holds whole stations: the
// rows of one station never part. At most 2·threads blocks are held at once.
Outcome<TableSummary> table_text(
    const Alignment& alignment, const TableRequest& request, unsigned threads,
    const std::function<void(std::span<const TableRow>, std::string&)>& format,
    const std::function<bool(std::string_view)>& write);

// The refusal table() would give, if any, found at once without going
// through the stations (table_row_count goes through them all).
std::optional<Failure> table_refusal(const Alignment& alignment, const TableRequest& request);

// The first two stations of the table whose chainage texts with `decimals`
// decimals are the same in one zone (an interval finer than the decimals, or a
// main point next to a whole station), refused: the points named after them
// would share a name (Subject::interval). Nothing when every name differs, or
// the request is refused anyway (table_refusal).
std::optional<Failure> table_name_clash(const Alignment& alignment, const TableRequest& request,
                                        int decimals);

// The number of rows table() would give, or its refusal, without computing any.
Outcome<std::size_t> table_row_count(const Alignment& alignment, const TableRequest& request);

}  // namespace korvane::route
