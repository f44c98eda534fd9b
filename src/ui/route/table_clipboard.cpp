#include "ui/route/table_clipboard.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelection>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QKeySequence>
#include <QTableView>
#include <algorithm>
#include <cmath>
#include <string>

#include "geometry/number_text.h"
#include "route/chainage.h"
#include "ui/route/route_tables.h"

namespace korvane::ui {

std::vector<QStringList> clipboardRows(const QString& text) {
    const QChar separator = text.contains(QLatin1Char('\t')) ? QLatin1Char('\t') : QLatin1Char(',');
    std::vector<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;    // inside a quoted cell
    bool cellStart = true;  // nothing of the cell read yet
    bool lineEmpty = true;  // nothing of the line read yet
    const auto endCell = [&] {
        row.append(cell.trimmed());
        cell.clear();
        cellStart = true;
    };
    const auto endLine = [&] {
        endCell();
        rows.push_back(row);
        row.clear();
        lineEmpty = true;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    cell += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                cell += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && cellStart && cell.trimmed().isEmpty()) {
            quoted = true;
            cellStart = false;
            lineEmpty = false;
            cell.clear();
        } else if (c == separator) {
            lineEmpty = false;
            endCell();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            endLine();
        } else {
            cell += c;
            if (c != QLatin1Char(' ')) cellStart = false;
            lineEmpty = false;
        }
    }
    // The last line has no line end, or the text ended with one (no row).
    if (!lineEmpty || quoted) endLine();
    return rows;
}

namespace {

// A cell a table reads as a value: a number, a chainage or ∞.
bool isValue(const QString& cell) {
    if (cell.isEmpty()) return false;
    if (cell == QStringLiteral("∞")) return true;
    const std::string text = cell.toStdString();
    const std::optional<double> number = geometry::parse_strict(text);
    if (number && std::isfinite(*number)) return true;
    return static_cast<bool>(route::read_chainage(text));
}

bool anyValue(const QStringList& cells) {
    return std::any_of(cells.begin(), cells.end(), isValue);
}

QString quotedCell(QString text) {
    if (!text.contains(QLatin1Char('\t')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('"')))
        return text;
    text.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

}  // namespace

bool startsWithHeader(const std::vector<QStringList>& rows, const QStringList& headers) {
    if (rows.empty()) return false;
    const QStringList& first = rows.front();
    if (anyValue(first)) return false;
    const bool names = std::any_of(first.begin(), first.end(), [&headers](const QString& cell) {
        return !cell.isEmpty() && headers.contains(cell, Qt::CaseInsensitive);
    });
    return names || (rows.size() > 1 && anyValue(rows[1]));
}

QString copiedText(const QAbstractItemModel& model, const QItemSelectionModel& selection) {
    // The rows and columns that hold a selected cell; a cell of them that is
    // not selected is left empty.
    std::vector<char> rows(static_cast<std::size_t>(model.rowCount()), 0);
    std::vector<char> columns(static_cast<std::size_t>(model.columnCount()), 0);
    QItemSelection chosen = selection.selection();
    if (chosen.isEmpty() && selection.currentIndex().isValid())
        chosen.select(selection.currentIndex(), selection.currentIndex());
    if (chosen.isEmpty()) return {};
    bool whole = chosen.size() == 1;  // one rectangle: every cell of it selected
    for (const QItemSelectionRange& r : chosen) {
        for (int i = r.top(); i <= r.bottom(); ++i) rows[static_cast<std::size_t>(i)] = 1;
        for (int c = r.left(); c <= r.right(); ++c) columns[static_cast<std::size_t>(c)] = 1;
    }
    QString out;
    const QString lineEnd = QStringLiteral("\r\n");
    bool firstCell = true;
    for (int c = 0; c < model.columnCount(); ++c) {
        if (!columns[static_cast<std::size_t>(c)]) continue;
        if (!firstCell) out += QLatin1Char('\t');
        firstCell = false;
        out += quotedCell(model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    }
    out += lineEnd;
    for (int i = 0; i < model.rowCount(); ++i) {
        if (!rows[static_cast<std::size_t>(i)]) continue;
        firstCell = true;
        for (int c = 0; c < model.columnCount(); ++c) {
            if (!columns[static_cast<std::size_t>(c)]) continue;
            if (!firstCell) out += QLatin1Char('\t');
            firstCell = false;
            const QModelIndex index = model.index(i, c);
            if (whole || chosen.contains(index))
                out += quotedCell(model.data(index, Qt::DisplayRole).toString());
        }
        out += lineEnd;
    }
    return out;
}

void copySelection(QTableView* view) {
    if (!view->model() || !view->selectionModel()) return;
    const QString text = copiedText(*view->model(), *view->selectionModel());
    if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

bool pasteClipboard(QTableView* view) {
    auto* table = qobject_cast<TextTable*>(view->model());
    if (!table) return false;
    std::vector<QStringList> rows = clipboardRows(QGuiApplication::clipboard()->text());
    const QModelIndex current = view->currentIndex();
    const int row = current.isValid() ? current.row() : 0;
    const int column = current.isValid() ? current.column() : 0;
    QStringList headers;
    for (int c = 0; c < table->fields(); ++c)
        headers.append(table->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    if (startsWithHeader(rows, headers)) rows.erase(rows.begin());
    const std::optional<TextTable::Pasted> pasted = table->paste(row, column, rows);
    if (!pasted) return false;
    const QModelIndex first = table->index(pasted->firstRow, pasted->firstColumn);
    view->setCurrentIndex(first);
    view->selectionModel()->select(
        QItemSelection(first, table->index(pasted->lastRow, pasted->lastColumn)),
        QItemSelectionModel::ClearAndSelect);
    return true;
}

namespace {

// Takes the keys before the view: its own Ctrl+C copies one cell without
// its header, and it has no paste.
class ClipboardKeys final : public QObject {
  public:
    explicit ClipboardKeys(QTableView* view) : QObject(view), view_(view) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != view_ || event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy)) {
            copySelection(view_);
            return true;
        }
        if (key->matches(QKeySequence::Paste) && qobject_cast<TextTable*>(view_->model())) {
            pasteClipboard(view_);
            return true;
        }
        return false;
    }

  private:
    QTableView* view_;
};

}  // namespace

void enableClipboard(QTableView* view) {
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->installEventFilter(new ClipboardKeys(view));
    view->setContextMenuPolicy(Qt::ActionsContextMenu);
    const auto action = [view](const QString& text, const QString& name,
                               QKeySequence::StandardKey key, auto slot) {
        auto* a = new QAction(text, view);
        a->setObjectName(name);
        // Shown in the menu; the keys themselves are taken by ClipboardKeys.
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetShortcut);
        QObject::connect(a, &QAction::triggered, view, slot);
        view->addAction(a);
    };
    const QString name = view->objectName();
    action(QStringLiteral("复制"), name + QStringLiteral("CopyAction"), QKeySequence::Copy,
           [view] { copySelection(view); });
    if (qobject_cast<TextTable*>(view->model()))
        action(QStringLiteral("粘贴"), name + QStringLiteral("PasteAction"), QKeySequence::Paste,
               [view] { pasteClipboard(view); });
    action(QStringLiteral("全选"), name + QStringLiteral("SelectAllAction"),
           QKeySequence::SelectAll, [view] { view->selectAll(); });
}

}  // namespace korvane::ui
