// The window's exports and korvane-cli's --output are one writer: for the same
// request on the reference alignment (transitions, a long chain, a profile)
// the files hold the same bytes, CSV and CASS, table and bulk inverse.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "fake_desktop.h"
#include "support/test_data.h"
#include "ui/route/route_window.h"

using korvane::ui::RouteWindow;
using korvane::ui::testing::FakeDesktop;

namespace {

const QString kCases = QString::fromStdString(korvane::testing::data_dir("KORVANE_ROUTE_CASES"));
const QString kCli = QString::fromStdString(korvane::testing::data_dir("KORVANE_CLI"));

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

// korvane-cli with `arguments`; true when it ended with status 0.
bool runCli(const QStringList& arguments) {
    QProcess cli;
    cli.start(kCli, arguments);
    if (!cli.waitForFinished(60000)) return false;
    if (cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0) {
        qWarning("%s", cli.readAllStandardError().constData());
        return false;
    }
    return true;
}

template <class T>
T* child(QWidget& window, const char* name) {
    T* w = window.findChild<T*>(QLatin1String(name));
    if (!w) qFatal("no widget %s", name);
    return w;
}

// Exports the shown results through the menu action to `path`.
bool exportTo(RouteWindow& w, FakeDesktop& desktop, const char* action, const QString& path) {
    desktop.answers = {path};
    w.findChild<QAction*>(QLatin1String(action))->trigger();
    return QTest::qWaitFor([&w] { return !w.isExporting(); }, 20000) && desktop.messages.isEmpty();
}

}  // namespace

class RouteExportsTest : public QObject {
    Q_OBJECT

  private slots:
    void tableExportsAreTheCommandLineBytes();
    void bulkInverseExportsAreTheCommandLineBytes();
    void dxfExportIsTheCommandLineBytes();
};

void RouteExportsTest::tableExportsAreTheCommandLineBytes() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    const QString alignment = kCases + QStringLiteral("/pi-alignment.csv");
    QVERIFY(w.openFile(alignment));
    child<QLineEdit>(w, "fromEdit")->setText(QStringLiteral("K0+000"));
    child<QLineEdit>(w, "toEdit")->setText(QStringLiteral("K3+017.488"));
    child<QLineEdit>(w, "intervalEdit")->setText(QStringLiteral("20"));
    // The window takes the full-width comma a Chinese keyboard types.
    child<QLineEdit>(w, "offsetsEdit")->setText(QStringLiteral("-7.5，0，12.25"));
    child<QCheckBox>(w, "keyPointsBox")->setChecked(true);
    child<QPushButton>(w, "tableButton")->click();
    QVERIFY(QTest::qWaitFor([&w] { return !w.isComputing(); }, 20000));
    QVERIFY(w.results().size() > 400);

    for (const auto& [action, format, name] :
         {std::tuple{"exportCsvAction", "csv", "table.csv"},
          std::tuple{"exportCassAction", "cass", "table.dat"}}) {
        const QString window = dir.filePath(QStringLiteral("window-") + QLatin1String(name));
        const QString cli = dir.filePath(QStringLiteral("cli-") + QLatin1String(name));
        QVERIFY(exportTo(w, desktop, action, window));
        // The command line takes the same offsets with ASCII commas.
        QVERIFY(runCli({QStringLiteral("route"), QStringLiteral("table"), alignment,
                        QStringLiteral("--from"), QStringLiteral("K0+000"), QStringLiteral("--to"),
                        QStringLiteral("K3+017.488"), QStringLiteral("--interval"),
                        QStringLiteral("20"), QStringLiteral("--offsets=-7.5,0,12.25"),
                        QStringLiteral("--format"), QLatin1String(format),
                        QStringLiteral("--output"), cli}));
        const QByteArray bytes = fileBytes(window);
        QVERIFY(bytes.contains("K1+200.000"));
        QCOMPARE(bytes, fileBytes(cli));
    }
}

