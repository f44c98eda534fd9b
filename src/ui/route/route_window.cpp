#include "ui/route/route_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QStringList>
#include <QTabWidget>
#include <QTableView>
#include <QUndoCommand>
#include <QUndoStack>
#include <string>
#include <utility>
#include <vector>

#include "files/alignment_file.h"
#include "files/definition_file.h"
#include "files/dxf_file.h"
#include "files/landxml.h"
#include "files/safe_write.h"
#include "geometry/fixed_text.h"
#include "korvane/version.h"
#include "route/curves.h"
#include "route/forward.h"
#include "route/table.h"
#include "ui/common/desktop.h"
#include "ui/route/background_task.h"
#include "ui/route/computation_pane.h"
#include "ui/route/definition_pane.h"
#include "ui/route/plan_view.h"
#include "ui/route/profile_view.h"
#include "ui/route/route_tables.h"
#include "ui/route/section_view.h"

namespace korvane::ui {

namespace {

constexpr int kDecimals = 3;

// The report's names are kept here between sessions.
QSettings reportSettings() {
    return QSettings(QStringLiteral("Korvane"), QStringLiteral("korvane-route"));
}

// A change of the alignment's project texts, as an edit that can be undone.
class ProjectEdit : public QUndoCommand {
  public:
    ProjectEdit(route::ProjectInfo& target, route::ProjectInfo after)
        : QUndoCommand(QStringLiteral("修改报表页眉")),
          target_(target),
          before_(target),
          after_(std::move(after)) {}
    void redo() override { target_ = after_; }
    void undo() override { target_ = before_; }

