// The batch table at growing sizes, against a plain snprintf/nearbyint version
// of the same loop, on the example line (offset 5, skew 90, start 1000, step 0.1).
//
//   build/bench/bench_batch --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "geometry/angles.h"
#include "geometry/computations.h"
#include "geometry/number_text.h"

namespace kg = korvane::geometry;
using kg::Field;

namespace {

constexpr double kStart = 1000.0;
constexpr double kStep = 0.1;

kg::FieldTexts fields_for(std::int64_t rows) {
    kg::FieldTexts f;
    f.set(Field::Text1, "1000");
    f.set(Field::Text2, "8765.888");
    f.set(Field::Text3, "6789.999");
    f.set(Field::Text4, "15.152555");
    f.set(Field::Text6, "5");
    f.set(Field::Text7, "90");
    f.set(Field::Text15, "1000");
    // The running sum of 0.1 stays a little below the exact multiples, so an
    // end a half step past the last wanted row gives exactly `rows` rows.
    f.set(Field::Text16, kg::format_number(kStart + (static_cast<double>(rows) - 0.5) * kStep));
    f.set(Field::Text17, "0.1");
    return f;
}

// The same table written the plain way: %.15g for every number, nearbyint for
// the rounding to 3 decimals. Not exact on halfway cases, hence not used.
std::string reference_table(double end) {
    const double k0 = 1000, x0 = 8765.888, y0 = 6789.999, p = 5;
    const double a = kg::Dms(15.152555), s = kg::Dms(90);
    const double ca = std::cos(a * kg::kPiLiteral / 180), sa = std::sin(a * kg::kPiLiteral / 180);
    const double cas = std::cos((a + s) * kg::kPiLiteral / 180);
    const double sas = std::sin((a + s) * kg::kPiLiteral / 180);
    std::string text(kg::kBatchHeader);
    char row[160];
    for (double k = kStart; k <= end; k += kStep) {
        const double l = std::fabs(k - k0);
        const double x = std::nearbyint(((l * ca + x0) + cas * p) * 1000) / 1000;
        const double y = std::nearbyint(((l * sa + y0) + sas * p) * 1000) / 1000;
        const int n = std::snprintf(row, sizeof row, " K=%.15g,P=%.15g,X=%.15g,Y=%.15g\r\n", k, p, x, y);
        text.append(row, static_cast<std::size_t>(n));
    }
    return text;
}

// Every row written by the library must equal the exact rules applied one
// number at a time through the general (slow) path.
void verify(const std::string& table, std::int64_t rows) {
    std::string expected(kg::kBatchHeader);
    std::int64_t count = 0;
    const auto f = fields_for(rows);
    kg::batch_rows(f, [&](const kg::BatchRow& r) {
        expected += " K=" + std::string(r.k) + ",P=" + std::string(r.p) + ",X=" +
                    std::string(r.x) + ",Y=" + std::string(r.y) + "\r\n";
        ++count;
    });
    if (count != rows || expected != table) throw std::runtime_error("batch table differs");
}

void BM_batch_table(benchmark::State& state) {
    const auto rows = state.range(0);
    const auto fields = fields_for(rows);
    verify(kg::batch_table(fields).value(), rows);
    for (auto _ : state) {
        auto table = kg::batch_table(fields);
        benchmark::DoNotOptimize(table.value().data());
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["ns_per_row"] = benchmark::Counter(
        static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_reference_snprintf(benchmark::State& state) {
    const auto rows = state.range(0);
    const double end = kStart + (static_cast<double>(rows) - 0.5) * kStep;
    for (auto _ : state) {
        auto table = reference_table(end);
        benchmark::DoNotOptimize(table.data());
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["ns_per_row"] = benchmark::Counter(
        static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_batch_table)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_reference_snprintf)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
