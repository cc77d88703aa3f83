#pragma once

#include "UiLanguage.h"

class QCoreApplication;

// Where the built translations are: beside the program in the build tree, then where the
// package installs them.
QString TranslationsDirectory();

// Installs the window's translation for the language and Qt's own for its standard texts.
// A translation that is missing or unreadable leaves the design's texts: the language in
// effect is returned.
UiLanguage InstallTranslations(QCoreApplication &app, UiLanguage wanted, const QString &directory);
