#include "cli/ImportLayoutCommand.h"

#include "base/Failure.h"
#include "cli/Assignments.h"
#include "cli/Console.h"
#include "layout/LayoutFile.h"
#include "logo/LogoPlace.h"
#include "settings/IniDocument.h"
#include "settings/SettingsFile.h"

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
              QStringLiteral("DATEI"), 1, 1)
{
    setDetails(QStringLiteral(
        "Ihre 17 Werte werden gespeichert, wie das Programm sie nach dem Laden des Layouts speichert; die "
        "Verbindungsdaten bleiben. Eine Layout-Datei, die nicht gelesen werden kann, ändert nichts."));
    addOption(withLogoOption());
}

int ImportLayoutCommand::execute(const QCommandLineParser &parser, CommandContext &context)
{
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
    QStringList rowMessages;
    SettingsFile(context.settingsPath).Update([&](SettingsEdit &edit) {
        const WindowSave save = SaveAfterStart(AssignedReader(edit, values));
        rowMessages = save.rowMessages;
        EditorState::WriteValues(edit, save.values);
    });
    for (const QString &message : rowMessages)
        context.console.message(message);
    if (!withLogo)
        return kDone;
    try {
        WriteLogoFile(LogoBeside(context.settingsPath), layout.logoPng);
    } catch (const Failure &failure) {
        context.console.message(failure.message());
        context.console.message(QStringLiteral("Die Einstellungen sind übernommen, das Logo nicht"));
        return kRefused;
    }
    return kDone;
}
