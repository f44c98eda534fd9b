// Twips, the layout unit of the windows' designs: 15 twips are one pixel at
// 96 dots per inch.
#pragma once

namespace korvane::ui {

// How a length in twips becomes whole pixels. The main window rounds to the
// nearest pixel (halves up), the About window cuts down; each keeps the pixel
// sizes it was designed and tested with.
enum class TwipRounding { nearest, down };

// Pixels of a non-negative length in twips.
constexpr int twipsToPixels(int twips, TwipRounding rounding) {
    return rounding == TwipRounding::nearest ? (twips + 7) / 15 : twips / 15;
}

}  // namespace korvane::ui
