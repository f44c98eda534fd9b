// The batch table at growing sizes, against a plain snprintf/nearbyint version
// of the same loop, on the example line (offset 5, skew 90, start 1000, step 0.1).
//
//   build/bench/bench_batch --benchmark_repetitions=7 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "form/computations.h"
#include "geometry/angles.h"
#include "geometry/number_text.h"
#include "support/exact_number_text.h"

namespace kg = korvane::geometry;
namespace kf = korvane::form;
using kf::Field;

namespace {

constexpr double kStart = 1000.0;
constexpr double kStep = 0.1;

// The running sum of 0.1 stays a little below the exact multiples, so an end
// half a step past the last wanted row gives exactly `rows` rows.
double end_for(std::int64_t rows) {
    return kStart + (static_cast<double>(rows) - 0.5) * kStep;
}

kf::FieldTexts fields_for(std::int64_t rows) {
    kf::FieldTexts f;
    f.set(Field::Text1, "1000");
    f.set(Field::Text2, "8765.888");
    f.set(Field::Text3, "6789.999");
    f.set(Field::Text4, "15.152555");
    f.set(Field::Text6, "5");
    f.set(Field::Text7, "90");
    f.set(Field::Text15, "1000");
    f.set(Field::Text16, kg::format_number(end_for(rows)));
    f.set(Field::Text17, "0.1");
    return f;
}

// The batch loop of the example line, written out either the plain way (%.15g
// for every number, nearbyint for the rounding to 3 decimals: the reference
// that is timed) or by the exact rules through printf (used to verify).
std::string reference_table(double end, bool exact) {
    const double k0 = 1000, x0 = 8765.888, y0 = 6789.999, p = 5;
    const double a = kg::Dms(15.152555), s = kg::Dms(90);
    const double ca = std::cos(a * kg::kPiLiteral / 180), sa = std::sin(a * kg::kPiLiteral / 180);
    const double cas = std::cos((a + s) * kg::kPiLiteral / 180);
    const double sas = std::sin((a + s) * kg::kPiLiteral / 180);
    std::string text(kf::kBatchHeader);
    char row[160];
    for (double k = kStart; k <= end; k += kStep) {
        const double l = std::fabs(k - k0);
        const double x = (l * ca + x0) + cas * p;
        const double y = (l * sa + y0) + sas * p;
        if (exact) {
            text += " K=";
            text += korvane::testing::exact_fifteen(k);
            text += ",P=";
            text += korvane::testing::exact_fifteen(p);
            text += ",X=";
            text += korvane::testing::exact_rounded3(x);
            text += ",Y=";
            text += korvane::testing::exact_rounded3(y);
            text += "\r\n";
        } else {
            const int n =
                std::snprintf(row, sizeof row, " K=%.15g,P=%.15g,X=%.15g,Y=%.15g\r\n", k, p,
                              std::nearbyint(x * 1000) / 1000, std::nearbyint(y * 1000) / 1000);
            text.append(row, static_cast<std::size_t>(n));
        }
    }
    return text;
}

// Every row the library writes must equal the exact rules applied by printf.
void verify(const std::string& table, std::int64_t rows) {
    if (table != reference_table(end_for(rows), /*exact=*/true)) {
        throw std::runtime_error("batch table differs from the exact rules");
    }
    std::int64_t newlines = 0;
    for (char c : table) newlines += c == '\n';
    if (newlines != rows + 1) throw std::runtime_error("batch table has the wrong row count");
}

void BM_batch_table(benchmark::State& state) {
    const auto rows = state.range(0);
    const auto fields = fields_for(rows);
    verify(kf::batch_table(fields).value(), rows);
    for (auto _ : state) {
        auto table = kf::batch_table(fields);
        benchmark::DoNotOptimize(table.value().data());
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["ns_per_row"] = benchmark::Counter(
        static_cast<double>(rows),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_reference_snprintf(benchmark::State& state) {
    const auto rows = state.range(0);
    const double end = end_for(rows);
    for (auto _ : state) {
        auto table = reference_table(end, /*exact=*/false);
        benchmark::DoNotOptimize(table.data());
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["ns_per_row"] = benchmark::Counter(
        static_cast<double>(rows),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_batch_table)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_reference_snprintf)
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
#ifdef __GLIBC__
    // glibc hands blocks above its mmap threshold (at most 32 MiB) fresh pages
    // on every allocation, and smaller ones pages reused from the heap. The
    // 10^6-row text (about 40 MB) would then pay some 10,000 page faults per
    // run that the 10^5-row text does not, and the sizes would not compare.
    // Serve every size from the heap, and keep freed heap memory, so that all
    // sizes are measured alike. (Run with --no-heap-reuse to see the default.)
    bool reuse = true;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--no-heap-reuse") {
            reuse = false;
            argv[i] = argv[argc - 1];
            --argc;
            break;
        }
    }
    if (reuse) {
        mallopt(M_MMAP_MAX, 0);
        mallopt(M_TRIM_THRESHOLD, 1 << 30);
    }
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
