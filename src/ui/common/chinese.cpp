#include "ui/common/chinese.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace korvane::ui {

namespace {

// Puts a family that holds simplified Chinese first in the application font,
// at the platform's default size, when the default family has no Chinese of
// its own: mixing a Latin font with a Chinese fallback sets the captions
// wider than the fixed layout allows.
void prefer_chinese_font() {
    QFont font = QApplication::font();
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    if (chinese.isEmpty() || chinese.contains(QFontInfo(font).family())) return;
    const QString preferred = QStringLiteral("WenQuanYi Micro Hei");
    QStringList families = font.families();
    if (families.isEmpty()) families << font.family();
    families.prepend(chinese.contains(preferred) ? preferred : chinese.first());
    font.setFamilies(families);
    QApplication::setFont(font);
}

}  // namespace

bool use_simplified_chinese(QApplication& app) {
    prefer_chinese_font();
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    auto* translator = new QTranslator(&app);
    if (!translator->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QApplication::installTranslator(translator);
    return true;
}

}  // namespace korvane::ui
