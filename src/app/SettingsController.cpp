#include "SettingsController.h"

#include "base/Failure.h"
#include "columns/FormatPersistence.h"
#include "layout/LayoutFile.h"
#include "settings/SettingsKeys.h"
#include "ui/Dialogs.h"
#include "ui/EditHistory.h"
#include "ui/LayoutMenu.h"
#include "ui/Tf_root.h"

#include <QCoreApplication>
#include <algorithm>

namespace
{

QString unreadableFormatMessage(Key key)
{
    return QCoreApplication::translate(
               "SettingsController",
               "Das gespeicherte Spaltenformat %1 konnte nicht gelesen werden: der Text ist kein "
               "gültiges Spaltenformat. Es bleibt in der Datei erhalten, solange diese Spalten nicht "
               "geändert werden.")
        .arg(keyName(key));
}

// Ends the save's transaction without writing when the file differs from
// the load and the operator has not yet answered for these differences.
struct FileChangedSinceLoad {
    DiskChanges changes;
};

// Ends it without writing when the save would write characters as "?" that
// the operator has not agreed to.
struct CharactersWouldBeReplaced {
    ReplacedCharacters characters;
};

void requireAgreedReplacements(const SettingsEdit &out, const ReplacedCharacters &agreed)
{
    ReplacedCharacters lost = CharactersASaveReplaces(out.document());
    if (!agreed.covers(lost))
        throw CharactersWouldBeReplaced{std::move(lost)};
}

} // namespace

SettingsController::SettingsController(Tf_root &window, SettingsFile file)
    : w(window), m_state(window.state()), m_file(std::move(file))
{
    w.setStartWork([this] { ti_startTimer(); });
    w.setSaveWork([this] { b_endeClick(); });
    w.setChangedCheck([this] { return hasUnsavedChanges(); });
    w.layoutMenu()->setLoadWork([this](const Layout &layout) { loadLayout(layout); });
    w.layoutMenu()->setLayoutSource([this](const QString &name) { return currentLayout(name); });
}

void SettingsController::ti_startTimer()
{
    // The file is read once; every key comes from that one reading.
    const SettingsSnapshot f = m_file.Load();
    loadOptions(f, EditorState::KeySet::All);

    // What a save would write now is the measure of "changed" later on; the
    // bytes are only built when the values differ at closing.
    m_loadedFile = f;
    m_valuesAfterLoad = m_state.valuesToSave(m_loadedFile);

    w.showPages();
    m_loaded = true;
}

void SettingsController::loadOptions(const OptionReader &f, EditorState::KeySet keys)
{
    const auto show = [this](const QString &message) { w.dialogs().showMessage(&w, message); };
    m_state.load(f, keys, {show, [show](Key key) { show(unreadableFormatMessage(key)); }});
}

static void requireLoaded(bool loaded)
{
    // Before the load the controls hold their designed values, not the
    // operator's settings.
    if (!loaded)
        throw Failure(QCoreApplication::translate(
            "SettingsController", "Die Einstellungen sind noch nicht geladen; Layouts können erst danach "
                                  "geladen oder gespeichert werden"));
}

void SettingsController::loadLayout(const Layout &layout)
{
    requireLoaded(m_loaded);
    const SettingsSnapshot values = LayoutAsSettings(layout);
    // A layout loaded is one step to undo, its messages included.
    const EditHistory::Hold oneStep(w.history());
    m_state.clearColumns();
    loadOptions(values, EditorState::KeySet::Layout);
}

Layout SettingsController::currentLayout(const QString &name)
{
    requireLoaded(m_loaded);
    CommitPendingEditsForSave(m_state.mt_ueberschrift, m_state.mt_spalten, m_state.mt_snrInfo);
    // A stored format the reader refused would make the layout unreadable:
    // the layout takes what the panels show instead.
    const SaveValues values = m_state.valuesWithoutKeptFormats(m_loadedFile);
    Layout layout;
    layout.name = name;
    layout.created = QDateTime::currentDateTimeUtc();
    for (const auto &[key, value] : values) {
        if (IsLayoutKey(key))
            layout.values.emplace_back(key, value);
    }
    return layout;
}

SaveValues SettingsController::valuesToSave(const OptionReader &stored)
{
    return m_state.valuesToSave(stored);
}

