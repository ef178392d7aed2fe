#include "Tf_root.h"

#include "CueLineEdit.h"
#include "DarstellungPage.h"
#include "Dialogs.h"
#include "DisplayPreview.h"
#include "EditHistory.h"
#include "FontLists.h"
#include "FontPanels.h"
#include "Guard.h"
#include "LayoutMenu.h"
#include "PageWidgets.h"
#include "PanelGrid.h"
#include "PreviewEditing.h"
#include "StartnummernInfoPage.h"
#include "UeberschriftPage.h"
#include "VerbindungPage.h"
#include "columns/FormatPersistence.h"

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

namespace
{

const QColor kNavy(0x00, 0x00, 0x80);

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
    bindPanels();
}

// "speichern + schliessen" and, beside it, "Vorschau".
void Tf_root::buildButtonRow()
{
    b_ende = new QPushButton(tr("speichern + schliessen"), this);
    b_ende->setObjectName(QStringLiteral("b_ende"));
    b_ende->setGeometry(kSaveButtonPlace);
    b_ende->setAccessibleName(b_ende->text());
    b_ende->setAutoDefault(false);
    b_ende->setPalette(QApplication::palette());

    // Beside it, on the same row and as high: the display preview.
    b_vorschau = new QPushButton(tr("Vorschau"), this);
    b_vorschau->setObjectName(QStringLiteral("b_vorschau"));
    b_vorschau->setGeometry(kPreviewButtonPlace);
    b_vorschau->setAccessibleName(b_vorschau->text());
    b_vorschau->setToolTip(tr("Vorschau der Anzeige (F5)"));
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
    P_Einstellungen->addTab(TabSheet1, tr("Verbindung"));
    P_Einstellungen->addTab(TabSheet2, tr("Darstellung"));
    P_Einstellungen->addTab(TabSheet3, tr("Überschrift"));
    P_Einstellungen->addTab(TabSheet4, tr("Startnummern Info"));
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

// The pages bound to the editor state, each with its panel grid; the layout
// menu beside "Vorschau".
void Tf_root::bindPanels()
{
    // The installed fonts are enumerated once here.
    const GuardFn guard = [this](const std::function<void()> &work) { return runGuarded(work); };
    m_fontPanels = new FontPanels(m_state, *m_dialogs, *this, guard);
    TabSheet1->bind(m_state);
    TabSheet2->bind(m_state, *m_fontPanels);
    TabSheet3->bind(m_state, *m_fontPanels);
    TabSheet4->bind(m_state, *m_fontPanels);
    m_layoutMenu = new LayoutMenu(*this, b_vorschau, *m_dialogs, guard);
    m_layoutMenu->setLogoWritten([this] { TabSheet2Hide(); });
    m_history = new EditHistory(m_state, *this, guard);
    m_history->placeButtons(kSaveButtonPlace);
    const auto pageOf = [this](Key formatKey) -> QWidget * {
        switch (formatKey) {
        case Key::UeberschriftFormat:
            return TabSheet3;
        case Key::SNRInfoFelderFormat:
            return TabSheet4;
        default:
            return TabSheet2;
        }
    };
    m_previewEditing = new PreviewEditing(m_state, *m_fontPanels, *m_history, *P_Einstellungen, pageOf, this);
}

FontNameModel *Tf_root::fontNames() const
{
    return m_fontPanels->fontNames();
}

void Tf_root::showPages()
{
    P_Einstellungen->setCurrentWidget(TabSheet2);
    P_Einstellungen->show();
}

Tf_root::~Tf_root()
{
    disconnect(qApp, &QApplication::focusChanged, this, &Tf_root::focusMoved);
    // The preview watches the tables' view links, which die before the
    // child widgets do.
    delete m_preview;
    delete m_history;
    // The state is a member and dies before the child widgets: the grids
    // let go of its tables first, and no reaction runs any more.
    m_fontPanels->unbindAll();
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

void Tf_root::applyLayout(const Layout &l)
{
    setFixedSize(l.window);
    m_pageScroller->setGeometry(l.pages);
    m_pageScroller->setHorizontalScrollBarPolicy(l.scrolls ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    m_pageScroller->setVerticalScrollBarPolicy(l.scrolls ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    b_ende->setGeometry(l.button);
    b_vorschau->setGeometry(l.previewButton);
    m_history->placeButtons(l.button);
}

void Tf_root::fitToScreen()
{
    QScreen *screen = this->screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QSize room = available.size().shrunkBy(WindowFrame(*this, screen->devicePixelRatio()));
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
    // Undo reaches back to what the load left, never further.
    m_history->start();
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
        if (!m_preview) {
            m_preview = new DisplayPreview(m_state, this);
            m_previewEditing->attach(m_preview);
            m_preview->setLogo(TabSheet2->displayLogo());
            connect(TabSheet2, &DarstellungPage::logoLoaded, m_preview,
                    [this] { m_preview->setLogo(TabSheet2->displayLogo()); });
        }
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
    runGuarded([this] { PostIfEditing(m_state.mt_spalten); });
}

void Tf_root::TabSheet3Exit()
{
    runGuarded([this] { PostIfEditing(m_state.mt_ueberschrift); });
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
