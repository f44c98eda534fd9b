// The program's application object: a save from the window beyond the
// file-size limit (a real RLIMIT_FSIZE, in a child process) is a message, not
// the end of the window; an event handler that runs out of memory is a
// message too, and the window goes on.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <new>

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "fake_desktop.h"
#include "ui/common/application.h"
#include "ui/line/main_form.h"

using korvane::ui::Application;
using korvane::ui::MainForm;
using korvane::ui::testing::FakeDesktop;

namespace {

// An object whose event handler runs out of memory.
class Hungry final : public QObject {
  public:
    bool event(QEvent*) override { throw std::bad_alloc(); }
};

}  // namespace

class ApplicationTest : public QObject {
    Q_OBJECT

  private slots:
    void exportBeyondTheFileSizeLimitIsReported();
    void anEventHandlerOutOfMemoryIsReported();
};

void ApplicationTest::exportBeyondTheFileSizeLimitIsReported() {
    QTemporaryDir dir;
    const QString path = dir.filePath("line.txt");
    FakeDesktop desktop;
    desktop.answers = {path};
    MainForm form(desktop);
    form.findChild<QLineEdit*>("Text1")->setText(QString(4000, '1'));

    const pid_t pid = ::fork();
    if (pid == 0) {
        rlimit r{1024, 1024};
        if (::setrlimit(RLIMIT_FSIZE, &r) != 0) ::_exit(100);
        form.findChild<QAction*>("occur")->trigger();
        const bool reported =
            desktop.messages.size() == 1 &&
            desktop.messages[0].text == "无法保存文件“" + path + "”：文件超出了允许的大小！";
        ::_exit(reported ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(::waitpid(pid, &status, 0), pid);
    QVERIFY2(WIFEXITED(status), "the window was killed by a signal");
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{});
}

void ApplicationTest::anEventHandlerOutOfMemoryIsReported() {
    auto* app = static_cast<Application*>(QCoreApplication::instance());
    QStringList shown;
    const auto earlier = app->outOfMemory;
    app->outOfMemory = [&](const QString& message) { shown.append(message); };
    Hungry hungry;
    QEvent event(QEvent::User);
    QCOMPARE(QCoreApplication::sendEvent(&hungry, &event), false);
    app->outOfMemory = earlier;
    QCOMPARE(shown, QStringList{QStringLiteral("内存不足，无法完成这项操作！")});
}

int main(int argc, char** argv) {
    Application app(argc, argv);
    ApplicationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "application_test.moc"
