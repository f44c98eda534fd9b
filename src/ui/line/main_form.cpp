#include "ui/line/main_form.h"

#include <filesystem>
#include <iterator>
#include <limits>
#include <string_view>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "files/batch_output.h"
#include "files/line_file.h"
#include "files/report_file.h"
#include "form/computations.h"
#include "korvane/version.h"
#include "ui/common/desktop.h"
#include "ui/line/common_dialog.h"
#include "ui/line/table_field.h"
#include "ui/line/tools.h"
#include "ui/line/twips.h"

namespace korvane::ui {

using form::Field;

namespace {

const QString kCaption = QStringLiteral("Korvane V") + QLatin1String(korvane::kVersion);
const QString kTextFiles = QStringLiteral("文本文件(*.txt)");
const QString kAllFiles = QStringLiteral("所有文件(*.*)");

// Layout unit: twips, rounded to the nearest pixel.
int px(int twips) {
    return twipsToPixels(twips, TwipRounding::nearest);
}

// The client area below the menu bar, in twips.
constexpr int kClientWidth = 5775;
constexpr int kClientHeight = 5535;

struct Placement {
    const char* name;
    int left, top, width, height;  // twips, relative to the container
};

// Every control's place in its container. Where controls overlap, the one
// listed first lies in front: Text1..Text4 in front of Frame1, Command1 in
// front of Command6.
// clang-format off
constexpr Placement kPlacements[] = {
    {"txtFileName", 600, 5760, 255, 270},
    {"Frame3", 90, 2745, 2655, 2055},
    {"Option4", 1305, 1635, 1155, 255},
    {"Option3", 120, 1635, 1155, 255},
    {"Text7", 1275, 1125, 1155, 355},
    {"Text6", 1260, 675, 1155, 355},
    {"Text5", 1260, 240, 1155, 355},
    {"Label7", 105, 1185, 1155, 255},
    {"Label6", 105, 750, 1155, 255},
    {"Label5", 105, 330, 1155, 255},
    {"Command4", 4380, 4920, 1155, 500},
    {"Command3", 1530, 4920, 1155, 500},
    {"Command2", 2940, 4920, 1155, 500},
    {"Text4", 1365, 1770, 1155, 355},
    {"Text3", 1350, 1320, 1155, 355},
    {"Text2", 1335, 870, 1155, 355},
    {"Text1", 1350, 420, 1155, 355},
    {"Frame1", 90, 150, 2655, 2535},
    {"Option2", 1350, 2115, 1155, 255},
    {"Option1", 180, 2115, 1155, 255},
    {"Label4", 120, 1680, 1155, 255},
    {"Label3", 120, 1245, 1155, 255},
    {"Label2", 120, 810, 1155, 255},
    {"Label1", 120, 360, 1155, 255},
    {"Frame4", 2835, 2760, 2805, 2055},
    {"Text13", 1350, 1125, 1155, 390},
    {"Text12", 1335, 495, 1155, 360},
    {"Label16", 240, 1245, 1155, 255},
    {"Label15", 240, 585, 1155, 255},
    {"Command1", 165, 4920, 1155, 500},
    {"Command6", 165, 4920, 1155, 500},
    {"Frame2", 2835, 150, 2805, 2535},
    {"Text9", 1320, 855, 1155, 355},
    {"Text8", 1320, 330, 1155, 355},
    {"Text11", 1320, 1905, 1155, 355},
    {"Text10", 1320, 1380, 1155, 355},
    {"Label14", 210, 1980, 1155, 255},
    {"Label13", 195, 1470, 1155, 255},
    {"Label9", 210, 930, 1155, 255},
    {"Label8", 225, 420, 1155, 255},
    {"Frame5", 2835, 150, 2805, 4665},
    {"Text17", 1110, 4245, 999, 270},
    {"Text16", 1125, 3885, 999, 270},
    {"Text15", 1125, 3525, 999, 270},
    {"Command5", 2280, 3525, 355, 1000},
    {"Text14", 120, 645, 2550, 2775},
    {"Label12", 135, 4290, 1155, 255},
    {"Label11", 135, 3930, 1155, 255},
    {"Label10", 135, 3570, 1155, 255},
    {"Label17", 720, 315, 1560, 360},
};
// clang-format on

// The keyboard order: the controls that can take the focus, by increasing tab
// index. Hidden and disabled ones are passed over, and of two option buttons
// in a frame only the selected one is a stop.
// clang-format off
constexpr const char* kTabOrder[] = {
    "Text1",   "Text2",   "Text3",   "Text4",    "Command1", "Command2", "Command3",
    "Command4", "Option2", "Text5",  "Text6",    "Text7",    "Option3",  "Option4",
    "Text10",  "Text11",  "Text12",  "Text13",   "Text14",   "Command5", "Option1",
    "txtFileName", "Text8", "Text9", "Text15",   "Text16",   "Text17",   "Command6",
};
// clang-format on

QString nameOf(Field field) {
    const std::string_view name = form::field_name(field);
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QGroupBox* makeFrame(QWidget* parent, const char* name, const QString& caption) {
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(QLatin1String(name));
    return frame;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QLineEdit* makeText(QWidget* parent, const char* name, const QString& text) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    // A field accepts text of any length.
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setText(text);
    edit->setCursorPosition(0);
    return edit;
}

QRadioButton* makeOption(QWidget* parent, const char* name, const QString& caption) {
    auto* option = new QRadioButton(caption, parent);
    option->setObjectName(QLatin1String(name));
    return option;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

QAction* makeAction(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

// A push button whose caption wraps at its spaces, for the tall, narrow
// Command5: "导 出 成 果" reads top to bottom, one character to a line.
class WrappingButton : public QPushButton {
  public:
    using QPushButton::QPushButton;

  protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text.clear();
        painter.drawControl(QStyle::CE_PushButton, option);
        const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
        painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap, palette(), isEnabled(),
                             text(), QPalette::ButtonText);
    }
};

std::filesystem::path toPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

}  // namespace

MainForm::MainForm(Desktop& desktop, QWidget* parent) : QMainWindow(parent), desktop_(desktop) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(kCaption);
    createControls();
    placeControls();
    createMenus();
    chainTabOrder();
    connectHandlers();
    lines_[0]->setFocus();
}

MainForm::~MainForm() = default;

void MainForm::createControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    client->setFixedSize(px(kClientWidth), px(kClientHeight));

