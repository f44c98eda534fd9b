#include "files/line_file.h"

#include <array>
#include <cmath>
#include <utility>

#include "files/codec.h"
#include "files/read_file.h"
#include "files/safe_write.h"
#include "files/texts.h"
#include "geometry/number_text.h"

namespace korvane::files {

LineParameters line_parameters_of(const form::FieldTexts& fields) {
    using form::Field;
    return {std::string(fields.get(Field::Text1)), std::string(fields.get(Field::Text2)),
            std::string(fields.get(Field::Text3)), std::string(fields.get(Field::Text4))};
}

std::array<std::pair<form::Field, std::string_view>, 4> line_parameter_fields(
    const LineParameters& texts) {
    using form::Field;
    return {{{Field::Text1, texts.k0},
             {Field::Text2, texts.x0},
             {Field::Text3, texts.y0},
             {Field::Text4, texts.azimuth}}};
}

void put_line_parameters(const LineParameters& texts, form::FieldTexts& fields) {
    for (const auto& [field, text] : line_parameter_fields(texts))
        fields.set(field, std::string(text));
}
namespace {

namespace fs = std::filesystem;

// The four lines in file order: the field each one holds and the label that
// names it for the human reader (every label starts with a Chinese character,
// so the number at the start of a line ends where its label begins).
// `name` is the short form of the label used in messages.
struct LineEntry {
    std::string LineParameters::*field;
    const char* label;
    const char* name;
};
constexpr std::array<LineEntry, 4> kLines{{
    {&LineParameters::k0, "起点桩号K", "起点桩号K"},
    {&LineParameters::x0, "起点坐标X", "起点坐标X"},
    {&LineParameters::y0, "起点坐标Y", "起点坐标Y"},
    {&LineParameters::azimuth, "计算方位角F(格式:d.ms、15°15ˊ25.55″为15.152555)", "计算方位角F"},
}};

// Column positioning: the label starts in column 20, counting the first
// character of the line as column 1. Columns are counted in bytes of the
// written code page 936 text, so a Chinese character takes two columns, as it
// does on screen in a fixed-width font, and the labels line up in an editor.
// A value of 19 bytes or more would reach the label's column; it is followed
// by a single space instead, so that value and label stay apart and on one
// line.
constexpr size_t kLabelColumn = 20;

// A line is at most this long (without its line end), on export and on
// import alike, so that every file the program writes reads back. It is far
// beyond any number with its label; a longer line means the file is something
// else, and refusing it keeps reading bounded: at most four such lines are
// read, whatever the size of the file.
constexpr size_t kMaxLineBytes = size_t{64} << 10;

// How the text of the file is encoded, told by its byte-order mark. A file
// without one is code page 936, as the program writes it.
enum class Encoding { Cp936, Utf8, Utf16Le, Utf16Be };

// Splits bytes into the first four lines. A line ends at CR LF or at a lone CR
// (a lone LF is part of the line). Text after the last line end still forms a
// line; nothing after the fourth line end is looked at. A byte-order mark at
// the start is not part of the first line: it tells the encoding.
class FirstLines {
  public:
    // Takes the next bytes of the file. Returns false once a line is too long
    // or the file proves to be in an encoding that is not read.
    bool feed(std::string_view bytes) {
        if (!marked_) {
            head_.append(bytes);
            if (could_grow_into_mark(head_)) return true;
            return take_mark();
        }
        return split(bytes);
    }

    // The end of the file: a last line without a line end counts as a line.
    void finish() {
        if (!marked_ && !take_mark()) return;
        if (!full() && started_) {
            ++count_;
            started_ = false;
        }
    }

    bool full() const { return count_ == lines_.size(); }
    size_t count() const { return count_; }
    bool too_long() const { return too_long_; }
    // A line held a line feed that no CR came before: the file's lines end in LF.
    bool lone_lf() const { return lone_lf_; }
    Encoding encoding() const { return encoding_; }
    const std::string& line(size_t i) const { return lines_[i]; }

  private:
    static constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
    static constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
    static constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

    // True while the bytes so far are a proper start of a mark not yet complete.
    static bool could_grow_into_mark(std::string_view head) {
        for (std::string_view mark : {kUtf8Mark, kUtf16LeMark, kUtf16BeMark}) {
            if (head.size() < mark.size() && mark.starts_with(head)) return true;
        }
        return false;
    }

    bool take_mark() {
        marked_ = true;
        std::string_view head = head_;
        if (head.starts_with(kUtf8Mark)) {
            encoding_ = Encoding::Utf8;
            head.remove_prefix(kUtf8Mark.size());
        } else if (head.starts_with(kUtf16LeMark)) {
            encoding_ = Encoding::Utf16Le;
        } else if (head.starts_with(kUtf16BeMark)) {
            encoding_ = Encoding::Utf16Be;
        }
        if (encoding_ == Encoding::Utf16Le || encoding_ == Encoding::Utf16Be) return false;
        const std::string rest(head);
        head_.clear();
        return split(rest);
    }

    bool split(std::string_view bytes) {
        for (const char c : bytes) {
            if (full()) return true;
            if (skip_lf_) {
                skip_lf_ = false;
                if (c == '\n') continue;
            }
            if (c == '\r') {
                ++count_;
                started_ = false;
                skip_lf_ = true;
                continue;
            }
            std::string& line = lines_[count_];
            if (line.size() == kMaxLineBytes) {
                too_long_ = true;
                return false;
            }
            if (c == '\n') lone_lf_ = true;
            line.push_back(c);
            started_ = true;
        }
        return true;
    }

