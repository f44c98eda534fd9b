#include "route/checks.h"

#include <algorithm>
#include <cmath>
#include <variant>

#include "geometry/number_text.h"
#include "route/element.h"

namespace korvane::route {
namespace {

std::string kind_text(const ElementDef& e) {
    if (std::isinf(e.radius_start) && std::isinf(e.radius_end)) return "直线";
    return e.radius_start == e.radius_end ? "圆曲线" : "缓和曲线";
}

std::string radius_text(double r) {
    return std::isinf(r) ? std::string("∞")
                         : std::string("R").append(geometry::format_rounded(std::fabs(r), 3));
}

}  // namespace

std::vector<Notice> curvature_jumps(const ElementsDef& def) {
    std::vector<Notice> out;
    const auto& el = def.elements;
    for (std::size_t i = 1; i < el.size(); ++i) {
        const ElementDef& a = el[i - 1];
        const ElementDef& b = el[i];
        const bool a_transition = a.radius_start != a.radius_end;
        const bool b_transition = b.radius_start != b.radius_end;
        if (!a_transition && !b_transition) continue;
        const double k1 = curvature(a.radius_end);
        const double k2 = curvature(b.radius_start);
        if (!(std::fabs(k1 - k2) > 1e-4 * std::max(std::fabs(k1), std::fabs(k2)))) continue;
        out.push_back({"第" + std::to_string(i) + "个线元（" + kind_text(a) + "）终点的半径" +
                           radius_text(a.radius_end) + "与第" + std::to_string(i + 1) + "个线元（" +
                           kind_text(b) + "）起点的半径" + radius_text(b.radius_start) +
                           "不同，曲率在此突变",
                       static_cast<int>(i)});
    }
    return out;
}

std::vector<Notice> definition_notices(const Definition& definition) {
    if (const auto* e = std::get_if<ElementsDef>(&definition.horizontal)) {
        return curvature_jumps(*e);
    }
    return {};
}

}  // namespace korvane::route
