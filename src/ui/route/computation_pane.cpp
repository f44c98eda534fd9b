#include "ui/route/computation_pane.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "files/point_file.h"
#include "geometry/fixed_text.h"
#include "geometry/number_text.h"
#include "route/angle.h"
#include "route/chainage.h"
#include "route/forward.h"
#include "route/table.h"
#include "ui/common/desktop.h"
#include "ui/route/plan_view.h"
#include "ui/route/route_jobs.h"
#include "ui/route/table_view.h"

namespace korvane::ui {

namespace {

constexpr int kDecimals = 3;
// Points drawn on the plan from a result: enough to see, few enough to draw fast.
constexpr std::size_t kMaxMarks = 5000;

// Rows handed to the window are appended in slices of at most this many
// rows, and a turn of the event loop appends for at most kSliceTime: the
// window answers between slices however fast the rows come.
constexpr std::size_t kSliceRows = 8192;
constexpr qint64 kSliceNs = 8'000'000;
// The progress bar repaints itself when it moves: at most this often.
constexpr qint64 kProgressMs = BackgroundTask::kProgressMs;

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string str(const QString& s) {
    return s.toStdString();
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

// A tab of fields where Enter, in any of them, computes: the line edits and
// spin boxes leave Enter to their parent.
class EnterPage final : public QWidget {
  public:
    explicit EnterPage(std::function<void()> compute) : compute_(std::move(compute)) {}

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            compute_();
            event->accept();
            return;
        }
        QWidget::keyPressEvent(event);
    }

  private:
    std::function<void()> compute_;
};

}  // namespace

// What a computation has handed over and the window has not yet taken:
// chunks in order, then the end. The worker asks the window to come only
// when it is not already coming, so a fast computation never floods the
// event loop with deliveries.
struct ResultInbox {
    std::mutex mutex;
    std::deque<std::shared_ptr<ResultChunk>> chunks;
    std::optional<TaskOutcome> done;  // how the computation ended, once it has
    bool called = false;              // a drain is on its way
    // Taken by the window: the chunk being appended and the next row in it.
    std::shared_ptr<ResultChunk> current;
    std::size_t next = 0;
};

// ---------------------------------------------------------------------------
// Building the pane

ComputationPane::ComputationPane(Desktop& desktop, PlanView& plan, AlignmentSource alignment,
                                 QWidget* parent)
    : QWidget(parent),
      desktop_(desktop),
      plan_(plan),
      alignment_(std::move(alignment)),
      results_(new ResultModel(this)),
      task_(new BackgroundTask(this)),
      exportTask_(new BackgroundTask(this)) {
    auto* tabs = new QTabWidget;
    tabs->setObjectName(QStringLiteral("computeTabs"));
    tabs->addTab(buildForward(), QStringLiteral("正算"));
    tabs->addTab(buildInverse(), QStringLiteral("反算"));
    tabs->addTab(buildTable(), QStringLiteral("逐桩坐标表"));
    // The fields take the height they need; the rest goes to the results.
    tabs->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);

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
    connect(cancelButton_, &QPushButton::clicked, this, &ComputationPane::cancel);
    resultNote_ = new QLabel;
    resultNote_->setObjectName(QStringLiteral("resultNote"));
    auto* bar = new QHBoxLayout;
    bar->addWidget(resultNote_, 1);
    bar->addWidget(progress_);
    bar->addWidget(cancelButton_);

    auto* pl = new QVBoxLayout(this);
    pl->setContentsMargins(0, 0, 0, 0);
    pl->addWidget(tabs);
    pl->addLayout(bar);
    pl->addWidget(resultTable_, 1);
}

ComputationPane::~ComputationPane() {
    stopComputing();
    stopExporting();
}

