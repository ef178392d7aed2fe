#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The logo the display shows: logo.png beside the settings file.
QString LogoBeside(const QString &settingsPath);
// The whole logo file, refused with a Failure when it is missing, no regular
// file or larger than a layout may carry.
QByteArray ReadLogoFile(const QString &path);
// Replaces the logo in one step: the display sees the old or the new one.
void WriteLogoFile(const QString &path, QByteArrayView png);
