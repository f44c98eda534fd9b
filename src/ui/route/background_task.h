// Work run off the window on a thread of its own: a table computed, points
// inverted, results written to a file. The window can ask it to stop, see how
// far it has come, and gets its outcome back on the window's thread.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>

class QThread;

namespace korvane::ui {

// How a task ended: the failure that leaves it without a result (empty: none),
// the warnings that go with a result that stands, and whether the work
// stopped short because it was asked to.
struct TaskOutcome {
    QString failure;
    QStringList warnings;
    bool cancelled = false;

    bool failed() const { return !failure.isEmpty(); }
};

class BackgroundTask : public QObject {
  public:
    // The progress is handed to the window at most this often.
    static constexpr qint64 kProgressMs = 100;

    // What the work is given on its thread.
    class Control {
      public:
        // Whether the task has been asked to stop; the work stops soon after.
        bool cancelled() const { return cancel_->load(std::memory_order_relaxed); }
        const std::atomic<bool>& cancelFlag() const { return *cancel_; }
        // How far the work has come (rows done), told now and then; handed to
        // the task's progress callback at most every kProgressMs.
        void progress(std::size_t done);
        // Runs `call` on the window's thread, unless the task has been
        // stopped or started anew by then.
        void post(std::function<void()> call) const;

      private:
        friend class BackgroundTask;
        Control(BackgroundTask* task, int generation, std::shared_ptr<std::atomic<bool>> cancel)
            : task_(task), generation_(generation), cancel_(std::move(cancel)) {
            clock_.start();
        }

        BackgroundTask* task_;
        int generation_;
        std::shared_ptr<std::atomic<bool>> cancel_;
        QElapsedTimer clock_;
    };

    using Work = std::function<TaskOutcome(Control&)>;
    using Progressed = std::function<void(std::size_t)>;
    using Finished = std::function<void(const TaskOutcome&)>;

    explicit BackgroundTask(QObject* parent = nullptr);
    // Stops the work and waits for it.
    ~BackgroundTask() override;

    // Starts `work` on a thread of its own (a task still running is stopped
    // first). `finished` is called on the window's thread once the work has
    // returned and its thread has ended, after every call it posted;
    // `progressed` with what the work told through Control::progress.
    void start(Work work, Finished finished, Progressed progressed = {});
    bool isRunning() const { return thread_ != nullptr; }
    // Asks the work to stop; its outcome comes as usual.
    void cancel();
    // Asks the work to stop, waits for it to end and forgets it: neither its
    // outcome nor anything it posted comes to the window.
    void stop();

  private:
    void finish(const TaskOutcome& outcome);

    QThread* thread_ = nullptr;
    std::shared_ptr<std::atomic<bool>> cancel_;
    int generation_ = 0;  // of the task now running; posts of older ones are dropped
    Finished finished_;
    Progressed progressed_;
};

}  // namespace korvane::ui
