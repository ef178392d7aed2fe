#include "cli/SetCommand.h"

#include "cli/Assignments.h"
#include "cli/Console.h"
#include "settings/SettingsFile.h"

SetCommand::SetCommand()
    : Command(QStringLiteral("set"),
              QStringLiteral("Setzt Werte und speichert wie „speichern + schliessen“ nach dem Start: alle "
                             "23 Schlüssel in der Form, die das Programm schreibt, in einem Schritt. Ein "
                             "ungültiger Wert, ein unbekannter oder doppelter Schlüssel: nichts wird "
                             "geschrieben."),
              QStringLiteral("SCHLÜSSEL=WERT..."), 1, -1)
{
}

int SetCommand::execute(const QCommandLineParser &parser, CommandContext &context)
{
    const Assignments assignments = ParseAssignments(parser.positionalArguments());
    if (assignments.status != kDone) {
        context.console.message(assignments.message);
        return assignments.status;
    }
    QStringList rowMessages;
    SettingsFile file(context.settingsPath);
    file.Update([&](SettingsEdit &edit) {
        const StartSave save = ValuesWithAssignments(edit, assignments.items);
        rowMessages = save.rowMessages;
        WriteSaveValues(edit, save.values);
    });
    for (const QString &message : rowMessages)
        context.console.message(message);
    return kDone;
}
