#pragma once
#include "columns/ColumnList.h"
#include "columns/FormatTable.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class BoundLineEdit;
class DarstellungPage;
class FontNameList;
class FontNameModel;
class FontSizeList;
class LayoutMenu;
class PanelGrid;
class Dialogs;
class DisplayPreview;
class QPushButton;
class QScrollArea;
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

    // Where the window's parts go when `room` is what the screen offers
    // inside the window manager's frame: the designed 794 x 574 whenever it
    // fits; on a smaller screen (a netbook, a high scale factor) the largest
    // size that fits, the pages in a scroll area and the button below them,
    // so that it stays visible. scrollBar is the width of a scroll bar: a
    // window too low for the pages gets that much wider, where there is
    // room, so that only the vertical one is needed.
    struct Layout {
        QSize window;
        QRect pages;         // the scroll area holding the page control
        QRect button;        // "speichern + schliessen"
        QRect previewButton; // "Vorschau", to its right
        bool scrolls = false;
    };
    static Layout LayoutFor(const QSize &room, int scrollBar);
    // Gives the window and its parts the places of l.
    void applyLayout(const Layout &l);
    // Applies LayoutFor to the window's screen and places the window on it.
    void fitToScreen();

    QPushButton *b_ende;
    QPushButton *b_vorschau;
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

    // The unbound font lists of the three live panels and their reactions.
    FontNameList *cb_fontname;
    FontSizeList *cb_fontgroesse;
    FontNameList *cb_fontname_ue;
    FontSizeList *cb_fontgroesse_ue;
    FontNameList *cb_fontname_snri;
    FontSizeList *cb_fontgroesse_snri;
    void cb_fontnameChange();
    void cb_fontgroesseChange();
    void cb_fontname_ueChange();
    void cb_fontgroesse_ueChange();
    void cb_fontname_snriChange();
    void cb_fontgroesse_snriChange();
    // A click into a column colour field (e_spalten_farbe, DBEdit1, DBEdit3).
    void e_spalten_farbeClick(BoundLineEdit *field);
    // The installed fonts, enumerated once for the three name lists.
    FontNameModel *fontNames() const { return m_fontNames; }

    // The load sequence (run once by ti_start) and the save (b_ende).
    void setStartWork(std::function<void()> work) { m_startWork = std::move(work); }
    void setSaveWork(std::function<void()> work) { m_saveWork = std::move(work); }
    // Whether a save now would write something else than right after the
    // load; asked when the window is closed in any other way than by saving.
    void setChangedCheck(std::function<bool()> check) { m_changedCheck = std::move(check); }
    // Closes the window without the question: after a save, or when nothing
    // may be saved.
    void closeWithoutAsking();
    // Runs work under the default failure handler; false when it failed.
    bool runGuarded(const std::function<void()> &work);

    void ti_startTimer();
    void b_endeClick();
    // "Vorschau" and F5: opens the display preview, or brings the open one
    // to the front.
    void b_vorschauClick();
    // The display preview once it has been opened; nullptr before.
    DisplayPreview *preview() const;
    // "Layout speichern…" / "Layout laden…" beside "Vorschau".
    LayoutMenu *layoutMenu() const { return m_layoutMenu; }
    void TabSheet2Hide();
    void P_EinstellungenExit();
    void TabSheet3Exit();

  protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    // The constructor's parts, in the order they run: the widgets and their
    // places, the actions, the panel grids with their tables.
    void buildButtonRow();
    void buildPageControl(const QPalette &pal);
    void connectActions();
    void bindPanels();
    void FormShow();
    void FormActivate();
    void focusMoved(QWidget *old, QWidget *now);
    void closePreview();

    // One panel grid with its table, font lists and size reaction.
    struct FontPanel {
        PanelGrid *grid = nullptr;
        FormatTable *table = nullptr;
        FontNameList *name = nullptr;
        FontSizeList *size = nullptr;
        std::function<void()> sizeReaction;
        std::function<void()> rowReaction;
        QMetaObject::Connection sizeConnection;
        bool sizeAttached = false;
        ViewLink *link = nullptr;
        bool followPending = false; // a row change came while the link was detached
    };
    void followPendingRows();
    void bindPanel(FontPanel &panel, PanelGrid *grid, FormatTable &table, ViewLink &link,
                   std::function<void()> rowReaction, std::function<void()> nameReaction,
                   std::function<void()> sizeReaction);
    void followRow(FontPanel &panel);
    void fontNameChosen(FontPanel &panel);
    void fontSizeChanged(FontPanel &panel);
    void moveCursor(FontPanel &panel, int row);
    void setSizeReactionAttached(FontPanel &panel, bool attached);

    FontNameModel *m_fontNames = nullptr;
    FontPanel m_spaltenPanel;
    FontPanel m_ueberschriftPanel;
    FontPanel m_snrInfoPanel;

    std::unique_ptr<Dialogs> m_ownDialogs;
    Dialogs *m_dialogs;
    std::function<void()> m_startWork;
    std::function<void()> m_saveWork;
    std::function<bool()> m_changedCheck;
    QScrollArea *m_pageScroller = nullptr;
    QPointer<DisplayPreview> m_preview;
    LayoutMenu *m_layoutMenu = nullptr;
    bool m_closeWithoutAsking = false;
    int m_activePage = -1;
    bool m_shownOnce = false;
};