    frame1_ = makeFrame(client, "Frame1", QStringLiteral("输入数据"));
    makeLabel(frame1_, "Label1", QStringLiteral("起点桩号(K)="));
    makeLabel(frame1_, "Label2", QStringLiteral("起点坐标(X)="));
    makeLabel(frame1_, "Label3", QStringLiteral("起点坐标(Y)="));
    makeLabel(frame1_, "Label4", QStringLiteral("计算方位角F="));
    // The line parameters belong to the window itself and lie over Frame1.
    lines_[0] = makeText(client, "Text1", QStringLiteral("1000"));
    lines_[1] = makeText(client, "Text2", QStringLiteral("8765.888"));
    lines_[2] = makeText(client, "Text3", QStringLiteral("6789.999"));
    lines_[3] = makeText(client, "Text4", QStringLiteral("15.152555"));
    option1_ = makeOption(frame1_, "Option1", QStringLiteral("坐标正算"));
    option2_ = makeOption(frame1_, "Option2", QStringLiteral("坐标反算"));

    frame3_ = makeFrame(client, "Frame3", QStringLiteral("正算数据"));
    makeLabel(frame3_, "Label5", QStringLiteral("计算桩号(K)="));
    makeLabel(frame3_, "Label6", QStringLiteral("计算偏距(m)="));
    makeLabel(frame3_, "Label7", QStringLiteral("计算偏角(a)="));
    lines_[4] = makeText(frame3_, "Text5", QStringLiteral("1500"));
    lines_[5] = makeText(frame3_, "Text6", QStringLiteral("0"));
    lines_[6] = makeText(frame3_, "Text7", QStringLiteral("90"));
    option3_ = makeOption(frame3_, "Option3", QStringLiteral("单点计算"));
    option4_ = makeOption(frame3_, "Option4", QStringLiteral("连续计算"));

