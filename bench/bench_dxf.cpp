// The DXF drawing of a table at scale: 10^3 to 10^5 stakes (and the
// alignment's own entities) on an alignment of 200 elements in
// national-grid coordinates, written to a sink that only counts the bytes.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "files/dxf_file.h"
#include "grid_elements.h"
#include "route/table.h"

namespace kr = korvane::route;
namespace kf = korvane::files;

namespace {

// Straight, transition, circular curve, transition, turning left and right
// in turn, starting at X 3.5e6 (200 elements, 21.5 km).
const kr::Alignment& alignment() {
    static const kr::Alignment a = [] {
        const kr::ElementsDef e = korvane::bench::grid_elements(200);
        kr::Definition d;
        d.horizontal = e;
        return kr::Alignment::build(d).value();
    }();
    return a;
}

// `count` stakes: centre stakes with two side stakes each along the alignment.
std::vector<kr::TableRow> stakes(std::size_t count) {
    kr::TableRequest q;
    q.from = 0;
    q.to = alignment().length();
    q.interval = 3 * alignment().length() / static_cast<double>(count);
    q.offsets = {-7.5, 0, 7.5};
    q.key_points = false;
    std::vector<kr::TableRow> rows;
    kr::table(alignment(), q, [&](const kr::TableRow& r) {
        rows.push_back(r);
        rows.back().label = {};
        return rows.size() < count;
    });
    return rows;
}

void BM_DxfStakes(benchmark::State& state) {
    const std::vector<kr::TableRow> rows = stakes(static_cast<std::size_t>(state.range(0)));
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto drawing = kf::DxfDrawing::make(alignment(), nullptr, {});
        const auto failed = drawing.value().write(
            rows, [&bytes](std::string_view piece) -> std::optional<kf::Error> {
                bytes += piece.size();
                return std::nullopt;
            });
        benchmark::DoNotOptimize(failed);
    }
    state.counters["stakes"] = static_cast<double>(rows.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_DxfStakes)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
