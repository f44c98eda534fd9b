// The output formats of the batch computation, each a writer over the same
// rows: the table text of Text14, CSV and CASS coordinate data. The report
// file (report_file.h) frames the table text. The window and korvane-cli both
// write through these, so a new format is one new writer here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "form/computations.h"
#include "form/failure.h"
#include "form/fields.h"

namespace korvane::files {

// One output format: the text that opens the output and how one row is
// appended (`number` counts the rows from 1). Every byte comes from here.
struct BatchWriter {
    std::string_view header;
    void (*append_row)(std::string& out, const form::BatchRow& row, std::size_t number);
};

// The table text of Text14: " 里程K 偏距P 坐标X 坐标Y" and
// " K=1000,P=0,X=8765.888,Y=6789.999" rows, each line ending in CR LF.
extern const BatchWriter kBatchTable;
// CSV: "K,P,X,Y" and one "K,P,X,Y" line per row, LF line ends.
extern const BatchWriter kBatchCsv;
// CASS coordinate data, no header: "N,,Y,X,0" per row (point number, empty
// code, easting, northing, height), LF line ends.
extern const BatchWriter kBatchCass;

// The batch computation of the fields written in one format; the first
// failed check (nothing written) when the fields do not pass.
form::Outcome<std::string> batch_output(const form::FieldTexts& fields, const BatchWriter& writer);

}  // namespace korvane::files
