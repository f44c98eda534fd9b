// What the window hands over: the curve table beside the main points, the
// report's heading kept with the alignment, and the report's sheets (the
// table of stakes one row per station, the curve table first).
#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

#include "fake_desktop.h"
#include "files/codec.h"
#include "files/definition_file.h"
#include "support/test_data.h"
#include "ui/route/route_report.h"
#include "ui/route/route_window.h"

using korvane::ui::RouteWindow;
using korvane::ui::testing::FakeDesktop;

namespace {

const QString kCases = QString::fromStdString(korvane::testing::data_dir("KORVANE_ROUTE_CASES"));

template <class T>
T* child(QWidget& window, const char* name) {
    T* w = window.findChild<T*>(QLatin1String(name));
    if (!w) qFatal("no widget %s", name);
    return w;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

// The pages of a PDF file Qt wrote.
int pdfPages(const QString& path) {
    const QByteArray bytes = fileBytes(path);
    return static_cast<int>(
        QString::fromLatin1(bytes).count(QRegularExpression(QStringLiteral("/Type /Page\\b"))));
}

void runTable(RouteWindow& w, const QString& from, const QString& to, const QString& interval,
              const QString& offsets) {
    child<QLineEdit>(w, "fromEdit")->setText(from);
    child<QLineEdit>(w, "toEdit")->setText(to);
    child<QLineEdit>(w, "intervalEdit")->setText(interval);
    child<QLineEdit>(w, "offsetsEdit")->setText(offsets);
    child<QCheckBox>(w, "keyPointsBox")->setChecked(true);
    child<QPushButton>(w, "tableButton")->click();
    QVERIFY(QTest::qWaitFor([&w] { return !w.isComputing(); }, 20000));
}

// Fills the report's dialog when it opens, then accepts it.
void answerDialog(RouteWindow& w, const QStringList& texts) {
    QTimer::singleShot(0, &w, [&w, texts] {
        auto* dialog = w.findChild<QDialog*>(QStringLiteral("signOffDialog"));
        if (!dialog) return;
        const char* names[] = {"projectEdit",         "sectionEdit",    "coordinateSystemEdit",
                               "elevationSystemEdit", "computedByEdit", "checkedByEdit",
                               "approvedByEdit"};
        for (int i = 0; i < texts.size(); ++i)
            if (!texts[i].isNull())
                dialog->findChild<QLineEdit*>(QLatin1String(names[i]))->setText(texts[i]);
        dialog->accept();
    });
}

}  // namespace

class RouteReportTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void curveTableBesideTheMainPoints();
    void reportHeadingIsKeptWithTheAlignment();
    void stakesOneRowPerStationAndTheCurveTableFirst();
    void theCurveTableAloneWithoutResults();
};

void RouteReportTest::curveTableBesideTheMainPoints() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    QVERIFY(w.openFile(kCases + QStringLiteral("/pi-alignment.csv")));
    auto* curves = child<QTableWidget>(w, "curveTable");
    QCOMPARE(curves->rowCount(), 5);
    QCOMPARE(curves->item(0, 0)->text(), QStringLiteral("QD"));
    QCOMPARE(curves->item(2, 0)->text(), QStringLiteral("JD2"));
    QCOMPARE(curves->item(2, 1)->text(), QStringLiteral("K1+392.920"));
    QCOMPARE(curves->item(2, 4)->text(), QStringLiteral("45°19′45.42″"));
    QCOMPARE(curves->item(2, 5)->text(), QStringLiteral("左"));
    QCOMPARE(curves->item(2, 6)->text(), QStringLiteral("800.000"));
    QCOMPARE(curves->item(2, 15)->text(), QStringLiteral("67.867"));
    QCOMPARE(curves->item(3, 17)->text(),
             QStringLiteral("K1+994.101"));  // HY of a simple curve: ZY

    // An alignment by elements has none, and says why.
    QVERIFY(w.openFile(QString::fromStdString(korvane::testing::data_dir("KORVANE_CLI_DATA")) +
                       QStringLiteral("/small.csv")));
    QCOMPARE(curves->rowCount(), 1);
    QVERIFY(curves->item(0, 0)->text().contains(QStringLiteral("线元法")));
}

void RouteReportTest::reportHeadingIsKeptWithTheAlignment() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("s201.csv"));
    QVERIFY(QFile::copy(kCases + QStringLiteral("/pi-alignment.csv"), file));
    FakeDesktop desktop;
    RouteWindow w(desktop);
    QVERIFY(w.openFile(file));
    runTable(w, QStringLiteral("K0+360"), QStringLiteral("K0+400"), QStringLiteral("20"),
             QStringLiteral("-7.5,0,7.5"));

    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    desktop.answers = {pdf};
    answerDialog(w, {QStringLiteral("S201改线工程"), QStringLiteral("第3合同段"),
                     QStringLiteral("CGCS2000"), QStringLiteral("1985国家高程基准"),
                     QStringLiteral("张三"), QStringLiteral("李四"), QString()});
    w.findChild<QAction*>(QStringLiteral("exportPdfAction"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isExporting(), 20000);
    QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
    QVERIFY(fileBytes(pdf).startsWith("%PDF"));
    // The curve table's page and the table's.
    QCOMPARE(pdfPages(pdf), 2);

    // The project's texts are an edit of the alignment, saved into its file.
    QVERIFY(w.windowTitle().endsWith(QLatin1Char('*')));
    QVERIFY(w.saveTo(file));
    const std::string saved = korvane::files::cp936_to_utf8(fileBytes(file).toStdString()).value();
    QVERIFY2(
        saved.starts_with("线路,S201改线,K,S201改线工程,第3合同段,CGCS2000,1985国家高程基准\r\n"),
        saved.c_str());

    // The names come back in the next report's dialog; the project's texts
    // from the file.
    RouteWindow again(desktop);
    QVERIFY(again.openFile(file));
    runTable(again, QStringLiteral("K0+360"), QStringLiteral("K0+400"), QStringLiteral("20"),
             QStringLiteral("0"));
    QStringList shown;
    QTimer::singleShot(0, &again, [&again, &shown] {
        auto* dialog = again.findChild<QDialog*>(QStringLiteral("signOffDialog"));
        if (!dialog) return;
        for (const char* name : {"projectEdit", "computedByEdit", "checkedByEdit"})
            shown << dialog->findChild<QLineEdit*>(QLatin1String(name))->text();
        dialog->reject();
    });
    again.findChild<QAction*>(QStringLiteral("exportPdfAction"))->trigger();
    QCOMPARE(shown, (QStringList{QStringLiteral("S201改线工程"), QStringLiteral("张三"),
                                 QStringLiteral("李四")}));

    // Undone, the texts are the file's again.
    w.undoStack()->undo();
    QVERIFY(w.saveTo(file));
    QVERIFY(korvane::files::cp936_to_utf8(fileBytes(file).toStdString())
                .value()
                .starts_with("线路,S201改线,K\r\n"));
}

