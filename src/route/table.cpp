#include "route/table.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <limits>
#include <mutex>
#include <string>
#include <thread>

#include "geometry/number_text.h"
#include "route/angle.h"
#include "route/element_math.h"
#include "route/set_out.h"

namespace korvane::route {
namespace {

using detail::check_offset;
using detail::check_skew;
using detail::Direction;
using detail::direction;
using detail::elevation_where;
using detail::fail;
using detail::set_out;
using detail::square;

constexpr double kSame = 1e-9;  // metres: stations this close are one station
constexpr double kMinInterval = 1e-3;
constexpr double kMaxInterval = 1e9;

}  // namespace

// ---------------------------------------------------------------- table

namespace {

// A station of the table that is not a whole multiple of the interval.
struct Extra {
    double s;
    int zone;
    double chainage;
    std::string label;
    double ahead = std::numeric_limits<double>::quiet_NaN();  // a chain break's
};

bool before(double s1, int z1, double s2, int z2) {
    return z1 < z2 || (z1 == z2 && s1 < s2);
}

// The stations of a table in order, without their geometry.
class Stations {
  public:
    static Outcome<Stations> plan(const Alignment& a, const TableRequest& q) {
        if (!std::isfinite(q.interval) || q.interval <= 0) {
            return fail("间距必须大于0！", Subject::interval);
        }
        if (q.interval < kMinInterval || q.interval > kMaxInterval) {
            return fail("间距超出范围（0.001m至1000000km）！", Subject::interval);
        }
        if (q.offsets.empty()) return fail("请至少给出一个边桩偏距！", Subject::offsets);
        for (std::size_t i = 0; i < q.offsets.size(); ++i) {
            if (auto f = check_offset(q.offsets[i], Subject::offsets, static_cast<int>(i)))
                return *f;
        }
        if (auto f = check_skew(q.skew)) return *f;
        auto from = a.locate(q.from, q.from_zone);
        if (!from) {
            Failure f = from.failure();
            f.message = "起算" + f.message;
            f.subject = Subject::from;
            return f;
        }
        auto to = a.locate(q.to, q.to_zone);
        if (!to) {
            Failure f = to.failure();
            f.message = "止算" + f.message;
            f.subject = Subject::to;
            return f;
        }
        Stations st;
        st.a_ = &a;
        st.interval_ = q.interval;
        st.from_ = from.value();
        st.to_ = to.value();
        if (before(st.to_.s, st.to_.zone, st.from_.s, st.from_.zone)) {
            return fail("起算桩号不能在止算桩号之后！", Subject::from);
        }
        // Whole stations per zone; their number bounds the rows from below.
        double whole = 0;
        for (int z = st.from_.zone; z <= st.to_.zone; ++z) {
            const Zone& zone = a.zones()[static_cast<std::size_t>(z) - 1];
            const double lo = (z == st.from_.zone ? st.from_.s : zone.s_begin) + zone.constant;
            const double hi = (z == st.to_.zone ? st.to_.s : zone.s_end) + zone.constant;
            const double span = std::floor(hi / q.interval) - std::ceil(lo / q.interval) + 1;
            if (span > 0) whole += span;
        }
        const double per_station = static_cast<double>(q.offsets.size());
        if (whole * per_station > static_cast<double>(kMaxTableRows)) return too_many();
        for (int z = st.from_.zone; z <= st.to_.zone; ++z) {
            const Zone& zone = a.zones()[static_cast<std::size_t>(z) - 1];
            const double lo = (z == st.from_.zone ? st.from_.s : zone.s_begin);
            const double hi = (z == st.to_.zone ? st.to_.s : zone.s_end);
            auto k_lo = static_cast<std::int64_t>(std::ceil((lo + zone.constant) / q.interval));
            auto k_hi = static_cast<std::int64_t>(std::floor((hi + zone.constant) / q.interval));
            // The quotient may round across an integer: the multiples themselves decide.
            while (static_cast<double>(k_lo - 1) * q.interval - zone.constant >= lo) --k_lo;
            while (static_cast<double>(k_lo) * q.interval - zone.constant < lo) ++k_lo;
            while (static_cast<double>(k_hi + 1) * q.interval - zone.constant <= hi) ++k_hi;
            while (static_cast<double>(k_hi) * q.interval - zone.constant > hi) --k_hi;
            st.zones_.push_back({z, k_lo, k_hi, lo, hi});
        }
        st.extras_.push_back({st.from_.s, st.from_.zone, q.from, ""});
        st.extras_.push_back({st.to_.s, st.to_.zone, q.to, ""});
        if (q.key_points) {
            for (const KeyPoint& k : a.key_points()) {
                // A chain break is one station with both chainages.
                st.add_key(k.s, k.zone, k.chainage, k.label,
                           k.ahead ? *k.ahead : std::numeric_limits<double>::quiet_NaN());
            }
        }
        std::stable_sort(st.extras_.begin(), st.extras_.end(), [](const Extra& l, const Extra& r) {
            return before(l.s, l.zone, r.s, r.zone);
        });
        // Extras at one position become one, their labels joined.
        std::vector<Extra> merged;
        for (Extra& e : st.extras_) {
            if (!merged.empty() && merged.back().zone == e.zone &&
                std::fabs(merged.back().s - e.s) <= kSame) {
                Extra& m = merged.back();
                if (!std::isnan(e.ahead)) m.ahead = e.ahead;
                if (!e.label.empty() && m.label.find(e.label) == std::string::npos) {
                    m.label += m.label.empty() ? e.label : "/" + e.label;
                }
                continue;
            }
            merged.push_back(std::move(e));
        }
        st.extras_ = std::move(merged);
        const std::size_t extra_rows = st.extras_.size() * q.offsets.size();
        if (whole * per_station + static_cast<double>(extra_rows) >
            static_cast<double>(kMaxTableRows)) {
            // Some extras may fall on whole stations: count exactly.
            std::size_t count = 0;
            Stations copy = st;
            TableRow row;
            while (copy.next(row)) ++count;
            if (count * q.offsets.size() > kMaxTableRows) return too_many();
        }
        return st;
    }

