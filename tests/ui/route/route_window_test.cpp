// The route window driven as a user would, offscreen, with widgets found by
// their object names and the desktop answered by the fake.
#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUndoStack>
#include <cmath>
#include <numbers>

#include "fake_desktop.h"
#include "files/alignment_file.h"
#include "files/codec.h"
#include "files/safe_write.h"
#include "route/angle.h"
#include "route/chainage.h"
#include "route/forward.h"
#include "route/table.h"
#include "support/test_data.h"
#include "ui/route/route_results.h"
#include "ui/route/route_window.h"

using korvane::ui::FileDialogMode;
using korvane::ui::RouteWindow;
using korvane::ui::UnsavedChoice;
using korvane::ui::testing::FakeDesktop;

namespace {

const QString kCases = QString::fromStdString(korvane::testing::data_dir("KORVANE_ROUTE_CASES"));

// Rows of a reference CSV (UTF-8, header first) as maps from column name.
QList<QHash<QString, QString>> readCases(const QString& name) {
    QFile file(kCases + QLatin1Char('/') + name);
    if (!file.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(file.fileName()));
    const QStringList lines =
        QString::fromUtf8(file.readAll()).split(QRegularExpression(QStringLiteral("\r?\n")));
    const QStringList header = lines.first().split(QLatin1Char(','));
    QList<QHash<QString, QString>> rows;
    for (int i = 1; i < lines.size(); ++i) {
        if (lines[i].trimmed().isEmpty()) continue;
        const QStringList cells = lines[i].split(QLatin1Char(','));
        QHash<QString, QString> row;
        for (int c = 0; c < header.size(); ++c) row[header[c]] = cells.value(c);
        rows.append(row);
    }
    return rows;
}

template <class T>
T* child(QWidget& window, const char* name) {
    T* w = window.findChild<T*>(QLatin1String(name));
    if (!w) qFatal("no widget %s", name);
    return w;
}

void setCell(QWidget& window, const char* table, int row, int column, const QString& text) {
    QAbstractItemModel* model = child<QTableView>(window, table)->model();
    QVERIFY(model->setData(model->index(row, column), text, Qt::EditRole));
}

QString cell(QWidget& window, const char* table, int row, int column) {
    QAbstractItemModel* model = child<QTableView>(window, table)->model();
    return model->data(model->index(row, column), Qt::DisplayRole).toString();
}

// The "检查" column: the last one.
QString rowError(QWidget& window, const char* table, int row) {
    QAbstractItemModel* model = child<QTableView>(window, table)->model();
    return model->data(model->index(row, model->columnCount() - 1), Qt::DisplayRole).toString();
}

// A shown number against the reference, allowing for its rounding to 3 decimals.
void closeTo(const QString& shown, double expected, const char* what) {
    bool ok = false;
    const double v = shown.toDouble(&ok);
    if (!ok || std::fabs(v - expected) > 0.0005 + 1e-7)
        QFAIL(qPrintable(QStringLiteral("%1: shown %2, expected %3")
                             .arg(QLatin1String(what), shown)
                             .arg(expected, 0, 'f', 9)));
}

double azimuthDegrees(const QString& packed) {
    const auto r = korvane::route::read_packed_angle(packed.toStdString());
    return r ? r.value() * 180 / std::numbers::pi : std::nan("");
}

void closeAzimuth(const QString& packed, double degrees) {
    double d = std::fabs(azimuthDegrees(packed) - degrees);
    if (d > 180) d = 360 - d;
    // Shown to 0.01″.
    if (!(d <= 0.006 / 3600))
        QFAIL(qPrintable(QStringLiteral("azimuth %1 against %2°").arg(packed).arg(degrees)));
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

// Writes `bytes` as the whole file at `path`; false when it cannot.
bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Chooses `path` for the bulk inverse and waits for it to end; false when it
// does not end within 10 s.
bool invertPointsFile(RouteWindow& w, FakeDesktop& desktop, const QString& path) {
    desktop.answers = {path};
    child<QPushButton>(w, "pointsFileButton")->click();
    return QTest::qWaitFor([&w] { return !w.isComputing(); }, 10000);
}

QByteArray cp936(const char* utf8) {
    return QByteArray::fromStdString(korvane::files::utf8_to_cp936(utf8).value());
}

// A straight north of 100 m from K0+000 at (0, 0) with a uniform 10 % grade.
void typeStraight(RouteWindow& w, const QString& length = QStringLiteral("100")) {
    setCell(w, "startTable", 0, 0, QStringLiteral("直线"));
    setCell(w, "startTable", 0, 2, QStringLiteral("K0+000"));
    setCell(w, "startTable", 0, 3, QStringLiteral("0"));
    setCell(w, "startTable", 0, 4, QStringLiteral("0"));
    setCell(w, "startTable", 0, 5, QStringLiteral("0"));
    child<QPushButton>(w, "elementInsertButton")->click();
    setCell(w, "elementTable", 0, 0, length);
    setCell(w, "elementTable", 0, 1, QStringLiteral("∞"));
    setCell(w, "elementTable", 0, 2, QStringLiteral("∞"));
    child<QPushButton>(w, "profileInsertButton")->click();
    child<QPushButton>(w, "profileInsertButton")->click();
    setCell(w, "profileTable", 0, 0, QStringLiteral("0"));
    setCell(w, "profileTable", 0, 1, QStringLiteral("100"));
    setCell(w, "profileTable", 1, 0, length);
    setCell(w, "profileTable", 1, 1, QString::number(100 + length.toDouble() / 10));
}

void runTable(RouteWindow& w, const QString& from, const QString& to, const QString& interval,
              const QString& offsets, bool keyPoints) {
    child<QLineEdit>(w, "fromEdit")->setText(from);
    child<QLineEdit>(w, "toEdit")->setText(to);
    child<QLineEdit>(w, "intervalEdit")->setText(interval);
    child<QLineEdit>(w, "offsetsEdit")->setText(offsets);
    child<QCheckBox>(w, "keyPointsBox")->setChecked(keyPoints);
    child<QPushButton>(w, "tableButton")->click();
}

}  // namespace

class RouteWindowTest : public QObject {
    Q_OBJECT

