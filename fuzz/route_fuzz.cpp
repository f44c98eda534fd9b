// Computations on arbitrary small alignments built from the input bytes:
// whatever the numbers, building, forward, inverse and a table give a value
// or a failure with a message, and no value is ever infinite or NaN.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "route/forward.h"
#include "route/table.h"

namespace {

using korvane::fuzz::check;
namespace kr = korvane::route;

struct Bytes {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;

    std::uint8_t byte() { return at < size ? data[at++] : 0; }
    // A number: mostly ordinary values, sometimes an extreme or raw double.
    double number(double scale) {
        const std::uint8_t kind = byte();
        if (kind == 255 && at + 8 <= size) {
            double raw;
            std::memcpy(&raw, data + at, 8);
            at += 8;
            return raw;
        }
        if (kind == 254) return kr::kStraight;
        if (kind == 253) return -kr::kStraight;
        const double v = (static_cast<int>(byte()) * 256 + byte()) / 65536.0;
        return (kind & 1 ? -1.0 : 1.0) * v * scale * (1 + (kind >> 4));
    }
};

void check_failure(const kr::Failure& f, std::string_view input) {
    check(f.message.size() > 3 && f.message.ends_with("！"), "failure without a message", input);
}

bool is_finite(double v) {
    return std::isfinite(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Bytes in{data, size};
    kr::Definition d;
    const std::uint8_t mode = in.byte();
    if (mode & 1) {
        kr::PointsDef p;
        p.start_chainage = in.number(1000);
        p.start_x = in.number(1000);
        p.start_y = in.number(1000);
        const int n = in.byte() % 4;
        for (int i = 0; i < n; ++i) {
            p.points.push_back({"JD" + std::to_string(i + 1), in.number(2000), in.number(2000),
                                in.number(500), in.number(100), in.number(100)});
        }
        p.end_x = in.number(3000);
        p.end_y = in.number(3000);
        d.horizontal = p;
    } else {
        kr::ElementsDef e;
        e.start_chainage = in.number(1000);
        e.start_x = in.number(1e6);
        e.start_y = in.number(1e6);
        e.start_azimuth = in.number(7);
        const int n = 1 + in.byte() % 6;
        for (int i = 0; i < n; ++i)
            e.elements.push_back({in.number(300), in.number(500), in.number(500)});
        d.horizontal = e;
    }
    const int breaks = in.byte() % 3;
    for (int i = 0; i < breaks; ++i) d.breaks.push_back({in.number(1000), in.number(1000)});
    const int vps = in.byte() % 4;
    for (int i = 0; i < vps; ++i) {
        d.profile.push_back(
            {in.number(1000), static_cast<int>(in.byte() % 3), in.number(100), in.number(5000)});
    }
    const auto built = kr::Alignment::build(d);
    if (!built.ok()) {
        check_failure(built.failure(), input);
        return 0;
    }
    const kr::Alignment& a = built.value();
    check(is_finite(a.length()) && a.length() > 0, "alignment length", input);
    for (const auto& k : a.key_points()) {
        check(is_finite(k.x) && is_finite(k.y) && is_finite(k.azimuth) && is_finite(k.chainage),
              "key point not finite", input);
    }
    for (int i = 0; i < 4; ++i) {
        const double chainage = in.number(1500);
        const auto f = kr::forward(a, chainage, in.byte() % 3, in.number(100), in.number(4));
        if (!f.ok()) {
            check_failure(f.failure(), input);
            continue;
        }
        const auto& v = f.value();
        check(is_finite(v.x) && is_finite(v.y) && is_finite(v.azimuth) && is_finite(v.s),
              "forward not finite", input);
        check(!v.elevation || is_finite(*v.elevation), "forward elevation not finite", input);
        const auto inv = kr::inverse(a, v.x, v.y);
        if (!inv.ok()) {
            check_failure(inv.failure(), input);
            continue;
        }
        const auto& w = inv.value();
        check(is_finite(w.s) && is_finite(w.offset) && is_finite(w.chainage) && w.feet >= 1,
              "inverse not finite", input);
        check(w.s >= 0 && w.s <= a.length(), "inverse foot off the alignment", input);
    }
    const auto inv = kr::inverse(a, in.number(1e6), in.number(1e6));
    if (!inv.ok()) check_failure(inv.failure(), input);
    kr::TableRequest q;
    q.from = in.number(1000);
    q.to = in.number(3000);
    q.interval = in.number(50);
    q.offsets = {in.number(20), 0};
    q.skew = 1.0 + in.byte() / 256.0;
    std::size_t rows = 0;
    const auto t = kr::table(a, q, [&](const kr::TableRow& r) {
        check(is_finite(r.x) && is_finite(r.y) && is_finite(r.s) && is_finite(r.chainage),
              "table row not finite", input);
        return ++rows < 20000;
    });
    if (!t.ok()) check_failure(t.failure(), input);
    return 0;
}
