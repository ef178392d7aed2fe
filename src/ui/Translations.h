#pragma once
#include "base/InterfaceLanguage.h"

class QCoreApplication;

// Installs the texts of the given language on the application: the window's
// own (none in German, whose texts are the source) and Qt's standard buttons
// and dialogs (qtbase_de in German, Qt's own English otherwise). A second
// call replaces the translators of the first. Numbers and stored values do
// not change with the language: the default locale stays German.
void Speak(QCoreApplication &app, InterfaceLanguage language);
