#include "files/point_file.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "files/codec.h"
#include "files/read_file.h"
#include "files/safe_write.h"
#include "files/text_lines.h"
#include "files/texts.h"
#include "geometry/number_text.h"

namespace korvane::files {
namespace {

namespace fs = std::filesystem;

// Splits a CSV line at its commas. A field may be quoted ("a,b", with "" for
// a quote inside); spaces around a field are dropped. False for a quote that
// is not closed or text after a closing quote.
bool split_csv(std::string_view line, std::vector<std::string>& fields) {
    fields.clear();
    std::size_t i = 0;
    for (;;) {
        while (i < line.size() && line[i] == ' ') ++i;
        std::string field;
        if (i < line.size() && line[i] == '"') {
            ++i;
            for (;;) {
                if (i == line.size()) return false;
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.push_back(line[i++]);
            }
            while (i < line.size() && line[i] == ' ') ++i;
            if (i < line.size() && line[i] != ',') return false;
        } else {
            const std::size_t end = std::min(line.find(',', i), line.size());
            field.assign(geometry::trim_spaces(line.substr(i, end - i)));
            i = end;
        }
        fields.push_back(std::move(field));
        if (i == line.size()) return true;
        ++i;  // the comma
    }
}

bool finite_number(std::string_view text, double& value) {
    const std::optional<double> v = geometry::parse_strict(text);
    if (!v || !std::isfinite(*v)) return false;
    value = *v;
    return true;
}

bool elevation(std::string_view text, std::optional<double>& h) {
    if (geometry::is_blank(text)) {
        h.reset();
        return true;
    }
    double value = 0;
    if (!finite_number(text, value)) return false;
    h = value;
    return true;
}

bool same_letters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string line_list(const std::vector<std::size_t>& lines, std::size_t total) {
    std::string text = "第";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += "、";
        text += std::to_string(lines[i]);
    }
    text += "行";
    if (total > lines.size()) text += "，另有" + std::to_string(total - lines.size()) + "行";
    return text;
}

// Bad line numbers: the first ones and how many there are.
struct BadLines {
    std::vector<std::size_t> first;
    std::size_t count = 0;

    void add(std::size_t number) {
        if (first.size() < kMaxListedBadLines) first.push_back(number);
        ++count;
    }
};

// Reads lines into points, one line at a time. The fields are split on the
// raw bytes (a comma or a quote never occurs inside a code page 936 or UTF-8
// character), so the encoding only matters for names and codes. In the
// checking pass the encoding is found: UTF-8 where the file starts with a BOM
// or every line is UTF-8, code page 936 otherwise; the handing-over pass then
// converts names and codes with it.
class PointLines {
  public:
    PointLines(PointFormat format, std::optional<bool> utf8) : format_(format), utf8_(utf8) {}

    // Takes one line. Returns true with `point` filled for a point, false for
    // a line that is skipped or bad.
    bool take(std::size_t number, std::string_view raw, PointRecord& point) {
        if (fatal_) return false;
        const std::string_view text = geometry::trim_spaces(raw);
        if (text.empty() || text.front() == '#') return false;
        const bool split = split_csv(text, fields_);
        if (format_ == PointFormat::csv && !header_seen_) {
            header(number, split);
            return false;
        }
        if (!split || !fields(point)) {
            structure_.add(number);
            return false;
        }
        point.line = number;
        if (!utf8_) {
            // Checking: note what the encoding of the line allows.
            if (!is_utf8(raw)) {
                all_utf8_ = false;
                if (!detail::decode_text(raw, false, text_, cause_)) not_cp936_.add(number);
            }
        } else if (!detail::decode_text(point.name, *utf8_, text_, cause_) ||
                   (point.name = text_, !detail::decode_text(point.code, *utf8_, text_, cause_))) {
            fatal_ = "第" + std::to_string(number) + "行：" + cause_;
            return false;
        } else {
            point.code = text_;
        }
        ++points_;
        return true;
    }

