// The route calculator's main window (korvane-route): the alignment as
// editable tables with undo, its plan and profile, forward, inverse and table
// computations, and their results exported as CSV, CASS or a printed report.
#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "route/alignment.h"
#include "route/definition.h"
#include "ui/route/route_report.h"
#include "ui/route/route_results.h"

class QCloseEvent;
class QLabel;
class QPagedPaintDevice;
class QUndoStack;

namespace korvane::ui {

class BackgroundTask;
class ComputationPane;
class DefinitionPane;
class Desktop;
class PlanView;
class ProfileView;
class SectionView;
class SuperelevationView;

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
    const ResultModel& results() const;
    // True while a table or bulk inverse is being computed.
    bool isComputing() const;
    // True while results are being written to a file (CSV, CASS or PDF).
    bool isExporting() const;

    // The results as a printable report on `device` (a PDF writer or a printer).
    bool paintReport(QPagedPaintDevice& device, const SignOff& signOff);
    // The report as a PDF file, replacing any file at `path` whole.
    bool writeReportPdf(const QString& path, const SignOff& signOff);

    // True while a file is being read (openFile waits for it, the window
    // answering meanwhile), or a cancelled reading has yet to end.
    bool isLoading() const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // Runs `read` on a worker while the window shows that it is reading
    // `path`, with a button to cancel; the window answers meanwhile. False
    // when cancelled (what the worker read is dropped).
    bool readOffTheWindow(const QString& path, std::function<void()> read);

    // A file chosen to write over one of the window's inputs (its alignment
    // file, the points file its results come from) is refused in a box.
    bool refusedAsInput(const QString& target);
    void buildActions();

    void newAlignment(bool byPoints);
    void loadDefinition(const route::Definition& definition, const QString& path,
                        const QString& shownName);
    void recheck();
    void updateCaption();
    // Asks before unsaved changes are lost: true to go on.
    bool mayDiscard();
    bool save();
    bool saveAs();
    void openChosen();
    void importLandXml();
    void exportLandXml();
    std::optional<route::Definition> definitionForWriting();

    // The report of the results: their rows, and the curve table where the
    // alignment is by intersection points and unchanged since they were
    // computed. Its heading: the alignment's project texts and the names
    // last typed.
    ReportContent reportContent() const;
    report::ReportInfo reportInfo(const SignOff& names) const;
    // Asks for the heading and names; keeps the names, and the project
    // texts as an edit of the alignment (undoable, saved with it).
    std::optional<report::ReportInfo> askReport();
    // Whether there is a report to make: results whole, or the curve table
    // of an alignment by intersection points; else a box says why not.
    bool mayReport();

    // The alignment for a computation, or a box saying why there is none.
    std::shared_ptr<const route::Alignment> alignmentForComputing();

    void exportCsv();
    void exportCass();
    void exportDxf();
    void exportPdf();
    void printReport();
    void showCursor(double x, double y);

    Desktop& desktop_;
    QUndoStack* undo_;
    QString path_;       // the Korvane file saved to; empty for a new or imported alignment
    QString shownName_;  // the file name in the caption
    DefinitionPane* definition_;
    std::shared_ptr<const route::Alignment> alignment_;
    QString alignmentError_;
    // The project texts of the alignment (no table shows them): from its
    // file, changed in the report's dialog, written back when it is saved.
    route::ProjectInfo project_;
    SignOff names_;  // the report's names last typed (kept between sessions)

    PlanView* plan_;
    ProfileView* profileDrawing_;
    SectionView* sectionDrawing_;
    SuperelevationView* superelevationDrawing_;
    QLabel* cursorLabel_;
    ComputationPane* computation_;
    BackgroundTask* loadTask_;
    bool waitingForFile_ = false;  // openFile waits for loadTask_
};

}  // namespace korvane::ui