void RouteExportsTest::bulkInverseExportsAreTheCommandLineBytes() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    const QString alignment = kCases + QStringLiteral("/pi-alignment.csv");
    QVERIFY(w.openFile(alignment));
    // Points on both sides, in both zones of the long chain; names to quote.
    const QString points = dir.filePath(QStringLiteral("points.csv"));
    QFile file(points);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        "name,X,Y\r\n"
        "P1,3456836.720,512362.393\r\n"
        "\"a,b\",3458101.250,513581.517\r\n"
        "P3,3457973.415,513625.713\r\n"
        "P4,3457123.855,512585.928\r\n"
        "P5,3457530.000,513255.000\r\n");
    file.close();
    desktop.answers = {points};
    child<QPushButton>(w, "pointsFileButton")->click();
    QVERIFY(QTest::qWaitFor([&w] { return !w.isComputing(); }, 20000));
    QCOMPARE(w.results().size(), std::size_t{5});

    const QString window = dir.filePath(QStringLiteral("window.csv"));
    const QString cli = dir.filePath(QStringLiteral("cli.csv"));
    QVERIFY(exportTo(w, desktop, "exportCsvAction", window));
    QVERIFY(runCli({QStringLiteral("route"), QStringLiteral("inverse"), alignment,
                    QStringLiteral("--points"), points, QStringLiteral("--output"), cli}));
    QVERIFY(fileBytes(window).contains("\"a,b\""));
    QCOMPARE(fileBytes(window), fileBytes(cli));
}

// The plan for CAD: the alignment alone, then with the stakes of a table
// shown (route dxf with the table's options); a table computed before the
// alignment changed gives no stakes.
void RouteExportsTest::dxfExportIsTheCommandLineBytes() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    const QString alignment = kCases + QStringLiteral("/pi-alignment.csv");
    QVERIFY(w.openFile(alignment));

    const QString plain = dir.filePath(QStringLiteral("window-plain.dxf"));
    const QString plainCli = dir.filePath(QStringLiteral("cli-plain.dxf"));
    QVERIFY(exportTo(w, desktop, "exportDxfAction", plain));
    QVERIFY(runCli({QStringLiteral("route"), QStringLiteral("dxf"), alignment, plainCli}));
    QVERIFY(fileBytes(plain).contains("AC1015"));
    QCOMPARE(fileBytes(plain), fileBytes(plainCli));

    child<QLineEdit>(w, "fromEdit")->setText(QStringLiteral("K0+000"));
    child<QLineEdit>(w, "toEdit")->setText(QStringLiteral("K3+017.488"));
    child<QLineEdit>(w, "intervalEdit")->setText(QStringLiteral("20"));
    child<QLineEdit>(w, "offsetsEdit")->setText(QStringLiteral("-7.5，0，12.25"));
    child<QCheckBox>(w, "keyPointsBox")->setChecked(true);
    child<QPushButton>(w, "tableButton")->click();
    QVERIFY(QTest::qWaitFor([&w] { return !w.isComputing(); }, 20000));
    const QString window = dir.filePath(QStringLiteral("window.dxf"));
    const QString cli = dir.filePath(QStringLiteral("cli.dxf"));
    QVERIFY(exportTo(w, desktop, "exportDxfAction", window));
    QVERIFY(runCli({QStringLiteral("route"), QStringLiteral("dxf"), alignment, cli,
                    QStringLiteral("--from"), QStringLiteral("K0+000"), QStringLiteral("--to"),
                    QStringLiteral("K3+017.488"), QStringLiteral("--interval"),
                    QStringLiteral("20"), QStringLiteral("--offsets=-7.5,0,12.25")}));
    const QByteArray bytes = fileBytes(window);
    // A side stake's name, 右 in code page 936.
    QVERIFY(
        bytes.contains("K1+200.000=K1+190.000\xd3\xd2"
                       "12.25"));
    QCOMPARE(bytes, fileBytes(cli));

    // The alignment changed under the table: the drawing is of the
    // alignment as it is now, without the old stakes, and the status bar
    // says so.
    QAbstractItemModel* start = child<QTableView>(w, "startTable")->model();
    QVERIFY(start->setData(start->index(0, 0), QStringLiteral("S201改线二"), Qt::EditRole));
    const QString changed = dir.filePath(QStringLiteral("changed.dxf"));
    QVERIFY(exportTo(w, desktop, "exportDxfAction", changed));
    const QByteArray drawn = fileBytes(changed);
    QVERIFY(drawn.contains("AC1015"));
    QVERIFY(
        !drawn.contains("\xd3\xd2"
                        "12.25"));
    QCOMPARE(w.statusBar()->currentMessage(),
             QStringLiteral("坐标表是修改线路之前算的，DXF 文件中未画逐桩坐标。"));
}

QTEST_MAIN(RouteExportsTest)
#include "route_exports_test.moc"
