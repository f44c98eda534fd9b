// Helpers shared by the fuzz targets: a failed property aborts with the input
// shown, so libFuzzer (or the corpus replay driver) reports it as a crash.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::fuzz {

// Writes the input as an escaped string, then aborts.
[[noreturn]] inline void fail(std::string_view what, std::string_view input) {
    std::fprintf(stderr, "property violated: %.*s\ninput: \"", static_cast<int>(what.size()),
                 what.data());
    for (unsigned char c : input) {
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
            std::fputc(c, stderr);
        } else {
            std::fprintf(stderr, "\\x%02x", c);
        }
    }
    std::fputs("\"\n", stderr);
    std::abort();
}

inline void check(bool ok, std::string_view what, std::string_view input) {
    if (!ok) fail(what, input);
}

inline bool same_double(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

inline bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// True when `text` is a number as the program writes it: plain decimal with no
// leading zero (other than "0." before a fraction), no trailing zero after the
// point, no bare point, no "-0"; or exponent form d[.ddd]E(+|-)dd[d]. Never
// "inf" or "nan".
inline bool is_number_text(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') ++i;
    const std::string_view body = text.substr(i);
    if (body.empty()) return false;
    const auto e = body.find('E');
    if (e != std::string_view::npos) {
        // Mantissa: one non-zero digit, optionally a point and digits without a trailing zero.
        const std::string_view mant = body.substr(0, e);
        const std::string_view exp = body.substr(e + 1);
        if (mant.empty() || !is_digit(mant[0]) || mant[0] == '0') return false;
        if (mant.size() > 1) {
            if (mant[1] != '.' || mant.size() < 3 || mant.back() == '0') return false;
            for (char c : mant.substr(2)) {
                if (!is_digit(c)) return false;
            }
        }
        if (exp.size() < 3 || (exp[0] != '+' && exp[0] != '-')) return false;
        for (char c : exp.substr(1)) {
            if (!is_digit(c)) return false;
        }
        return true;
    }
    const auto point = body.find('.');
    const std::string_view whole = body.substr(0, point);
    if (whole.empty()) return false;
    for (char c : whole) {
        if (!is_digit(c)) return false;
    }
    if (whole.size() > 1 && whole[0] == '0') return false;
    if (point != std::string_view::npos) {
        const std::string_view frac = body.substr(point + 1);
        if (frac.empty() || frac.back() == '0') return false;
        for (char c : frac) {
            if (!is_digit(c)) return false;
        }
    }
    if (i == 1 && body == "0") return false;  // "-0"
    return true;
}

// Count of digits after the point of a plain number text (0 for exponent form).
inline std::size_t decimals_of(std::string_view text) {
    if (text.find('E') != std::string_view::npos) return 0;
    const auto point = text.find('.');
    return point == std::string_view::npos ? 0 : text.size() - point - 1;
}

// Splits `text` at every `sep`.
inline std::vector<std::string_view> split(std::string_view text, char sep) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (true) {
        const auto pos = text.find(sep, start);
        out.push_back(text.substr(start, pos - start));
        if (pos == std::string_view::npos) break;
        start = pos + 1;
    }
    return out;
}

}  // namespace korvane::fuzz