    frame2_ = makeFrame(client, "Frame2", QStringLiteral("反算结果"));
    makeLabel(frame2_, "Label8", QStringLiteral("反算坐标X="));
    makeLabel(frame2_, "Label9", QStringLiteral("反算坐标Y="));
    makeLabel(frame2_, "Label13", QStringLiteral("反算结果K="));
    makeLabel(frame2_, "Label14", QStringLiteral("反算结果m="));
    lines_[7] = makeText(frame2_, "Text8", QStringLiteral("9730.643"));
    lines_[8] = makeText(frame2_, "Text9", QStringLiteral("7053.150"));
    lines_[9] = makeText(frame2_, "Text10", QStringLiteral("0"));
    lines_[10] = makeText(frame2_, "Text11", QStringLiteral("0"));
    for (int i = 7; i <= 10; ++i) lines_[i]->setEnabled(false);

    frame4_ = makeFrame(client, "Frame4", QStringLiteral("正算结果 "));
    makeLabel(frame4_, "Label15", QStringLiteral("正算坐标X="));
    makeLabel(frame4_, "Label16", QStringLiteral("正算坐标Y="));
    lines_[11] = makeText(frame4_, "Text12", QStringLiteral("0"));
    lines_[12] = makeText(frame4_, "Text13", QStringLiteral("0"));

    frame5_ = makeFrame(client, "Frame5", QStringLiteral("连续计算"));
    makeLabel(frame5_, "Label17", QStringLiteral("坐标计算成果表"));
    text14_ = new TableField(frame5_);
    text14_->setObjectName(QStringLiteral("Text14"));
    text14_->setText(QString::fromUtf8(form::kBatchHeader.data(),
                                       static_cast<qsizetype>(form::kBatchHeader.size())));
    makeLabel(frame5_, "Label10", QStringLiteral("起算桩号K="));
    makeLabel(frame5_, "Label11", QStringLiteral("止算桩号K="));
    makeLabel(frame5_, "Label12", QStringLiteral("计算步长m="));
    lines_[14] = makeText(frame5_, "Text15", QStringLiteral("1000"));
    lines_[15] = makeText(frame5_, "Text16", QStringLiteral("2000"));
    lines_[16] = makeText(frame5_, "Text17", QStringLiteral("20"));
    command5_ = new WrappingButton(QStringLiteral("导 出 成 果"), frame5_);
    command5_->setObjectName(QStringLiteral("Command5"));
    command5_->setAutoDefault(false);
    frame5_->setVisible(false);

    command1_ = makeButton(client, "Command1", QStringLiteral("点击正算"));
    command6_ = makeButton(client, "Command6", QStringLiteral("点击正算"));
    command3_ = makeButton(client, "Command3", QStringLiteral("点击反算"));
    command2_ = makeButton(client, "Command2", QStringLiteral("点击清除"));
    command4_ = makeButton(client, "Command4", QStringLiteral("退出程序"));
    command3_->setEnabled(false);
    // Command6 stays out of reach until continuous mode is chosen: reached by
    // the keyboard under the hidden batch frame it would run the batch on
    // fields that no message could then point at.
    command6_->setVisible(false);

    // Written with every file command, never read, never shown.
    txtFileName_ =
        makeText(client, "txtFileName",
                 QStringLiteral("C:\\Documents and Settings\\Administrator\\桌面\\曲线要素.txt"));
    txtFileName_->setVisible(false);

    option1_->setChecked(true);
    option3_->setChecked(true);
    cdg1_ = new CommonDialog(desktop_, this);
}

