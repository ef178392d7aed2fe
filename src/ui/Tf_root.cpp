#include "Tf_root.h"

#include "columns/ColumnSync.h"
#include "columns/FormatPersistence.h"
#include "CueLineEdit.h"
#include "DarstellungPage.h"
#include "Dialogs.h"
#include "Guard.h"
#include "PageWidgets.h"
#include "StartnummernInfoPage.h"
#include "UeberschriftPage.h"
#include "VerbindungPage.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QStyleFactory>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

namespace {

const QColor kNavy(0x00, 0x00, 0x80);

bool isInside(const QWidget *w, const QWidget *container)
{
    return w && container && (w == container || container->isAncestorOf(w));
}

} // namespace

Tf_root::Tf_root(Dialogs *dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
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

    b_ende = new QPushButton(QStringLiteral("speichern + schliessen"), this);
    b_ende->setObjectName(QStringLiteral("b_ende"));
    b_ende->setGeometry(288, 533, 211, 36);
    b_ende->setAccessibleName(b_ende->text());
    b_ende->setAutoDefault(false);
    b_ende->setPalette(QApplication::palette());

    P_Einstellungen = new QTabWidget(this);
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

    QWidget::setTabOrder(b_ende, P_Einstellungen);

    ti_start = new QTimer(this);
    ti_start->setObjectName(QStringLiteral("ti_start"));
    ti_start->setSingleShot(true);
    ti_start->setInterval(100);
    connect(ti_start, &QTimer::timeout, this, &Tf_root::ti_startTimer);
    ti_start->start();

    connect(b_ende, &QPushButton::clicked, this, &Tf_root::b_endeClick);
    connect(P_Einstellungen, &QTabWidget::currentChanged, this, [this](int index) {
        // The new page is already visible; then the old page's leave reaction.
        const int old = m_activePage;
        m_activePage = index;
        if (old == P_Einstellungen->indexOf(TabSheet2) && old != index)
            TabSheet2Hide();
    });
    connect(qApp, &QApplication::focusChanged, this, &Tf_root::focusMoved);

    // FormCreate: the tables are open for the window's whole life; the
    // heading table follows the detection table's view link.
    mt_spalten.Open();
    mt_ueberschrift.Open();
    mt_snrInfo.Open();
    mt_ueberschrift.setMasterSource(&ds_spalten);
    setSpaltenReactionsAttached(true);
    mt_snrInfo.setAfterScroll([this] { mt_snrInfoAfterScroll(); });
    connect(TabSheet2->e_InfoZeile, &QLineEdit::textChanged, this, &Tf_root::e_InfoZeileChange);
    connect(TabSheet4->e_SNRInfoFelder, &QLineEdit::textChanged, this, &Tf_root::e_SNRInfoFelderChange);
}

void Tf_root::e_InfoZeileChange()
{
    SyncInfoZeile(TabSheet2->e_InfoZeile->text(), InfoColumns, mt_spalten, mt_ueberschrift, ds_spalten,
                  ds_ueberschrift, [this](const QString &text) { TabSheet2->l_anzahlspalten->setText(text); });
}

void Tf_root::e_SNRInfoFelderChange()
{
    SyncSnrInfoFelder(TabSheet4->e_SNRInfoFelder->text(), SnrInfoColumns, mt_snrInfo, ds_snrinfo,
                      [this](const QString &text) { TabSheet4->l_anzahlspalten_snri->setText(text); });
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

void Tf_root::mt_spaltenAfterScroll() {}

void Tf_root::mt_ueberschriftAfterScroll() {}

void Tf_root::mt_snrInfoAfterScroll() {}

Tf_root::~Tf_root()
{
    disconnect(qApp, &QApplication::focusChanged, this, &Tf_root::focusMoved);
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
    if (QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    b_ende->setFocus();
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
