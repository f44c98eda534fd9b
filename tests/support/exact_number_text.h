// The number-text rules applied through glibc's printf, which rounds the exact
// binary value half to even: a reference independent of the library's own
// fast paths, for tests and for checking benchmark output. Plain decimal only,
// so for magnitudes from 1e-4 up to 1e15.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace korvane::testing {

// 15 significant digits, no trailing zeros, "-0" as "0".
inline std::string exact_fifteen(double v) {
    if (v == 0) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(v));
    std::string digits;
    const char* p = buf;
    for (; *p != 'e'; ++p) {
        if (*p != '.') digits.push_back(*p);
    }
    const int exp10 = std::atoi(p + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out = v < 0 ? "-" : "";
    if (exp10 >= 0) {
        const std::size_t int_len = static_cast<std::size_t>(exp10) + 1;
        if (digits.size() <= int_len) {
            out += digits + std::string(int_len - digits.size(), '0');
        } else {
            out += digits.substr(0, int_len) + "." + digits.substr(int_len);
        }
    } else {
        out += "0." + std::string(static_cast<std::size_t>(-exp10 - 1), '0') + digits;
    }
    return out;
}

// Rounded to 3 decimals, no trailing zeros, "-0" as "0".
inline std::string exact_rounded3(double v) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    std::string s = buf;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

}  // namespace korvane::testing
