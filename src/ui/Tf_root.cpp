#include "Tf_root.h"

#include "CueLineEdit.h"
#include "DarstellungPage.h"
#include "Dialogs.h"
#include "DisplayPreview.h"
#include "FontLists.h"
#include "Guard.h"
#include "LayoutMenu.h"
#include "PageWidgets.h"
#include "PanelGrid.h"
#include "StartnummernInfoPage.h"
#include "UeberschriftPage.h"
#include "VerbindungPage.h"
#include "columns/ColumnSync.h"
#include "columns/FormatPersistence.h"
#include "settings/ColorCodec.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QShowEvent>
#include <QStyle>
#include <QStyleFactory>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>
#include <QtMath>

namespace
{

const QColor kNavy(0x00, 0x00, 0x80);
// "speichern + schliessen" at 288, 533, 211 x 36; "Vorschau" 8 px to its right.
const QRect kPreviewButton(507, 533, 100, 36);
constexpr int kButtonGap = 8;

bool isInside(const QWidget *w, const QWidget *container)
{
    return w && container && (w == container || container->isAncestorOf(w));
}

} // namespace

Tf_root::Tf_root(Dialogs *dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
{
    if (!dialogs) {
        m_ownDialogs = std::make_unique<QtDialogs>();
        dialogs = m_ownDialogs.get();
    }
    m_dialogs = dialogs;

    setObjectName(QStringLiteral("f_root"));
    setFont(PageFont(11));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kNavy);
    setPalette(pal);
    setAutoFillBackground(true);
    // The designed client area is 823 x 574; shown, the outer width is 800.
    setFixedSize(794, 574);

    buildButtonRow();
    buildPageControl(pal);

    QWidget::setTabOrder(b_ende, P_Einstellungen);
    // "Vorschau" comes after the page control and everything on its pages.
    QWidget::setTabOrder(P_Einstellungen, b_vorschau);
    QWidget::setTabOrder(b_vorschau, b_ende);

    ti_start = new QTimer(this);
    ti_start->setObjectName(QStringLiteral("ti_start"));
    ti_start->setSingleShot(true);
    ti_start->setInterval(100);
    connect(ti_start, &QTimer::timeout, this, &Tf_root::ti_startTimer);
    ti_start->start();

    connectActions();

    // FormCreate: the tables are open for the window's whole life; the
    // heading table follows the detection table's view link.
    mt_spalten.Open();
    mt_ueberschrift.Open();
    mt_snrInfo.Open();
    mt_ueberschrift.setMasterSource(&ds_spalten);
    setSpaltenReactionsAttached(true);
    mt_snrInfo.setAfterScroll([this] { mt_snrInfoAfterScroll(); });
    bindPanels();
}

// "speichern + schliessen" and, beside it, "Vorschau".
void Tf_root::buildButtonRow()
{
    b_ende = new QPushButton(QStringLiteral("speichern + schliessen"), this);
    b_ende->setObjectName(QStringLiteral("b_ende"));
    b_ende->setGeometry(288, 533, 211, 36);
    b_ende->setAccessibleName(b_ende->text());
    b_ende->setAutoDefault(false);
    b_ende->setPalette(QApplication::palette());

    // Beside it, on the same row and as high: the display preview.
    b_vorschau = new QPushButton(QStringLiteral("Vorschau"), this);
    b_vorschau->setObjectName(QStringLiteral("b_vorschau"));
    b_vorschau->setGeometry(kPreviewButton);
    b_vorschau->setAccessibleName(b_vorschau->text());
    b_vorschau->setToolTip(QStringLiteral("Vorschau der Anzeige (F5)"));
    b_vorschau->setAutoDefault(false);
    b_vorschau->setPalette(QApplication::palette());
}

