// The main window as a user drives it: widgets are found by their design
// names, clicked and typed into; the desktop is a recording fake.
#include <memory>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "fake_desktop.h"
#include "ui/common/chinese.h"
#include "ui/line/main_form.h"

using korvane::ui::FileDialogMode;
using korvane::ui::MainForm;
using korvane::ui::testing::FakeDesktop;

namespace {

const QString kHeader = QStringLiteral(" 里程K 偏距P 坐标X 坐标Y\r\n");
const QString kNotice = QStringLiteral("提示");

}  // namespace

class MainFormTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsInForwardSinglePointMode();
    void placesControlsAndStacksThem();
    void standardButtonsReadChinese();
    void captionsFitTheirControls();
    void continuousThenSingleHidesTheBatchButton();
    void forwardFromAnyModeRunsTheSinglePointHandler();
    void inverseInContinuousModeKeepsBatchButtonDisabled();
    void clearInInverseModeEmptiesInputsOnly();
    void forwardButtonComputesAndReportsFailures();
    void inverseButtonComputesAndReportsFailures();
    void batchButtonWritesTableAndReportsFailures();
    void tableFieldKeepsCrLfLineEnds();
    void exportAndImportLineParameters();
    void fileCommandsCancelledChangeNothing();
    void fileErrorsShowTheirMessageAndKeepFields();
    void reportWritesTableAsTheFieldHoldsIt();
    void tabOrderFollowsTheWorkingMode();
    void exitClosesEveryWindow();

  private:
    template <class T = QWidget>
    T* w(const char* name) const {
        auto* widget = form_->findChild<T*>(QLatin1String(name));
        if (widget == nullptr) qFatal("no widget %s", name);
        return widget;
    }
    QString text(const char* name) const { return w(name)->property("text").toString(); }
    void setText(const char* name, const QString& value) const {
        w(name)->setProperty("text", value);
    }
    bool shown(const char* name) const { return w(name)->isVisibleTo(form_.get()); }
    bool enabled(const char* name) const { return w(name)->isEnabled(); }
    bool checked(const char* name) const { return w<QRadioButton>(name)->isChecked(); }
    void click(const char* name) const { QTest::mouseClick(w(name), Qt::LeftButton); }
    void trigger(const char* action) const {
        form_->findChild<QAction*>(QLatin1String(action))->trigger();
    }
    QString focused() const {
        QWidget* focus = QApplication::focusWidget();
        return focus != nullptr ? focus->objectName() : QString();
    }
    QStringList tabCycle() const;

    std::unique_ptr<FakeDesktop> desktop_;
    std::unique_ptr<MainForm> form_;
    QTimer watchdog_;
    QStringList unexpectedDialogs_;
};

void MainFormTest::initTestCase() {
    // A modal dialog that the fake desktop should have answered would block the
    // test; the watchdog closes it and the test fails instead of hanging.
    watchdog_.setInterval(200);
    connect(&watchdog_, &QTimer::timeout, this, [this] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            unexpectedDialogs_.append(modal->windowTitle());
            modal->close();
        }
    });
    korvane::ui::use_simplified_chinese(*qApp);
}

void MainFormTest::init() {
    desktop_ = std::make_unique<FakeDesktop>();
    form_ = std::make_unique<MainForm>(*desktop_);
    form_->show();
    QApplication::setActiveWindow(form_.get());
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    unexpectedDialogs_.clear();
    watchdog_.start();
}

void MainFormTest::cleanup() {
    watchdog_.stop();
    form_.reset();
    QVERIFY2(unexpectedDialogs_.isEmpty(), qPrintable(unexpectedDialogs_.join(", ")));
}