void MainForm::placeControls() {
    // Raising from the last listed to the first leaves the first in front.
    for (auto it = std::rbegin(kPlacements); it != std::rend(kPlacements); ++it) {
        auto* widget = findChild<QWidget*>(QLatin1String(it->name));
        Q_ASSERT(widget != nullptr);
        widget->setGeometry(px(it->left), px(it->top), px(it->width), px(it->height));
        widget->raise();
    }
}

void MainForm::createMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件"));
    file->setObjectName(QStringLiteral("File"));
    enter_ = makeAction(file, "enter", QStringLiteral("导入"));
    occur_ = makeAction(file, "occur", QStringLiteral("导出"));
    esc_ = makeAction(file, "Esc", QStringLiteral("退出"));

    QMenu* tool = menuBar()->addMenu(QStringLiteral("工具"));
    tool->setObjectName(QStringLiteral("Tool"));
    makeAction(tool, "Book", QStringLiteral("记事本"));
    makeAction(tool, "Casio", QStringLiteral("计算器"));

    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助"));
    help->setObjectName(QStringLiteral("help"));
    makeAction(help, "tohelp", QStringLiteral("联机帮助"));
    makeAction(help, "about", QStringLiteral("关于"));

    // The window keeps its designed size: no control moves with the frame.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void MainForm::chainTabOrder() {
    QWidget* previous = nullptr;
    for (const char* name : kTabOrder) {
        auto* widget = findChild<QWidget*>(QLatin1String(name));
        Q_ASSERT(widget != nullptr);
        if (previous != nullptr) QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
    // Labels and frames take no focus.
    for (auto* label : findChildren<QLabel*>()) label->setFocusPolicy(Qt::NoFocus);
    for (auto* frame : findChildren<QGroupBox*>()) frame->setFocusPolicy(Qt::NoFocus);
    // Of two option buttons in a frame only the selected one is a tab stop; the
    // arrow keys move between them.
    for (QRadioButton* option : {option1_, option2_, option3_, option4_}) {
        const auto follow = [option](bool selected) {
            option->setFocusPolicy(selected ? Qt::StrongFocus : Qt::ClickFocus);
        };
        follow(option->isChecked());
        connect(option, &QRadioButton::toggled, this, follow);
    }
}

void MainForm::connectHandlers() {
    connect(option1_, &QRadioButton::clicked, this, &MainForm::showForwardMode);
    connect(option2_, &QRadioButton::clicked, this, &MainForm::showInverseMode);
    connect(option3_, &QRadioButton::clicked, this, &MainForm::showSinglePointMode);
    connect(option4_, &QRadioButton::clicked, this, &MainForm::showContinuousMode);
    connect(command1_, &QPushButton::clicked, this, &MainForm::computeForward);
    connect(command2_, &QPushButton::clicked, this, &MainForm::clearInputs);
    connect(command3_, &QPushButton::clicked, this, &MainForm::computeInverse);
    connect(command4_, &QPushButton::clicked, this, &MainForm::exitProgram);
    connect(command5_, &QPushButton::clicked, this, &MainForm::exportReport);
    connect(command6_, &QPushButton::clicked, this, &MainForm::computeTable);
    connect(enter_, &QAction::triggered, this, &MainForm::importLineFile);
    connect(occur_, &QAction::triggered, this, &MainForm::exportLineFile);
    connect(esc_, &QAction::triggered, this, &MainForm::exitProgram);

    // Tools and Help: the calculator, the editor, the web page and the About window.
    tools_ = new Tools(desktop_, this, this);
    const bool menusFound = tools_->connectMenus(this);
    Q_ASSERT(menusFound);
    Q_UNUSED(menusFound);
}

// ---- Working modes ---------------------------------------------------------

// One state a working mode sets: a control's enabled or visible property, or
// the selection of Option3 (which runs Option3's own mode when it changes).
struct ModeStep {
    enum Kind { Enable, Show, SelectSinglePoint } kind;
    const char* control;  // objectName; empty for SelectSinglePoint
    bool value;
};