    // The next station (s, zone, chainage, label); false after the last.
    bool next(TableRow& row) {
        while (zone_ < zones_.size()) {
            Span& z = zones_[zone_];
            const bool have_whole = z.k <= z.k_hi;
            const bool have_extra = extra_ < extras_.size() && extras_[extra_].zone == z.zone;
            if (!have_whole && !have_extra) {
                ++zone_;
                continue;
            }
            const Zone& zone = a_->zones()[static_cast<std::size_t>(z.zone) - 1];
            const double c = have_whole ? static_cast<double>(z.k) * interval_ : 0.0;
            const double s = have_whole ? std::clamp(c - zone.constant, z.lo, z.hi) : 0.0;
            row.zone = z.zone;
            if (have_whole && (!have_extra || s < extras_[extra_].s - kSame)) {
                row.s = s;
                row.chainage = c;
                row.label = {};
                ++z.k;
                return true;
            }
            const Extra& e = extras_[extra_++];
            row.s = e.s;
            row.chainage = e.chainage;
            row.label = e.label;
            if (have_whole && std::fabs(s - e.s) <= kSame) {
                // The extra falls on a whole station: the exact multiple is kept.
                row.s = s;
                row.chainage = c;
                ++z.k;
            }
            return true;
        }
        return false;
    }

