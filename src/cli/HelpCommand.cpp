#include "cli/HelpCommand.h"

#include "cli/Cli.h"
#include "cli/Console.h"

HelpCommand::HelpCommand()
    : Command(QStringLiteral("help"),
              QStringLiteral("Zeigt, wie das Programm oder ein Befehl aufgerufen wird."),
              QStringLiteral("[BEFEHL]"), 0, 1)
{
}

int HelpCommand::execute(const QCommandLineParser &parser, CommandContext &context)
{
    if (parser.positionalArguments().isEmpty()) {
        context.console.text(MainUsage(context.commands));
        return kDone;
    }
    const QString name = parser.positionalArguments().constFirst();
    for (const auto &command : context.commands) {
        if (command->name() == name) {
            context.console.text(command->usage());
            return kDone;
        }
    }
    context.console.message(QStringLiteral("Unbekannter Befehl „%1“").arg(Shown(name)));
    return kWrongUsage;
}