void RouteReportTest::stakesOneRowPerStationAndTheCurveTableFirst() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    QVERIFY(w.openFile(kCases + QStringLiteral("/pi-alignment.csv")));
    runTable(w, QStringLiteral("K0+360"), QStringLiteral("K0+400"), QStringLiteral("20"),
             QStringLiteral("-7.5,0,7.5"));
    QCOMPARE(w.results().size(), std::size_t{12});
    korvane::ui::ReportContent content;
    content.rows = w.results().store();
    const auto definition = korvane::files::read_definition(
        (kCases + QStringLiteral("/pi-alignment.csv")).toStdString());
    QVERIFY(definition.ok());
    content.curves = korvane::route::curve_table(definition.value(), *w.alignment()).value();
    std::vector<korvane::report::Sheet> sheets = korvane::ui::reportSheets(content);
    QCOMPARE(sheets.size(), std::size_t{2});
    QCOMPARE(sheets[0].title, QStringLiteral("直线、曲线及转角表"));
    QCOMPARE(sheets[0].rows, std::size_t{5});
    QVERIFY(sheets[0].landscape);
    QCOMPARE(sheets[0].cells(1).value(4), QStringLiteral("27°25′48.15″"));
    const korvane::report::Sheet& s = sheets[1];
    QCOMPARE(s.title, QStringLiteral("逐桩坐标表"));
    QCOMPARE(s.rows, std::size_t{4});  // K0+360, ZH K0+374.681, K0+380, K0+400
    QStringList titles, groups;
    for (const auto& c : s.columns) {
        titles << c.title;
        groups << c.group;
    }
    QCOMPARE(titles,
             (QStringList{"桩号", "主点", "X", "Y", "H", "方位角", "X", "Y", "H", "X", "Y", "H"}));
    QCOMPARE(groups, (QStringList{"", "", "中桩", "中桩", "中桩", "中桩", "左7.5", "左7.5", "左7.5",
                                  "右7.5", "右7.5", "右7.5"}));
    // K0+374.681 ZH with its side stakes (no section template: H on the
    // centre line only).
    QCOMPARE(s.cells(1), (QStringList{"K0+374.681", "ZH", "3457086.166", "512574.045", "125.371",
                                      "37°33′11.03″", "3457090.737", "512568.099", "",
                                      "3457081.595", "512579.991", ""}));

    // Side stakes add columns, not pages: a long table takes as many pages
    // with them as without.
    runTable(w, QStringLiteral("K0+000"), QStringLiteral("K3+000"), QStringLiteral("10"),
             QStringLiteral("0"));
    const QString centre = dir.filePath(QStringLiteral("centre.pdf"));
    QVERIFY(w.writeReportPdf(centre, {}));
    runTable(w, QStringLiteral("K0+000"), QStringLiteral("K3+000"), QStringLiteral("10"),
             QStringLiteral("-7.5,0,7.5"));
    const QString sides = dir.filePath(QStringLiteral("sides.pdf"));
    QVERIFY(w.writeReportPdf(sides, {}));
    QVERIFY(pdfPages(centre) > 3);
    QVERIFY(pdfPages(sides) <= pdfPages(centre));
}

void RouteReportTest::theCurveTableAloneWithoutResults() {
    QTemporaryDir dir;
    FakeDesktop desktop;
    RouteWindow w(desktop);
    QVERIFY(w.openFile(kCases + QStringLiteral("/pi-alignment.csv")));
    const QString pdf = dir.filePath(QStringLiteral("curves.pdf"));
    desktop.answers = {pdf};
    answerDialog(w, {});
    w.findChild<QAction*>(QStringLiteral("exportPdfAction"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isExporting(), 20000);
    QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
    QCOMPARE(pdfPages(pdf), 1);

    // An alignment by elements without results has nothing to report.
    QVERIFY(w.openFile(QString::fromStdString(korvane::testing::data_dir("KORVANE_CLI_DATA")) +
                       QStringLiteral("/small.csv")));
    desktop.answers = {dir.filePath(QStringLiteral("none.pdf"))};
    w.findChild<QAction*>(QStringLiteral("exportPdfAction"))->trigger();
    QCOMPARE(desktop.messages.size(), 1);
    QVERIFY(desktop.messages[0].text.contains(QStringLiteral("没有计算结果")));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("none.pdf"))));
}

QTEST_MAIN(RouteReportTest)
#include "route_report_test.moc"
