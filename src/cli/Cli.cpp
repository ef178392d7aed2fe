#include "cli/Cli.h"

#include "base/Failure.h"
#include "cli/CheckCommand.h"
#include "cli/Console.h"
#include "cli/ExportLayoutCommand.h"
#include "cli/GetCommand.h"
#include "cli/HelpCommand.h"
#include "cli/ImportLayoutCommand.h"
#include "cli/ListCommand.h"
#include "cli/SetCommand.h"

#include <QDir>
#include <QStringDecoder>

#include <new>

namespace
{

QString versionText()
{
    return Command::programName() + QStringLiteral(" " VAD_VERSION "\n");
}

// Arguments are taken as UTF-8; anything else would turn into other text in
// the settings file than the caller meant.
bool decodeArguments(const QList<QByteArray> &raw, QStringList &out, const Console &console)
{
    for (const QByteArray &bytes : raw) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8(bytes);
        if (utf8.hasError()) {
            console.message(
                QStringLiteral("Ein Argument ist kein gültiger UTF-8-Text: „%1“").arg(Shown(text)));
            return false;
        }
        out.append(std::move(text));
    }
    return true;
}

// The options before the command: --file, --help, --version.
struct Leading {
    int status = -1; // set when the call is answered or wrong already
    QString settingsPath;
    qsizetype command = 0; // index of the command's name
};

Leading leadingOptions(const QStringList &args, const Console &console, const QString &settingsPath,
                       const std::vector<std::unique_ptr<Command>> &commands)
{
    Leading out{-1, settingsPath, 0};
    for (qsizetype &i = out.command; i < args.size() && args[i].startsWith(u'-'); ++i) {
        const QString &arg = args[i];
        if (arg == u"--help" || arg == u"-h") {
            console.text(MainUsage(commands));
            out.status = kDone;
        } else if (arg == u"--version" || arg == u"-v") {
            console.text(versionText());
            out.status = kDone;
        } else if (arg == u"--file" && i + 1 < args.size()) {
            out.settingsPath = QDir::current().absoluteFilePath(args[++i]);
        } else if (arg.startsWith(u"--file=") && arg.size() > 7) {
            out.settingsPath = QDir::current().absoluteFilePath(arg.sliced(7));
        } else if (arg == u"--") {
            ++i;
            break;
        } else {
            console.message(arg.startsWith(u"--file")
                                ? QStringLiteral("--file verlangt eine Datei")
                                : QStringLiteral("Unbekannte Option „%1“").arg(Shown(arg)));
            out.status = kWrongUsage;
        }
        if (out.status >= 0)
            return out;
    }
    return out;
}

} // namespace

std::vector<std::unique_ptr<Command>> AllCommands()
{
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<GetCommand>());
    commands.push_back(std::make_unique<ListCommand>());
    commands.push_back(std::make_unique<SetCommand>());
    commands.push_back(std::make_unique<ExportLayoutCommand>());
    commands.push_back(std::make_unique<ImportLayoutCommand>());
    commands.push_back(std::make_unique<CheckCommand>());
    commands.push_back(std::make_unique<HelpCommand>());
    return commands;
}

QString MainUsage(const std::vector<std::unique_ptr<Command>> &commands)
{
    QString text = QStringLiteral("Aufruf: %1 [--file DATEI] BEFEHL [ARGUMENTE]\n\n"
                                  "Liest und ändert die Einstellungsdatei DAZovozoved.ini des Programms "
                                  "VADaroradarAdadad, ohne Fenster und ohne Anzeige.\n\nBefehle:\n")
                       .arg(Command::programName());
    for (const auto &command : commands) {
        text += QStringLiteral("  ") + command->name().leftJustified(15) + command->description() + u'\n';
    }
    text += QStringLiteral("\nOptionen:\n");
    text += OptionLines({Command::fileOption(),
                         QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                            QStringLiteral("Zeigt diese Hilfe.")),
                         QCommandLineOption({QStringLiteral("v"), QStringLiteral("version")},
                                            QStringLiteral("Zeigt die Version."))});
    text +=
        QStringLiteral("\nRückgabewert: 0 erledigt, 1 abgelehnt oder fehlgeschlagen (nichts geschrieben; nur "
                       "bei import-layout --with-logo sagt eine Meldung, wenn die Einstellungen übernommen "
                       "wurden, das Logo aber nicht), 2 falscher Aufruf.\n"
                       "Für Skripte: --json bei get, list, check, set und import-layout (ein JSON-Objekt auf "
                       "der Standardausgabe), --dry-run bei set und import-layout, set --values-from DATEI "
                       "(Werte aus einer Datei oder „-“ der Standardeingabe, nicht in den Argumenten). "
                       "Würden Zeichen beim Speichern zu „?“ (eine Datei ohne Byte-Order-Mark ist "
                       "Windows-1252), lehnen set und import-layout ab, außer mit --replace-unsupported. "
                       "Bleiben die Bytes der Datei, wie sie sind, wird nichts geschrieben.\n"
                       "%1 help BEFEHL zeigt die Hilfe zu einem Befehl.\n")
            .arg(Command::programName());
    return text;
}

int RunCli(const QList<QByteArray> &arguments, const Console &console, const QString &defaultSettings)
{
    const std::vector<std::unique_ptr<Command>> commands = AllCommands();
    QStringList args;
    if (!decodeArguments(arguments, args, console))
        return kWrongUsage;
    const Leading leading = leadingOptions(args, console, defaultSettings, commands);
    if (leading.status >= 0)
        return leading.status;
    if (leading.command >= args.size()) {
        console.message(
            QStringLiteral("Kein Befehl angegeben. Hilfe: %1 --help").arg(Command::programName()));
        return kWrongUsage;
    }
    const QString &name = args[leading.command];
    for (const auto &command : commands) {
        if (command->name() != name)
            continue;
        CommandContext context{leading.settingsPath, console, commands};
        try {
            return command->run(args.sliced(leading.command), context);
        } catch (const Failure &failure) {
            console.message(failure.message());
        } catch (const std::bad_alloc &) {
            console.message(QStringLiteral("Nicht genug Arbeitsspeicher"));
        }
        return kRefused;
    }
    console.message(
        QStringLiteral("Unbekannter Befehl „%1“. Hilfe: %2 --help").arg(Shown(name), Command::programName()));
    return kWrongUsage;
}
