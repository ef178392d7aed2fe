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

    // The 23 writes of a save, in their order.
    void writeSettings(SettingsEdit &out);
    // The column format document of a table, its cursor where it was.
    QString formatDocument(FormatTable &table);
    QByteArray bytesToSave(const IniDocument &current);

    Tf_root &w;
    SettingsFile m_file;
    bool m_loaded = false;
    IniDocument m_loadedDocument;
    QByteArray m_bytesAfterLoad;
    std::vector<KeptFormat> m_keptFormats;
};
