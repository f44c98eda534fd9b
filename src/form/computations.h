// The forward, inverse and batch computations on field texts.
//
// Each reads the texts of the fields it needs, checks them in a fixed order and
// returns either its result texts or the first failure (message and field to
// focus). Nothing is kept between calls; no computation has side effects.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "form/failure.h"
#include "form/fields.h"

namespace korvane::form {

// Forward: the point at chainage K (Text5) on the line Text1..Text4, set out at
// offset P (Text6) under the skew angle a (Text7). Results for Text12 (X) and
// Text13 (Y), rounded to 3 decimals.
struct ForwardResult {
    std::string x;
    std::string y;
};
Outcome<ForwardResult> forward(const FieldTexts& fields);

// Inverse: chainage and offset of the point X (Text8), Y (Text9) relative to the
// line Text1..Text4. Results for Text10 (K) and Text11 (P), rounded to 3 decimals.
struct InverseResult {
    std::string k;
    std::string p;
};
Outcome<InverseResult> inverse(const FieldTexts& fields);

// The largest table the batch computation produces.
inline constexpr std::size_t kMaxBatchRows = 1'000'000;

// The header line of the batch table, CR LF included.
inline constexpr std::string_view kBatchHeader = " 里程K 偏距P 坐标X 坐标Y\r\n";

// One row of the batch table, as the number texts that go into it.
struct BatchRow {
    std::string_view k;  // running chainage, unrounded
    std::string_view p;  // offset, unrounded
    std::string_view x;  // rounded to 3 decimals
    std::string_view y;  // rounded to 3 decimals
};

// Batch: checks Text1..Text4, Text6, Text7, Text15..Text17 and then hands every
// row of the table, in order, to `row`. On a failure nothing is handed over.
std::optional<Failure> batch_rows(const FieldTexts& fields,
                                  const std::function<void(const BatchRow&)>& row);

// Appends one row of the table text of Text14, CR LF included:
// " K=1000,P=0,X=8765.888,Y=6789.999\r\n".
void append_batch_line(std::string& out, const BatchRow& row);

// Batch: the whole table text for Text14, header and rows, each line ending in
// CR LF.
Outcome<std::string> batch_table(const FieldTexts& fields);

}  // namespace korvane::form
