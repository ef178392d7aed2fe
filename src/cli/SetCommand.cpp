#include "cli/SetCommand.h"

#include "cli/Assignments.h"
#include "cli/Console.h"
#include "settings/SettingsFile.h"

SetCommand::SetCommand()
    : Command(QStringLiteral("set"), QStringLiteral("Setzt Werte und speichert sie wie das Programm."),
              QStringLiteral("SCHLÜSSEL=WERT..."), 1, -1)
{
    setDetails(QStringLiteral(
        "Wie „speichern + schliessen“, nachdem die Werte in die Felder eingegeben wurden: alle 23 Schlüssel "
        "in der Form, die das Programm schreibt, in einem Schritt. Zahlen werden dezimal gespeichert, "
        "Schalter als „ja“/„nein“, ein Spaltenformat wie aus einer Datei gelesen. Ein ungültiger Wert, ein "
        "unbekannter oder doppelter Schlüssel: nichts wird geschrieben."));
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
        const WindowSave save = SaveAfterStart(edit, assignments.items);
        rowMessages = save.rowMessages;
        EditorState::WriteValues(edit, save.values);
    });
    for (const QString &message : rowMessages)
        context.console.message(message);
    return kDone;
}
