// TextTable: the editable table of texts behind each of the route window's
// alignment tables, with its fixed rows and columns, read-only mode, undoable
// edits and pastes.
#include <QBrush>
#include <QColor>
#include <QUndoCommand>
#include <QUndoStack>
#include <algorithm>
#include <utility>

#include "ui/route/route_tables.h"

namespace korvane::ui {

namespace {

// One cell's text changed.
class SetCellCommand final : public QUndoCommand {
  public:
    SetCellCommand(TextTable* table, int row, int column, QString before, QString after)
        : table_(table),
          row_(row),
          column_(column),
          before_(std::move(before)),
          after_(std::move(after)) {
        setText(QStringLiteral("编辑"));
    }
    void redo() override { table_->applyCell(row_, column_, after_); }
    void undo() override { table_->applyCell(row_, column_, before_); }

  private:
    TextTable* table_;
    int row_;
    int column_;
    QString before_;
    QString after_;
};

// A row inserted (or, with `remove`, removed).
class RowCommand final : public QUndoCommand {
  public:
    RowCommand(TextTable* table, int row, QStringList cells, bool remove)
        : table_(table), row_(row), cells_(std::move(cells)), remove_(remove) {
        setText(remove ? QStringLiteral("删除行") : QStringLiteral("插入行"));
    }
    void redo() override {
        remove_ ? table_->applyRemove(row_) : table_->applyInsert(row_, cells_);
    }
    void undo() override {
        remove_ ? table_->applyInsert(row_, cells_) : table_->applyRemove(row_);
    }

  private:
    TextTable* table_;
    int row_;
    QStringList cells_;
    bool remove_;
};

// Rows replaced all at once (a paste).
class RowsCommand final : public QUndoCommand {
  public:
    RowsCommand(TextTable* table, std::vector<QStringList> before, std::vector<QStringList> after)
        : table_(table), before_(std::move(before)), after_(std::move(after)) {
        setText(QStringLiteral("粘贴"));
    }
    void redo() override { table_->applyRows(after_); }
    void undo() override { table_->applyRows(before_); }

  private:
    TextTable* table_;
    std::vector<QStringList> before_;
    std::vector<QStringList> after_;
};

}  // namespace

TextTable::TextTable(QStringList headers, QUndoStack* undo, QObject* parent)
    : QAbstractTableModel(parent), headers_(std::move(headers)), undo_(undo) {}

int TextTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TextTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : fields() + 1;
}

const QString& TextTable::cell(int row, int column) const {
    return rows_[static_cast<std::size_t>(row)][column];
}

QString TextTable::error(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= errors_.size()) return {};
    return errors_[static_cast<std::size_t>(row)];
}

QVariant TextTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int row = index.row();
    const bool checkColumn = index.column() == fields();
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        if (checkColumn) return error(row);
        return cell(row, index.column());
    }
    if (role == Qt::ToolTipRole && !error(row).isEmpty()) return error(row);
    // A note (注意：…) does not stop the computation: yellow, not red.
    if (role == Qt::BackgroundRole && !error(row).isEmpty())
        return error(row).startsWith(QStringLiteral("注意：")) ? QBrush(QColor(255, 248, 208))
                                                               : QBrush(QColor(255, 224, 224));
    if (role == Qt::ForegroundRole && checkColumn) return QBrush(QColor(176, 0, 0));
    if (role == Qt::ForegroundRole && readOnly_) return QBrush(QColor(120, 120, 120));
    if (role == Qt::BackgroundRole && readOnly_) return QBrush(QColor(240, 240, 240));
    return {};
}

QVariant TextTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    if (section == fields()) return QStringLiteral("检查");
    return headers_.value(section);
}

bool TextTable::fixedRow(int row) const {
    return row < fixedHead_ || row >= rowCount() - fixedTail_;
}

bool TextTable::lockedCell(int row, int column, int rowCount) const {
    const bool fixed = row < fixedHead_ || row >= rowCount - fixedTail_;
    return lockedFrom_ >= 0 && column >= lockedFrom_ && fixed;
}

Qt::ItemFlags TextTable::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == fields() || readOnly_) return f;
    if (lockedCell(index.row(), index.column(), rowCount())) return f;
    return f | Qt::ItemIsEditable;
}

bool TextTable::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
    const QString text = value.toString();
    const QString& before = cell(index.row(), index.column());
    if (text == before) return true;
    undo_->push(new SetCellCommand(this, index.row(), index.column(), before, text));
    return true;
}

void TextTable::reset(std::vector<QStringList> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    for (QStringList& r : rows_)
        while (r.size() < fields()) r.append(QString());
    errors_.clear();
    endResetModel();
    emit edited();
}

void TextTable::setFixedRows(int fixedHead, int fixedTail) {
    fixedHead_ = fixedHead;
    fixedTail_ = fixedTail;
}

