#pragma once
#include "SaveConflict.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsKeys.h"
#include "ui/Dialogs.h"

struct Layout;

#include <QByteArray>

#include <optional>
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

    // Puts a layout's values into the controls exactly as the start puts
    // the file's, through the same steps; the connection page stays as it
    // is. Nothing is written: the next save stores them, and closing
    // without saving asks as for any change.
    void loadLayout(const Layout &layout);
    // The 17 layout values a save would write now, pending panel edits
    // included; no logo.
    Layout currentLayout(const QString &name);

  private:
    // A stored column format the reader refused: kept in the file as long as
    // the operator leaves that layout as loaded.
    struct KeptFormat {
        Key key;
        FormatTable *table;
        QString stored;   // the text as loaded
        QString asLoaded; // what the table would have written right after the load
        bool inFile;      // from the settings file (not from a layout): a save reads it there
    };

    // The load steps for the keys of `f`: all 23, or the layout's 17.
    enum class KeySet { All, Layout };
    void loadOptions(const OptionReader &f, KeySet keys);
    void loadConnection(const OptionReader &f);
    void loadLook(const OptionReader &f, KeySet keys);
    // Back to the state the start finds: empty tables, blank formula lines.
    void clearColumns();

    // The 23 values a save writes, in their order, from the controls; a
    // kept column format is taken from `stored`, the file as it is read.
    using Values = std::vector<std::pair<Key, QString>>;
    Values valuesToSave(const OptionReader &stored);
    static void writeValues(OptionWriter &out, const Values &values);
    // The column format document of a table, its cursor where it was.
    QString formatDocument(FormatTable &table);

    // The save's transaction, run again after a question when another
    // program changed the file since the load; false when the operator
    // cancelled. The lock is never held while the question is open.
    bool saveCheckingOtherWriters();
    // The writes of one run: as always when the file holds what the load
    // read; else by the answer given to exactly these differences, or none
    // and the transaction ends to ask.
    using Answer = std::optional<Dialogs::ConflictAnswer>;
    void writeSave(SettingsEdit &out, Answer answer, const DiskChanges &answered);
    // Marks the changes the operator made too, with the window's values.
    void markWindowChanges(DiskChanges &changes);

    Tf_root &w;
    SettingsFile m_file;
    bool m_loaded = false;
    SettingsSnapshot m_loadedFile;
    Values m_valuesAfterLoad;
    std::vector<KeptFormat> m_keptFormats;
};