// The four pages in their page control, which sits in a scroll area.
void Tf_root::buildPageControl(const QPalette &pal)
{
    // The page control sits in a scroll area that only scrolls when the
    // screen is too small for the window; at the designed size it shows the
    // pages exactly where they would be without it.
    m_pageScroller = new QScrollArea(this);
    m_pageScroller->setObjectName(QStringLiteral("pageScroller"));
    m_pageScroller->setFrameShape(QFrame::NoFrame);
    m_pageScroller->setFocusPolicy(Qt::NoFocus);
    m_pageScroller->setGeometry(0, 0, 794, 533);
    auto *pageArea = new QWidget;
    pageArea->setObjectName(QStringLiteral("pageArea"));
    pageArea->setFixedSize(794, 533);
    pageArea->setPalette(pal);
    pageArea->setAutoFillBackground(true);
    m_pageScroller->setWidget(pageArea);
    m_pageScroller->viewport()->setPalette(pal);

    P_Einstellungen = new QTabWidget(pageArea);
    P_Einstellungen->setObjectName(QStringLiteral("P_Einstellungen"));
    P_Einstellungen->setGeometry(8, 7, 777, 522);
    P_Einstellungen->setFont(PageFont(13));
    if (QStyle *plain = QStyleFactory::create(QStringLiteral("Fusion"))) {
        plain->setParent(P_Einstellungen);
        P_Einstellungen->setStyle(plain);
    }
    P_Einstellungen->tabBar()->setExpanding(false);
    P_Einstellungen->setUsesScrollButtons(false);
    QPalette tabs = P_Einstellungen->palette();
    tabs.setColor(QPalette::Window, kNavy);
    tabs.setColor(QPalette::WindowText, Qt::black);
    P_Einstellungen->setPalette(tabs);
    P_Einstellungen->setAutoFillBackground(true);

    TabSheet1 = new VerbindungPage;
    TabSheet2 = new DarstellungPage(*m_dialogs);
    TabSheet3 = new UeberschriftPage;
    TabSheet4 = new StartnummernInfoPage;
    P_Einstellungen->addTab(TabSheet1, QStringLiteral("Verbindung"));
    P_Einstellungen->addTab(TabSheet2, QStringLiteral("Darstellung"));
    P_Einstellungen->addTab(TabSheet3, QStringLiteral("Überschrift"));
    P_Einstellungen->addTab(TabSheet4, QStringLiteral("Startnummern Info"));
    m_activePage = P_Einstellungen->currentIndex();
    // Each page's client area is 773 x 491.
    for (QWidget *page : {static_cast<QWidget *>(TabSheet1), static_cast<QWidget *>(TabSheet2),
                          static_cast<QWidget *>(TabSheet3), static_cast<QWidget *>(TabSheet4)})
        FitCaptions(page, QSize(773, 491));
}

// The buttons, the keys, the page change and the focus.
void Tf_root::connectActions()
{
    connect(b_ende, &QPushButton::clicked, this, &Tf_root::b_endeClick);
    connect(b_vorschau, &QPushButton::clicked, this, &Tf_root::b_vorschauClick);
    auto *previewKey = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(previewKey, &QShortcut::activated, this, &Tf_root::b_vorschauClick);
    // Ctrl+S saves and closes, like the button.
    auto *save = new QShortcut(QKeySequence::Save, this);
    connect(save, &QShortcut::activated, this, &Tf_root::b_endeClick);
    connect(P_Einstellungen, &QTabWidget::currentChanged, this, [this](int index) {
        // The new page is already visible; then the old page's leave reaction.
        const int old = m_activePage;
        m_activePage = index;
        if (old == P_Einstellungen->indexOf(TabSheet2) && old != index)
            TabSheet2Hide();
    });
    connect(qApp, &QApplication::focusChanged, this, &Tf_root::focusMoved);
    // Return and Enter press the focused push button, as on every desktop;
    // outside dialogs Qt leaves that to Space alone.
    for (QPushButton *button : findChildren<QPushButton *>())
        button->installEventFilter(this);
}

