#pragma once
#include "SaveConflict.h"
#include "editor/EditorState.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsKeys.h"
#include "ui/Dialogs.h"

struct Layout;

#include <QByteArray>

#include <optional>
#include <vector>

class Tf_root;

// Ties the window's editor state to the settings file: the load run once by
// the start-up timer, the save of "speichern + schliessen" with the question
// when another program changed the file, and the layout menu's hooks.
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

    // Puts a layout's values into the state exactly as the start puts the
    // file's, through the same steps; the connection page stays as it
    // is. Nothing is written: the next save stores them, and closing
    // without saving asks as for any change.
    void loadLayout(const Layout &layout);
    // The 17 layout values a save would write now, pending panel edits
    // included; no logo.
    Layout currentLayout(const QString &name);

  private:
    // The load steps for the keys of `f`: all 23, or the layout's 17, with
    // the reader's messages shown.
    void loadOptions(const OptionReader &f, EditorState::KeySet keys);
    // The 23 values a save writes now, from the state; a
    // kept column format is taken from `stored`, the file as it is read.
    SaveValues valuesToSave(const OptionReader &stored);

    // The save's transaction, run again after a question when another
    // program changed the file since the load, or when the save would
    // write characters as "?"; false when the operator cancelled. The lock
    // is never held while a question is open.
    bool saveCheckingOtherWriters();
    // The writes of one run: as always when the file holds what the load
    // read; else by the answer given to exactly these differences, or none
    // and the transaction ends to ask. Then the same for characters the
    // file cannot hold: written as "?" when the operator agreed to each.
    using Answer = std::optional<Dialogs::ConflictAnswer>;
    void writeSave(SettingsEdit &out, Answer answer, const DiskChanges &answered,
                   const ReplacedCharacters &agreedReplaced);
    // Marks the changes the operator made too, with the window's values.
    void markWindowChanges(DiskChanges &changes);

    Tf_root &w;
    EditorState &m_state;
    SettingsFile m_file;
    bool m_loaded = false;
    SettingsSnapshot m_loadedFile;
    SaveValues m_valuesAfterLoad;
};
