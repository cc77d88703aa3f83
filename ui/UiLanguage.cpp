#include "UiLanguage.h"

#include <QRegularExpression>

namespace {

UiLanguage chineseScript(const QStringList &parts)
{
    for (const QString &part : parts.mid(1))
        if (part == u"Hant" || part == u"TW" || part == u"HK" || part == u"MO")
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
        const QStringList parts = name.split(QRegularExpression(QStringLiteral("[-_]")));
        if (parts.front().compare(u"zh", Qt::CaseInsensitive) == 0)
            return chineseScript(parts);
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