// The panel grids with their tables and font lists, and the formula fields
// that keep the tables in step.
void Tf_root::bindPanels()
{
    // The panel grids: the installed fonts are enumerated once here.
    m_fontNames = new FontNameModel(this);
    bindPanel(
        m_spaltenPanel, TabSheet2->dbcg_spalten, mt_spalten, ds_spalten, [this] { mt_spaltenAfterScroll(); },
        [this] { cb_fontnameChange(); }, [this] { cb_fontgroesseChange(); });
    bindPanel(
        m_ueberschriftPanel, TabSheet3->DBCtrlGrid2, mt_ueberschrift, ds_ueberschrift,
        [this] { mt_ueberschriftAfterScroll(); }, [this] { cb_fontname_ueChange(); },
        [this] { cb_fontgroesse_ueChange(); });
    bindPanel(
        m_snrInfoPanel, TabSheet4->DBCtrlGrid1, mt_snrInfo, ds_snrinfo, [this] { mt_snrInfoAfterScroll(); },
        [this] { cb_fontname_snriChange(); }, [this] { cb_fontgroesse_snriChange(); });
    cb_fontname = m_spaltenPanel.name;
    cb_fontgroesse = m_spaltenPanel.size;
    cb_fontname_ue = m_ueberschriftPanel.name;
    cb_fontgroesse_ue = m_ueberschriftPanel.size;
    cb_fontname_snri = m_snrInfoPanel.name;
    cb_fontgroesse_snri = m_snrInfoPanel.size;

    connect(TabSheet2->e_InfoZeile, &QLineEdit::textChanged, this, &Tf_root::e_InfoZeileChange);
    connect(TabSheet4->e_SNRInfoFelder, &QLineEdit::textChanged, this, &Tf_root::e_SNRInfoFelderChange);
    m_layoutMenu = new LayoutMenu(*this);
}

void Tf_root::e_InfoZeileChange()
{
    SyncInfoZeile(TabSheet2->e_InfoZeile->text(), InfoColumns, mt_spalten, mt_ueberschrift, ds_spalten,
                  ds_ueberschrift,
                  [this](const QString &text) { TabSheet2->l_anzahlspalten->setText(text); });
    followPendingRows();
}

void Tf_root::e_SNRInfoFelderChange()
{
    SyncSnrInfoFelder(TabSheet4->e_SNRInfoFelder->text(), SnrInfoColumns, mt_snrInfo, ds_snrinfo,
                      [this](const QString &text) { TabSheet4->l_anzahlspalten_snri->setText(text); });
    followPendingRows();
}

void Tf_root::followPendingRows()
{
    for (FontPanel *panel : {&m_spaltenPanel, &m_ueberschriftPanel, &m_snrInfoPanel}) {
        if (panel->followPending)
            runGuarded([this, panel] { followRow(*panel); });
    }
}

void Tf_root::setSpaltenReactionsAttached(bool attached)
{
    if (attached) {
        mt_spalten.setAfterScroll([this] { mt_spaltenAfterScroll(); });
        mt_ueberschrift.setAfterScroll([this] { mt_ueberschriftAfterScroll(); });
    } else {
        mt_spalten.setAfterScroll({});
        mt_ueberschrift.setAfterScroll({});
    }
}

void Tf_root::bindPanel(FontPanel &panel, PanelGrid *grid, FormatTable &table, ViewLink &link,
                        std::function<void()> rowReaction, std::function<void()> nameReaction,
                        std::function<void()> sizeReaction)
{
    panel.grid = grid;
    panel.table = &table;
    panel.link = &link;
    panel.name = grid->livePanel()->fontName;
    panel.size = grid->livePanel()->fontSize;
    panel.rowReaction = std::move(rowReaction);
    panel.sizeReaction = std::move(sizeReaction);
    grid->setMover([this, &panel](int row) { moveCursor(panel, row); });
    grid->bind(
        &link, [this](const std::function<void()> &work) { return runGuarded(work); }, m_fontNames);
    connect(panel.name, &FontNameList::changed, this, std::move(nameReaction));
    setSizeReactionAttached(panel, true);
    BoundLineEdit *farbe = grid->livePanel()->farbe;
    connect(farbe, &BoundLineEdit::clicked, this, [this, farbe] { e_spalten_farbeClick(farbe); });
}

