#include "UiLanguage.h"

#include <optional>

namespace {

// A script subtag says it; otherwise the places that write Traditional characters.
UiLanguage chineseScript(const QStringList &subtags)
{
    if (subtags.contains(u"Hans", Qt::CaseInsensitive))
        return UiLanguage::Source;
    if (subtags.contains(u"Hant", Qt::CaseInsensitive) || subtags.contains(u"TW") ||
        subtags.contains(u"HK") || subtags.contains(u"MO"))
        return UiLanguage::Traditional;
    return UiLanguage::Source; // zh, zh-CN, zh-SG
}

// "zh-Hant-TW", "zh_TW.UTF-8", "C", "POSIX"; nothing for a language without a translation.
std::optional<UiLanguage> spokenLanguage(const QString &entry)
{
    const QString name = entry.section(u'.', 0, 0).section(u'@', 0, 0);
    if (name == u"C" || name == u"POSIX")
        return UiLanguage::Source;
    const QStringList subtags = QString(name).replace(u'_', u'-').split(u'-');
    if (subtags.front().compare(u"zh", Qt::CaseInsensitive) == 0)
        return chineseScript(subtags);
    if (subtags.front().compare(u"en", Qt::CaseInsensitive) == 0)
        return UiLanguage::English;
    return std::nullopt;
}

} // namespace

UiLanguage ChooseUiLanguage(const QStringList &uiLanguages)
{
    for (const QString &entry : uiLanguages)
        if (const std::optional<UiLanguage> language = spokenLanguage(entry))
            return *language;
    return UiLanguage::English;
}

QString TranslationSuffix(UiLanguage language)
{
    switch (language) {
    case UiLanguage::English:
        return QStringLiteral("en");
    case UiLanguage::Traditional:
        return QStringLiteral("zh_TW");
    case UiLanguage::Source:
        break;
    }
    return {};
}