void MainFormTest::startsInForwardSinglePointMode() {
    QCOMPARE(form_->windowTitle(), QStringLiteral("Korvane V1.2"));
    QCOMPARE(focused(), QStringLiteral("Text1"));
    QCOMPARE(text("Text1"), QStringLiteral("1000"));
    QCOMPARE(text("Text4"), QStringLiteral("15.152555"));
    QCOMPARE(text("Text9"), QStringLiteral("7053.150"));
    QCOMPARE(text("Text14"), kHeader);
    QCOMPARE(text("Text17"), QStringLiteral("20"));
    QCOMPARE(w<QGroupBox>("Frame4")->title(), QStringLiteral("正算结果 "));
    QCOMPARE(w<QAbstractButton>("Command5")->text(), QStringLiteral("导 出 成 果"));
    QCOMPARE(text("txtFileName"),
             QStringLiteral("C:\\Documents and Settings\\Administrator\\桌面\\曲线要素.txt"));

    for (const char* name : {"Frame1", "Frame2", "Frame3", "Frame4", "Command1"}) {
        QVERIFY2(shown(name), name);
    }
    for (const char* name : {"Frame5", "Command6", "txtFileName"}) QVERIFY2(!shown(name), name);
    for (const char* name : {"Text8", "Text9", "Text10", "Text11", "Command3"}) {
        QVERIFY2(!enabled(name), name);
    }
    for (const char* name : {"Text5", "Text6", "Text7", "Text12", "Text13", "Command1"}) {
        QVERIFY2(enabled(name), name);
    }
    QVERIFY(checked("Option1") && !checked("Option2"));
    QVERIFY(checked("Option3") && !checked("Option4"));

    // Menus and items in order, none with a shortcut.
    QStringList menus;
    for (QAction* menu : form_->menuBar()->actions()) {
        menus << menu->menu()->objectName() + "=" + menu->text();
        for (QAction* item : menu->menu()->actions()) {
            menus << item->objectName() + "=" + item->text();
            QVERIFY(item->shortcut().isEmpty());
        }
    }
    QCOMPARE(menus, QStringList({"File=文件", "enter=导入", "occur=导出", "Esc=退出", "Tool=工具",
                                 "Book=记事本", "Casio=计算器", "help=帮助", "tohelp=联机帮助",
                                 "about=关于"}));
    QVERIFY(form_->findChild<QObject*>("CDg1") != nullptr);
}

void MainFormTest::placesControlsAndStacksThem() {
    QWidget* client = form_->centralWidget();
    QCOMPARE(client->size(), QSize(385, 369));  // 5775 x 5535 twips
    QCOMPARE(w("Frame5")->geometry(), QRect(189, 10, 187, 311));
    QCOMPARE(w("Command5")->geometry(), QRect(152, 235, 24, 67));
    QCOMPARE(w("Text17")->geometry(), QRect(74, 283, 67, 18));
    QCOMPARE(w("Text1")->parentWidget(), client);
    QCOMPARE(w("Text5")->parentWidget(), w("Frame3"));
    // The line parameters lie in front of Frame1, Command1 in front of Command6.
    QCOMPARE(client->childAt(w("Text1")->geometry().center()), w("Text1"));
    click("Option4");
    click("Option3");
    w("Command6")->show();
    QCOMPARE(client->childAt(w("Command1")->geometry().center()), w("Command1"));
}

void MainFormTest::standardButtonsReadChinese() {
    QMessageBox box(QMessageBox::Information, kNotice, QString(), QMessageBox::Ok);
    QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
}

void MainFormTest::captionsFitTheirControls() {
    click("Option4");
    QStringList clipped;
    for (auto* label : form_->findChildren<QLabel*>()) {
        const QFontMetrics metrics(label->font());
        if (metrics.horizontalAdvance(label->text()) > label->width() ||
            metrics.height() > label->height() + 2) {
            clipped << QStringLiteral("%1 (%2x%3 in %4x%5)")
                           .arg(label->objectName())
                           .arg(metrics.horizontalAdvance(label->text()))
                           .arg(metrics.height())
                           .arg(label->width())
                           .arg(label->height());
        }
    }
    for (auto* option : form_->findChildren<QRadioButton*>()) {
        const QStyle* style = option->style();
        const int need = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, option) +
                         style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, option) +
                         option->fontMetrics().horizontalAdvance(option->text());
        if (need > option->width()) clipped << option->objectName();
    }
    for (auto* button : form_->findChildren<QPushButton*>()) {
        const QString widest =
            button->objectName() == "Command5" ? QStringLiteral("导") : button->text();
        if (button->fontMetrics().horizontalAdvance(widest) + 8 > button->width()) {
            clipped << button->objectName();
        }
    }
    for (auto* frame : form_->findChildren<QGroupBox*>()) {
        if (frame->fontMetrics().horizontalAdvance(frame->title()) + 16 > frame->width()) {
            clipped << frame->objectName();
        }
    }
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(", ")));
}