  private slots:
    // The report's names are kept in the settings: the tests' own, not the user's.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void referenceAlignmentOpensWithItsMainPoints();
    void forwardMatchesTheReference();
    void inverseMatchesTheReference();
    void typedElementsMatchTheReference();
    void rowErrorsShowAtTheRowAndUndoRedoEveryEdit();
    void alignmentFaultsShowAtTheRowTheyName();
    void refusedComputationsSayWhyAndFocusTheField();
    void unsavedChangesAreAskedAbout();
    void savedFileOpensToTheSameTables();
    void bulkInverseOfAPointsFile();
    void tableExportsTheCommandLineBytes();
    void longTableRunsOffTheWindowAndCancels();
    void exportRunsOffTheWindowAndCancelKeepsTheOldFile();
    void bulkInverseOfAPlainPointsFile();
    void tableRangeTakesTheZoneOfEachEnd();
    void roundNumbersShowAsPlainDecimals();
    void anExportOverAnInputIsRefused();
    void aLargeFileIsReadOffTheWindowAndCanBeCancelled();
    void pointsWithSeveralFeetAreAWarningBesideTheResult();
    void pointsOutsideAnAnglePointAreAWarningBesideTheResult();
    void aCancelAfterTheLastRowKeepsTheWholeTable();
    void theWindowEndsUnderARunningComputationOrExport();
    void angleColumnAndCurvatureNotesAtTheRow();
};

void RouteWindowTest::referenceAlignmentOpensWithItsMainPoints() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    QVERIFY(w.openFile(kCases + QStringLiteral("/pi-alignment.csv")));
    QCOMPARE(w.windowTitle(), QStringLiteral("Korvane 线路计算 — pi-alignment.csv"));
    QVERIFY(w.alignment());
    // QD, JD1 … JD3, ZD in the point table.
    QCOMPARE(cell(w, "pointTable", 0, 0), QStringLiteral("QD"));
    QCOMPARE(cell(w, "pointTable", 2, 0), QStringLiteral("JD2"));
    QCOMPARE(cell(w, "pointTable", 4, 0), QStringLiteral("ZD"));
    QCOMPARE(cell(w, "pointTable", 4, 1), QStringLiteral("3458900"));
    // The views show the rows read, not only their models.
    QCOMPARE(child<QTableView>(w, "pointTable")->verticalHeader()->count(), 5);
    QCOMPARE(child<QTableView>(w, "startTable")->verticalHeader()->count(), 1);
    QCOMPARE(child<QTableView>(w, "profileTable")->verticalHeader()->count(), 4);
    QCOMPARE(cell(w, "breakTable", 0, 0), QStringLiteral("K1+200.000"));
    QCOMPARE(cell(w, "profileTable", 2, 2), QStringLiteral("15000"));

    auto* keys = child<QTableWidget>(w, "keyPointTable");
    const auto reference = readCases(QStringLiteral("pi-alignment-main-points.csv"));
    // Every main point of the reference is listed, in order, at its place.
    int row = 0;
    for (const auto& ref : reference) {
        while (row < keys->rowCount() && keys->item(row, 0)->text() != ref[QStringLiteral("label")])
            ++row;
        QVERIFY2(row < keys->rowCount(), qPrintable(ref[QStringLiteral("label")]));
        const QString station = keys->item(row, 1)->text().section(QLatin1Char('='), 0, 0);
        const double shown = korvane::route::read_chainage(station.toStdString()).value();
        const double expected =
            korvane::route::read_chainage(ref[QStringLiteral("station")].toStdString()).value();
        QVERIFY2(std::fabs(shown - expected) <= 0.0005 + 1e-7, qPrintable(station));
        closeTo(keys->item(row, 2)->text(), ref[QStringLiteral("X")].toDouble(), "X");
        closeTo(keys->item(row, 3)->text(), ref[QStringLiteral("Y")].toDouble(), "Y");
        closeAzimuth(keys->item(row, 4)->text(), ref[QStringLiteral("azimuth_deg")].toDouble());
        ++row;
    }
    QVERIFY(desktop.messages.isEmpty());
}

void RouteWindowTest::forwardMatchesTheReference() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    QVERIFY(w.openFile(kCases + QStringLiteral("/pi-alignment.csv")));
    for (const auto& ref : readCases(QStringLiteral("pi-alignment-forward.csv"))) {
        child<QLineEdit>(w, "stationEdit")->setText(ref[QStringLiteral("station")]);
        child<QSpinBox>(w, "zoneBox")->setValue(ref[QStringLiteral("zone")].toInt());
        child<QLineEdit>(w, "offsetEdit")->setText(ref[QStringLiteral("offset")]);
        child<QLineEdit>(w, "skewEdit")->setText(ref[QStringLiteral("skew")]);
        child<QPushButton>(w, "forwardButton")->click();
        QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
        closeTo(child<QLineEdit>(w, "forwardX")->text(), ref[QStringLiteral("X")].toDouble(), "X");
        closeTo(child<QLineEdit>(w, "forwardY")->text(), ref[QStringLiteral("Y")].toDouble(), "Y");
        closeAzimuth(child<QLineEdit>(w, "forwardAzimuth")->text(),
                     ref[QStringLiteral("azimuth_deg")].toDouble());
        // The cases' H is the profile's at the station; without a section
        // template a stake off the centre line has no design elevation.
        if (ref[QStringLiteral("H")].isEmpty() || ref[QStringLiteral("offset")].toDouble() != 0)
            QCOMPARE(child<QLineEdit>(w, "forwardH")->text(), QString());
        else
            closeTo(child<QLineEdit>(w, "forwardH")->text(), ref[QStringLiteral("H")].toDouble(),
                    "H");
    }
}

void RouteWindowTest::inverseMatchesTheReference() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    QVERIFY(w.openFile(kCases + QStringLiteral("/pi-alignment.csv")));
    for (const auto& ref : readCases(QStringLiteral("pi-alignment-inverse.csv"))) {
        child<QLineEdit>(w, "inverseXEdit")->setText(ref[QStringLiteral("X")]);
        child<QLineEdit>(w, "inverseYEdit")->setText(ref[QStringLiteral("Y")]);
        child<QPushButton>(w, "inverseButton")->click();
        QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
        const QString station = child<QLineEdit>(w, "inverseStation")->text();
        const double expected =
            korvane::route::read_chainage(ref[QStringLiteral("station")].toStdString()).value();
        const double shown = korvane::route::read_chainage(station.toStdString()).value();
        QVERIFY2(std::fabs(shown - expected) <= 0.0005 + 1e-7, qPrintable(station));
        closeTo(child<QLineEdit>(w, "inverseOffset")->text(),
                ref[QStringLiteral("offset")].toDouble(), "offset");
        QCOMPARE(child<QLineEdit>(w, "inverseH")->text(), QString());  // off the line
    }
}

