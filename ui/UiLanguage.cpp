#include "UiLanguage.h"

namespace {

UiLanguage chineseScript(const QStringList &subtags)
{
    for (const QString &subtag : subtags.mid(1))
        if (subtag == u"Hant" || subtag == u"TW" || subtag == u"HK" || subtag == u"MO")
            return UiLanguage::Traditional;
    return UiLanguage::Source; // zh, zh-CN, zh-SG, zh-Hans: Simplified
}

} // namespace

UiLanguage ChooseUiLanguage(const QStringList &uiLanguages)
{
    for (const QString &entry : uiLanguages) {
        // "zh-Hant-TW", "zh_TW.UTF-8", "C", "POSIX"
        const QString name = entry.section(u'.', 0, 0).section(u'@', 0, 0);
        if (name.isEmpty())
            continue;
        if (name == u"C" || name == u"POSIX")
            return UiLanguage::Source;
        const QStringList subtags = QString(name).replace(u'_', u'-').split(u'-');
        if (subtags.front().compare(u"zh", Qt::CaseInsensitive) == 0)
            return chineseScript(subtags);
        return UiLanguage::English;
    }
    return UiLanguage::Source;
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
