#pragma once
#include <QString>

// The logo the display shows: logo.png beside the settings file. It is read
// and written as the window's layout menu does (layout/LayoutFile.h).
QString LogoBeside(const QString &settingsPath);
