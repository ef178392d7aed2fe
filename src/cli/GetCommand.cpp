#include "cli/GetCommand.h"

#include "cli/Assignments.h"
#include "cli/Console.h"
#include "settings/SettingsFile.h"

GetCommand::GetCommand()
    : Command(QStringLiteral("get"), QStringLiteral("Gibt den gespeicherten Wert eines Schlüssels aus."),
              QStringLiteral("SCHLÜSSEL"), 1, 1)
{
    setDetails(QStringLiteral("So wie das Programm ihn beim Start liest, vor jeder Umwandlung («$1F» bleibt "
                              "«$1F»), oder seinen Vorgabewert, wenn der Schlüssel fehlt."));
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
    context.console.value(file.ReadOption(keyName(*key), keyDefault(*key)));
    return kDone;
}
