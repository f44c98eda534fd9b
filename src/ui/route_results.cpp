#include "ui/route_results.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>

#include "files/codec.h"
#include "files/point_file.h"
#include "files/safe_write.h"
#include "geometry/fixed_text.h"
#include "geometry/number_text.h"
#include "route/angle.h"

namespace korvane::ui {

namespace {

constexpr int kDecimals = 3;
constexpr std::size_t kChunkBytes = std::size_t{64} << 10;

void appendElevation(std::string& out, double h) {
    if (!std::isnan(h)) geometry::append_shown_fixed(out, h, kDecimals);
}

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

std::string fixedText(double value, int decimals) {
    std::string out;
    geometry::append_shown_fixed(out, value, decimals);
    return out;
}

std::string stakeName(const std::string& station, double offset) {
    if (offset == 0) return station;
    std::string name = station;
    name += offset < 0 ? "左" : "右";
    name += geometry::format_number(std::fabs(offset));
    return name;
}

ResultModel::ResultModel(QObject* parent) : QAbstractTableModel(parent) {}

void ResultModel::start(ResultKind kind, std::shared_ptr<const route::Alignment> alignment) {
    beginResetModel();
    kind_ = kind;
    alignment_ = std::move(alignment);
    rows_.clear();
    rows_.shrink_to_fit();
    texts_.clear();
    endResetModel();
}

void ResultModel::clear() {
    start(kind_, alignment_);
}

void ResultModel::append(ResultChunk chunk) {
    for (std::string& t : chunk.newTexts) texts_.push_back(std::move(t));
    if (chunk.rows.empty()) return;
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(chunk.rows.size()) - 1);
    rows_.insert(rows_.end(), chunk.rows.begin(), chunk.rows.end());
    endInsertRows();
}

bool ResultModel::hasElevation() const {
    for (const ResultRow& r : rows_)
        if (!std::isnan(r.h)) return true;
    return false;
}

int ResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return kind_ == ResultKind::table ? 7 : 6;
}

QStringList ResultModel::headers() const {
    if (kind_ == ResultKind::table)
        return {QStringLiteral("里程"), QStringLiteral("标志"), QStringLiteral("偏距"),
                QStringLiteral("X"),    QStringLiteral("Y"),    QStringLiteral("方位角"),
                QStringLiteral("H")};
    return {QStringLiteral("点名"), QStringLiteral("X"),    QStringLiteral("Y"),
            QStringLiteral("里程"), QStringLiteral("偏距"), QStringLiteral("H")};
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return headers().value(section);
}