    // The first two stations whose chainage texts with `decimals` decimals are
    // the same in one zone, refused: their points would share a name.
    std::optional<Failure> name_clash(int decimals) const {
        const double unit = std::pow(10.0, -decimals);
        const auto text = [&](double c) { return a_->chainage_text(c, decimals); };
        const auto clash = [&](double c1, double c2) -> std::optional<Failure> {
            // Texts can agree only for chainages less than one unit apart.
            if (!(std::fabs(c1 - c2) < unit) || text(c1) != text(c2)) return std::nullopt;
            return fail("按" + std::to_string(decimals) + "位小数，桩号" +
                            a_->chainage_text(c1, decimals + 3) + "与" +
                            a_->chainage_text(c2, decimals + 3) + "都写作“" + text(c1) +
                            "”，点名会重复，请增加小数位数或加大间距！",
                        Subject::interval);
        };
        for (const Span& z : zones_) {
            if (interval_ < unit && z.k_hi > z.k) {
                return fail("间距" + geometry::exact_text(interval_) + "m小于" +
                                std::to_string(decimals) + "位小数桩号能区分的" +
                                geometry::exact_text(unit) +
                                "m，整桩的点名会重复，请增加小数位数或加大间距！",
                            Subject::interval);
            }
        }
        const Extra* previous = nullptr;
        for (const Extra& e : extras_) {
            if (previous != nullptr && previous->zone == e.zone) {
                if (auto f = clash(previous->chainage, e.chainage)) return f;
            }
            previous = &e;
            const Span* span = nullptr;
            for (const Span& z : zones_) span = z.zone == e.zone ? &z : span;
            if (span == nullptr) continue;
            const Zone& zone = a_->zones()[static_cast<std::size_t>(e.zone) - 1];
            const auto below = static_cast<std::int64_t>(std::floor(e.chainage / interval_));
            for (std::int64_t k = below - 1; k <= below + 2; ++k) {
                if (k < span->k || k > span->k_hi) continue;
                const double c = static_cast<double>(k) * interval_;
                const double ws = std::clamp(c - zone.constant, span->lo, span->hi);
                // A whole station at the extra's position is the same station.
                if (std::fabs(ws - e.s) <= kSame) continue;
                if (auto f = clash(e.chainage, c)) return f;
            }
        }
        return std::nullopt;
    }

  private:
    struct Span {
        int zone;
        std::int64_t k;
        std::int64_t k_hi;
        double lo, hi;
    };

    static Failure too_many() {
        return fail("计算行数超过1000000行（桩数×边桩数），请加大间距或缩小范围！",
                    Subject::interval);
    }

    void add_key(double s, int zone, double chainage, const std::string& label, double ahead) {
        if (before(s, zone, from_.s, from_.zone) || before(to_.s, to_.zone, s, zone)) return;
        extras_.push_back({s, zone, chainage, label, ahead});
        if (std::isnan(ahead)) return;
        // The whole station at the break's ahead chainage is the break's point
        // too: it is the break's row, not one of its own.
        for (Span& z : zones_) {
            if (z.zone != zone + 1 || z.k > z.k_hi) continue;
            const Zone& next = a_->zones()[static_cast<std::size_t>(z.zone) - 1];
            if (std::fabs(static_cast<double>(z.k) * interval_ - next.constant - s) <= kSame) ++z.k;
        }
    }

    const Alignment* a_ = nullptr;
    double interval_ = 1;
    Station from_, to_;
    std::vector<Span> zones_;
    std::size_t zone_ = 0;
    std::vector<Extra> extras_;
    std::size_t extra_ = 0;
};

}  // namespace

std::optional<Failure> table_refusal(const Alignment& alignment, const TableRequest& request) {
    auto planned = Stations::plan(alignment, request);
    if (!planned) return planned.failure();
    return std::nullopt;
}

std::optional<Failure> table_name_clash(const Alignment& alignment, const TableRequest& request,
                                        int decimals) {
    auto planned = Stations::plan(alignment, request);
    if (!planned) return std::nullopt;
    return planned.value().name_clash(decimals);
}

Outcome<std::size_t> table_row_count(const Alignment& alignment, const TableRequest& request) {
    auto planned = Stations::plan(alignment, request);
    if (!planned) return planned.failure();
    std::size_t count = 0;
    TableRow row;
    while (planned.value().next(row)) ++count;
    return count * request.offsets.size();
}

namespace {

// Stations taken at most this many at a time: a block of rows is large enough
// to be worth handing to another thread and small enough to stay in cache.
constexpr std::size_t kBlockStations = 1024;

// The geometry of a table's stations in increasing order: the point on the
// line, the direction its stakes are set out in, azimuth and elevation.
class StationGeometry {
  public:
    struct At {
        Pose base;
        Direction stake;
        double azimuth;
        SectionAt section;
    };

    StationGeometry(const Alignment& alignment, const TableRequest& request)
        : alignment_(alignment),
          cos_skew_(std::cos(request.skew)),
          sin_skew_(std::sin(request.skew)),
          square_(square(request.skew)),
          profile_(alignment.has_profile()) {}

