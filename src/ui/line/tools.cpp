#include "ui/line/tools.h"

#include <QAction>
#include <QDir>
#include <QTemporaryFile>
#include <QUrl>
#include <QWidget>

#include "ui/common/desktop.h"
#include "ui/line/about_window.h"
#include "ui/line/maker.h"
#include "ui/line/software_page.h"

namespace korvane::ui {

namespace {

// The commands' texts.
const QString kWelcome = QStringLiteral("   欢迎使用记事本文档，更多测量资料请访问：");
const QString kNoCalculator = QStringLiteral("没有找到可以启动的计算器程序，请先安装一个计算器！");
const QString kNoDocument = QStringLiteral("无法在临时文件夹中建立记事本文档！");
const QString kNoEditor =
    QStringLiteral("记事本文档已保存为 %1，但没有找到可以打开它的文本编辑器！");

// Starts the first of `programs` that is found on the search path and starts.
bool startFirst(Desktop& desktop, const QStringList& programs, const QStringList& arguments) {
    for (const QString& program : programs) {
        const QString path = desktop.findProgram(program);
        if (!path.isEmpty() && desktop.startProgram(path, arguments)) return true;
    }
    return false;
}

// Writes the greeting document under a fresh name in the temporary folder and
// returns its path, or an empty string on failure. The file is new and nobody
// else knows its name, so there is no earlier file to keep safe: QTemporaryFile
// creates it exclusively, and a failed write removes it again.
QString writeGreetingDocument() {
    // Empty when the folder named by TMPDIR does not exist.
    const QString folder = QDir::tempPath();
    if (folder.isEmpty()) return {};
    QTemporaryFile file(folder + QStringLiteral("/korvane-XXXXXX.txt"));
    if (!file.open()) return {};
    const QByteArray bytes = greetingDocument();
    if (file.write(bytes) != bytes.size() || !file.flush()) return {};
    file.setAutoRemove(false);
    return file.fileName();
}

}  // namespace

QStringList calculatorPrograms() {
#ifdef Q_OS_WIN
    return {QStringLiteral("calc.exe")};
#else
    return {QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"),
            QStringLiteral("galculator"),       QStringLiteral("mate-calc"),
            QStringLiteral("qalculate-gtk"),    QStringLiteral("xcalc")};
#endif
}

QStringList editorPrograms() {
#ifdef Q_OS_WIN
    return {QStringLiteral("notepad.exe")};
#else
    return {QStringLiteral("gedit"),   QStringLiteral("gnome-text-editor"),
            QStringLiteral("kate"),    QStringLiteral("mousepad"),
            QStringLiteral("pluma"),   QStringLiteral("xed"),
            QStringLiteral("leafpad"), QStringLiteral("featherpad")};
#endif
}

QString greeting() {
    return kWelcome + QString::fromUtf16(maker::kBlog);
}

// UTF-8 is what the desktop's text editors read by default (current Windows
// Notepad too); the program's own files are code page 936, but a document in
// code page 936 shows as garbage in most Linux editors.
QByteArray greetingDocument() {
    return greeting().toUtf8();
}

Tools::Tools(Desktop& desktop, QWidget* window, QObject* parent)
    : QObject(parent), desktop_(desktop), window_(window) {}

bool Tools::connectMenus(QWidget* window) {
    auto* book = window->findChild<QAction*>(QStringLiteral("Book"));
    auto* casio = window->findChild<QAction*>(QStringLiteral("Casio"));
    auto* tohelp = window->findChild<QAction*>(QStringLiteral("tohelp"));
    auto* about = window->findChild<QAction*>(QStringLiteral("about"));
    if (!book || !casio || !tohelp || !about) return false;
    connect(book, &QAction::triggered, this, [this] { notepad(); });
    connect(casio, &QAction::triggered, this, &Tools::calculator);
    connect(tohelp, &QAction::triggered, this, &Tools::onlineHelp);
    connect(about, &QAction::triggered, this, &Tools::about);
    return true;
}

void Tools::calculator() {
    if (!startFirst(desktop_, calculatorPrograms(), {}))
        desktop_.showInformation(window_, noticeTitle(), kNoCalculator);
}

QString Tools::notepad() {
    QString path = writeGreetingDocument();  // not const: returned by move
    if (path.isEmpty()) {
        desktop_.showInformation(window_, noticeTitle(), kNoDocument);
        return {};
    }
    // The desktop's default application for text files first, then the
    // usual editors.
    if (!desktop_.openUrl(QUrl::fromLocalFile(path)) &&
        !startFirst(desktop_, editorPrograms(), {path}))
        desktop_.showInformation(window_, noticeTitle(),
                                 kNoEditor.arg(QDir::toNativeSeparators(path)));
    return path;
}

void Tools::onlineHelp() {
    openSoftwarePage(desktop_, window_);
}

void Tools::about() {
    if (!about_) {
        about_ = new AAbout(desktop_);
        if (window_ && window_->isVisible()) {
            QRect place = about_->frameGeometry();
            place.moveCenter(window_->frameGeometry().center());
            about_->move(place.topLeft());
        }
    }
    about_->setWindowState(about_->windowState() & ~Qt::WindowMinimized);
    about_->show();
    about_->raise();
    about_->activateWindow();
}

AAbout* Tools::aboutWindow() const {
    return about_;
}

}  // namespace korvane::ui
