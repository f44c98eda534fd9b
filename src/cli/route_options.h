// The options of the `route` commands as typed, once the command line has
// been parsed: every value is kept as text and checked by the command itself,
// so that each refusal carries this program's own message.
#pragma once

#include <string>

#include "cli/output.h"

namespace korvane::cli {

struct RouteOptions {
    enum class Command { info, forward, inverse, table, curves, convert, section, check, dxf };
    Command command = Command::info;

    std::string file;
    std::string name;
    std::string decimals = "3";
    std::string output;
    std::string format = "csv";
    std::string names = "chinese";  // or "ascii"

    std::string station;
    std::string offset = "0";
    std::string skew = "90";
    std::string zone;

    std::string x;
    std::string y;
    std::string points;
    bool has_x = false;       // --x (and so --y) given
    bool has_points = false;  // --points given

    std::string from;
    std::string to;
    std::string interval;
    std::string offsets = "0";
    std::string from_zone;
    std::string to_zone;
    bool no_key_points = false;

    std::string out;

    // dxf: the tick interval and the chord tolerance of transitions (metres).
    std::string ticks = "20";
    std::string tolerance = "0.001";
    // The report's heading and sign-off (PDF output); empty: the alignment
    // file's own texts, or blank.
    std::string project;
    std::string section;
    std::string coordinate_system;
    std::string elevation_system;
    std::string computed_by;
    std::string checked_by;
    std::string approved_by;
};

// Runs the chosen route command.
Done run_route(const RouteOptions& options);

}  // namespace korvane::cli
