// The LandXML import on arbitrary bytes: a definition or a message ending in
// "！", never a crash or a hang. An alignment it imports that can be exported
// reads back from the export with the same elements (lengths and radii
// exactly; the start of an element placed on its own, and an angle point's
// turn, to rounding: directions are written as coordinates).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "files/landxml.h"
#include "fuzz_check.h"

namespace {

using korvane::fuzz::check;
namespace kf = korvane::files;

bool same_elements(const std::vector<korvane::route::ElementDef>& a,
                   const std::vector<korvane::route::ElementDef>& b) {
    if (a.size() != b.size()) return false;
    const auto near = [](double x, double y) {
        return std::fabs(x - y) <= 1e-9 * (1 + std::fabs(x));
    };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].length != b[i].length || a[i].radius_start != b[i].radius_start ||
            a[i].radius_end != b[i].radius_end || a[i].name != b[i].name)
            return false;
        if (a[i].start.has_value() != b[i].start.has_value() || !near(a[i].turn, b[i].turn))
            return false;
        if (a[i].start &&
            (!near(a[i].start->x, b[i].start->x) || !near(a[i].start->y, b[i].start->y) ||
             !near(std::remainder(a[i].start->azimuth - b[i].start->azimuth, 2 * std::numbers::pi),
                   0)))
            return false;
    }
    return true;
}

bool ends_with_mark(const std::string& message) {
    return std::string_view(message).ends_with("！") &&
           message.size() > std::string_view("！").size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto names = kf::landxml_alignment_names(bytes);
    if (!names)
        check(ends_with_mark(names.failure().message), "names failure without its closing mark",
              bytes);
    const auto read =
        kf::parse_landxml(bytes, names && !names.value().empty() ? names.value().front() : "");
    if (!read) {
        check(ends_with_mark(read.failure().message), "failure message without its closing mark",
              bytes);
        return 0;
    }
    const auto xml = kf::landxml_bytes(read.value());
    if (!xml) {
        check(ends_with_mark(xml.failure().message), "export failure without its closing mark",
              bytes);
        return 0;
    }
    const auto back = kf::parse_landxml(xml.value());
    if (!back) {
        // Elements that the export turns into points beyond 1 mm of each other
        // (huge values) may be refused again; never silently changed.
        check(ends_with_mark(back.failure().message), "re-import failure without its closing mark",
              bytes);
        return 0;
    }
    using korvane::route::ElementsDef;
    check(same_elements(std::get<ElementsDef>(back.value().horizontal).elements,
                        std::get<ElementsDef>(read.value().horizontal).elements),
          "export then import changed the elements", bytes);
    check(back.value().breaks == read.value().breaks, "export then import changed the chain breaks",
          bytes);
    return 0;
}
