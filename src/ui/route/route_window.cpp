#include "ui/route/route_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QUndoStack>
#include <QVBoxLayout>
#include <cmath>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>

#include "files/alignment_file.h"
#include "files/landxml.h"
#include "files/point_file.h"
#include "files/points_text.h"
#include "files/read_file.h"
#include "files/safe_write.h"
#include "geometry/number_text.h"
#include "korvane/version.h"
#include "route/angle.h"
#include "route/chainage.h"
#include "route/computations.h"
#include "ui/common/desktop.h"
#include "ui/route/plan_view.h"
#include "ui/route/profile_view.h"
#include "ui/route/route_results.h"

namespace korvane::ui {

namespace {

constexpr int kDecimals = 3;
// Points drawn on the plan from a result: enough to see, few enough to draw fast.
constexpr std::size_t kMaxMarks = 5000;

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string str(const QString& s) {
    return s.toStdString();
}

bool isXmlName(const QString& path) {
    return path.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive);
}

QLineEdit* field(const char* name, const QString& text = {}) {
    auto* edit = new QLineEdit(text);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

QLineEdit* output(const char* name) {
    QLineEdit* edit = field(name);
    edit->setReadOnly(true);
    return edit;
}

QTableView* tableView(const char* name, QAbstractItemModel* model) {
    auto* view = new QTableView;
    view->setObjectName(QLatin1String(name));
    view->setModel(model);
    view->horizontalHeader()->setStretchLastSection(true);
    view->verticalHeader()->setDefaultSectionSize(24);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    return view;
}

// Collects computed rows into pieces and hands each to the window: small
// pieces first, so rows appear at once, then larger ones, and at least every
// 50 ms, so the window's progress moves steadily.
class Emitter {
  public:
    using Post = std::function<void(std::shared_ptr<ResultChunk>)>;
    Emitter(Post post, const std::atomic<bool>& cancel)
        : post_(std::move(post)), cancel_(cancel), chunk_(std::make_shared<ResultChunk>()) {
        timer_.start();
    }

    bool cancelled() const { return cancel_.load(std::memory_order_relaxed); }

    // The index of a label, the same for the same text.
    std::uint32_t label(std::string_view text) {
        auto [it, added] = labels_.try_emplace(std::string(text), next_);
        if (added) {
            chunk_->newTexts.emplace_back(text);
            ++next_;
        }
        return it->second;
    }

    // A new text (a point's name).
    std::uint32_t name(std::string text) {
        chunk_->newTexts.push_back(std::move(text));
        return next_++;
    }

    void add(const ResultRow& row) {
        chunk_->rows.push_back(row);
        if (chunk_->rows.size() >= limit_ || timer_.elapsed() >= 50) flush();
    }

    void flush() {
        if (chunk_->rows.empty() && chunk_->newTexts.empty()) return;
        post_(std::move(chunk_));
        chunk_ = std::make_shared<ResultChunk>();
        limit_ = std::min<std::size_t>(limit_ * 4, 1 << 16);
        chunk_->rows.reserve(limit_);
        timer_.restart();
    }

  private:
    Post post_;
    const std::atomic<bool>& cancel_;
    std::shared_ptr<ResultChunk> chunk_;
    std::unordered_map<std::string, std::uint32_t> labels_;
    std::uint32_t next_ = 0;
    std::size_t limit_ = 1000;
    QElapsedTimer timer_;
};

// Rows handed to the window are appended in slices of at most this many
// rows, and a turn of the event loop appends for at most kSliceTime: the
// window answers between slices however fast the rows come.
constexpr std::size_t kSliceRows = 8192;
constexpr qint64 kSliceNs = 8'000'000;
// The progress bar repaints itself when it moves: at most this often.
constexpr qint64 kProgressMs = 100;

// Offsets separated by commas (ASCII or Chinese).
struct OffsetsRead {
    std::vector<double> values;
    QString error;
};
OffsetsRead readOffsets(const QString& text) {
    OffsetsRead out;
    QString normal = text;
    normal.replace(QChar(0xFF0C), QLatin1Char(','));
    const QStringList items = normal.split(QLatin1Char(','));
    for (int i = 0; i < items.size(); ++i) {
        const std::string item = str(items[i].trimmed());
        const std::optional<double> v = geometry::parse_strict(item);
        if (!v || !std::isfinite(*v)) {
            out.error = QStringLiteral("第%1个边桩偏距“%2”不是有效数字！").arg(i + 1).arg(qs(item));
            return out;
        }
        out.values.push_back(*v);
    }
    return out;
}

// Reads a plain points file ("[name] X Y" a line) into `each`, which may
// stop the reading by returning false. The failure of a bad file names it and
// its bad lines; the points handed over before are then to be dropped.
std::optional<QString> readPlainPoints(const QString& path,
                                       const std::function<bool(const files::PointRecord&)>& each) {
    bool stopped = false;
    std::size_t points = 0;
    std::optional<QString> failure;
    files::PointsParser parser([&](const files::PointText& p) {
        if (stopped) return;
        ++points;
        files::PointRecord record;
        record.line = p.line;
        record.name = std::string(p.name);
        const std::optional<double> x = geometry::parse_strict(p.x);
        const std::optional<double> y = geometry::parse_strict(p.y);
        if (!x || !y || !std::isfinite(*x) || !std::isfinite(*y)) {
            failure = QStringLiteral("文件“%1”第%2行：坐标不是有效数字！").arg(path).arg(p.line);
            stopped = true;
            return;
        }
        record.x = *x;
        record.y = *y;
        stopped = !each(record);
    });
    if (std::optional<files::Error> error = files::read_points_text(str(path), parser))
        return qs(error->message);
    const files::PointsCheck& check = parser.check();
    const auto cannot = [&](const QString& cause) {
        return QStringLiteral("无法读取文件“%1”：%2！").arg(path, cause);
    };
    if (!check.utf8) return cannot(QStringLiteral("点文件须为 UTF-8 文本"));
    if (check.bad_count > 0) {
        QString lines;
        for (std::size_t i = 0; i < check.bad_lines.size(); ++i) {
            if (i > 0) lines += QStringLiteral("、");
            lines += QString::number(check.bad_lines[i]);
        }
        if (check.bad_count > check.bad_lines.size())
            lines += QStringLiteral("等%1").arg(check.bad_count);
        return cannot(QStringLiteral("第%1行不是“[点名] X Y”两个坐标数字").arg(lines));
    }
    if (failure) return failure;
    if (points == 0) return cannot(QStringLiteral("文件中没有点"));
    return std::nullopt;
}

}  // namespace

// What a computation has handed over and the window has not yet taken:
// chunks in order, then the end. The worker asks the window to come only
// when it is not already coming, so a fast computation never floods the
// event loop with deliveries.
struct ResultInbox {
    std::mutex mutex;
    std::deque<std::shared_ptr<ResultChunk>> chunks;
    std::optional<QString> done;  // the failure text (empty: none) once ended
    bool called = false;          // a drain is on its way
    // Taken by the window: the chunk being appended and the next row in it.
    std::shared_ptr<ResultChunk> current;
    std::size_t next = 0;
};

// ---------------------------------------------------------------------------
// Building the window

RouteWindow::RouteWindow(Desktop& desktop, QWidget* parent)
    : QMainWindow(parent), desktop_(desktop), undo_(new QUndoStack(this)) {
    setObjectName(QStringLiteral("RouteWindow"));
    start_ = new TextTable(startHeaders(false), undo_, this);
    elements_ = new TextTable(elementHeaders(), undo_, this);
    points_ = new TextTable(pointHeaders(), undo_, this);
    points_->setFixedRows(1, 1);
    points_->setFixedRowColumns(columns::kPointRadius);
    breaks_ = new TextTable(breakHeaders(), undo_, this);
    profile_ = new TextTable(profileHeaders(), undo_, this);
    results_ = new ResultModel(this);

    buildActions();

    auto* views = new QTabWidget;
    views->setObjectName(QStringLiteral("viewTabs"));
    plan_ = new PlanView;
    profileDrawing_ = new ProfileView;
    views->addTab(plan_, QStringLiteral("平面图"));
    views->addTab(profileDrawing_, QStringLiteral("纵断面图"));

    auto* right = new QSplitter(Qt::Vertical);
    right->addWidget(views);
    right->addWidget(buildComputationPane());
    right->setStretchFactor(0, 1);
    right->setStretchFactor(1, 1);
    right->setSizes({420, 400});

    auto* main = new QSplitter(Qt::Horizontal);
    main->addWidget(buildDefinitionPane());
    main->addWidget(right);
    main->setStretchFactor(0, 2);
    main->setStretchFactor(1, 3);
    main->setSizes({520, 760});
    setCentralWidget(main);

    cursorLabel_ = new QLabel;
    cursorLabel_->setObjectName(QStringLiteral("cursorLabel"));
    statusBar()->addPermanentWidget(cursorLabel_);
    connect(plan_, &PlanView::cursorMoved, this, &RouteWindow::showCursor);

    for (TextTable* t : {start_, elements_, points_, breaks_, profile_})
        connect(t, &TextTable::edited, this, &RouteWindow::recheck);
    connect(undo_, &QUndoStack::cleanChanged, this, &RouteWindow::updateCaption);

    resize(1280, 820);
    newAlignment(false);
}

RouteWindow::~RouteWindow() {
    stopJob();
    stopExport();
    // The undo stack is deleted with the window's children, after this
    // destructor; its last signals must not reach the window then.
    undo_->disconnect(this);
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

QWidget* RouteWindow::buildDefinitionPane() {
    startView_ = tableView("startTable", start_);
    startView_->setMaximumHeight(64);
    elementView_ = tableView("elementTable", elements_);
    pointView_ = tableView("pointTable", points_);
    breakView_ = tableView("breakTable", breaks_);
    profileView_ = tableView("profileTable", profile_);

    // Row buttons under a table: insert before the current row, or at the end;
    // remove the current row.
    const auto withRowButtons = [this](QWidget* top, QTableView* view, auto tableOf,
                                       const char* prefix) {
        auto* box = new QWidget;
        auto* layout = new QVBoxLayout(box);
        layout->setContentsMargins(0, 0, 0, 0);
        if (top) layout->addWidget(top);
        layout->addWidget(view, 1);
        auto* buttons = new QHBoxLayout;
        auto* add = new QPushButton(QStringLiteral("插入行"));
        add->setObjectName(QLatin1String(prefix) + QStringLiteral("InsertButton"));
        auto* remove = new QPushButton(QStringLiteral("删除行"));
        remove->setObjectName(QLatin1String(prefix) + QStringLiteral("RemoveButton"));
        buttons->addWidget(add);
        buttons->addWidget(remove);
        buttons->addStretch();
        layout->addLayout(buttons);
        connect(add, &QPushButton::clicked, this, [view, tableOf] {
            TextTable* t = tableOf();
            const int current = view->currentIndex().isValid() ? view->currentIndex().row()
                                                               : t->rowCount() - t->fixedTail();
            t->insertBlankRow(t->canInsertAt(current) ? current : t->rowCount() - t->fixedTail());
        });
        connect(remove, &QPushButton::clicked, this, [view, tableOf] {
            if (view->currentIndex().isValid()) tableOf()->removeRowAt(view->currentIndex().row());
        });
        return box;
    };

    auto* horizontal = new QWidget;
    auto* hl = new QVBoxLayout(horizontal);
    hl->setContentsMargins(4, 4, 4, 4);
    hl->addWidget(startView_);
    hl->addWidget(withRowButtons(
                      nullptr, elementView_, [this] { return elements_; }, "element"),
                  1);
    hl->addWidget(withRowButtons(
                      nullptr, pointView_, [this] { return points_; }, "point"),
                  1);

    definitionTabs_ = new QTabWidget;
    definitionTabs_->setObjectName(QStringLiteral("definitionTabs"));
    definitionTabs_->addTab(horizontal, QStringLiteral("平曲线"));
    definitionTabs_->addTab(withRowButtons(
                                nullptr, breakView_, [this] { return breaks_; }, "break"),
                            QStringLiteral("断链"));
    definitionTabs_->addTab(withRowButtons(
                                nullptr, profileView_, [this] { return profile_; }, "profile"),
                            QStringLiteral("变坡点"));

    keyPoints_ = new QTableWidget(0, 6);
    keyPoints_->setObjectName(QStringLiteral("keyPointTable"));
    keyPoints_->setHorizontalHeaderLabels({QStringLiteral("主点"), QStringLiteral("里程"),
                                           QStringLiteral("X"), QStringLiteral("Y"),
                                           QStringLiteral("方位角"), QStringLiteral("半径")});
    keyPoints_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    keyPoints_->verticalHeader()->setDefaultSectionSize(24);
    keyPoints_->horizontalHeader()->setStretchLastSection(true);
    auto* keyBox = new QGroupBox(QStringLiteral("主点"));
    auto* kl = new QVBoxLayout(keyBox);
    kl->setContentsMargins(4, 4, 4, 4);
    kl->addWidget(keyPoints_);

    auto* pane = new QSplitter(Qt::Vertical);
    pane->addWidget(definitionTabs_);
    pane->addWidget(keyBox);
    pane->setStretchFactor(0, 3);
    pane->setStretchFactor(1, 2);
    return pane;
}

QWidget* RouteWindow::buildComputationPane() {
    auto* tabs = new QTabWidget;
    tabs->setObjectName(QStringLiteral("computeTabs"));

    // Forward
    auto* forward = new QWidget;
    auto* fl = new QGridLayout(forward);
    station_ = field("stationEdit");
    zone_ = new QSpinBox;
    zone_->setObjectName(QStringLiteral("zoneBox"));
    zone_->setRange(0, 999);
    zone_->setSpecialValueText(QStringLiteral("自动"));
    offset_ = field("offsetEdit", QStringLiteral("0"));
    skew_ = field("skewEdit", QStringLiteral("90"));
    auto* forwardButton = new QPushButton(QStringLiteral("正算"));
    forwardButton->setObjectName(QStringLiteral("forwardButton"));
    forwardX_ = output("forwardX");
    forwardY_ = output("forwardY");
    forwardAzimuth_ = output("forwardAzimuth");
    forwardH_ = output("forwardH");
    fl->addWidget(new QLabel(QStringLiteral("里程")), 0, 0);
    fl->addWidget(station_, 0, 1);
    fl->addWidget(new QLabel(QStringLiteral("分区")), 0, 2);
    fl->addWidget(zone_, 0, 3);
    fl->addWidget(new QLabel(QStringLiteral("偏距")), 1, 0);
    fl->addWidget(offset_, 1, 1);
    fl->addWidget(new QLabel(QStringLiteral("斜交角")), 1, 2);
    fl->addWidget(skew_, 1, 3);
    fl->addWidget(forwardButton, 0, 4, 2, 1);
    fl->addWidget(new QLabel(QStringLiteral("X")), 2, 0);
    fl->addWidget(forwardX_, 2, 1);
    fl->addWidget(new QLabel(QStringLiteral("Y")), 2, 2);
    fl->addWidget(forwardY_, 2, 3);
    fl->addWidget(new QLabel(QStringLiteral("方位角")), 3, 0);
    fl->addWidget(forwardAzimuth_, 3, 1);
    fl->addWidget(new QLabel(QStringLiteral("设计高程")), 3, 2);
    fl->addWidget(forwardH_, 3, 3);
    fl->setRowStretch(4, 1);
    connect(forwardButton, &QPushButton::clicked, this, &RouteWindow::computeForward);
    tabs->addTab(forward, QStringLiteral("正算"));

    // Inverse
    auto* inverse = new QWidget;
    auto* il = new QGridLayout(inverse);
    inverseX_ = field("inverseXEdit");
    inverseY_ = field("inverseYEdit");
    auto* inverseButton = new QPushButton(QStringLiteral("反算"));
    inverseButton->setObjectName(QStringLiteral("inverseButton"));
    inverseStation_ = output("inverseStation");
    inverseOffset_ = output("inverseOffset");
    inverseH_ = output("inverseH");
    pointsButton_ = new QPushButton(QStringLiteral("批量反算点文件…"));
    pointsButton_->setObjectName(QStringLiteral("pointsFileButton"));
    il->addWidget(new QLabel(QStringLiteral("X")), 0, 0);
    il->addWidget(inverseX_, 0, 1);
    il->addWidget(new QLabel(QStringLiteral("Y")), 0, 2);
    il->addWidget(inverseY_, 0, 3);
    il->addWidget(inverseButton, 0, 4);
    il->addWidget(new QLabel(QStringLiteral("里程")), 1, 0);
    il->addWidget(inverseStation_, 1, 1);
    il->addWidget(new QLabel(QStringLiteral("偏距")), 1, 2);
    il->addWidget(inverseOffset_, 1, 3);
    il->addWidget(new QLabel(QStringLiteral("设计高程")), 2, 0);
    il->addWidget(inverseH_, 2, 1);
    il->addWidget(pointsButton_, 2, 3, 1, 2);
    il->setRowStretch(3, 1);
    connect(inverseButton, &QPushButton::clicked, this, &RouteWindow::computeInverse);
    connect(pointsButton_, &QPushButton::clicked, this, &RouteWindow::invertPointsFile);
    tabs->addTab(inverse, QStringLiteral("反算"));

    // Table
    auto* table = new QWidget;
    auto* tl = new QGridLayout(table);
    from_ = field("fromEdit");
    to_ = field("toEdit");
    interval_ = field("intervalEdit", QStringLiteral("20"));
    offsets_ = field("offsetsEdit", QStringLiteral("0"));
    // The zone of each end, where a chain break makes a chainage occur twice.
    const auto zoneBox = [](const char* name) {
        auto* box = new QSpinBox;
        box->setObjectName(QLatin1String(name));
        box->setRange(0, 999);
        box->setSpecialValueText(QStringLiteral("自动"));
        return box;
    };
    fromZone_ = zoneBox("fromZoneBox");
    toZone_ = zoneBox("toZoneBox");
    keyPointsBox_ = new QCheckBox(QStringLiteral("加主点"));
    keyPointsBox_->setObjectName(QStringLiteral("keyPointsBox"));
    keyPointsBox_->setChecked(true);
    tableButton_ = new QPushButton(QStringLiteral("计算坐标表"));
    tableButton_->setObjectName(QStringLiteral("tableButton"));
    tl->addWidget(new QLabel(QStringLiteral("起算里程")), 0, 0);
    tl->addWidget(from_, 0, 1);
    tl->addWidget(new QLabel(QStringLiteral("止算里程")), 0, 2);
    tl->addWidget(to_, 0, 3);
    tl->addWidget(new QLabel(QStringLiteral("间距")), 1, 0);
    tl->addWidget(interval_, 1, 1);
    tl->addWidget(new QLabel(QStringLiteral("边桩偏距")), 1, 2);
    tl->addWidget(offsets_, 1, 3);
    tl->addWidget(new QLabel(QStringLiteral("起算分区")), 2, 0);
    tl->addWidget(fromZone_, 2, 1);
    tl->addWidget(new QLabel(QStringLiteral("止算分区")), 2, 2);
    tl->addWidget(toZone_, 2, 3);
    tl->addWidget(keyPointsBox_, 3, 1);
    tl->addWidget(tableButton_, 0, 4, 2, 1);
    tl->setRowStretch(4, 1);
    connect(tableButton_, &QPushButton::clicked, this, &RouteWindow::computeTable);
    tabs->addTab(table, QStringLiteral("逐桩坐标表"));

    // Results
    resultTable_ = tableView("resultTable", results_);
    resultTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    resultTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    progress_ = new QProgressBar;
    progress_->setObjectName(QStringLiteral("progressBar"));
    progress_->setVisible(false);
    cancelButton_ = new QPushButton(QStringLiteral("取消"));
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    cancelButton_->setVisible(false);
    connect(cancelButton_, &QPushButton::clicked, this, &RouteWindow::cancelJob);
    resultNote_ = new QLabel;
    resultNote_->setObjectName(QStringLiteral("resultNote"));
    auto* bar = new QHBoxLayout;
    bar->addWidget(resultNote_, 1);
    bar->addWidget(progress_);
    bar->addWidget(cancelButton_);

    auto* pane = new QWidget;
    auto* pl = new QVBoxLayout(pane);
    pl->setContentsMargins(0, 0, 0, 0);
    pl->addWidget(tabs);
    pl->addLayout(bar);
    pl->addWidget(resultTable_, 1);
    return pane;
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
        points_->reset({{QStringLiteral("QD"), {}, {}, {}, {}, {}},
                        {QStringLiteral("ZD"), {}, {}, {}, {}, {}}});
    }
}

void RouteWindow::loadDefinition(const route::Definition& definition, const QString& path,
                                 const QString& shownName) {
    stopJob();
    const DefinitionTexts t = textsOf(definition);
    byPoints_ = t.byPoints;
    path_ = path;
    shownName_ = shownName;
    // Every table reset, then one check of the whole.
    loading_ = true;
    start_->setHeaders(startHeaders(byPoints_));
    start_->reset(t.start);
    elements_->reset(byPoints_ ? std::vector<QStringList>{} : t.horizontal);
    points_->reset(byPoints_ ? t.horizontal : std::vector<QStringList>{});
    breaks_->reset(t.breaks);
    profile_->reset(t.profile);
    loading_ = false;
    for (QTableView* v : {startView_, elementView_, pointView_, breakView_, profileView_})
        v->resizeColumnsToContents();
    elementView_->parentWidget()->setVisible(!byPoints_);
    pointView_->parentWidget()->setVisible(byPoints_);
    results_->start(ResultKind::table, nullptr);
    // An export still running goes on with the rows it holds.
    noteBeforeExport_.clear();
    if (!isExporting()) resultNote_->clear();
    undo_->clear();
    recheck();
    updateCaption();
}

void RouteWindow::recheck() {
    if (loading_) return;
    TextTable* horizontal = byPoints_ ? points_ : elements_;
    const ReadTexts read =
        readTexts(byPoints_, start_->rows(), horizontal->rows(), breaks_->rows(), profile_->rows());
    const auto tableOf = [&](TableKind k) -> TextTable* {
        switch (k) {
            case TableKind::start:
                return start_;
            case TableKind::horizontal:
                return horizontal;
            case TableKind::breaks:
                return breaks_;
            default:
                return profile_;
        }
    };
    std::vector<std::vector<QString>> errors;
    const std::vector<TextTable*> tables{start_, horizontal, breaks_, profile_};
    errors.reserve(tables.size());
    for (TextTable* t : tables) errors.emplace_back(static_cast<std::size_t>(t->rowCount()));
    const auto place = [&](const RowError& e) {
        TextTable* t = tableOf(e.table);
        const int row = e.row < 0 ? t->rowCount() - 1 : e.row;
        const std::size_t k = static_cast<std::size_t>(e.table);
        if (row >= 0 && row < t->rowCount() && errors[k][static_cast<std::size_t>(row)].isEmpty())
            errors[k][static_cast<std::size_t>(row)] = e.message;
    };
    alignment_.reset();
    alignmentError_.clear();
    if (!read.definition) {
        for (const RowError& e : read.errors) place(e);
        alignmentError_ = read.errors.front().message;
    } else {
        route::Outcome<route::Alignment> built = route::Alignment::build(*read.definition);
        if (built) {
            alignment_ = std::make_shared<const route::Alignment>(std::move(built).value());
        } else {
            place(placeOf(built.failure()));
            alignmentError_ = qs(built.failure().message);
        }
    }
    for (std::size_t k = 0; k < tables.size(); ++k) tables[k]->setErrors(std::move(errors[k]));
    // The intersection points of an alignment given by them are marked on the plan.
    plan_->setIntersections(alignment_ && read.definition
                                ? PlanView::intersections_of(*read.definition)
                                : std::vector<PlanMark>{});
    plan_->setAlignment(alignment_);
    plan_->setMarks({});
    profileDrawing_->setAlignment(alignment_);
    refreshKeyPoints();
    statusBar()->showMessage(alignment_ ? QString() : alignmentError_);
}

void RouteWindow::refreshKeyPoints() {
    keyPoints_->setRowCount(0);
    if (!alignment_) return;
    const auto& keys = alignment_->key_points();
    keyPoints_->setRowCount(static_cast<int>(keys.size()));
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const route::KeyPoint& k = keys[i];
        std::string station = alignment_->chainage_text(k.chainage, kDecimals);
        if (k.ahead) {
            station += '=';
            station += alignment_->chainage_text(*k.ahead, kDecimals);
        }
        const QStringList cells{
            qs(k.label),
            qs(station),
            qs(fixedText(k.x, kDecimals)),
            qs(fixedText(k.y, kDecimals)),
            qs(route::format_azimuth(k.azimuth, 2)),
            std::isinf(k.radius) ? QStringLiteral("∞") : qs(fixedText(k.radius, kDecimals))};
        for (int c = 0; c < cells.size(); ++c)
            keyPoints_->setItem(static_cast<int>(i), c, new QTableWidgetItem(cells[c]));
    }
    keyPoints_->resizeColumnsToContents();
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
    if (!mayDiscard()) {
        event->ignore();
        return;
    }
    stopJob();
    stopExport();
    event->accept();
}

