// Details of the route window a surveyor meets in a day's work: columns wide
// enough for national-grid coordinates, the next JD name proposed, Enter
// computing, the table's range proposed from the alignment, a bulk inverse
// asking before it replaces a table, the results' height, an empty new row
// that does not blank the main points, and Qt's own dialogs in Chinese.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QUndoStack>

#include "fake_desktop.h"
#include "ui/common/chinese.h"
#include "ui/route/route_tables.h"
#include "ui/route/route_window.h"

using korvane::ui::RouteWindow;
using korvane::ui::testing::FakeDesktop;

namespace {

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

QString rowError(QWidget& window, const char* table, int row) {
    QAbstractItemModel* model = child<QTableView>(window, table)->model();
    return model->data(model->index(row, model->columnCount() - 1), Qt::DisplayRole).toString();
}

// A straight north of `length` m from K0+000 at national-grid coordinates.
void typeStraight(RouteWindow& w, const QString& length = QStringLiteral("100")) {
    setCell(w, "startTable", 0, 0, QStringLiteral("直线"));
    setCell(w, "startTable", 0, 2, QStringLiteral("K0+000"));
    setCell(w, "startTable", 0, 3, QStringLiteral("3457250.123"));
    setCell(w, "startTable", 0, 4, QStringLiteral("512700.456"));
    setCell(w, "startTable", 0, 5, QStringLiteral("0"));
    child<QPushButton>(w, "elementInsertButton")->click();
    setCell(w, "elementTable", 0, 0, length);
    setCell(w, "elementTable", 0, 1, QStringLiteral("∞"));
    setCell(w, "elementTable", 0, 2, QStringLiteral("∞"));
}

void pressEnter(QWidget* field) {
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
}

}  // namespace

class RouteWindowDetailsTest : public QObject {
    Q_OBJECT

  private slots:
    void coordinatesAsTypedShowWhole();
    void insertProposesTheNextPointName();
    void enterComputesInEveryTab();
    void theTableRangeFollowsTheAlignment();
    void aBulkInverseAsksBeforeReplacingATable();
    void theResultsShowMoreThanSevenRows();
    void anEmptyNewRowLeavesTheMainPoints();
    void qtsOwnDialogsAreChinese();
};

void RouteWindowDetailsTest::coordinatesAsTypedShowWhole() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    w.show();
    typeStraight(w);
    desktop.unsavedAnswers = {korvane::ui::UnsavedChoice::Discard};
    child<QAction>(w, "newPointsAction")->trigger();
    QCOMPARE(cell(w, "pointTable", 1, 0), QStringLiteral("ZD"));
    setCell(w, "pointTable", 0, 1, QStringLiteral("3457250.123"));
    setCell(w, "pointTable", 0, 2, QStringLiteral("512700.456"));
    setCell(w, "pointTable", 1, 1, QStringLiteral("-3457250.12345"));
    auto* points = child<QTableView>(w, "pointTable");
    const QFontMetrics fm = points->fontMetrics();
    for (int c : {1, 2}) {
        const int needed = static_cast<QAbstractItemView*>(points)->sizeHintForColumn(c);
        QVERIFY2(points->columnWidth(c) >= needed, qPrintable(QStringLiteral("column %1: %2 < %3")
                                                                  .arg(c)
                                                                  .arg(points->columnWidth(c))
                                                                  .arg(needed)));
        QVERIFY(points->columnWidth(c) > fm.horizontalAdvance(QStringLiteral("3457250.123")));
    }
    // The element method's start table and a chain break, as a new window has them.
    desktop.unsavedAnswers = {korvane::ui::UnsavedChoice::Discard};
    child<QAction>(w, "newAction")->trigger();
    auto* start = child<QTableView>(w, "startTable");
    for (int c : {2, 3, 4})
        QVERIFY(start->columnWidth(c) > fm.horizontalAdvance(QStringLiteral("3457250.123")));
    auto* breaks = child<QTableView>(w, "breakTable");
    QVERIFY(breaks->columnWidth(0) > fm.horizontalAdvance(QStringLiteral("K123+456.789")));
}

void RouteWindowDetailsTest::insertProposesTheNextPointName() {
    using korvane::ui::nextPointName;
    QCOMPARE(nextPointName(QStringLiteral("JD2")), QStringLiteral("JD3"));
    QCOMPARE(nextPointName(QStringLiteral("JD009")), QStringLiteral("JD010"));
    QCOMPARE(nextPointName(QStringLiteral("QD")), QStringLiteral("JD1"));
    QCOMPARE(nextPointName(QStringLiteral("A12")), QStringLiteral("A13"));
    QCOMPARE(nextPointName(QStringLiteral("起点")), QString());
    QCOMPARE(nextPointName(QString()), QString());

    FakeDesktop desktop;
    RouteWindow w(desktop);
    child<QAction>(w, "newPointsAction")->trigger();
    auto* insert = child<QPushButton>(w, "pointInsertButton");
    insert->click();  // no row chosen: before ZD
    insert->click();
    insert->click();
    QCOMPARE(cell(w, "pointTable", 1, 0), QStringLiteral("JD1"));
    QCOMPARE(cell(w, "pointTable", 2, 0), QStringLiteral("JD2"));
    QCOMPARE(cell(w, "pointTable", 3, 0), QStringLiteral("JD3"));
    QCOMPARE(cell(w, "pointTable", 4, 0), QStringLiteral("ZD"));
    // One undo takes one insertion back, its name with it.
    w.undoStack()->undo();
    QCOMPARE(cell(w, "pointTable", 3, 0), QStringLiteral("ZD"));
}