void RouteWindowTest::typedElementsMatchTheReference() {
    // Each reference element typed as a one-element alignment: the start
    // azimuth, the radii with ∞, the direction or the signed radii.
    FakeDesktop desktop;
    RouteWindow w(desktop);
    child<QPushButton>(w, "elementInsertButton")->click();
    QString current;
    for (const auto& ref : readCases(QStringLiteral("elements.csv"))) {
        if (ref[QStringLiteral("case")] != current) {
            current = ref[QStringLiteral("case")];
            setCell(w, "startTable", 0, 2, QStringLiteral("0"));
            setCell(w, "startTable", 0, 3, QStringLiteral("0"));
            setCell(w, "startTable", 0, 4, QStringLiteral("0"));
            setCell(w, "startTable", 0, 5, ref[QStringLiteral("azimuth_dms")]);
            setCell(w, "elementTable", 0, 0, ref[QStringLiteral("length")]);
            setCell(w, "elementTable", 0, 1, ref[QStringLiteral("r1")]);
            setCell(w, "elementTable", 0, 2, ref[QStringLiteral("r2")]);
            setCell(w, "elementTable", 0, 3, ref[QStringLiteral("direction")]);
            QVERIFY2(w.alignment(), qPrintable(current + rowError(w, "elementTable", 0)));
        }
        const double t = ref[QStringLiteral("t")].toDouble();
        const auto exact = korvane::route::forward(*w.alignment(), t);
        QVERIFY(exact);
        QVERIFY2(std::fabs(exact.value().x - ref[QStringLiteral("X")].toDouble()) < 1e-8 &&
                     std::fabs(exact.value().y - ref[QStringLiteral("Y")].toDouble()) < 1e-8,
                 qPrintable(current));
        child<QLineEdit>(w, "stationEdit")->setText(ref[QStringLiteral("t")]);
        child<QPushButton>(w, "forwardButton")->click();
        closeTo(child<QLineEdit>(w, "forwardX")->text(), ref[QStringLiteral("X")].toDouble(), "X");
        closeTo(child<QLineEdit>(w, "forwardY")->text(), ref[QStringLiteral("Y")].toDouble(), "Y");
        closeAzimuth(child<QLineEdit>(w, "forwardAzimuth")->text(),
                     ref[QStringLiteral("azimuth_deg")].toDouble());
    }
    QVERIFY(desktop.messages.isEmpty());
}

void RouteWindowTest::rowErrorsShowAtTheRowAndUndoRedoEveryEdit() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    typeStraight(w);
    QVERIFY(w.alignment());
    QCOMPARE(rowError(w, "elementTable", 0), QString());

    setCell(w, "elementTable", 0, 0, QStringLiteral("12a"));
    QCOMPARE(rowError(w, "elementTable", 0), QStringLiteral("长度“12a”不是有效数字！"));
    QVERIFY(!w.alignment());
    setCell(w, "profileTable", 1, 3, QStringLiteral("0"));
    QCOMPARE(rowError(w, "profileTable", 1), QStringLiteral("分区须为空或正整数（1、2、…）！"));
    QCOMPARE(rowError(w, "profileTable", 0), QString());
    setCell(w, "startTable", 0, 1, QStringLiteral("k"));
    QCOMPARE(rowError(w, "startTable", 0),
             QStringLiteral("桩号冠号须为以K结尾的大写字母（如K、DK）！"));

    QAction* undo = w.findChild<QAction*>(QStringLiteral("undoAction"));
    QAction* redo = w.findChild<QAction*>(QStringLiteral("redoAction"));
    QCOMPARE(redo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Y));
    undo->trigger();  // the prefix
    undo->trigger();  // the zone
    QCOMPARE(rowError(w, "profileTable", 1), QString());
    undo->trigger();  // the length
    QCOMPARE(cell(w, "elementTable", 0, 0), QStringLiteral("100"));
    QVERIFY(w.alignment());
    redo->trigger();
    QCOMPARE(cell(w, "elementTable", 0, 0), QStringLiteral("12a"));
    QCOMPARE(rowError(w, "elementTable", 0), QStringLiteral("长度“12a”不是有效数字！"));

    // Inserting and removing rows are edits too.
    undo->trigger();
    child<QTableView>(w, "profileTable")
        ->setCurrentIndex(child<QTableView>(w, "profileTable")->model()->index(0, 0));
    child<QPushButton>(w, "profileRemoveButton")->click();
    QCOMPARE(child<QTableView>(w, "profileTable")->model()->rowCount(), 1);
    undo->trigger();
    QCOMPARE(child<QTableView>(w, "profileTable")->model()->rowCount(), 2);
    QCOMPARE(cell(w, "profileTable", 0, 1), QStringLiteral("100"));
    QVERIFY(w.alignment());
    QVERIFY(w.alignment()->has_profile());
}

void RouteWindowTest::alignmentFaultsShowAtTheRowTheyName() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    QVERIFY(w.openFile(kCases + QStringLiteral("/pi-alignment.csv")));
    // JD2's transitions far too long for its deflection.
    setCell(w, "pointTable", 2, 4, QStringLiteral("5000"));
    QVERIFY(!w.alignment());
    const QString shown = rowError(w, "pointTable", 2);
    QVERIFY2(shown.contains(QStringLiteral("JD2")), qPrintable(shown));
    QVERIFY(shown.endsWith(QStringLiteral("！")));
    QCOMPARE(rowError(w, "pointTable", 1), QString());
    QCOMPARE(rowError(w, "pointTable", 3), QString());

    // A computation asked of the broken alignment says what is wrong.
    child<QLineEdit>(w, "stationEdit")->setText(QStringLiteral("K0+100"));
    child<QPushButton>(w, "forwardButton")->click();
    QCOMPARE(desktop.messages.size(), 1);
    QCOMPARE(desktop.messages[0].title, QStringLiteral("提示"));
    QCOMPARE(desktop.messages[0].text, shown);

    // The start and end rows of the point table cannot be removed.
    auto* points = child<QTableView>(w, "pointTable");
    points->setCurrentIndex(points->model()->index(0, 0));
    child<QPushButton>(w, "pointRemoveButton")->click();
    QCOMPARE(points->model()->rowCount(), 5);
    QVERIFY(!(points->model()->flags(points->model()->index(0, 3)) & Qt::ItemIsEditable));
}

void RouteWindowTest::refusedComputationsSayWhyAndFocusTheField() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    w.show();
    QVERIFY(w.openFile(kCases + QStringLiteral("/pi-alignment.csv")));
    const auto refused = [&](const char* button, const char* field, const QString& message) {
        desktop.messages.clear();
        desktop.focusMoves.clear();
        child<QPushButton>(w, button)->click();
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0].text, message);
        QCOMPARE(desktop.focusMoves, QStringList{QLatin1String(field)});
    };
    child<QLineEdit>(w, "stationEdit")->setText(QStringLiteral("K1+500abc"));
    refused("forwardButton", "stationEdit",
            QStringLiteral("桩号格式不正确，应写作K1+234.567或1234.567！"));
    child<QLineEdit>(w, "stationEdit")->setText(QStringLiteral("K0+100"));
    child<QLineEdit>(w, "skewEdit")->setText(QStringLiteral("0"));
    refused("forwardButton", "skewEdit", QStringLiteral("斜交角不能为0°或180°！"));
    child<QLineEdit>(w, "inverseXEdit")->setText(QStringLiteral("3456789,1"));
    refused("inverseButton", "inverseXEdit", QStringLiteral("坐标X“3456789,1”不是有效数字！"));

    runTable(w, QStringLiteral("K0+000"), QStringLiteral("K0+100"), QStringLiteral("10"),
             QStringLiteral("-7.5,x"), true);
    QCOMPARE(desktop.messages.last().text, QStringLiteral("第2个边桩偏距“x”不是有效数字！"));
    QCOMPARE(desktop.focusMoves.last(), QStringLiteral("offsetsEdit"));
    // More than a million rows: refused before any work, with the library's message.
    korvane::route::TableRequest q;
    q.from = 0;
    q.to = 2000;
    q.interval = 0.001;
    const auto count = korvane::route::table_row_count(*w.alignment(), q);
    QVERIFY(!count);
    desktop.messages.clear();
    runTable(w, QStringLiteral("0"), QStringLiteral("2000"), QStringLiteral("0.001"),
             QStringLiteral("0"), true);
    QCOMPARE(desktop.messages.size(), 1);
    QCOMPARE(desktop.messages[0].text, QString::fromStdString(count.failure().message));
    QCOMPARE(desktop.focusMoves.last(), QStringLiteral("intervalEdit"));
    QVERIFY(!w.isComputing());
    QCOMPARE(w.results().size(), std::size_t{0});
}

