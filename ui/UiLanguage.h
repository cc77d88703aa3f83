#pragma once

#include <QString>
#include <QStringList>

// The languages the window speaks. Source is the design's own Simplified Chinese.
enum class UiLanguage { Source, English, Traditional };

// The user's first UI language decides (LANGUAGE first, as Qt lists them): Simplified
// Chinese and the C/POSIX locale keep the design's texts, Traditional Chinese gets the
// Traditional translation, any other language English.
UiLanguage ChooseUiLanguage(const QStringList &uiLanguages);

// The suffix of its translation files ("en", "zh_TW"); empty for the source.
QString TranslationSuffix(UiLanguage language);
