// The strict conversion on arbitrary texts: it accepts exactly the texts that
// are one number as a whole (surrounding spaces aside), reads the same value as
// an independent reading, and agrees with the leading-number parse on them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "geometry/number_text.h"
#include "number_grammar.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto value = geometry::parse_strict(text);

    const std::string_view trimmed = geometry::trim_spaces(text);
    const std::size_t len = fuzz::number_prefix(trimmed);
    const bool whole = len > 0 && len == trimmed.size();
    fuzz::check(value.has_value() == whole,
                whole ? "a whole number was refused" : "a text that is not one number was accepted",
                text);
    if (!value) return 0;

    fuzz::check(!std::isnan(*value), "parse_strict gave NaN", text);
    fuzz::check(fuzz::same_reading(*value, fuzz::reference_value(trimmed)),
                "value differs from the reference reading", text);
    const double leading = geometry::parse_leading(text);
    fuzz::check(fuzz::same_double(leading, *value) && std::signbit(leading) == std::signbit(*value),
                "strict and leading parse disagree on a whole number", text);
    return 0;
}
