// korvane: the route-line setting-out calculator's window.
#include <QApplication>

#include "ui/app_icon.h"
#include "ui/chinese.h"
#include "ui/desktop.h"
#include "ui/main_form.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    korvane::ui::use_simplified_chinese(app);
    QApplication::setWindowIcon(korvane::ui::appIcon());

    korvane::ui::QtDesktop desktop;
    korvane::ui::MainForm form(desktop);
    form.show();
    // The program ends when its last window has closed.
    return QApplication::exec();
}
