// Saves pictures of the main window in its three working modes, of the
// About window and of the route window:
//   korvane_screenshots DIR
// writes DIR/main-forward-single.png, DIR/main-forward-continuous.png,
// DIR/main-inverse.png, DIR/about-window.png, DIR/route-points.png,
// DIR/route-table.png, DIR/route-curves.png, DIR/route-profile.png and
// DIR/route-section.png. Run it on a display
// (scripts/screenshots uses Xvfb).
#include <cstdio>
#include <variant>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include "files/alignment_file.h"
#include "route/definition.h"

#include "ui/common/app_icon.h"
#include "ui/common/chinese.h"
#include "ui/common/desktop.h"
#include "ui/line/main_form.h"
#include "ui/route/route_window.h"

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

// An alignment by intersection points with a chain break and a profile.
korvane::route::Definition sampleRoute() {
    korvane::route::Definition d;
    d.name = "S201改线";
    korvane::route::PointsDef p;
    p.start_x = 3456789.123;
    p.start_y = 512345.678;
    p.points = {{"JD1", 3457250.0, 512700.0, 600, 120, 120},
                {"JD2", 3457600.0, 513450.0, 800, 150, 100},
                {"JD3", 3458300.0, 513700.0, 400, 0, 0}};
    p.end_x = 3458900.0;
    p.end_y = 514400.0;
    d.horizontal = p;
    d.breaks = {{1200, 1190}};
    d.profile = {
        {0, 0, 120.5, 0}, {600, 0, 128.3, 10000}, {1500, 0, 119.0, 15000}, {3000, 0, 125.0, 0}};
    return d;
}

bool saveRouteWindow(const QDir& dir) {
    QTemporaryDir scratch;
    const QString file = scratch.filePath(QStringLiteral("S201改线.csv"));
    if (korvane::files::write_alignment_file(file.toStdString(), sampleRoute())) return false;
    korvane::ui::QtDesktop desktop;
    korvane::ui::RouteWindow window(desktop);
    window.show();
    if (!window.openFile(file)) return false;
    bool ok = save(window, dir, "route-points.png");

    window.findChild<QLineEdit*>(QStringLiteral("fromEdit"))->setText(QStringLiteral("K0+300"));
    window.findChild<QLineEdit*>(QStringLiteral("toEdit"))->setText(QStringLiteral("K0+800"));
    window.findChild<QLineEdit*>(QStringLiteral("intervalEdit"))->setText(QStringLiteral("20"));
    window.findChild<QLineEdit*>(QStringLiteral("offsetsEdit"))
        ->setText(QStringLiteral("-7.5,0,7.5"));
    window.findChild<QTabWidget*>(QStringLiteral("computeTabs"))->setCurrentIndex(2);
    window.findChild<QPushButton*>(QStringLiteral("tableButton"))->click();
    QElapsedTimer timer;
    timer.start();
    while (window.isComputing() && timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    ok = save(window, dir, "route-table.png") && ok;

    // The curve table in the tab beside the main points.
    auto* keyTabs = window.findChild<QTabWidget*>(QStringLiteral("keyPointTabs"));
    keyTabs->setCurrentIndex(1);
    ok = save(window, dir, "route-curves.png") && ok;
    keyTabs->setCurrentIndex(0);

    window.findChild<QTabWidget*>(QStringLiteral("viewTabs"))->setCurrentIndex(1);
    window.findChild<QTabWidget*>(QStringLiteral("definitionTabs"))->setCurrentIndex(2);
    ok = save(window, dir, "route-profile.png") && ok;
    return ok;
}

// The same alignment with a two-lane template, superelevated and widened
// curves: the section in JD1's entry transition, the superelevation along
// the line and the records the points derive.
bool saveSectionWindow(const QDir& dir) {
    korvane::route::Definition d = sampleRoute();
    auto* points = std::get_if<korvane::route::PointsDef>(&d.horizontal);
    if (!points) return false;
    auto& p = *points;
    p.points[0].superelevation = 4;
    p.points[0].widening = 0.6;
    p.points[1].superelevation = 3;
    p.points[2].superelevation = 6;
    p.points[2].widening = 0.8;
    for (auto* side : {&d.section.left, &d.section.right}) {
        side->push_back({0.75, -2, "路缘带", true});
        side->push_back({7.5, -2, "行车道", true});
        side->push_back({3, -4, "土路肩", false});
    }
    d.section.runoff = 60;
    QTemporaryDir scratch;
    const QString file = scratch.filePath(QStringLiteral("S201改线.csv"));
    if (korvane::files::write_alignment_file(file.toStdString(), d)) return false;
    korvane::ui::QtDesktop desktop;
    korvane::ui::RouteWindow window(desktop);
    window.show();
    if (!window.openFile(file)) return false;
    window.findChild<QLineEdit*>(QStringLiteral("stationEdit"))->setText(QStringLiteral("K0+470"));
    window.findChild<QLineEdit*>(QStringLiteral("offsetEdit"))->setText(QStringLiteral("-8.25"));
    window.findChild<QPushButton*>(QStringLiteral("forwardButton"))->click();
    window.findChild<QTabWidget*>(QStringLiteral("viewTabs"))->setCurrentIndex(2);
    window.findChild<QTabWidget*>(QStringLiteral("definitionTabs"))->setCurrentIndex(4);
    return save(window, dir, "route-section.png");
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
    ok = saveRouteWindow(dir) && ok;
    ok = saveSectionWindow(dir) && ok;
    return ok ? 0 : 1;
}
