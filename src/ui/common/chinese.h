// Simplified Chinese for the whole program, whatever the system's locale.
#pragma once

class QApplication;

namespace korvane::ui {

// Installs Qt's own simplified-Chinese translations, so that standard buttons
// and the file dialog read "确定", "取消", "保存", and makes zh_CN the default
// locale. When the default font has no Chinese characters, a family that has
// them comes first in the application font, at the default size. Returns
// false when the translation file could not be loaded (the package
// qt6-translations-l10n is missing); the program then still runs with Qt's
// English standard texts. Call once, after creating the application.
bool use_simplified_chinese(QApplication& app);

}  // namespace korvane::ui
