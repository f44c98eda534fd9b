// The Tools and Help menus of the real main window, and how the main window
// and the About window end: exit commands end both, the window's own close
// control leaves the About window running the program.
#include <functional>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "fake_desktop.h"
#include "ui/line/about_window.h"
#include "ui/line/main_form.h"

using korvane::ui::AAbout;
using korvane::ui::MainForm;
using korvane::ui::testing::FakeDesktop;

namespace {

void trigger(QWidget& window, const char* action) {
    auto* item = window.findChild<QAction*>(QLatin1String(action));
    QVERIFY2(item, action);
    item->trigger();
}

AAbout* openAbout() {
    AAbout* found = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* about = qobject_cast<AAbout*>(window); about && about->isVisible()) {
            if (found) return nullptr;  // more than one
            found = about;
        }
    return found;
}

// Runs the event loop with `steps` queued on it, and tells whether the
// program ended by itself within five seconds.
bool programEnds(const std::function<void()>& steps) {
    bool timedOut = false;
    QTimer::singleShot(0, steps);
    QTimer::singleShot(5000, [&] {
        timedOut = true;
        QApplication::closeAllWindows();
        QCoreApplication::exit(1);
    });
    QApplication::exec();
    return !timedOut;
}

}  // namespace

class WindowLifetimeTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        QVERIFY(tempDir_.isValid());
        qputenv("TMPDIR", QFile::encodeName(tempDir_.path()));
    }
    void cleanup() {
        qunsetenv("TMPDIR");
        for (QWidget* widget : QApplication::topLevelWidgets()) delete widget;
    }

    void menuItemsRunTheirCommands() {
        FakeDesktop desktop;
        desktop.installed = {"galculator"};
        MainForm form(desktop);
        form.show();
        const QString text1 = form.findChild<QLineEdit*>("Text1")->text();

        trigger(form, "Casio");
        QCOMPARE(desktop.starts.size(), 1);
        QCOMPARE(desktop.starts[0].program, QStringLiteral("/usr/bin/galculator"));

        trigger(form, "Book");
        QCOMPARE(desktop.openedUrls.size(), 1);
        QVERIFY(desktop.openedUrls[0].isLocalFile());
        QVERIFY(desktop.openedUrls[0].toLocalFile().startsWith(tempDir_.path()));

        trigger(form, "tohelp");
        QCOMPARE(desktop.openedUrls.size(), 2);
        QCOMPARE(desktop.openedUrls[1], QUrl(QStringLiteral("https://korvane.example.org/soft")));

        trigger(form, "about");
        QPointer<AAbout> about = openAbout();
        QVERIFY(about);
        QVERIFY(about->parentWidget() == nullptr);
        trigger(form, "about");
        QCOMPARE(openAbout(), about.data());

        QVERIFY(desktop.messages.isEmpty());
        QCOMPARE(form.findChild<QLineEdit*>("Text1")->text(), text1);
    }

    void exitEndsTheProgramWithTheAboutWindow_data() {
        QTest::addColumn<bool>("button");
        QTest::newRow("Command4") << true;
        QTest::newRow("File › Esc") << false;
    }
    void exitEndsTheProgramWithTheAboutWindow() {
        QFETCH(bool, button);
        FakeDesktop desktop;
        MainForm form(desktop);
        form.show();
        trigger(form, "about");
        QPointer<AAbout> about = openAbout();
        QVERIFY(about);
        QVERIFY(programEnds([&] {
            if (button)
                QTest::mouseClick(form.findChild<QPushButton*>("Command4"), Qt::LeftButton);
            else
                trigger(form, "Esc");
        }));
        QVERIFY(about.isNull());
        QVERIFY(!form.isVisible());
    }

    void closingTheMainWindowLeavesTheAboutWindowRunning() {
        FakeDesktop desktop;
        MainForm form(desktop);
        form.show();
        trigger(form, "about");
        QPointer<AAbout> about = openAbout();
        QVERIFY(about);
        bool runningAfterMainClosed = false;
        QVERIFY(programEnds([&] {
            form.close();
            QTimer::singleShot(100, [&] {
                // Still in the event loop, with only the About window left.
                runningAfterMainClosed = about && about->isVisible();
                if (about) about->close();
            });
        }));
        QVERIFY(runningAfterMainClosed);
        QVERIFY(!form.isVisible());
    }

  private:
    QTemporaryDir tempDir_;
};

QTEST_MAIN(WindowLifetimeTest)
#include "window_lifetime_test.moc"
