#pragma once
#include "cli/Assignments.h"
#include "cli/Command.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// The options of the commands that save (set, import-layout): --dry-run,
// --replace-unsupported, --json, --show-secrets.
QList<QCommandLineOption> SaveOptions();
QCommandLineOption DryRunOption();
// Saves even when characters the file cannot hold would become "?".
QCommandLineOption ReplaceUnsupportedOption();
// --values-from FILE: more KEY=VALUE lines, "-" standard input.
QCommandLineOption ValuesFromOption();

// The values of the call: the KEY=VALUE arguments, then the lines of
// --values-from, checked together (ParseAssignments).
Assignments CallAssignments(const QCommandLineParser &parser, const QStringList &arguments);

// One key whose stored text a save changes.
struct KeyChange {
    Key key;
    std::optional<QString> old; // none: the file lacked the key
    QString now;
};

// What one save did, or in a dry run would do.
struct SaveOutcome {
    bool dryRun = false;
    // The settings file's bytes changed; false: nothing was written at all.
    bool changed = false;
    std::vector<KeyChange> changes;  // in the order of the key table
    QStringList rowMessages;         // "Fehler bei ZeilenFormat ..."
    std::optional<bool> logoChanged; // asked to write the logo too
};

// What the window writes after its start on the file as the save reads it.
using StartOnFile = std::function<WindowSave(const OptionReader &file)>;

// How the save is to go: a dry run writes nothing; without
// replaceUnsupported a save that would write characters as "?" (a file
// without byte-order mark is Windows-1252) is refused with a Failure naming
// them, and nothing is written, in a dry run as in the save itself.
struct SaveMode {
    bool dryRun = false;
    bool replaceUnsupported = false;
};
SaveMode SaveModeOf(const QCommandLineParser &parser);

// The window's save on the settings file, one transaction (SettingsFile::
// Update), or its dry run (SettingsFile::Preview), which writes nothing.
SaveOutcome SaveAsTheWindow(const QString &settingsPath, SaveMode mode, const StartOnFile &start);

// The refusal of a save that would write `characters` as "?".
QString UnsupportedCharactersMessage(const ReplacedCharacters &characters);

// Tells the outcome as the parsed options ask: the row messages and, when
// nothing changes, "Keine Änderung: ... ist schon so" on stderr; a dry run's
// changes on stdout as lines "KEY: old → new" (passwords only named); with
// --json the one JSON object instead of those lines.
void ReportSave(const SaveOutcome &outcome, const QCommandLineParser &parser, const CommandContext &context);
