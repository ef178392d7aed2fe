#include "InterfaceLanguage.h"

InterfaceLanguage InterfaceLanguageFor(const QLocale &system, const QStringList &uiLanguages)
{
    if (system.language() == QLocale::C || uiLanguages.isEmpty())
        return InterfaceLanguage::German;
    const QString &first = uiLanguages.front();
    const bool english = first.compare(u"en", Qt::CaseInsensitive) == 0 ||
                         first.startsWith(u"en-", Qt::CaseInsensitive) ||
                         first.startsWith(u"en_", Qt::CaseInsensitive);
    return english ? InterfaceLanguage::English : InterfaceLanguage::German;
}

InterfaceLanguage SystemInterfaceLanguage()
{
    const QLocale system = QLocale::system();
    return InterfaceLanguageFor(system, system.uiLanguages());
}