std::optional<route::Definition> RouteWindow::definitionForWriting() {
    const ReadTexts read =
        readTexts(byPoints_, start_->rows(), byPoints_ ? points_->rows() : elements_->rows(),
                  breaks_->rows(), profile_->rows());
    if (read.definition) return read.definition;
    const RowError& e = read.errors.front();
    QTableView* view = e.table == TableKind::start        ? startView_
                       : e.table == TableKind::horizontal ? (byPoints_ ? pointView_ : elementView_)
                       : e.table == TableKind::breaks     ? breakView_
                                                          : profileView_;
    definitionTabs_->setCurrentIndex(e.table == TableKind::breaks    ? 1
                                     : e.table == TableKind::profile ? 2
                                                                     : 0);
    view->setCurrentIndex(view->model()->index(e.row, e.column < 0 ? 0 : e.column));
    desktop_.showInformation(this, noticeTitle(),
                             QStringLiteral("第%1行：%2").arg(e.row + 1).arg(e.message));
    desktop_.moveFocus(view);
    return std::nullopt;
}

bool RouteWindow::openFile(const QString& path) {
    const std::string p = str(path);
    files::Result<route::Definition> read = files::Error{};
    if (isXmlName(path)) {
        files::Result<std::string> bytes = files::read_whole_file(p, files::kMaxLandXmlBytes);
        if (!bytes) {
            desktop_.showInformation(this, noticeTitle(), qs(bytes.failure().message));
            return false;
        }
        const auto where = [&](const std::string& cause) {
            return QStringLiteral("无法读取文件“%1”：%2").arg(path, qs(cause));
        };
        files::Result<std::vector<std::string>> names =
            files::landxml_alignment_names(bytes.value());
        if (!names) {
            desktop_.showInformation(this, noticeTitle(), where(names.failure().message));
            return false;
        }
        std::string name;
        if (names.value().size() > 1) {
            QStringList items;
            for (const std::string& n : names.value()) items.append(qs(n));
            const QString chosen =
                desktop_.chooseItem(this, QStringLiteral("文件中有多条线路，请选择："), items);
            if (chosen.isEmpty()) return false;
            name = str(chosen);
        }
        read = files::parse_landxml(bytes.value(), name);
        if (!read) {
            desktop_.showInformation(this, noticeTitle(), where(read.failure().message));
            return false;
        }
        // LandXML is imported: saving asks for a Korvane file.
        loadDefinition(read.value(), QString(), QFileInfo(path).fileName());
        return true;
    }
    read = files::read_alignment_file(p);
    if (!read) {
        desktop_.showInformation(this, noticeTitle(), qs(read.failure().message));
        return false;
    }
    loadDefinition(read.value(), path, QFileInfo(path).fileName());
    return true;
}

