// The chainage reader on arbitrary text: never crashes, accepts only finite
// values within range, and reads back what the writer writes from them.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "route/chainage.h"

namespace {

using korvane::fuzz::check;
namespace kr = korvane::route;

void round_trip(double v, std::string_view input) {
    if (!std::isfinite(v) || std::fabs(v) > kr::kMaxChainage) return;
    for (int d = 0; d <= 9; ++d) {
        const std::string text = kr::format_chainage(v, d, "DK");
        const auto back = kr::read_chainage(text);
        check(back.ok(), "written chainage not read back", input);
        check(std::fabs(back.value() - v) <=
                  0.5 * std::pow(10.0, -d) * (1 + 1e-9) + std::fabs(v) * 1e-15,
              "chainage read back differs by more than half a unit", input);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto r = kr::read_chainage(text);
    if (r.ok()) {
        check(std::isfinite(r.value()) && std::fabs(r.value()) <= kr::kMaxChainage,
              "chainage out of range", text);
        round_trip(r.value(), text);
    } else {
        const std::string& m = r.failure().message;
        check(m.size() > 3 && m.ends_with("！"), "failure without a message", text);
    }
    if (size == sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        round_trip(raw, text);
    }
    return 0;
}
