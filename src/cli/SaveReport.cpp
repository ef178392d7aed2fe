#include "cli/SaveReport.h"

#include "base/Failure.h"
#include "cli/Console.h"
#include "cli/ScriptOutput.h"
#include "settings/IniDocument.h"
#include "settings/SettingsFile.h"
#include "settings/TextCodec.h"

#include <QJsonArray>
#include <QJsonObject>

#include <array>

namespace
{

std::optional<QString> storedText(const SettingsEdit &edit, Key key)
{
    return edit.document().value(QString::fromLatin1(SettingsFile::kSection), keyName(key));
}

QString changeLine(const KeyChange &change)
{
    const QString name = keyName(change.key);
    if (keyIsSecret(change.key))
        return QStringLiteral("%1: wird geändert (Passwort, nicht angezeigt)").arg(name);
    return QStringLiteral("%1: %2 → %3")
        .arg(name, change.old ? *change.old : QStringLiteral("(fehlt)"), change.now);
}

QJsonObject jsonOf(const SaveOutcome &outcome, const QString &settingsPath, bool showSecrets)
{
    QJsonArray changes;
    for (const KeyChange &change : outcome.changes) {
        const QJsonValue old = change.old ? QJsonValue(MaskedValue(change.key, *change.old, showSecrets))
                                          : QJsonValue(QJsonValue::Null);
        changes.append(
            QJsonObject{{QStringLiteral("key"), keyName(change.key)},
                        {QStringLiteral("old"), old},
                        {QStringLiteral("new"), MaskedValue(change.key, change.now, showSecrets)}});
    }
    QJsonObject json = JsonReport(settingsPath);
    json[QStringLiteral("changed")] = outcome.changed || outcome.logoChanged.value_or(false);
    json[QStringLiteral("changes")] = changes;
    json[QStringLiteral("dryRun")] = outcome.dryRun;
    if (outcome.logoChanged)
        json[QStringLiteral("logoChanged")] = *outcome.logoChanged;
    json[QStringLiteral("messages")] = QJsonArray::fromStringList(outcome.rowMessages);
    return json;
}

} // namespace

QCommandLineOption DryRunOption()
{
    return QCommandLineOption(QStringLiteral("dry-run"),
                              QStringLiteral("Schreibt nichts; zeigt, welche Werte sich ändern würden."));
}

QCommandLineOption ValuesFromOption()
{
    return QCommandLineOption(
        QStringLiteral("values-from"),
        QStringLiteral("Liest weitere SCHLÜSSEL=WERT-Zeilen aus DATEI („-“: Standardeingabe), so dass kein "
                       "Passwort in den Argumenten steht."),
        QStringLiteral("DATEI"));
}

QCommandLineOption ReplaceUnsupportedOption()
{
    return QCommandLineOption(QStringLiteral("replace-unsupported"),
                              QStringLiteral("Speichert auch, wenn Zeichen, die die Datei in ihrer Kodierung "
                                             "nicht aufnehmen kann, dabei zu „?“ werden."));
}

Assignments CallAssignments(const QCommandLineParser &parser, const QStringList &arguments)
{
    ValueLines file;
    if (parser.isSet(ValuesFromOption())) {
        file = ReadValueLines(parser.value(ValuesFromOption()));
        if (file.status != kDone)
            return Assignments{file.status, file.message, {}};
    }
    return ParseAssignments(arguments, file);
}

QList<QCommandLineOption> SaveOptions()
{
    return {DryRunOption(), ReplaceUnsupportedOption(), JsonOption(), ShowSecretsInJsonOption()};
}

SaveMode SaveModeOf(const QCommandLineParser &parser)
{
    return {parser.isSet(DryRunOption()), parser.isSet(ReplaceUnsupportedOption())};
}

QString UnsupportedCharactersMessage(const ReplacedCharacters &characters)
{
    return QStringLiteral("Die Einstellungsdatei hat keine Byte-Order-Mark und wird deshalb in Windows-1252 "
                          "geschrieben; diese Zeichen gibt es dort nicht, sie würden zu „?“: %1. Nichts "
                          "geschrieben; mit --replace-unsupported wird trotzdem gespeichert")
        .arg(NameReplacedCharacters(characters));
}

SaveOutcome SaveAsTheWindow(const QString &settingsPath, SaveMode mode, const StartOnFile &start)
{
    SaveOutcome out;
    out.dryRun = mode.dryRun;
    // May run more than once: each run starts afresh.
    const SaveWrites writes = [&](SettingsEdit &edit) {
        std::array<std::optional<QString>, kKeys.size()> before;
        for (size_t i = 0; i < kKeys.size(); ++i)
            before[i] = storedText(edit, kKeys[i].key);
        const WindowSave save = start(edit);
        out.rowMessages = save.rowMessages;
        EditorState::WriteValues(edit, save.values);
        out.changes.clear();
        for (size_t i = 0; i < kKeys.size(); ++i) {
            // As reading the file back gives it.
            const QString now = TrimControl(storedText(edit, kKeys[i].key).value_or(QString()));
            if (before[i] != now)
                out.changes.push_back({kKeys[i].key, before[i], now});
        }
        // Checked on the document the save writes, under its lock.
        if (!mode.replaceUnsupported) {
            const ReplacedCharacters lost = CharactersASaveReplaces(edit.document());
            if (!lost.isEmpty())
                throw Failure(UnsupportedCharactersMessage(lost));
        }
    };
    SettingsFile file(settingsPath);
    out.changed = mode.dryRun ? file.Preview(writes) : file.Update(writes);
    return out;
}

void ReportSave(const SaveOutcome &outcome, const QCommandLineParser &parser, const CommandContext &context)
{
    const Console &console = context.console;
    for (const QString &message : outcome.rowMessages)
        console.message(message);
    if (!outcome.changed && !outcome.logoChanged.value_or(false))
        console.message(QStringLiteral("Keine Änderung: %1 ist schon so").arg(context.settingsPath));
    if (parser.isSet(JsonOption())) {
        PrintJson(console, jsonOf(outcome, context.settingsPath, parser.isSet(ShowSecretsOption())));
        return;
    }
    if (!outcome.dryRun)
        return;
    if (outcome.changed || outcome.logoChanged.value_or(false))
        console.message(QStringLiteral("Probelauf: nichts geschrieben"));
    for (const KeyChange &change : outcome.changes)
        console.value(changeLine(change));
    if (outcome.changed && outcome.changes.empty())
        console.value(QStringLiteral("Kein Wert ändert sich, aber die Datei würde in der Form geschrieben, "
                                     "die das Programm speichert."));
    if (outcome.logoChanged.value_or(false))
        console.value(QStringLiteral("logo.png: wird ersetzt"));
}