bool RouteWindow::saveTo(const QString& path) {
    const std::optional<route::Definition> d = definitionForWriting();
    if (!d) return false;
    if (auto error = files::write_alignment_file(str(path), *d)) {
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
    if (path.isEmpty()) return;
    if (auto error = files::write_landxml(str(path), *d))
        desktop_.showInformation(this, noticeTitle(), qs(error->message));
}

// ---------------------------------------------------------------------------
// Computations

std::shared_ptr<const route::Alignment> RouteWindow::alignmentForComputing() {
    if (alignment_) return alignment_;
    if (!definitionForWriting()) return nullptr;
    // The rows read, but the alignment does not build: its message, at its row.
    desktop_.showInformation(this, noticeTitle(), alignmentError_);
    return nullptr;
}

void RouteWindow::refuse(const QString& message, QWidget* field) {
    desktop_.showInformation(this, noticeTitle(), message);
    if (field) desktop_.moveFocus(field);
}

void RouteWindow::refuseFailure(const route::Failure& f) {
    QWidget* field = nullptr;
    QString message = qs(f.message);
    switch (f.subject) {
        case route::Subject::station:
            field = station_;
            break;
        case route::Subject::zone:
            field = zone_;
            break;
        case route::Subject::offset:
            field = offset_;
            break;
        case route::Subject::skew:
            field = skew_;
            break;
        case route::Subject::x:
            field = inverseX_;
            break;
        case route::Subject::y:
            field = inverseY_;
            break;
        case route::Subject::from:
            field = from_;
            break;
        case route::Subject::to:
            field = to_;
            break;
        case route::Subject::interval:
            field = interval_;
            break;
        case route::Subject::offsets:
            field = offsets_;
            if (f.index >= 0) message = QStringLiteral("第%1个边桩").arg(f.index + 1) + message;
            break;
        default:
            break;
    }
    refuse(message, field);
}

void RouteWindow::computeForward() {
    for (QLineEdit* e : {forwardX_, forwardY_, forwardAzimuth_, forwardH_}) e->clear();
    const auto a = alignmentForComputing();
    if (!a) return;
    route::Outcome<double> station = route::read_chainage(str(station_->text()));
    if (!station) return refuse(qs(station.failure().message), station_);
    const std::optional<double> offset = geometry::parse_strict(str(offset_->text()));
    if (!offset || !std::isfinite(*offset))
        return refuse(QStringLiteral("偏距“%1”不是有效数字！").arg(offset_->text()), offset_);
    route::Outcome<double> skew = route::read_packed_angle(str(skew_->text()));
    if (!skew) return refuse(QStringLiteral("斜交角：") + qs(skew.failure().message), skew_);
    route::Outcome<route::ForwardResult> r =
        route::forward(*a, station.value(), zone_->value(), *offset, skew.value());
    if (!r) return refuseFailure(r.failure());
    const route::ForwardResult& v = r.value();
    forwardX_->setText(qs(fixedText(v.x, kDecimals)));
    forwardY_->setText(qs(fixedText(v.y, kDecimals)));
    forwardAzimuth_->setText(qs(route::format_azimuth(v.azimuth, 2)));
    if (v.elevation) forwardH_->setText(qs(fixedText(*v.elevation, kDecimals)));
    plan_->setMarks({PlanMark{v.x, v.y, qs(a->chainage_text(v.chainage, kDecimals))}});
}

void RouteWindow::computeInverse() {
    for (QLineEdit* e : {inverseStation_, inverseOffset_, inverseH_}) e->clear();
    const auto a = alignmentForComputing();
    if (!a) return;
    const std::optional<double> x = geometry::parse_strict(str(inverseX_->text()));
    if (!x || !std::isfinite(*x))
        return refuse(QStringLiteral("坐标X“%1”不是有效数字！").arg(inverseX_->text()), inverseX_);
    const std::optional<double> y = geometry::parse_strict(str(inverseY_->text()));
    if (!y || !std::isfinite(*y))
        return refuse(QStringLiteral("坐标Y“%1”不是有效数字！").arg(inverseY_->text()), inverseY_);
    route::Outcome<route::InverseResult> r = route::inverse(*a, *x, *y);
    if (!r) return refuseFailure(r.failure());
    const route::InverseResult& v = r.value();
    inverseStation_->setText(qs(a->chainage_text(v.chainage, kDecimals)));
    inverseOffset_->setText(qs(fixedText(v.offset, kDecimals)));
    if (v.elevation) inverseH_->setText(qs(fixedText(*v.elevation, kDecimals)));
    statusBar()->showMessage(
        v.feet > 1 ? QStringLiteral("注意：此点在线路上有%1个垂足，结果取最近的一个。").arg(v.feet)
                   : QString());
    plan_->setMarks({PlanMark{*x, *y, QString()}});
}

void RouteWindow::computeTable() {
    if (isExporting())
        return refuse(QStringLiteral("正在导出，请等导出完成或取消后再计算！"), nullptr);
    const auto a = alignmentForComputing();
    if (!a) return;
    route::TableRequest q;
    route::Outcome<double> from = route::read_chainage(str(from_->text()));
    if (!from) return refuse(QStringLiteral("起算里程：") + qs(from.failure().message), from_);
    route::Outcome<double> to = route::read_chainage(str(to_->text()));
    if (!to) return refuse(QStringLiteral("止算里程：") + qs(to.failure().message), to_);
    const std::optional<double> interval = geometry::parse_strict(str(interval_->text()));
    if (!interval || !std::isfinite(*interval))
        return refuse(QStringLiteral("间距“%1”不是有效数字！").arg(interval_->text()), interval_);
    OffsetsRead offsets = readOffsets(offsets_->text());
    if (!offsets.error.isEmpty()) return refuse(offsets.error, offsets_);
    q.from = from.value();
    q.from_zone = fromZone_->value();
    q.to = to.value();
    q.to_zone = toZone_->value();
    q.interval = *interval;
    q.offsets = std::move(offsets.values);
    q.key_points = keyPointsBox_->isChecked();
    // Refused here and now; the rows are counted on the worker (going through
    // a million stations would hold the window up).
    if (std::optional<route::Failure> refusal = route::table_refusal(*a, q))
        return refuseFailure(*refusal);

    stopJob();
    expected_ = 0;
    expectedRows_ = std::make_shared<std::atomic<std::size_t>>(0);
    rangeText_ = QStringLiteral("%1 至 %2，间距 %3 m")
                     .arg(qs(a->chainage_text(q.from, kDecimals)),
                          qs(a->chainage_text(q.to, kDecimals)), interval_->text().trimmed());
    startJob(ResultKind::table, a,
             [a, q, expected = expectedRows_](const Post& post, const Done& done,
                                              const std::atomic<bool>& cancel) {
                 if (route::Outcome<std::size_t> count = route::table_row_count(*a, q))
                     expected->store(count.value());
                 Emitter out(post, cancel);
                 route::Outcome<route::TableSummary> summary =
                     route::table(*a, q, [&](const route::TableRow& r) {
                         if (out.cancelled()) return false;
                         out.add({.chainage = r.chainage,
                                  .offset = r.offset,
                                  .x = r.x,
                                  .y = r.y,
                                  .azimuth = r.azimuth,
                                  .h = r.elevation ? *r.elevation : std::nan(""),
                                  .text = out.label(r.label),
                                  .zone = r.zone});
                         return true;
                     });
                 out.flush();
                 done(summary ? QString() : qs(summary.failure().message));
             });
}

void RouteWindow::invertPointsFile() {
    if (isExporting())
        return refuse(QStringLiteral("正在导出，请等导出完成或取消后再计算！"), nullptr);
    const auto a = alignmentForComputing();
    if (!a) return;
    const QString path = desktop_.chooseFile(
        this, FileDialogMode::Open,
        {QStringLiteral("CASS 坐标文件 (*.dat)"), QStringLiteral("CSV 点文件 (*.csv)"),
         QStringLiteral("点文件 (*.txt *.pts)"), QStringLiteral("所有文件 (*)")});
    if (path.isEmpty()) return;
    // By its name, as the command line tells a file's form: .dat CASS, .csv
    // CSV, anything else the plain "[name] X Y" form.
    const std::optional<files::PointFormat> format = files::point_format_of(str(path));

    stopJob();
    expected_ = 0;
    expectedRows_.reset();
    rangeText_ = QStringLiteral("点文件 %1").arg(QFileInfo(path).fileName());
    startJob(
        ResultKind::inverse, a,
        [a, path, format](const Post& post, const Done& done, const std::atomic<bool>& cancel) {
            Emitter out(post, cancel);
            QString failure;
            std::size_t several = 0;
            const auto each = [&](const files::PointRecord& p) {
                if (out.cancelled()) return false;
                route::Outcome<route::InverseResult> r = route::inverse(*a, p.x, p.y);
                if (!r) {
                    failure = QStringLiteral("文件“%1”第%2行：%3")
                                  .arg(path)
                                  .arg(p.line)
                                  .arg(qs(r.failure().message));
                    return false;
                }
                const route::InverseResult& v = r.value();
                if (v.feet > 1) ++several;
                out.add({.chainage = v.chainage,
                         .offset = v.offset,
                         .x = p.x,
                         .y = p.y,
                         .azimuth = v.azimuth,
                         .h = v.elevation ? *v.elevation : std::nan(""),
                         .text = out.name(p.name),
                         .zone = v.zone});
                return true;
            };
            if (format) {
                if (std::optional<files::Error> error =
                        files::read_point_file(str(path), *format, each))
                    failure = qs(error->message);
            } else if (std::optional<QString> error = readPlainPoints(path, each)) {
                failure = *error;  // a bad line is told before a point without a foot
            }
            out.flush();
            if (failure.isEmpty() && several > 0)
                failure = QStringLiteral("#注意：%1个点在线路上有多个垂足，结果取最近的一个。")
                              .arg(several);
            done(failure);
        });
}

void RouteWindow::startJob(
    ResultKind kind, const std::shared_ptr<const route::Alignment>& alignment,
    std::function<void(const Post&, const Done&, const std::atomic<bool>&)> work) {
    // The rows shown until now are freed on the worker, not here: a million
    // rows take a while to give back.
    std::shared_ptr<const ResultStore> old = results_->start(kind, alignment);
    const int generation = ++generation_;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    inbox_ = std::make_shared<ResultInbox>();
    // Called on the worker: the window is asked to come once for all that
    // has piled up since it last came.
    const auto call = [this, generation](ResultInbox& inbox) {
        if (inbox.called) return;
        inbox.called = true;
        QMetaObject::invokeMethod(
            this, [this, generation] { drain(generation); }, Qt::QueuedConnection);
    };
    Post post = [inbox = inbox_, call](std::shared_ptr<ResultChunk> chunk) {
        const std::lock_guard<std::mutex> lock(inbox->mutex);
        inbox->chunks.push_back(std::move(chunk));
        call(*inbox);
    };
    Done done = [inbox = inbox_, call](const QString& failure) {
        const std::lock_guard<std::mutex> lock(inbox->mutex);
        inbox->done = failure;
        call(*inbox);
    };
    thread_ = QThread::create([old = std::move(old), work = std::move(work), post = std::move(post),
                               done = std::move(done), cancel = cancel_]() mutable {
        old.reset();
        work(post, done, *cancel);
    });
    if (expected_ > 0) {
        progress_->setRange(0, static_cast<int>(expected_));
        progress_->setValue(0);
    } else {
        progress_->setRange(0, 0);
    }
    progressClock_.start();
    resultNote_->setText(QStringLiteral("正在计算…"));
    setBusy(true);
    thread_->start();
}

void RouteWindow::setBusy(bool busy) {
    progress_->setVisible(busy);
    cancelButton_->setVisible(busy);
    tableButton_->setEnabled(!busy);
    pointsButton_->setEnabled(!busy);
}

bool RouteWindow::isComputing() const {
    return thread_ != nullptr;
}

// Appends what the computation has handed over, a slice at a time, for at
// most kSliceNs; what is left waits for the next turn of the event loop.
void RouteWindow::drain(int generation) {
    if (generation != generation_ || !inbox_) return;
    ResultInbox& inbox = *inbox_;
    QElapsedTimer clock;
    clock.start();
    std::optional<QString> done;
    for (;;) {
        if (!inbox.current || inbox.next >= inbox.current->rows.size()) {
            if (inbox.current) {
                // Its last texts (a chunk may carry texts but no rows).
                results_->append(*inbox.current, 0, 0);
                inbox.current.reset();
            }
            const std::lock_guard<std::mutex> lock(inbox.mutex);
            if (inbox.chunks.empty()) {
                inbox.called = false;
                done = inbox.done;
                break;
            }
            inbox.current = std::move(inbox.chunks.front());
            inbox.chunks.pop_front();
            inbox.next = 0;
        }
        const std::size_t last = std::min(inbox.current->rows.size(), inbox.next + kSliceRows);
        results_->append(*inbox.current, inbox.next, last);
        inbox.next = last;
        if (clock.nsecsElapsed() >= kSliceNs) {
            QMetaObject::invokeMethod(
                this, [this, generation] { drain(generation); }, Qt::QueuedConnection);
            break;
        }
    }
    if (done) return finishJob(*done);
    if (expected_ == 0 && expectedRows_ && expectedRows_->load() > 0) {
        expected_ = expectedRows_->load();
        progress_->setRange(0, static_cast<int>(expected_));
    }
    if (expected_ > 0 && progressClock_.elapsed() >= kProgressMs) {
        progress_->setValue(static_cast<int>(results_->size()));
        progressClock_.restart();
    }
}

void RouteWindow::cancelJob() {
    if (cancel_) cancel_->store(true);
    if (exportCancel_) exportCancel_->store(true);
}

// Waits for the computation to end (asked to stop first) and forgets it; rows
// it still sends are dropped.
void RouteWindow::stopJob() {
    if (!thread_) return;
    cancel_->store(true);
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    inbox_.reset();
    ++generation_;
    setBusy(false);
}

void RouteWindow::finishJob(const QString& failure) {
    const bool cancelled = cancel_ && cancel_->load();
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    inbox_.reset();
    setBusy(false);
    if (!failure.isEmpty() && !failure.startsWith(QLatin1Char('#'))) {
        // A file with a point that has no foot gives no result at all rather
        // than the rows before it as if they were the whole file.
        results_->clear();
        resultNote_->clear();
        refuse(failure, nullptr);
        return;
    }
    if (cancelled) {
        // Kept for a look, but never exported as if it were the whole table.
        resultNote_->setText(
            QStringLiteral("已取消：只算出%1行，结果不完整。").arg(results_->size()));
    } else {
        QString note = QStringLiteral("共%1行").arg(results_->size());
        if (!failure.isEmpty()) note += QStringLiteral("；") + failure.mid(1);
        resultNote_->setText(note);
    }
    partial_ = cancelled;
    std::vector<PlanMark> marks;
    const std::size_t n = std::min(results_->size(), kMaxMarks);
    marks.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const ResultRow& r = results_->row(i);
        marks.push_back({r.x, r.y, qs(results_->text(r.text))});
    }
    plan_->setMarks(std::move(marks));
}

