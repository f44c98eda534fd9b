// The main window's file dialog component, `CDg1`.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "ui/common/desktop.h"

class QWidget;

namespace korvane::ui {

// Holds the list of file types and the dialog's mode, shows the desktop's file
// dialog and keeps the path chosen in the last showing. The commands that use
// it set its file types before every showing.
class CommonDialog : public QObject {
    Q_OBJECT
    Q_PROPERTY(QStringList filters READ filters WRITE setFilters)
    Q_PROPERTY(QString fileName READ fileName)

  public:
    CommonDialog(Desktop& desktop, QWidget* owner);

    // File types as "description(patterns)", in the order they are offered.
    QStringList filters() const { return filters_; }
    void setFilters(const QStringList& filters) { filters_ = filters; }

    FileDialogMode mode() const { return mode_; }

    // Shows the modal dialog for opening or saving and returns the full path
    // chosen, empty when the user cancelled. fileName() holds it afterwards.
    QString showOpen() { return show(FileDialogMode::Open); }
    QString showSave() { return show(FileDialogMode::Save); }

    QString fileName() const { return fileName_; }

  private:
    QString show(FileDialogMode mode);

    Desktop& desktop_;
    QWidget* owner_;
    QStringList filters_;
    FileDialogMode mode_ = FileDialogMode::Open;
    QString fileName_;
};

}  // namespace korvane::ui