    // Checking with a BOM: every line must be UTF-8.
    void expect_utf8() { bom_ = true; }

    // The encoding the checking pass found.
    bool utf8() const { return bom_ || all_utf8_; }

    // The failure once every line has been taken, if any.
    std::optional<std::string> failure() const {
        if (fatal_) return fatal_;
        BadLines bad = structure_;
        if (!utf8()) {
            // The two lists hold different lines; merge the first ones.
            std::vector<std::size_t> merged;
            std::merge(structure_.first.begin(), structure_.first.end(), not_cp936_.first.begin(),
                       not_cp936_.first.end(), std::back_inserter(merged));
            if (merged.size() > kMaxListedBadLines) merged.resize(kMaxListedBadLines);
            bad.first = std::move(merged);
            bad.count += not_cp936_.count;
        }
        if (bad.count > 0) {
            const char* form = format_ == PointFormat::cass ? "点名,编码,Y,X,H"
                               : with_h_                    ? "name,X,Y,H"
                                                            : "name,X,Y";
            return "文件中有" + std::to_string(bad.count) + "行不是点（每行应为“" + form + "”）：" +
                   line_list(bad.first, bad.count);
        }
        if (format_ == PointFormat::csv && !header_seen_) return "文件中没有表头“name,X,Y”";
        if (points_ == 0) return "文件中没有点";
        return std::nullopt;
    }

    bool stopped() const { return fatal_.has_value(); }

  private:
    // The point of the split fields (name and code still raw bytes).
    bool fields(PointRecord& point) {
        if (format_ == PointFormat::cass) {
            // 点名,编码,Y,X[,H]
            if (fields_.size() != 4 && fields_.size() != 5) return false;
            if (!finite_number(fields_[2], point.y) || !finite_number(fields_[3], point.x))
                return false;
            if (!elevation(fields_.size() == 5 ? fields_[4] : std::string(), point.h)) return false;
            point.code = fields_[1];
        } else {
            if (fields_.size() != (with_h_ ? 4u : 3u)) return false;
            if (!finite_number(fields_[1], point.x) || !finite_number(fields_[2], point.y))
                return false;
            if (!elevation(with_h_ ? fields_[3] : std::string(), point.h)) return false;
            point.code.clear();
        }
        if (bom_ && !utf8_ && !(is_utf8(fields_[0]) && is_utf8(point.code))) return false;
        point.name = fields_[0];
        return true;
    }

    void header(std::size_t number, bool split) {
        const bool three = split && fields_.size() == 3;
        const bool four = split && fields_.size() == 4 && same_letters(fields_[3], "H");
        if ((three || four) && same_letters(fields_[0], "name") && same_letters(fields_[1], "X") &&
            same_letters(fields_[2], "Y")) {
            header_seen_ = true;
            with_h_ = four;
            return;
        }
        fatal_ = "第" + std::to_string(number) + "行：应为表头“name,X,Y”或“name,X,Y,H”";
    }

