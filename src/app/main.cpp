// korvane: the route-line setting-out calculator's window.
#include <cstdio>
#include <cstring>
#include <new>

#include "files/startup.h"
#include "korvane/version.h"
#include "ui/app_icon.h"
#include "ui/application.h"
#include "ui/chinese.h"
#include "ui/desktop.h"
#include "ui/main_form.h"

int main(int argc, char* argv[]) {
    // Answered before any window or display is needed, so that scripts and
    // package checks can ask on a machine without a desktop.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Korvane %s\n", korvane::kVersion);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
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
