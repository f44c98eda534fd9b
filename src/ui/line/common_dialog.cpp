#include "ui/line/common_dialog.h"

#include <QWidget>

namespace korvane::ui {

CommonDialog::CommonDialog(Desktop& desktop, QWidget* owner)
    : QObject(owner), desktop_(desktop), owner_(owner) {
    setObjectName(QStringLiteral("CDg1"));
}

QString CommonDialog::show(FileDialogMode mode) {
    mode_ = mode;
    fileName_ = desktop_.chooseFile(owner_, mode, filters_);
    return fileName_;
}

}  // namespace korvane::ui
