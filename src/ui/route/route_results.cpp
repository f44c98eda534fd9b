#include "ui/route/route_results.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>

#include "files/codec.h"
#include "files/point_file.h"
#include "files/route_output.h"
#include "files/safe_write.h"
#include "geometry/fixed_text.h"
#include "geometry/number_text.h"
#include "route/angle.h"

namespace korvane::ui {

namespace {

constexpr int kDecimals = 3;

void appendElevation(std::string& out, double h) {
    if (!std::isnan(h)) geometry::append_shown_fixed(out, h, kDecimals);
}

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

bool ResultStore::hasElevation() const {
    for (const std::vector<ResultRow>& block : blocks_)
        for (const ResultRow& r : block)
            if (!std::isnan(r.h)) return true;
    return false;
}

void ResultStore::addTexts(std::vector<std::string>& texts) {
    for (std::string& t : texts) texts_.push_back(std::move(t));
    texts.clear();
}

void ResultStore::append(const std::vector<ResultRow>& rows, std::size_t first, std::size_t last) {
    while (first < last) {
        if (blocks_.empty() || blocks_.back().size() == kBlockRows) {
            blocks_.emplace_back();
            blocks_.back().reserve(kBlockRows);
        }
        std::vector<ResultRow>& block = blocks_.back();
        const std::size_t n = std::min(last - first, kBlockRows - block.size());
        const auto from = rows.begin() + static_cast<std::ptrdiff_t>(first);
        block.insert(block.end(), from, from + static_cast<std::ptrdiff_t>(n));
        first += n;
        size_ += n;
    }
}

ResultModel::ResultModel(QObject* parent)
    : QAbstractTableModel(parent),
      store_(std::make_shared<ResultStore>(ResultKind::table, nullptr)) {}

std::shared_ptr<const ResultStore> ResultModel::start(
    ResultKind kind, std::shared_ptr<const route::Alignment> alignment) {
    beginResetModel();
    std::shared_ptr<const ResultStore> old =
        std::exchange(store_, std::make_shared<ResultStore>(kind, std::move(alignment)));
    endResetModel();
    return old;
}

void ResultModel::clear() {
    start(kind(), store_->sharedAlignment());
}

void ResultModel::append(ResultChunk& chunk, std::size_t first, std::size_t last) {
    store_->addTexts(chunk.newTexts);
    last = std::min(last, chunk.rows.size());
    if (first >= last) return;
    const int begin = static_cast<int>(store_->size());
    beginInsertRows({}, begin, begin + static_cast<int>(last - first) - 1);
    store_->append(chunk.rows, first, last);
    endInsertRows();
}

int ResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(store_->size());
}

int ResultModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return kind() == ResultKind::table ? 7 : 6;
}

QStringList ResultModel::headersOf(ResultKind kind) {
    if (kind == ResultKind::table)
        return {QStringLiteral("桩号"), QStringLiteral("标志"), QStringLiteral("偏距"),
                QStringLiteral("X"),    QStringLiteral("Y"),    QStringLiteral("方位角"),
                QStringLiteral("H")};
    return {QStringLiteral("点名"), QStringLiteral("X"),    QStringLiteral("Y"),
            QStringLiteral("桩号"), QStringLiteral("偏距"), QStringLiteral("H")};
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return headers().value(section);
}

