#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace
{

const char kTranslatorName[] = "vad_translator";

void Install(QCoreApplication &app, QTranslator *translator)
{
    translator->setObjectName(QLatin1String(kTranslatorName));
    translator->setParent(&app);
    QCoreApplication::installTranslator(translator);
}

} // namespace

void Speak(QCoreApplication &app, InterfaceLanguage language)
{
    for (QTranslator *old :
         app.findChildren<QTranslator *>(QLatin1String(kTranslatorName), Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(old);
        delete old;
    }
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    if (language == InterfaceLanguage::German) {
        auto qt = std::make_unique<QTranslator>();
        if (qt->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            Install(app, qt.release());
        return;
    }
    auto own = std::make_unique<QTranslator>();
    if (own->load(QStringLiteral(":/i18n/VADaroradarAdadad_en.qm")))
        Install(app, own.release());
}