QWidget* ComputationPane::buildForward() {
    auto* forward = new EnterPage([this] { computeForward(); });
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
    // The section drawing follows the station being typed.
    connect(station_, &QLineEdit::textChanged, this,
            [this](const QString& text) { emit stationChanged(text, zone_->value()); });
    connect(zone_, &QSpinBox::valueChanged, this,
            [this](int zone) { emit stationChanged(station_->text(), zone); });
    fl->addWidget(new QLabel(QStringLiteral("桩号")), 0, 0);
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
    connect(forwardButton, &QPushButton::clicked, this, &ComputationPane::computeForward);
    return forward;
}

QWidget* ComputationPane::buildInverse() {
    auto* inverse = new EnterPage([this] { computeInverse(); });
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
    il->addWidget(new QLabel(QStringLiteral("桩号")), 1, 0);
    il->addWidget(inverseStation_, 1, 1);
    il->addWidget(new QLabel(QStringLiteral("偏距")), 1, 2);
    il->addWidget(inverseOffset_, 1, 3);
    il->addWidget(new QLabel(QStringLiteral("设计高程")), 2, 0);
    il->addWidget(inverseH_, 2, 1);
    il->addWidget(pointsButton_, 2, 3, 1, 2);
    il->setRowStretch(3, 1);
    connect(inverseButton, &QPushButton::clicked, this, &ComputationPane::computeInverse);
    connect(pointsButton_, &QPushButton::clicked, this, &ComputationPane::invertPointsFile);
    return inverse;
}

QWidget* ComputationPane::buildTable() {
    // While a table is computed or exported its button is off, and Enter with it.
    auto* table = new EnterPage([this] {
        if (tableButton_->isEnabled()) computeTable();
    });
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
    tl->addWidget(new QLabel(QStringLiteral("起算桩号")), 0, 0);
    tl->addWidget(from_, 0, 1);
    tl->addWidget(new QLabel(QStringLiteral("止算桩号")), 0, 2);
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
    connect(tableButton_, &QPushButton::clicked, this, &ComputationPane::computeTable);
    return table;
}

// ---------------------------------------------------------------------------
// Computations

void ComputationPane::refuse(const QString& message, QWidget* field) {
    desktop_.showInformation(window(), noticeTitle(), message);
    if (field) desktop_.moveFocus(field);
}