namespace {

using S = ModeStep;

// What each option button's click sets, in the order it is set. The order
// matters: Option1 selects Option3 half way, and Option3's own steps then run
// before Option1's last two.
// clang-format off
constexpr ModeStep kForwardMode[] = {  // Option1: forward direction
    {S::Enable, "Text8", false}, {S::Enable, "Text9", false}, {S::Enable, "Text10", false},
    {S::Enable, "Text11", false}, {S::Enable, "Command3", false}, {S::Show, "Frame5", false},
    {S::Show, "Frame2", true}, {S::Show, "Frame4", true}, {S::Enable, "Text5", true},
    {S::Enable, "Text6", true}, {S::Enable, "Text7", true}, {S::Enable, "Text12", true},
    {S::Enable, "Text13", true}, {S::Enable, "Option3", true}, {S::SelectSinglePoint, "", true},
    {S::Enable, "Option4", true}, {S::Enable, "Command1", true},
};
constexpr ModeStep kInverseMode[] = {  // Option2: inverse direction
    {S::Enable, "Text8", true}, {S::Enable, "Text9", true}, {S::Enable, "Text10", true},
    {S::Enable, "Text11", true}, {S::Enable, "Command3", true}, {S::Show, "Frame2", true},
    {S::Show, "Frame4", true}, {S::Show, "Frame5", false}, {S::Enable, "Text5", false},
    {S::Enable, "Text6", false}, {S::Enable, "Text7", false}, {S::Enable, "Text12", false},
    {S::Enable, "Text13", false}, {S::Enable, "Option3", false}, {S::Enable, "Option4", false},
    {S::Enable, "Command6", false}, {S::Enable, "Command1", false},
};
constexpr ModeStep kSinglePointMode[] = {  // Option3: forward, single point
    {S::Enable, "Text8", false}, {S::Enable, "Text9", false}, {S::Enable, "Text10", false},
    {S::Enable, "Text11", false}, {S::Enable, "Command3", false}, {S::Show, "Command6", false},
    {S::Show, "Frame5", false}, {S::Show, "Frame2", true}, {S::Show, "Frame4", true},
    {S::Enable, "Text5", true}, {S::Enable, "Text6", true}, {S::Enable, "Text7", true},
    {S::Enable, "Text12", true}, {S::Enable, "Text13", true}, {S::Show, "Command1", true},
};
constexpr ModeStep kContinuousMode[] = {  // Option4: forward, continuous (batch table)
    {S::Show, "Command6", true}, {S::Enable, "Command6", true}, {S::Show, "Frame5", true},
    {S::Show, "Frame2", false}, {S::Show, "Frame4", false}, {S::Enable, "Text5", false},
    {S::Enable, "Command3", false}, {S::Show, "Command1", false},
};
// clang-format on

}  // namespace

void MainForm::applyMode(std::span<const ModeStep> steps) {
    for (const ModeStep& step : steps) {
        if (step.kind == ModeStep::SelectSinglePoint) {
            selectSinglePoint();
            continue;
        }
        auto* widget = findChild<QWidget*>(QLatin1String(step.control));
        Q_ASSERT(widget != nullptr);
        if (step.kind == ModeStep::Enable) {
            widget->setEnabled(step.value);
        } else {
            widget->setVisible(step.value);
        }
    }
}

void MainForm::showForwardMode() {
    applyMode(kForwardMode);
}
void MainForm::showInverseMode() {
    applyMode(kInverseMode);
}
void MainForm::showSinglePointMode() {
    applyMode(kSinglePointMode);
}
void MainForm::showContinuousMode() {
    applyMode(kContinuousMode);
}

void MainForm::selectSinglePoint() {
    // Selecting an option from code acts like a click on it: when the selection
    // changes (deselecting Option4), Option3's mode is set here, at once.
    if (option3_->isChecked()) return;
    option3_->setChecked(true);
    showSinglePointMode();
}

// ---- Clear and exit --------------------------------------------------------

