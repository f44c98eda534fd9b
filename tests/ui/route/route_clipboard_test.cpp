// The route window's tables and the clipboard, offscreen: a design table
// pasted as Excel puts it there, copies of any table with their header, and
// the text a spreadsheet's clipboard holds read into rows.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QUndoStack>

#include "fake_desktop.h"
#include "ui/route/route_window.h"
#include "ui/route/table_clipboard.h"

using korvane::ui::RouteWindow;
using korvane::ui::testing::FakeDesktop;

namespace {

template <class T>
T* child(QWidget& window, const char* name) {
    T* w = window.findChild<T*>(QLatin1String(name));
    if (!w) qFatal("no widget %s", name);
    return w;
}

QString cell(QWidget& window, const char* table, int row, int column) {
    QAbstractItemModel* model = child<QTableView>(window, table)->model();
    return model->data(model->index(row, column), Qt::DisplayRole).toString();
}

QString rowError(QWidget& window, const char* table, int row) {
    QAbstractItemModel* model = child<QTableView>(window, table)->model();
    return model->data(model->index(row, model->columnCount() - 1), Qt::DisplayRole).toString();
}

int rows(QWidget& window, const char* table) {
    return child<QTableView>(window, table)->model()->rowCount();
}

// Ctrl+V into `table` at (row, column), as the user presses it.
void pasteAt(QWidget& window, const char* table, int row, int column, const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    auto* view = child<QTableView>(window, table);
    view->setCurrentIndex(view->model()->index(row, column));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
}

// The alignment by intersection points of the reference case, as a design
// institute's spreadsheet holds it: a header, national-grid coordinates.
const QString kDesignTable = QStringLiteral(
    "交点号\tX\tY\t半径\t缓和曲线1\t缓和曲线2\r\n"
    "QD\t3456789.123\t512345.678\t\t\t\r\n"
    "JD1\t3457250.000\t512700.000\t600\t120\t120\r\n"
    "JD2\t3457600.000\t513450.000\t800\t150\t100\r\n"
    "JD3\t3458300.000\t513700.000\t400\t0\t0\r\n"
    "ZD\t3458900.000\t514400.000\t\t\t\r\n");

void newByPoints(RouteWindow& w) {
    child<QAction>(w, "newPointsAction")->trigger();
    QCOMPARE(rows(w, "pointTable"), 2);
}

}  // namespace

class RouteClipboardTest : public QObject {
    Q_OBJECT

  private slots:
    void clipboardTextIsReadIntoRows();
    void aHeaderLineIsRecognised();
    void aDesignTablePastesAsOneUndoStep();
    void pastedRowsGoAtTheCurrentCellAddingRows();
    void pastedCellsAreCheckedAsTypedOnes();
    void copiesCarryTheHeaderAndTheSelection();
};

void RouteClipboardTest::clipboardTextIsReadIntoRows() {
    using korvane::ui::clipboardRows;
    // Excel: tabs, CR LF, a last line end; empty cells kept.
    auto r = clipboardRows(QStringLiteral("a\tb\t\r\n1\t\t3\r\n"));
    QCOMPARE(r.size(), 2u);
    QCOMPARE(r[0], (QStringList{"a", "b", ""}));
    QCOMPARE(r[1], (QStringList{"1", "", "3"}));
    // CSV with LF and no last line end; cells trimmed.
    r = clipboardRows(QStringLiteral("1, 2 ,3\n4,5,6"));
    QCOMPARE(r.size(), 2u);
    QCOMPARE(r[0], (QStringList{"1", "2", "3"}));
    QCOMPARE(r[1], (QStringList{"4", "5", "6"}));
    // Commas inside a tab-separated cell stay in it (a full-width one too).
    r = clipboardRows(QStringLiteral("-7.5,0\t1，2\n"));
    QCOMPARE(r[0], (QStringList{"-7.5,0", "1，2"}));
    // Quoted cells may hold separators, line ends and doubled quotes.
    r = clipboardRows(QStringLiteral("\"a,b\",\"c\"\"d\",\"e\r\nf\"\r\nx,y\r"));
    QCOMPARE(r.size(), 2u);
    QCOMPARE(r[0], (QStringList{"a,b", "c\"d", "e\r\nf"}));
    QCOMPARE(r[1], (QStringList{"x", "y"}));
    // One cell, and nothing at all.
    QCOMPARE(clipboardRows(QStringLiteral("JD7")).size(), 1u);
    QVERIFY(clipboardRows(QString()).empty());
    QVERIFY(clipboardRows(QStringLiteral("\r\n")).size() == 1u);
}

