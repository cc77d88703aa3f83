#include "Translations.h"

#include "Logging.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// Qt's own texts (the standard buttons' "确定") in the window's language.
void installQtTranslation(QCoreApplication &app, UiLanguage language)
{
    if (language == UiLanguage::English)
        return;
    const QLocale locale =
        language == UiLanguage::Traditional
            ? QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan)
            : QLocale(QLocale::Chinese, QLocale::China);
    auto *translator = new QTranslator(&app);
    if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(translator);
    else
        qCWarning(lcUi) << "Qt's Chinese translations are missing (package qt6-translations-l10n)";
}

} // namespace

QString TranslationsDirectory()
{
    return QStringLiteral(":/i18n");
}

UiLanguage InstallTranslations(QCoreApplication &app, UiLanguage wanted, const QString &directory)
{
    UiLanguage language = wanted;
    if (wanted != UiLanguage::Source) {
        auto *translator = new QTranslator(&app);
        const QString name = QStringLiteral("zelvane_") + TranslationSuffix(wanted);
        if (translator->load(name, directory) && app.installTranslator(translator)) {
            qCInfo(lcUi).noquote() << "translation" << translator->filePath();
        } else {
            qCWarning(lcUi).noquote() << "no readable translation" << name << "in" << directory
                                      << "- the window keeps its own texts";
            delete translator;
            language = UiLanguage::Source;
        }
    }
    installQtTranslation(app, language);
    return language;
}
