#include "ui/common/app_icon.h"

// The images live in a static library: nothing would pull their resource into
// a program unless it is initialised by name. The macro must stand outside any
// namespace.
static void initIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace korvane::ui {

QIcon appIcon() {
    initIcons();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 256})
        icon.addFile(QStringLiteral(":/icons/korvane-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace korvane::ui
