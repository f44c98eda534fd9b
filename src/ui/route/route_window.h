// The route calculator's main window (korvane-route): the alignment as
// editable tables with undo, its plan and profile, forward, inverse and table
// computations, and their results exported as CSV, CASS or a printed report.
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

#include "route/alignment.h"
#include "route/definition.h"
#include "ui/route/route_results.h"
#include "ui/route/route_tables.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;
class QTableWidget;
class QTabWidget;
class QThread;
class QUndoStack;
class QPainter;
class QPagedPaintDevice;

namespace korvane::ui {

class Desktop;
class PlanView;
class ProfileView;
struct ResultInbox;

// The names under a printed report ("计算：…  复核：…  审核：…"), empty by default.
struct SignOff {
    QString computedBy;
    QString checkedBy;
    QString approvedBy;
};

class RouteWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit RouteWindow(Desktop& desktop, QWidget* parent = nullptr);
    ~RouteWindow() override;

    // Opens a Korvane alignment file, or LandXML when the name ends in .xml.
    // A failure is shown in a box and leaves the window as it was.
    bool openFile(const QString& path);
    // Writes the alignment as a Korvane alignment file (the window's file from
    // then on). A failure is shown in a box.
    bool saveTo(const QString& path);

    // The alignment checked from the tables; null while they hold an error.
    std::shared_ptr<const route::Alignment> alignment() const { return alignment_; }
    QUndoStack* undoStack() const { return undo_; }
    const ResultModel& results() const { return *results_; }
    // True while a table or bulk inverse is being computed.
    bool isComputing() const;
    // True while results are being written to a file (CSV, CASS or PDF).
    bool isExporting() const { return exportThread_ != nullptr; }

    // The results as a printable report on `device` (a PDF writer or a printer).
    bool paintReport(QPagedPaintDevice& device, const SignOff& signOff);
    // The report as a PDF file, replacing any file at `path` whole.
    bool writeReportPdf(const QString& path, const SignOff& signOff);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildActions();
    QWidget* buildDefinitionPane();
    QWidget* buildComputationPane();

    void newAlignment(bool byPoints);
    void loadDefinition(const route::Definition& definition, const QString& path,
                        const QString& shownName);
    void recheck();
    void refreshKeyPoints();
    void updateCaption();
    // Asks before unsaved changes are lost: true to go on.
    bool mayDiscard();
    bool save();
    bool saveAs();
    void openChosen();
    void importLandXml();
    void exportLandXml();
    std::optional<route::Definition> definitionForWriting();

    // The alignment for a computation, or a box saying why there is none.
    std::shared_ptr<const route::Alignment> alignmentForComputing();
    void refuse(const QString& message, QWidget* field);
    void refuseFailure(const route::Failure& failure);

    void computeForward();
    void computeInverse();
    void computeTable();
    void invertPointsFile();
    // Starts the worker `work` computing rows of `kind` into the model
    // through `post` and `done`.
    using Post = std::function<void(std::shared_ptr<ResultChunk>)>;
    using Done = std::function<void(const QString&)>;
    void startJob(ResultKind kind, const std::shared_ptr<const route::Alignment>& alignment,
                  std::function<void(const Post&, const Done&, const std::atomic<bool>&)> work);
    void cancelJob();
    void drain(int generation);
    void finishJob(const QString& failure);
    void stopJob();
    void setBusy(bool busy);

    // Writes the shown rows on a worker with `write`, showing its progress;
    // `what` names the file kind in the notes.
    void startExport(const QString& what,
                     std::function<std::optional<QString>(const WriteControl&)> write);
    void finishExport(const QString& failure, bool cancelled);
    void stopExport();

    void exportCsv();
    void exportCass();
    void exportPdf();
    void printReport();
    bool haveResults();
    std::optional<SignOff> askSignOff();
    void showCursor(double x, double y);

    Desktop& desktop_;
    QUndoStack* undo_;
    bool byPoints_ = false;
    bool loading_ = false;  // the tables are being filled from a file
    QString path_;          // the Korvane file saved to; empty for a new or imported alignment
    QString shownName_;     // the file name in the caption
    TextTable* start_;
    TextTable* elements_;
    TextTable* points_;
    TextTable* breaks_;
    TextTable* profile_;
    QTableView* startView_;
    QTableView* elementView_;
    QTableView* pointView_;
    QTableView* breakView_;
    QTableView* profileView_;
    QTabWidget* definitionTabs_;
    QTableWidget* keyPoints_;
    std::shared_ptr<const route::Alignment> alignment_;
    QString alignmentError_;

    PlanView* plan_;
    ProfileView* profileDrawing_;
    QLabel* cursorLabel_;

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

    QThread* thread_ = nullptr;
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::shared_ptr<ResultInbox> inbox_;  // chunks the computation has handed over
    int generation_ = 0;
    std::size_t expected_ = 0;                                // rows to come, 0 while not known
    std::shared_ptr<std::atomic<std::size_t>> expectedRows_;  // counted by the worker
    QElapsedTimer progressClock_;                             // since the progress bar last moved

    QThread* exportThread_ = nullptr;
    std::shared_ptr<std::atomic<bool>> exportCancel_;
    QString noteBeforeExport_;
    bool partial_ = false;  // the result was cancelled before its end
    QString rangeText_;     // "K0+000.000 至 K1+000.000，间距 20 m" for the report
};

}  // namespace korvane::ui
