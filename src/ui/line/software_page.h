// The maker's software page, opened from Help › Online help and from the
// About window's links.
#pragma once

class QWidget;

namespace korvane::ui {

class Desktop;

// Opens the maker's software page in the browser; when nothing opens it, an
// information box over `parent` gives the address instead.
void openSoftwarePage(Desktop& desktop, QWidget* parent);

}  // namespace korvane::ui
