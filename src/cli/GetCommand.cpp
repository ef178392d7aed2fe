#include "cli/GetCommand.h"

#include "cli/Assignments.h"
#include "cli/Console.h"
#include "cli/ScriptOutput.h"
#include "settings/SettingsFile.h"

GetCommand::GetCommand()
    : Command(QStringLiteral("get"), QStringLiteral("Gibt den gespeicherten Wert eines Schlüssels aus."),
              QStringLiteral("SCHLÜSSEL"), 1, 1)
{
    setDetails(
        QStringLiteral("So wie das Programm ihn beim Start liest, vor jeder Umwandlung («$1F» bleibt "
                       "«$1F»), oder seinen Vorgabewert, wenn der Schlüssel fehlt. Mit --json ein "
                       "JSON-Objekt mit „key“ und „value“; ein Passwort darin nur mit --show-secrets."));
    addOption(JsonOption());
    addOption(ShowSecretsInJsonOption());
}

int GetCommand::execute(const QCommandLineParser &parser, CommandContext &context)
{
    const QString name = parser.positionalArguments().constFirst();
    const std::optional<Key> key = FindKey(name);
    if (!key) {
        context.console.message(QStringLiteral("Unbekannter Schlüssel „%1“ (%2 list zeigt alle)")
                                    .arg(Shown(name), programName()));
        return kRefused;
    }
    const SettingsSnapshot file = SettingsFile(context.settingsPath).Load();
    const QString value = file.ReadOption(keyName(*key), keyDefault(*key));
    if (!parser.isSet(JsonOption())) {
        context.console.value(value);
        return kDone;
    }
    QJsonObject json = JsonReport(context.settingsPath);
    json[QStringLiteral("key")] = keyName(*key);
    json[QStringLiteral("value")] = MaskedValue(*key, value, parser.isSet(ShowSecretsOption()));
    PrintJson(context.console, json);
    return kDone;
}
