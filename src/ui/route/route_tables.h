// The alignment as tables of texts, as the user types them: one table of the
// alignment's name and start, one of its elements or intersection points, one
// of chain breaks and one of vertical points. Every edit goes through an undo
// stack; every row carries the error found in it, shown in its last column.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "route/definition.h"
#include "route/failure.h"

namespace korvane::route {
class Alignment;
}

class QUndoStack;

namespace korvane::ui {

// A table of texts with a last, read-only column "检查" holding the row's
// error. Edits made through setData() and the row commands are undoable.
class TextTable : public QAbstractTableModel {
    Q_OBJECT

  public:
    TextTable(QStringList headers, QUndoStack* undo, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    const std::vector<QStringList>& rows() const { return rows_; }
    const QString& cell(int row, int column) const;
    int fields() const { return static_cast<int>(headers_.size()); }

    // Replaces everything, not undoably (a file opened, a new alignment).
    void reset(std::vector<QStringList> rows);
    // Undoable: a blank row inserted before `row`, or row `row` removed.
    void insertBlankRow(int row);
    // Undoable: a row of `cells` inserted before `row`.
    void insertRowOf(int row, QStringList cells);
    void removeRowAt(int row);
    // Rows that cannot be removed and before which nothing is inserted (the
    // start and end points of the intersection-point table): the first
    // `fixedHead` rows and the last `fixedTail` rows.
    void setFixedRows(int fixedHead, int fixedTail);
    int fixedTail() const { return fixedTail_; }
    // New column headers (the start table differs between the two methods);
    // takes effect with the next reset().
    void setHeaders(QStringList headers) { headers_ = std::move(headers); }
    bool canInsertAt(int row) const;
    bool canRemove(int row) const;
    // Cells that take no text (the radius of the start point): column `column`
    // of the fixed rows.
    void setFixedRowColumns(int firstLockedColumn);
    // A table of a fixed number of rows (the start table): a paste never
    // adds rows to it, what runs past its last row is left out.
    void setFixedRowCount(bool fixed) { fixedCount_ = fixed; }

    // Rows of cells pasted with their first cell at (row, column), as one
    // undoable step. Rows are added where the block runs past the rows it
    // may write: at the end, or before the fixed last rows. A block pasted at
    // the first of fixed first rows with at least as many rows as the fixed
    // ones, whose last row leaves empty (or 0) the cells fixed rows take no
    // text in, is the whole table: its first rows go to the fixed first rows,
    // its last to the fixed last rows and the rows between are made as many
    // as its middle rows. A block pasted at a fixed last row ends there, its
    // earlier rows added before it. Cells past the last column, and cells
    // that take no text, are left out. The rows written, or none when
    // nothing changed.
    struct Pasted {
        int firstRow = 0;
        int lastRow = 0;
        int firstColumn = 0;
        int lastColumn = 0;
    };
    std::optional<Pasted> paste(int row, int column, const std::vector<QStringList>& block);

    // A table that shows what is derived from other tables (the
    // superelevation of an alignment by intersection points): no cell takes
    // text and the texts are grey.
    void setReadOnly(bool readOnly);
    bool readOnly() const { return readOnly_; }

    void setErrors(std::vector<QString> errors);
    QString error(int row) const;

    // Used by the undo commands.
    void applyCell(int row, int column, const QString& text);
    void applyInsert(int row, const QStringList& cells);
    void applyRemove(int row);
    void applyRows(const std::vector<QStringList>& rows);

  signals:
    // After any change of the texts (an edit, its undo or redo, a reset).
    void edited();

  private:
    bool fixedRow(int row) const;
    bool lockedCell(int row, int column, int rowCount) const;
    bool endsAsTail(const std::vector<QStringList>& block, int column) const;

    QStringList headers_;
    QUndoStack* undo_;
    std::vector<QStringList> rows_;
    std::vector<QString> errors_;
    int fixedHead_ = 0;
    int fixedTail_ = 0;
    int lockedFrom_ = -1;
    bool fixedCount_ = false;
    bool readOnly_ = false;
};

// The column layouts.
namespace columns {
// Start table, element method: name, prefix, chainage, X, Y, azimuth.
inline constexpr int kName = 0, kPrefix = 1, kStartChainage = 2, kStartX = 3, kStartY = 4,
                     kStartAzimuth = 5;
// Element table: length, start radius, end radius, direction (左/右/empty),
// and where the element turns at an angle point (its packed turn) or starts
// on its own (its "X Y azimuth", as LandXML places each element).
inline constexpr int kLength = 0, kRadiusStart = 1, kRadiusEnd = 2, kDirection = 3, kCorner = 4;
// Point table: name, X, Y, R, Ls1, Ls2; first row QD, last row ZD.
// Then the curve's full superelevation (percent) and widening (metres).
inline constexpr int kPointName = 0, kPointX = 1, kPointY = 2, kPointRadius = 3, kEntry = 4,
                     kExit = 5, kPointSuper = 6, kPointWidening = 7;
// Chain breaks: back, ahead. Vertical points: chainage, H, R, zone, and the
// lengths before and after the point of an unsymmetric vertical curve.
inline constexpr int kBack = 0, kAhead = 1;
inline constexpr int kVerticalChainage = 0, kElevation = 1, kVerticalRadius = 2, kZone = 3,
                     kLengthIn = 4, kLengthOut = 5;
// Section settings (one row): profile line offset, rotation axis (中线, 内边线,
// 外边线 or an offset in metres), runoff length.
inline constexpr int kProfileOffset = 0, kAxis = 1, kRunoff = 2;
// Section template: side (左/右), width, cross slope %, name, turns (是/否).
inline constexpr int kSide = 0, kWidth = 1, kSlope = 2, kPartName = 3, kTurns = 4;
// Superelevation (percent) and widening (metres): chainage, left, right, zone.
inline constexpr int kRecordChainage = 0, kRecordLeft = 1, kRecordRight = 2, kRecordZone = 3;
}  // namespace columns

QStringList startHeaders(bool byPoints);
QStringList elementHeaders();
QStringList pointHeaders();
QStringList breakHeaders();
QStringList profileHeaders();
QStringList sectionSettingHeaders();
QStringList sectionPartHeaders();
QStringList superelevationHeaders();
QStringList wideningHeaders();

// The texts of the section tables. The template lists the left side's
// segments, then the right side's, each from the centre line out; the rows
// may be typed in any order of sides.
struct SectionTexts {
    std::vector<QStringList> settings;  // one row
    std::vector<QStringList> parts;
    std::vector<QStringList> superelevation;
    std::vector<QStringList> widening;
};
SectionTexts sectionTextsOf(const route::SectionDef& section, const std::string& prefix);
// The superelevation and widening an alignment by intersection points
// derives from its points, as chainage texts in their zones.
struct DerivedTexts {
    std::vector<QStringList> superelevation;
    std::vector<QStringList> widening;
};
DerivedTexts derivedTextsOf(const route::Alignment& alignment);

// The texts of each table for a definition.
struct DefinitionTexts {
    bool byPoints = false;
    std::vector<QStringList> start;  // one row
    std::vector<QStringList> horizontal;
    std::vector<QStringList> breaks;
    std::vector<QStringList> profile;
    SectionTexts section;
};
DefinitionTexts textsOf(const route::Definition& definition);

// Which table a row error belongs to.
// leftPart and rightPart name the i-th segment of a side (a failure of the
// section); the pane finds its row in the template table (parts).
enum class TableKind {
    start,
    horizontal,
    breaks,
    profile,
    sectionSettings,
    parts,
    superelevation,
    widening,
    leftPart,
    rightPart
};
// The row of the template table holding the `index`-th segment of a side,
// or -1.
int partRow(const std::vector<QStringList>& parts, bool left, int index);

struct RowError {
    TableKind table = TableKind::start;
    int row = 0;
    int column = -1;  // the field at fault, or -1
    QString message;
};

// The definition the texts spell, or the first error of each row (all rows
// are read, so every wrong row shows its error at once). A row of the
// elements, chain breaks or vertical points left wholly empty (one just
// inserted) is no part of the definition: it is listed in `blank` and the
// rest computes.
struct ReadTexts {
    std::optional<route::Definition> definition;
    std::vector<RowError> errors;
    std::vector<RowError> blank;  // the empty rows left out, each with its note
    // The table row of each element, chain break and vertical point of the
    // definition.
    std::vector<int> elementRows;
    std::vector<int> breakRows;
    std::vector<int> profileRows;
};
ReadTexts readTexts(bool byPoints, const std::vector<QStringList>& start,
                    const std::vector<QStringList>& horizontal,
                    const std::vector<QStringList>& breaks, const std::vector<QStringList>& profile,
                    const SectionTexts& section = {});

// Where a failure of Alignment::build is shown: the table and row it names
// (the start table, row 0, for the start and what has no row), the rows of
// elements, chain breaks and vertical points counted as `read` took them.
RowError placeOf(const route::Failure& failure, const ReadTexts& read);

// The name proposed for an intersection point inserted after one named
// `previous`: the next number ("JD3" after "JD2", "JD010" after "JD009"),
// "JD1" after the start point QD, nothing after a name without a number.
QString nextPointName(const QString& previous);

// Number texts: the shortest text that reads back to the same double.
QString shortestText(double value);
// A radius: "∞" for a straight, else shortestText.
QString radiusText(double radius);

}  // namespace korvane::ui
