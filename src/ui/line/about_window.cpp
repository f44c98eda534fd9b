#include "ui/line/about_window.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include "korvane/version.h"
#include "ui/common/desktop.h"
#include "ui/line/maker.h"
#include "ui/line/software_page.h"
#include "ui/line/twips.h"

namespace korvane::ui {

namespace {

// The window's texts.
const QString kCaption = QStringLiteral("关于");
const QString kFrameCaption = QStringLiteral("关于");
const QString kVersion = QStringLiteral("版本：V ") + QLatin1String(korvane::kVersion);
const QString kDescription =
    QStringLiteral("1、本软件为Korvane。2、附有正算、反算功能。     3、可进行数据导入、导出操作。");
const QString kEmailPrefix = QStringLiteral("邮箱：");
const QString kWebPrefix = QStringLiteral("网址：");

// The layout is given in twips, cut down to whole pixels.
constexpr int px(int twips) {
    return twipsToPixels(twips, TwipRounding::down);
}

QRect twipRect(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

// The platform has no menu-bar colour of its own in Qt's palette; the menu
// bar's palette gives the colour the menu bar is painted with.
QColor menuBarColour() {
    return QApplication::palette("QMenuBar").color(QPalette::Window);
}

// Window title bars are drawn like a selection in Qt's styles (highlight
// background, highlighted text), so the highlighted-text role stands for the
// title-bar text colour.
QColor titleBarTextColour() {
    return QApplication::palette().color(QPalette::HighlightedText);
}

void fillBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// `Shape1`: a thin rectangle outline. It lets every click through to what
// lies behind it.
class RectangleOutline final : public QWidget {
  public:
    explicit RectangleOutline(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

// The layout was drawn for a font whose lines are as high as the one-line
// labels (195 twips, 13 pixels): the default family at the largest pixel size
// whose line height still fits, so that no line is cut off.
QFont fittingFont(QFont font) {
    for (int size = 12; size > 8; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).height() <= px(195)) break;
    }
    return font;
}

// An address as shown in the window: without its scheme.
QString shownAddress(const char16_t* address) {
    const QUrl url(QString::fromUtf16(address));
    return url.host() + url.path();
}

QLabel* addLabel(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAutoFillBackground(true);
    return label;
}

}  // namespace

AAbout::AAbout(Desktop& desktop) : QWidget(nullptr), desktop_(desktop) {
    // The window and its version label both bear the design name `AAbout`.
    setObjectName(QStringLiteral("AAbout"));
    setWindowTitle(kCaption);
    setAttribute(Qt::WA_DeleteOnClose);
    // A fixed-size window with a title bar and a close control only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(px(4365), px(3150));
    fillBackground(this, menuBarColour());
    setFont(fittingFont(font()));
    createControls();
}

// Qt stacks a later sibling in front of an earlier one, so the controls are
// created from the back to the front.
void AAbout::createControls() {
    QLabel* label1 = addLabel(this, "Label1", QString(), twipRect(60, 90, 4320, 2940));
    QLabel* label6 = addLabel(this, "Label6", QString::fromUtf16(maker::kMessaging),
                              twipRect(660, 2235, 1800, 195));
    // The version label bears the window's own design name.
    addLabel(this, "AAbout", kVersion, twipRect(690, 270, 1500, 195));
    QLabel* label4 = addLabel(this, "Label4", QString::fromUtf16(maker::kCopyright),
                              twipRect(675, 585, 2505, 195));
    QLabel* label5 = addLabel(this, "Label5", kEmailPrefix + QString::fromUtf16(maker::kEmail),
                              twipRect(645, 2520, 1800, 195));
    QLabel* label7 = addLabel(this, "Label7", kWebPrefix + shownAddress(maker::kSoftwarePage),
                              twipRect(630, 2820, 3000, 195));

    auto* shape1 = new RectangleOutline(this);
    shape1->setObjectName(QStringLiteral("Shape1"));
    shape1->setGeometry(twipRect(0, 0, 4365, 3135));

    auto* frame1 = new QGroupBox(kFrameCaption, this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame1->setGeometry(twipRect(630, 930, 3225, 1245));
    fillBackground(frame1, menuBarColour());

    QLabel* label2 = addLabel(frame1, "Label2", kDescription, twipRect(330, 360, 2670, 615));
    label2->setWordWrap(true);
    fillBackground(label2, titleBarTextColour());

    for (QWidget* label : {label1, label2, label4, label5, label6, label7}) makeClickable(label);
}

void AAbout::makeClickable(QWidget* label) {
    label->setCursor(Qt::PointingHandCursor);
    label->installEventFilter(this);
}

// A click is a left press and a left release on the same clickable label.
// Clicks elsewhere are not filtered: a label without action, the frame and the
// window itself ignore them.
bool AAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease)
        return QWidget::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) return true;
    if (event->type() == QEvent::MouseButtonPress) {
        pressed_ = watched;
        return true;
    }
    auto* widget = static_cast<QWidget*>(watched);
    const bool click = pressed_ == watched && widget->rect().contains(mouse->position().toPoint());
    pressed_ = nullptr;
    if (click) openPageAndClose();
    return true;
}

void AAbout::openPageAndClose() {
    openSoftwarePage(desktop_, this);
    close();
}

}  // namespace korvane::ui