void Tf_root::setSizeReactionAttached(FontPanel &panel, bool attached)
{
    // The signal stays connected; detaching is a switch, cheap enough for
    // every step of a walk through the table.
    if (!panel.sizeConnection)
        panel.sizeConnection = connect(panel.size, &FontSizeList::changed, this, [&panel] {
            if (panel.sizeAttached)
                panel.sizeReaction();
        });
    panel.sizeAttached = attached;
}

// The font lists follow the row; the row itself is not changed.
void Tf_root::followRow(FontPanel &panel)
{
    // While a formula change walks the tables with the links detached, only
    // the row the walk stops on matters to the lists: follow it once, when
    // the walk is over.
    if (panel.link && !panel.link->isActive()) {
        panel.followPending = true;
        return;
    }
    panel.followPending = false;
    const QString name = panel.table->asText(FontField::Schriftname);
    panel.name->selectName(name);
    setSizeReactionAttached(panel, false);
    const auto reattach = qScopeGuard([&] { setSizeReactionAttached(panel, true); });
    panel.size->setFontName(panel.name->currentText());
    panel.size->setFontSize(panel.table->asInteger(FontField::Schriftgroesse));
}

void Tf_root::fontNameChosen(FontPanel &panel)
{
    runGuarded([&] {
        panel.table->Edit();
        panel.table->setText(FontField::Schriftname, panel.name->currentText());
        panel.table->Post();
        panel.size->setFontName(panel.name->currentText());
    });
}

void Tf_root::fontSizeChanged(FontPanel &panel)
{
    runGuarded([&] {
        panel.table->Edit();
        panel.table->setInteger(FontField::Schriftgroesse, panel.size->FontSize());
        panel.table->Post();
    });
}

// A click or a key moves the cursor to one row. Forward by one is a plain
// Next; a longer way is walked with the panels and the row-change reaction
// quiet, which then runs once for the row where the walk ends.
void Tf_root::moveCursor(FontPanel &panel, int row)
{
    FormatTable &t = *panel.table;
    runGuarded([&] {
        const int count = t.RecordCount();
        if (row < 0 || row >= count)
            return;
        const bool inserting = t.State() == TableState::Insert;
        const int cur = inserting ? count : t.RecNo() - 1;
        if (row == cur)
            return;
        if (!inserting && row == cur + 1) {
            t.Next();
            return;
        }
        if (row == 0) {
            t.First();
            return;
        }
        const bool reaction = t.hasAfterScroll();
        {
            t.setAfterScroll({});
            panel.grid->setQuiet(true);
            const auto restore = qScopeGuard([&] {
                if (reaction)
                    t.setAfterScroll(panel.rowReaction);
                panel.grid->setQuiet(false);
            });
            if (!inserting && row > cur) {
                for (int i = cur; i < row; ++i)
                    t.Next();
            } else {
                t.First();
                for (int i = 0; i < row; ++i)
                    t.Next();
            }
        }
        if (reaction)
            panel.rowReaction();
    });
}

void Tf_root::mt_spaltenAfterScroll()
{
    followRow(m_spaltenPanel);
}

void Tf_root::mt_ueberschriftAfterScroll()
{
    followRow(m_ueberschriftPanel);
}

void Tf_root::mt_snrInfoAfterScroll()
{
    followRow(m_snrInfoPanel);
}

void Tf_root::cb_fontnameChange()
{
    fontNameChosen(m_spaltenPanel);
}

void Tf_root::cb_fontgroesseChange()
{
    fontSizeChanged(m_spaltenPanel);
}

void Tf_root::cb_fontname_ueChange()
{
    fontNameChosen(m_ueberschriftPanel);
}

void Tf_root::cb_fontgroesse_ueChange()
{
    fontSizeChanged(m_ueberschriftPanel);
}

void Tf_root::cb_fontname_snriChange()
{
    fontNameChosen(m_snrInfoPanel);
}

void Tf_root::cb_fontgroesse_snriChange()
{
    fontSizeChanged(m_snrInfoPanel);
}

void Tf_root::e_spalten_farbeClick(BoundLineEdit *field)
{
    runGuarded([&] {
        const std::optional<uint32_t> chosen = m_dialogs->chooseColor(this, HexToColor(field->text()));
        if (!chosen)
            return;
        // Edit, then the chosen text as the field's input, written at the
        // next commit.
        field->setChosenText(ColorToHex(*chosen));
    });
}

