// The route window at scale, offscreen: opening and drawing an alignment of
// 200 elements, and a table of 10^6 rows from the click until its first rows
// are on screen and until its last, with the longest time the window's event
// loop went without a turn (a 1 ms timer probe) while the rows were computed.
//   QT_QPA_PLATFORM=offscreen bench_route_window
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>

#include "files/alignment_file.h"
#include "route/definition.h"
#include "ui/common/desktop.h"
#include "ui/route/route_results.h"
#include "ui/route/route_window.h"

namespace kr = korvane::route;

namespace {

// Straight, transition, curve, transition, turning right and left in turn.
kr::Definition grid_definition(int elements) {
    kr::Definition d;
    d.name = "bench";
    kr::ElementsDef e;
    e.start_x = 3512345.678;
    e.start_y = 456789.012;
    e.start_azimuth = 0.7;
    for (int i = 0; i < elements; ++i) {
        const double r = ((i / 4) % 2 == 0 ? 1.0 : -1.0) * 600;
        switch (i % 4) {
            case 0:
                e.elements.push_back({150, kr::kStraight, kr::kStraight});
                break;
            case 1:
                e.elements.push_back({80, kr::kStraight, r});
                break;
            case 2:
                e.elements.push_back({120, r, r});
                break;
            default:
                e.elements.push_back({80, r, kr::kStraight});
                break;
        }
    }
    d.horizontal = e;
    return d;
}

// A desktop that answers nothing: the benchmark never meets a question.
class SilentDesktop final : public korvane::ui::Desktop {
  public:
    void showInformation(QWidget*, const QString&, const QString& text) override {
        qWarning("%s", qPrintable(text));
    }
    QString chooseFile(QWidget*, korvane::ui::FileDialogMode, const QStringList&) override {
        return {};
    }
    void moveFocus(QWidget*) override {}
    korvane::ui::UnsavedChoice askUnsaved(QWidget*, const QString&) override {
        return korvane::ui::UnsavedChoice::Discard;
    }
    bool askYesNo(QWidget*, const QString&) override { return true; }
    QString chooseItem(QWidget*, const QString&, const QStringList&) override { return {}; }
    QString findProgram(const QString&) override { return {}; }
    bool startProgram(const QString&, const QStringList&) override { return false; }
    bool openUrl(const QUrl&) override { return false; }
};

QString write_alignment(const QTemporaryDir& dir, int elements = 200) {
    QString path = dir.filePath(QStringLiteral("bench.csv"));
    if (korvane::files::write_alignment_file(path.toStdString(), grid_definition(elements)))
        qFatal("cannot write the alignment");
    return path;
}

// Opening an alignment of `elements` elements until it is drawn.
void open_and_draw(benchmark::State& state, int elements) {
    QTemporaryDir dir;
    const QString path = write_alignment(dir, elements);
    SilentDesktop desktop;
    for (auto _ : state) {
        korvane::ui::RouteWindow w(desktop);
        w.show();
        if (!w.openFile(path)) state.SkipWithError("open failed");
        // Everything painted once, as on screen.
        benchmark::DoNotOptimize(w.grab());
    }
}

void BM_OpenAndDraw200(benchmark::State& state) {
    open_and_draw(state, 200);
}
BENCHMARK(BM_OpenAndDraw200)->Unit(benchmark::kMillisecond)->Iterations(5);

// The largest alignment a file may hold.
void BM_OpenAndDrawLargest(benchmark::State& state) {
    open_and_draw(state, static_cast<int>(kr::kMaxElements));
}
BENCHMARK(BM_OpenAndDrawLargest)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Table1e6(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = write_alignment(dir);
    SilentDesktop desktop;
    korvane::ui::RouteWindow w(desktop);
    w.show();
    w.openFile(path);
    // Whole stations every 0.0215 m over the 21.5 km: 10^6 rows.
    w.findChild<QLineEdit*>(QStringLiteral("fromEdit"))->setText(QStringLiteral("0"));
    w.findChild<QLineEdit*>(QStringLiteral("toEdit"))->setText(QStringLiteral("21499.9785"));
    w.findChild<QLineEdit*>(QStringLiteral("intervalEdit"))->setText(QStringLiteral("0.0215"));
    w.findChild<QCheckBox*>(QStringLiteral("keyPointsBox"))->setChecked(false);
    auto* button = w.findChild<QPushButton*>(QStringLiteral("tableButton"));
    double first = 0, last = 0, gap = 0;
    std::size_t rows = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        QElapsedTimer turn;
        qint64 longest = 0;
        QTimer probe;
        probe.setInterval(1);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            longest = std::max(longest, turn.elapsed());
            turn.restart();
        });
        clock.start();
        turn.start();
        probe.start();
        button->click();
        double seen = -1;
        while (w.isComputing()) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            if (seen < 0 && w.results().size() > 0) {
                // The first rows painted in the table.
                w.repaint();
                seen = static_cast<double>(clock.nsecsElapsed()) / 1e9;
            }
        }
        QApplication::processEvents();
        w.repaint();
        last = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        first = seen;
        gap = static_cast<double>(longest) / 1e3;
        rows = w.results().size();
        probe.stop();
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["first_rows_s"] = first;
    state.counters["all_rows_s"] = last;
    state.counters["longest_ui_gap_s"] = gap;
}
BENCHMARK(BM_Table1e6)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
