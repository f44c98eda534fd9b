#include "files/batch_output.h"

#include <gtest/gtest.h>

#include <string>

#include "form/computations.h"
#include "form/fields.h"

namespace korvane::files {
namespace {

using form::Field;

form::FieldTexts batch(const char* start, const char* end, const char* step) {
    form::FieldTexts f;
    f.set(Field::Text1, "1000");
    f.set(Field::Text2, "8765.888");
    f.set(Field::Text3, "6789.999");
    f.set(Field::Text4, "15.152555");
    f.set(Field::Text6, "0");
    f.set(Field::Text7, "90");
    f.set(Field::Text15, start);
    f.set(Field::Text16, end);
    f.set(Field::Text17, step);
    return f;
}

TEST(batch_output, every_format_writes_the_same_rows_in_its_own_bytes) {
    const form::FieldTexts fields = batch("1000", "1020", "20");
    const auto table = batch_output(fields, kBatchTable);
    ASSERT_TRUE(table) << table.failure().message;
    EXPECT_EQ(table.value(),
              " 里程K 偏距P 坐标X 坐标Y\r\n"
              " K=1000,P=0,X=8765.888,Y=6789.999\r\n"
              " K=1020,P=0,X=8785.183,Y=6795.262\r\n");
    // The window's table and the field-text layer's table are the same text.
    EXPECT_EQ(table.value(), form::batch_table(fields).value());

    const auto csv = batch_output(fields, kBatchCsv);
    ASSERT_TRUE(csv) << csv.failure().message;
    EXPECT_EQ(csv.value(), "K,P,X,Y\n1000,0,8765.888,6789.999\n1020,0,8785.183,6795.262\n");

    // CASS: numbered from 1, easting before northing, height 0, no header.
    const auto cass = batch_output(fields, kBatchCass);
    ASSERT_TRUE(cass) << cass.failure().message;
    EXPECT_EQ(cass.value(), "1,,6789.999,8765.888,0\n2,,6795.262,8785.183,0\n");
}

TEST(batch_output, a_failed_check_writes_nothing_in_any_format) {
    const form::FieldTexts fields = batch("1000", "2000", "0");
    const form::Failure expected = form::batch_table(fields).failure();
    for (const BatchWriter* writer : {&kBatchTable, &kBatchCsv, &kBatchCass}) {
        const auto out = batch_output(fields, *writer);
        ASSERT_FALSE(out);
        EXPECT_EQ(out.failure(), expected);
        EXPECT_EQ(out.failure().focus, Field::Text17);
    }
}

}  // namespace
}  // namespace korvane::files