void MainFormTest::continuousThenSingleHidesTheBatchButton() {
    click("Option4");
    QVERIFY(shown("Frame5") && !shown("Frame2") && !shown("Frame4"));
    QVERIFY(shown("Command6") && enabled("Command6") && !shown("Command1"));
    QVERIFY(!enabled("Text5") && !enabled("Command3"));
    // The batch reads the offset and skew angle, so they stay enabled.
    QVERIFY(enabled("Text6") && enabled("Text7"));

    click("Option3");
    QVERIFY(!shown("Frame5") && shown("Frame2") && shown("Frame4"));
    QVERIFY(!shown("Command6") && shown("Command1") && enabled("Command1"));
    QVERIFY(enabled("Text5") && enabled("Text12") && !enabled("Text8") && !enabled("Command3"));
}

void MainFormTest::forwardFromAnyModeRunsTheSinglePointHandler() {
    click("Option4");
    click("Option2");
    click("Option1");
    QVERIFY(!shown("Frame5") && !shown("Command6"));
    QVERIFY(shown("Command1") && enabled("Command1"));
    QVERIFY(enabled("Option3") && enabled("Option4"));
    QVERIFY(checked("Option3") && !checked("Option4") && checked("Option1"));
    QVERIFY(enabled("Text5") && !enabled("Text8") && !enabled("Command3"));
}

void MainFormTest::inverseInContinuousModeKeepsBatchButtonDisabled() {
    click("Option4");
    click("Option2");
    QVERIFY(!shown("Frame5") && shown("Frame2") && shown("Frame4"));
    QVERIFY(!enabled("Option3") && !enabled("Option4"));
    QVERIFY(checked("Option4"));
    QVERIFY(shown("Command6") && !enabled("Command6") && !shown("Command1"));
    for (const char* name : {"Text8", "Text9", "Text10", "Text11", "Command3"}) {
        QVERIFY2(enabled(name), name);
    }
    for (const char* name : {"Text5", "Text6", "Text7", "Text12", "Text13"}) {
        QVERIFY2(!enabled(name), name);
    }
}

