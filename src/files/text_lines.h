// Lines of the text files that people write by hand or export from a
// spreadsheet (alignment files, point files): line splitting with a cap on the
// line length, and the choice between UTF-8 and code page 936 (internal to the
// library).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane::files::detail {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// True when every byte is ASCII.
bool is_ascii(std::string_view bytes);

// Splits bytes that arrive in pieces into lines. A line ends at LF, CR LF or a
// lone CR; the text after the last line end is a last line. A UTF-8 byte-order
// mark at the very start is removed and remembered.
class LineSplitter {
  public:
    explicit LineSplitter(std::size_t max_line_bytes) : max_(max_line_bytes) {}

    // Hands every line completed by `bytes` to `line(number, text)` (numbers
    // from 1). Returns false, and takes no further bytes, once `line` returns
    // false or a line exceeds the cap (too_long() then says so).
    template <class F>
    bool feed(std::string_view bytes, F&& line);

    // The end of the input: the last line, if it has no line end.
    template <class F>
    bool finish(F&& line);

    bool too_long() const { return too_long_; }
    bool had_bom() const { return bom_; }
    // The number of the line being read (the one too long, after a failure).
    std::size_t line_number() const { return number_ + 1; }

  private:
    std::size_t max_;
    std::string current_;
    std::size_t number_ = 0;      // lines completed
    std::size_t start_seen_ = 0;  // bytes of the start looked at for a BOM (up to 3)
    bool bom_ = false;
    bool skip_lf_ = false;
    bool stopped_ = false;
    bool too_long_ = false;
};

// The text of bytes in code page 936 or UTF-8, as UTF-8 in `out`: copied for
// UTF-8 (false when not well-formed), converted for code page 936 (false, with
// the codec's cause, for bytes it does not define).
bool decode_text(std::string_view bytes, bool utf8, std::string& out, std::string& cause);

template <class F>
bool LineSplitter::feed(std::string_view bytes, F&& line) {
    if (stopped_) return false;
    // The byte-order mark may arrive split over pieces.
    while (start_seen_ < kUtf8Bom.size() && !bytes.empty() && number_ == 0) {
        if (bytes.front() != kUtf8Bom[start_seen_]) {
            start_seen_ = kUtf8Bom.size();
            break;
        }
        current_.push_back(bytes.front());
        bytes.remove_prefix(1);
        if (++start_seen_ == kUtf8Bom.size()) {
            current_.clear();
            bom_ = true;
        }
    }
    while (!bytes.empty()) {
        if (skip_lf_) {
            skip_lf_ = false;
            if (bytes.front() == '\n') {
                bytes.remove_prefix(1);
                continue;
            }
        }
        // A plain loop: find_first_of would search the set for every byte.
        std::size_t end = 0;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r') ++end;
        if (end == bytes.size()) end = std::string_view::npos;
        const std::string_view part = bytes.substr(0, end);
        if (current_.size() + part.size() > max_) {
            too_long_ = true;
            stopped_ = true;
            return false;
        }
        if (end == std::string_view::npos) {
            current_.append(part);
            return true;
        }
        skip_lf_ = bytes[end] == '\r';
        bytes.remove_prefix(end + 1);
        ++number_;
        bool go;
        if (current_.empty()) {
            go = line(number_, part);
        } else {
            current_.append(part);
            go = line(number_, std::string_view(current_));
            current_.clear();
        }
        if (!go) {
            stopped_ = true;
            return false;
        }
    }
    return true;
}

template <class F>
bool LineSplitter::finish(F&& line) {
    if (stopped_) return false;
    stopped_ = true;
    // Bytes held back as a possible BOM are an ordinary line.
    if (current_.empty()) return true;
    ++number_;
    return line(number_, std::string_view(current_));
}

}  // namespace korvane::files::detail
