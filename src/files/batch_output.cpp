#include "files/batch_output.h"

#include <optional>

namespace korvane::files {
namespace {

void append_table_row(std::string& out, const form::BatchRow& row, std::size_t /*number*/) {
    form::append_batch_line(out, row);
}

void append_csv_row(std::string& out, const form::BatchRow& row, std::size_t /*number*/) {
    out.append(row.k).append(",").append(row.p).append(",").append(row.x).append(",").append(row.y);
    out += '\n';
}

void append_cass_row(std::string& out, const form::BatchRow& row, std::size_t number) {
    out.append(std::to_string(number)).append(",,").append(row.y).append(",").append(row.x);
    out.append(",0");
    out += '\n';
}

}  // namespace

const BatchWriter kBatchTable{form::kBatchHeader, append_table_row};
const BatchWriter kBatchCsv{"K,P,X,Y\n", append_csv_row};
const BatchWriter kBatchCass{"", append_cass_row};

form::Outcome<std::string> batch_output(const form::FieldTexts& fields, const BatchWriter& writer) {
    std::string out(writer.header);
    std::size_t number = 0;
    const std::optional<form::Failure> failed = form::batch_rows(
        fields, [&](const form::BatchRow& row) { writer.append_row(out, row, ++number); });
    if (failed) return *failed;
    return out;
}

}  // namespace korvane::files
