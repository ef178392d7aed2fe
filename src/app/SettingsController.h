#pragma once
#include "settings/SettingsFile.h"
#include "settings/SettingsKeys.h"

#include <QByteArray>

#include <vector>

class FormatTable;
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
    // Whether a save now would write other bytes than a save right after
    // the load: false before the load ended and when nothing was changed.
    bool hasUnsavedChanges();

    SettingsFile &file() { return m_file; }

  private:
    // A stored column format the reader refused: kept in the file as long as
    // the operator leaves that layout as loaded.
    struct KeptFormat {
        Key key;
        FormatTable *table;
        QString stored;   // the text as loaded
        QString asLoaded; // what the table would have written right after the load
    };

    // The 23 values a save writes, in their order, from the controls; a
    // kept column format is taken from `stored`, the file as it is read.
    using Values = std::vector<std::pair<Key, QString>>;
    Values valuesToSave(const OptionReader &stored);
    static void writeValues(OptionWriter &out, const Values &values);
    // The column format document of a table, its cursor where it was.
    QString formatDocument(FormatTable &table);

    Tf_root &w;
    SettingsFile m_file;
    bool m_loaded = false;
    SettingsSnapshot m_loadedFile;
    Values m_valuesAfterLoad;
    std::vector<KeptFormat> m_keptFormats;
};
