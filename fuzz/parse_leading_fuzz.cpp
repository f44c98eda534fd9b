// The leading-number parse on arbitrary field texts: it never fails, drops
// blanks, tabs and line feeds wherever they stand, and reads the same value as
// an independent reading of the longest leading number.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "geometry/number_text.h"
#include "number_grammar.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = geometry::parse_leading(text);
    fuzz::check(!std::isnan(value), "parse_leading gave NaN", text);

    std::string packed;
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') packed.push_back(c);
    }
    const double again = geometry::parse_leading(packed);
    fuzz::check(fuzz::same_double(value, again) && std::signbit(value) == std::signbit(again),
                "blanks changed the value", text);

    const std::size_t len = fuzz::number_prefix(packed);
    const double expected =
        len == 0 ? 0.0 : fuzz::reference_value(std::string_view(packed).substr(0, len));
    fuzz::check(fuzz::same_reading(value, expected), "value differs from the reference reading",
                text);
    return 0;
}
