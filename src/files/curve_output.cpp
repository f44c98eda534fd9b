#include "files/curve_output.h"

#include <cmath>

#include "files/codec.h"
#include "geometry/fixed_text.h"
#include "route/angle.h"

namespace korvane::files {
namespace {

void append_field(std::string& out, std::string_view field) {
    const bool quotes = !field.empty() && (field.find_first_of(",\"") != std::string_view::npos ||
                                           field.front() == ' ' || field.back() == ' ');
    if (!quotes) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

std::vector<std::string> curve_fields(const route::Alignment& a, const route::CurveRow& row,
                                      int decimals) {
    using Kind = route::CurveRow::Kind;
    std::vector<std::string> f(kCurveColumns);
    const auto number = [&](double v) { return geometry::shown_fixed(v, decimals); };
    const auto station = [&](const route::CurvePlace& p) {
        return a.station_text(p.chainage, p.zone, decimals);
    };
    f[0] = row.name;
    f[1] = station(row.station);
    f[2] = number(row.x);
    f[3] = number(row.y);
    if (row.kind == Kind::start || row.kind == Kind::end) return f;
    f[4] = route::format_packed(row.deflection, 2);
    f[5] = row.right ? "右" : "左";
    f[6] = number(row.radius);
    if (row.kind == Kind::angle_point) return f;
    f[7] = number(row.ls1);
    f[8] = number(row.ls2);
    f[9] = number(row.a1);
    f[10] = number(row.a2);
    f[11] = number(row.t1);
    f[12] = number(row.t2);
    f[13] = number(row.length);
    f[14] = number(row.arc_length);
    f[15] = number(row.external);
    f[16] = station(row.zh);
    f[17] = station(row.hy);
    f[18] = station(row.qz);
    f[19] = station(row.yh);
    f[20] = station(row.hz);
    return f;
}

Result<std::string> curve_table_csv(const route::Alignment& alignment,
                                    std::span<const route::CurveRow> rows, int decimals,
                                    bool crlf) {
    const std::string_view end = crlf ? "\r\n" : "\n";
    std::string text(kCurveHeader);
    text += end;
    for (const route::CurveRow& row : rows) {
        const std::vector<std::string> fields = curve_fields(alignment, row, decimals);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) text += ',';
            append_field(text, fields[i]);
        }
        text += end;
    }
    if (!crlf) return text;
    Result<std::string> encoded = utf8_to_cp936(text);
    if (!encoded) return Error{"无法写入：" + encoded.failure().message};
    return encoded;
}

}  // namespace korvane::files
