// The Tools and Help commands of `MainForm`: the desktop's calculator, a text
// editor opened on a greeting document, the maker's software page and the
// About window. None of them reads or changes a field of `MainForm`.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

namespace korvane::ui {

class AAbout;
class Desktop;

// Programs tried for Tools › Calculator, in this order; the first found on the
// search path that starts is used.
QStringList calculatorPrograms();

// Programs tried for Tools › Notepad when the desktop has no default handler
// for text files, in this order.
QStringList editorPrograms();

// The greeting: three spaces, the welcome text and the blog address.
QString greeting();

// The exact bytes of the greeting document: the greeting in UTF-8, without a
// byte-order mark and without a line end.
QByteArray greetingDocument();

class Tools final : public QObject {
    Q_OBJECT

  public:
    // `window` is the main window: message boxes are shown over it and the
    // About window is first placed over its middle. It is not the About
    // window's owner. `desktop` must outlive this object and every About
    // window it opens.
    Tools(Desktop& desktop, QWidget* window, QObject* parent = nullptr);

    // Connects the menu items `Book`, `Casio`, `tohelp` and `about` among the
    // QActions of `window` (found by objectName) to the commands below. False,
    // connecting nothing, when one of them is missing.
    bool connectMenus(QWidget* window);

    // Tools › Calculator: starts the first calculator that can be started,
    // without waiting for it; otherwise says so in an information box.
    void calculator();

    // Tools › Notepad: writes the greeting document as a new file in the
    // user's temporary folder and opens it in the desktop's text editor.
    // Nothing is typed into any window. Returns the document's path, empty
    // when it could not be written.
    QString notepad();

    // Help › Online help: opens the maker's software page.
    void onlineHelp();

    // Help › About: shows the About window, creating it when none is open,
    // and brings it to the front.
    void about();

    // The open About window, or null.
    AAbout* aboutWindow() const;

  private:
    Desktop& desktop_;
    QPointer<QWidget> window_;
    QPointer<AAbout> about_;
};

}  // namespace korvane::ui