void RouteClipboardTest::aHeaderLineIsRecognised() {
    using korvane::ui::clipboardRows;
    using korvane::ui::startsWithHeader;
    const QStringList headers{"点名", "X", "Y", "半径R", "Ls1", "Ls2"};
    // Words over numbers.
    QVERIFY(startsWithHeader(clipboardRows(kDesignTable), headers));
    // A header alone, known by a column's name.
    QVERIFY(startsWithHeader(clipboardRows(QStringLiteral("点名\tx\ty")), headers));
    // Names over names are data (a column of point names).
    QVERIFY(!startsWithHeader(clipboardRows(QStringLiteral("QD\nJD1\nZD")), headers));
    // A first line with a number or a chainage is data.
    QVERIFY(!startsWithHeader(clipboardRows(QStringLiteral("JD1\t3457250\t512700")), headers));
    QVERIFY(!startsWithHeader(clipboardRows(QStringLiteral("K1+200\tK1+190\nK2+000\tK2+010")),
                              headers));
    QVERIFY(!startsWithHeader({}, headers));
}

void RouteClipboardTest::aDesignTablePastesAsOneUndoStep() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    newByPoints(w);
    w.show();
    pasteAt(w, "pointTable", 0, 0, kDesignTable);
    // The whole table: QD, three JDs, ZD; the header skipped.
    QCOMPARE(rows(w, "pointTable"), 5);
    QCOMPARE(cell(w, "pointTable", 0, 1), QStringLiteral("3456789.123"));
    QCOMPARE(cell(w, "pointTable", 2, 0), QStringLiteral("JD2"));
    QCOMPARE(cell(w, "pointTable", 2, 4), QStringLiteral("150"));
    QCOMPARE(cell(w, "pointTable", 4, 0), QStringLiteral("ZD"));
    QCOMPARE(cell(w, "pointTable", 4, 2), QStringLiteral("514400.000"));
    // The start table still wants its chainage; with it the alignment builds.
    auto* start = child<QTableView>(w, "startTable")->model();
    QVERIFY(start->setData(start->index(0, 2), QStringLiteral("K0+000"), Qt::EditRole));
    QVERIFY2(w.alignment(), qPrintable(rowError(w, "pointTable", 1)));
    QVERIFY(child<QTableWidget>(w, "keyPointTable")->rowCount() > 10);
    // The paste is one step: one undo takes it all back.
    QUndoStack* undo = w.undoStack();
    QCOMPARE(undo->count(), 2);
    undo->undo();
    undo->undo();
    QCOMPARE(rows(w, "pointTable"), 2);
    QCOMPARE(cell(w, "pointTable", 0, 1), QString());
    undo->redo();
    QCOMPARE(rows(w, "pointTable"), 5);
    // Ctrl+Z as the user presses it.
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(child<QTableView>(w, "pointTable"), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(rows(w, "pointTable"), 2);
    QVERIFY(desktop.messages.isEmpty());
}

