// korvane: the route-line setting-out calculator's window.
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
#include "ui/line/main_form.h"

namespace {

// What `korvane --help` prints: the window takes no file and no option besides
// these two; the computations for scripts are korvane-cli's.
constexpr char kHelp[] =
    "用法：korvane [--help | --version]\n"
    "\n"
    "Korvane 线路坐标计算的窗口：由起点桩号K0、起点坐标X0、Y0和方位角定义直线，\n"
    "计算坐标正算（单点与连续计算）与坐标反算，导入、导出线参数文件，导出成果。\n"
    "程序不读取命令行给出的文件，须在桌面会话中运行。\n"
    "\n"
    "选项：\n"
    "  --help     显示本帮助并退出\n"
    "  --version  显示版本号并退出\n"
    "\n"
    "命令行计算与文件转换见 korvane-cli --help。\n";

// Writes `text` to standard output; 0 when it all arrived, else 1.
int print(const char* text) {
    std::fputs(text, stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Answered before any window or display is needed, so that scripts and
    // package checks can ask on a machine without a desktop.
    if (argc >= 2) korvane::app::use_parent_console();
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Korvane %s\n", korvane::kVersion);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) return print(kHelp);
    // The application object catches what runs out of memory in an event
    // handler; this is for the start-up before the event loop and its end.
    try {
        korvane::ui::Application app(argc, argv);
        korvane::ui::use_simplified_chinese(app);
        // Wayland shows the icon of the menu entry with this name.
        QGuiApplication::setDesktopFileName(QStringLiteral("korvane"));
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
