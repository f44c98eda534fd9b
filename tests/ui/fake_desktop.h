// A desktop that records what the windows ask of it and answers from a
// script: file dialogs from a queue, programs from a list of installed ones,
// web pages and documents as told. The tests run without any modal dialog and
// without starting anything.
#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include "ui/common/desktop.h"

namespace korvane::ui::testing {

class FakeDesktop final : public Desktop {
  public:
    struct Message {
        QString title;
        QString text;
        QWidget* parent;
    };
    struct FileRequest {
        FileDialogMode mode;
        QStringList filters;
    };
    struct Start {
        QString program;
        QStringList arguments;
    };

    QList<Message> messages;
    QList<FileRequest> fileRequests;
    QStringList answers;     // paths the file dialog returns, in turn ("" = cancel)
    QStringList focusMoves;  // objectName of each widget the focus was moved to

    QStringList questions;                // texts of the unsaved-changes questions asked
    QList<UnsavedChoice> unsavedAnswers;  // their answers in turn (none left: Cancel)
    QStringList yesNoQuestions;           // texts of the yes/no questions asked
    QList<bool> yesNoAnswers;             // their answers in turn (none left: 否)
    QList<QStringList> itemRequests;      // the lists offered by chooseItem
    QStringList itemAnswers;              // its answers in turn (none left: cancel)

    QSet<QString> installed;  // programs found on the search path, as /usr/bin/<name>
    QSet<QString> broken;     // found programs that nevertheless fail to start
    bool opensUrls = true;    // whether web pages and documents open
    QList<Start> starts;
    QList<QUrl> openedUrls;

    void showInformation(QWidget* parent, const QString& title, const QString& text) override {
        messages.append({title, text, parent});
    }
    QString chooseFile(QWidget*, FileDialogMode mode, const QStringList& filters) override {
        fileRequests.append({mode, filters});
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    void moveFocus(QWidget* widget) override {
        focusMoves.append(widget->objectName());
        widget->setFocus(Qt::OtherFocusReason);
    }
    UnsavedChoice askUnsaved(QWidget*, const QString& text) override {
        questions.append(text);
        return unsavedAnswers.isEmpty() ? UnsavedChoice::Cancel : unsavedAnswers.takeFirst();
    }
    bool askYesNo(QWidget*, const QString& text) override {
        yesNoQuestions.append(text);
        return !yesNoAnswers.isEmpty() && yesNoAnswers.takeFirst();
    }
    QString chooseItem(QWidget*, const QString&, const QStringList& items) override {
        itemRequests.append(items);
        return itemAnswers.isEmpty() ? QString() : itemAnswers.takeFirst();
    }
    QString findProgram(const QString& program) override {
        return installed.contains(program) ? QStringLiteral("/usr/bin/") + program : QString();
    }
    bool startProgram(const QString& program, const QStringList& arguments) override {
        if (broken.contains(program.section(QLatin1Char('/'), -1))) return false;
        starts.append({program, arguments});
        return true;
    }
    bool openUrl(const QUrl& url) override {
        if (!opensUrls) return false;
        openedUrls.append(url);
        return true;
    }
};

}  // namespace korvane::ui::testing