// ---------------------------------------------------------------------------
// Export

namespace {

// The rows as a printed report on `device`: a heading and the range on
// every page, the sign-off names under the last row. Used on a worker too:
// it touches nothing of the window.
std::optional<QString> paintRows(QPagedPaintDevice& device, const ResultStore& rows,
                                 const QString& rangeText, const SignOff& signOff,
                                 const WriteControl& control) {
    QPainter painter;
    if (!painter.begin(&device)) return QStringLiteral("无法生成报表！");
    const QRect page = painter.viewport();
    const double unit = page.width() / 190.0;  // about one millimetre
    QFont body = painter.font();
    body.setPixelSize(static_cast<int>(3.2 * unit));
    QFont title = body;
    title.setPixelSize(static_cast<int>(6 * unit));
    title.setBold(true);
    const int line = static_cast<int>(5 * unit);
    const QStringList headers = ResultModel::headersOf(rows.kind());
    const int columns = static_cast<int>(headers.size());
    const double columnWidth = page.width() / static_cast<double>(columns);
    const std::string name = rows.alignment()->name();
    const QString heading = rows.kind() == ResultKind::table ? QStringLiteral("逐桩坐标表")
                                                             : QStringLiteral("点位反算成果表");
    std::size_t next = 0;
    int pageNumber = 1;
    for (;;) {
        if (control.cancel && control.cancel->load(std::memory_order_relaxed)) {
            painter.end();
            return QLatin1String(kWriteCancelled);
        }
        if (control.progress) control.progress(next);
        int y = 0;
        painter.setFont(title);
        painter.drawText(QRect(0, y, page.width(), 2 * line), Qt::AlignCenter, heading);
        y += 2 * line;
        painter.setFont(body);
        painter.drawText(QRect(0, y, page.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("线路：%1    %2").arg(qs(name), rangeText));
        painter.drawText(QRect(0, y, page.width(), line), Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("第%1页").arg(pageNumber));
        y += line + line / 2;
        for (int c = 0; c < columns; ++c)
            painter.drawText(QRectF(c * columnWidth, y, columnWidth, line), Qt::AlignCenter,
                             headers[c]);
        y += line;
        painter.drawLine(0, y, page.width(), y);
        const int bottom = page.height() - 3 * line;
        while (next < rows.size() && y + line <= bottom) {
            const QStringList cells = ResultModel::rowTextsOf(rows, next);
            for (int c = 0; c < columns; ++c)
                painter.drawText(QRectF(c * columnWidth, y, columnWidth - unit, line),
                                 Qt::AlignRight | Qt::AlignVCenter, cells[c]);
            y += line;
            ++next;
        }
        if (next >= rows.size()) {
            y += line;
            painter.drawText(QRect(0, y, page.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
                             QStringLiteral("计算：%1        复核：%2        审核：%3")
                                 .arg(signOff.computedBy.leftJustified(8, QChar(0x3000)),
                                      signOff.checkedBy.leftJustified(8, QChar(0x3000)),
                                      signOff.approvedBy.leftJustified(8, QChar(0x3000))));
            break;
        }
        if (!device.newPage()) break;
        ++pageNumber;
    }
    if (!painter.end()) return QStringLiteral("无法生成报表！");
    return std::nullopt;
}

// The report as a PDF file at `path`, replacing any file there whole: drawn
// into a temporary file, then put in place like every file.
std::optional<QString> writeReport(const ResultStore& rows, const QString& rangeText,
                                   const QString& path, const SignOff& signOff,
                                   const WriteControl& control) {
    QTemporaryDir dir;
    if (!dir.isValid()) return QStringLiteral("无法生成报表：没有可用的临时文件夹！");
    const QString temp = dir.filePath(QStringLiteral("report.pdf"));
    {
        QPdfWriter writer(temp);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(300);
        writer.setTitle(QStringLiteral("逐桩坐标表"));
        if (std::optional<QString> failure = paintRows(writer, rows, rangeText, signOff, control))
            return failure;
    }
    if (control.cancel && control.cancel->load()) return QLatin1String(kWriteCancelled);
    files::Result<std::string> bytes = files::read_whole_file(str(temp), std::size_t{1} << 31);
    if (!bytes) return qs(bytes.failure().message);
    if (std::optional<files::Error> error = files::replace_file(str(path), bytes.value()))
        return qs(error->message);
    return std::nullopt;
}

}  // namespace

bool RouteWindow::haveResults() {
    if (isComputing()) {
        refuse(QStringLiteral("正在计算，请等计算完成或取消后再导出！"), nullptr);
        return false;
    }
    if (isExporting()) {
        refuse(QStringLiteral("正在导出，请等导出完成或取消后再导出！"), nullptr);
        return false;
    }
    if (results_->size() == 0 || !results_->alignment()) {
        refuse(QStringLiteral("没有计算结果可导出，请先计算坐标表或批量反算！"), nullptr);
        return false;
    }
    if (partial_) {
        refuse(QStringLiteral("计算已取消，结果不完整，不能导出！"), nullptr);
        return false;
    }
    return true;
}

namespace {

std::optional<QString> messageOf(const std::optional<files::Error>& error) {
    if (!error) return std::nullopt;
    return qs(error->message);
}

}  // namespace

void RouteWindow::exportCsv() {
    if (!haveResults()) return;
    const QString path =
        desktop_.chooseFile(this, FileDialogMode::Save, {QStringLiteral("CSV 文件 (*.csv)")});
    if (path.isEmpty()) return;
    startExport(QStringLiteral("CSV"),
                [rows = results_->store(), target = str(path)](const WriteControl& control) {
                    return messageOf(writeResultCsv(*rows, target, control));
                });
}

void RouteWindow::exportCass() {
    if (!haveResults()) return;
    const QString path =
        desktop_.chooseFile(this, FileDialogMode::Save, {QStringLiteral("CASS 坐标文件 (*.dat)")});
    if (path.isEmpty()) return;
    startExport(QStringLiteral("CASS"),
                [rows = results_->store(), target = str(path)](const WriteControl& control) {
                    return messageOf(writeResultCass(*rows, target, control));
                });
}

// The writer runs on its own thread with the rows shared, never copied; the
// rows it holds do not change (a new computation starts new rows), and the
// computing buttons wait until it ends so that the progress bar is its own.
void RouteWindow::startExport(const QString& what,
                              std::function<std::optional<QString>(const WriteControl&)> write) {
    exportCancel_ = std::make_shared<std::atomic<bool>>(false);
    const auto progress = [this](std::size_t rows) {
        QMetaObject::invokeMethod(
            this,
            [this, rows] {
                if (isExporting()) progress_->setValue(static_cast<int>(rows));
            },
            Qt::QueuedConnection);
    };
    exportThread_ =
        QThread::create([this, write = std::move(write), progress, cancel = exportCancel_] {
            QElapsedTimer clock;
            clock.start();
            WriteControl control;
            control.cancel = cancel.get();
            // Told every few thousand rows; handed on at most every kProgressMs.
            control.progress = [&](std::size_t rows) {
                if (clock.elapsed() < kProgressMs) return;
                clock.restart();
                progress(rows);
            };
            const std::optional<QString> failure = write(control);
            // Cancelled only if it stopped for it: a cancel that came after the
            // file was in place changes nothing.
            const bool cancelled = failure && cancel->load();
            QMetaObject::invokeMethod(
                this,
                [this, failure = failure.value_or(QString()), cancelled] {
                    finishExport(failure, cancelled);
                },
                Qt::QueuedConnection);
        });
    noteBeforeExport_ = resultNote_->text();
    resultNote_->setText(QStringLiteral("正在导出%1…").arg(what));
    progress_->setRange(0, static_cast<int>(results_->size()));
    progress_->setValue(0);
    setBusy(true);
    exportThread_->start();
}

void RouteWindow::finishExport(const QString& failure, bool cancelled) {
    if (!exportThread_) return;
    exportThread_->wait();
    delete exportThread_;
    exportThread_ = nullptr;
    exportCancel_.reset();
    setBusy(false);
    resultNote_->setText(noteBeforeExport_);
    if (cancelled) {
        statusBar()->showMessage(QStringLiteral("导出已取消，文件未写入。"));
        return;
    }
    if (!failure.isEmpty()) desktop_.showInformation(this, noticeTitle(), failure);
}

// Asks the export to stop and waits for it: the file at its path stays as it was.
void RouteWindow::stopExport() {
    if (!exportThread_) return;
    exportCancel_->store(true);
    exportThread_->wait();
    delete exportThread_;
    exportThread_ = nullptr;
    exportCancel_.reset();
    setBusy(false);
    resultNote_->setText(noteBeforeExport_);
}

std::optional<SignOff> RouteWindow::askSignOff() {
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("signOffDialog"));
    dialog.setWindowTitle(QStringLiteral("报表签名"));
    auto* form = new QFormLayout(&dialog);
    auto* computed = new QLineEdit;
    auto* checked = new QLineEdit;
    auto* approved = new QLineEdit;
    form->addRow(QStringLiteral("计算："), computed);
    form->addRow(QStringLiteral("复核："), checked);
    form->addRow(QStringLiteral("审核："), approved);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return SignOff{computed->text(), checked->text(), approved->text()};
}

void RouteWindow::exportPdf() {
    if (!haveResults()) return;
    const std::optional<SignOff> names = askSignOff();
    if (!names) return;
    const QString path =
        desktop_.chooseFile(this, FileDialogMode::Save, {QStringLiteral("PDF 文件 (*.pdf)")});
    if (path.isEmpty()) return;
    startExport(QStringLiteral("PDF"), [rows = results_->store(), range = rangeText_, path,
                                        names = *names](const WriteControl& control) {
        return writeReport(*rows, range, path, names, control);
    });
}

bool RouteWindow::writeReportPdf(const QString& path, const SignOff& signOff) {
    if (const std::optional<QString> failure =
            writeReport(*results_->store(), rangeText_, path, signOff, {})) {
        desktop_.showInformation(this, noticeTitle(), *failure);
        return false;
    }
    return true;
}

bool RouteWindow::paintReport(QPagedPaintDevice& device, const SignOff& signOff) {
    if (const std::optional<QString> failure =
            paintRows(device, *results_->store(), rangeText_, signOff, {})) {
        desktop_.showInformation(this, noticeTitle(), *failure);
        return false;
    }
    return true;
}

void RouteWindow::printReport() {
    if (!haveResults()) return;
    const std::optional<SignOff> names = askSignOff();
    if (!names) return;
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    paintReport(printer, *names);
}

void RouteWindow::showCursor(double x, double y) {
    QString text =
        QStringLiteral("X %1  Y %2").arg(qs(fixedText(x, kDecimals)), qs(fixedText(y, kDecimals)));
    if (alignment_) {
        route::Outcome<route::InverseResult> r = route::inverse(*alignment_, x, y);
        if (r)
            text += QStringLiteral("  里程 %1  偏距 %2")
                        .arg(qs(alignment_->chainage_text(r.value().chainage, kDecimals)),
                             qs(fixedText(r.value().offset, kDecimals)));
    }
    cursorLabel_->setText(text);
}

}  // namespace korvane::ui