void RouteWindowDetailsTest::enterComputesInEveryTab() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    w.show();
    typeStraight(w);
    QVERIFY(w.alignment());
    child<QLineEdit>(w, "stationEdit")->setText(QStringLiteral("K0+050"));
    child<QLineEdit>(w, "offsetEdit")->setText(QStringLiteral("5"));
    pressEnter(child<QLineEdit>(w, "offsetEdit"));
    QCOMPARE(child<QLineEdit>(w, "forwardX")->text(), QStringLiteral("3457300.123"));
    QCOMPARE(child<QLineEdit>(w, "forwardY")->text(), QStringLiteral("512705.456"));
    // In a spin box too.
    child<QLineEdit>(w, "forwardX")->clear();
    pressEnter(child<QSpinBox>(w, "zoneBox"));
    QCOMPARE(child<QLineEdit>(w, "forwardX")->text(), QStringLiteral("3457300.123"));

    child<QLineEdit>(w, "inverseXEdit")->setText(QStringLiteral("3457260.123"));
    child<QLineEdit>(w, "inverseYEdit")->setText(QStringLiteral("512698.456"));
    pressEnter(child<QLineEdit>(w, "inverseYEdit"));
    QCOMPARE(child<QLineEdit>(w, "inverseStation")->text(), QStringLiteral("K0+010.000"));
    QCOMPARE(child<QLineEdit>(w, "inverseOffset")->text(), QStringLiteral("-2.000"));

    child<QLineEdit>(w, "intervalEdit")->setText(QStringLiteral("25"));
    pressEnter(child<QLineEdit>(w, "intervalEdit"));
    QVERIFY(QTest::qWaitFor([&w] { return !w.isComputing(); }, 10000));
    QCOMPARE(w.results().rowCount(), 5);
    QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
    // While a table is computed, Enter starts no other (as its button).
    child<QLineEdit>(w, "intervalEdit")->setText(QStringLiteral("0.001"));
    child<QPushButton>(w, "tableButton")->click();
    QVERIFY(w.isComputing());
    child<QLineEdit>(w, "intervalEdit")->setText(QStringLiteral("25"));
    pressEnter(child<QLineEdit>(w, "intervalEdit"));
    QVERIFY(QTest::qWaitFor([&w] { return !w.isComputing(); }, 20000));
    QCOMPARE(w.results().rowCount(), 100001);
}

void RouteWindowDetailsTest::theTableRangeFollowsTheAlignment() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    typeStraight(w);
    auto* from = child<QLineEdit>(w, "fromEdit");
    auto* to = child<QLineEdit>(w, "toEdit");
    QCOMPARE(from->text(), QStringLiteral("K0+000.000"));
    QCOMPARE(to->text(), QStringLiteral("K0+100.000"));
    // A longer line moves the end proposed …
    setCell(w, "elementTable", 0, 0, QStringLiteral("250"));
    QCOMPARE(to->text(), QStringLiteral("K0+250.000"));
    // … but not an end the user typed.
    to->setText(QStringLiteral("K0+080"));
    setCell(w, "elementTable", 0, 0, QStringLiteral("300"));
    QCOMPARE(to->text(), QStringLiteral("K0+080"));
    QCOMPARE(from->text(), QStringLiteral("K0+000.000"));
    setCell(w, "startTable", 0, 2, QStringLiteral("K1+000"));
    QCOMPARE(from->text(), QStringLiteral("K1+000.000"));
}

void RouteWindowDetailsTest::aBulkInverseAsksBeforeReplacingATable() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    typeStraight(w);
    child<QPushButton>(w, "tableButton")->click();
    QVERIFY(QTest::qWaitFor([&w] { return !w.isComputing(); }, 10000));
    const int rows = w.results().rowCount();
    QCOMPARE(rows, 6);
    // 否: nothing is chosen, the table stays.
    child<QPushButton>(w, "pointsFileButton")->click();
    QCOMPARE(desktop.yesNoQuestions.size(), 1);
    QVERIFY(desktop.yesNoQuestions.first().contains(QStringLiteral("6行")));
    QVERIFY(desktop.fileRequests.isEmpty());
    QCOMPARE(w.results().rowCount(), rows);
    // 是: the file dialog comes (and its cancel keeps the table too).
    desktop.yesNoAnswers = {true};
    child<QPushButton>(w, "pointsFileButton")->click();
    QCOMPARE(desktop.fileRequests.size(), 1);
    QCOMPARE(w.results().rowCount(), rows);
    // Without a table there is nothing to ask about.
    desktop.unsavedAnswers = {korvane::ui::UnsavedChoice::Discard};
    child<QAction>(w, "newAction")->trigger();
    typeStraight(w);
    child<QPushButton>(w, "pointsFileButton")->click();
    QCOMPARE(desktop.yesNoQuestions.size(), 2);
    QCOMPARE(desktop.fileRequests.size(), 2);
}