void RouteClipboardTest::pastedRowsGoAtTheCurrentCellAddingRows() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    newByPoints(w);
    w.show();
    pasteAt(w, "pointTable", 0, 0, kDesignTable);
    // JD rows pasted at a JD stay between QD and ZD, rows added before ZD.
    pasteAt(w, "pointTable", 3, 0,
            QStringLiteral("JD3\t3458300\t513700\t400\t0\t0\nJD4\t3458500\t514000\t300\t0\t0\n"));
    QCOMPARE(rows(w, "pointTable"), 6);
    QCOMPARE(cell(w, "pointTable", 4, 0), QStringLiteral("JD4"));
    QCOMPARE(cell(w, "pointTable", 5, 0), QStringLiteral("ZD"));
    // A column pasted from the current cell on leaves the other columns.
    pasteAt(w, "pointTable", 1, 3, QStringLiteral("650\n850\n"));
    QCOMPARE(cell(w, "pointTable", 1, 3), QStringLiteral("650"));
    QCOMPARE(cell(w, "pointTable", 2, 3), QStringLiteral("850"));
    QCOMPARE(cell(w, "pointTable", 1, 4), QStringLiteral("120"));
    QCOMPARE(cell(w, "pointTable", 3, 3), QStringLiteral("400"));
    // The start point takes no radius: its cells are left out.
    pasteAt(w, "pointTable", 0, 1, QStringLiteral("3456789.5\t512345.5\t999"));
    QCOMPARE(cell(w, "pointTable", 0, 1), QStringLiteral("3456789.5"));
    QCOMPARE(cell(w, "pointTable", 0, 3), QString());
    // Rows pasted at QD that end in a JD (it has a radius) are no whole
    // table: ZD and the JDs after them stay.
    pasteAt(w, "pointTable", 0, 0,
            QStringLiteral("QD,3456789.5,512345.5\nJD1,3457250,512700,600,120,120\n"));
    QCOMPARE(rows(w, "pointTable"), 6);
    QCOMPARE(cell(w, "pointTable", 5, 0), QStringLiteral("ZD"));
    QCOMPARE(cell(w, "pointTable", 4, 0), QStringLiteral("JD4"));
    // A whole table shorter than the one there replaces it.
    pasteAt(w, "pointTable", 0, 0, QStringLiteral("QD,0,0\nJD1,100,100,50,0,0\nZD,100,300\n"));
    QCOMPARE(rows(w, "pointTable"), 3);
    QCOMPARE(cell(w, "pointTable", 2, 2), QStringLiteral("300"));

    // The element method: rows appended at the end, comma-separated, LF.
    desktop.unsavedAnswers = {korvane::ui::UnsavedChoice::Discard};
    child<QAction>(w, "newAction")->trigger();
    QVERIFY(child<QTableView>(w, "elementTable")->isVisibleTo(&w));
    QCOMPARE(rows(w, "elementTable"), 0);
    pasteAt(w, "elementTable", 0, 0,
            QStringLiteral("长度,起点半径,终点半径,方向\n100,∞,∞\n60,∞,200,右\n"));
    QCOMPARE(rows(w, "elementTable"), 2);
    QCOMPARE(cell(w, "elementTable", 1, 3), QStringLiteral("右"));
    pasteAt(w, "elementTable", 1, 0, QStringLiteral("80\t200\t200\t右\r\n50\t200\t∞\t右\r\n"));
    QCOMPARE(rows(w, "elementTable"), 3);
    QCOMPARE(cell(w, "elementTable", 1, 0), QStringLiteral("80"));
    QCOMPARE(cell(w, "elementTable", 2, 2), QStringLiteral("∞"));
    // Chain breaks and vertical points, several at once.
    pasteAt(w, "breakTable", 0, 0, QStringLiteral("来向桩号\t去向桩号\nK0+050\tK0+045\n"));
    QCOMPARE(rows(w, "breakTable"), 1);
    QCOMPARE(cell(w, "breakTable", 0, 1), QStringLiteral("K0+045"));
    pasteAt(w, "profileTable", 0, 0,
            QStringLiteral("K0+000\t100\t\t\nK0+100\t102\t5000\t\nK0+230\t101\t\t\n"));
    QCOMPARE(rows(w, "profileTable"), 3);
    QCOMPARE(cell(w, "profileTable", 1, 2), QStringLiteral("5000"));
    // The start table keeps its one row: a second row pasted is left out.
    pasteAt(w, "startTable", 0, 0,
            QStringLiteral("S1\tK\tK0+000\t0\t0\t0\nS2\tK\tK1+000\t1\t1\t1\n"));
    QCOMPARE(rows(w, "startTable"), 1);
    QCOMPARE(cell(w, "startTable", 0, 0), QStringLiteral("S1"));
    QCOMPARE(cell(w, "startTable", 0, 5), QStringLiteral("0"));
    // Nothing on the clipboard changes nothing.
    const int steps = w.undoStack()->count();
    pasteAt(w, "profileTable", 0, 0, QString());
    QCOMPARE(w.undoStack()->count(), steps);
}

