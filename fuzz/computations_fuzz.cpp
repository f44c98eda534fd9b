// The forward, inverse and batch computations on arbitrary field texts.
//
// Input: the first byte chooses the computation ('F' forward, 'I' inverse, 'B'
// batch, any other byte by its value modulo 3); the rest is split at '|' into
// the texts of Text1, Text2, ... Text17 in order (missing ones are empty).
//
// Every outcome is either results that are well-formed number texts (never
// "inf" or "nan") or one of the computation's own messages with a field to
// focus. A batch table is bounded, its rows are well formed, their chainages
// increase from the start, and its first row is the forward computation of the
// start chainage. Large tables are checked for their first rows only, to keep
// each run short.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "form/computations.h"
#include "form/messages.h"
#include "fuzz_check.h"
#include "geometry/number_text.h"

namespace {

namespace kg = korvane::geometry;
namespace kf = korvane::form;
using kf::Field;
using korvane::fuzz::check;

const std::array<std::string_view, 21> kMessages = {
    kf::msg::kEnterStartChainage, kf::msg::kEnterStartX,         kf::msg::kEnterStartY,
    kf::msg::kEnterAzimuth,       kf::msg::kEnterChainage,       kf::msg::kEnterInverseX,
    kf::msg::kEnterInverseY,      kf::msg::kEnterTableStart,     kf::msg::kEnterTableEnd,
    kf::msg::kEnterStep,          kf::msg::kChainageBeforeStart, kf::msg::kTableStartBeforeLine,
    kf::msg::kTableStartAfterEnd, kf::msg::kStepNotPositive,     kf::msg::kOffsetNotNumber,
    kf::msg::kSkewNotNumber,      kf::msg::kStepNotNumber,       kf::msg::kStepTooSmall,
    kf::msg::kTooManyRows,        kf::msg::kValueOutOfRange,     kf::msg::kResultOutOfRange,
};

// Fields each computation reads, in its order of required checks and beyond.
bool reads(char kind, Field f) {
    const int n = static_cast<int>(f);
    switch (kind) {
        case 'F':
            return n >= 1 && n <= 7;
        case 'I':
            return (n >= 1 && n <= 4) || n == 8 || n == 9;
        default:
            return (n >= 1 && n <= 4) || n == 6 || n == 7 || (n >= 15 && n <= 17);
    }
}

void check_failure(char kind, const kf::Failure& f, const kf::FieldTexts& fields,
                   std::string_view input) {
    bool known = false;
    for (auto m : kMessages) known = known || f.message == m;
    check(known, "unknown failure message: " + f.message, input);
    check(reads(kind, f.focus), "focus on a field the computation does not read", input);
    // A required-field message names a blank field; a blank field is never
    // passed over to a later check.
    const bool required = f.message.rfind("请输入", 0) == 0;
    check(!required || kg::is_blank(fields.get(f.focus)),
          "required-field message for a filled field", input);
}

void check_result(std::string_view text, std::string_view input) {
    check(korvane::fuzz::is_number_text(text), "malformed result text: " + std::string(text),
          input);
    check(korvane::fuzz::decimals_of(text) <= 3,
          "result with more than 3 decimals: " + std::string(text), input);
}

// The forward computation of the table's start chainage gives the first row,
// when the offset and skew texts are ones it accepts.
void check_first_row(const kf::FieldTexts& fields, std::string_view x, std::string_view y,
                     std::string_view input) {
    const std::string_view offset = fields.get(Field::Text6);
    const std::string_view skew = fields.get(Field::Text7);
    const bool defaults = kg::is_blank(offset) || kg::is_blank(skew);
    if (!defaults && (!kg::parse_strict(offset) || !kg::parse_strict(skew))) return;
    kf::FieldTexts single = fields;
    single.set(Field::Text5, std::string(fields.get(Field::Text15)));
    const auto fwd = kf::forward(single);
    check(fwd.ok(), "forward refuses the first chainage of a table", input);
    check(fwd.value().x == x && fwd.value().y == y,
          "first row differs from the forward computation", input);
}

struct RowChecker {
    RowChecker(std::string_view in, double first, double last)
        : input(in), start(first), end(last) {}

    std::string_view input;
    double start, end;
    std::size_t rows = 0;
    double last_k = 0;
    std::string first_x, first_y;

