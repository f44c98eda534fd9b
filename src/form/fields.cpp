#include "form/fields.h"

namespace korvane::form {

std::string_view field_name(Field field) {
    static constexpr std::string_view kNames[kFieldCount] = {
        "Text1",  "Text2",  "Text3",  "Text4",  "Text5",  "Text6",  "Text7",  "Text8",  "Text9",
        "Text10", "Text11", "Text12", "Text13", "Text14", "Text15", "Text16", "Text17",
    };
    return kNames[static_cast<int>(field) - 1];
}

}  // namespace korvane::form