void RouteWindowTest::unsavedChangesAreAskedAbout() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("Korvane 线路计算 — 未命名"));
    // Nothing changed: no question.
    w.findChild<QAction*>(QStringLiteral("newAction"))->trigger();
    QVERIFY(desktop.questions.isEmpty());

    typeStraight(w);
    QCOMPARE(w.windowTitle(), QStringLiteral("Korvane 线路计算 — 未命名*"));
    // Cancel keeps everything.
    desktop.unsavedAnswers = {UnsavedChoice::Cancel};
    w.findChild<QAction*>(QStringLiteral("newAction"))->trigger();
    QCOMPARE(desktop.questions, QStringList{QStringLiteral("线路“未命名”已修改，是否保存修改？")});
    QCOMPARE(cell(w, "elementTable", 0, 0), QStringLiteral("100"));
    // Closing asks too, and Cancel keeps the window open.
    desktop.unsavedAnswers = {UnsavedChoice::Cancel};
    QVERIFY(!w.close());
    QVERIFY(w.isVisible());
    // Opening asks before the file dialog; Save with a cancelled save dialog stops.
    desktop.unsavedAnswers = {UnsavedChoice::Save};
    desktop.answers = {QString()};
    w.findChild<QAction*>(QStringLiteral("openAction"))->trigger();
    QCOMPARE(desktop.fileRequests.size(), 1);
    QCOMPARE(desktop.fileRequests[0].mode, FileDialogMode::Save);
    QCOMPARE(cell(w, "elementTable", 0, 0), QStringLiteral("100"));
    // Save with a name: written, then the open dialog follows.
    const QString saved = dir.filePath(QStringLiteral("直线.csv"));
    desktop.unsavedAnswers = {UnsavedChoice::Save};
    desktop.answers = {saved, QString()};
    w.findChild<QAction*>(QStringLiteral("openAction"))->trigger();
    QVERIFY(QFile::exists(saved));
    QCOMPARE(desktop.fileRequests.size(), 3);
    QCOMPARE(desktop.fileRequests[2].mode, FileDialogMode::Open);
    QCOMPARE(w.windowTitle(), QStringLiteral("Korvane 线路计算 — 直线.csv"));
    // Discard throws the edit away.
    setCell(w, "elementTable", 0, 0, QStringLiteral("50"));
    desktop.unsavedAnswers = {UnsavedChoice::Discard};
    w.findChild<QAction*>(QStringLiteral("newAction"))->trigger();
    QCOMPARE(child<QTableView>(w, "elementTable")->model()->rowCount(), 0);
    QCOMPARE(w.windowTitle(), QStringLiteral("Korvane 线路计算 — 未命名"));
    QVERIFY(w.close());
}

void RouteWindowTest::savedFileOpensToTheSameTables() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    QVERIFY(w.openFile(kCases + QStringLiteral("/pi-alignment.csv")));
    const auto before = w.alignment();
    const QString path = dir.filePath(QStringLiteral("copy.csv"));
    QVERIFY(w.saveTo(path));
    RouteWindow again(desktop);
    QVERIFY(again.openFile(path));
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 6; ++c)
            QCOMPARE(cell(again, "pointTable", r, c), cell(w, "pointTable", r, c));
    QCOMPARE(again.alignment()->key_points().back().x, before->key_points().back().x);

    // A save refused for a wrong row names the row and leaves the file alone.
    const QByteArray bytes = fileBytes(path);
    setCell(w, "breakTable", 0, 1, QStringLiteral("K1+19O"));
    QVERIFY(!w.saveTo(path));
    QCOMPARE(desktop.messages.last().text,
             QStringLiteral("第1行：去向桩号：桩号格式不正确，应写作K1+234.567或1234.567！"));
    QCOMPARE(fileBytes(path), bytes);

    // An unreadable file leaves the window as it was.
    desktop.messages.clear();
    QVERIFY(!again.openFile(dir.filePath(QStringLiteral("none.csv"))));
    QCOMPARE(desktop.messages.size(), 1);
    QVERIFY(desktop.messages[0].text.startsWith(QStringLiteral("无法读取文件")));
    QVERIFY(again.alignment());
}

void RouteWindowTest::bulkInverseOfAPointsFile() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    QVERIFY(w.openFile(kCases + QStringLiteral("/pi-alignment.csv")));
    const auto reference = readCases(QStringLiteral("pi-alignment-inverse.csv"));
    // A CASS file: 点名,编码,Y,X,H.
    QByteArray cass;
    for (int i = 0; i < reference.size(); ++i)
        cass += QStringLiteral("P%1,,%2,%3,\r\n")
                    .arg(i + 1)
                    .arg(reference[i][QStringLiteral("Y")], reference[i][QStringLiteral("X")])
                    .toUtf8();
    const QString path = dir.filePath(QStringLiteral("points.dat"));
    QVERIFY(writeBytes(path, cass));

    QVERIFY(invertPointsFile(w, desktop, path));
    QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
    const auto& results = w.results();
    QCOMPARE(results.size(), static_cast<std::size_t>(reference.size()));
    auto* table = child<QTableView>(w, "resultTable");
    for (int i = 0; i < reference.size(); ++i) {
        const auto& ref = reference[i];
        QCOMPARE(table->model()->index(i, 0).data().toString(), QStringLiteral("P%1").arg(i + 1));
        const double expected =
            korvane::route::read_chainage(ref[QStringLiteral("station")].toStdString()).value();
        QVERIFY(std::fabs(results.row(static_cast<std::size_t>(i)).chainage - expected) < 1e-6);
        QCOMPARE(results.row(static_cast<std::size_t>(i)).zone,
                 ref[QStringLiteral("zone")].toInt());
        closeTo(table->model()->index(i, 4).data().toString(),
                ref[QStringLiteral("offset")].toDouble(), "offset");
    }

    // A point beyond the end gives no result at all, and says which line.
    cass += "far,,520000,3470000,\r\n";
    QVERIFY(writeBytes(path, cass));
    QVERIFY(invertPointsFile(w, desktop, path));
    QCOMPARE(desktop.messages.size(), 1);
    QVERIFY2(desktop.messages[0].text.startsWith(
                 QStringLiteral("文件“%1”第%2行：").arg(path).arg(reference.size() + 1)),
             qPrintable(desktop.messages[0].text));
    QCOMPARE(w.results().size(), std::size_t{0});
}

