// The multi-line field that shows the batch table (`Text14`).
#pragma once

#include <QPlainTextEdit>
#include <QString>

namespace korvane::ui {

// A plain-text field with a vertical scroll bar and no horizontal one; long
// lines wrap at the field's width. Its text is read and written with CR LF line
// ends, whatever the document stores inside (one block per line), so lines the
// user types read back with CR LF too. Handles tables of a million rows: the
// document lays out only the lines in view.
class TableField : public QPlainTextEdit {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText USER true)

  public:
    explicit TableField(QWidget* parent = nullptr);

    // The whole text, every line end as CR LF.
    QString text() const;

    // Replaces the whole text; CR LF, a lone LF and a lone CR each end a line.
    void setText(const QString& text);
};

}  // namespace korvane::ui
