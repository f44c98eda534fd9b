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

// The answer to "save the changes first?" before they would be lost.
enum class UnsavedChoice { Save, Discard, Cancel };

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

    // A modal question with the buttons 保存, 不保存 and 取消, asked before
    // unsaved changes would be lost.
    virtual UnsavedChoice askUnsaved(QWidget* parent, const QString& text) = 0;

    // A modal question with the buttons 是 and 否 (否 the default), asked
    // before something the user made is replaced. True for 是.
    virtual bool askYesNo(QWidget* parent, const QString& text) = 0;

    // A modal choice of one of `items` (never empty), with `label` above the
    // list. Returns the item chosen, or an empty string on cancel.
    virtual QString chooseItem(QWidget* parent, const QString& label, const QStringList& items) = 0;

    // The full path of `program` found on the search path, or an empty string.
    virtual QString findProgram(const QString& program) = 0;

    // Starts a program without waiting for it. False when it could not be started.
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;

    // Opens a web address in the user's browser, or a local file (file: URL) in
    // the desktop's default application for it. False when nothing opened it.
    virtual bool openUrl(const QUrl& url) = 0;
};

// The real desktop, through Qt: QMessageBox, QFileDialog, QWidget::setFocus,
// QInputDialog, QStandardPaths::findExecutable, QProcess::startDetached, QDesktopServices.
class QtDesktop final : public Desktop {
  public:
    void showInformation(QWidget* parent, const QString& title, const QString& text) override;
    QString chooseFile(QWidget* parent, FileDialogMode mode, const QStringList& filters) override;
    void moveFocus(QWidget* widget) override;
    UnsavedChoice askUnsaved(QWidget* parent, const QString& text) override;
    bool askYesNo(QWidget* parent, const QString& text) override;
    QString chooseItem(QWidget* parent, const QString& label, const QStringList& items) override;
    QString findProgram(const QString& program) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    bool openUrl(const QUrl& url) override;
};

}  // namespace korvane::ui
