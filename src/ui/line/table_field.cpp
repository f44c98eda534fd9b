#include "ui/line/table_field.h"

#include <QScrollBar>
#include <QTextDocument>
#include <QTextOption>

namespace korvane::ui {

TableField::TableField(QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab moves on to the next field, as in every other field of the window.
    setTabChangesFocus(true);
}

QString TableField::text() const {
    // The raw text keeps every character as typed (toPlainText would turn
    // no-break spaces into spaces); lines are separated by paragraph
    // separators, and Shift+Enter inside a line gives a line separator.
    QString raw = document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    raw.replace(QChar::LineSeparator, QLatin1String("\r\n"));
    return raw;
}

void TableField::setText(const QString& text) {
    // The document splits lines at CR LF, LF and CR alike.
    setPlainText(text);
}

}  // namespace korvane::ui
