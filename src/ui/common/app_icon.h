// The program's icon: a silver-grey fern frond laid diagonally, stem at the
// lower left, drawn at 16, 24, 32, 48 and 256 pixels.
#pragma once

#include <QIcon>

namespace korvane::ui {

// The icon for the program's windows, from the images built into the program.
QIcon appIcon();

}  // namespace korvane::ui
