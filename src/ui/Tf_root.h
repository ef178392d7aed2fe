#pragma once
#include "WindowFit.h"
#include "editor/EditorState.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class DarstellungPage;
class EditHistory;
class FontNameModel;
class FontPanels;
class LayoutMenu;
class PreviewEditing;
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

    // Where the window's parts go for the room the screen offers (see
    // WindowFit).
    using Layout = WindowFit;
    static Layout LayoutFor(const QSize &room, int scrollBar) { return WindowFitFor(room, scrollBar); }
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

    // The editor's values: the pages show them and put edits into them.
    EditorState &state() { return m_state; }
    // The installed fonts, enumerated once for the three name lists.
    FontNameModel *fontNames() const;
    // Shows the page control with "Darstellung" in front, once the load
    // has filled the pages; activating it here runs no page reaction.
    void showPages();

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
    // Undo and redo of every edit since the load ("Rückgängig",
    // "Wiederholen", Ctrl+Z, Ctrl+Shift+Z, Ctrl+Y).
    EditHistory &history() const { return *m_history; }
    // The edits made on the preview's picture.
    PreviewEditing &previewEditing() const { return *m_previewEditing; }
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

    // Dies before the pages: the destructor lets the panel grids go first.
    EditorState m_state;
    FontPanels *m_fontPanels = nullptr;
    std::unique_ptr<Dialogs> m_ownDialogs;
    Dialogs *m_dialogs;
    std::function<void()> m_startWork;
    std::function<void()> m_saveWork;
    std::function<bool()> m_changedCheck;
    QScrollArea *m_pageScroller = nullptr;
    QPointer<DisplayPreview> m_preview;
    LayoutMenu *m_layoutMenu = nullptr;
    EditHistory *m_history = nullptr;
    PreviewEditing *m_previewEditing = nullptr;
    bool m_closeWithoutAsking = false;
    int m_activePage = -1;
    bool m_shownOnce = false;
};
