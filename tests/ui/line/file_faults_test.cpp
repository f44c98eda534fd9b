// The file commands of the main window when the disk fails under them: the
// failure is shown in one message box, no field changes (only the hidden path
// field records the chosen path), the earlier file keeps every byte and no
// temporary file is left in its folder. The failures are injected into the
// data-file library's system calls.
#include <cerrno>
#include <functional>
#include <memory>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "files/system_calls.h"
#include "ui/common/desktop.h"
#include "ui/line/main_form.h"

using korvane::files::detail::system_calls;
using korvane::files::detail::SystemCalls;
using korvane::ui::FileDialogMode;
using korvane::ui::MainForm;

namespace {

// A desktop whose file dialog answers one path and then runs `afterChoice`
// (to make the file vanish before the window opens it).
class ScriptedDesktop final : public korvane::ui::Desktop {
  public:
    QString answer;
    std::function<void()> afterChoice;
    QStringList messages;  // "title|text"

    void showInformation(QWidget*, const QString& title, const QString& text) override {
        messages.append(title + '|' + text);
    }
    QString chooseFile(QWidget*, FileDialogMode, const QStringList&) override {
        if (afterChoice) afterChoice();
        return answer;
    }
    void moveFocus(QWidget* widget) override { widget->setFocus(); }
    korvane::ui::UnsavedChoice askUnsaved(QWidget*, const QString&) override {
        return korvane::ui::UnsavedChoice::Cancel;
    }
    bool askYesNo(QWidget*, const QString&) override { return false; }
    QString chooseItem(QWidget*, const QString&, const QStringList&) override { return {}; }
    QString findProgram(const QString&) override { return {}; }
    bool startProgram(const QString&, const QStringList&) override { return false; }
    bool openUrl(const QUrl&) override { return false; }
};

SystemCalls real;
int injectedError = 0;
size_t acceptedBytes = 0;

ssize_t fullDiskWrite(int fd, const void* data, size_t size) {
    if (acceptedBytes == 0) {
        errno = injectedError;
        return -1;
    }
    const ssize_t n = real.write(fd, data, std::min(size, acceptedBytes));
    if (n > 0) acceptedBytes -= static_cast<size_t>(n);
    return n;
}
int failingRename(const char*, const char*) {
    errno = injectedError;
    return -1;
}
int failingFsync(int) {
    errno = injectedError;
    return -1;
}
ssize_t failingRead(int, void*, size_t) {
    errno = injectedError;
    return -1;
}

const QByteArray kEarlier =
    "2000                \xC6\xF0\xB5\xE3\xD7\xAE\xBA\xC5K\r\n"
    "1                   x\r\n2                   y\r\n3                   z\r\n";

}  // namespace

class FileFaultsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void exportOnAFullDisk();
    void exportWhoseFlushFails();
    void reportWhoseRenameFails();
    void importWithAReadError();
    void importOfAFileThatVanishedAfterTheDialog();

  private:
    QStringList fieldTexts() const {
        QStringList texts;
        for (int i = 1; i <= korvane::form::kFieldCount; ++i) {
            texts.append(form_->fieldText(static_cast<korvane::form::Field>(i)));
        }
        return texts;
    }
    QString pathField() const { return form_->findChild<QLineEdit*>("txtFileName")->text(); }
    void run(const std::function<void()>& command, const QString& expectedMessage);

    std::unique_ptr<QTemporaryDir> dir_;
    QString earlier_;
    std::unique_ptr<ScriptedDesktop> desktop_;
    std::unique_ptr<MainForm> form_;
};

void FileFaultsTest::init() {
    real = system_calls();
    dir_ = std::make_unique<QTemporaryDir>();
    earlier_ = dir_->filePath("earlier.txt");
    QFile file(earlier_);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(kEarlier);
    file.close();
    desktop_ = std::make_unique<ScriptedDesktop>();
    desktop_->answer = earlier_;
    form_ = std::make_unique<MainForm>(*desktop_);
    form_->show();
}

void FileFaultsTest::cleanup() {
    system_calls() = real;
    form_.reset();
}

// Runs a file command under the injected failure and checks what it leaves.
void FileFaultsTest::run(const std::function<void()>& command, const QString& expectedMessage) {
    const QStringList before = fieldTexts();
    command();
    system_calls() = real;

    QCOMPARE(desktop_->messages, QStringList{QStringLiteral("提示|") + expectedMessage});
    QCOMPARE(fieldTexts(), before);
    QCOMPARE(pathField(), earlier_);
    QFile file(earlier_);
    if (file.exists()) {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), kEarlier);
        QCOMPARE(
            QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{"earlier.txt"});
    } else {
        QCOMPARE(
            QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{});
    }
}

void FileFaultsTest::exportOnAFullDisk() {
    injectedError = ENOSPC;
    acceptedBytes = 30;
    system_calls().write = fullDiskWrite;
    run([&] { form_->findChild<QAction*>("occur")->trigger(); },
        "无法保存文件“" + earlier_ + "”：磁盘空间不足！");
}

void FileFaultsTest::exportWhoseFlushFails() {
    injectedError = EIO;
    system_calls().fsync = failingFsync;
    run([&] { form_->findChild<QAction*>("occur")->trigger(); },
        "无法保存文件“" + earlier_ + "”：磁盘读写出错！");
}

void FileFaultsTest::reportWhoseRenameFails() {
    QTest::mouseClick(form_->findChild<QWidget*>("Option4"), Qt::LeftButton);
    QTest::mouseClick(form_->findChild<QWidget*>("Command6"), Qt::LeftButton);  // a table to write
    injectedError = EIO;
    system_calls().rename = failingRename;
    run([&] { QTest::mouseClick(form_->findChild<QWidget*>("Command5"), Qt::LeftButton); },
        "无法保存文件“" + earlier_ + "”：磁盘读写出错！");
}

void FileFaultsTest::importWithAReadError() {
    injectedError = EIO;
    system_calls().read = failingRead;
    run([&] { form_->findChild<QAction*>("enter")->trigger(); },
        "无法读取文件“" + earlier_ + "”：磁盘读写出错！");
}

void FileFaultsTest::importOfAFileThatVanishedAfterTheDialog() {
    desktop_->afterChoice = [&] { QFile::remove(earlier_); };
    run([&] { form_->findChild<QAction*>("enter")->trigger(); },
        "无法读取文件“" + earlier_ + "”：文件不存在！");
}

QTEST_MAIN(FileFaultsTest)
#include "file_faults_test.moc"
