// The worker the route window computes and exports on: its calls reach the
// window in order and before its outcome, and a task stopped or started anew
// tells the window nothing more.
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <atomic>
#include <optional>
#include <vector>

#include "ui/route/background_task.h"

using korvane::ui::BackgroundTask;
using korvane::ui::TaskOutcome;

class BackgroundTaskTest : public QObject {
    Q_OBJECT

  private slots:
    void postsComeInOrderAndBeforeTheOutcome();
    void aStoppedTaskTellsNothingMore();
    void aCancelReachesTheWork();
};

void BackgroundTaskTest::postsComeInOrderAndBeforeTheOutcome() {
    BackgroundTask task;
    std::vector<int> calls;
    std::optional<TaskOutcome> outcome;
    std::size_t callsBeforeOutcome = 0;
    task.start(
        [&calls](BackgroundTask::Control& control) {
            for (int i = 0; i < 100; ++i) control.post([&calls, i] { calls.push_back(i); });
            TaskOutcome o;
            o.warnings = {QStringLiteral("注意：一"), QStringLiteral("注意：二")};
            return o;
        },
        [&](const TaskOutcome& o) {
            callsBeforeOutcome = calls.size();
            outcome = o;
        });
    QVERIFY(task.isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(outcome.has_value(), 10000);
    QVERIFY(!task.isRunning());
    QCOMPARE(callsBeforeOutcome, std::size_t{100});
    for (int i = 0; i < 100; ++i) QCOMPARE(calls[static_cast<std::size_t>(i)], i);
    QVERIFY(!outcome->failed());
    QVERIFY(!outcome->cancelled);
    QCOMPARE(outcome->warnings,
             QStringList({QStringLiteral("注意：一"), QStringLiteral("注意：二")}));
}

void BackgroundTaskTest::aStoppedTaskTellsNothingMore() {
    BackgroundTask task;
    int calls = 0;
    int outcomes = 0;
    // Ended on its worker, its posts and outcome still waiting for the window.
    QSemaphore ended;
    task.start(
        [&](BackgroundTask::Control& control) {
            control.post([&calls] { ++calls; });
            ended.release();
            return TaskOutcome{QStringLiteral("旧的失败"), {}, false};
        },
        [&outcomes](const TaskOutcome&) { ++outcomes; });
    ended.acquire();
    QThread::msleep(50);
    task.stop();
    QVERIFY(!task.isRunning());

    // A new task on the same object: only its own outcome comes.
    std::optional<TaskOutcome> second;
    task.start([](BackgroundTask::Control&) { return TaskOutcome{}; },
               [&second](const TaskOutcome& o) { second = o; });
    QTRY_VERIFY_WITH_TIMEOUT(second.has_value(), 10000);
    QVERIFY(!second->failed());
    QTest::qWait(50);
    QCOMPARE(calls, 0);
    QCOMPARE(outcomes, 0);
}

void BackgroundTaskTest::aCancelReachesTheWork() {
    BackgroundTask task;
    std::optional<TaskOutcome> outcome;
    std::atomic<bool> started = false;
    task.start(
        [&started](BackgroundTask::Control& control) {
            started = true;
            while (!control.cancelled()) QThread::msleep(1);
            TaskOutcome o;
            o.cancelled = control.cancelFlag().load();
            return o;
        },
        [&outcome](const TaskOutcome& o) { outcome = o; });
    QTRY_VERIFY_WITH_TIMEOUT(started.load(), 10000);
    task.cancel();
    QTRY_VERIFY_WITH_TIMEOUT(outcome.has_value(), 10000);
    QVERIFY(outcome->cancelled);
}

QTEST_GUILESS_MAIN(BackgroundTaskTest)

#include "background_task_test.moc"