void MainFormTest::clearInInverseModeEmptiesInputsOnly() {
    click("Option2");
    setText("Text10", "1500");
    click("Command2");
    for (const char* name :
         {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7", "Text14"}) {
        QVERIFY2(text(name).isEmpty(), name);
    }
    QCOMPARE(text("Text8"), QStringLiteral("9730.643"));
    QCOMPARE(text("Text9"), QStringLiteral("7053.150"));
    QCOMPARE(text("Text10"), QStringLiteral("1500"));
    QCOMPARE(text("Text12"), QStringLiteral("0"));
    QCOMPARE(text("Text15"), QStringLiteral("1000"));
    QCOMPARE(focused(), QStringLiteral("Text1"));
    QVERIFY(enabled("Command3") && !enabled("Text5"));
}

void MainFormTest::forwardButtonComputesAndReportsFailures() {
    click("Command1");
    QCOMPARE(text("Text12"), QStringLiteral("9248.265"));
    QCOMPARE(text("Text13"), QStringLiteral("6921.574"));

    setText("Text6", "5");
    click("Command1");
    QCOMPARE(text("Text12"), QStringLiteral("9246.95"));
    QCOMPARE(text("Text13"), QStringLiteral("6926.398"));
    QVERIFY(desktop_->messages.isEmpty());

    setText("Text5", "999.999");
    click("Command1");
    QCOMPARE(desktop_->messages.size(), 1);
    QCOMPARE(desktop_->messages[0].title, kNotice);
    QCOMPARE(desktop_->messages[0].text, QStringLiteral("计算桩号不能小于起点桩号！"));
    QCOMPARE(focused(), QStringLiteral("Text5"));
    QCOMPARE(text("Text12"), QStringLiteral("9246.95"));
}

void MainFormTest::inverseButtonComputesAndReportsFailures() {
    click("Option2");
    click("Command3");
    QCOMPARE(text("Text10"), QStringLiteral("2000"));
    QCOMPARE(text("Text11"), QStringLiteral("0"));

    setText("Text8", "8665.888");
    setText("Text9", "6789.999");
    click("Command3");
    QCOMPARE(text("Text10"), QStringLiteral("903.525"));
    QCOMPARE(text("Text11"), QStringLiteral("26.315"));

    setText("Text9", "   ");
    click("Command3");
    QCOMPARE(desktop_->messages.size(), 1);
    QCOMPARE(desktop_->messages[0].title, kNotice);
    QCOMPARE(desktop_->messages[0].text, QStringLiteral("请输入反算坐标Y！"));
    QCOMPARE(focused(), QStringLiteral("Text9"));
    QCOMPARE(text("Text10"), QStringLiteral("903.525"));
}

void MainFormTest::batchButtonWritesTableAndReportsFailures() {
    click("Option4");
    click("Command6");
    const QStringList lines = text("Text14").split("\r\n");
    QCOMPARE(lines.size(), 53);  // header, 51 rows, and the empty text after the last CR LF
    QCOMPARE(lines[0] + "\r\n", kHeader);
    QCOMPARE(lines[1], QStringLiteral(" K=1000,P=0,X=8765.888,Y=6789.999"));
    QCOMPARE(lines[51], QStringLiteral(" K=2000,P=0,X=9730.643,Y=7053.15"));
    QCOMPARE(lines[52], QString());
    const QString table = text("Text14");

    setText("Text16", "900");
    click("Command6");
    QCOMPARE(desktop_->messages.size(), 1);
    QCOMPARE(desktop_->messages[0].title, kNotice);
    QCOMPARE(desktop_->messages[0].text, QStringLiteral("起算桩号不能大于止算桩号！"));
    QCOMPARE(focused(), QStringLiteral("Text15"));
    QCOMPARE(text("Text14"), table);

    // Run from code while the batch frame is hidden, a failure cannot point
    // into it: the message is shown and the focus stays where it was.
    click("Option3");
    setText("Text16", "2000");
    setText("Text17", "0");
    w("Text6")->setFocus();
    desktop_->focusMoves.clear();
    w<QPushButton>("Command6")->click();
    QCOMPARE(desktop_->messages.last().text, QStringLiteral("计算步长m值不能≤0！"));
    QVERIFY(desktop_->focusMoves.isEmpty());
    QCOMPARE(focused(), QStringLiteral("Text6"));
}

void MainFormTest::tableFieldKeepsCrLfLineEnds() {
    click("Option4");
    auto* field = w("Text14");
    field->setFocus();
    QTest::keyClick(field, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(field, "abc");
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClicks(field, "d");
    QCOMPARE(text("Text14"), kHeader + "abc\r\nd");
    // A no-break space the user types stays what it is.
    setText("Text14", QStringLiteral("a\u00a0b\nc\r\n"));
    QCOMPARE(text("Text14"), QStringLiteral("a\u00a0b\r\nc\r\n"));
}

void MainFormTest::exportAndImportLineParameters() {
    QTemporaryDir dir;
    const QString path = dir.filePath("线路.txt");
    desktop_->answers = {path, path};
    setText("Text1", "1000.500");
    trigger("occur");
    QCOMPARE(desktop_->fileRequests.size(), 1);
    QCOMPARE(desktop_->fileRequests[0].mode, FileDialogMode::Save);
    QCOMPARE(desktop_->fileRequests[0].filters, QStringList{"文本文件(*.txt)"});
    QCOMPARE(text("txtFileName"), path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 5);
    QVERIFY(lines[0].startsWith("1000.500 "));
    QVERIFY(lines[3].startsWith("15.152555 "));
    QVERIFY(lines[3].endsWith('\r'));

    setText("Text1", "");
    setText("Text2", "abc");
    setText("Text12", "7");
    trigger("enter");
    QCOMPARE(desktop_->fileRequests[1].mode, FileDialogMode::Open);
    QCOMPARE(desktop_->fileRequests[1].filters, QStringList{"文本文件(*.txt)"});
    QCOMPARE(text("Text1"), QStringLiteral("1000.5"));
    QCOMPARE(text("Text2"), QStringLiteral("8765.888"));
    QCOMPARE(text("Text4"), QStringLiteral("15.152555"));
    QCOMPARE(text("Text12"), QStringLiteral("7"));
    QVERIFY(desktop_->messages.isEmpty());
}

void MainFormTest::fileCommandsCancelledChangeNothing() {
    QTemporaryDir dir;
    const QString earlier = dir.filePath("earlier.txt");
    desktop_->answers = {earlier, "", "", ""};
    trigger("occur");
    setText("Text1", "1");
    trigger("enter");
    trigger("occur");
    click("Option4");
    click("Command5");
    QCOMPARE(desktop_->fileRequests.size(), 4);
    QCOMPARE(text("txtFileName"), earlier);
    QCOMPARE(text("Text1"), QStringLiteral("1"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"earlier.txt"});
    QVERIFY(desktop_->messages.isEmpty());
}

void MainFormTest::fileErrorsShowTheirMessageAndKeepFields() {
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.txt");
    const QString unwritable = dir.filePath("no/such/folder.txt");
    desktop_->answers = {missing, unwritable};
    trigger("enter");
    QCOMPARE(text("txtFileName"), missing);
    QCOMPARE(text("Text1"), QStringLiteral("1000"));
    QCOMPARE(desktop_->messages.size(), 1);
    QCOMPARE(desktop_->messages[0].title, kNotice);
    QVERIFY2(desktop_->messages[0].text.contains("missing.txt"),
             qPrintable(desktop_->messages[0].text));

    trigger("occur");
    QCOMPARE(text("txtFileName"), unwritable);
    QCOMPARE(desktop_->messages.size(), 2);
    QVERIFY2(desktop_->messages[1].text.contains("folder.txt"),
             qPrintable(desktop_->messages[1].text));
    QVERIFY(desktop_->messages[1].text.endsWith(QStringLiteral("！")));
}

void MainFormTest::reportWritesTableAsTheFieldHoldsIt() {
    QTemporaryDir dir;
    const QString empty = dir.filePath("empty.txt");
    const QString typed = dir.filePath("typed.txt");
    desktop_->answers = {empty, typed};
    click("Option4");
    click("Command2");
    click("Command5");
    QCOMPARE(desktop_->fileRequests[0].mode, FileDialogMode::Save);
    QCOMPARE(desktop_->fileRequests[0].filters, QStringList({"文本文件(*.txt)", "所有文件(*.*)"}));
    QCOMPARE(text("txtFileName"), empty);
    QCOMPARE(QFileInfo(empty).size(), 96);

    setText("Text14", kHeader + " K=1000,P=0\nmy note");
    click("Command5");
    QFile file(typed);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.contains("Y\r\n K=1000,P=0\r\nmy note\r\n\r\n\r\n"));
    QVERIFY(!bytes.contains("0\nmy"));
}

QStringList MainFormTest::tabCycle() const {
    QStringList stops;
    w("Text1")->setFocus();
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (focused() == "Text1") break;
        stops << focused();
    }
    return stops;
}

