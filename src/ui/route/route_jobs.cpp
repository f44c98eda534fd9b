#include "ui/route/route_jobs.h"

#include <QElapsedTimer>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "files/error.h"
#include "files/points_text.h"
#include "geometry/number_text.h"

namespace korvane::ui {

namespace {

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string str(const QString& s) {
    return s.toStdString();
}

// Collects computed rows into pieces and hands each to the window: small
// pieces first, so rows appear at once, then larger ones, and at least every
// 50 ms, so the window's progress moves steadily.
class Emitter {
  public:
    using Post = std::function<void(std::shared_ptr<ResultChunk>)>;
    Emitter(Post post, const std::atomic<bool>& cancel)
        : post_(std::move(post)), cancel_(cancel), chunk_(std::make_shared<ResultChunk>()) {
        timer_.start();
    }

    // Whether the window has asked the computation to stop. Once told so,
    // the computation stops and is one that stopped short of its end.
    bool cancelled() {
        if (cancel_.load(std::memory_order_relaxed)) stopped_ = true;
        return stopped_;
    }
    bool stoppedShort() const { return stopped_; }

    // The index of a label, the same for the same text.
    std::uint32_t label(std::string_view text) {
        auto [it, added] = labels_.try_emplace(std::string(text), next_);
        if (added) {
            chunk_->newTexts.emplace_back(text);
            ++next_;
        }
        return it->second;
    }

    // A new text (a point's name).
    std::uint32_t name(std::string text) {
        chunk_->newTexts.push_back(std::move(text));
        return next_++;
    }

    void add(const ResultRow& row) {
        chunk_->rows.push_back(row);
        if (chunk_->rows.size() >= limit_ || timer_.elapsed() >= 50) flush();
    }

    void flush() {
        if (chunk_->rows.empty() && chunk_->newTexts.empty()) return;
        post_(std::move(chunk_));
        chunk_ = std::make_shared<ResultChunk>();
        limit_ = std::min<std::size_t>(limit_ * 4, 1 << 16);
        chunk_->rows.reserve(limit_);
        timer_.restart();
    }

