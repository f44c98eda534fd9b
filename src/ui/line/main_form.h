// The main window `MainForm`: the line parameters, the forward, inverse and
// batch computations, their working modes, the file commands and the menus.
#pragma once

#include <array>
#include <span>

#include <QMainWindow>
#include <QString>

#include "form/failure.h"
#include "form/fields.h"

class QAction;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace korvane::files {
struct Error;
}

namespace korvane::ui {

class CommonDialog;
struct ModeStep;
class Desktop;
class TableField;
class Tools;

// Every control, frame, menu and menu item carries its design name as its
// objectName ("Text1", "Frame5", "Command6", "txtFileName", "File", "enter",
// "Esc" ...), so that tests and the Tools commands find them by name. The
// field texts are the program's whole state; the window holds nothing else.
//
// The menu items "Book", "Casio", "tohelp" and "about" are created here and
// wired to the Tools and Help commands (ui/tools.h).
class MainForm : public QMainWindow {
    Q_OBJECT

  public:
    // `desktop` outlives the window; it shows the message boxes and the file
    // dialog and moves the focus.
    explicit MainForm(Desktop& desktop, QWidget* parent = nullptr);
    ~MainForm() override;

    Desktop& desktop() const { return desktop_; }

    // The text of a field by its design name, line ends of Text14 as CR LF.
    QString fieldText(form::Field field) const;
    void setFieldText(form::Field field, const QString& text);

  private:
    // Building the window, in this order.
    void createControls();
    void placeControls();
    void createMenus();
    void chainTabOrder();
    void connectHandlers();

    // Working modes: each option button sets its fixed list of states in order.
    void showForwardMode();      // Option1: forward direction
    void showInverseMode();      // Option2: inverse direction
    void showSinglePointMode();  // Option3: forward, single point
    void showContinuousMode();   // Option4: forward, continuous (batch table)
    void applyMode(std::span<const ModeStep> steps);
    // Selects Option3 as a click would: its mode is set when it was not selected.
    void selectSinglePoint();

    void computeForward();  // Command1
    void clearInputs();     // Command2
    void computeInverse();  // Command3
    void exportReport();    // Command5: the batch report file
    void computeTable();    // Command6: the batch table
    void importLineFile();  // File > enter
    void exportLineFile();  // File > occur
    void exitProgram();     // Command4 and File > Esc

    form::FieldTexts collectFields() const;
    QWidget* fieldWidget(form::Field field) const;
    void reportFailure(const form::Failure& failure);
    void reportFileError(const files::Error& error);

    Desktop& desktop_;
    CommonDialog* cdg1_ = nullptr;

    // Text1..Text17 in order; Text14 is the multi-line table field.
    std::array<QLineEdit*, form::kFieldCount> lines_{};
    TableField* text14_ = nullptr;
    QLineEdit* txtFileName_ = nullptr;

    QGroupBox* frame1_ = nullptr;
    QGroupBox* frame2_ = nullptr;
    QGroupBox* frame3_ = nullptr;
    QGroupBox* frame4_ = nullptr;
    QGroupBox* frame5_ = nullptr;
    QRadioButton* option1_ = nullptr;
    QRadioButton* option2_ = nullptr;
    QRadioButton* option3_ = nullptr;
    QRadioButton* option4_ = nullptr;
    QPushButton* command1_ = nullptr;
    QPushButton* command2_ = nullptr;
    QPushButton* command3_ = nullptr;
    QPushButton* command4_ = nullptr;
    QPushButton* command5_ = nullptr;
    QPushButton* command6_ = nullptr;

    QAction* enter_ = nullptr;
    QAction* occur_ = nullptr;
    QAction* esc_ = nullptr;

    Tools* tools_ = nullptr;  // the Tools and Help commands
};

}  // namespace korvane::ui
