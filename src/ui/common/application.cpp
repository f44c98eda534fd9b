#include "ui/common/application.h"

#include <new>

#include "files/startup.h"
#include "ui/common/desktop.h"

namespace korvane::ui {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    files::prepare_for_file_writing();
    outOfMemory = [](const QString& message) {
        QtDesktop desktop;
        desktop.showInformation(QApplication::activeWindow(), noticeTitle(), message);
    };
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        if (outOfMemory)
            outOfMemory(QString::fromUtf8(files::kOutOfMemory.data(),
                                          static_cast<qsizetype>(files::kOutOfMemory.size())));
        return false;
    }
}

}  // namespace korvane::ui
