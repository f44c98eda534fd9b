#include "ui/common/desktop.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QWidget>

namespace korvane::ui {

void QtDesktop::showInformation(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    box.exec();
}

QString QtDesktop::chooseFile(QWidget* parent, FileDialogMode mode, const QStringList& filters) {
    // No caption, folder, default suffix or preselected filter: the dialog's own defaults.
    const QString filter = filters.join(QStringLiteral(";;"));
    if (mode == FileDialogMode::Open) {
        return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
    }
    return QFileDialog::getSaveFileName(parent, QString(), QString(), filter);
}

bool QtDesktop::askYesNo(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, noticeTitle(), text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtDesktop::moveFocus(QWidget* widget) {
    // A hidden or disabled widget cannot hold the focus; leave it where it is.
    if (widget == nullptr || !widget->isEnabled() || !widget->isVisible()) return;
    widget->setFocus(Qt::OtherFocusReason);
}

UnsavedChoice QtDesktop::askUnsaved(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, noticeTitle(), text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
        case QMessageBox::Save:
            return UnsavedChoice::Save;
        case QMessageBox::Discard:
            return UnsavedChoice::Discard;
        default:
            return UnsavedChoice::Cancel;
    }
}

QString QtDesktop::chooseItem(QWidget* parent, const QString& label, const QStringList& items) {
    bool ok = false;
    const QString item = QInputDialog::getItem(parent, noticeTitle(), label, items, 0, false, &ok);
    return ok ? item : QString();
}

QString QtDesktop::findProgram(const QString& program) {
    return QStandardPaths::findExecutable(program);
}

bool QtDesktop::startProgram(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

bool QtDesktop::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace korvane::ui