  private:
    Post post_;
    const std::atomic<bool>& cancel_;
    std::shared_ptr<ResultChunk> chunk_;
    std::unordered_map<std::string, std::uint32_t> labels_;
    std::uint32_t next_ = 0;
    std::size_t limit_ = 1000;
    QElapsedTimer timer_;
    bool stopped_ = false;
};

// Reads a plain points file ("[name] X Y" a line) into `each`, which may
// stop the reading by returning false. The failure of a bad file names it and
// its bad lines; the points handed over before are then to be dropped.
std::optional<QString> readPlainPoints(const QString& path,
                                       const std::function<bool(const files::PointRecord&)>& each) {
    bool stopped = false;
    std::size_t points = 0;
    std::optional<QString> failure;
    files::PointsParser parser([&](const files::PointText& p) {
        if (stopped) return;
        ++points;
        files::PointRecord record;
        record.line = p.line;
        record.name = std::string(p.name);
        const std::optional<double> x = geometry::parse_strict(p.x);
        const std::optional<double> y = geometry::parse_strict(p.y);
        if (!x || !y || !std::isfinite(*x) || !std::isfinite(*y)) {
            failure = QStringLiteral("文件“%1”第%2行：坐标不是有效数字！").arg(path).arg(p.line);
            stopped = true;
            return;
        }
        record.x = *x;
        record.y = *y;
        stopped = !each(record);
    });
    if (std::optional<files::Error> error = files::read_points_text(str(path), parser))
        return qs(error->message);
    const files::PointsCheck& check = parser.check();
    const auto cannot = [&](const QString& cause) {
        return QStringLiteral("无法读取文件“%1”：%2！").arg(path, cause);
    };
    if (!check.utf8) return cannot(QStringLiteral("点文件须为 UTF-8 文本"));
    if (check.bad_count > 0) {
        QString lines;
        for (std::size_t i = 0; i < check.bad_lines.size(); ++i) {
            if (i > 0) lines += QStringLiteral("、");
            lines += QString::number(check.bad_lines[i]);
        }
        if (check.bad_count > check.bad_lines.size())
            lines += QStringLiteral("等%1").arg(check.bad_count);
        return cannot(QStringLiteral("第%1行不是“[点名] X Y”两个坐标数字").arg(lines));
    }
    if (failure) return failure;
    if (points == 0) return cannot(QStringLiteral("文件中没有点"));
    return std::nullopt;
}

}  // namespace

OffsetsRead readOffsets(const QString& text) {
    OffsetsRead out;
    QString normal = text;
    normal.replace(QChar(0xFF0C), QLatin1Char(','));
    const QStringList items = normal.split(QLatin1Char(','));
    for (int i = 0; i < items.size(); ++i) {
        const std::string item = str(items[i].trimmed());
        const std::optional<double> v = geometry::parse_strict(item);
        if (!v || !std::isfinite(*v)) {
            out.error = QStringLiteral("第%1个边桩偏距“%2”不是有效数字！").arg(i + 1).arg(qs(item));
            return out;
        }
        out.values.push_back(*v);
    }
    return out;
}

TaskOutcome tableJob(const route::Alignment& a, const route::TableRequest& q,
                     std::atomic<std::size_t>& expected, const PostChunk& post,
                     const std::atomic<bool>& cancel) {
    if (route::Outcome<std::size_t> count = route::table_row_count(a, q))
        expected.store(count.value());
    Emitter out(post, cancel);
    route::Outcome<route::TableSummary> summary = route::table(a, q, [&](const route::TableRow& r) {
        if (out.cancelled()) return false;
        out.add({.chainage = r.chainage,
                 .offset = r.offset,
                 .x = r.x,
                 .y = r.y,
                 .azimuth = r.azimuth,
                 .h = r.elevation ? *r.elevation : std::nan(""),
                 .text = out.label(r.label),
                 .zone = r.zone});
        return true;
    });
    out.flush();
    TaskOutcome outcome;
    if (!summary) outcome.failure = qs(summary.failure().message);
    outcome.cancelled = out.stoppedShort();
    return outcome;
}

TaskOutcome pointsInverseJob(const route::Alignment& a, const QString& path,
                             std::optional<files::PointFormat> format, const PostChunk& post,
                             const std::atomic<bool>& cancel) {
    Emitter out(post, cancel);
    TaskOutcome outcome;
    std::size_t several = 0;
    const auto each = [&](const files::PointRecord& p) {
        if (out.cancelled()) return false;
        route::Outcome<route::InverseResult> r = route::inverse(a, p.x, p.y);
        if (!r) {
            outcome.failure = QStringLiteral("文件“%1”第%2行：%3")
                                  .arg(path)
                                  .arg(p.line)
                                  .arg(qs(r.failure().message));
            return false;
        }
        const route::InverseResult& v = r.value();
        if (v.feet > 1) ++several;
        out.add({.chainage = v.chainage,
                 .offset = v.offset,
                 .x = p.x,
                 .y = p.y,
                 .azimuth = v.azimuth,
                 .h = v.elevation ? *v.elevation : std::nan(""),
                 .text = out.name(p.name),
                 .zone = v.zone});
        return true;
    };
    if (format) {
        if (std::optional<files::Error> error = files::read_point_file(str(path), *format, each))
            outcome.failure = qs(error->message);
    } else if (std::optional<QString> error = readPlainPoints(path, each)) {
        outcome.failure = *error;  // a bad line is told before a point without a foot
    }
    out.flush();
    if (!outcome.failed() && several > 0)
        outcome.warnings.append(
            QStringLiteral("注意：%1个点在线路上有多个垂足，结果取最近的一个。").arg(several));
    outcome.cancelled = out.stoppedShort();
    return outcome;
}

}  // namespace korvane::ui
