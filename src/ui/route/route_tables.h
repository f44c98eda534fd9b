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

  signals:
    // After any change of the texts (an edit, its undo or redo, a reset).
    void edited();

  private:
    bool fixedRow(int row) const;

    QStringList headers_;
    QUndoStack* undo_;
    std::vector<QStringList> rows_;
    std::vector<QString> errors_;
    int fixedHead_ = 0;
    int fixedTail_ = 0;
    int lockedFrom_ = -1;
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
// are read, so every wrong row shows its error at once).
struct ReadTexts {
    std::optional<route::Definition> definition;
    std::vector<RowError> errors;
};
ReadTexts readTexts(bool byPoints, const std::vector<QStringList>& start,
                    const std::vector<QStringList>& horizontal,
                    const std::vector<QStringList>& breaks, const std::vector<QStringList>& profile,
                    const SectionTexts& section = {});

// Where a failure of Alignment::build is shown: the table and row it names
// (the start table, row 0, for the start and what has no row).
RowError placeOf(const route::Failure& failure);

// Number texts: the shortest text that reads back to the same double.
QString shortestText(double value);
// A radius: "∞" for a straight, else shortestText.
QString radiusText(double radius);

}  // namespace korvane::ui