Tf_root::~Tf_root()
{
    disconnect(qApp, &QApplication::focusChanged, this, &Tf_root::focusMoved);
    // The preview watches the tables' view links, which die before the
    // child widgets do.
    delete m_preview;
    // The tables and links are members and die before the child widgets:
    // the grids let go of them first, and no reaction runs any more.
    for (FontPanel *panel : {&m_spaltenPanel, &m_ueberschriftPanel, &m_snrInfoPanel}) {
        disconnect(panel->sizeConnection);
        panel->sizeAttached = false;
        panel->grid->unbind();
    }
    mt_spalten.setAfterScroll({});
    mt_ueberschrift.setAfterScroll({});
    mt_snrInfo.setAfterScroll({});
}

bool Tf_root::runGuarded(const std::function<void()> &work)
{
    return RunGuarded(*m_dialogs, this, work);
}

void Tf_root::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        FormShow();
    }
}

void Tf_root::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void Tf_root::FormShow()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    setWindowTitle(Caption());
    P_Einstellungen->hide();
    fitToScreen();
    b_ende->setFocus();
    // The window manager's frame is known once the window is on the screen.
    QTimer::singleShot(0, this, [this] { fitToScreen(); });
    // Shown once only, so connected once.
    if (QWindow *window = windowHandle())
        connect(window, &QWindow::screenChanged, this, [this] { fitToScreen(); });
}

Tf_root::Layout Tf_root::LayoutFor(const QSize &room, int scrollBar)
{
    const QSize designed(794, 574);
    const QSize pageArea(794, 533);
    const int buttonRow = 41; // the button and the gaps around it
    Layout l;
    if (room.width() >= designed.width() && room.height() >= designed.height()) {
        l.window = designed;
        l.pages = QRect(QPoint(0, 0), pageArea);
        l.button = QRect(288, 533, 211, 36);
        l.previewButton = kPreviewButton;
        return l;
    }
    l.scrolls = true;
    QSize window = designed.boundedTo(room);
    // A scroll bar in one direction takes room from the other.
    const bool down = window.height() < designed.height();
    if (down)
        window.setWidth(std::min(room.width(), designed.width() + scrollBar));
    const bool across = window.width() - (down ? scrollBar : 0) < pageArea.width();
    if (across)
        window.setHeight(std::min(room.height(), designed.height() + scrollBar));
    // Below this nothing useful shows; the window then needs the screen's
    // own scrolling of the window manager.
    const QSize smallest(240, 160);
    l.window = window.expandedTo(smallest);
    l.pages = QRect(0, 0, l.window.width(), l.window.height() - buttonRow);
    const int buttonWidth = std::min(211, l.window.width() - 8);
    l.button = QRect((l.window.width() - buttonWidth) / 2, l.window.height() - buttonRow, buttonWidth, 36);
    // "Vorschau" to its right; where the row is too narrow for both, the
    // pair is centred and both give up width.
    const int previewWidth = kPreviewButton.width();
    const int besideButton = l.window.width() - 4 - (l.button.right() + 1 + kButtonGap);
    if (besideButton >= previewWidth) {
        l.previewButton = QRect(l.button.right() + 1 + kButtonGap, l.button.top(), previewWidth, 36);
        return l;
    }
    const int row = l.window.width() - 8;
    const int first = std::min(211, (row - kButtonGap) * 211 / (211 + previewWidth));
    const int second = std::min(previewWidth, row - kButtonGap - first);
    const int left = (l.window.width() - (first + kButtonGap + second)) / 2;
    l.button = QRect(left, l.button.top(), first, 36);
    l.previewButton = QRect(left + first + kButtonGap, l.button.top(), second, 36);
    return l;
}

