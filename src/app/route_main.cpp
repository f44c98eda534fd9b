// korvane-route: the route alignment calculator's window.
//   korvane-route [FILE]
#include <cstdio>
#include <cstring>
#include <new>

#include "console.h"
#include "files/startup.h"
#include "korvane/version.h"
#include "ui/common/app_icon.h"
#include "ui/common/application.h"
#include "ui/common/chinese.h"
#include "ui/common/desktop.h"
#include "ui/route/route_window.h"

namespace {

const char* const kHelp =
    "用法：korvane-route [<线路文件>]\n"
    "\n"
    "Korvane 线路计算：按线元法或交点法编辑线路（平曲线、断链、纵断面），\n"
    "计算中边桩坐标（正算）、点的桩号与偏距（反算）和逐桩坐标表，\n"
    "结果可导出为 CSV、CASS 坐标文件或打印报表。\n"
    "\n"
    "参数：\n"
    "  <线路文件>  启动时打开的线路：Korvane 线路文件（.csv），\n"
    "              或 LandXML 文件（文件名以 .xml 结尾）\n"
    "\n"
    "选项：\n"
    "  --help      显示本帮助并退出\n"
    "  --version   显示版本号并退出\n";

bool printed(int status) {
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? status == 0 : false;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Answered before any window or display is needed, so that scripts and
    // package checks can ask on a machine without a desktop.
    if (argc >= 2) korvane::app::use_parent_console();
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Korvane %s\n", korvane::kVersion);
        return printed(0) ? 0 : 1;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kHelp, stdout);
        return printed(0) ? 0 : 1;
    }
    if (argc > 2) {
        std::fputs("korvane-route：只能打开一个文件。\n", stderr);
        std::fputs(kHelp, stderr);
        return 2;
    }
    try {
        korvane::ui::Application app(argc, argv);
        korvane::ui::use_simplified_chinese(app);
        // Wayland shows the icon of the menu entry with this name.
        QGuiApplication::setDesktopFileName(QStringLiteral("korvane-route"));
        QApplication::setWindowIcon(korvane::ui::appIcon());

        korvane::ui::QtDesktop desktop;
        korvane::ui::RouteWindow window(desktop);
        window.show();
        if (argc == 2) window.openFile(QCoreApplication::arguments().at(1));
        return QApplication::exec();
    } catch (const std::bad_alloc&) {
        std::fputs(korvane::files::kOutOfMemory.data(), stderr);
        std::fputc('\n', stderr);
        return 1;
    }
}