void TextTable::setFixedRowColumns(int firstLockedColumn) {
    lockedFrom_ = firstLockedColumn;
}

void TextTable::setReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, fields()));
}

bool TextTable::canInsertAt(int row) const {
    return row >= fixedHead_ && row <= rowCount() - fixedTail_;
}

bool TextTable::canRemove(int row) const {
    return row >= 0 && row < rowCount() && !fixedRow(row);
}

void TextTable::insertBlankRow(int row) {
    insertRowOf(row, {});
}

void TextTable::insertRowOf(int row, QStringList cells) {
    if (!canInsertAt(row)) return;
    while (cells.size() < fields()) cells.append(QString());
    undo_->push(new RowCommand(this, row, cells, false));
}

void TextTable::removeRowAt(int row) {
    if (!canRemove(row)) return;
    undo_->push(new RowCommand(this, row, rows_[static_cast<std::size_t>(row)], true));
}

bool TextTable::endsAsTail(const std::vector<QStringList>& block, int column) const {
    // An end point has nothing in the cells fixed rows do not take (ZD has no
    // radius or transitions); a row with them is one more JD.
    if (lockedFrom_ < 0 || block.empty()) return true;
    const QStringList& last = block.back();
    for (int j = std::max(0, lockedFrom_ - column); j < last.size(); ++j) {
        const QString& text = last[j];
        if (!text.isEmpty() && text != QStringLiteral("0")) return false;
    }
    return true;
}

std::optional<TextTable::Pasted> TextTable::paste(int row, int column,
                                                  const std::vector<QStringList>& block) {
    if (readOnly_) return {};  // derived records take no text
    const int n = fixedCount_ ? std::min(static_cast<int>(block.size()), rowCount() - row)
                              : static_cast<int>(block.size());
    if (n <= 0 || column < 0 || column >= fields() || row < 0 || row > rowCount()) return {};
    std::vector<QStringList> after = rows_;
    const QStringList blank = [this] {
        QStringList cells;
        for (int i = 0; i < fields(); ++i) cells.append(QString());
        return cells;
    }();
    const auto count = [&after] { return static_cast<int>(after.size()); };
    const int head = fixedHead_;
    const int tail = fixedTail_;
    if (tail > 0 && row >= count() - tail) {
        // At a fixed last row: the block ends at the last of them.
        const int added = std::max(0, n - (count() - row));
        after.insert(after.begin() + row, static_cast<std::size_t>(added), blank);
    } else if (head > 0 && tail > 0 && row == 0 && n >= head + tail && endsAsTail(block, column)) {
        // The whole table, its start and end rows included.
        const int middle = count() - head - tail;
        const int wanted = n - head - tail;
        if (wanted > middle)
            after.insert(after.end() - tail, static_cast<std::size_t>(wanted - middle), blank);
        else
            after.erase(after.begin() + head + wanted, after.begin() + head + middle);
    } else {
        // Rows added before the fixed last rows (or at the end) as needed.
        const int room = count() - tail - row;
        if (n > room) after.insert(after.end() - tail, static_cast<std::size_t>(n - room), blank);
    }
    Pasted where{row, row + n - 1, column, column};
    for (int i = 0; i < n; ++i) {
        const int at = row + i;
        QStringList& target = after[static_cast<std::size_t>(at)];
        const QStringList& cells = block[static_cast<std::size_t>(i)];
        for (int j = 0; j < cells.size(); ++j) {
            const int c = column + j;
            if (c >= fields()) break;
            where.lastColumn = std::max(where.lastColumn, c);
            if (lockedCell(at, c, count())) continue;
            target[c] = cells[j];
        }
    }
    if (after == rows_) return {};
    undo_->push(new RowsCommand(this, rows_, std::move(after)));
    return where;
}

void TextTable::applyRows(const std::vector<QStringList>& rows) {
    beginResetModel();
    rows_ = rows;
    errors_.clear();
    endResetModel();
    emit edited();
}

void TextTable::applyCell(int row, int column, const QString& text) {
    rows_[static_cast<std::size_t>(row)][column] = text;
    const QModelIndex at = index(row, column);
    emit dataChanged(at, at);
    emit edited();
}

void TextTable::applyInsert(int row, const QStringList& cells) {
    beginInsertRows({}, row, row);
    rows_.insert(rows_.begin() + row, cells);
    if (static_cast<std::size_t>(row) < errors_.size())
        errors_.insert(errors_.begin() + row, QString());
    endInsertRows();
    emit edited();
}

void TextTable::applyRemove(int row) {
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    if (static_cast<std::size_t>(row) < errors_.size()) errors_.erase(errors_.begin() + row);
    endRemoveRows();
    emit edited();
}

void TextTable::setErrors(std::vector<QString> errors) {
    errors_ = std::move(errors);
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, fields()));
}

}  // namespace korvane::ui
