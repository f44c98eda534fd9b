// Route computations at scale: a table of up to 10^6 rows and a bulk inverse
// on an alignment of 200 elements in national-grid coordinates, against a
// plain version in the same binary (adaptive Simpson from the element's start
// for every point, linear scan over the elements). Rates are per row / point.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "grid_elements.h"
#include "route/forward.h"
#include "route/table.h"

namespace kr = korvane::route;

namespace {

// The benchmarks' alignment of `elements` elements (grid_elements.h).
kr::Alignment grid_alignment(int elements, int section = -1) {
    const kr::ElementsDef e = korvane::bench::grid_elements(elements);
    kr::Definition d;
    d.horizontal = e;
    // With a section: a profile, a template of four segments a side, and
    // (section 1) superelevation of 6 % and 0.8 m of widening over every
    // curve, as derived from its transitions.
    if (section >= 0) {
        double length = 0;
        for (const kr::ElementDef& el : e.elements) length += el.length;
        d.profile = {{0, 0, 100, 0}, {length / 2, 0, 120, 20000}, {length, 0, 105, 0}};
        const std::vector<kr::SectionPart> side = {{0.75, -2, "路缘带", true},
                                                   {7.5, -2, "行车道", true},
                                                   {2.5, -2, "硬路肩", true},
                                                   {0.75, -4, "土路肩", false}};
        d.section.left = side;
        d.section.right = side;
        if (section == 1) {
            for (int g = 0; g * 4 + 3 < elements; ++g) {
                const double zh = g * 430.0 + 150;
                const bool right = g % 2 == 0;
                const auto slope = [&](double s, double outer, double inner) {
                    d.section.superelevation.push_back(
                        {s, 0, right ? outer : inner, right ? inner : outer});
                };
                const auto wide = [&](double s, double b) {
                    d.section.widening.push_back({s, 0, right ? 0 : b, right ? b : 0});
                };
                slope(zh, -2, -2);
                slope(zh + 50, 2, -2);
                slope(zh + 100, 6, -6);
                slope(zh + 180, 6, -6);
                slope(zh + 230, 2, -2);
                slope(zh + 280, -2, -2);
                wide(zh, 0);
                wide(zh + 100, 0.8);
                wide(zh + 180, 0.8);
                wide(zh + 280, 0);
            }
        }
    }
    return kr::Alignment::build(d).value();
}

const kr::Alignment& alignment(int elements) {
    static const kr::Alignment a20 = grid_alignment(20);
    static const kr::Alignment a200 = grid_alignment(200);
    static const kr::Alignment a2000 = grid_alignment(2000);
    return elements == 20 ? a20 : elements == 200 ? a200 : a2000;
}

// ---- the plain version

struct Local {
    double k, c;
};

double simpson(double (*f)(const Local&, double), const Local& l, double a, double b, double fa,
               double fm, double fb, double whole, double eps, int depth) {
    const double m = 0.5 * (a + b);
    const double lm = f(l, 0.5 * (a + m));
    const double rm = f(l, 0.5 * (m + b));
    const double left = (m - a) / 6 * (fa + 4 * lm + fm);
    const double right = (b - m) / 6 * (fm + 4 * rm + fb);
    if (depth <= 0 || std::fabs(left + right - whole) <= 15 * eps)
        return left + right + (left + right - whole) / 15;
    return simpson(f, l, a, m, fa, lm, fm, left, eps / 2, depth - 1) +
           simpson(f, l, m, b, fm, rm, fb, right, eps / 2, depth - 1);
}

double along(const Local& l, double u) {
    return std::cos(l.k * u + l.c * u * u);
}
double across(const Local& l, double u) {
    return std::sin(l.k * u + l.c * u * u);
}

double integrate(double (*f)(const Local&, double), const Local& l, double t) {
    const double fa = f(l, 0), fm = f(l, 0.5 * t), fb = f(l, t);
    return simpson(f, l, 0, t, fa, fm, fb, t / 6 * (fa + 4 * fm + fb), 1e-11, 40);
}

kr::Pose plain_pose(const kr::Alignment& a, double s) {
    const auto& segs = a.segments();
    std::size_t i = 0;
    while (i + 1 < segs.size() && segs[i + 1].s_start <= s) ++i;
    const kr::Segment& seg = segs[i];
    const double t = s - seg.s_start;
    const Local l{seg.k_start, (seg.k_end - seg.k_start) / (2 * seg.length)};
    const double u = integrate(along, l, t);
    const double v = integrate(across, l, t);
    const double c0 = std::cos(seg.start.azimuth), s0 = std::sin(seg.start.azimuth);
    return {seg.start.x + u * c0 - v * s0, seg.start.y + u * s0 + v * c0,
            seg.start.azimuth + l.k * t + l.c * t * t};
}

// ---- benchmarks

void table(benchmark::State& state, int elements) {
    const kr::Alignment& a = alignment(elements);
    kr::TableRequest q;
    q.from = 0;
    q.to = a.length();
    q.interval = a.length() / static_cast<double>(state.range(0) - 1);
    q.key_points = false;
    double sum = 0;
    std::size_t rows = 0;
    for (auto _ : state) {
        const auto t = kr::table(a, q, [&](const kr::TableRow& r) {
            sum += r.x;
            return true;
        });
        rows += t.value().rows;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(static_cast<std::int64_t>(rows));
}

// A table of side stakes with design elevations: 0 a template only, 1 the
// same with superelevation and widening over every curve. Rows =
// state.range(1), five offsets a station.
void BM_TableSection(benchmark::State& state) {
    static const kr::Alignment plain = grid_alignment(200, 0);
    static const kr::Alignment banked = grid_alignment(200, 1);
    const kr::Alignment& a = state.range(0) == 1 ? banked : plain;
    kr::TableRequest q;
    q.from = 0;
    q.to = a.length();
    q.offsets = {-11.5, -7.5, 0, 7.5, 11.5};
    const std::int64_t stations = state.range(1) / 5;
    q.interval = a.length() / static_cast<double>(stations - 1);
    q.key_points = false;
    double sum = 0;
    std::size_t rows = 0;
    for (auto _ : state) {
        const auto t = kr::table(a, q, [&](const kr::TableRow& r) {
            if (r.elevation) sum += *r.elevation;
            return true;
        });
        rows += t.value().rows;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(static_cast<std::int64_t>(rows));
}

void BM_Table200(benchmark::State& state) {
    table(state, 200);
}
void BM_TableElements(benchmark::State& state) {
    table(state, static_cast<int>(state.range(1)));
}

void BM_TablePlain200(benchmark::State& state) {
    const kr::Alignment& a = alignment(200);
    const auto n = state.range(0);
    const double step = a.length() / static_cast<double>(n - 1);
    double sum = 0;
    for (auto _ : state) {
        for (std::int64_t k = 0; k < n; ++k) {
            const kr::Pose p = plain_pose(a, std::min(static_cast<double>(k) * step, a.length()));
            sum += p.x;
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_Inverse200(benchmark::State& state) {
    const kr::Alignment& a = alignment(200);
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> s(0, a.length());
    std::uniform_real_distribution<double> p(-100, 100);
    std::vector<std::pair<double, double>> points;
    const auto n = state.range(0);
    for (std::int64_t i = 0; i < n; ++i) {
        const auto f = kr::forward(a, s(rng), 0, p(rng));
        points.emplace_back(f.value().x, f.value().y);
    }
    double sum = 0;
    for (auto _ : state) {
        for (const auto& [x, y] : points) {
            const auto r = kr::inverse(a, x, y);
            if (r.ok()) sum += r.value().s;
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * n);
}

}  // namespace

BENCHMARK(BM_Table200)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableSection)->Args({0, 1000000})->Args({1, 1000000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TablePlain200)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Inverse200)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TableElements)
    ->Args({100000, 20})
    ->Args({100000, 2000})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
