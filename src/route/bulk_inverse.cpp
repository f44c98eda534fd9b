#include "route/bulk_inverse.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>
#include <thread>
#include <utility>

namespace korvane::route {

unsigned computing_threads() {
    return std::clamp(std::thread::hardware_concurrency(), 1U, 4U);
}

korvane::Outcome<std::vector<Foot>, PointRefusal> inverse_points(const Alignment& alignment,
                                                                 std::span<const PlanPoint> points,
                                                                 unsigned threads) {
    const std::size_t n = points.size();
    std::vector<Foot> feet(n);
    // Below this many points a thread is not worth starting.
    constexpr std::size_t kPointsPerThread = 4096;
    const std::size_t runs_count = std::min<std::size_t>(
        std::max(1U, threads), std::max<std::size_t>(1, n / kPointsPerThread));
    struct Run {
        std::size_t begin = 0;
        std::size_t end = 0;
        std::optional<PointRefusal> stop;  // the run's first point without a foot
        std::exception_ptr error;          // an allocation failure
    };
    std::vector<Run> runs(runs_count);
    for (std::size_t t = 0; t < runs_count; ++t) {
        runs[t].begin = n * t / runs_count;
        runs[t].end = n * (t + 1) / runs_count;
    }
    const auto compute = [&](Run& run) {
        try {
            for (std::size_t i = run.begin; i < run.end; ++i) {
                Outcome<InverseResult> r = inverse(alignment, points[i].x, points[i].y);
                if (!r) {
                    run.stop = PointRefusal{i, r.failure()};
                    return;
                }
                const InverseResult& v = r.value();
                feet[i] = Foot{v.chainage, v.offset, v.elevation ? *v.elevation : std::nan(""),
                               v.zone,     v.feet,   v.corner};
            }
        } catch (...) {
            run.error = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> workers;
        for (std::size_t t = 1; t < runs_count; ++t)
            workers.emplace_back([&, t] { compute(runs[t]); });
        compute(runs[0]);
    }
    // The runs in order: an earlier run's refusal comes first.
    for (Run& run : runs) {
        if (run.error) std::rethrow_exception(run.error);
        if (run.stop) return std::move(*run.stop);
    }
    return feet;
}

}  // namespace korvane::route
