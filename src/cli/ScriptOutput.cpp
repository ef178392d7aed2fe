#include "cli/ScriptOutput.h"

#include "cli/Console.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

QCommandLineOption JsonOption()
{
    return QCommandLineOption(QStringLiteral("json"),
                              QStringLiteral("Gibt das Ergebnis als ein JSON-Objekt aus (für Skripte)."));
}

QCommandLineOption ShowSecretsOption()
{
    return QCommandLineOption(QStringLiteral("show-secrets"), QStringLiteral("Zeigt auch die Passwörter."));
}

QCommandLineOption ShowSecretsInJsonOption()
{
    return QCommandLineOption(QStringLiteral("show-secrets"),
                              QStringLiteral("Zeigt mit --json auch die Passwörter (sonst ********)."));
}

QString MaskedValue(Key key, const QString &value, bool showSecrets)
{
    if (keyIsSecret(key) && !showSecrets && !value.isEmpty())
        return QString::fromLatin1(kMaskedSecret);
    return value;
}

QJsonObject JsonReport(const QString &settingsPath)
{
    return QJsonObject{{QStringLiteral("file"), QFileInfo(settingsPath).absoluteFilePath()},
                       {QStringLiteral("changed"), false},
                       {QStringLiteral("changes"), QJsonArray()}};
}

void PrintJson(const Console &console, const QJsonObject &object)
{
    console.bytes(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
}
