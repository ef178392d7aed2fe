#include "cli/SetCommand.h"

#include "cli/Assignments.h"
#include "cli/Console.h"
#include "cli/SaveReport.h"

SetCommand::SetCommand()
    : Command(QStringLiteral("set"), QStringLiteral("Setzt Werte und speichert sie wie das Programm."),
              QStringLiteral("SCHLÜSSEL=WERT..."), 0, -1)
{
    setDetails(QStringLiteral(
        "Wie „speichern + schliessen“, nachdem die Werte in die Felder eingegeben wurden: alle 23 Schlüssel "
        "in der Form, die das Programm schreibt, in einem Schritt. Zahlen werden dezimal gespeichert, "
        "Schalter als „ja“/„nein“, ein Spaltenformat wie aus einer Datei gelesen. Ein ungültiger Wert, ein "
        "unbekannter oder doppelter Schlüssel (auch zwischen Argumenten und --values-from): nichts wird "
        "geschrieben. Die Datei von --values-from ist UTF-8 (höchstens 4 MiB), eine Zuweisung je Zeile, "
        "Zeilenende LF oder CR LF; leere Zeilen zählen nicht. Blieben die Bytes der Datei, wie sie sind, "
        "wird nichts geschrieben (Meldung „Keine Änderung“). --dry-run zeigt je geändertem Schlüssel "
        "„SCHLÜSSEL: alt → neu“ (ein Passwort nur mit Namen) und schreibt nichts. Eine Datei ohne "
        "Byte-Order-Mark (und eine neue) wird in Windows-1252 geschrieben: würde ein Zeichen, das es dort "
        "nicht gibt, zu „?“, wird nichts geschrieben und die Meldung nennt die Zeichen (auch bei --dry-run); "
        "--replace-unsupported speichert trotzdem."));
    addOption(ValuesFromOption());
    for (const QCommandLineOption &option : SaveOptions())
        addOption(option);
}

int SetCommand::execute(const QCommandLineParser &parser, CommandContext &context)
{
    if (parser.positionalArguments().isEmpty() && !parser.isSet(ValuesFromOption())) {
        context.console.message(QStringLiteral("Zu wenige Argumente für %1").arg(name()));
        context.console.hint(
            QStringLiteral("Aufruf: %1 set SCHLÜSSEL=WERT... oder %1 set --values-from DATEI")
                .arg(programName()));
        return kWrongUsage;
    }
    const Assignments assignments = CallAssignments(parser, parser.positionalArguments());
    if (assignments.status != kDone) {
        context.console.message(assignments.message);
        return assignments.status;
    }
    const SaveOutcome outcome =
        SaveAsTheWindow(context.settingsPath, SaveModeOf(parser), [&](const OptionReader &stored) {
            return SaveAfterStart(stored, assignments.items);
        });
    ReportSave(outcome, parser, context);
    return kDone;
}