void MainFormTest::tabOrderFollowsTheWorkingMode() {
    QCOMPARE(tabCycle(),
             QStringList({"Text2", "Text3", "Text4", "Command1", "Command2", "Command4", "Text5",
                          "Text6", "Text7", "Option3", "Text12", "Text13", "Option1"}));
    click("Option4");
    QCOMPARE(tabCycle(), QStringList({"Text2", "Text3", "Text4", "Command2", "Command4", "Text6",
                                      "Text7", "Option4", "Text14", "Command5", "Option1", "Text15",
                                      "Text16", "Text17", "Command6"}));
    click("Option2");
    QCOMPARE(tabCycle(), QStringList({"Text2", "Text3", "Text4", "Command2", "Command3", "Command4",
                                      "Option2", "Text10", "Text11", "Text8", "Text9"}));
    // The arrow keys select the other option of the pair, running its handler.
    w("Option2")->setFocus();
    QTest::keyClick(w("Option2"), Qt::Key_Left);
    QCOMPARE(focused(), QStringLiteral("Option1"));
    QVERIFY(checked("Option1") && checked("Option3"));
    QVERIFY(!enabled("Command3") && enabled("Text5"));
}

void MainFormTest::exitClosesEveryWindow() {
    QWidget other;
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    click("Command4");
    QVERIFY(!form_->isVisible());
    QVERIFY(!other.isVisible());

    form_->show();
    other.show();
    trigger("Esc");
    QVERIFY(!form_->isVisible());
    QVERIFY(!other.isVisible());
}

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
