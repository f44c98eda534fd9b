// Tables and the clipboard: rows copied from a spreadsheet (Excel and WPS put
// tab-separated text there; a CSV text editor, comma-separated) are pasted
// into the alignment's tables, and any table's selection is copied as
// tab-separated text with its header, as a spreadsheet takes it.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class QAbstractItemModel;
class QItemSelectionModel;
class QTableView;

namespace korvane::ui {

// The rows and cells of clipboard text: lines end in CR LF, LF or CR (a
// last empty line is no row); cells are split at tabs when there is any,
// else at ASCII commas; a cell in double quotes may hold separators, line
// ends and doubled quotes. Cells are trimmed of spaces. Full-width commas
// are no separator: they stay in the cell, and the table refuses them there
// as it refuses them typed.
std::vector<QStringList> clipboardRows(const QString& text);

// Whether the first of `rows` is a header line to be skipped: a line none
// of whose cells is a number or a chainage, where one of its cells names a
// column of `headers` or the next line holds a number or a chainage.
bool startsWithHeader(const std::vector<QStringList>& rows, const QStringList& headers);

// The cells selected in `selection` (or else its current cell) as
// tab-separated lines (CR LF) under a line of their column headers; cells
// holding a tab, a line end or a quote are quoted as spreadsheets do.
QString copiedText(const QAbstractItemModel& model, const QItemSelectionModel& selection);

// Gives `view` 复制 (Ctrl+C), 全选 (Ctrl+A) and, on a table of texts
// (TextTable), 粘贴 (Ctrl+V) at its current cell as one undo step; the
// actions are also in its context menu. Several cells can be selected.
void enableClipboard(QTableView* view);

// Pastes the clipboard's text into `view` (a TextTable's view) at its
// current cell, or at the first cell; selects what was written. False when
// there was nothing to paste.
bool pasteClipboard(QTableView* view);
// Copies the selection of `view` to the clipboard.
void copySelection(QTableView* view);

}  // namespace korvane::ui
