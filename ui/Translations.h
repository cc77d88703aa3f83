#pragma once

#include "UiLanguage.h"

class QCoreApplication;

// Where the window's translations are: built into the program as resources.
QString TranslationsDirectory();

// Installs the window's translation for the language and Qt's own for its standard texts.
// A translation that is missing or unreadable leaves the design's texts, with a warning: the
// language in effect is returned.
UiLanguage InstallTranslations(QCoreApplication &app, UiLanguage wanted, const QString &directory);
