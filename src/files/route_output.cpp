#include "files/route_output.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

#include "files/codec.h"
#include "geometry/fixed_text.h"
#include "geometry/number_text.h"
#include "route/angle.h"
#include "route/chainage.h"

namespace korvane::files {
namespace {

constexpr std::size_t kChunkBytes = std::size_t{64} << 10;
// Room for one number's text (coordinates and chainages are below 1e9 m).
constexpr std::size_t kNumberRoom = 400;
// A text copied into a row is moved this many bytes at once where it fits,
// so every row has this much room past its end.
constexpr std::size_t kMove = 32;

// Writes `value` with exactly `decimals` decimals at `out`, which has
// kNumberRoom characters of room; gives the end of the text.
char* put_fixed(char* out, double value, int decimals) {
    const auto r = geometry::shown_fixed_chars(out, out + kNumberRoom, value, decimals);
    return r.ec == std::errc() ? r.ptr : out;
}

// True when a CSV field must be put in quotes to be read back unchanged.
bool needs_quotes(std::string_view field) {
    return field.find_first_of(",\"") != std::string_view::npos || field.front() == ' ' ||
           field.back() == ' ';
}

// A text already written in a block's text, by its place there, so that later
// rows copy it instead of making it again.
class RowText {
  public:
    bool empty() const { return !written_; }

    // Writes the text at `out` (inside `text`) with `write(out)`, which gives
    // its end, and keeps its place.
    template <typename Write>
    char* write(const std::string& text, char* out, Write write) {
        char* end = write(out);
        at_ = static_cast<std::size_t>(out - text.data());
        size_ = static_cast<std::size_t>(end - out);
        written_ = true;
        return end;
    }

    // Copies the kept text to `out`, further on in `text` with kMove
    // characters of room past the copy.
    char* copy(std::string& text, char* out) const {
        const char* from = text.data() + at_;
        // One move of a fixed length where it fits; the two may overlap.
        std::memmove(out, from, size_ <= kMove ? kMove : size_);
        return out + size_;
    }

