#include "cli/ExportLayoutCommand.h"

#include "cli/Assignments.h"
#include "layout/LayoutFile.h"
#include "logo/LogoPlace.h"
#include "settings/SettingsFile.h"

#include <QDateTime>
#include <QFileInfo>

namespace
{

QCommandLineOption nameOption()
{
    return QCommandLineOption(QStringLiteral("name"),
                              QStringLiteral("Name des Layouts (sonst der Dateiname ohne Endung)."),
                              QStringLiteral("NAME"));
}

QCommandLineOption withLogoOption()
{
    return QCommandLineOption(QStringLiteral("with-logo"),
                              QStringLiteral("Nimmt logo.png neben der Einstellungsdatei mit auf."));
}

} // namespace

ExportLayoutCommand::ExportLayoutCommand()
    : Command(QStringLiteral("export-layout"),
              QStringLiteral("Schreibt das Aussehen der Anzeige in eine Layout-Datei."),
              QStringLiteral("DATEI"), 1, 1)
{
    setDetails(QStringLiteral(
        "Die 17 Einstellungen der Seiten „Darstellung“, „Überschrift“ und „Startnummern Info“, so wie das "
        "Programm sie jetzt speichern würde, auf Wunsch mit dem Logo; die Verbindungsdaten nicht."));
    addOption(nameOption());
    addOption(withLogoOption());
}

int ExportLayoutCommand::execute(const QCommandLineParser &parser, CommandContext &context)
{
    const QString target = parser.positionalArguments().constFirst();
    Layout layout;
    layout.name =
        parser.isSet(nameOption()) ? parser.value(nameOption()) : QFileInfo(target).completeBaseName();
    layout.created = QDateTime::currentDateTimeUtc();
    if (parser.isSet(withLogoOption()))
        layout.logoPng = ReadLogoForLayout(LogoBeside(context.settingsPath));
    const WindowSave save = SaveAfterStart(SettingsFile(context.settingsPath).Load());
    for (const auto &[key, value] : save.values) {
        if (IsLayoutKey(key))
            layout.values.emplace_back(key, value);
    }
    WriteLayoutFile(target, layout);
    return kDone;
}
