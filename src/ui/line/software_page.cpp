#include "ui/line/software_page.h"

#include <QString>
#include <QUrl>

#include "ui/common/desktop.h"
#include "ui/line/maker.h"

namespace korvane::ui {

void openSoftwarePage(Desktop& desktop, QWidget* parent) {
    const QString page = QString::fromUtf16(maker::kSoftwarePage);
    if (!desktop.openUrl(QUrl(page))) {
        desktop.showInformation(parent, noticeTitle(),
                                QStringLiteral("无法打开网页，请在浏览器中访问 %1 ！").arg(page));
    }
}

}  // namespace korvane::ui