    PointFormat format_;
    std::optional<bool> utf8_;  // the encoding when handing over; empty when checking
    bool bom_ = false;
    bool all_utf8_ = true;
    std::string text_;
    std::string cause_;
    std::vector<std::string> fields_;
    bool header_seen_ = false;
    bool with_h_ = false;
    std::optional<std::string> fatal_;
    BadLines structure_;
    BadLines not_cp936_;
    std::size_t points_ = 0;
};

std::string too_long_cause(std::size_t number) {
    return "第" + std::to_string(number) + "行超过" + std::to_string(kMaxPointLineBytes) +
           "字节，不是点文件";
}

// One pass over the bytes given by `source(feed)`. The checking pass (no
// `each`) sets `utf8` to the file's encoding; the handing-over pass uses it.
// Returns the cause of a failure.
template <class Source>
std::optional<std::string> pass(PointFormat format, const Source& source, const PointSink* each,
                                bool& utf8, std::optional<Error>& read_error) {
    PointLines lines(format, each != nullptr ? std::optional<bool>(utf8) : std::nullopt);
    detail::LineSplitter splitter(kMaxPointLineBytes);
    PointRecord point;
    bool bom_checked = false;
    bool stopped_by_sink = false;
    const auto line = [&](std::size_t number, std::string_view raw) {
        if (!bom_checked) {
            bom_checked = true;
            if (splitter.had_bom()) lines.expect_utf8();
        }
        if (lines.take(number, raw, point) && each != nullptr && !(*each)(point)) {
            stopped_by_sink = true;
            return false;
        }
        return !lines.stopped();
    };
    bool ended = true;
    read_error = source([&](std::string_view piece) {
        if (splitter.feed(piece, line)) return true;
        ended = false;
        return false;
    });
    if (read_error || stopped_by_sink) return std::nullopt;
    if (splitter.too_long()) return too_long_cause(splitter.line_number());
    if (ended) splitter.finish(line);
    if (stopped_by_sink) return std::nullopt;
    if (each == nullptr) utf8 = lines.utf8();
    return lines.failure();
}

}  // namespace

