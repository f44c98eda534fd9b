// Showing a 100,000-row batch table in Text14: from the click of Command6 until
// the field holds the text and the window has drawn it. Qt's offscreen platform.
//
//   build/bench/bench_text14 --benchmark_repetitions=7 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>

#include "ui/common/chinese.h"
#include "ui/common/desktop.h"
#include "ui/line/main_form.h"
#include "ui/line/table_field.h"

using korvane::form::Field;

namespace {

// Answers nothing: a benchmark run that shows a message has already failed.
class SilentDesktop final : public korvane::ui::Desktop {
  public:
    bool failed = false;
    void showInformation(QWidget*, const QString&, const QString&) override { failed = true; }
    QString chooseFile(QWidget*, korvane::ui::FileDialogMode, const QStringList&) override {
        return {};
    }
    void moveFocus(QWidget*) override {}
    korvane::ui::UnsavedChoice askUnsaved(QWidget*, const QString&) override {
        failed = true;
        return korvane::ui::UnsavedChoice::Cancel;
    }
    bool askYesNo(QWidget*, const QString&) override {
        failed = true;
        return false;
    }
    QString chooseItem(QWidget*, const QString&, const QStringList&) override { return {}; }
    QString findProgram(const QString&) override { return {}; }
    bool startProgram(const QString&, const QStringList&) override { return false; }
    bool openUrl(const QUrl&) override { return false; }
};

void BM_ShowBatchTable(benchmark::State& state) {
    const auto rows = state.range(0);
    SilentDesktop desktop;
    korvane::ui::MainForm form(desktop);
    form.show();
    form.findChild<QRadioButton*>(QStringLiteral("Option4"))->click();
    form.setFieldText(Field::Text15, QStringLiteral("1000"));
    form.setFieldText(Field::Text16, QString::number(1000 + rows - 1));
    form.setFieldText(Field::Text17, QStringLiteral("1"));
    auto* command6 = form.findChild<QPushButton*>(QStringLiteral("Command6"));
    auto* text14 = form.findChild<korvane::ui::TableField*>(QStringLiteral("Text14"));
    QApplication::processEvents();

    for (auto _ : state) {
        command6->click();
        text14->repaint();
        QApplication::processEvents();
        state.PauseTiming();
        if (desktop.failed || text14->blockCount() != rows + 2) {
            state.SkipWithError("the table was not shown");
            break;
        }
        // Start every iteration from the short table the window opens with.
        form.setFieldText(Field::Text14, QString());
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_ShowBatchTable)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    korvane::ui::use_simplified_chinese(app);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
