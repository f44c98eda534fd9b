#include "ui/route/background_task.h"

#include <QMetaObject>
#include <QThread>
#include <utility>

namespace korvane::ui {

void BackgroundTask::Control::progress(std::size_t done) {
    if (clock_.elapsed() < kProgressMs) return;
    clock_.restart();
    BackgroundTask* task = task_;
    post([task, done] {
        if (task->progressed_) task->progressed_(done);
    });
}

void BackgroundTask::Control::post(std::function<void()> call) const {
    BackgroundTask* task = task_;
    QMetaObject::invokeMethod(
        task,
        [task, generation = generation_, call = std::move(call)] {
            if (generation == task->generation_ && task->thread_) call();
        },
        Qt::QueuedConnection);
}

BackgroundTask::BackgroundTask(QObject* parent) : QObject(parent) {}

BackgroundTask::~BackgroundTask() {
    stop();
}

void BackgroundTask::start(Work work, Finished finished, Progressed progressed) {
    stop();
    const int generation = ++generation_;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    finished_ = std::move(finished);
    progressed_ = std::move(progressed);
    thread_ = QThread::create([this, generation, cancel = cancel_, work = std::move(work)] {
        Control control(this, generation, cancel);
        TaskOutcome outcome = work(control);
        // The last call the work posts: everything it posted before comes first.
        control.post([this, outcome = std::move(outcome)] { finish(outcome); });
    });
    thread_->start();
}

void BackgroundTask::cancel() {
    if (cancel_) cancel_->store(true);
}

void BackgroundTask::stop() {
    if (!thread_) return;
    cancel_->store(true);
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    cancel_.reset();
    ++generation_;
}

void BackgroundTask::finish(const TaskOutcome& outcome) {
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    cancel_.reset();
    ++generation_;
    // Taken before the call, which may start the next task.
    const Finished finished = std::move(finished_);
    progressed_ = {};
    if (finished) finished(outcome);
}

}  // namespace korvane::ui
