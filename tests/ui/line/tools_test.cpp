// Tools › Calculator, Tools › Notepad and Help › Online help through a fake desktop.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "fake_desktop.h"
#include "ui/common/app_icon.h"
#include "ui/line/tools.h"

using korvane::ui::Tools;
using korvane::ui::testing::FakeDesktop;

namespace {

const QString kSoftwarePage = QStringLiteral("https://korvane.example.org/soft");

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return "<unreadable>";
    return file.readAll();
}

}  // namespace

class ToolsTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        QVERIFY(tempDir_.isValid());
        qputenv("TMPDIR", QFile::encodeName(tempDir_.path()));
    }
    void cleanup() { qunsetenv("TMPDIR"); }

    void calculatorStartsTheFirstInstalledOneEachTime() {
        FakeDesktop desktop;
        desktop.installed = {"xcalc", "kcalc"};
        Tools tools(desktop, nullptr);
        tools.calculator();
        tools.calculator();
        QCOMPARE(desktop.starts.size(), 2);
        for (const auto& start : desktop.starts) {
            QCOMPARE(start.program, QStringLiteral("/usr/bin/kcalc"));
            QVERIFY(start.arguments.isEmpty());
        }
        QVERIFY(desktop.messages.isEmpty());
    }

    void calculatorFallsBackWhenOneFailsToStart() {
        FakeDesktop desktop;
        desktop.installed = {"gnome-calculator", "xcalc"};
        desktop.broken = {"gnome-calculator"};
        Tools tools(desktop, nullptr);
        tools.calculator();
        QCOMPARE(desktop.starts.size(), 1);
        QCOMPARE(desktop.starts[0].program, QStringLiteral("/usr/bin/xcalc"));
    }

    void calculatorMissingIsReported() {
        FakeDesktop desktop;
        QWidget window;
        Tools tools(desktop, &window);
        tools.calculator();
        QVERIFY(desktop.starts.isEmpty());
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0].parent, &window);
        QCOMPARE(desktop.messages[0].title, QStringLiteral("提示"));
        QCOMPARE(desktop.messages[0].text,
                 QStringLiteral("没有找到可以启动的计算器程序，请先安装一个计算器！"));
    }

    // The document holds exactly the greeting, in UTF-8, with no byte-order
    // mark and no line end; the expected bytes are spelt out independently.
    void notepadWritesTheGreetingDocumentAndOpensIt() {
        FakeDesktop desktop;
        Tools tools(desktop, nullptr);
        const QString path = tools.notepad();
        QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(tempDir_.path()).absoluteFilePath());
        QVERIFY(path.endsWith(QStringLiteral(".txt")));
        const QByteArray expected =
            QByteArray::fromHex(
                "202020e6aca2e8bf8ee4bdbfe794a8e8aeb0e4ba8be69cace69687e6a1a3efbc"
                "8ce69bb4e5a49ae6b58be9878fe8b584e69699e8afb7e8aebfe997aeefbc9a") +
            "https://korvane.example.org/blog";
        QCOMPARE(readAll(path), expected);
        QCOMPARE(desktop.openedUrls, QList<QUrl>{QUrl::fromLocalFile(path)});
        QVERIFY(desktop.starts.isEmpty());
        QVERIFY(desktop.messages.isEmpty());

        // A second command writes a second document; the first is left alone.
        const QString second = tools.notepad();
        QVERIFY(second != path);
        QCOMPARE(readAll(path), expected);
        QCOMPARE(readAll(second), expected);
    }

    void notepadFallsBackToAnInstalledEditor() {
        FakeDesktop desktop;
        desktop.opensUrls = false;
        desktop.installed = {"featherpad", "mousepad"};
        Tools tools(desktop, nullptr);
        const QString path = tools.notepad();
        QCOMPARE(desktop.starts.size(), 1);
        QCOMPARE(desktop.starts[0].program, QStringLiteral("/usr/bin/mousepad"));
        QCOMPARE(desktop.starts[0].arguments, QStringList{path});
        QVERIFY(desktop.messages.isEmpty());
    }

    void notepadWithoutEditorSaysWhereTheDocumentIs() {
        FakeDesktop desktop;
        desktop.opensUrls = false;
        Tools tools(desktop, nullptr);
        const QString path = tools.notepad();
        QVERIFY(QFile::exists(path));
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0].title, QStringLiteral("提示"));
        QCOMPARE(desktop.messages[0].text,
                 QStringLiteral("记事本文档已保存为 %1，但没有找到可以打开它的文本编辑器！")
                     .arg(QDir::toNativeSeparators(path)));
    }

    void notepadWithoutTemporaryFolderOpensNothing_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("missing folder") << QStringLiteral("missing");
        QTest::newRow("a file, not a folder") << QStringLiteral("plain.txt");
    }
    void notepadWithoutTemporaryFolderOpensNothing() {
        QFETCH(QString, folder);
        QFile plain(tempDir_.filePath(QStringLiteral("plain.txt")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        qputenv("TMPDIR", QFile::encodeName(tempDir_.filePath(folder)));
        FakeDesktop desktop;
        desktop.installed = {"gedit"};
        Tools tools(desktop, nullptr);
        QVERIFY(tools.notepad().isEmpty());
        QVERIFY(desktop.openedUrls.isEmpty());
        QVERIFY(desktop.starts.isEmpty());
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0].text, QStringLiteral("无法在临时文件夹中建立记事本文档！"));
    }

    void onlineHelpOpensTheSoftwarePage() {
        FakeDesktop desktop;
        Tools tools(desktop, nullptr);
        tools.onlineHelp();
        QCOMPARE(desktop.openedUrls, QList<QUrl>{QUrl(kSoftwarePage)});
        QVERIFY(desktop.messages.isEmpty());
    }

    void onlineHelpWithoutBrowserGivesTheAddress() {
        FakeDesktop desktop;
        desktop.opensUrls = false;
        QWidget window;
        Tools tools(desktop, &window);
        tools.onlineHelp();
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0].parent, &window);
        QCOMPARE(desktop.messages[0].title, QStringLiteral("提示"));
        QCOMPARE(
            desktop.messages[0].text,
            QStringLiteral("无法打开网页，请在浏览器中访问 https://korvane.example.org/soft ！"));
    }

    // The images are built into the program through the ui library.
    void iconHoldsEverySize() {
        const QIcon icon = korvane::ui::appIcon();
        for (int size : {16, 24, 32, 48, 256}) {
            QVERIFY2(icon.availableSizes().contains(QSize(size, size)),
                     qPrintable(QString::number(size)));
            QCOMPARE(icon.pixmap(size).size(), QSize(size, size));
        }
    }

  private:
    QTemporaryDir tempDir_;
};

QTEST_MAIN(ToolsTest)
#include "tools_test.moc"
