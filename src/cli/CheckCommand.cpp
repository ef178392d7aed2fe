#include "cli/CheckCommand.h"

#include "base/NumberText.h"
#include "cli/Assignments.h"
#include "cli/Console.h"
#include "cli/ScriptOutput.h"
#include "settings/SettingsFile.h"

#include <QJsonArray>
#include <QJsonObject>

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

// What the check finds, for lines or JSON alike.
struct CheckReport {
    bool exists = false;
    QString encoding;
    QStringList findings; // notes and problems, in the order they are told
    int problems = 0;     // what the program cannot read or save as it stands
};

CheckReport checkFile(const QString &path)
{
    CheckReport report;
    // Read as get and set read it: a link loop or an unreadable file is an
    // error here too, not a missing file.
    const SettingsSnapshot file = SettingsFile(path).Load();
    report.exists = file.fromFile();
    if (!report.exists)
        return report;
    const IniDocument &document = file.document();
    report.encoding = encodingName(document.encoding());
    QStringList &findings = report.findings;
    if (hasUndecodedBytes(document))
        findings.append(QStringLiteral(
            "Die Datei enthält Bytes, die kein gültiges UTF-8 sind; sie bleiben beim Speichern erhalten."));
    QStringList missing;
    for (const KeyInfo &info : kKeys) {
        if (!document.value(QString::fromLatin1(SettingsFile::kSection), keyName(info.key)))
            missing.append(keyName(info.key));
    }
    if (!missing.isEmpty())
        findings.append(QStringLiteral("Fehlende Schlüssel (es gilt der Vorgabewert): ") +
                        missing.join(QStringLiteral(", ")));
    findings += conversionNotes(document);

    const WindowSave start = SaveAfterStart(file);
    QStringList problems;
    for (Key key : start.unreadableFormats)
        problems.append(
            QStringLiteral("%1: kein lesbares Spaltenformat; es bleibt beim Speichern, wie es ist.")
                .arg(keyName(key)));
    problems += start.rowMessages;
    for (const auto &[key, value] : start.values) {
        if (HasLineBreakOrNul(value))
            problems.append(
                QStringLiteral("%1 enthält einen Zeilenumbruch oder ein NUL-Zeichen: das Programm "
                               "kann so nicht speichern.")
                    .arg(keyName(key)));
    }
    report.problems = int(problems.size());
    findings += problems;
    return report;
}

QJsonObject jsonOf(const CheckReport &report, const QString &path)
{
    QJsonObject json = JsonReport(path);
    json[QStringLiteral("exists")] = report.exists;
    json[QStringLiteral("encoding")] = report.exists ? QJsonValue(report.encoding) : QJsonValue();
    json[QStringLiteral("findings")] = QJsonArray::fromStringList(report.findings);
    json[QStringLiteral("problems")] = report.problems;
    return json;
}

} // namespace

CheckCommand::CheckCommand()
    : Command(QStringLiteral("check"), QStringLiteral("Prüft die Einstellungsdatei."), QString(), 0, 0)
{
    setDetails(
        QStringLiteral("Liest die Datei wie das Programm beim Start und berichtet: Kodierung, fehlende "
                       "Schlüssel, Werte, die nicht so übernommen werden, wie sie gespeichert sind, nicht "
                       "lesbare Spaltenformate. Rückgabewert 1, wenn das Programm ein Spaltenformat nicht "
                       "lesen oder die Datei so nicht speichern kann. Mit --json ein JSON-Objekt mit "
                       "„findings“ und „problems“."));
    addOption(JsonOption());
}

int CheckCommand::execute(const QCommandLineParser &parser, CommandContext &context)
{
    const CheckReport report = checkFile(context.settingsPath);
    const int status = report.problems == 0 ? kDone : kRefused;
    const Console &out = context.console;
    if (parser.isSet(JsonOption())) {
        PrintJson(out, jsonOf(report, context.settingsPath));
        return status;
    }
    out.value(QStringLiteral("Datei: ") + context.settingsPath);
    if (!report.exists) {
        out.value(QStringLiteral("Die Datei gibt es nicht: es gelten alle Vorgabewerte."));
        return kDone;
    }
    out.value(QStringLiteral("Kodierung: ") + report.encoding);
    for (const QString &finding : report.findings)
        out.value(finding);
    out.value(report.problems == 0 ? QStringLiteral("Keine Probleme.")
                                   : QStringLiteral("Probleme: %1").arg(report.problems));
    return status;
}
