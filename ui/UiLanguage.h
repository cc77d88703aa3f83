#pragma once

#include <QString>
#include <QStringList>

// The languages the window speaks. Source is the design's own Simplified Chinese.
enum class UiLanguage { Source, English, Traditional };

// The first of the user's UI languages (as Qt lists them: LANGUAGE's entries in order, else
// the locale) that the window speaks decides, as gettext would: Simplified Chinese and the
// C/POSIX locale keep the design's texts, Traditional Chinese gets the Traditional
// translation, English English; others are passed over. None of them: English.
UiLanguage ChooseUiLanguage(const QStringList &uiLanguages);

// The suffix of its translation files ("en", "zh_TW"); empty for the source.
QString TranslationSuffix(UiLanguage language);