    At at(double s) {
        const Alignment::Frame frame = alignment_.frame_at(s, hint_);
        std::optional<double> h;
        if (profile_) h = alignment_.elevation_at(s);
        return At{frame.pose, direction(frame, cos_skew_, sin_skew_),
                  normalize_azimuth(frame.pose.azimuth),
                  alignment_.section().at(s, h, section_hint_)};
    }

    // The design elevation of the stake at `offset` set out at (x, y).
    std::optional<double> elevation(const At& at, double offset, double x, double y) const {
        if (!profile_) return std::nullopt;
        if (square_ || offset == 0) return at.section.elevation(offset);
        return elevation_where(alignment_, x, y);
    }

  private:
    const Alignment& alignment_;
    double cos_skew_;
    double sin_skew_;
    bool square_;
    bool profile_;
    int hint_ = 0;  // stations come in increasing s
    SectionHint section_hint_;
};

// A station of a block: what a row takes from it, half the size of a row.
struct BlockStation {
    double s;
    double chainage;
    std::string_view label;
    int zone;
};

// The next stations of the table, at most kBlockStations, into `block`.
bool next_block(Stations& stations, std::vector<BlockStation>& block) {
    block.clear();
    TableRow row;
    while (block.size() < kBlockStations && stations.next(row))
        block.push_back({row.s, row.chainage, row.label, row.zone});
    return !block.empty();
}

// The rows of the stations in `stations`, one per offset, into `rows`, as
// table() computes them. A block's rows depend only on its stations, so blocks
// may be computed on any thread.
void compute_block(const Alignment& alignment, const TableRequest& request,
                   const std::vector<BlockStation>& stations, std::vector<TableRow>& rows) {
    rows.resize(stations.size() * request.offsets.size());
    StationGeometry geometry(alignment, request);
    // Each row is written where it stays, field by field (a row made aside and
    // copied would be read back in wider pieces than it was written).
    TableRow* row = rows.data();
    for (const BlockStation& station : stations) {
        const StationGeometry::At at = geometry.at(station.s);
        for (double offset : request.offsets) {
            row->s = station.s;
            row->zone = station.zone;
            row->chainage = station.chainage;
            row->label = station.label;
            row->azimuth = at.azimuth;
            row->offset = offset;
            set_out(at.base, offset, at.stake.cos, at.stake.sin, row->x, row->y);
            row->elevation = geometry.elevation(at, offset, row->x, row->y);
            ++row;
        }
    }
}

// One block on its way through the threads of table_text.
struct Block {
    enum class State { queued, done };
    State state = State::done;
    std::vector<BlockStation> stations;
    std::vector<TableRow> rows;
    std::string text;
};

// The blocks of one table_text run: the calling thread plans the stations into
// free blocks and writes finished ones in order; the workers compute and format
// queued blocks, and so does the calling thread while the block it is to write
// next is not finished. At most blocks.size() blocks are held at once.
class BlockRing {
  public:
    BlockRing(const Alignment& alignment, const TableRequest& request, unsigned threads,
              const std::function<void(std::span<const TableRow>, std::string&)>& format)
        : alignment_(alignment),
          request_(request),
          format_(format),
          blocks_(std::size_t{2} * threads) {
        // The calling thread is one of the `threads`: it computes blocks too
        // while it waits for the next one to write.
        workers_.reserve(threads - 1);
        for (unsigned i = 1; i < threads; ++i) workers_.emplace_back([this] { work(); });
    }
    BlockRing(const BlockRing&) = delete;
    BlockRing& operator=(const BlockRing&) = delete;
    ~BlockRing() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        work_ready_.notify_all();
        for (std::thread& t : workers_) t.join();
    }

