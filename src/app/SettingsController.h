#pragma once
#include "settings/SettingsFile.h"

class Tf_root;

// Ties the window to the settings file: the load sequence run once by the
// start-up timer, and the save of "speichern + schliessen".
class SettingsController
{
public:
    SettingsController(Tf_root &window, SettingsFile file);

    void ti_startTimer(); // the load sequence
    void b_endeClick();   // the save, then the window closes

    bool loaded() const { return m_loaded; }

private:
    Tf_root &w;
    SettingsFile m_file;
    bool m_loaded = false;
};