QStringList ResultModel::rowTextsOf(const ResultStore& store, std::size_t i) {
    const ResultRow& r = store.row(i);
    std::string h;
    appendElevation(h, r.h);
    const QString station = qs(store.alignment()->station_text(r.chainage, r.zone, kDecimals));
    if (store.kind() == ResultKind::table)
        return {station,
                qs(store.text(r.text)),
                qs(geometry::shown_fixed(r.offset, kDecimals)),
                qs(geometry::shown_fixed(r.x, kDecimals)),
                qs(geometry::shown_fixed(r.y, kDecimals)),
                qs(route::format_azimuth(r.azimuth, 2)),
                qs(h)};
    return {qs(store.text(r.text)),
            qs(geometry::shown_fixed(r.x, kDecimals)),
            qs(geometry::shown_fixed(r.y, kDecimals)),
            station,
            qs(geometry::shown_fixed(r.offset, kDecimals)),
            qs(h)};
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const std::size_t i = static_cast<std::size_t>(index.row());
    const ResultStore& store = *store_;
    if (i >= store.size()) return {};
    if (role == Qt::TextAlignmentRole) {
        const bool text =
            store.kind() == ResultKind::table ? index.column() == 1 : index.column() == 0;
        return QVariant::fromValue(text ? Qt::AlignLeft | Qt::AlignVCenter
                                        : Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) return {};
    const ResultRow& r = store.row(i);
    const int d = kDecimals;
    const auto station = [&] { return qs(store.alignment()->station_text(r.chainage, r.zone, d)); };
    const auto elevation = [&] {
        std::string h;
        appendElevation(h, r.h);
        return qs(h);
    };
    if (store.kind() == ResultKind::table) {
        switch (index.column()) {
            case 0:
                return station();
            case 1:
                return qs(store.text(r.text));
            case 2:
                return qs(geometry::shown_fixed(r.offset, d));
            case 3:
                return qs(geometry::shown_fixed(r.x, d));
            case 4:
                return qs(geometry::shown_fixed(r.y, d));
            case 5:
                return qs(route::format_azimuth(r.azimuth, 2));
            default:
                return elevation();
        }
    }
    switch (index.column()) {
        case 0:
            return qs(store.text(r.text));
        case 1:
            return qs(geometry::shown_fixed(r.x, d));
        case 2:
            return qs(geometry::shown_fixed(r.y, d));
        case 3:
            return station();
        case 4:
            return qs(geometry::shown_fixed(r.offset, d));
        default:
            return elevation();
    }
}

// ---------------------------------------------------------------------------
// Files

namespace {

// Rows between two looks at the cancel flag and two progress reports.
constexpr std::size_t kReportRows = 8192;

// At each kReportRows-th row: the progress told, and whether to stop.
bool stopAt(const WriteControl& control, std::size_t row) {
    if (row % kReportRows != 0) return false;
    if (control.cancel && control.cancel->load(std::memory_order_relaxed)) return true;
    if (control.progress) control.progress(row);
    return false;
}

}  // namespace

namespace {

// The rows written through the files layer's route output, the writer of the
// command line's --output too, replacing any file at `path` whole.
std::optional<files::Error> writeResult(const ResultStore& model, const std::string& path,
                                        files::RouteFormat format, const WriteControl& control) {
    files::Result<files::SafeFileWriter> opened = files::SafeFileWriter::open(path);
    if (!opened) return opened.failure();
    files::SafeFileWriter file = std::move(opened).value();
    const route::Alignment& a = *model.alignment();
    const bool table = model.kind() == ResultKind::table;
    files::RouteOutput out(table ? files::RouteRows::table : files::RouteRows::inverse, format,
                           files::RouteBytes::cp936, kDecimals,
                           [&file](std::string_view bytes) { return file.write(bytes); });
    std::vector<route::TableRow> rows;
    const auto flush = [&]() -> std::optional<files::Error> {
        std::optional<files::Error> error = out.table(a, rows);
        rows.clear();
        return error;
    };
    const auto elevation = [](double h) -> std::optional<double> {
        if (std::isnan(h)) return std::nullopt;
        return h;
    };
    for (std::size_t i = 0; i < model.size(); ++i) {
        // Dropping the writer removes its temporary file: nothing is written.
        if (stopAt(control, i)) return files::Error{kWriteCancelled};
        const ResultRow& r = model.row(i);
        if (!table) {
            if (auto error = out.inverse(model.text(r.text), r.x, r.y,
                                         a.station_text(r.chainage, r.zone, kDecimals), r.offset,
                                         elevation(r.h)))
                return error;
            continue;
        }
        rows.push_back({.s = 0,
                        .zone = r.zone,
                        .chainage = r.chainage,
                        .label = model.text(r.text),
                        .offset = r.offset,
                        .x = r.x,
                        .y = r.y,
                        .azimuth = r.azimuth,
                        .elevation = elevation(r.h)});
        if (rows.size() == kReportRows)
            if (auto error = flush()) return error;
    }
    if (auto error = flush()) return error;
    if (auto error = out.finish()) return error;
    return file.commit();
}

}  // namespace

std::optional<files::Error> writeResultCsv(const ResultStore& model, const std::string& path,
                                           const WriteControl& control) {
    return writeResult(model, path, files::RouteFormat::csv, control);
}

std::optional<files::Error> writeResultCass(const ResultStore& model, const std::string& path,
                                            const WriteControl& control) {
    return writeResult(model, path, files::RouteFormat::cass, control);
}

std::optional<files::Error> writeResultDxf(const files::DxfDrawing& drawing,
                                           const ResultStore* table, const std::string& path,
                                           const WriteControl& control) {
    std::vector<route::TableRow> stakes;
    if (table != nullptr) {
        stakes.reserve(table->size());
        for (std::size_t i = 0; i < table->size(); ++i) {
            const ResultRow& r = table->row(i);
            stakes.push_back({.s = 0,
                              .zone = r.zone,
                              .chainage = r.chainage,
                              .label = {},
                              .offset = r.offset,
                              .x = r.x,
                              .y = r.y,
                              .azimuth = r.azimuth,
                              .elevation = std::nullopt});
        }
    }
    files::Result<files::SafeFileWriter> opened = files::SafeFileWriter::open(path);
    if (!opened) return opened.failure();
    files::SafeFileWriter file = std::move(opened).value();
    // Dropping the writer removes its temporary file: a cancelled drawing
    // writes nothing.
    if (auto error = drawing.write(
            stakes, [&file](std::string_view bytes) { return file.write(bytes); },
            [&control](std::size_t done) {
                if (control.cancel && control.cancel->load(std::memory_order_relaxed)) return false;
                if (control.progress) control.progress(done);
                return true;
            }))
        return error;
    return file.commit();
}

}  // namespace korvane::ui