void ComputationPane::refuseFailure(const route::Failure& f) {
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

void ComputationPane::computeForward() {
    for (QLineEdit* e : {forwardX_, forwardY_, forwardAzimuth_, forwardH_}) e->clear();
    const auto a = alignment_();
    if (!a) return;
    route::Outcome<double> station = route::read_chainage(str(station_->text()));
    if (!station) return refuse(qs(station.failure().message), station_);
    if (auto other = route::check_chainage_prefix(str(station_->text()), a->prefix()))
        return refuse(qs(other->message), station_);
    const std::optional<double> offset = geometry::parse_strict(str(offset_->text()));
    if (!offset || !std::isfinite(*offset))
        return refuse(QStringLiteral("偏距“%1”不是有效数字！").arg(offset_->text()), offset_);
    route::Outcome<double> skew = route::read_packed_angle(str(skew_->text()));
    if (!skew) return refuse(QStringLiteral("斜交角：") + qs(skew.failure().message), skew_);
    route::Outcome<route::ForwardResult> r =
        route::forward(*a, station.value(), zone_->value(), *offset, skew.value());
    if (!r) return refuseFailure(r.failure());
    const route::ForwardResult& v = r.value();
    forwardX_->setText(qs(geometry::shown_fixed(v.x, kDecimals)));
    forwardY_->setText(qs(geometry::shown_fixed(v.y, kDecimals)));
    forwardAzimuth_->setText(qs(route::format_azimuth(v.azimuth, 2)));
    if (v.elevation) forwardH_->setText(qs(geometry::shown_fixed(*v.elevation, kDecimals)));
    plan_.setMarks({PlanMark{v.x, v.y, qs(a->chainage_text(v.chainage, kDecimals))}});
}

void ComputationPane::computeInverse() {
    for (QLineEdit* e : {inverseStation_, inverseOffset_, inverseH_}) e->clear();
    const auto a = alignment_();
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
    inverseOffset_->setText(qs(geometry::shown_fixed(v.offset, kDecimals)));
    if (v.elevation) inverseH_->setText(qs(geometry::shown_fixed(*v.elevation, kDecimals)));
    emit statusMessage(
        v.corner ? QStringLiteral(
                       "注意：此点在折点外侧，没有垂足，结果以折点为垂足，偏距为到折点的距离。")
        : v.feet > 1
            ? QStringLiteral("注意：此点在线路上有%1个垂足，结果取最近的一个。").arg(v.feet)
            : QString());
    plan_.setMarks({PlanMark{*x, *y, QString()}});
}

void ComputationPane::computeTable() {
    if (isExporting())
        return refuse(QStringLiteral("正在导出，请等导出完成或取消后再计算！"), nullptr);
    const auto a = alignment_();
    if (!a) return;
    route::TableRequest q;
    route::Outcome<double> from = route::read_chainage(str(from_->text()));
    if (!from) return refuse(QStringLiteral("起算桩号：") + qs(from.failure().message), from_);
    route::Outcome<double> to = route::read_chainage(str(to_->text()));
    if (!to) return refuse(QStringLiteral("止算桩号：") + qs(to.failure().message), to_);
    for (QLineEdit* field : {from_, to_}) {
        if (auto other = route::check_chainage_prefix(str(field->text()), a->prefix()))
            return refuse(
                (field == from_ ? QStringLiteral("起算桩号：") : QStringLiteral("止算桩号：")) +
                    qs(other->message),
                field);
    }
    const std::optional<double> interval = geometry::parse_strict(str(interval_->text()));
    if (!interval || !std::isfinite(*interval))
        return refuse(QStringLiteral("间距“%1”不是有效数字！").arg(interval_->text()), interval_);
    route::Outcome<std::vector<double>> offsets = route::read_offsets(str(offsets_->text()));
    if (!offsets) return refuse(qs(offsets.failure().message), offsets_);
    q.from = from.value();
    q.from_zone = fromZone_->value();
    q.to = to.value();
    q.to_zone = toZone_->value();
    q.interval = *interval;
    q.offsets = std::move(offsets).value();
    q.key_points = keyPointsBox_->isChecked();
    // Refused here and now; the rows are counted on the worker (going through
    // a million stations would hold the window up).
    if (std::optional<route::Failure> refusal = route::table_refusal(*a, q))
        return refuseFailure(*refusal);
    // The rows are named after their chainages (CASS points, the report):
    // two that would share a name are refused before any is computed.
    if (std::optional<route::Failure> clash = route::table_name_clash(*a, q, kDecimals))
        return refuseFailure(*clash);

    stopComputing();
    expected_ = 0;
    expectedRows_ = std::make_shared<std::atomic<std::size_t>>(0);
    pointsPath_.clear();
    rangeText_ = QStringLiteral("%1 至 %2，间距 %3 m")
                     .arg(qs(a->chainage_text(q.from, kDecimals)),
                          qs(a->chainage_text(q.to, kDecimals)), interval_->text().trimmed());
    startComputing(
        ResultKind::table, a,
        [a, q, expected = expectedRows_](const PostChunk& post, const std::atomic<bool>& cancel) {
            return tableJob(*a, q, *expected, post, cancel);
        });
}

void ComputationPane::invertPointsFile() {
    if (isExporting())
        return refuse(QStringLiteral("正在导出，请等导出完成或取消后再计算！"), nullptr);
    const auto a = alignment_();
    if (!a) return;
    // A table of stakes computed is not thrown away without a word.
    if (results_->kind() == ResultKind::table && results_->size() > 0 &&
        !desktop_.askYesNo(
            window(), QStringLiteral("批量反算的结果将替换结果表中的逐桩坐标表（%1行），是否继续？")
                          .arg(results_->size())))
        return;
    const QString path = desktop_.chooseFile(
        window(), FileDialogMode::Open,
        {QStringLiteral("CASS 坐标文件 (*.dat)"), QStringLiteral("CSV 点文件 (*.csv)"),
         QStringLiteral("点文件 (*.txt *.pts)"), QStringLiteral("所有文件 (*)")});
    if (path.isEmpty()) return;
    // By its name, as the command line tells a file's form: .dat CASS, .csv
    // CSV, anything else the plain "[name] X Y" form.
    const files::PointForm form = files::point_form_of(str(path));

    stopComputing();
    expected_ = 0;
    expectedRows_.reset();
    rangeText_ = QStringLiteral("点文件 %1").arg(QFileInfo(path).fileName());
    pointsPath_ = path;
    startComputing(ResultKind::inverse, a,
                   [a, path, form](const PostChunk& post, const std::atomic<bool>& cancel) {
                       return pointsInverseJob(*a, path, form, post, cancel);
                   });
}

void ComputationPane::startComputing(ResultKind kind,
                                     const std::shared_ptr<const route::Alignment>& alignment,
                                     Work work) {
    // The rows shown until now are freed on the worker, not here: a million
    // rows take a while to give back.
    std::shared_ptr<const ResultStore> old = results_->start(kind, alignment);
    const int generation = ++generation_;
    inbox_ = std::make_shared<ResultInbox>();
    if (expected_ > 0) {
        progress_->setRange(0, static_cast<int>(expected_));
        progress_->setValue(0);
    } else {
        progress_->setRange(0, 0);
    }
    progressClock_.start();
    resultNote_->setText(QStringLiteral("正在计算…"));
    setBusy(true);
    task_->start(
        [this, generation, inbox = inbox_, old = std::move(old),
         work = std::move(work)](BackgroundTask::Control& control) mutable {
            old.reset();
            // The window is asked to come once for all that has piled up
            // since it last came.
            const PostChunk post = [this, generation, &inbox,
                                    &control](std::shared_ptr<ResultChunk> chunk) {
                const std::lock_guard<std::mutex> lock(inbox->mutex);
                inbox->chunks.push_back(std::move(chunk));
                if (inbox->called) return;
                inbox->called = true;
                control.post([this, generation] { drain(generation); });
            };
            return work(post, control.cancelFlag());
        },
        [this, generation, inbox = inbox_](const TaskOutcome& outcome) {
            // The end comes after the rows: taken once every chunk is appended.
            const std::lock_guard<std::mutex> lock(inbox->mutex);
            inbox->done = outcome;
            if (inbox->called) return;
            inbox->called = true;
            QMetaObject::invokeMethod(
                this, [this, generation] { drain(generation); }, Qt::QueuedConnection);
        });
}

void ComputationPane::setBusy(bool busy) {
    progress_->setVisible(busy);
    cancelButton_->setVisible(busy);
    tableButton_->setEnabled(!busy);
    pointsButton_->setEnabled(!busy);
}

bool ComputationPane::isComputing() const {
    return inbox_ != nullptr;
}

// Appends what the computation has handed over, a slice at a time, for at
// most kSliceNs; what is left waits for the next turn of the event loop.
void ComputationPane::drain(int generation) {
    if (generation != generation_ || !inbox_) return;
    ResultInbox& inbox = *inbox_;
    QElapsedTimer clock;
    clock.start();
    std::optional<TaskOutcome> done;
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
    if (done) return finishComputing(*done);
    if (expected_ == 0 && expectedRows_ && expectedRows_->load() > 0) {
        expected_ = expectedRows_->load();
        progress_->setRange(0, static_cast<int>(expected_));
    }
    if (expected_ > 0 && progressClock_.elapsed() >= kProgressMs) {
        progress_->setValue(static_cast<int>(results_->size()));
        progressClock_.restart();
    }
}

void ComputationPane::cancel() {
    task_->cancel();
    exportTask_->cancel();
}

void ComputationPane::stopComputing() {
    if (!inbox_) return;
    task_->stop();
    inbox_.reset();
    ++generation_;
    setBusy(false);
}

void ComputationPane::finishComputing(const TaskOutcome& outcome) {
    inbox_.reset();
    setBusy(false);
    if (outcome.failed()) {
        // A file with a point that has no foot gives no result at all rather
        // than the rows before it as if they were the whole file.
        results_->clear();
        resultNote_->clear();
        refuse(outcome.failure, nullptr);
        return;
    }
    if (outcome.cancelled) {
        // Kept for a look, but never exported as if it were the whole table.
        resultNote_->setText(
            QStringLiteral("已取消：只算出%1行，结果不完整。").arg(results_->size()));
    } else {
        QString note = QStringLiteral("共%1行").arg(results_->size());
        for (const QString& warning : outcome.warnings) note += QStringLiteral("；") + warning;
        resultNote_->setText(note);
    }
    partial_ = outcome.cancelled;
    std::vector<PlanMark> marks;
    const std::size_t n = std::min(results_->size(), kMaxMarks);
    marks.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const ResultRow& r = results_->row(i);
        marks.push_back({r.x, r.y, qs(results_->text(r.text))});
    }
    plan_.setMarks(std::move(marks));
}