    TableSummary run(Stations& stations, const std::function<bool(std::string_view)>& write) {
        TableSummary summary;
        std::size_t planned = 0;  // blocks handed out so far
        std::size_t written = 0;  // blocks written so far
        bool more = true;
        for (;;) {
            // Plan stations into every free block: the blocks after the last
            // written one (outside the lock: a free block belongs to this
            // thread alone).
            while (more && planned - written < blocks_.size()) {
                Block& b = blocks_[planned % blocks_.size()];
                more = next_block(stations, b.stations);
                if (!more) break;
                {
                    const std::lock_guard lock(mutex_);
                    b.state = Block::State::queued;
                    queue_.push_back(&b);
                }
                work_ready_.notify_one();
                ++planned;
            }
            if (written == planned) return summary;
            Block& b = blocks_[written % blocks_.size()];
            for (std::unique_lock lock(mutex_); b.state != Block::State::done;) {
                if (queue_.empty()) {
                    block_done_.wait(lock, [&] { return b.state == Block::State::done; });
                    break;
                }
                Block* job = queue_.front();
                queue_.pop_front();
                lock.unlock();
                compute(*job);
                lock.lock();
            }
            summary.rows += b.rows.size();
            const bool go_on = write(b.text);
            ++written;
            if (!go_on) {
                summary.cancelled = true;
                return summary;  // the destructor stops the workers
            }
        }
    }

  private:
    void work() {
        for (;;) {
            Block* b = nullptr;
            {
                std::unique_lock lock(mutex_);
                work_ready_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
                if (stopping_) return;
                b = queue_.front();
                queue_.pop_front();
            }
            compute(*b);
        }
    }

    void compute(Block& b) {
        compute_block(alignment_, request_, b.stations, b.rows);
        format_(b.rows, b.text);
        {
            const std::lock_guard lock(mutex_);
            b.state = Block::State::done;
        }
        block_done_.notify_one();
    }

    const Alignment& alignment_;
    const TableRequest& request_;
    const std::function<void(std::span<const TableRow>, std::string&)>& format_;
    std::vector<Block> blocks_;
    std::deque<Block*> queue_;
    std::mutex mutex_;
    std::condition_variable work_ready_;
    std::condition_variable block_done_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace

Outcome<TableSummary> table(const Alignment& alignment, const TableRequest& request,
                            const std::function<bool(const TableRow&)>& sink) {
    auto planned = Stations::plan(alignment, request);
    if (!planned) return planned.failure();
    Stations& stations = planned.value();
    TableSummary summary;
    TableRow row;
    StationGeometry geometry(alignment, request);
    while (stations.next(row)) {
        const StationGeometry::At at = geometry.at(row.s);
        row.azimuth = at.azimuth;
        for (double offset : request.offsets) {
            row.offset = offset;
            set_out(at.base, offset, at.stake.cos, at.stake.sin, row.x, row.y);
            row.elevation = geometry.elevation(at, offset, row.x, row.y);
            ++summary.rows;
            if (!sink(row)) {
                summary.cancelled = true;
                return summary;
            }
        }
    }
    return summary;
}

Outcome<TableSummary> table_text(
    const Alignment& alignment, const TableRequest& request, unsigned threads,
    const std::function<void(std::span<const TableRow>, std::string&)>& format,
    const std::function<bool(std::string_view)>& write) {
    auto planned = Stations::plan(alignment, request);
    if (!planned) return planned.failure();
    Stations& stations = planned.value();
    if (threads <= 1) {
        TableSummary summary;
        std::vector<BlockStation> block;
        std::vector<TableRow> rows;
        std::string text;
        while (next_block(stations, block)) {
            compute_block(alignment, request, block, rows);
            format(rows, text);
            summary.rows += rows.size();
            if (!write(text)) {
                summary.cancelled = true;
                return summary;
            }
        }
        return summary;
    }
    BlockRing ring(alignment, request, threads, format);
    return ring.run(stations, write);
}

Outcome<std::vector<double>> read_offsets(std::string_view text) {
    std::vector<double> offsets;
    constexpr std::string_view kWideComma = "，";
    for (;;) {
        const std::size_t ascii = text.find(',');
        const std::size_t wide = text.find(kWideComma);
        const std::size_t end = std::min(ascii, wide);
        const std::string_view item = geometry::trim_spaces(text.substr(0, end));
        const std::optional<double> v = geometry::parse_strict(item);
        if (!v || !std::isfinite(*v)) {
            const int index = static_cast<int>(offsets.size());
            return fail("第" + std::to_string(index + 1) + "个边桩偏距“" + std::string(item) +
                            "”不是有效数字！",
                        Subject::offsets, index);
        }
        offsets.push_back(*v);
        if (end == std::string_view::npos) return offsets;
        text.remove_prefix(end + (end == wide ? kWideComma.size() : 1));
    }
}

}  // namespace korvane::route
