// The rows of a computed table or bulk inverse: kept as numbers in compact
// storage (a million rows are some 50 MB, not a million widgets), their texts
// made only when a row is shown or written. Written as CSV or as a CASS file.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "files/dxf_file.h"
#include "files/error.h"
#include "route/alignment.h"

namespace korvane::ui {

// One row: a table row (station, label, offset, X, Y, azimuth, H) or an
// inverted point (name, X, Y, station, offset, H).
struct ResultRow {
    double chainage = 0;
    double offset = 0;
    double x = 0;
    double y = 0;
    double azimuth = 0;
    double h = 0;            // NaN: no elevation
    std::uint32_t text = 0;  // the label (table) or the name (inverse), an index into texts
    std::int32_t zone = 1;
};

// A piece of rows delivered by the computation, with the texts they use
// that the model has not seen yet.
struct ResultChunk {
    std::vector<ResultRow> rows;
    std::vector<std::string> newTexts;
};

enum class ResultKind { table, inverse };

// The rows themselves, in blocks of a fixed size: growing never moves rows
// already stored (no pause to copy 50 MB at the millionth row), and a result
// that is no longer shown is freed wherever its last owner lets it go (a
// worker thread, an export still writing it).
class ResultStore {
  public:
    static constexpr std::size_t kBlockRows = std::size_t{1} << 16;

    ResultStore(ResultKind kind, std::shared_ptr<const route::Alignment> alignment)
        : kind_(kind), alignment_(std::move(alignment)) {}

    ResultKind kind() const { return kind_; }
    const route::Alignment* alignment() const { return alignment_.get(); }
    const std::shared_ptr<const route::Alignment>& sharedAlignment() const { return alignment_; }
    std::size_t size() const { return size_; }
    const ResultRow& row(std::size_t i) const { return blocks_[i / kBlockRows][i % kBlockRows]; }
    const std::string& text(std::uint32_t i) const { return texts_[i]; }
    bool hasElevation() const;

    void addTexts(std::vector<std::string>& texts);
    // Rows [first, last) of `rows` appended.
    void append(const std::vector<ResultRow>& rows, std::size_t first, std::size_t last);

  private:
    ResultKind kind_;
    std::shared_ptr<const route::Alignment> alignment_;
    std::vector<std::vector<ResultRow>> blocks_;
    std::size_t size_ = 0;
    std::vector<std::string> texts_;
};

class ResultModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit ResultModel(QObject* parent = nullptr);

    // Empties the model for a new result on `alignment`. Returns the rows
    // held until then, for the caller to free where it costs the window
    // nothing (they are still shared with anyone holding them).
    std::shared_ptr<const ResultStore> start(ResultKind kind,
                                             std::shared_ptr<const route::Alignment> alignment);
    // The chunk's texts and its rows [first, last) appended (all its rows by default).
    void append(ResultChunk& chunk, std::size_t first = 0, std::size_t last = SIZE_MAX);
    void clear();

    ResultKind kind() const { return store_->kind(); }
    std::size_t size() const { return store_->size(); }
    const ResultRow& row(std::size_t i) const { return store_->row(i); }
    const std::string& text(std::uint32_t i) const { return store_->text(i); }
    const route::Alignment* alignment() const { return store_->alignment(); }
    bool hasElevation() const { return store_->hasElevation(); }
    // The rows as they are now, shared: they never change, since every new
    // result starts a new store and rows are only appended while computing.
    std::shared_ptr<const ResultStore> store() const { return store_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The texts of row `i`, as the columns show them (3 decimals).
    QStringList rowTexts(std::size_t i) const { return rowTextsOf(*store_, i); }
    QStringList headers() const { return headersOf(kind()); }

    static QStringList rowTextsOf(const ResultStore& store, std::size_t i);
    static QStringList headersOf(ResultKind kind);

  private:
    std::shared_ptr<ResultStore> store_;
};

// How far a writer has come and whether it is to stop: `progress` is told
// the rows written so far now and then; a set `cancel` ends the writing with
// nothing put in place.
struct WriteControl {
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(std::size_t)> progress;
};

// What a cancelled writer returns (the file at the path is untouched).
inline constexpr const char* kWriteCancelled = "导出已取消！";

// Writes the rows, replacing any file at `path` whole: CSV with a header line
// (station,label,offset,X,Y,azimuth,H for a table; name,X,Y,station,offset,H
// for inverted points) or a CASS file (点名,编码,Y,X,H), code page 936 with
// CR LF, 3 decimals; the same bytes as the command line writes with --output.
std::optional<files::Error> writeResultCsv(const ResultStore& model, const std::string& path,
                                           const WriteControl& control = {});
std::optional<files::Error> writeResultCass(const ResultStore& model, const std::string& path,
                                            const WriteControl& control = {});

// The DXF drawing with the rows of `table` (may be null: none) as its
// stakes, replacing any file at `path` whole: the same bytes as korvane-cli
// route dxf with the table's options.
std::optional<files::Error> writeResultDxf(const files::DxfDrawing& drawing,
                                           const ResultStore* table, const std::string& path,
                                           const WriteControl& control = {});

}  // namespace korvane::ui
