// The About window `AAbout`: the program's version, a short description and
// the maker's contact lines. A click on almost any part of it opens the
// maker's software page and closes the window.
#pragma once

#include <QWidget>

namespace korvane::ui {

class Desktop;

// A top-level window without owner, so that it stays open when `MainForm` is
// closed through its close control and keeps the program running until it is
// closed too. It deletes itself when closed.
//
// Controls, front to back, all named by objectName: `Frame1` (holding
// `Label2`), `Shape1`, `Label7`, `Label5`, `Label4`, the version label
// `AAbout`, `Label6`, `Label1`. A click on `Label1`, `Label2` or `Label4` …
// `Label7` opens the software page through `desktop`, then closes the window;
// a click anywhere else does nothing.
class AAbout final : public QWidget {
    Q_OBJECT

  public:
    // `desktop` must outlive the window.
    explicit AAbout(Desktop& desktop);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createControls();
    void makeClickable(QWidget* label);
    void openPageAndClose();

    Desktop& desktop_;
    QObject* pressed_ = nullptr;  // the clickable label a left press began on
};

}  // namespace korvane::ui
