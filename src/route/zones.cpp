// Where the alignment's chainages are: its zones between chain breaks, the
// chainage of a position and the position of a chainage, and the names of
// points by their chainage (unique across a long chain).
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "geometry/fixed_text.h"
#include "route/alignment.h"
#include "route/chainage.h"

namespace korvane::route {
namespace {

constexpr double kTolerance = 1e-9;  // metres: positions this close are the same position

Failure fail(std::string message, Subject subject) {
    return Failure{std::move(message), subject, -1, -1};
}

}  // namespace

int Alignment::zone_of(double s) const {
    const auto it = std::lower_bound(zones_.begin(), zones_.end(), s,
                                     [](const Zone& z, double v) { return z.s_end < v; });
    if (it == zones_.end()) return static_cast<int>(zones_.size());
    return static_cast<int>(it - zones_.begin()) + 1;
}

double Alignment::chainage_of(double s, int zone) const {
    return s + zones_[static_cast<std::size_t>(
                          std::clamp(zone, 1, static_cast<int>(zones_.size())) - 1)]
                   .constant;
}

std::string Alignment::chainage_text(double chainage, int decimals) const {
    return format_chainage(chainage, decimals, prefix_);
}

bool Alignment::repeats(double chainage, int zone) const {
    const int count = static_cast<int>(zones_.size());
    for (int z = 1; z < zone && z <= count; ++z) {
        const Zone& earlier = zones_[static_cast<std::size_t>(z) - 1];
        if (chainage >= earlier.s_begin + earlier.constant - kTolerance &&
            chainage <= earlier.s_end + earlier.constant + kTolerance)
            return true;
    }
    return false;
}

std::optional<double> Alignment::ahead_of(double chainage, int zone) const {
    if (zone < 1 || zone >= static_cast<int>(zones_.size())) return std::nullopt;
    const Zone& z = zones_[static_cast<std::size_t>(zone) - 1];
    if (!(std::fabs(chainage - (z.s_end + z.constant)) <= kTolerance)) return std::nullopt;
    const Zone& next = zones_[static_cast<std::size_t>(zone)];
    return next.s_begin + next.constant;
}

std::string Alignment::station_text(double chainage, int zone, int decimals) const {
    std::string text = chainage_text(chainage, decimals);
    if (const std::optional<double> ahead = ahead_of(chainage, zone)) {
        text += '=';
        text += chainage_text(*ahead, decimals);
    } else if (repeats(chainage, zone)) {
        text += '(';
        text += std::to_string(zone);
        text += ')';
    }
    return text;
}

Outcome<Station> Alignment::locate(double chainage, int zone) const {
    const int count = static_cast<int>(zones_.size());
    if (!std::isfinite(chainage)) return fail("桩号不是有效数字！", Subject::station);
    const std::string text = "桩号" + chainage_text(chainage);
    if (zone < 0 || zone > count) {
        return fail(
            "分区" + std::to_string(zone) + "不存在（线路共" + std::to_string(count) + "个分区）！",
            Subject::zone);
    }
    auto inside = [&](int z, double& s) {
        const Zone& zz = zones_[static_cast<std::size_t>(z) - 1];
        s = chainage - zz.constant;
        if (s < zz.s_begin - kTolerance || s > zz.s_end + kTolerance) return false;
        s = std::clamp(s, zz.s_begin, zz.s_end);
        return true;
    };
    double s = 0;
    if (zone > 0) {
        if (inside(zone, s)) return Station{s, zone};
        const Zone& z = zones_[static_cast<std::size_t>(zone) - 1];
        return fail(text + "不在第" + std::to_string(zone) + "区（" +
                        chainage_text(z.s_begin + z.constant) + "至" +
                        chainage_text(z.s_end + z.constant) + "）内！",
                    Subject::station);
    }
    std::vector<Station> found;
    for (int z = 1; z <= count; ++z) {
        if (inside(z, s)) found.push_back(Station{s, z});
    }
    if (found.size() == 1) return found.front();
    if (found.size() > 1) {
        std::string where;
        for (const Station& st : found) {
            if (!where.empty()) where += "，";
            where +=
                "第" + std::to_string(st.zone) + "区距起点" + geometry::shown_fixed(st.s, 3) + "m";
        }
        return fail(text + "在长链内出现" + std::to_string(found.size()) + "次（" + where +
                        "），请指定分区！",
                    Subject::station);
    }
    const double before = chainage - zones_.front().constant;
    if (before < 0) {
        return fail(text + "在线路起点" + chainage_text(zones_.front().constant) + "之前" +
                        geometry::shown_fixed(-before, 3) + "m！",
                    Subject::station);
    }
    const double after = chainage - zones_.back().constant - length_;
    if (after > 0) {
        return fail(text + "在线路终点" + chainage_text(length_ + zones_.back().constant) + "之后" +
                        geometry::shown_fixed(after, 3) + "m！",
                    Subject::station);
    }
    for (std::size_t z = 0; z + 1 < zones_.size(); ++z) {
        const double back = zones_[z].s_end + zones_[z].constant;
        const double ahead = zones_[z + 1].s_begin + zones_[z + 1].constant;
        if (chainage > back && chainage < ahead) {
            return fail(text + "在短链" + chainage_text(back) + "=" + chainage_text(ahead) +
                            "内，该桩号不存在！",
                        Subject::station);
        }
    }
    return fail(text + "不在线路上！", Subject::station);
}

}  // namespace korvane::route