void RouteWindowTest::tableExportsTheCommandLineBytes() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    typeStraight(w);
    runTable(w, QStringLiteral("K0+000"), QStringLiteral("K0+040"), QStringLiteral("20"),
             QStringLiteral("-7.5，0"), true);
    QTRY_VERIFY_WITH_TIMEOUT(!w.isComputing(), 10000);
    QCOMPARE(w.results().size(), std::size_t{6});

    const QString csv = dir.filePath(QStringLiteral("table.csv"));
    desktop.answers = {csv};
    w.findChild<QAction*>(QStringLiteral("exportCsvAction"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isExporting(), 10000);
    QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
    QCOMPARE(fileBytes(csv), cp936("station,label,offset,X,Y,azimuth,H\r\n"
                                   "K0+000.000,QD,-7.500,0.000,-7.500,0.000000,\r\n"
                                   "K0+000.000,QD,0.000,0.000,0.000,0.000000,100.000\r\n"
                                   "K0+020.000,,-7.500,20.000,-7.500,0.000000,\r\n"
                                   "K0+020.000,,0.000,20.000,0.000,0.000000,102.000\r\n"
                                   "K0+040.000,,-7.500,40.000,-7.500,0.000000,\r\n"
                                   "K0+040.000,,0.000,40.000,0.000,0.000000,104.000\r\n"));

    const QString dat = dir.filePath(QStringLiteral("table.dat"));
    desktop.answers = {dat};
    w.findChild<QAction*>(QStringLiteral("exportCassAction"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isExporting(), 10000);
    QCOMPARE(fileBytes(dat), cp936("K0+000.000左7.5,QD,-7.500,0.000,\r\n"
                                   "K0+000.000,QD,0.000,0.000,100.000\r\n"
                                   "K0+020.000左7.5,,-7.500,20.000,\r\n"
                                   "K0+020.000,,0.000,20.000,102.000\r\n"
                                   "K0+040.000左7.5,,-7.500,40.000,\r\n"
                                   "K0+040.000,,0.000,40.000,104.000\r\n"));

    // The report: a PDF with the sign-off names.
    const QString pdf = dir.filePath(QStringLiteral("table.pdf"));
    QVERIFY(w.writeReportPdf(pdf, {QStringLiteral("张三"), {}, {}}));
    QVERIFY(fileBytes(pdf).startsWith("%PDF"));

    // The same report from the menu, drawn on the export's worker.
    const QString menuPdf = dir.filePath(QStringLiteral("menu.pdf"));
    desktop.answers = {menuPdf};
    QTimer::singleShot(0, &w, [&w] {
        if (auto* dialog = w.findChild<QDialog*>(QStringLiteral("signOffDialog"))) dialog->accept();
    });
    w.findChild<QAction*>(QStringLiteral("exportPdfAction"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isExporting(), 20000);
    QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
    QVERIFY(fileBytes(menuPdf).startsWith("%PDF"));
    QVERIFY(fileBytes(menuPdf).endsWith("%%EOF\n"));
}

void RouteWindowTest::longTableRunsOffTheWindowAndCancels() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    w.show();
    typeStraight(w, QStringLiteral("1000000"));
    runTable(w, QStringLiteral("0"), QStringLiteral("999999"), QStringLiteral("1"),
             QStringLiteral("0"), false);
    QVERIFY(w.isComputing());
    QVERIFY(child<QPushButton>(w, "cancelButton")->isVisible());
    // Cancelled at once: waiting for the first rows could find a fast machine
    // already done with all of them.
    child<QPushButton>(w, "cancelButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isComputing(), 10000);
    QVERIFY(w.results().size() < 1000000);
    QVERIFY(child<QLabel>(w, "resultNote")->text().startsWith(QStringLiteral("已取消")));
    // A cancelled table is never exported as if it were whole.
    desktop.answers = {dir.filePath(QStringLiteral("cut.csv"))};
    w.findChild<QAction*>(QStringLiteral("exportCsvAction"))->trigger();
    // (Cancelled before its first rows, there is nothing to export at all.)
    QCOMPARE(desktop.messages.last().text,
             w.results().size() == 0
                 ? QStringLiteral("没有计算结果可导出，请先计算坐标表或批量反算！")
                 : QStringLiteral("计算已取消，结果不完整，不能导出！"));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("cut.csv"))));

    // Run to the end: every row, the last one exact.
    runTable(w, QStringLiteral("0"), QStringLiteral("999999"), QStringLiteral("1"),
             QStringLiteral("0"), false);
    QTRY_VERIFY_WITH_TIMEOUT(!w.isComputing(), 60000);
    QCOMPARE(w.results().size(), std::size_t{1000000});
    QCOMPARE(w.results().row(999999).chainage, 999999.0);
    QCOMPARE(w.results().row(999999).x, 999999.0);
    QCOMPARE(child<QTableView>(w, "resultTable")->model()->index(999999, 0).data().toString(),
             QStringLiteral("K999+999.000"));
}

