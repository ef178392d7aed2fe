#include "cli/ImportLayoutCommand.h"

#include "base/Failure.h"
#include "cli/Assignments.h"
#include "cli/Console.h"
#include "cli/SaveReport.h"
#include "layout/LayoutFile.h"
#include "logo/LogoPlace.h"
#include "settings/IniDocument.h"

namespace
{

QCommandLineOption withLogoOption()
{
    return QCommandLineOption(QStringLiteral("with-logo"),
                              QStringLiteral("Schreibt auch das Logo des Layouts als logo.png neben die "
                                             "Einstellungsdatei."));
}

} // namespace

ImportLayoutCommand::ImportLayoutCommand()
    : Command(QStringLiteral("import-layout"), QStringLiteral("Übernimmt eine Layout-Datei."),
              QStringLiteral("DATEI [SCHLÜSSEL=WERT...]"), 1, -1)
{
    setDetails(QStringLiteral(
        "Ihre 17 Werte werden gespeichert, wie das Programm sie nach dem Laden des Layouts speichert; die "
        "Verbindungsdaten bleiben. Werte dahinter (oder aus --values-from) werden danach eingegeben wie bei "
        "set, im selben Schritt: ein Layout und die Werte des einen Anzeige-PCs, ohne dass die Anzeige "
        "dazwischen die Werte des Layouts sieht. Eine Layout-Datei, die nicht gelesen werden kann, ändert "
        "nichts. Blieben die Bytes der Einstellungsdatei (und des Logos), wie sie sind, wird nichts "
        "geschrieben. --dry-run zeigt je geändertem Schlüssel „SCHLÜSSEL: alt → neu“ und schreibt nichts. "
        "Zeichen, die die Einstellungsdatei in Windows-1252 (ohne Byte-Order-Mark) nicht aufnehmen kann, "
        "werden nur mit --replace-unsupported zu „?“; sonst wird nichts geschrieben."));
    addOption(withLogoOption());
    addOption(ValuesFromOption());
    for (const QCommandLineOption &option : SaveOptions())
        addOption(option);
}

int ImportLayoutCommand::execute(const QCommandLineParser &parser, CommandContext &context)
{
    const Assignments typed = CallAssignments(parser, parser.positionalArguments().sliced(1));
    if (typed.status != kDone) {
        context.console.message(typed.message);
        return typed.status;
    }
    const Layout layout = ReadLayoutFile(parser.positionalArguments().constFirst());
    const bool withLogo = parser.isSet(withLogoOption());
    if (withLogo && layout.logoPng.isEmpty()) {
        context.console.message(
            QStringLiteral("Das Layout „%1“ enthält kein Logo; nichts geändert").arg(layout.name));
        return kRefused;
    }
    // Taken as a settings file holding the layout's values would be read.
    std::vector<Assignment> values;
    for (Key key : kLayoutKeys)
        values.push_back({key, TrimControl(LayoutValue(layout, key))});
    const bool dryRun = parser.isSet(DryRunOption());
    SaveOutcome outcome =
        SaveAsTheWindow(context.settingsPath, SaveModeOf(parser), [&](const OptionReader &stored) {
            return SaveAfterStart(AssignedReader(stored, values), typed.items);
        });
    if (!withLogo) {
        ReportSave(outcome, parser, context);
        return kDone;
    }
    const QString logo = LogoBeside(context.settingsPath);
    try {
        outcome.logoChanged =
            dryRun ? LogoFileWouldChange(logo, layout.logoPng) : WriteLogoFile(logo, layout.logoPng);
    } catch (const Failure &failure) {
        ReportSave(outcome, parser, context);
        context.console.message(failure.message());
        if (!dryRun)
            context.console.message(QStringLiteral("Die Einstellungen sind übernommen, das Logo nicht"));
        return kRefused;
    }
    ReportSave(outcome, parser, context);
    return kDone;
}
