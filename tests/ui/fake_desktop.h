// A desktop that records what the window asks of it and answers file dialogs
// from a queue, so the window's tests run without any modal dialog.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "ui/desktop.h"

namespace korvane::ui::testing {

class FakeDesktop final : public Desktop {
  public:
    struct Message {
        QString title;
        QString text;
    };
    struct FileRequest {
        FileDialogMode mode;
        QStringList filters;
    };

    QList<Message> messages;
    QList<FileRequest> fileRequests;
    QStringList answers;     // paths the file dialog returns, in turn ("" = cancel)
    QStringList focusMoves;  // objectName of each widget the focus was moved to

    void showInformation(QWidget*, const QString& title, const QString& text) override {
        messages.append({title, text});
    }
    QString chooseFile(QWidget*, FileDialogMode mode, const QStringList& filters) override {
        fileRequests.append({mode, filters});
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    void moveFocus(QWidget* widget) override {
        focusMoves.append(widget->objectName());
        widget->setFocus(Qt::OtherFocusReason);
    }
    QString findProgram(const QString&) override { return {}; }
    bool startProgram(const QString&, const QStringList&) override { return false; }
    bool openUrl(const QUrl&) override { return false; }
};

}  // namespace korvane::ui::testing