void RouteWindowTest::exportRunsOffTheWindowAndCancelKeepsTheOldFile() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    w.show();
    typeStraight(w, QStringLiteral("1000000"));
    runTable(w, QStringLiteral("0"), QStringLiteral("999999"), QStringLiteral("1"),
             QStringLiteral("0"), false);
    QTRY_VERIFY_WITH_TIMEOUT(!w.isComputing(), 60000);
    QCOMPARE(w.results().size(), std::size_t{1000000});

    // The window goes on turning while the rows are written, and no new
    // computation starts under the export.
    int turns = 0;
    QTimer probe;
    probe.setInterval(1);
    connect(&probe, &QTimer::timeout, [&] { ++turns; });
    probe.start();
    const QString csv = dir.filePath(QStringLiteral("all.csv"));
    desktop.answers = {csv};
    w.findChild<QAction*>(QStringLiteral("exportCsvAction"))->trigger();
    QVERIFY(w.isExporting());
    QVERIFY(!child<QPushButton>(w, "tableButton")->isEnabled());
    QVERIFY(child<QPushButton>(w, "cancelButton")->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!w.isExporting(), 60000);
    QVERIFY2(turns > 0, "no turn of the event loop while exporting");
    QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
    QVERIFY(child<QPushButton>(w, "tableButton")->isEnabled());
    const QByteArray bytes = fileBytes(csv);
    const QByteArray head =
        "station,label,offset,X,Y,azimuth,H\r\n"
        "K0+000.000,,0.000,0.000,0.000,0.000000,100.000\r\n"
        "K0+001.000,,0.000,1.000,0.000,0.000000,100.100\r\n";
    QVERIFY(bytes.startsWith(head));
    QVERIFY(bytes.endsWith("K999+999.000,,0.000,999999.000,0.000,0.000000,100099.900\r\n"));
    QCOMPARE(bytes.count('\n'), 1000001);

    // Cancelled: the file there before is left byte for byte, and nothing
    // else is left in its folder.
    const QString old = dir.filePath(QStringLiteral("old.dat"));
    QVERIFY(writeBytes(old, "P1,,1.000,2.000,\r\n"));
    desktop.answers = {old};
    w.findChild<QAction*>(QStringLiteral("exportCassAction"))->trigger();
    QVERIFY(w.isExporting());
    child<QPushButton>(w, "cancelButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isExporting(), 60000);
    QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
    QCOMPARE(fileBytes(old), QByteArray("P1,,1.000,2.000,\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList({QStringLiteral("all.csv"), QStringLiteral("old.dat")}));

    // A file that cannot be written: the writer's own message, in the box.
    const QString nowhere = dir.filePath(QStringLiteral("no-such-folder/t.csv"));
    desktop.answers = {nowhere};
    w.findChild<QAction*>(QStringLiteral("exportCsvAction"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isExporting(), 60000);
    QCOMPARE(desktop.messages.size(), 1);
    QCOMPARE(desktop.messages[0].text,
             QString::fromStdString(
                 korvane::files::SafeFileWriter::open(nowhere.toStdString()).failure().message));
}

void RouteWindowTest::bulkInverseOfAPlainPointsFile() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    QVERIFY(w.openFile(kCases + QStringLiteral("/pi-alignment.csv")));
    const auto reference = readCases(QStringLiteral("pi-alignment-inverse.csv"));
    // "[name] X Y": named and unnamed points, spaces and tabs.
    QByteArray text = "# stake-out list\n";
    for (int i = 0; i < reference.size(); ++i) {
        const QString xy = reference[i][QStringLiteral("X")] +
                           (i == 0 ? QStringLiteral("\t") : QStringLiteral(" ")) +
                           reference[i][QStringLiteral("Y")];
        text += (i == 0 ? xy : QStringLiteral("P%1 ").arg(i + 1) + xy).toUtf8() + "\n";
    }
    const QString path = dir.filePath(QStringLiteral("points.txt"));
    QVERIFY(writeBytes(path, text));
    QVERIFY(invertPointsFile(w, desktop, path));
    QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
    QCOMPARE(w.results().size(), static_cast<std::size_t>(reference.size()));
    auto* table = child<QTableView>(w, "resultTable");
    QCOMPARE(table->model()->index(0, 0).data().toString(), QString());
    QCOMPARE(table->model()->index(1, 0).data().toString(), QStringLiteral("P2"));
    for (int i = 0; i < reference.size(); ++i) {
        const double expected =
            korvane::route::read_chainage(reference[i][QStringLiteral("station")].toStdString())
                .value();
        QVERIFY(std::fabs(w.results().row(static_cast<std::size_t>(i)).chainage - expected) < 1e-6);
    }

    // A line that is no point: no result at all, and the lines named.
    text += "P9 3470000\n";
    QVERIFY(writeBytes(path, text));
    QVERIFY(invertPointsFile(w, desktop, path));
    QCOMPARE(desktop.messages.size(), 1);
    QCOMPARE(desktop.messages[0].text,
             QStringLiteral("无法读取文件“%1”：第%2行不是“[点名] X Y”两个坐标数字！")
                 .arg(path)
                 .arg(reference.size() + 2));
    QCOMPARE(w.results().size(), std::size_t{0});
}

void RouteWindowTest::tableRangeTakesTheZoneOfEachEnd() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    typeStraight(w);
    // A long chain: K0+050 to K0+060 come twice, once in each zone.
    child<QPushButton>(w, "breakInsertButton")->click();
    setCell(w, "breakTable", 0, 0, QStringLiteral("K0+060"));
    setCell(w, "breakTable", 0, 1, QStringLiteral("K0+050"));
    QVERIFY(w.alignment());
    auto* fromZone = child<QSpinBox>(w, "fromZoneBox");
    auto* toZone = child<QSpinBox>(w, "toZoneBox");
    QCOMPARE(fromZone->value(), 0);
    QCOMPARE(fromZone->specialValueText(), QStringLiteral("自动"));

    // Both ends in the second zone: from 60 m along the line.
    fromZone->setValue(2);
    toZone->setValue(2);
    runTable(w, QStringLiteral("K0+055"), QStringLiteral("K0+060"), QStringLiteral("5"),
             QStringLiteral("0"), false);
    QTRY_VERIFY_WITH_TIMEOUT(!w.isComputing(), 10000);
    QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
    QCOMPARE(w.results().size(), std::size_t{2});
    QCOMPARE(w.results().row(0).zone, 2);
    QCOMPARE(w.results().row(0).x, 65.0);
    QCOMPARE(w.results().row(1).x, 70.0);

    // From the first zone across the break into the second.
    fromZone->setValue(1);
    runTable(w, QStringLiteral("K0+055"), QStringLiteral("K0+055"), QStringLiteral("5"),
             QStringLiteral("0"), false);
    QTRY_VERIFY_WITH_TIMEOUT(!w.isComputing(), 10000);
    QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
    QVERIFY(w.results().size() >= 2);
    QCOMPARE(w.results().row(0).zone, 1);
    QCOMPARE(w.results().row(0).x, 55.0);
    QCOMPARE(w.results().row(w.results().size() - 1).zone, 2);
    QCOMPARE(w.results().row(w.results().size() - 1).x, 65.0);
}

// A national-grid X of 3000000 and a length of 100000 show as typed, never
// as 3e+06 or 1e+05, in the cells and in the file saved from them.
void RouteWindowTest::roundNumbersShowAsPlainDecimals() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    const QString path = dir.filePath(QStringLiteral("grid.csv"));
    QVERIFY(writeBytes(path, cp936("线路,grid,K\r\n起点,K0+000,3000000,500000,0\r\n"
                                   "直线,100000\r\n圆曲线,200,1000000,右\r\n")));
    QVERIFY(w.openFile(path));
    auto* start = child<QTableView>(w, "startTable");
    QCOMPARE(start->model()->index(0, 3).data().toString(), QStringLiteral("3000000"));
    QCOMPARE(start->model()->index(0, 4).data().toString(), QStringLiteral("500000"));
    auto* elements = child<QTableView>(w, "elementTable");
    QCOMPARE(elements->model()->index(0, 0).data().toString(), QStringLiteral("100000"));
    QCOMPARE(elements->model()->index(1, 1).data().toString(), QStringLiteral("1000000"));
    const QString saved = dir.filePath(QStringLiteral("saved.csv"));
    QVERIFY(w.saveTo(saved));
    QVERIFY(!fileBytes(saved).contains("e+"));
}

