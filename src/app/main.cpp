// korvane: the route-line setting-out calculator's window.
#include <cstdio>
#include <new>

#include "files/startup.h"
#include "ui/app_icon.h"
#include "ui/application.h"
#include "ui/chinese.h"
#include "ui/desktop.h"
#include "ui/main_form.h"

int main(int argc, char* argv[]) {
    // The application object catches what runs out of memory in an event
    // handler; this is for the start-up before the event loop and its end.
    try {
        korvane::ui::Application app(argc, argv);
        korvane::ui::use_simplified_chinese(app);
        QApplication::setWindowIcon(korvane::ui::appIcon());

        korvane::ui::QtDesktop desktop;
        korvane::ui::MainForm form(desktop);
        form.show();
        // The program ends when its last window has closed.
        return QApplication::exec();
    } catch (const std::bad_alloc&) {
        std::fputs(korvane::files::kOutOfMemory.data(), stderr);
        std::fputc('\n', stderr);
        return 1;
    }
}