void MainForm::clearInputs() {
    for (Field field : {Field::Text1, Field::Text2, Field::Text3, Field::Text4, Field::Text5,
                        Field::Text6, Field::Text7, Field::Text14}) {
        setFieldText(field, QString());
    }
    desktop_.moveFocus(lines_[0]);
}

void MainForm::exitProgram() {
    // Every window of the program closes, the About window included; nothing
    // is asked and nothing is saved.
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

// ---- Computations ----------------------------------------------------------

void MainForm::computeForward() {
    const auto outcome = form::forward(collectFields());
    if (!outcome) return reportFailure(outcome.failure());
    setFieldText(Field::Text12, QString::fromStdString(outcome.value().x));
    setFieldText(Field::Text13, QString::fromStdString(outcome.value().y));
}

void MainForm::computeInverse() {
    const auto outcome = form::inverse(collectFields());
    if (!outcome) return reportFailure(outcome.failure());
    setFieldText(Field::Text10, QString::fromStdString(outcome.value().k));
    setFieldText(Field::Text11, QString::fromStdString(outcome.value().p));
}

void MainForm::computeTable() {
    const auto outcome = files::batch_output(collectFields(), files::kBatchTable);
    if (!outcome) return reportFailure(outcome.failure());
    text14_->setText(QString::fromStdString(outcome.value()));
}

// ---- Files -----------------------------------------------------------------

void MainForm::exportLineFile() {
    cdg1_->setFilters({kTextFiles});
    const QString path = cdg1_->showSave();
    if (path.isEmpty()) return;
    txtFileName_->setText(path);
    const files::LineParameters texts = files::line_parameters_of(collectFields());
    if (const auto error = files::write_line_file(toPath(path), texts)) reportFileError(*error);
}

void MainForm::importLineFile() {
    cdg1_->setFilters({kTextFiles});
    const QString path = cdg1_->showOpen();
    if (path.isEmpty()) return;
    txtFileName_->setText(path);
    const auto texts = files::read_line_file(toPath(path));
    if (!texts) return reportFileError(texts.failure());
    for (const auto& [field, text] : files::line_parameter_fields(texts.value())) {
        setFieldText(field, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
}

void MainForm::exportReport() {
    cdg1_->setFilters({kTextFiles, kAllFiles});
    const QString path = cdg1_->showSave();
    if (path.isEmpty()) return;
    txtFileName_->setText(path);
    const std::string table = text14_->text().toStdString();
    if (const auto error = files::write_report_file(toPath(path), table)) reportFileError(*error);
}

// ---- Fields and failures ---------------------------------------------------

QString MainForm::fieldText(Field field) const {
    if (field == Field::Text14) return text14_->text();
    return lines_[static_cast<std::size_t>(field) - 1]->text();
}

void MainForm::setFieldText(Field field, const QString& text) {
    if (field == Field::Text14) return text14_->setText(text);
    QLineEdit* edit = lines_[static_cast<std::size_t>(field) - 1];
    edit->setText(text);
    edit->setCursorPosition(0);
}

QWidget* MainForm::fieldWidget(Field field) const {
    return findChild<QWidget*>(nameOf(field));
}

form::FieldTexts MainForm::collectFields() const {
    // Every field but the batch table, which no computation reads.
    form::FieldTexts texts;
    for (int i = 1; i <= form::kFieldCount; ++i) {
        const auto field = static_cast<Field>(i);
        if (field != Field::Text14) texts.set(field, fieldText(field).toStdString());
    }
    return texts;
}

void MainForm::reportFailure(const form::Failure& failure) {
    desktop_.showInformation(this, noticeTitle(), QString::fromStdString(failure.message));
    // A field under a hidden frame, or a disabled one, cannot take the focus.
    QWidget* widget = fieldWidget(failure.focus);
    if (widget != nullptr && widget->isVisibleTo(this) && widget->isEnabled()) {
        desktop_.moveFocus(widget);
    }
}

void MainForm::reportFileError(const files::Error& error) {
    desktop_.showInformation(this, noticeTitle(), QString::fromStdString(error.message));
}

}  // namespace korvane::ui
