// The folders of the tests' data, named by environment variables that ctest
// sets for each test (KORVANE_ROUTE_CASES, KORVANE_FILES_DATA, …). They are
// given when the tests run, not when they are compiled, so that a checkout in
// another folder compiles to the same objects (and the compiler cache serves
// them).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace korvane::testing {

// The folder named by `variable`, or where only KORVANE_TESTS (the tests'
// own folder) is set, that variable's folder below it; a test run without
// either stops at once, saying which is missing.
inline std::string data_dir(const std::string& variable) {
    if (const char* value = std::getenv(variable.c_str()); value != nullptr && *value != '\0')
        return value;
    const char* tests = std::getenv("KORVANE_TESTS");
    if (tests != nullptr && *tests != '\0') {
        const std::string root = tests;
        if (variable == "KORVANE_ROUTE_CASES") return root + "/data/route-cases";
        if (variable == "KORVANE_FILES_DATA") return root + "/files/data";
        if (variable == "KORVANE_CLI_DATA") return root + "/cli/data";
    }
    std::fprintf(stderr, "%s is not set: run the test through ctest\n", variable.c_str());
    std::exit(2);
}

}  // namespace korvane::testing
