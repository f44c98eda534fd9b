// A desktop that records what the windows ask of it and answers from a script.
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVector>

#include "ui/desktop.h"

namespace korvane::ui::testing {

class FakeDesktop final : public Desktop {
public:
    struct Message {
        QWidget* parent;
        QString title;
        QString text;
    };
    struct Start {
        QString program;
        QStringList arguments;
    };

    // Programs found on the search path, as "/usr/bin/<name>".
    QSet<QString> installed;
    // Found programs that nevertheless fail to start.
    QSet<QString> broken;
    // Whether openUrl succeeds.
    bool opensUrls = true;
    // Answers for chooseFile, taken from the front; empty means cancel.
    QStringList chosenFiles;

    QVector<Message> messages;
    QVector<Start> starts;
    QVector<QUrl> openedUrls;
    QVector<QWidget*> focusMoves;

    void showInformation(QWidget* parent, const QString& title, const QString& text) override {
        messages.push_back({parent, title, text});
    }
    QString chooseFile(QWidget*, FileDialogMode, const QStringList&) override {
        return chosenFiles.isEmpty() ? QString() : chosenFiles.takeFirst();
    }
    void moveFocus(QWidget* widget) override { focusMoves.push_back(widget); }
    QString findProgram(const QString& program) override {
        return installed.contains(program) ? QStringLiteral("/usr/bin/") + program : QString();
    }
    bool startProgram(const QString& program, const QStringList& arguments) override {
        if (broken.contains(program.section(QLatin1Char('/'), -1))) return false;
        starts.push_back({program, arguments});
        return true;
    }
    bool openUrl(const QUrl& url) override {
        if (!opensUrls) return false;
        openedUrls.push_back(url);
        return true;
    }
};

}  // namespace korvane::ui::testing
