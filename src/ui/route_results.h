// The rows of a computed table or bulk inverse: kept as numbers in compact
// storage (a million rows are some 50 MB, not a million widgets), their texts
// made only when a row is shown or written. Written as CSV or as a CASS file.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

class ResultModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit ResultModel(QObject* parent = nullptr);

    // Empties the model for a new result on `alignment`.
    void start(ResultKind kind, std::shared_ptr<const route::Alignment> alignment);
    void append(ResultChunk chunk);
    void clear();

    ResultKind kind() const { return kind_; }
    std::size_t size() const { return rows_.size(); }
    const ResultRow& row(std::size_t i) const { return rows_[i]; }
    const std::string& text(std::uint32_t i) const { return texts_[i]; }
    const route::Alignment* alignment() const { return alignment_.get(); }
    bool hasElevation() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The texts of row `i`, as the columns show them (3 decimals).
    QStringList rowTexts(std::size_t i) const;
    QStringList headers() const;

  private:
    ResultKind kind_ = ResultKind::table;
    std::shared_ptr<const route::Alignment> alignment_;
    std::vector<ResultRow> rows_;
    std::vector<std::string> texts_;
};

// A number with `decimals` decimals, rounded on its exact binary value; a
// value that rounds to zero is written without a sign.
std::string fixedText(double value, int decimals);

// The point name of a side stake in a CASS file: the chainage text, then the
// side and the distance ("K1+020左7.5").
std::string stakeName(const std::string& station, double offset);

// Writes the rows, replacing any file at `path` whole: CSV with a header line
// (station,label,offset,X,Y,azimuth,H for a table; name,X,Y,station,offset,H
// for inverted points) or a CASS file (点名,编码,Y,X,H), code page 936 with
// CR LF, 3 decimals; the same bytes as the command line writes with --output.
std::optional<files::Error> writeResultCsv(const ResultModel& model, const std::string& path);
std::optional<files::Error> writeResultCass(const ResultModel& model, const std::string& path);

}  // namespace korvane::ui
