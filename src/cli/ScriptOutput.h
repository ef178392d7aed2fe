#pragma once
#include "settings/SettingsKeys.h"

#include <QCommandLineOption>
#include <QJsonObject>
#include <QString>

class Console;

// What scripts ask of the commands: one JSON object on stdout instead of
// lines (--json), passwords in it only when asked for (--show-secrets).
// German messages stay on stderr either way.
QCommandLineOption JsonOption();
QCommandLineOption ShowSecretsOption();
// The same option where only --json would show passwords.
QCommandLineOption ShowSecretsInJsonOption();

// A password as output shows it unless asked for; an empty one is shown, as
// that none is set is no secret.
constexpr const char *kMaskedSecret = "********";
QString MaskedValue(Key key, const QString &value, bool showSecrets);

// The members every command's JSON object has: "file" (the settings file's
// absolute path), "changed" (false) and "changes" (empty), for the reading
// commands to add their values to.
QJsonObject JsonReport(const QString &settingsPath);

// The object as one line of compact JSON on stdout. Bytes of the file that
// were no valid UTF-8 come out as U+FFFD: JSON is UTF-8 text.
void PrintJson(const Console &console, const QJsonObject &object);
