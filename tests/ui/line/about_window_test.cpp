// The About window: its controls, its click map and the single instance.
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QTest>

#include "fake_desktop.h"
#include "ui/line/about_window.h"
#include "ui/line/tools.h"

using korvane::ui::AAbout;
using korvane::ui::Tools;
using korvane::ui::testing::FakeDesktop;

namespace {

const QUrl kSoftwarePage(QStringLiteral("https://korvane.example.org/soft"));

// Clicks at `pos` of the window's client area through the window system, so
// that the click reaches whatever control lies in front there.
void clickAt(QWidget* window, QPoint pos) {
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, pos);
}

// Lets deferred deletions run.
void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

}  // namespace

class AboutWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() {
        for (QWidget* widget : QApplication::topLevelWidgets()) delete widget;
    }

    void controlsAreLaidOutAsDesigned() {
        FakeDesktop desktop;
        AAbout about(desktop);
        QCOMPARE(about.windowTitle(), QStringLiteral("关于"));
        QCOMPARE(about.objectName(), QStringLiteral("AAbout"));
        QVERIFY(about.parentWidget() == nullptr);
        QCOMPARE(about.size(), QSize(291, 210));

        struct Expected {
            const char* name;
            const char* parent;
            QRect geometry;  // pixels: twips / 15
            QString text;
        };
        const Expected expected[] = {
            {"Frame1", "AAbout", {42, 62, 215, 83}, "关于"},
            {"Label2",
             "Frame1",
             {22, 24, 178, 41},
             "1、本软件为Korvane。2、附有正算、反算功能。     3、可进行数据导入、导出操作。"},
            {"Shape1", "AAbout", {0, 0, 291, 209}, {}},
            {"Label7", "AAbout", {42, 188, 200, 13}, "网址：korvane.example.org/soft"},
            {"Label5", "AAbout", {43, 168, 120, 13}, "邮箱：kv@kv.test"},
            {"Label4", "AAbout", {45, 39, 167, 13}, "© 2026 Korvane 开发组 · MIT 许可"},
            {"AAbout", "AAbout", {46, 18, 100, 13}, "版本：V 1.2"},
            {"Label6", "AAbout", {44, 149, 120, 13}, "QQ：10000"},
            {"Label1", "AAbout", {4, 6, 288, 196}, ""},
        };
        for (const Expected& e : expected) {
            QWidget* widget = about.findChild<QWidget*>(QString::fromLatin1(e.name));
            QVERIFY2(widget, e.name);
            QCOMPARE(widget->parentWidget()->objectName(), QString::fromLatin1(e.parent));
            QCOMPARE(widget->geometry(), e.geometry);
            if (auto* label = qobject_cast<QLabel*>(widget)) QCOMPARE(label->text(), e.text);
            if (auto* frame = qobject_cast<QGroupBox*>(widget)) QCOMPARE(frame->title(), e.text);
        }
        QVERIFY(about.findChild<QLabel*>("Label2")->wordWrap());

        // Front to back as listed: Qt paints later siblings in front.
        const QStringList frontToBack = {"Frame1", "Shape1", "Label7", "Label5",
                                         "Label4", "AAbout", "Label6", "Label1"};
        QStringList backToFront;
        for (QObject* child : about.children())
            if (child->isWidgetType()) backToFront.prepend(child->objectName());
        QCOMPARE(backToFront, frontToBack);
    }

    void clickableLabelsOpenThePageAndClose_data() {
        QTest::addColumn<QPoint>("pos");
        QTest::newRow("Label1 beside the frame") << QPoint(20, 100);
        QTest::newRow("Label1 below the e-mail line") << QPoint(270, 182);
        QTest::newRow("Label2 inside the frame") << QPoint(150, 110);
        QTest::newRow("Label4") << QPoint(100, 45);
        QTest::newRow("Label5") << QPoint(80, 174);
        QTest::newRow("Label6") << QPoint(80, 155);
        QTest::newRow("Label7") << QPoint(150, 194);
    }
    void clickableLabelsOpenThePageAndClose() {
        QFETCH(QPoint, pos);
        FakeDesktop desktop;
        QPointer<AAbout> about = new AAbout(desktop);
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        clickAt(about, pos);
        QCOMPARE(desktop.openedUrls, QList<QUrl>{kSoftwarePage});
        QVERIFY(desktop.messages.isEmpty());
        settle();
        QVERIFY(about.isNull());
    }

    void otherClicksDoNothing_data() {
        QTest::addColumn<QPoint>("pos");
        QTest::newRow("version label") << QPoint(80, 24);
        QTest::newRow("frame caption") << QPoint(50, 66);
        QTest::newRow("frame below the description") << QPoint(60, 135);
        QTest::newRow("frame beside the description") << QPoint(250, 110);
        QTest::newRow("top-left margin") << QPoint(2, 2);
        QTest::newRow("bottom-right margin") << QPoint(290, 208);
    }
    void otherClicksDoNothing() {
        QFETCH(QPoint, pos);
        FakeDesktop desktop;
        QPointer<AAbout> about = new AAbout(desktop);
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        clickAt(about, pos);
        settle();
        QVERIFY(!about.isNull());
        QVERIFY(about->isVisible());
        QVERIFY(desktop.openedUrls.isEmpty());
        QVERIFY(desktop.messages.isEmpty());
    }

    void linkWithoutBrowserSaysSoAndStillCloses() {
        FakeDesktop desktop;
        desktop.opensUrls = false;
        QPointer<AAbout> about = new AAbout(desktop);
        const QWidget* window = about;  // only compared: the window may be gone already
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        clickAt(about, QPoint(150, 194));
        QCOMPARE(desktop.messages.size(), 1);
        QVERIFY(desktop.messages[0].parent == window);
        QCOMPARE(
            desktop.messages[0].text,
            QStringLiteral("无法打开网页，请在浏览器中访问 https://korvane.example.org/soft ！"));
        settle();
        QVERIFY(about.isNull());
    }

    // Help › About while the window is open shows the same window; after a
    // link has closed it, the next Help › About builds a fresh one.
    void aboutIsASingleWindow() {
        FakeDesktop desktop;
        QWidget mainWindow;
        Tools tools(desktop, &mainWindow);
        tools.about();
        QPointer<AAbout> first = tools.aboutWindow();
        QVERIFY(first);
        QVERIFY(QTest::qWaitForWindowExposed(first));
        first->showMinimized();
        tools.about();
        QCOMPARE(tools.aboutWindow(), first.data());
        QVERIFY(first->isVisible());
        QVERIFY(!first->isMinimized());
        int abouts = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<AAbout*>(widget)) ++abouts;
        QCOMPARE(abouts, 1);

        clickAt(first, QPoint(20, 100));
        settle();
        QVERIFY(first.isNull());
        QVERIFY(tools.aboutWindow() == nullptr);
        tools.about();
        QVERIFY(tools.aboutWindow() != nullptr);
    }
};

QTEST_MAIN(AboutWindowTest)
#include "about_window_test.moc"
