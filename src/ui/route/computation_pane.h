// The route window's computing pane: forward, inverse and table fields in
// tabs, and under them the table of results with its note, progress bar and
// cancel button. A table or a bulk inverse is computed on a worker and its
// rows shown as they come; writing the results to a file runs on a worker
// too, with the same progress bar and cancel button.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

#include "route/alignment.h"
#include "route/failure.h"
#include "ui/route/background_task.h"
#include "ui/route/route_results.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;

namespace korvane::ui {

class Desktop;
class PlanView;
struct ResultInbox;

class ComputationPane : public QWidget {
    Q_OBJECT

  public:
    // The alignment a computation is made on, or null when there is none
    // (the window has said why).
    using AlignmentSource = std::function<std::shared_ptr<const route::Alignment>()>;

    // Messages go to `desktop` over the window; results are marked on `plan`.
    ComputationPane(Desktop& desktop, PlanView& plan, AlignmentSource alignment,
                    QWidget* parent = nullptr);
    ~ComputationPane() override;

    const ResultModel& results() const { return *results_; }
    // True while a table or bulk inverse is being computed.
    bool isComputing() const;
    // True while results are being written to a file.
    bool isExporting() const { return exportTask_->isRunning(); }

    // A new alignment: the computation stopped, no results. An export still
    // running goes on with the rows it holds.
    void startOver();
    // Proposes the alignment's start and end chainages as the table's range
    // (起算桩号, 止算桩号) where the fields are empty or still hold the range
    // proposed before.
    void setRange(const QString& start, const QString& end);
    // Waits for the computation to end (asked to stop first) and forgets it;
    // rows it still sends are dropped.
    void stopComputing();
    // Asks the export to stop and waits for it: the file at its path stays as it was.
    void stopExporting();

    // Whether there are whole results to export now; if not, a box says why.
    bool haveResults();
    // The rows shown, shared with whoever writes them.
    std::shared_ptr<const ResultStore> store() const { return results_->store(); }
    // What the rows cover, for the report ("K0+000.000 至 K1+000.000，间距 20 m").
    const QString& rangeText() const { return rangeText_; }
    // The points file the shown results were computed from (empty for a table).
    const QString& pointsPath() const { return pointsPath_; }

    // Writes the shown rows on a worker with `write`, showing its progress;
    // `what` names the file kind in the note. A failure `write` returns is
    // shown in a box.
    using Writer = std::function<std::optional<QString>(const WriteControl&)>;
    void exportResults(const QString& what, Writer write);

  signals:
    // A message for the window's status bar (empty: none).
    void statusMessage(const QString& text);
    // The forward tab's station or zone changed (zone 0: found from the text).
    void stationChanged(const QString& text, int zone);

  private:
    QWidget* buildForward();
    QWidget* buildInverse();
    QWidget* buildTable();

    void refuse(const QString& message, QWidget* field);
    void refuseFailure(const route::Failure& failure);

    void computeForward();
    void computeInverse();
    void computeTable();
    void invertPointsFile();
    // Computes rows of `kind` on the worker with `work`, which posts them in
    // chunks through its argument.
    using Work = std::function<TaskOutcome(const std::function<void(std::shared_ptr<ResultChunk>)>&,
                                           const std::atomic<bool>&)>;
    void startComputing(ResultKind kind, const std::shared_ptr<const route::Alignment>& alignment,
                        Work work);
    void cancel();
    void drain(int generation);
    void finishComputing(const TaskOutcome& outcome);
    void finishExport(const TaskOutcome& outcome);
    void setBusy(bool busy);

    Desktop& desktop_;
    PlanView& plan_;
    AlignmentSource alignment_;

    QLineEdit* station_;
    QSpinBox* zone_;
    QLineEdit* offset_;
    QLineEdit* skew_;
    QLineEdit* forwardX_;
    QLineEdit* forwardY_;
    QLineEdit* forwardAzimuth_;
    QLineEdit* forwardH_;
    QLineEdit* inverseX_;
    QLineEdit* inverseY_;
    QLineEdit* inverseStation_;
    QLineEdit* inverseOffset_;
    QLineEdit* inverseH_;
    QLineEdit* from_;
    QLineEdit* to_;
    QSpinBox* fromZone_;  // 0: the zone found from the chainage
    QSpinBox* toZone_;
    QLineEdit* interval_;
    QLineEdit* offsets_;
    QCheckBox* keyPointsBox_;
    QPushButton* tableButton_;
    QPushButton* pointsButton_;

    ResultModel* results_;
    QTableView* resultTable_;
    QProgressBar* progress_;
    QPushButton* cancelButton_;
    QLabel* resultNote_;

    BackgroundTask* task_;
    std::shared_ptr<ResultInbox> inbox_;  // chunks the computation has handed over
    int generation_ = 0;
    std::size_t expected_ = 0;                                // rows to come, 0 while not known
    std::shared_ptr<std::atomic<std::size_t>> expectedRows_;  // counted by the worker
    QElapsedTimer progressClock_;                             // since the progress bar last moved

    BackgroundTask* exportTask_;
    QString noteBeforeExport_;
    bool partial_ = false;  // the result was cancelled before its end
    QString rangeText_;     // what the rows cover, for the report
    QString pointsPath_;    // the points file of a bulk inverse
    QString proposedFrom_;  // the range last proposed by setRange
    QString proposedTo_;
};

}  // namespace korvane::ui
