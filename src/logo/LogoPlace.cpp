#include "logo/LogoPlace.h"

#include <QDir>
#include <QFileInfo>

namespace
{

const QString kLogoName = QStringLiteral("logo.png");

} // namespace

QString LogoInWorkingFolder()
{
    return kLogoName;
}

QString LogoBeside(const QString &settingsPath)
{
    return QFileInfo(settingsPath).absoluteDir().absoluteFilePath(kLogoName);
}
