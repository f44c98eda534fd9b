// The seam between the windows and the desktop they run on.
//
// Everything the windows ask of the desktop that a test cannot watch or answer
// by itself goes through this interface: modal message boxes, the file dialog,
// moving the keyboard focus, starting other programs and opening web pages or
// documents. The program uses QtDesktop; tests pass a recording fake.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

namespace korvane::ui {

// The title of every message box the program shows ("notice").
inline QString noticeTitle() {
    return QStringLiteral("提示");
}

enum class FileDialogMode { Open, Save };

class Desktop {
  public:
    virtual ~Desktop() = default;

    // A modal information box with the given title and text and only an OK
    // button; returns once it has been closed.
    virtual void showInformation(QWidget* parent, const QString& title, const QString& text) = 0;

    // A modal open or save dialog offering `filters` (such as "文本文件(*.txt)")
    // in this order. Returns the full path chosen, or an empty string on cancel.
    virtual QString chooseFile(QWidget* parent, FileDialogMode mode,
                               const QStringList& filters) = 0;

    // Moves the keyboard focus into `widget`.
    virtual void moveFocus(QWidget* widget) = 0;

    // The full path of `program` found on the search path, or an empty string.
    virtual QString findProgram(const QString& program) = 0;

    // Starts a program without waiting for it. False when it could not be started.
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;

    // Opens a web address in the user's browser, or a local file (file: URL) in
    // the desktop's default application for it. False when nothing opened it.
    virtual bool openUrl(const QUrl& url) = 0;
};

// The real desktop, through Qt: QMessageBox, QFileDialog, QWidget::setFocus,
// QStandardPaths::findExecutable, QProcess::startDetached, QDesktopServices.
class QtDesktop final : public Desktop {
  public:
    void showInformation(QWidget* parent, const QString& title, const QString& text) override;
    QString chooseFile(QWidget* parent, FileDialogMode mode, const QStringList& filters) override;
    void moveFocus(QWidget* widget) override;
    QString findProgram(const QString& program) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    bool openUrl(const QUrl& url) override;
};

}  // namespace korvane::ui