// The alignment file and the points file the results come from are never
// written over: the export is refused in a box and both stay as they were.
void RouteWindowTest::anExportOverAnInputIsRefused() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    const QString alignment = dir.filePath(QStringLiteral("line.csv"));
    QVERIFY(QFile::copy(kCases + QStringLiteral("/pi-alignment.csv"), alignment));
    const QByteArray alignmentBytes = fileBytes(alignment);
    QVERIFY(w.openFile(alignment));
    const QString points = dir.filePath(QStringLiteral("points.dat"));
    const QByteArray pointBytes = "P1,,512362.393,3456836.720,\r\n";
    QVERIFY(writeBytes(points, pointBytes));
    QVERIFY(invertPointsFile(w, desktop, points));
    QCOMPARE(w.results().size(), std::size_t{1});

    for (const char* action :
         {"exportCsvAction", "exportCassAction", "exportXmlAction", "exportDxfAction"}) {
        for (const QString& target : {alignment, points}) {
            desktop.messages.clear();
            desktop.answers = {target};
            w.findChild<QAction*>(QLatin1String(action))->trigger();
            QTRY_VERIFY_WITH_TIMEOUT(!w.isExporting(), 10000);
            QCOMPARE(desktop.messages.size(), 1);
            QVERIFY2(desktop.messages[0].text.endsWith(QStringLiteral("”，不能用结果覆盖输入！")),
                     qPrintable(desktop.messages[0].text));
        }
    }
    // Saving the alignment over the points file is refused too.
    desktop.messages.clear();
    QVERIFY(!w.saveTo(points));
    QCOMPARE(desktop.messages.size(), 1);
    QCOMPARE(fileBytes(alignment), alignmentBytes);
    QCOMPARE(fileBytes(points), pointBytes);
    // Another file is written as before.
    desktop.messages.clear();
    desktop.answers = {dir.filePath(QStringLiteral("out.csv"))};
    w.findChild<QAction*>(QStringLiteral("exportCsvAction"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isExporting(), 10000);
    QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("out.csv"))));
}

// The largest alignment a file may hold is read on a worker: the window's
// event loop goes on meanwhile, and 取消 in the reading box leaves the window
// as it was. One element more is refused, naming the limit.
void RouteWindowTest::aLargeFileIsReadOffTheWindowAndCanBeCancelled() {
    QTemporaryDir dir;
    korvane::route::Definition d;
    d.name = QStringLiteral("长线").toStdString();
    korvane::route::ElementsDef e;
    for (std::size_t i = 0; i < korvane::route::kMaxElements; ++i)
        e.elements.push_back({10, korvane::route::kStraight, korvane::route::kStraight});
    d.horizontal = e;
    const QString path = dir.filePath(QStringLiteral("long.csv"));
    QVERIFY(!korvane::files::write_alignment_file(path.toStdString(), d));

    FakeDesktop desktop;
    RouteWindow w(desktop);
    w.show();
    int turns = 0;
    QTimer probe;
    connect(&probe, &QTimer::timeout, [&turns] { ++turns; });
    probe.start(1);
    QVERIFY(w.openFile(path));
    probe.stop();
    QVERIFY(turns > 0);
    QVERIFY(w.alignment());
    QCOMPARE(w.alignment()->segments().size(), korvane::route::kMaxElements);
    QVERIFY(w.windowTitle().contains(QStringLiteral("long.csv")));

    // Cancelled while reading: the window keeps what it showed.
    const QString other = dir.filePath(QStringLiteral("other.csv"));
    QVERIFY(QFile::copy(path, other));
    QTimer::singleShot(5, &w, [&w] {
        // The box's 取消, as a click.
        if (auto* box = w.findChild<QProgressDialog*>(QStringLiteral("loadProgress")))
            box->findChild<QPushButton*>()->click();
    });
    QVERIFY(!w.openFile(other));
    QVERIFY(w.windowTitle().contains(QStringLiteral("long.csv")));
    QVERIFY(desktop.messages.isEmpty());

    // One element more than an alignment holds.
    e.elements.push_back({10, korvane::route::kStraight, korvane::route::kStraight});
    d.horizontal = e;
    QVERIFY(!korvane::files::write_alignment_file(path.toStdString(), d));
    QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 10000);
    QVERIFY(!w.openFile(path));
    QCOMPARE(desktop.messages.size(), 1);
    QVERIFY2(desktop.messages[0].text.contains(QStringLiteral("线元超过200000个")),
             qPrintable(desktop.messages[0].text));
}

QTEST_MAIN(RouteWindowTest)
// A warning is told beside the rows, which stand: a point inside a tight
// curve is square to both straights.
void RouteWindowTest::pointsWithSeveralFeetAreAWarningBesideTheResult() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    // North from (0, 0): 100 m straight, 170° to the right on R 30 round
    // (100, 30), 100 m straight.
    setCell(w, "startTable", 0, 0, QStringLiteral("急弯"));
    setCell(w, "startTable", 0, 2, QStringLiteral("K0+000"));
    for (int c = 3; c <= 5; ++c) setCell(w, "startTable", 0, c, QStringLiteral("0"));
    const QStringList elements[] = {
        {QStringLiteral("100"), QStringLiteral("∞"), QStringLiteral("∞")},
        {QString::number(30 * 170 * std::numbers::pi / 180, 'g', 17), QStringLiteral("30"),
         QStringLiteral("30")},
        {QStringLiteral("100"), QStringLiteral("∞"), QStringLiteral("∞")}};
    for (int row = 0; row < 3; ++row) {
        child<QPushButton>(w, "elementInsertButton")->click();
        for (int c = 0; c < 3; ++c) setCell(w, "elementTable", row, c, elements[row][c]);
    }
    QVERIFY2(w.alignment(), qPrintable(rowError(w, "elementTable", 0)));

    // 5 m south of the centre: two feet; 5 m north of it: one.
    const QString path = dir.filePath(QStringLiteral("inside.txt"));
    QVERIFY(writeBytes(path, "P1 95 30\nP2 105 30\n"));
    QVERIFY(invertPointsFile(w, desktop, path));
    QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
    QCOMPARE(w.results().size(), std::size_t{2});
    QCOMPARE(child<QLabel>(w, "resultNote")->text(),
             QStringLiteral("共2行；注意：1个点在线路上有多个垂足，结果取最近的一个。"));
    closeTo(w.results().rowTexts(0).value(4), 30, "offset of P1");

    // The result is whole: it exports.
    const QString csv = dir.filePath(QStringLiteral("inside.csv"));
    desktop.answers = {csv};
    w.findChild<QAction*>(QStringLiteral("exportCsvAction"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isExporting(), 10000);
    QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
    QVERIFY(fileBytes(csv).startsWith("name,X,Y,station,offset,H\r\nP1,"));
}