bool SettingsController::hasUnsavedChanges()
{
    if (!m_loaded)
        return false;
    try {
        CommitPendingEditsForSave(m_state.mt_ueberschrift, m_state.mt_spalten, m_state.mt_snrInfo);
        const SaveValues now = valuesToSave(m_loadedFile);
        if (now == m_valuesAfterLoad)
            return false;
        // Different values can still give the same bytes (a value trimmed on
        // its way into the file, characters the code page lacks).
        const auto bytes = [this](const SaveValues &values) {
            return ApplyWrites(m_loadedFile.document(),
                               [&](SettingsEdit &out) { EditorState::WriteValues(out, values); });
        };
        return bytes(now) != bytes(m_valuesAfterLoad);
    } catch (const Failure &) {
        return true; // a value that cannot be saved as it stands is a change
    }
}

void SettingsController::b_endeClick()
{
    if (!m_loaded) {
        // The controls that were not loaded still hold their designed
        // values; writing them would overwrite the stored settings.
        w.dialogs().showFailure(
            &w, QCoreApplication::translate("SettingsController",
                                            "Die Einstellungen konnten nicht geladen werden. Damit die "
                                            "gespeicherten Einstellungen erhalten bleiben, wird nichts "
                                            "gespeichert"));
        w.closeWithoutAsking();
        return;
    }
    CommitPendingEditsForSave(m_state.mt_ueberschrift, m_state.mt_spalten, m_state.mt_snrInfo);
    if (saveCheckingOtherWriters())
        w.closeWithoutAsking();
}

bool SettingsController::saveCheckingOtherWriters()
{
    Answer answer;
    DiskChanges answered;
    ReplacedCharacters agreedReplaced;
    for (;;) {
        try {
            // One transaction: the file read afresh under its lock, the
            // writes applied in their order, the result written once. On a
            // failure nothing is written and the window stays open.
            m_file.Update([&](SettingsEdit &out) { writeSave(out, answer, answered, agreedReplaced); });
            return true;
        } catch (CharactersWouldBeReplaced &replaced) {
            if (!w.dialogs().askReplaceUnsupported(&w, NameReplacedCharacters(replaced.characters)))
                return false;
            agreedReplaced = std::move(replaced.characters);
        } catch (FileChangedSinceLoad &changed) {
            answered = std::move(changed.changes);
            markWindowChanges(answered);
            answer = w.dialogs().askFileChanged(&w, FileChangedQuestion(), DescribeDiskChanges(answered));
            if (*answer == Dialogs::ConflictAnswer::Cancel)
                return false;
        }
    }
}

void SettingsController::writeSave(SettingsEdit &out, Answer answer, const DiskChanges &answered,
                                   const ReplacedCharacters &agreedReplaced)
{
    // Read before the first write: reads see the writes made so far.
    DiskChanges changes = FindDiskChanges(m_loadedFile, out);
    if (changes.empty()) {
        EditorState::WriteValues(out, valuesToSave(out));
        requireAgreedReplacements(out, agreedReplaced);
        return;
    }
    if (!answer || !SameDiskChanges(changes, answered))
        throw FileChangedSinceLoad{std::move(changes)};
    SaveValues values = valuesToSave(out);
    if (*answer == Dialogs::ConflictAnswer::Merge) {
        // What only the other program changed keeps its text: not written.
        const auto onlyOnDisk = [&answered](const auto &value) {
            return std::any_of(answered.begin(), answered.end(), [&value](const DiskChange &c) {
                return c.key == value.first && !c.changedInWindow;
            });
        };
        values.erase(std::remove_if(values.begin(), values.end(), onlyOnDisk), values.end());
    }
    EditorState::WriteValues(out, values);
    requireAgreedReplacements(out, agreedReplaced);
}

void SettingsController::markWindowChanges(DiskChanges &changes)
{
    // Changed by the operator: the save would now write something else
    // than right after the load. Kept formats compare against the loaded
    // file, so another program's change to one is not taken for the
    // operator's.
    const SaveValues window = valuesToSave(m_loadedFile);
    for (DiskChange &c : changes) {
        const auto byKey = [&c](const auto &value) { return value.first == c.key; };
        const auto now = std::find_if(window.begin(), window.end(), byKey);
        const auto before = std::find_if(m_valuesAfterLoad.begin(), m_valuesAfterLoad.end(), byKey);
        c.changedInWindow = now->second != before->second;
        c.window = now->second;
    }
}
