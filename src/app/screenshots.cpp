// Saves pictures of the main window in its three working modes and of the
// About window:
//   korvane_screenshots DIR
// writes DIR/main-forward-single.png, DIR/main-forward-continuous.png,
// DIR/main-inverse.png and DIR/about-window.png. Run it on a display (scripts/screenshots uses
// Xvfb).
#include <cstdio>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QRadioButton>

#include "ui/app_icon.h"
#include "ui/chinese.h"
#include "ui/desktop.h"
#include "ui/main_form.h"

namespace {

void settle() {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 300) QApplication::processEvents(QEventLoop::AllEvents, 50);
}

bool save(QWidget& window, const QDir& dir, const char* name) {
    settle();
    const QString path = dir.filePath(QString::fromLatin1(name));
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "korvane_screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

void click(QWidget& window, const char* option) {
    window.findChild<QRadioButton*>(QLatin1String(option))->click();
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvane_screenshots DIR\n");
        return 2;
    }
    korvane::ui::use_simplified_chinese(app);
    QApplication::setWindowIcon(korvane::ui::appIcon());
    const QDir dir(QString::fromLocal8Bit(argv[1]));

    korvane::ui::QtDesktop desktop;
    korvane::ui::MainForm form(desktop);
    form.show();

    bool ok = save(form, dir, "main-forward-single.png");
    click(form, "Option4");
    ok = save(form, dir, "main-forward-continuous.png") && ok;
    click(form, "Option3");
    click(form, "Option2");
    ok = save(form, dir, "main-inverse.png") && ok;

    // The About window, as Help › About opens it.
    form.findChild<QAction*>(QStringLiteral("about"))->trigger();
    QWidget* about = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("AAbout") && window->isVisible()) about = window;
    ok = about != nullptr && save(*about, dir, "about-window.png") && ok;
    return ok ? 0 : 1;
}