QStringList ResultModel::rowTexts(std::size_t i) const {
    const ResultRow& r = rows_[i];
    std::string h;
    appendElevation(h, r.h);
    const QString station = qs(alignment_->chainage_text(r.chainage, kDecimals));
    if (kind_ == ResultKind::table)
        return {station,
                qs(texts_[r.text]),
                qs(fixedText(r.offset, kDecimals)),
                qs(fixedText(r.x, kDecimals)),
                qs(fixedText(r.y, kDecimals)),
                qs(route::format_azimuth(r.azimuth, 2)),
                qs(h)};
    return {qs(texts_[r.text]),
            qs(fixedText(r.x, kDecimals)),
            qs(fixedText(r.y, kDecimals)),
            station,
            qs(fixedText(r.offset, kDecimals)),
            qs(h)};
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const std::size_t i = static_cast<std::size_t>(index.row());
    if (i >= rows_.size()) return {};
    if (role == Qt::TextAlignmentRole) {
        const bool text = kind_ == ResultKind::table ? index.column() == 1 : index.column() == 0;
        return QVariant::fromValue(text ? Qt::AlignLeft | Qt::AlignVCenter
                                        : Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) return {};
    const ResultRow& r = rows_[i];
    const int d = kDecimals;
    const auto station = [&] { return qs(alignment_->chainage_text(r.chainage, d)); };
    const auto elevation = [&] {
        std::string h;
        appendElevation(h, r.h);
        return qs(h);
    };
    if (kind_ == ResultKind::table) {
        switch (index.column()) {
            case 0:
                return station();
            case 1:
                return qs(texts_[r.text]);
            case 2:
                return qs(fixedText(r.offset, d));
            case 3:
                return qs(fixedText(r.x, d));
            case 4:
                return qs(fixedText(r.y, d));
            case 5:
                return qs(route::format_azimuth(r.azimuth, 2));
            default:
                return elevation();
        }
    }
    switch (index.column()) {
        case 0:
            return qs(texts_[r.text]);
        case 1:
            return qs(fixedText(r.x, d));
        case 2:
            return qs(fixedText(r.y, d));
        case 3:
            return station();
        case 4:
            return qs(fixedText(r.offset, d));
        default:
            return elevation();
    }
}

// ---------------------------------------------------------------------------
// Files

std::optional<files::Error> writeResultCsv(const ResultModel& model, const std::string& path) {
    files::Result<files::SafeFileWriter> opened = files::SafeFileWriter::open(path);
    if (!opened) return opened.failure();
    files::SafeFileWriter file = std::move(opened).value();
    const route::Alignment& a = *model.alignment();
    const bool table = model.kind() == ResultKind::table;
    std::string buffer =
        table ? "station,label,offset,X,Y,azimuth,H\r\n" : "name,X,Y,station,offset,H\r\n";
    const auto flush = [&]() -> std::optional<files::Error> {
        files::Result<std::string> encoded = files::utf8_to_cp936(buffer);
        if (!encoded) return files::Error{"无法写入：" + encoded.failure().message};
        buffer.clear();
        return file.write(encoded.value());
    };
    for (std::size_t i = 0; i < model.size(); ++i) {
        const ResultRow& r = model.row(i);
        if (table) {
            buffer += a.chainage_text(r.chainage, kDecimals);
            buffer += ',';
            files::append_csv_field(buffer, model.text(r.text));
            buffer += ',';
            geometry::append_shown_fixed(buffer, r.offset, kDecimals);
            buffer += ',';
            geometry::append_shown_fixed(buffer, r.x, kDecimals);
            buffer += ',';
            geometry::append_shown_fixed(buffer, r.y, kDecimals);
            buffer += ',';
            buffer += route::format_azimuth(r.azimuth, 2);
            buffer += ',';
            appendElevation(buffer, r.h);
        } else {
            files::append_csv_field(buffer, model.text(r.text));
            buffer += ',';
            geometry::append_shown_fixed(buffer, r.x, kDecimals);
            buffer += ',';
            geometry::append_shown_fixed(buffer, r.y, kDecimals);
            buffer += ',';
            buffer += a.chainage_text(r.chainage, kDecimals);
            buffer += ',';
            geometry::append_shown_fixed(buffer, r.offset, kDecimals);
            buffer += ',';
            appendElevation(buffer, r.h);
        }
        buffer += "\r\n";
        if (buffer.size() >= kChunkBytes)
            if (auto error = flush()) return error;
    }
    if (auto error = flush()) return error;
    return file.commit();
}

std::optional<files::Error> writeResultCass(const ResultModel& model, const std::string& path) {
    files::Result<files::SafeFileWriter> opened = files::SafeFileWriter::open(path);
    if (!opened) return opened.failure();
    files::SafeFileWriter file = std::move(opened).value();
    const route::Alignment& a = *model.alignment();
    const bool table = model.kind() == ResultKind::table;
    files::PointFileWriter writer(files::PointFormat::cass, true,
                                  [&file](std::string_view bytes) { return file.write(bytes); });
    std::string station;
    std::string h;
    for (std::size_t i = 0; i < model.size(); ++i) {
        const ResultRow& r = model.row(i);
        station = a.chainage_text(r.chainage, kDecimals);
        h.clear();
        appendElevation(h, r.h);
        std::optional<files::Error> error =
            table ? writer.add(stakeName(station, r.offset), model.text(r.text),
                               fixedText(r.x, kDecimals), fixedText(r.y, kDecimals), h)
                  : writer.add(model.text(r.text), station, fixedText(r.x, kDecimals),
                               fixedText(r.y, kDecimals), h);
        if (error) return error;
    }
    if (auto error = writer.finish()) return error;
    return file.commit();
}

}  // namespace korvane::ui
