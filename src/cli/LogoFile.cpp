#include "cli/LogoFile.h"

#include <QDir>
#include <QFileInfo>

QString LogoBeside(const QString &settingsPath)
{
    return QFileInfo(settingsPath).absoluteDir().absoluteFilePath(QStringLiteral("logo.png"));
}