  private:
    std::size_t at_ = 0;
    std::size_t size_ = 0;
    bool written_ = false;
};

}  // namespace

std::string_view route_header(RouteRows rows) {
    switch (rows) {
        case RouteRows::info:
            return kInfoHeader;
        case RouteRows::forward:
            return kForwardHeader;
        case RouteRows::inverse:
            return kInverseHeader;
        case RouteRows::section:
            return kSectionHeader;
        case RouteRows::check:
            return kCheckHeader;
        case RouteRows::table:
            break;
    }
    return kTableHeader;
}

std::string stake_name(std::string_view station, double offset, PointNames names) {
    std::string name(station);
    if (offset == 0) return name;
    if (names == PointNames::ascii)
        name += offset < 0 ? 'L' : 'R';
    else
        name += offset < 0 ? "左" : "右";
    name += geometry::format_number(std::fabs(offset));
    return name;
}

namespace {

bool ascii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::string_view point_code(std::string_view label, PointNames names) {
    if (names == PointNames::chinese) return label;
    if (label == "折点") return "ZJD";
    if (label == "断链") return "DL";
    return label;
}

std::optional<Error> ascii_refusal(const route::Alignment& alignment) {
    for (const route::KeyPoint& k : alignment.key_points()) {
        if (ascii(point_code(k.label, PointNames::ascii))) continue;
        std::string message = "主点“";
        message += k.label;
        message +=
            "”的名称含汉字等非ASCII字符，按ASCII点名（--names ascii）无法写出，"
            "请把交点名改为字母与数字！";
        return Error{std::move(message)};
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// TableText

TableText::TableText(const route::Alignment& alignment, const std::vector<double>& offsets,
                     int decimals, bool crlf, PointNames names)
    : alignment_(&alignment),
      prefix_(alignment.prefix()),
      offsets_(offsets),
      decimals_(decimals),
      crlf_(crlf),
      names_(names) {
    for (double offset : offsets_) {
        offset_texts_.push_back(geometry::shown_fixed(offset, decimals));
        offset_texts_.back().append(kMove, ' ');
    }
}

void TableText::format(std::span<const route::TableRow> rows, std::string& text) const {
    // The members as locals: the row is written through char pointers, which
    // may alias anything, so members would be loaded again after every store.
    const int d = decimals_;
    const bool crlf = crlf_;
    const PointNames names = names_;
    const std::string_view prefix = prefix_;
    const route::Alignment* const alignment = alignment_;
    const bool breaks = alignment->zones().size() > 1;
    const std::string* const known_texts = offset_texts_.data();
    const std::size_t known_count = offsets_.size();
    // The text grows by whole rows of room; only what was written is kept.
    std::size_t used = 0;
    text.resize(std::max(text.capacity(), rows.size() * 64));
    // A station's chainage, azimuth and elevation are written in its first
    // row and copied from there into the rows of its other offsets; the
    // azimuth also into later stations' rows while it stays the same (as
    // along a straight).
    RowText chainage, azimuth, h;
    bool h_known = false;
    double h_value = 0;
    double azimuth_radians = 0;
    double station_chainage = 0;
    int station_zone = 0;
    std::size_t offset_index = 0;
    for (const route::TableRow& r : rows) {
        // With the table's offsets known, a station is every run of them
        // (table() gives whole stations, table_text() whole stations a
        // block); without them, a run of rows of one chainage and zone.
        bool station;
        const std::string* offset_text = nullptr;
        if (known_count > 0) {
            if (offset_index == known_count) offset_index = 0;
            station = offset_index == 0;
            offset_text = &known_texts[offset_index++];
        } else {
            station = chainage.empty() || r.chainage != station_chainage || r.zone != station_zone;
            station_chainage = r.chainage;
            station_zone = r.zone;
        }
        const std::string_view label = point_code(r.label, names);
        const std::size_t room =
            2 * prefix.size() + 2 * label.size() + 2 + 7 * kNumberRoom + kMove + 24;
        if (text.size() - used < room) text.resize(2 * text.size() + room);
        char* const row = text.data() + used;
        char* p = row;
        if (station) {
            p = chainage.write(text, p, [&](char* first) {
                char* end = route::chainage_chars(first, first + prefix.size() + kNumberRoom,
                                                  r.chainage, d, prefix);
                // The rare names (a chain break's both chainages, a chainage a
                // long chain repeats with its zone) only where there are
                // chain breaks.
                if (breaks) {
                    if (const std::optional<double> ahead =
                            alignment->ahead_of(r.chainage, r.zone)) {
                        *end++ = '=';
                        end = route::chainage_chars(end, end + prefix.size() + kNumberRoom, *ahead,
                                                    d, prefix);
                    } else if (alignment->repeats(r.chainage, r.zone)) {
                        *end++ = '(';
                        end = std::to_chars(end, end + 16, r.zone).ptr;
                        *end++ = ')';
                    }
                }
                return end;
            });
        } else {
            p = chainage.copy(text, p);
        }
        *p++ = ',';
        if (!label.empty()) {
            if (!needs_quotes(label)) {
                p = std::copy(label.begin(), label.end(), p);
            } else {
                *p++ = '"';
                for (char c : label) {
                    if (c == '"') *p++ = '"';
                    *p++ = c;
                }
                *p++ = '"';
            }
        }
        *p++ = ',';
        if (offset_text != nullptr) {
            // Kept with kMove characters of room behind it: one move of a
            // fixed length where it fits.
            const std::size_t size = offset_text->size() - kMove;
            std::memcpy(p, offset_text->data(), size <= kMove ? kMove : size);
            p += size;
        } else {
            p = put_fixed(p, r.offset, d);
        }
        *p++ = ',';
        p = put_fixed(p, r.x, d);
        *p++ = ',';
        p = put_fixed(p, r.y, d);
        *p++ = ',';
        if (station && (azimuth.empty() || r.azimuth != azimuth_radians)) {
            p = azimuth.write(text, p, [&](char* first) {
                return route::azimuth_chars(first, first + 2 * kNumberRoom, r.azimuth, 2);
            });
            azimuth_radians = r.azimuth;
        } else {
            p = azimuth.copy(text, p);
        }
        *p++ = ',';
        // The design elevation differs from stake to stake across a section;
        // it is written again only where it changes (the centre line's of a
        // station without a template, a level section).
        if (h.empty() || r.elevation.has_value() != h_known ||
            (r.elevation && *r.elevation != h_value)) {
            p = h.write(text, p, [&](char* first) -> char* {
                if (!r.elevation) return first;
                return put_fixed(first, *r.elevation, d);
            });
            h_known = r.elevation.has_value();
            h_value = r.elevation.value_or(0);
        } else {
            p = h.copy(text, p);
        }
        if (crlf) *p++ = '\r';
        *p++ = '\n';
        used += static_cast<std::size_t>(p - row);
    }
    text.resize(used);
}

// ---------------------------------------------------------------------------
// RouteOutput

RouteOutput::RouteOutput(RouteRows rows, RouteFormat format, RouteBytes bytes, int decimals,
                         ByteSink sink, PointNames names)
    : format_(format),
      // A CASS file is always code page 936 with CR LF.
      bytes_(format == RouteFormat::cass ? RouteBytes::cp936 : bytes),
      names_(names),
      decimals_(decimals),
      sink_(std::move(sink)) {
    if (format_ == RouteFormat::cass) {
        cass_.emplace(PointFormat::cass, true,
                      [this](std::string_view piece) -> std::optional<Error> {
                          if (auto failed = sink_(piece)) {
                              sink_failure_ = failed;
                              return failed;
                          }
                          return std::nullopt;
                      });
        return;
    }
    buffer_ = route_header(rows);
    buffer_ += crlf() ? "\r\n" : "\n";
}

std::optional<Error> RouteOutput::end_line() {
    buffer_ += crlf() ? "\r\n" : "\n";
    if (buffer_.size() >= kChunkBytes) return flush();
    return std::nullopt;
}

std::optional<Error> RouteOutput::flush() {
    if (buffer_.empty()) return std::nullopt;
    std::optional<Error> failed = put(buffer_);
    buffer_.clear();
    return failed;
}

std::optional<Error> RouteOutput::put(std::string_view text) {
    if (bytes_ == RouteBytes::utf8) return sink_(text);
    Result<std::string> encoded = utf8_to_cp936(text);
    if (!encoded) return Error{"无法写入：" + encoded.failure().message};
    return sink_(encoded.value());
}

Error RouteOutput::written(const Error& error) {
    if (sink_failure_) return *sink_failure_;
    return Error{"无法写入：" + error.message};
}

std::optional<Error> RouteOutput::point(std::string_view name, std::string_view code, double x,
                                        double y, std::optional<double> h) {
    const std::string h_text = h ? geometry::shown_fixed(*h, decimals_) : std::string();
    if (auto error = cass_->add(name, code, geometry::shown_fixed(x, decimals_),
                                geometry::shown_fixed(y, decimals_), h_text))
        return written(*error);
    return std::nullopt;
}

std::optional<Error> RouteOutput::key_point(const route::Alignment& alignment,
                                            const route::KeyPoint& k) {
    const int d = decimals_;
    // A chain break is one point with two chainages: back=ahead.
    std::string station = alignment.chainage_text(k.chainage, d);
    if (k.ahead) {
        station += '=';
        station += alignment.chainage_text(*k.ahead, d);
    }
    const std::string_view code = point_code(k.label, names_);
    if (cass()) return point(station, code, k.x, k.y, std::nullopt);
    append_csv_field(buffer_, code);
    buffer_ += ',';
    buffer_ += station;
    buffer_ += ',';
    geometry::append_shown_fixed(buffer_, k.x, d);
    buffer_ += ',';
    geometry::append_shown_fixed(buffer_, k.y, d);
    buffer_ += ',';
    buffer_ += route::format_azimuth(k.azimuth, 2);
    buffer_ += ',';
    // INF on a straight, as the alignment file reads it back.
    if (std::isinf(k.radius)) {
        buffer_ += "INF";
    } else {
        geometry::append_shown_fixed(buffer_, k.radius, d);
    }
    return end_line();
}

std::optional<Error> RouteOutput::forward(std::string_view station, double offset, double x,
                                          double y, double azimuth, std::optional<double> h) {
    const int d = decimals_;
    if (cass()) return point(stake_name(station, offset, names_), "", x, y, h);
    buffer_ += station;
    buffer_ += ',';
    geometry::append_shown_fixed(buffer_, offset, d);
    buffer_ += ',';
    geometry::append_shown_fixed(buffer_, x, d);
    buffer_ += ',';
    geometry::append_shown_fixed(buffer_, y, d);
    buffer_ += ',';
    buffer_ += route::format_azimuth(azimuth, 2);
    buffer_ += ',';
    if (h) geometry::append_shown_fixed(buffer_, *h, d);
    return end_line();
}

std::optional<Error> RouteOutput::inverse(std::string_view name, double x, double y,
                                          std::string_view station, double offset,
                                          std::optional<double> h) {
    const int d = decimals_;
    if (cass()) return point(name, station, x, y, h);
    append_csv_field(buffer_, name);
    buffer_ += ',';
    geometry::append_shown_fixed(buffer_, x, d);
    buffer_ += ',';
    geometry::append_shown_fixed(buffer_, y, d);
    buffer_ += ',';
    buffer_ += station;
    buffer_ += ',';
    geometry::append_shown_fixed(buffer_, offset, d);
    buffer_ += ',';
    if (h) geometry::append_shown_fixed(buffer_, *h, d);
    return end_line();
}

std::optional<Error> RouteOutput::section_point(std::string_view station,
                                                const route::SectionPoint& p) {
    const int d = decimals_;
    if (cass())
        return point(stake_name(station, p.offset, names_),
                     names_ == PointNames::ascii ? std::string_view() : std::string_view(p.name),
                     p.x, p.y, p.elevation);
    buffer_ += station;
    buffer_ += p.centre ? ",中," : p.side == route::Side::left ? ",左," : ",右,";
    append_csv_field(buffer_, p.name);
    buffer_ += ',';
    geometry::append_shown_fixed(buffer_, p.offset, d);
    buffer_ += ',';
    if (p.slope) geometry::append_shown_fixed(buffer_, *p.slope, d);
    buffer_ += ',';
    geometry::append_shown_fixed(buffer_, p.x, d);
    buffer_ += ',';
    geometry::append_shown_fixed(buffer_, p.y, d);
    buffer_ += ',';
    if (p.elevation) geometry::append_shown_fixed(buffer_, *p.elevation, d);
    return end_line();
}

std::optional<Error> RouteOutput::check(std::string_view name, double x, double y,
                                        std::optional<double> h, std::string_view station,
                                        double offset, std::optional<double> design) {
    const int d = decimals_;
    append_csv_field(buffer_, name);
    buffer_ += ',';
    geometry::append_shown_fixed(buffer_, x, d);
    buffer_ += ',';
    geometry::append_shown_fixed(buffer_, y, d);
    buffer_ += ',';
    if (h) geometry::append_shown_fixed(buffer_, *h, d);
    buffer_ += ',';
    buffer_ += station;
    buffer_ += ',';
    geometry::append_shown_fixed(buffer_, offset, d);
    buffer_ += ',';
    if (design) geometry::append_shown_fixed(buffer_, *design, d);
    buffer_ += ',';
    if (h && design) geometry::append_shown_fixed(buffer_, *h - *design, d);
    return end_line();
}

std::optional<Error> RouteOutput::table(const route::Alignment& alignment,
                                        std::span<const route::TableRow> rows) {
    if (!cass()) {
        if (!table_text_)
            table_text_.emplace(alignment, std::vector<double>{}, decimals_, crlf(), names_);
        table_text_->format(rows, block_);
        return lines(block_);
    }
    for (const route::TableRow& r : rows) {
        // The station's texts, made once for all its offsets.
        if (station_.empty() || r.chainage != station_chainage_ || r.zone != station_zone_) {
            station_ = alignment.station_text(r.chainage, r.zone, decimals_);
            station_chainage_ = r.chainage;
            station_zone_ = r.zone;
        }
        if (auto failed = point(stake_name(station_, r.offset, names_), point_code(r.label, names_),
                                r.x, r.y, r.elevation))
            return failed;
    }
    return std::nullopt;
}

std::optional<Error> RouteOutput::lines(std::string_view text) {
    // A large piece (a table's block) goes out as it is, without a copy into
    // the buffer.
    if (text.size() >= kChunkBytes / 4) {
        if (auto failed = flush()) return failed;
        return put(text);
    }
    buffer_.append(text);
    if (buffer_.size() >= kChunkBytes) return flush();
    return std::nullopt;
}

std::optional<Error> RouteOutput::finish() {
    if (cass_) {
        if (auto error = cass_->finish()) return written(*error);
        return std::nullopt;
    }
    return flush();
}

}  // namespace korvane::files