void Tf_root::applyLayout(const Layout &l)
{
    setFixedSize(l.window);
    m_pageScroller->setGeometry(l.pages);
    m_pageScroller->setHorizontalScrollBarPolicy(l.scrolls ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    m_pageScroller->setVerticalScrollBarPolicy(l.scrolls ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    b_ende->setGeometry(l.button);
    b_vorschau->setGeometry(l.previewButton);
}

void Tf_root::fitToScreen()
{
    QScreen *screen = this->screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    // Before the window manager has framed the window, allow for a usual
    // frame (title bar and borders, in device pixels).
    QMargins frame(frameGeometry().left() - geometry().left(), geometry().top() - frameGeometry().top(),
                   frameGeometry().right() - geometry().right(),
                   frameGeometry().bottom() - geometry().bottom());
    if (frame.isNull() && testAttribute(Qt::WA_WState_Created) && QGuiApplication::platformName() == u"xcb") {
        const qreal ratio = screen->devicePixelRatio();
        frame = QMargins(qCeil(6 / ratio), qCeil(30 / ratio), qCeil(6 / ratio), qCeil(6 / ratio));
    }
    const QSize room = available.size().shrunkBy(frame);
    const int scrollBar =
        m_pageScroller->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_pageScroller);
    const Layout l = LayoutFor(room, scrollBar);
    applyLayout(l);
    if (!l.scrolls) {
        move(available.center() - rect().center());
        return;
    }
    // Too small a screen: the whole frame inside it, from its top left.
    move(available.topLeft());
}

void Tf_root::FormActivate()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void Tf_root::ti_startTimer()
{
    ti_start->stop();
    if (m_startWork)
        runGuarded(m_startWork);
}

void Tf_root::b_endeClick()
{
    if (m_saveWork)
        runGuarded(m_saveWork);
}

DisplayPreview *Tf_root::preview() const
{
    return m_preview;
}

void Tf_root::b_vorschauClick()
{
    runGuarded([this] {
        if (!m_preview)
            m_preview = new DisplayPreview(*this);
        m_preview->show();
        if (m_preview->isMinimized())
            m_preview->showNormal();
        m_preview->raise();
        m_preview->activateWindow();
    });
}

bool Tf_root::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        auto *button = qobject_cast<QPushButton *>(watched);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if (button && button->isEnabled() && mods == Qt::NoModifier &&
            (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            if (!key->isAutoRepeat())
                button->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Tf_root::closeWithoutAsking()
{
    m_closeWithoutAsking = true;
    close();
}

void Tf_root::closeEvent(QCloseEvent *event)
{
    // The close box, Alt+F4 or the window manager: nothing is written unless
    // the operator says so, and nothing is asked when nothing would change.
    bool changed = false;
    if (!m_closeWithoutAsking && m_changedCheck && !runGuarded([&] { changed = m_changedCheck(); }))
        changed = true;
    if (!changed) {
        event->accept();
        closePreview();
        return;
    }
    switch (dialogs().askUnsavedChanges(this)) {
    case Dialogs::CloseAnswer::Save:
        // Exactly the save of "speichern + schliessen"; when it fails, its
        // message has been shown and the window stays open.
        b_endeClick();
        event->setAccepted(m_closeWithoutAsking);
        break;
    case Dialogs::CloseAnswer::Discard:
        event->accept();
        break;
    case Dialogs::CloseAnswer::Cancel:
        event->ignore();
        break;
    }
    if (event->isAccepted())
        closePreview();
}

void Tf_root::closePreview()
{
    if (m_preview)
        m_preview->close();
}

void Tf_root::TabSheet2Hide()
{
    runGuarded([this] { TabSheet2->TabSheet2Hide(); });
}

void Tf_root::P_EinstellungenExit()
{
    runGuarded([this] { PostIfEditing(mt_spalten); });
}

void Tf_root::TabSheet3Exit()
{
    runGuarded([this] { PostIfEditing(mt_ueberschrift); });
}

void Tf_root::focusMoved(QWidget *old, QWidget *now)
{
    // A focus leaving for another window (a message box) is no exit.
    if (!now || now->window() != this)
        return;
    if (isInside(old, TabSheet3) && !isInside(now, TabSheet3))
        TabSheet3Exit();
    if (isInside(old, P_Einstellungen) && !isInside(now, P_Einstellungen))
        P_EinstellungenExit();
}
