#include "cli/ListCommand.h"

#include "cli/Console.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsKeys.h"

namespace
{

QCommandLineOption showSecretsOption()
{
    return QCommandLineOption(QStringLiteral("show-secrets"), QStringLiteral("Zeigt auch die Passwörter."));
}

} // namespace

ListCommand::ListCommand()
    : Command(QStringLiteral("list"), QStringLiteral("Gibt alle 23 Schlüssel als SCHLÜSSEL=WERT aus."),
              QString(), 0, 0)
{
    setDetails(QStringLiteral("In der Reihenfolge, in der das Programm sie speichert; Werte wie bei get. "
                              "Gesetzte Passwörter erscheinen als ***, außer mit --show-secrets."));
    addOption(showSecretsOption());
}

int ListCommand::execute(const QCommandLineParser &parser, CommandContext &context)
{
    const bool showSecrets = parser.isSet(showSecretsOption());
    const SettingsSnapshot file = SettingsFile(context.settingsPath).Load();
    for (const KeyInfo &info : kKeys) {
        QString value = file.ReadOption(keyName(info.key), keyDefault(info.key));
        // An empty password is shown: that none is set is no secret.
        if (keyIsSecret(info.key) && !showSecrets && !value.isEmpty())
            value = QStringLiteral("***");
        context.console.value(keyName(info.key) + u'=' + value);
    }
    return kDone;
}
