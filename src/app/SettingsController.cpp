#include "SettingsController.h"

#include "base/Failure.h"
#include "base/NumberText.h"
#include "columns/FormatPersistence.h"
#include "columns/FormatTableReader.h"
#include "columns/FormatTableWriter.h"
#include "layout/LayoutFile.h"
#include "settings/SettingsKeys.h"
#include "ui/CueLineEdit.h"
#include "ui/DarstellungPage.h"
#include "ui/Dialogs.h"
#include "ui/LayoutMenu.h"
#include "ui/StartnummernInfoPage.h"
#include "ui/Tf_root.h"
#include "ui/UeberschriftPage.h"
#include "ui/VerbindungPage.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>

#include <algorithm>

namespace
{

QString unreadableFormatMessage(Key key)
{
    return QStringLiteral(
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

} // namespace

SettingsController::SettingsController(Tf_root &window, SettingsFile file)
    : w(window), m_file(std::move(file))
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
    loadOptions(f, KeySet::All);

    // What a save would write now is the measure of "changed" later on; the
    // bytes are only built when the values differ at closing.
    m_loadedFile = f;
    m_valuesAfterLoad = valuesToSave(m_loadedFile);

    // Activating "Darstellung" here runs no page reaction of it.
    w.P_Einstellungen->setCurrentWidget(w.TabSheet2);
    w.P_Einstellungen->show();
    m_loaded = true;
}

void SettingsController::loadOptions(const OptionReader &f, KeySet keys)
{
    m_keptFormats.clear();
    w.mt_spalten.Open();
    w.mt_ueberschrift.Open();
    w.mt_snrInfo.Open();
    if (keys == KeySet::All)
        loadConnection(f);
    loadLook(f, keys);
    w.mt_spalten.First();
    w.mt_ueberschrift.First();
    w.mt_snrInfo.First();
    for (KeptFormat &kept : m_keptFormats)
        kept.asLoaded = formatDocument(*kept.table);
}

void SettingsController::loadConnection(const OptionReader &f)
{
    VerbindungPage &v = *w.TabSheet1;
    v.e_server->setProgramText(readText(f, Key::ZQHost));
    if (readFlag(f, Key::ZQHostOLS)) {
        v.rb_imInet->setChecked(true);
        v.rb_imInetClick();
    } else {
        v.rb_lokal->setChecked(true);
        v.rb_lokalClick();
    }
    v.e_kundennummer->setProgramText(readText(f, Key::ZQKundennummer));
    v.e_kdpasswort->setProgramText(readText(f, Key::ZQKDPasswort));
    v.e_vapasswort->setProgramText(readText(f, Key::ZQVAPasswort));
    v.e_vanr->setProgramText(readText(f, Key::ZQVANummer));
}

void SettingsController::loadLook(const OptionReader &f, KeySet keys)
{
    DarstellungPage &d = *w.TabSheet2;
    UeberschriftPage &u = *w.TabSheet3;
    StartnummernInfoPage &s = *w.TabSheet4;
    const auto loadFormat = [&](Key key, FormatTable &table) {
        const QString stored = readText(f, key);
        const bool read = LoadFormatTable(
            stored, table, [this](const QString &message) { w.dialogs().showMessage(&w, message); });
        if (!read && !stored.isEmpty()) {
            m_keptFormats.push_back({key, &table, stored, QString(), keys == KeySet::All});
            w.dialogs().showMessage(&w, unreadableFormatMessage(key));
        }
    };

    d.cb_vollbild->setChecked(readFlag(f, Key::VollBild));
    d.e_anzahlzeilen->setProgramText(readText(f, Key::AnzahlZeilen));
    d.e_timeoutleereZeile->setProgramText(readText(f, Key::TimeoutleereZeile));
    d.e_hintergrund->setProgramText(readText(f, Key::HintergrundFarbe));
    d.e_timeoutlogo->setProgramText(readText(f, Key::TimeoutLogo));
    // The track bar holds 0 to 255 and takes the nearer end for the rest.
    d.tb_trans->setValue(std::clamp(readInteger(f, Key::TransparenzLogo), 0, 255));
    d.e_zweitezeile->setProgramText(readText(f, Key::ZweiteZeileFarbe));
    // The stored formats go into the tables before the formula lines are set,
    // whose change reactions then size the tables and fill in the formulas.
    w.setSpaltenReactionsAttached(false);
    loadFormat(Key::InfoZeileFormat, w.mt_spalten);
    loadFormat(Key::UeberschriftFormat, w.mt_ueberschrift);
    d.e_InfoZeile->setProgramText(readText(f, Key::InfoZeile));
    w.setSpaltenReactionsAttached(true);
    u.cb_mitueberschrift->setChecked(readFlag(f, Key::mitUeberschrift));
    s.cb_startnummerninfo->setChecked(readFlag(f, Key::mitStartNrInfo));
    loadFormat(Key::SNRInfoFelderFormat, w.mt_snrInfo);
    s.e_SNRInfoFelder->setProgramText(readText(f, Key::SNRInfoFelder));
    s.e_StartNrInFeld->setProgramText(readText(f, Key::StartNrInFeld));
    d.e_erstesEF->setProgramText(readText(f, Key::erstesEF));
    d.e_letztesEF->setProgramText(readText(f, Key::letztesEF));
}

void SettingsController::clearColumns()
{
    // The start meets empty tables and blank formula lines; a layout must
    // too: an empty stored format leaves a table as it is, and a formula
    // line equal to the one shown would run no reaction.
    for (FormatTable *table : {&w.mt_spalten, &w.mt_ueberschrift, &w.mt_snrInfo}) {
        if (table->State() != TableState::Browse)
            table->Cancel(); // edits of a layout that is being replaced
    }
    w.setSpaltenReactionsAttached(false);
    const auto reattach = qScopeGuard([this] { w.setSpaltenReactionsAttached(true); });
    {
        const QSignalBlocker info(w.TabSheet2->e_InfoZeile);
        const QSignalBlocker snrInfo(w.TabSheet4->e_SNRInfoFelder);
        w.TabSheet2->e_InfoZeile->setProgramText(QString());
        w.TabSheet4->e_SNRInfoFelder->setProgramText(QString());
    }
    w.TabSheet2->l_anzahlspalten->clear();
    w.TabSheet4->l_anzahlspalten_snri->clear();
    w.InfoColumns.clear();
    w.SnrInfoColumns.clear();
    w.mt_spalten.EmptyTable();
    w.mt_ueberschrift.EmptyTable();
    w.mt_snrInfo.EmptyTable();
}

static void requireLoaded(bool loaded)
{
    // Before the load the controls hold their designed values, not the
    // operator's settings.
    if (!loaded)
        throw Failure(QStringLiteral("Die Einstellungen sind noch nicht geladen; Layouts können erst danach "
                                     "geladen oder gespeichert werden"));
}

void SettingsController::loadLayout(const Layout &layout)
{
    requireLoaded(m_loaded);
    const SettingsSnapshot values = LayoutAsSettings(layout);
    clearColumns();
    loadOptions(values, KeySet::Layout);
}

Layout SettingsController::currentLayout(const QString &name)
{
    requireLoaded(m_loaded);
    CommitPendingEditsForSave(w.mt_ueberschrift, w.mt_spalten, w.mt_snrInfo);
    Values values = valuesToSave(m_loadedFile);
    // A stored format the reader refused would make the layout unreadable:
    // the layout takes what the panels show instead.
    for (const KeptFormat &kept : m_keptFormats) {
        for (auto &[key, value] : values) {
            if (key == kept.key)
                value = formatDocument(*kept.table);
        }
    }
    Layout layout;
    layout.name = name;
    layout.created = QDateTime::currentDateTimeUtc();
    for (auto &[key, value] : values) {
        if (IsLayoutKey(key))
            layout.values.emplace_back(key, value);
    }
    return layout;
}

QString SettingsController::formatDocument(FormatTable &table)
{
    // Walking the tables must not move the panels' font lists.
    const int row = table.RecNo();
    w.setSpaltenReactionsAttached(false);
    const QString text = FormatTableToJson(table);
    table.First();
    for (int r = 1; r < row && !table.Eof(); ++r)
        table.Next();
    w.setSpaltenReactionsAttached(true);
    return text;
}

SettingsController::Values SettingsController::valuesToSave(const OptionReader &stored)
{
    VerbindungPage &v = *w.TabSheet1;
    DarstellungPage &d = *w.TabSheet2;
    UeberschriftPage &u = *w.TabSheet3;
    StartnummernInfoPage &s = *w.TabSheet4;
    Values values;
    const auto text = [&values](Key key, const QString &value) { values.emplace_back(key, value); };
    const auto flag = [&values](Key key, bool value) { values.emplace_back(key, FlagText(value)); };
    const auto format = [&](Key key, FormatTable &table) {
        const QString document = formatDocument(table);
        for (const KeptFormat &kept : m_keptFormats) {
            // A stored format we could not read stays as the file has it,
            // unless the operator changed that layout.
            if (kept.key == key && document == kept.asLoaded)
                return text(key, kept.inFile ? stored.ReadOption(keyName(key), kept.stored) : kept.stored);
        }
        text(key, document);
    };

    text(Key::ZQHost, v.e_server->text());
    flag(Key::ZQHostOLS, v.rb_imInet->isChecked());
    text(Key::ZQKundennummer, v.e_kundennummer->text());
    text(Key::ZQKDPasswort, v.e_kdpasswort->text());
    text(Key::ZQVAPasswort, v.e_vapasswort->text());
    text(Key::ZQVANummer, v.e_vanr->text());
    flag(Key::VollBild, d.cb_vollbild->isChecked());
    text(Key::AnzahlZeilen, d.e_anzahlzeilen->text());
    text(Key::TimeoutleereZeile, d.e_timeoutleereZeile->text());
    text(Key::HintergrundFarbe, d.e_hintergrund->text());
    text(Key::TimeoutLogo, d.e_timeoutlogo->text());
    text(Key::TransparenzLogo, QString::number(d.tb_trans->value()));
    text(Key::ZweiteZeileFarbe, d.e_zweitezeile->text());
    format(Key::InfoZeileFormat, w.mt_spalten);
    format(Key::UeberschriftFormat, w.mt_ueberschrift);
    format(Key::SNRInfoFelderFormat, w.mt_snrInfo);
    text(Key::InfoZeile, d.e_InfoZeile->text());
    flag(Key::mitUeberschrift, u.cb_mitueberschrift->isChecked());
    flag(Key::mitStartNrInfo, s.cb_startnummerninfo->isChecked());
    text(Key::SNRInfoFelder, s.e_SNRInfoFelder->text());
    text(Key::StartNrInFeld, s.e_StartNrInFeld->text());
    text(Key::erstesEF, d.e_erstesEF->text());
    text(Key::letztesEF, d.e_letztesEF->text());
    return values;
}

void SettingsController::writeValues(OptionWriter &out, const Values &values)
{
    for (const auto &[key, value] : values)
        out.WriteOption(keyName(key), value);
}

bool SettingsController::hasUnsavedChanges()
{
    if (!m_loaded)
        return false;
    try {
        CommitPendingEditsForSave(w.mt_ueberschrift, w.mt_spalten, w.mt_snrInfo);
        const Values now = valuesToSave(m_loadedFile);
        if (now == m_valuesAfterLoad)
            return false;
        // Different values can still give the same bytes (a value trimmed on
        // its way into the file, characters the code page lacks).
        const auto bytes = [this](const Values &values) {
            return ApplyWrites(m_loadedFile.document(), [&](SettingsEdit &out) { writeValues(out, values); });
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
        w.dialogs().showFailure(&w,
                                QStringLiteral("Die Einstellungen konnten nicht geladen werden. Damit die "
                                               "gespeicherten Einstellungen erhalten bleiben, wird nichts "
                                               "gespeichert"));
        w.closeWithoutAsking();
        return;
    }
    CommitPendingEditsForSave(w.mt_ueberschrift, w.mt_spalten, w.mt_snrInfo);
    if (saveCheckingOtherWriters())
        w.closeWithoutAsking();
}

bool SettingsController::saveCheckingOtherWriters()
{
    Answer answer;
    DiskChanges answered;
    for (;;) {
        try {
            // One transaction: the file read afresh under its lock, the
            // writes applied in their order, the result written once. On a
            // failure nothing is written and the window stays open.
            m_file.Update([&](SettingsEdit &out) { writeSave(out, answer, answered); });
            return true;
        } catch (FileChangedSinceLoad &changed) {
            answered = std::move(changed.changes);
            markWindowChanges(answered);
            answer = w.dialogs().askFileChanged(&w, FileChangedQuestion(), DescribeDiskChanges(answered));
            if (*answer == Dialogs::ConflictAnswer::Cancel)
                return false;
        }
    }
}

void SettingsController::writeSave(SettingsEdit &out, Answer answer, const DiskChanges &answered)
{
    // Read before the first write: reads see the writes made so far.
    DiskChanges changes = FindDiskChanges(m_loadedFile, out);
    if (changes.empty()) {
        writeValues(out, valuesToSave(out));
        return;
    }
    if (!answer || !SameDiskChanges(changes, answered))
        throw FileChangedSinceLoad{std::move(changes)};
    Values values = valuesToSave(out);
    if (*answer == Dialogs::ConflictAnswer::Merge) {
        // What only the other program changed keeps its text: not written.
        const auto onlyOnDisk = [&answered](const auto &value) {
            return std::any_of(answered.begin(), answered.end(), [&value](const DiskChange &c) {
                return c.key == value.first && !c.changedInWindow;
            });
        };
        values.erase(std::remove_if(values.begin(), values.end(), onlyOnDisk), values.end());
    }
    writeValues(out, values);
}

void SettingsController::markWindowChanges(DiskChanges &changes)
{
    // Changed by the operator: the save would now write something else
    // than right after the load. Kept formats compare against the loaded
    // file, so another program's change to one is not taken for the
    // operator's.
    const Values window = valuesToSave(m_loadedFile);
    for (DiskChange &c : changes) {
        const auto byKey = [&c](const auto &value) { return value.first == c.key; };
        const auto now = std::find_if(window.begin(), window.end(), byKey);
        const auto before = std::find_if(m_valuesAfterLoad.begin(), m_valuesAfterLoad.end(), byKey);
        c.changedInWindow = now->second != before->second;
        c.window = now->second;
    }
}