// North 100 m, a right angle, east 100 m: a point outside the corner has no
// perpendicular foot; the corner is its foot, and the note says so.
void RouteWindowTest::pointsOutsideAnAnglePointAreAWarningBesideTheResult() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    const QString file = dir.filePath(QStringLiteral("angle.csv"));
    QVERIFY(writeBytes(file, cp936("线路,折线,K\r\n起点,K0+000,0,0,0\r\n直线,100\r\n折点,90\r\n"
                                   "直线,100\r\n")));
    QVERIFY(w.openFile(file));
    QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 10000);
    QVERIFY(w.alignment());
    const QString path = dir.filePath(QStringLiteral("corner.txt"));
    QVERIFY(writeBytes(path, "P1 50 5\nP2 110 -10\n"));
    QVERIFY(invertPointsFile(w, desktop, path));
    QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
    QCOMPARE(w.results().size(), std::size_t{2});
    QCOMPARE(child<QLabel>(w, "resultNote")->text(),
             QStringLiteral("共2行；注意：1个点在折点外侧，没有垂足，结果以折点为垂足，"
                            "偏距为到折点的距离。"));
    closeTo(w.results().rowTexts(1).value(4), -std::sqrt(200.0), "offset of P2 to the corner");
}

// A cancel that comes once the worker has made every row, while the window
// is still taking them, cuts nothing: the table is whole and exports.
void RouteWindowTest::aCancelAfterTheLastRowKeepsTheWholeTable() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    typeStraight(w);
    runTable(w, QStringLiteral("0"), QStringLiteral("100"), QStringLiteral("20"),
             QStringLiteral("0"), false);
    QVERIFY(w.isComputing());
    // The worker ends meanwhile; the window has not taken a row yet.
    QThread::msleep(300);
    child<QPushButton>(w, "cancelButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isComputing(), 10000);
    QCOMPARE(w.results().size(), std::size_t{6});
    QCOMPARE(child<QLabel>(w, "resultNote")->text(), QStringLiteral("共6行"));
    const QString csv = dir.filePath(QStringLiteral("whole.csv"));
    desktop.answers = {csv};
    w.findChild<QAction*>(QStringLiteral("exportCsvAction"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isExporting(), 10000);
    QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
    QCOMPARE(fileBytes(csv).count('\n'), 7);
}

// A window closed or deleted while its worker runs waits for the worker,
// and nothing the worker still had for it comes after.
void RouteWindowTest::theWindowEndsUnderARunningComputationOrExport() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    {
        RouteWindow w(desktop);
        typeStraight(w, QStringLiteral("1000000"));
        runTable(w, QStringLiteral("0"), QStringLiteral("999999"), QStringLiteral("1"),
                 QStringLiteral("0"), false);
        QVERIFY(w.isComputing());
        QTest::qWait(20);
    }
    {
        RouteWindow w(desktop);
        typeStraight(w, QStringLiteral("1000000"));
        runTable(w, QStringLiteral("0"), QStringLiteral("999999"), QStringLiteral("1"),
                 QStringLiteral("0"), false);
        QTRY_VERIFY_WITH_TIMEOUT(!w.isComputing(), 60000);
        desktop.answers = {dir.filePath(QStringLiteral("gone.csv"))};
        w.findChild<QAction*>(QStringLiteral("exportCsvAction"))->trigger();
        QVERIFY(w.isExporting());
        // Closed without unsaved changes to ask about: the export is stopped.
        w.undoStack()->setClean();
        QVERIFY(w.close());
        QVERIFY(!w.isExporting());
        QVERIFY(!w.isComputing());
    }
    QTest::qWait(20);
    QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("gone.csv"))));
}

#include "route_window_test.moc"

// The element table's column 折点或起点: an angle point's turn turns the
// element, an "X Y azimuth" starts it on its own, and both come back as the
// texts were; a jump of curvature is a note at its row, not an error.
void RouteWindowTest::angleColumnAndCurvatureNotesAtTheRow() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    typeStraight(w);
    for (int i = 0; i < 2; ++i) child<QPushButton>(w, "elementInsertButton")->click();
    setCell(w, "elementTable", 1, 0, QStringLiteral("50"));
    setCell(w, "elementTable", 1, 1, QStringLiteral("∞"));
    setCell(w, "elementTable", 1, 2, QStringLiteral("∞"));
    setCell(w, "elementTable", 1, 4, QStringLiteral("90"));
    setCell(w, "elementTable", 2, 0, QStringLiteral("60"));
    setCell(w, "elementTable", 2, 1, QStringLiteral("∞"));
    setCell(w, "elementTable", 2, 2, QStringLiteral("300"));
    setCell(w, "elementTable", 2, 3, QStringLiteral("右"));
    QVERIFY2(w.alignment(), qPrintable(rowError(w, "elementTable", 1)));
    // North 100 m, then east: the end of the second element at (100, 50).
    const auto& keys = w.alignment()->key_points();
    QCOMPARE(QString::fromStdString(keys[1].label), QStringLiteral("折点"));
    QVERIFY(std::fabs(keys[2].x - 100) < 1e-9 && std::fabs(keys[2].y - 50) < 1e-9);
    // On its own start, 2 mm off the end of the straight.
    setCell(w, "elementTable", 2, 4, QStringLiteral("100.002 50 90"));
    QVERIFY(w.alignment());
    QCOMPARE(w.alignment()->segments()[2].start.x, 100.002);
    setCell(w, "elementTable", 2, 4, QStringLiteral("1 2"));
    QCOMPARE(rowError(w, "elementTable", 2),
             QStringLiteral("折点或起点须为折点转角，或本线元自身的“X Y 方位角”！"));
    setCell(w, "elementTable", 0, 4, QStringLiteral("10"));
    QCOMPARE(rowError(w, "elementTable", 0),
             QStringLiteral("第一个线元从线路起点开始，不能有折点！"));
    setCell(w, "elementTable", 0, 4, QString());
    setCell(w, "elementTable", 2, 4, QString());
    // A transition ending at R300 followed by an arc of R200.
    child<QPushButton>(w, "elementInsertButton")->click();
    const int last = child<QTableView>(w, "elementTable")->model()->rowCount() - 1;
    for (int r = 0; r <= last; ++r) {
        if (!cell(w, "elementTable", r, 0).isEmpty()) continue;
        setCell(w, "elementTable", r, 0, QStringLiteral("40"));
        setCell(w, "elementTable", r, 1, QStringLiteral("200"));
        setCell(w, "elementTable", r, 2, QStringLiteral("200"));
        setCell(w, "elementTable", r, 3, QStringLiteral("右"));
    }
    QVERIFY(w.alignment());
    bool noted = false;
    for (int r = 0; r <= last; ++r)
        noted = noted || rowError(w, "elementTable", r).startsWith(QStringLiteral("注意：第"));
    QVERIFY(noted);
    QVERIFY(desktop.messages.isEmpty());
}
