#pragma once
#include <QString>

// Where the logo the display shows is looked for: logo.png in the window's
// working folder (the folder the editor was started in, which is where the
// display program runs too), and for the command line beside the settings
// file it works on.
QString LogoInWorkingFolder();
QString LogoBeside(const QString &settingsPath);
