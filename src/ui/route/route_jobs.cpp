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

}  // namespace

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

TaskOutcome pointsInverseJob(const route::Alignment& a, const QString& path, files::PointForm form,
                             const PostChunk& post, const std::atomic<bool>& cancel) {
    Emitter out(post, cancel);
    TaskOutcome outcome;
    std::size_t several = 0;
    std::size_t corners = 0;
    const auto each = [&](const files::PointRecord& p) {
        if (out.cancelled()) return false;
        route::Outcome<route::InverseResult> r = route::inverse(a, p.x, p.y);
        if (!r) {
            outcome.failure = qs(files::file_named(str(path)) + "第" + std::to_string(p.line) +
                                 "行：" + r.failure().message);
            return false;
        }
        const route::InverseResult& v = r.value();
        if (v.corner) {
            ++corners;
        } else if (v.feet > 1) {
            ++several;
        }
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
    // Every line is looked at before the first point comes: a bad line is
    // told before a point without a foot.
    if (std::optional<files::Error> error = files::read_points(str(path), form, each))
        if (!outcome.failed()) outcome.failure = qs(error->message);
    out.flush();
    if (!outcome.failed() && several > 0)
        outcome.warnings.append(
            QStringLiteral("注意：%1个点在线路上有多个垂足，结果取最近的一个。").arg(several));
    if (!outcome.failed() && corners > 0)
        outcome.warnings.append(
            QStringLiteral("注意：%1个点在折点外侧，没有垂足，结果以折点为垂足，"
                           "偏距为到折点的距离。")
                .arg(corners));
    outcome.cancelled = out.stoppedShort();
    return outcome;
}

}  // namespace korvane::ui
