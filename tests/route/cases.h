// Reading the reference case tables in tests/data/route-cases (its
// folder is named when the tests run, support/test_data.h).
#pragma once

#include <charconv>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>
#include "support/test_data.h"

namespace korvane::route::test {

inline std::string case_path(std::string_view name) {
    return korvane::testing::data_dir("KORVANE_ROUTE_CASES") + "/" + std::string(name);
}

inline std::string read_bytes(std::string_view name) {
    std::ifstream in(case_path(name), std::ios::binary);
    // A missing reference file must fail the test by name, not read as no rows.
    if (!in) throw std::runtime_error("reference case not found: " + case_path(name));
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The lines of a text, without CR LF / LF, blank lines dropped.
inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) out.push_back(line);
        start = end + 1;
    }
    return out;
}

inline std::vector<std::string> fields_of(const std::string& line) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (true) {
        const auto comma = line.find(',', start);
        out.push_back(line.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return out;
}

// Rows of a CSV file after its header line.
inline std::vector<std::vector<std::string>> csv_rows(std::string_view name) {
    std::vector<std::vector<std::string>> rows;
    const auto lines = lines_of(read_bytes(name));
    for (std::size_t i = 1; i < lines.size(); ++i) rows.push_back(fields_of(lines[i]));
    return rows;
}

inline double number(const std::string& text) {
    double v = 0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
}

}  // namespace korvane::route::test
