// The route window's drawings, offscreen: opening a 200-element alignment in
// national-grid coordinates (sampling it and drawing the plan and the profile
// once into a 1280×800 image) and one frame of zooming or panning the plan
// (the wheel or drag event and the drawing it causes).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <memory>

#include "ui/route/plan_view.h"
#include "ui/route/profile_view.h"

namespace kr = korvane::route;
using korvane::ui::PlanView;
using korvane::ui::ProfileView;

namespace {

// Groups of straight, transition, circular curve, transition, turning left
// and right in turn, starting at X 3.5e6, with a vertical point every 1.5 km.
std::shared_ptr<const kr::Alignment> grid_alignment(int elements) {
    kr::ElementsDef e;
    e.start_chainage = 0;
    e.start_x = 3512345.678;
    e.start_y = 456789.012;
    e.start_azimuth = 0.7;
    double length = 0;
    for (int i = 0; i < elements; ++i) {
        const double side = (i / 4) % 2 == 0 ? 1.0 : -1.0;
        const double r = side * 600;
        switch (i % 4) {
            case 0:
                e.elements.push_back({150, kr::kStraight, kr::kStraight});
                length += 150;
                break;
            case 1:
                e.elements.push_back({100, kr::kStraight, r});
                length += 100;
                break;
            case 2:
                e.elements.push_back({80, r, r});
                length += 80;
                break;
            default:
                e.elements.push_back({100, r, kr::kStraight});
                length += 100;
                break;
        }
    }
    kr::Definition d;
    d.horizontal = e;
    for (int i = 0; 1500.0 * i < length; ++i) {
        const double radius = i == 0 ? 0 : 6000;
        d.profile.push_back({1500.0 * i, 0, 100.0 + (i % 2 == 0 ? 0 : 8), radius});
    }
    d.profile.back().radius = 0;
    return std::make_shared<const kr::Alignment>(kr::Alignment::build(d).value());
}

const std::shared_ptr<const kr::Alignment>& alignment200() {
    static const auto a = grid_alignment(200);
    return a;
}

const QSize kFrame(1280, 800);

void BM_OpenAndDraw200(benchmark::State& state) {
    const auto& a = alignment200();
    QImage image(kFrame, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        PlanView plan;
        plan.resize(kFrame);
        plan.setAlignment(a);
        plan.render(&image);
        ProfileView profile;
        profile.resize(kFrame);
        profile.setAlignment(a);
        profile.render(&image);
    }
    benchmark::DoNotOptimize(image.constBits());
}

// One wheel notch in or out (in for the first half of a cycle of 24 notches,
// out for the second) about points of the alignment, then the frame.
void BM_WheelFrame200(benchmark::State& state) {
    PlanView plan;
    plan.resize(kFrame);
    plan.setAlignment(alignment200());
    QImage image(kFrame, QImage::Format_ARGB32_Premultiplied);
    int n = 0;
    for (auto _ : state) {
        const int step = n % 24;
        // About a point of the alignment, so that it stays in view.
        const kr::Pose p = alignment200()->pose_at(alignment200()->length() * (n % 37) / 37);
        const QPointF on = plan.toScreen(p.x, p.y);
        const QPointF at(std::clamp(on.x(), 0.0, 1279.0), std::clamp(on.y(), 0.0, 799.0));
        QWheelEvent ev(at, at, QPoint(), QPoint(0, step < 12 ? 120 : -120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&plan, &ev);
        plan.render(&image);
        ++n;
    }
    benchmark::DoNotOptimize(image.constBits());
}

// One drag step of 15 pixels (back and forth), zoomed in 4× or fitted.
void BM_PanFrame200(benchmark::State& state) {
    PlanView plan;
    plan.resize(kFrame);
    plan.setAlignment(alignment200());
    const QPointF centre(640, 400);
    for (int i = 0; i < 8 * static_cast<int>(state.range(0)); ++i) {
        QWheelEvent ev(centre, centre, QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                       Qt::NoScrollPhase, false);
        QApplication::sendEvent(&plan, &ev);
    }
    QImage image(kFrame, QImage::Format_ARGB32_Premultiplied);
    QMouseEvent press(QEvent::MouseButtonPress, centre, centre, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&plan, &press);
    QPointF at = centre;
    int n = 0;
    for (auto _ : state) {
        at += QPointF((n / 20) % 2 == 0 ? 15 : -15, (n / 20) % 2 == 0 ? 9 : -9);
        QMouseEvent move(QEvent::MouseMove, at, at, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&plan, &move);
        plan.render(&image);
        ++n;
    }
    benchmark::DoNotOptimize(image.constBits());
}

}  // namespace

BENCHMARK(BM_OpenAndDraw200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WheelFrame200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PanFrame200)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