    void operator()(std::string_view k, std::string_view p, std::string_view x,
                    std::string_view y) {
        check(korvane::fuzz::is_number_text(k) && korvane::fuzz::is_number_text(p),
              "malformed chainage or offset in a row", input);
        check_result(x, input);
        check_result(y, input);
        const double kv = *kg::parse_strict(k);
        check(rows == 0 ? kv == kg::parse_strict(kg::format_number(start)).value() : kv >= last_k,
              "row chainages do not run up from the start", input);
        check(kv <= kg::parse_strict(kg::format_number(end)).value(), "row chainage beyond the end",
              input);
        if (rows == 0) {
            first_x = x;
            first_y = y;
        }
        last_k = kv;
        ++rows;
        check(rows <= kf::kMaxBatchRows, "table longer than the bound", input);
    }
};

// Splits a table text into rows and hands their pieces to the checker.
void check_table(const std::string& table, RowChecker& rows, std::string_view input) {
    check(table.rfind(kf::kBatchHeader, 0) == 0, "table does not start with its header", input);
    check(table.size() >= 2 && table.compare(table.size() - 2, 2, "\r\n") == 0,
          "table does not end in CR LF", input);
    std::string_view rest = std::string_view(table).substr(kf::kBatchHeader.size());
    while (!rest.empty()) {
        const auto eol = rest.find("\r\n");
        std::string_view line = rest.substr(0, eol);
        rest.remove_prefix(eol + 2);
        const auto pk = line.find(" K="), pp = line.find(",P="), px = line.find(",X="),
                   py = line.find(",Y=");
        check(pk == 0 && pp != std::string_view::npos && px != std::string_view::npos &&
                  py != std::string_view::npos && pp < px && px < py,
              "malformed table row", input);
        rows(line.substr(3, pp - 3), line.substr(pp + 3, px - pp - 3),
             line.substr(px + 3, py - px - 3), line.substr(py + 3));
    }
    check(rows.rows >= 1, "table without rows", input);
}

struct Enough {};

void run_batch(const kf::FieldTexts& fields, std::string_view input) {
    // Estimate the table's length from the texts, as the computation reads them.
    const double start = kg::parse_leading(fields.get(Field::Text15));
    const double end = kg::parse_leading(fields.get(Field::Text16));
    const auto step = kg::parse_strict(fields.get(Field::Text17));
    const bool small = step && *step > 0 && std::isfinite(start) && std::isfinite(end) &&
                       (end - start) / *step <= 2000.0;
    RowChecker rows(input, start, end);
    if (small) {
        const auto table = kf::batch_table(fields);
        if (!table) {
            check_failure('B', table.failure(), fields, input);
            return;
        }
        check(table.value().find("inf") == std::string::npos &&
                  table.value().find("nan") == std::string::npos,
              "non-finite text in the table", input);
        check_table(table.value(), rows, input);
    } else {
        // Long tables: the checks before the first row run in full; only the
        // first rows are looked at, then the run is cut short.
        std::optional<kf::Failure> failure;
        try {
            failure = kf::batch_rows(fields, [&](const kf::BatchRow& r) {
                rows(r.k, r.p, r.x, r.y);
                if (rows.rows == 200) throw Enough{};
            });
        } catch (const Enough&) {
        }
        if (failure) {
            check_failure('B', *failure, fields, input);
            return;
        }
        check(rows.rows >= 1, "table without rows", input);
    }
    check_first_row(fields, rows.first_x, rows.first_y, input);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    char kind = static_cast<char>(data[0]);
    if (kind != 'F' && kind != 'I' && kind != 'B') kind = "FIB"[data[0] % 3];

    kf::FieldTexts fields;
    const auto texts = korvane::fuzz::split(input.substr(1), '|');
    for (std::size_t i = 0; i < texts.size() && i < static_cast<std::size_t>(kf::kFieldCount);
         ++i) {
        fields.set(static_cast<Field>(i + 1), std::string(texts[i]));
    }

    if (kind == 'F') {
        const auto out = kf::forward(fields);
        if (!out) {
            check_failure(kind, out.failure(), fields, input);
            return 0;
        }
        check_result(out.value().x, input);
        check_result(out.value().y, input);
        check(kf::forward(fields).value().x == out.value().x, "forward is not repeatable", input);
    } else if (kind == 'I') {
        const auto out = kf::inverse(fields);
        if (!out) {
            check_failure(kind, out.failure(), fields, input);
            return 0;
        }
        check_result(out.value().k, input);
        check_result(out.value().p, input);
    } else {
        run_batch(fields, input);
    }
    return 0;
}
