#include "SettingsController.h"

#include "columns/FormatPersistence.h"
#include "columns/FormatTableReader.h"
#include "columns/FormatTableWriter.h"
#include "settings/SettingsKeys.h"
#include "ui/CueLineEdit.h"
#include "ui/Dialogs.h"
#include "ui/DarstellungPage.h"
#include "ui/StartnummernInfoPage.h"
#include "ui/Tf_root.h"
#include "ui/UeberschriftPage.h"
#include "ui/VerbindungPage.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>

SettingsController::SettingsController(Tf_root &window, SettingsFile file) : w(window), m_file(std::move(file))
{
    w.setStartWork([this] { ti_startTimer(); });
    w.setSaveWork([this] { b_endeClick(); });
}

void SettingsController::ti_startTimer()
{
    VerbindungPage &v = *w.TabSheet1;
    DarstellungPage &d = *w.TabSheet2;
    UeberschriftPage &u = *w.TabSheet3;
    StartnummernInfoPage &s = *w.TabSheet4;
    const SettingsFile &f = m_file;
    const auto loadFormat = [&](Key key, FormatTable &table) {
        LoadFormatTable(readText(f, key), table, [this](const QString &message) {
            w.dialogs().showMessage(&w, message);
        });
    };

    w.mt_spalten.Open();
    w.mt_ueberschrift.Open();
    w.mt_snrInfo.Open();
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
    w.mt_spalten.First();
    w.mt_ueberschrift.First();
    w.mt_snrInfo.First();

    // Activating "Darstellung" here runs no page reaction of it.
    w.P_Einstellungen->setCurrentWidget(w.TabSheet2);
    w.P_Einstellungen->show();
    m_loaded = true;
}

void SettingsController::b_endeClick()
{
    if (!m_loaded) {
        // The controls that were not loaded still hold their designed
        // values; writing them would overwrite the stored settings.
        w.dialogs().showFailure(&w, QStringLiteral("Die Einstellungen konnten nicht geladen werden. Damit die "
                                                   "gespeicherten Einstellungen erhalten bleiben, wird nichts "
                                                   "gespeichert"));
        w.close();
        return;
    }
    VerbindungPage &v = *w.TabSheet1;
    DarstellungPage &d = *w.TabSheet2;
    UeberschriftPage &u = *w.TabSheet3;
    StartnummernInfoPage &s = *w.TabSheet4;
    SettingsFile &f = m_file;
    CommitPendingEditsForSave(w.mt_ueberschrift, w.mt_spalten, w.mt_snrInfo);
    const auto text = [&f](Key key, const QString &value) { f.WriteOption(keyName(key), value); };
    const auto flag = [&f](Key key, bool value) { f.WriteOptionFlag(keyName(key), value); };

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
    // Walking the tables must not move the panels' font lists; a successful
    // save ends the program, so they stay detached.
    w.setSpaltenReactionsAttached(false);
    text(Key::InfoZeileFormat, FormatTableToJson(w.mt_spalten));
    text(Key::UeberschriftFormat, FormatTableToJson(w.mt_ueberschrift));
    text(Key::SNRInfoFelderFormat, FormatTableToJson(w.mt_snrInfo));
    text(Key::InfoZeile, d.e_InfoZeile->text());
    flag(Key::mitUeberschrift, u.cb_mitueberschrift->isChecked());
    flag(Key::mitStartNrInfo, s.cb_startnummerninfo->isChecked());
    text(Key::SNRInfoFelder, s.e_SNRInfoFelder->text());
    text(Key::StartNrInFeld, s.e_StartNrInFeld->text());
    text(Key::erstesEF, d.e_erstesEF->text());
    text(Key::letztesEF, d.e_letztesEF->text());
    w.close();
}