void RouteWindowDetailsTest::theResultsShowMoreThanSevenRows() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    typeStraight(w);
    child<QLineEdit>(w, "intervalEdit")->setText(QStringLiteral("5"));
    child<QPushButton>(w, "tableButton")->click();
    QVERIFY(QTest::qWaitFor([&w] { return !w.isComputing(); }, 10000));
    auto* results = child<QTableView>(w, "resultTable");
    QVERIFY(results->rowHeight(0) > 0);
    const int shown = results->viewport()->height() / results->rowHeight(0);
    QVERIFY2(shown >= 9, qPrintable(QString::number(shown)));
}

void RouteWindowDetailsTest::anEmptyNewRowLeavesTheMainPoints() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    typeStraight(w);
    auto* keys = child<QTableWidget>(w, "keyPointTable");
    const int keyRows = keys->rowCount();
    QVERIFY(keyRows >= 2);
    child<QPushButton>(w, "breakInsertButton")->click();
    child<QPushButton>(w, "profileInsertButton")->click();
    // Flagged, not an error: the alignment stays computed.
    QVERIFY(w.alignment());
    QCOMPARE(keys->rowCount(), keyRows);
    QVERIFY(rowError(w, "breakTable", 0).startsWith(QStringLiteral("注意：")));
    QVERIFY(rowError(w, "profileTable", 0).startsWith(QStringLiteral("注意：")));
    // A break typed in a later row is computed, and a fault of it is shown
    // at its own row, not at the empty one.
    child<QPushButton>(w, "breakInsertButton")->click();
    const QModelIndex second = child<QTableView>(w, "breakTable")->model()->index(1, 0);
    child<QTableView>(w, "breakTable")->setCurrentIndex(second);
    setCell(w, "breakTable", 0, 0, QString());
    setCell(w, "breakTable", 1, 0, QStringLiteral("K0+050"));
    setCell(w, "breakTable", 1, 1, QStringLiteral("K0+040"));
    QVERIFY(w.alignment());
    QCOMPARE(keys->rowCount(), keyRows + 1);
    setCell(w, "breakTable", 1, 0, QStringLiteral("K0+500"));
    QVERIFY(!w.alignment());
    QVERIFY(rowError(w, "breakTable", 0).startsWith(QStringLiteral("注意：")));
    QVERIFY(!rowError(w, "breakTable", 1).isEmpty());
    QVERIFY(!rowError(w, "breakTable", 1).startsWith(QStringLiteral("注意：")));
    // A half-typed row is an error as before.
    setCell(w, "breakTable", 1, 0, QStringLiteral("K0+050"));
    setCell(w, "breakTable", 1, 1, QString());
    QVERIFY(!w.alignment());
    setCell(w, "breakTable", 1, 0, QString());

    // The elements alike: an empty row before the first one leaves it first
    // (no angle point refused), and a fault after it is shown at its own row.
    QVERIFY(w.alignment());
    auto* elements = child<QTableView>(w, "elementTable");
    elements->setCurrentIndex(elements->model()->index(0, 0));
    child<QPushButton>(w, "elementInsertButton")->click();
    QVERIFY(w.alignment());
    QCOMPARE(keys->rowCount(), keyRows);
    QVERIFY(rowError(w, "elementTable", 0).startsWith(QStringLiteral("注意：")));
    child<QPushButton>(w, "elementInsertButton")->click();  // at the current row, 0
    // (a length the alignment, not the row, refuses)
    setCell(w, "elementTable", 2, 0, QStringLiteral("-5"));
    setCell(w, "elementTable", 2, 1, QStringLiteral("∞"));
    setCell(w, "elementTable", 2, 2, QStringLiteral("∞"));
    QVERIFY(!w.alignment());
    QVERIFY(rowError(w, "elementTable", 0).startsWith(QStringLiteral("注意：")));
    QVERIFY(rowError(w, "elementTable", 1).startsWith(QStringLiteral("注意：")));
    QVERIFY(!rowError(w, "elementTable", 2).isEmpty());
    QVERIFY(rowError(w, "elementTable", 2).contains(QStringLiteral("长度必须大于0")));
}

void RouteWindowDetailsTest::qtsOwnDialogsAreChinese() {
    QVERIFY(korvane::ui::use_simplified_chinese(*qApp));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:") == QStringLiteral("Look in:"),
             false);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("是(&Y)"));
}

QTEST_MAIN(RouteWindowDetailsTest)
#include "route_window_details_test.moc"