void ComputationPane::setRange(const QString& start, const QString& end) {
    // A range the user typed stays; one left empty or as proposed follows
    // the alignment.
    if (from_->text().trimmed().isEmpty() || from_->text() == proposedFrom_) from_->setText(start);
    if (to_->text().trimmed().isEmpty() || to_->text() == proposedTo_) to_->setText(end);
    proposedFrom_ = start;
    proposedTo_ = end;
}

void ComputationPane::startOver() {
    stopComputing();
    results_->start(ResultKind::table, nullptr);
    // An export still running goes on with the rows it holds.
    noteBeforeExport_.clear();
    if (!isExporting()) resultNote_->clear();
}

// ---------------------------------------------------------------------------
// Export

bool ComputationPane::haveResults() {
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

// The writer runs on its own thread with the rows shared, never copied; the
// rows it holds do not change (a new computation starts new rows), and the
// computing buttons wait until it ends so that the progress bar is its own.
void ComputationPane::exportResults(const QString& what, Writer write) {
    noteBeforeExport_ = resultNote_->text();
    resultNote_->setText(QStringLiteral("正在导出%1…").arg(what));
    progress_->setRange(0, static_cast<int>(results_->size()));
    progress_->setValue(0);
    setBusy(true);
    exportTask_->start(
        [write = std::move(write)](BackgroundTask::Control& control) {
            WriteControl writing;
            writing.cancel = &control.cancelFlag();
            // Told every few thousand rows; handed on at most every kProgressMs.
            writing.progress = [&control](std::size_t rows) { control.progress(rows); };
            const std::optional<QString> failure = write(writing);
            TaskOutcome outcome;
            outcome.failure = failure.value_or(QString());
            // Cancelled only if it stopped for it: a cancel that came after the
            // file was in place changes nothing.
            outcome.cancelled = failure && control.cancelled();
            return outcome;
        },
        [this](const TaskOutcome& outcome) { finishExport(outcome); },
        [this](std::size_t rows) { progress_->setValue(static_cast<int>(rows)); });
}

void ComputationPane::finishExport(const TaskOutcome& outcome) {
    setBusy(false);
    resultNote_->setText(noteBeforeExport_);
    if (outcome.cancelled) {
        emit statusMessage(QStringLiteral("导出已取消，文件未写入。"));
        return;
    }
    if (outcome.failed()) desktop_.showInformation(window(), noticeTitle(), outcome.failure);
}

void ComputationPane::stopExporting() {
    if (!exportTask_->isRunning()) return;
    exportTask_->stop();
    setBusy(false);
    resultNote_->setText(noteBeforeExport_);
}

}  // namespace korvane::ui