  private:
    route::ProjectInfo& target_;
    route::ProjectInfo before_;
    route::ProjectInfo after_;
};

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string str(const QString& s) {
    return s.toStdString();
}

std::optional<QString> messageOf(const std::optional<files::Error>& error) {
    if (!error) return std::nullopt;
    return qs(error->message);
}

}  // namespace

// ---------------------------------------------------------------------------
// Building the window

RouteWindow::RouteWindow(Desktop& desktop, QWidget* parent)
    : QMainWindow(parent), desktop_(desktop), undo_(new QUndoStack(this)) {
    setObjectName(QStringLiteral("RouteWindow"));
    definition_ = new DefinitionPane(undo_);

    buildActions();

    auto* views = new QTabWidget;
    views->setObjectName(QStringLiteral("viewTabs"));
    plan_ = new PlanView;
    profileDrawing_ = new ProfileView;
    sectionDrawing_ = new SectionView;
    superelevationDrawing_ = new SuperelevationView;
    // The section at the station above, the superelevation along the line
    // below it, the station marked there.
    auto* across = new QSplitter(Qt::Vertical);
    across->setObjectName(QStringLiteral("sectionSplitter"));
    across->addWidget(sectionDrawing_);
    across->addWidget(superelevationDrawing_);
    across->setStretchFactor(0, 3);
    across->setStretchFactor(1, 2);
    across->setSizes({300, 200});
    connect(sectionDrawing_, &SectionView::positionChanged, superelevationDrawing_,
            &SuperelevationView::setMarker);
    views->addTab(plan_, QStringLiteral("平面图"));
    views->addTab(profileDrawing_, QStringLiteral("纵断面图"));
    views->addTab(across, QStringLiteral("横断面图"));
    computation_ =
        new ComputationPane(desktop_, *plan_, [this] { return alignmentForComputing(); });
    connect(computation_, &ComputationPane::stationChanged, sectionDrawing_,
            &SectionView::setStationText);
    loadTask_ = new BackgroundTask(this);

    auto* right = new QSplitter(Qt::Vertical);
    right->addWidget(views);
    right->addWidget(computation_);
    right->setStretchFactor(0, 1);
    right->setStretchFactor(1, 1);
    right->setSizes({350, 470});

    auto* main = new QSplitter(Qt::Horizontal);
    main->addWidget(definition_);
    main->addWidget(right);
    main->setStretchFactor(0, 2);
    main->setStretchFactor(1, 3);
    main->setSizes({520, 760});
    setCentralWidget(main);

    cursorLabel_ = new QLabel;
    cursorLabel_->setObjectName(QStringLiteral("cursorLabel"));
    statusBar()->addPermanentWidget(cursorLabel_);
    connect(plan_, &PlanView::cursorMoved, this, &RouteWindow::showCursor);
    // A point clicked on the plan: the section at its foot on the line.
    connect(plan_, &PlanView::clicked, this, [this](double x, double y) {
        if (!alignment_) return;
        const route::Outcome<route::InverseResult> foot = route::inverse(*alignment_, x, y);
        if (!foot) return;
        sectionDrawing_->setPosition(foot.value().s);
        statusBar()->showMessage(QStringLiteral("横断面图：") +
                                 QString::fromStdString(alignment_->station_text(
                                     foot.value().chainage, foot.value().zone, 3)));
    });
    connect(computation_, &ComputationPane::statusMessage, this,
            [this](const QString& text) { statusBar()->showMessage(text); });

    connect(definition_, &DefinitionPane::edited, this, &RouteWindow::recheck);
    connect(undo_, &QUndoStack::cleanChanged, this, &RouteWindow::updateCaption);

    resize(1280, 820);
    newAlignment(false);
}

RouteWindow::~RouteWindow() {
    computation_->stopComputing();
    computation_->stopExporting();
    // The undo stack is deleted with the window's children, after this
    // destructor; its last signals must not reach the window then.
    undo_->disconnect(this);
}

const ResultModel& RouteWindow::results() const {
    return computation_->results();
}

bool RouteWindow::isComputing() const {
    return computation_->isComputing();
}

bool RouteWindow::isExporting() const {
    return computation_->isExporting();
}

void RouteWindow::buildActions() {
    const auto action = [this](QMenu* menu, const char* name, const QString& text, auto slot) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    action(file, "newAction", QStringLiteral("新建"), [this] {
        if (mayDiscard()) newAlignment(false);
    })->setShortcut(QKeySequence::New);
    action(file, "newPointsAction", QStringLiteral("新建（交点法）"), [this] {
        if (mayDiscard()) newAlignment(true);
    });
    action(file, "openAction", QStringLiteral("打开…"), [this] {
        openChosen();
    })->setShortcut(QKeySequence::Open);
    action(file, "saveAction", QStringLiteral("保存"), [this] {
        save();
    })->setShortcut(QKeySequence::Save);
    action(file, "saveAsAction", QStringLiteral("另存为…"), [this] {
        saveAs();
    })->setShortcut(QKeySequence::SaveAs);
    file->addSeparator();
    action(file, "importAction", QStringLiteral("导入 LandXML…"), [this] { importLandXml(); });
    action(file, "exportXmlAction", QStringLiteral("导出 LandXML…"), [this] { exportLandXml(); });
    action(file, "exportDxfAction", QStringLiteral("导出DXF…"), [this] { exportDxf(); });
    file->addSeparator();
    action(file, "exportCsvAction", QStringLiteral("导出结果 CSV…"), [this] { exportCsv(); });
    action(file, "exportCassAction", QStringLiteral("导出结果 CASS…"), [this] { exportCass(); });
    action(file, "exportPdfAction", QStringLiteral("导出报表 PDF…"), [this] { exportPdf(); });
    action(file, "printAction", QStringLiteral("打印…"), [this] {
        printReport();
    })->setShortcut(QKeySequence::Print);
    file->addSeparator();
    action(file, "quitAction", QStringLiteral("退出"), [this] {
        close();
    })->setShortcut(QKeySequence::Quit);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("编辑(&E)"));
    QAction* undo = undo_->createUndoAction(this, QStringLiteral("撤销"));
    undo->setObjectName(QStringLiteral("undoAction"));
    undo->setShortcut(QKeySequence::Undo);
    edit->addAction(undo);
    QAction* redo = undo_->createRedoAction(this, QStringLiteral("重做"));
    redo->setObjectName(QStringLiteral("redoAction"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence::Redo});
    edit->addAction(redo);

