#pragma once
#include "columns/ColumnList.h"
#include "columns/FormatTable.h"

#include <QWidget>

#include <functional>
#include <memory>

class DarstellungPage;
class Dialogs;
class QPushButton;
class QTabWidget;
class QTimer;
class StartnummernInfoPage;
class UeberschriftPage;
class VerbindungPage;

// The program's one window: the page control with its four pages and the
// button "speichern + schliessen". What loading and saving do is wired in
// from outside through the two work hooks; every failure that escapes them
// goes to the default failure handler.
class Tf_root : public QWidget
{
    Q_OBJECT
public:
    // dialogs: nullptr for the real message boxes and colour chooser.
    explicit Tf_root(Dialogs *dialogs = nullptr, QWidget *parent = nullptr);
    ~Tf_root() override;

    static QString Caption() { return QStringLiteral("VADaroradarAdadad V1.3"); }

    QPushButton *b_ende;
    QTabWidget *P_Einstellungen;
    VerbindungPage *TabSheet1;
    DarstellungPage *TabSheet2;
    UeberschriftPage *TabSheet3;
    StartnummernInfoPage *TabSheet4;
    QTimer *ti_start;

    Dialogs &dialogs() { return *m_dialogs; }

    // The column formats of the detection line, the heading row and the
    // start-number info, their view links and the two formula lists.
    FormatTable mt_spalten{QStringLiteral("mt_spalten"), FormatTable::SpaltenSchema()};
    FormatTable mt_ueberschrift{QStringLiteral("mt_ueberschrift"), FormatTable::UeberschriftSchema()};
    FormatTable mt_snrInfo{QStringLiteral("mt_snrInfo"), FormatTable::SnrInfoSchema()};
    ViewLink ds_spalten{&mt_spalten};
    ViewLink ds_ueberschrift{&mt_ueberschrift};
    ViewLink ds_snrinfo{&mt_snrInfo};
    ColumnList InfoColumns;
    ColumnList SnrInfoColumns;

    // Formula fields: split the line and keep the tables in step.
    void e_InfoZeileChange();
    void e_SNRInfoFelderChange();

    // Row-change reactions of the three tables, and their attachment.
    void mt_spaltenAfterScroll();
    void mt_ueberschriftAfterScroll();
    void mt_snrInfoAfterScroll();
    void setSpaltenReactionsAttached(bool attached);

    // The load sequence (run once by ti_start) and the save (b_ende).
    void setStartWork(std::function<void()> work) { m_startWork = std::move(work); }
    void setSaveWork(std::function<void()> work) { m_saveWork = std::move(work); }
    // Runs work under the default failure handler; false when it failed.
    bool runGuarded(const std::function<void()> &work);

    void ti_startTimer();
    void b_endeClick();
    void TabSheet2Hide();
    void P_EinstellungenExit();
    void TabSheet3Exit();


protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void FormShow();
    void FormActivate();
    void focusMoved(QWidget *old, QWidget *now);

    std::unique_ptr<Dialogs> m_ownDialogs;
    Dialogs *m_dialogs;
    std::function<void()> m_startWork;
    std::function<void()> m_saveWork;
    int m_activePage = -1;
    bool m_shownOnce = false;
};
