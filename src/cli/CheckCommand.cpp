#include "cli/CheckCommand.h"

#include "base/NumberText.h"
#include "cli/Assignments.h"
#include "cli/Console.h"
#include "settings/SettingsFile.h"

namespace
{

QString encodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return QStringLiteral("UTF-8 mit Byte-Order-Mark");
    case TextEncoding::Utf16LE:
        return QStringLiteral("UTF-16 little-endian");
    case TextEncoding::Utf16BE:
        return QStringLiteral("UTF-16 big-endian");
    case TextEncoding::Ansi:
    case TextEncoding::None:
        break;
    }
    return QStringLiteral("Windows-1252");
}

bool hasUndecodedBytes(const IniDocument &document)
{
    for (const IniDocument::Section &section : document.sections()) {
        for (const QString &line : section.lines) {
            for (QChar c : line) {
                if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF)
                    return true;
            }
        }
    }
    return false;
}

// What the start takes other than stored: numbers and flags it cannot read.
QStringList conversionNotes(const IniDocument &document)
{
    QStringList notes;
    for (const KeyInfo &info : kKeys) {
        const std::optional<QString> stored =
            document.value(QString::fromLatin1(SettingsFile::kSection), keyName(info.key));
        if (!stored)
            continue;
        const QString name = keyName(info.key);
        if (info.conversion == Conversion::Integer && !stored->isEmpty() && !ParseInt(*stored))
            notes.append(QStringLiteral("%1: „%2“ ist keine ganze Zahl, es gilt %3")
                             .arg(name, Shown(*stored), keyDefault(info.key)));
        else if (info.key == Key::TransparenzLogo && ParseInt(*stored) &&
                 (*ParseInt(*stored) < 0 || *ParseInt(*stored) > 255))
            notes.append(
                QStringLiteral("%1: %2 liegt nicht zwischen 0 und 255 und wird begrenzt").arg(name, *stored));
        else if (info.conversion == Conversion::Flag && ValueProblem(info.key, *stored))
            notes.append(QStringLiteral("%1: „%2“ gilt als „nein“").arg(name, Shown(*stored)));
    }
    return notes;
}

} // namespace

CheckCommand::CheckCommand()
    : Command(QStringLiteral("check"), QStringLiteral("Prüft die Einstellungsdatei."), QString(), 0, 0)
{
    setDetails(
        QStringLiteral("Liest die Datei wie das Programm beim Start und berichtet: Kodierung, fehlende "
                       "Schlüssel, Werte, die nicht so übernommen werden, wie sie gespeichert sind, nicht "
                       "lesbare Spaltenformate. Rückgabewert 1, wenn das Programm ein Spaltenformat nicht "
                       "lesen oder die Datei so nicht speichern kann."));
}

int CheckCommand::execute(const QCommandLineParser &, CommandContext &context)
{
    const Console &out = context.console;
    out.value(QStringLiteral("Datei: ") + context.settingsPath);
    // Read as get and set read it: a link loop or an unreadable file is an
    // error here too, not a missing file.
    const SettingsSnapshot file = SettingsFile(context.settingsPath).Load();
    if (!file.fromFile()) {
        out.value(QStringLiteral("Die Datei gibt es nicht: es gelten alle Vorgabewerte."));
        return kDone;
    }
    const IniDocument &document = file.document();
    out.value(QStringLiteral("Kodierung: ") + encodingName(document.encoding()));
    if (hasUndecodedBytes(document))
        out.value(QStringLiteral(
            "Die Datei enthält Bytes, die kein gültiges UTF-8 sind; sie bleiben beim Speichern erhalten."));
    QStringList missing;
    for (const KeyInfo &info : kKeys) {
        if (!document.value(QString::fromLatin1(SettingsFile::kSection), keyName(info.key)))
            missing.append(keyName(info.key));
    }
    if (!missing.isEmpty())
        out.value(QStringLiteral("Fehlende Schlüssel (es gilt der Vorgabewert): ") +
                  missing.join(QStringLiteral(", ")));
    for (const QString &note : conversionNotes(document))
        out.value(note);

    int problems = 0;
    const WindowSave start = SaveAfterStart(file);
    for (Key key : start.unreadableFormats) {
        out.value(QStringLiteral("%1: kein lesbares Spaltenformat; es bleibt beim Speichern, wie es ist.")
                      .arg(keyName(key)));
        ++problems;
    }
    for (const QString &message : start.rowMessages) {
        out.value(message);
        ++problems;
    }
    for (const auto &[key, value] : start.values) {
        if (HasLineBreakOrNul(value)) {
            out.value(QStringLiteral("%1 enthält einen Zeilenumbruch oder ein NUL-Zeichen: das Programm kann "
                                     "so nicht speichern.")
                          .arg(keyName(key)));
            ++problems;
        }
    }
    out.value(problems == 0 ? QStringLiteral("Keine Probleme.")
                            : QStringLiteral("Probleme: %1").arg(problems));
    return problems == 0 ? kDone : kRefused;
}