void RouteClipboardTest::pastedCellsAreCheckedAsTypedOnes() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    newByPoints(w);
    w.show();
    // Full-width digits and a full-width point, pasted and typed.
    const QString wide = QStringLiteral("３４５７２５０．１２３");
    pasteAt(w, "pointTable", 0, 0, QStringLiteral("QD\t") + wide + QStringLiteral("\t512345"));
    const QString pasted = rowError(w, "pointTable", 0);
    QVERIFY(!pasted.isEmpty());
    QVERIFY(pasted.contains(wide));
    auto* model = child<QTableView>(w, "pointTable")->model();
    QVERIFY(model->setData(model->index(0, 1), QStringLiteral("1"), Qt::EditRole));
    QVERIFY(rowError(w, "pointTable", 0) != pasted);
    QVERIFY(model->setData(model->index(0, 1), wide, Qt::EditRole));
    QCOMPARE(rowError(w, "pointTable", 0), pasted);
}

void RouteClipboardTest::copiesCarryTheHeaderAndTheSelection() {
    FakeDesktop desktop;
    RouteWindow w(desktop);
    newByPoints(w);
    w.show();
    pasteAt(w, "pointTable", 0, 0, kDesignTable);
    auto* view = child<QTableView>(w, "pointTable");
    // Two columns of two rows: header line first, tabs, CR LF.
    view->selectionModel()->select(
        QItemSelection(view->model()->index(1, 0), view->model()->index(2, 1)),
        QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("点名\tX\r\nJD1\t3457250.000\r\nJD2\t3457600.000\r\n"));
    // Ctrl+A, Ctrl+C, Ctrl+V into a new table gives the same table back.
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(view->selectionModel()->selectedIndexes().size(), 5 * 9);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    const QString all = QGuiApplication::clipboard()->text();
    QVERIFY(all.startsWith(QStringLiteral("点名\tX\tY\t半径R\tLs1\tLs2\t超高%\t加宽\t检查\r\n")));
    desktop.unsavedAnswers = {korvane::ui::UnsavedChoice::Discard};
    newByPoints(w);
    view->setCurrentIndex(view->model()->index(0, 0));
    QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(rows(w, "pointTable"), 5);
    QCOMPARE(cell(w, "pointTable", 3, 3), QStringLiteral("400"));

    // The main points and the results: tables that take no paste.
    auto* start = child<QTableView>(w, "startTable")->model();
    QVERIFY(start->setData(start->index(0, 2), QStringLiteral("K0+000"), Qt::EditRole));
    QVERIFY(w.alignment());
    auto* keys = child<QTableWidget>(w, "keyPointTable");
    keys->selectAll();
    child<QAction>(w, "keyPointTableCopyAction")->trigger();
    const QStringList lines = QGuiApplication::clipboard()->text().split(QStringLiteral("\r\n"));
    QCOMPARE(lines.first(), QStringLiteral("主点\t桩号\tX\tY\t方位角\t半径"));
    QCOMPARE(lines[1].section(QLatin1Char('\t'), 0, 2),
             QStringLiteral("QD\tK0+000.000\t3456789.123"));
    QVERIFY(!w.findChild<QAction*>(QStringLiteral("keyPointTablePasteAction")));

    child<QLineEdit>(w, "fromEdit")->setText(QStringLiteral("K0+000"));
    child<QLineEdit>(w, "toEdit")->setText(QStringLiteral("K0+040"));
    child<QPushButton>(w, "tableButton")->click();
    QVERIFY(QTest::qWaitFor([&w] { return !w.isComputing(); }, 10000));
    auto* results = child<QTableView>(w, "resultTable");
    results->setFocus();
    results->selectRow(1);
    QTest::keyClick(results, Qt::Key_C, Qt::ControlModifier);
    const QStringList copied = QGuiApplication::clipboard()->text().split(QStringLiteral("\r\n"));
    QCOMPARE(copied.size(), 3);  // header, one row, the last line end
    QVERIFY(copied[0].contains(QStringLiteral("桩号")));
    QVERIFY(copied[1].startsWith(QStringLiteral("K0+020.000\t")));
}

QTEST_MAIN(RouteClipboardTest)
#include "route_clipboard_test.moc"
