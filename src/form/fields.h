// Design names of the main window's text fields, and the texts a computation reads.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace korvane::form {

// The text fields of the main window, by their design names. The computations
// name the field that receives the focus after a failed check with these.
enum class Field {
    Text1 = 1,  // K0, start chainage of the line (m)
    Text2,      // X0, northing of the start point (m)
    Text3,      // Y0, easting of the start point (m)
    Text4,      // line azimuth, packed d.mmss
    Text5,      // chainage K of the single point (m)
    Text6,      // offset P (m)
    Text7,      // skew angle a, packed d.mmss
    Text8,      // X of the point to invert (m)
    Text9,      // Y of the point to invert (m)
    Text10,     // inverse result: chainage K
    Text11,     // inverse result: offset P
    Text12,     // forward result: X
    Text13,     // forward result: Y
    Text14,     // batch table
    Text15,     // batch start chainage (m)
    Text16,     // batch end chainage (m)
    Text17,     // batch step (m)
};

inline constexpr int kFieldCount = 17;

// "Text1" ... "Text17": the field's design name, as the window's objectName.
std::string_view field_name(Field field);

// The field texts a computation reads, UTF-8. A text never set is an empty field.
class FieldTexts {
  public:
    FieldTexts() = default;

    void set(Field field, std::string text) { texts_[index(field)] = std::move(text); }
    std::string_view get(Field field) const { return texts_[index(field)]; }

  private:
    static std::size_t index(Field field) { return static_cast<std::size_t>(field) - 1; }
    std::array<std::string, kFieldCount> texts_;
};

}  // namespace korvane::form