    std::array<std::string, 4> lines_;
    std::string head_;  // the first bytes, until they tell whether a mark is there
    size_t count_ = 0;
    bool marked_ = false;
    bool started_ = false;
    bool skip_lf_ = false;
    bool too_long_ = false;
    bool lone_lf_ = false;
    Encoding encoding_ = Encoding::Cp936;
};

std::string line_number(size_t index) {
    return "第" + std::to_string(index + 1) + "行";
}

std::string too_long_cause(size_t index) {
    return line_number(index) + "超过" + std::to_string(kMaxLineBytes) + "字节，不是线路参数文件";
}

// The number's own text at the start of a decoded line, for naming it in a
// message: the leading run of number characters, at most 40 of them.
std::string number_text_for_message(std::string_view text) {
    const std::string_view number_chars = "+-.0123456789eE \t\n";
    size_t begin = text.find_first_not_of(" \t\n");
    if (begin == std::string_view::npos) begin = text.size();
    size_t end = begin;
    while (end < text.size() && number_chars.find(text[end]) != std::string_view::npos) ++end;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\n'))
        --end;
    std::string shown(text.substr(begin, std::min<size_t>(end - begin, 40)));
    if (end - begin > 40) shown += "…";
    return shown;
}

// Turns the four lines into the field texts; on failure returns the cause
// and leaves `texts` unspecified.
std::optional<std::string> field_texts(const FirstLines& lines, LineParameters& texts) {
    if (lines.encoding() == Encoding::Utf16Le || lines.encoding() == Encoding::Utf16Be) {
        const char* name = lines.encoding() == Encoding::Utf16Le ? "UTF-16 LE" : "UTF-16 BE";
        return std::string("文件是") + name +
               "编码的文本，线路参数文件须为GBK（代码页936）或UTF-8编码";
    }
    // Lines that end in LF alone run together into one: the reader sees fewer
    // lines (or one overlong line) where a person sees four.
    if ((lines.too_long() || !lines.full()) && lines.lone_lf()) {
        return "文件的行以LF结尾，线路参数文件的行须以CR LF（或单独的CR）结尾";
    }
    if (lines.too_long()) return too_long_cause(lines.count());
    if (!lines.full()) {
        return "文件只有" + std::to_string(lines.count()) + "行，线路参数文件应有四行";
    }
    for (size_t i = 0; i < kLines.size(); ++i) {
        // The number is made of ASCII characters only, so the part of a line
        // after bytes that are not of its encoding cannot belong to it.
        const std::string text = lines.encoding() == Encoding::Utf8
                                     ? std::string(utf8_prefix(lines.line(i)))
                                     : cp936_prefix_to_utf8(lines.line(i));
        const double value = geometry::parse_leading(text);
        if (!std::isfinite(value)) {
            return line_number(i) + "的数值“" + number_text_for_message(text) +
                   "”超出了双精度数的范围";
        }
        texts.*kLines[i].field = geometry::format_number(value);
    }
    return std::nullopt;
}

// The file's bytes for the texts, or false with the cause.
bool line_bytes(const LineParameters& texts, std::string& out, std::string& cause) {
    for (const LineEntry& entry : kLines) {
        const std::string& value = texts.*entry.field;
        if (value.find_first_of("\r\n") != std::string::npos) {
            cause = std::string(entry.name) + "的文本含有换行符，无法写成一行";
            return false;
        }
        const size_t line_start = out.size();
        if (!detail::encode_cp936(value, out, cause)) {
            std::string named(entry.name);
            named += "的文本中，";
            named += cause;
            cause = std::move(named);
            return false;
        }
        const size_t column = out.size() - line_start + 1;  // where the next byte would stand
        out.append(column < kLabelColumn ? kLabelColumn - column : 1, ' ');
        if (!detail::encode_cp936(entry.label, out, cause)) return false;
        if (out.size() - line_start > kMaxLineBytes) {
            cause = std::string(entry.name) + "的文本太长，写成的一行超过" +
                    std::to_string(kMaxLineBytes) + "字节，导入时无法读回";
            return false;
        }
        out += "\r\n";
    }
    return true;
}

}  // namespace

Result<std::string> line_file_bytes(const LineParameters& texts) {
    std::string out;
    std::string cause;
    if (!line_bytes(texts, out, cause)) return detail::bare_failure(cause);
    return out;
}

std::optional<Error> write_line_file(const fs::path& path, const LineParameters& texts) {
    std::string bytes;
    std::string cause;
    if (!line_bytes(texts, bytes, cause)) return detail::save_failure(path, cause);
    return replace_file(path, bytes);
}

Result<LineParameters> parse_line_file(std::string_view bytes) {
    FirstLines lines;
    if (lines.feed(bytes)) lines.finish();
    LineParameters texts;
    if (auto cause = field_texts(lines, texts)) return detail::bare_failure(*cause);
    return texts;
}

Result<LineParameters> read_line_file(const fs::path& path) {
    // Stop as soon as the fourth line has ended (or a line proved too long):
    // a huge file costs no more than a small one.
    FirstLines lines;
    bool ended = true;
    auto error = read_file(path, [&](std::string_view piece) {
        if (lines.feed(piece) && !lines.full()) return true;
        ended = false;
        return false;
    });
    if (error) return *error;
    if (ended) lines.finish();

    LineParameters texts;
    if (auto failed = field_texts(lines, texts)) return detail::read_failure(path, *failed);
    return texts;
}

}  // namespace korvane::files
