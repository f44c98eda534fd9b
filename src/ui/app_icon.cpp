#include "ui/app_icon.h"

namespace korvane::ui {

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 256})
        icon.addFile(QStringLiteral(":/icons/korvane-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace korvane::ui
