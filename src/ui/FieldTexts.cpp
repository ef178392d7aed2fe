#include "FieldTexts.h"

#include <QCoreApplication>

namespace
{

// FormatFields' captions and choices, listed for lupdate, which does not see
// texts that reach the window as data.
[[maybe_unused]] const char *const kFieldTexts[] = {
    QT_TRANSLATE_NOOP("FormatFields", "Schriftart"),
    QT_TRANSLATE_NOOP("FormatFields", "Schriftgröße"),
    QT_TRANSLATE_NOOP("FormatFields", "Farbe"),
    QT_TRANSLATE_NOOP("FormatFields", "Fett"),
    QT_TRANSLATE_NOOP("FormatFields", "Ausrichtung"),
    QT_TRANSLATE_NOOP("FormatFields", "Anzahl der erwarteten Zeichen"),
    QT_TRANSLATE_NOOP("FormatFields", "Text"),
    QT_TRANSLATE_NOOP("FormatFields", "links"),
    QT_TRANSLATE_NOOP("FormatFields", "mitte"),
    QT_TRANSLATE_NOOP("FormatFields", "rechts"),
};

QString Translated(const QString &text)
{
    if (text.isEmpty())
        return text;
    return QCoreApplication::translate("FormatFields", text.toUtf8().constData());
}

} // namespace

QString FieldCaption(const FieldDef &def)
{
    return Translated(def.caption);
}

QString ChoiceText(const QString &choice)
{
    return Translated(choice);
}
