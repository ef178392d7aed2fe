#include "cli/ListCommand.h"

#include "cli/Console.h"
#include "cli/ScriptOutput.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsKeys.h"

ListCommand::ListCommand()
    : Command(QStringLiteral("list"), QStringLiteral("Gibt alle 23 Schlüssel als SCHLÜSSEL=WERT aus."),
              QString(), 0, 0)
{
    setDetails(QStringLiteral("In der Reihenfolge, in der das Programm sie speichert; Werte wie bei get. "
                              "Gesetzte Passwörter erscheinen als *** (mit --json als ********), außer mit "
                              "--show-secrets. Mit --json ein JSON-Objekt mit „values“."));
    addOption(ShowSecretsOption());
    addOption(JsonOption());
}

int ListCommand::execute(const QCommandLineParser &parser, CommandContext &context)
{
    const bool showSecrets = parser.isSet(ShowSecretsOption());
    const bool json = parser.isSet(JsonOption());
    const SettingsSnapshot file = SettingsFile(context.settingsPath).Load();
    QJsonObject values;
    for (const KeyInfo &info : kKeys) {
        QString value = file.ReadOption(keyName(info.key), keyDefault(info.key));
        if (json) {
            values[keyName(info.key)] = MaskedValue(info.key, value, showSecrets);
            continue;
        }
        // An empty password is shown: that none is set is no secret.
        if (keyIsSecret(info.key) && !showSecrets && !value.isEmpty())
            value = QStringLiteral("***");
        context.console.value(keyName(info.key) + u'=' + value);
    }
    if (json) {
        QJsonObject report = JsonReport(context.settingsPath);
        report[QStringLiteral("values")] = values;
        PrintJson(context.console, report);
    }
    return kDone;
}