    QMenu* view = menuBar()->addMenu(QStringLiteral("视图(&V)"));
    action(view, "fitAction", QStringLiteral("适合窗口"), [this] { plan_->fit(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    action(help, "aboutAction", QStringLiteral("关于"), [this] {
        desktop_.showInformation(
            this, QStringLiteral("关于 Korvane 线路计算"),
            QStringLiteral("Korvane 线路计算 %1\n\n线元法与交点法平曲线、断链、纵断面；"
                           "中边桩正算、反算与逐桩坐标表。")
                .arg(QLatin1String(kVersion)));
    });
}

// ---------------------------------------------------------------------------
// The alignment

void RouteWindow::newAlignment(bool byPoints) {
    route::Definition d;
    d.name.clear();
    if (byPoints) {
        d.horizontal = route::PointsDef{};
    } else {
        d.horizontal = route::ElementsDef{};
    }
    loadDefinition(d, QString(), QString());
    // A new alignment's table of elements or points starts empty, not with
    // zeros that look like a design.
    if (byPoints) {
        definition_->blankPoints();
    }
}

void RouteWindow::loadDefinition(const route::Definition& definition, const QString& path,
                                 const QString& shownName) {
    computation_->stopComputing();
    const DefinitionTexts t = textsOf(definition);
    path_ = path;
    shownName_ = shownName;
    project_ = definition.project;
    // Every table reset, then one check of the whole.
    definition_->load(t);
    computation_->startOver();
    undo_->clear();
    recheck();
    updateCaption();
}

void RouteWindow::recheck() {
    DefinitionPane::Checked checked = definition_->check();
    alignment_ = std::move(checked.alignment);
    alignmentError_ = std::move(checked.error);
    // The intersection points of an alignment given by them are marked on the plan.
    plan_->setIntersections(alignment_ && checked.definition
                                ? PlanView::intersections_of(*checked.definition)
                                : std::vector<PlanMark>{});
    plan_->setAlignment(alignment_);
    plan_->setMarks({});
    profileDrawing_->setAlignment(alignment_);
    superelevationDrawing_->setAlignment(alignment_);
    sectionDrawing_->setAlignment(alignment_);
    definition_->showKeyPoints(alignment_.get());
    definition_->showCurves(alignment_.get(),
                            alignment_ && checked.definition ? &*checked.definition : nullptr);
    if (alignment_ && !alignment_->key_points().empty()) {
        const route::KeyPoint& first = alignment_->key_points().front();
        const route::KeyPoint& last = alignment_->key_points().back();
        computation_->setRange(qs(alignment_->chainage_text(first.chainage, kDecimals)),
                               qs(alignment_->chainage_text(last.chainage, kDecimals)));
    }
    statusBar()->showMessage(alignment_ ? QString() : alignmentError_);
}

void RouteWindow::updateCaption() {
    QString caption = QStringLiteral("Korvane 线路计算 — ");
    caption += shownName_.isEmpty() ? QStringLiteral("未命名") : shownName_;
    if (!undo_->isClean()) caption += QLatin1Char('*');
    setWindowTitle(caption);
}

bool RouteWindow::mayDiscard() {
    if (undo_->isClean()) return true;
    const QString name = shownName_.isEmpty() ? QStringLiteral("未命名") : shownName_;
    switch (desktop_.askUnsaved(this, QStringLiteral("线路“%1”已修改，是否保存修改？").arg(name))) {
        case UnsavedChoice::Save:
            return save();
        case UnsavedChoice::Discard:
            return true;
        default:
            return false;
    }
}

void RouteWindow::closeEvent(QCloseEvent* event) {
    // While openFile waits for a file, the window cannot go: the wait is
    // ended in its box first (or by the file's end).
    if (waitingForFile_ || !mayDiscard()) {
        event->ignore();
        return;
    }
    computation_->stopComputing();
    computation_->stopExporting();
    event->accept();
}

std::optional<route::Definition> RouteWindow::definitionForWriting() {
    ReadTexts read = definition_->read();
    if (read.definition) {
        read.definition->project = project_;
        return read.definition;
    }
    const RowError& e = read.errors.front();
    QTableView* view = definition_->select(e);
    desktop_.showInformation(this, noticeTitle(),
                             QStringLiteral("第%1行：%2").arg(e.row + 1).arg(e.message));
    desktop_.moveFocus(view);
    return std::nullopt;
}

bool RouteWindow::isLoading() const {
    return loadTask_->isRunning();
}

bool RouteWindow::readOffTheWindow(const QString& path, std::function<void()> read) {
    if (loadTask_->isRunning()) return false;
    // What the wait shares with the task's end, which may come after the wait
    // was given up (cancelled).
    struct Wait {
        bool done = false;
        QEventLoop* loop = nullptr;
    };
    QEventLoop waiting;
    auto wait = std::make_shared<Wait>();
    wait->loop = &waiting;
    loadTask_->start(
        [read = std::move(read)](BackgroundTask::Control&) {
            read();
            return TaskOutcome{};
        },
        [wait](const TaskOutcome&) {
            wait->done = true;
            if (wait->loop != nullptr) wait->loop->quit();
        });
    // A short read shows nothing; a long one a box with 取消, the window
    // kept from other work meanwhile (it is modal).
    QProgressDialog progress(QStringLiteral("正在读取文件“%1”…").arg(QFileInfo(path).fileName()),
                             QStringLiteral("取消"), 0, 0, this);
    progress.setObjectName(QStringLiteral("loadProgress"));
    progress.setWindowTitle(noticeTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    connect(&progress, &QProgressDialog::canceled, &waiting, &QEventLoop::quit);
    if (!wait->done) {
        waitingForFile_ = true;
        waiting.exec();
        waitingForFile_ = false;
    }
    wait->loop = nullptr;
    // Cancelled: the reading cannot be broken off inside the reader, so it
    // goes on to its end on its thread, and what it read is dropped.
    if (!wait->done) loadTask_->cancel();
    return wait->done;
}

bool RouteWindow::openFile(const QString& path) {
    const std::string p = str(path);
    // Told and read as the command line does (files::read_definition), on a
    // worker: a file of the largest size takes seconds.
    const bool xml = files::is_landxml_name(p);
    std::string name;
    if (xml) {
        auto names = std::make_shared<std::optional<files::Result<std::vector<std::string>>>>();
        if (!readOffTheWindow(path, [names, p] { *names = files::read_definition_names(p); }))
            return false;
        if (!**names) {
            desktop_.showInformation(this, noticeTitle(), qs((*names)->failure().message));
            return false;
        }
        if ((*names)->value().size() > 1) {
            QStringList items;
            for (const std::string& n : (*names)->value()) items.append(qs(n));
            const QString chosen =
                desktop_.chooseItem(this, QStringLiteral("文件中有多条线路，请选择："), items);
            if (chosen.isEmpty()) return false;
            name = str(chosen);
        }
    }
    auto warnings = std::make_shared<files::Warnings>();
    auto read = std::make_shared<std::optional<files::Result<route::Definition>>>();
    if (!readOffTheWindow(path, [read, warnings, p, name] {
            *read = files::read_definition(p, name, warnings.get());
        }))
        return false;
    if (!**read) {
        desktop_.showInformation(this, noticeTitle(), qs((*read)->failure().message));
        return false;
    }
    // LandXML is imported: saving asks for a Korvane file.
    loadDefinition((*read)->value(), xml ? QString() : path, QFileInfo(path).fileName());
    // What was odd but read, listed once the alignment shows.
    if (!warnings->empty()) {
        QString text = QStringLiteral("文件“%1”已打开，但有以下问题：").arg(path);
        for (const std::string& w : *warnings) text += QStringLiteral("\n· ") + qs(w);
        desktop_.showInformation(this, noticeTitle(), text);
    }
    return true;
}

bool RouteWindow::refusedAsInput(const QString& target) {
    const std::optional<files::Error> error =
        files::output_is_input(str(target), {str(path_), str(computation_->pointsPath())});
    if (!error) return false;
    desktop_.showInformation(this, noticeTitle(), qs(error->message));
    return true;
}

bool RouteWindow::saveTo(const QString& path) {
    const std::optional<route::Definition> d = definitionForWriting();
    if (!d) return false;
    if (auto error = files::output_is_input(str(path), {str(computation_->pointsPath())})) {
        desktop_.showInformation(this, noticeTitle(), qs(error->message));
        return false;
    }
    if (auto error = files::write_definition(str(path), *d, false)) {
        desktop_.showInformation(this, noticeTitle(), qs(error->message));
        return false;
    }
    path_ = path;
    shownName_ = QFileInfo(path).fileName();
    undo_->setClean();
    updateCaption();
    return true;
}

bool RouteWindow::save() {
    if (path_.isEmpty()) return saveAs();
    return saveTo(path_);
}

bool RouteWindow::saveAs() {
    const QString path = desktop_.chooseFile(this, FileDialogMode::Save,
                                             {QStringLiteral("Korvane 线路文件 (*.csv)")});
    if (path.isEmpty()) return false;
    return saveTo(path);
}

void RouteWindow::openChosen() {
    if (!mayDiscard()) return;
    const QString path = desktop_.chooseFile(
        this, FileDialogMode::Open,
        {QStringLiteral("Korvane 线路文件 (*.csv)"), QStringLiteral("LandXML 文件 (*.xml)"),
         QStringLiteral("所有文件 (*)")});
    if (!path.isEmpty()) openFile(path);
}

void RouteWindow::importLandXml() {
    if (!mayDiscard()) return;
    const QString path =
        desktop_.chooseFile(this, FileDialogMode::Open, {QStringLiteral("LandXML 文件 (*.xml)")});
    if (!path.isEmpty()) openFile(path);
}

void RouteWindow::exportLandXml() {
    const std::optional<route::Definition> d = definitionForWriting();
    if (!d) return;
    const QString path =
        desktop_.chooseFile(this, FileDialogMode::Save, {QStringLiteral("LandXML 文件 (*.xml)")});
    if (path.isEmpty() || refusedAsInput(path)) return;
    if (auto error = files::write_definition(str(path), *d, true))
        desktop_.showInformation(this, noticeTitle(), qs(error->message));
}

// ---------------------------------------------------------------------------
// Computations and their results

std::shared_ptr<const route::Alignment> RouteWindow::alignmentForComputing() {
    if (alignment_) return alignment_;
    if (!definitionForWriting()) return nullptr;
    // The rows read, but the alignment does not build: its message, at its row.
    desktop_.showInformation(this, noticeTitle(), alignmentError_);
    return nullptr;
}

void RouteWindow::exportCsv() {
    if (!computation_->haveResults()) return;
    const QString path =
        desktop_.chooseFile(this, FileDialogMode::Save, {QStringLiteral("CSV 文件 (*.csv)")});
    if (path.isEmpty() || refusedAsInput(path)) return;
    computation_->exportResults(
        QStringLiteral("CSV"),
        [rows = computation_->store(), target = str(path)](const WriteControl& control) {
            return messageOf(writeResultCsv(*rows, target, control));
        });
}

void RouteWindow::exportCass() {
    if (!computation_->haveResults()) return;
    const QString path =
        desktop_.chooseFile(this, FileDialogMode::Save, {QStringLiteral("CASS 坐标文件 (*.dat)")});
    if (path.isEmpty() || refusedAsInput(path)) return;
    computation_->exportResults(
        QStringLiteral("CASS"),
        [rows = computation_->store(), target = str(path)](const WriteControl& control) {
            return messageOf(writeResultCass(*rows, target, control));
        });
}

// The plan for CAD: the alignment, and the stakes of a table shown whole
// that was computed on the alignment as it is now (written on the export's
// worker then, as the other results).
void RouteWindow::exportDxf() {
    const ResultModel& shown = computation_->results();
    const bool table = shown.size() > 0 && shown.kind() == ResultKind::table;
    // A computation or export running, or a cancelled table: the box says so.
    if ((computation_->isComputing() || computation_->isExporting() || table) &&
        !computation_->haveResults())
        return;
    const std::shared_ptr<const route::Alignment> a = alignmentForComputing();
    if (!a) return;
    const std::optional<route::Definition> d = definitionForWriting();
    if (!d) return;
    files::Result<files::DxfDrawing> made = files::DxfDrawing::make(*a, &*d, {});
    if (!made) {
        desktop_.showInformation(this, noticeTitle(), qs(made.failure().message));
        return;
    }
    const QString path =
        desktop_.chooseFile(this, FileDialogMode::Save, {QStringLiteral("DXF 文件 (*.dxf)")});
    if (path.isEmpty() || refusedAsInput(path)) return;
    auto drawing = std::make_shared<const files::DxfDrawing>(std::move(made).value());
    const std::shared_ptr<const ResultStore> rows = computation_->store();
    if (table && rows->alignment() == a.get()) {
        computation_->exportResults(QStringLiteral("DXF"), [a, drawing, rows, target = str(path)](
                                                               const WriteControl& control) {
            return messageOf(writeResultDxf(*drawing, rows.get(), target, control));
        });
        return;
    }
    if (table)
        statusBar()->showMessage(
            QStringLiteral("坐标表是修改线路之前算的，DXF 文件中未画逐桩坐标。"));
    if (auto error = writeResultDxf(*drawing, nullptr, str(path)))
        desktop_.showInformation(this, noticeTitle(), qs(error->message));
}

ReportContent RouteWindow::reportContent() const {
    ReportContent content;
    content.rows = computation_->store();
    content.range = computation_->rangeText();
    content.alignment = alignment_;
    const bool rows = content.rows && content.rows->size() > 0;
    const ReadTexts read = definition_->read();
    if (alignment_ && (!rows || content.rows->sharedAlignment() == alignment_) && read.definition &&
        std::holds_alternative<route::PointsDef>(read.definition->horizontal)) {
        route::Outcome<std::vector<route::CurveRow>> curves =
            route::curve_table(*read.definition, *alignment_);
        if (curves) content.curves = std::move(curves).value();
    }
    return content;
}

report::ReportInfo RouteWindow::reportInfo(const SignOff& names) const {
    report::ReportInfo info;
    info.project = qs(project_.project);
    info.section = qs(project_.section);
    info.coordinates = qs(project_.coordinate_system);
    info.heights = qs(project_.elevation_system);
    info.computedBy = names.computedBy;
    info.checkedBy = names.checkedBy;
    info.approvedBy = names.approvedBy;
    return info;
}

std::optional<report::ReportInfo> RouteWindow::askReport() {
    SignOff names = names_;
    if (names.computedBy.isEmpty() && names.checkedBy.isEmpty() && names.approvedBy.isEmpty()) {
        QSettings settings = reportSettings();
        names.computedBy = settings.value(QStringLiteral("report/computedBy")).toString();
        names.checkedBy = settings.value(QStringLiteral("report/checkedBy")).toString();
        names.approvedBy = settings.value(QStringLiteral("report/approvedBy")).toString();
    }
    std::optional<report::ReportInfo> info = askReportInfo(this, reportInfo(names));
    if (!info) return std::nullopt;
    names_ = SignOff{info->computedBy, info->checkedBy, info->approvedBy};
    QSettings settings = reportSettings();
    settings.setValue(QStringLiteral("report/computedBy"), names_.computedBy);
    settings.setValue(QStringLiteral("report/checkedBy"), names_.checkedBy);
    settings.setValue(QStringLiteral("report/approvedBy"), names_.approvedBy);
    route::ProjectInfo typed{str(info->project), str(info->section), str(info->coordinates),
                             str(info->heights)};
    if (typed != project_) {
        undo_->push(new ProjectEdit(project_, std::move(typed)));
        updateCaption();
    }
    return info;
}

bool RouteWindow::mayReport() {
    // Without results, an alignment by intersection points still has its
    // curve table to hand over.
    if (results().size() == 0 && !isComputing() && !isExporting() && alignment_ &&
        !reportContent().curves.empty())
        return true;
    return computation_->haveResults();
}

void RouteWindow::exportPdf() {
    if (!mayReport()) return;
    const std::optional<report::ReportInfo> info = askReport();
    if (!info) return;
    const QString path =
        desktop_.chooseFile(this, FileDialogMode::Save, {QStringLiteral("PDF 文件 (*.pdf)")});
    if (path.isEmpty() || refusedAsInput(path)) return;
    computation_->exportResults(QStringLiteral("PDF"), [content = reportContent(), path,
                                                        info = *info](const WriteControl& control) {
        return writeResultReportPdf(content, path, info, control);
    });
}

bool RouteWindow::writeReportPdf(const QString& path, const SignOff& signOff) {
    if (const std::optional<QString> failure =
            writeResultReportPdf(reportContent(), path, reportInfo(signOff))) {
        desktop_.showInformation(this, noticeTitle(), *failure);
        return false;
    }
    return true;
}

bool RouteWindow::paintReport(QPagedPaintDevice& device, const SignOff& signOff) {
    if (const std::optional<QString> failure =
            paintResultReport(device, reportContent(), reportInfo(signOff))) {
        desktop_.showInformation(this, noticeTitle(), *failure);
        return false;
    }
    return true;
}

void RouteWindow::printReport() {
    if (!mayReport()) return;
    const std::optional<report::ReportInfo> info = askReport();
    if (!info) return;
    if (const std::optional<QString> failure = printResultReport(this, reportContent(), *info))
        desktop_.showInformation(this, noticeTitle(), *failure);
}

void RouteWindow::showCursor(double x, double y) {
    QString text =
        QStringLiteral("X %1  Y %2")
            .arg(qs(geometry::shown_fixed(x, kDecimals)), qs(geometry::shown_fixed(y, kDecimals)));
    if (alignment_) {
        route::Outcome<route::InverseResult> r = route::inverse(*alignment_, x, y);
        if (r)
            text += QStringLiteral("  桩号 %1  偏距 %2")
                        .arg(qs(alignment_->chainage_text(r.value().chainage, kDecimals)),
                             qs(geometry::shown_fixed(r.value().offset, kDecimals)));
    }
    cursorLabel_->setText(text);
}

}  // namespace korvane::ui