void append_csv_field(std::string& out, std::string_view field, CsvQuoting quoting) {
    const bool quote = quoting == CsvQuoting::read_back
                           ? field.find_first_of(",\"") != std::string_view::npos ||
                                 (!field.empty() && (field.front() == ' ' || field.back() == ' '))
                           : field.find('"') != std::string_view::npos;
    if (!quote) {
        out.append(field);
        return;
    }
    out.push_back('"');
    for (const char c : field) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

std::optional<PointFormat> point_format_of(const fs::path& path) {
    const std::string ext = path.extension().string();
    if (same_letters(ext, ".dat")) return PointFormat::cass;
    if (same_letters(ext, ".csv")) return PointFormat::csv;
    return std::nullopt;
}

std::optional<Error> parse_point_file(std::string_view bytes, PointFormat format,
                                      const PointSink& each) {
    const auto source =
        [&](const std::function<bool(std::string_view)>& feed) -> std::optional<Error> {
        feed(bytes);
        return std::nullopt;
    };
    std::optional<Error> read_error;
    bool utf8 = false;
    if (auto cause = pass(format, source, nullptr, utf8, read_error))
        return detail::bare_failure(*cause);
    if (auto cause = pass(format, source, &each, utf8, read_error))
        return detail::bare_failure(*cause);
    return std::nullopt;
}

std::optional<Error> read_point_file(const fs::path& path, PointFormat format,
                                     const PointSink& each) {
    const auto source = [&](const std::function<bool(std::string_view)>& feed) {
        return read_file(path, feed);
    };
    std::optional<Error> read_error;
    bool utf8 = false;
    for (const PointSink* sink : {static_cast<const PointSink*>(nullptr), &each}) {
        auto cause = pass(format, source, sink, utf8, read_error);
        if (read_error) return read_error;
        if (cause) return detail::read_failure(path, *cause);
    }
    return std::nullopt;
}

Result<std::vector<PointRecord>> read_point_list(const fs::path& path, PointFormat format) {
    std::vector<PointRecord> points;
    auto error = read_point_file(path, format, [&](const PointRecord& p) {
        points.push_back(p);
        return true;
    });
    if (error) return *error;
    return points;
}

// ---------------------------------------------------------------------------
// Writing

namespace {

constexpr std::size_t kFlushBytes = std::size_t{64} << 10;

// A bare failure ("cause！") as the failure to save `path`.
Error as_save_failure(const fs::path& path, const Error& bare) {
    constexpr std::string_view mark = "！";
    std::string_view cause = bare.message;
    if (cause.ends_with(mark)) cause.remove_suffix(mark.size());
    return detail::save_failure(path, cause);
}

}  // namespace

PointFileWriter::PointFileWriter(PointFormat format, bool with_elevation, ByteSink sink)
    : format_(format), with_elevation_(with_elevation), sink_(std::move(sink)), pending_first_(1) {
    if (format_ == PointFormat::csv) pending_ = with_elevation_ ? "name,X,Y,H\r\n" : "name,X,Y\r\n";
}

std::optional<Error> PointFileWriter::add(std::string_view name, std::string_view code,
                                          std::string_view x, std::string_view y,
                                          std::string_view h) {
    const std::size_t row = rows_ + 1;
    const std::string_view fields[] = {name, code, x, y, h};
    const char* what[] = {"点名", "编码", "X", "Y", "H"};
    for (std::size_t i = 0; i < 5; ++i) {
        const bool comma_refused =
            format_ == PointFormat::cass && fields[i].find(',') != std::string_view::npos;
        if (fields[i].find_first_of("\r\n") != std::string_view::npos || comma_refused) {
            return detail::bare_failure("第" + std::to_string(row) + "个点的" + what[i] + "“" +
                                        std::string(fields[i]) + "”含有" +
                                        (comma_refused ? "逗号" : "换行符") + "，无法写入" +
                                        (format_ == PointFormat::cass ? "CASS" : "CSV") + "文件");
        }
    }
    if (format_ == PointFormat::cass) {
        // 点名,编码,Y,X,H: easting first.
        pending_.append(name).append(",").append(code).append(",").append(y).append(",");
        pending_.append(x).append(",").append(h).append("\r\n");
    } else {
        append_csv_field(pending_, name);
        pending_.append(",").append(x).append(",").append(y);
        if (with_elevation_) pending_.append(",").append(h);
        pending_.append("\r\n");
    }
    rows_ = row;
    if (pending_.size() >= kFlushBytes) return flush();
    return std::nullopt;
}

std::optional<Error> PointFileWriter::flush() {
    encoded_.clear();
    std::string cause;
    if (!detail::is_ascii(pending_) && !detail::encode_cp936(pending_, encoded_, cause)) {
        // Find the row that cannot be written, for the message.
        std::size_t row = pending_first_;
        std::size_t start =
            format_ == PointFormat::csv && pending_first_ == 1 ? pending_.find("\r\n") + 2 : 0;
        std::string scratch;
        while (start < pending_.size()) {
            const std::size_t end = pending_.find("\r\n", start);
            scratch.clear();
            if (!detail::encode_cp936(std::string_view(pending_).substr(start, end - start),
                                      scratch, cause))
                break;
            start = end + 2;
            ++row;
        }
        return detail::bare_failure("第" + std::to_string(row) + "个点的" + cause);
    }
    const std::string_view bytes =
        encoded_.empty() ? std::string_view(pending_) : std::string_view(encoded_);
    if (!bytes.empty()) {
        if (auto error = sink_(bytes)) return error;
    }
    pending_.clear();
    pending_first_ = rows_ + 1;
    return std::nullopt;
}

std::optional<Error> PointFileWriter::finish() {
    return flush();
}

std::optional<Error> write_point_file(const fs::path& path, PointFormat format,
                                      const std::vector<PointRow>& rows) {
    bool with_elevation = format == PointFormat::cass;
    for (const PointRow& r : rows) with_elevation = with_elevation || !r.h.empty();
    std::string bytes;
    PointFileWriter writer(format, with_elevation,
                           [&](std::string_view piece) -> std::optional<Error> {
                               bytes.append(piece);
                               return std::nullopt;
                           });
    for (const PointRow& r : rows) {
        if (auto error = writer.add(r.name, r.code, r.x, r.y, r.h))
            return as_save_failure(path, *error);
    }
    if (auto error = writer.finish()) return as_save_failure(path, *error);
    return replace_file(path, bytes);
}

}  // namespace korvane::files
