#include "support/FakeDialogs.h"
#include "ui/CueLineEdit.h"
#include "ui/DarstellungPage.h"
#include "ui/DisplayPreview.h"
#include "ui/PanelGrid.h"
#include "ui/StartnummernInfoPage.h"
#include "ui/Tf_root.h"
#include "ui/UeberschriftPage.h"
#include "ui/VerbindungPage.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

// Readable failures.
void PrintTo(const QString &text, std::ostream *os)
{
    *os << text.toStdString();
}

// Tab walks the whole window in the designed order of every page, in both
// connection modes, skipping what is hidden.

namespace
{

// The name a focused widget is known by: a control inside a panel grid counts
// as its grid, the page control's tab strip as the page control.
QString StopName(QWidget *w)
{
    for (QWidget *p = w; p; p = p->parentWidget()) {
        if (qobject_cast<PanelGrid *>(p))
            return p->objectName();
        if (qobject_cast<QTabBar *>(p))
            return QStringLiteral("P_Einstellungen");
    }
    return w ? w->objectName() : QStringLiteral("(none)");
}

class TabOrder : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        w.ti_start->stop();
        w.show();
        w.P_Einstellungen->show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }

    // The stops from the button round the window back to it.
    QStringList walk(bool backwards = false)
    {
        w.b_ende->setFocus(Qt::OtherFocusReason);
        QStringList stops{StopName(QApplication::focusWidget())};
        for (int i = 0; i < 200; ++i) {
            QTest::keyClick(QApplication::focusWidget(), backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                            backwards ? Qt::ShiftModifier : Qt::NoModifier);
            const QString name = StopName(QApplication::focusWidget());
            if (name != stops.back())
                stops << name;
            if (name == "b_ende")
                break;
        }
        return stops;
    }

    FakeDialogs dialogs;
    Tf_root w{&dialogs};
};

// "Vorschau" follows the page control and everything on its pages.
QStringList Round(const QStringList &page)
{
    return QStringList{"b_ende", "P_Einstellungen"} + page + QStringList{"b_vorschau", "b_layout", "b_ende"};
}

QStringList Reversed(QStringList list)
{
    std::reverse(list.begin(), list.end());
    return list;
}

TEST_F(TabOrder, VerbindungInBothModes)
{
    w.P_Einstellungen->setCurrentWidget(w.TabSheet1);
    const struct {
        bool online;
        QStringList stops;
    } modes[] = {
        {false, {"e_server", "rb_lokal", "rb_imInet", "e_vapasswort", "e_vanr"}},
        {true, {"rb_lokal", "rb_imInet", "e_kundennummer", "e_kdpasswort", "e_vapasswort", "e_vanr"}},
    };
    for (const auto &m : modes) {
        (m.online ? w.TabSheet1->rb_imInet : w.TabSheet1->rb_lokal)->setChecked(true);
        EXPECT_EQ(walk(), Round(m.stops)) << (m.online ? "online" : "local");
        EXPECT_EQ(walk(true), Reversed(Round(m.stops))) << (m.online ? "online" : "local");
    }
}

TEST_F(TabOrder, TheOtherPages)
{
    const struct {
        QWidget *page;
        QStringList stops;
    } pages[] = {
        {w.TabSheet2,
         {"cb_vollbild", "e_hintergrund", "tb_trans", "e_zweitezeile", "e_erstesEF", "e_letztesEF",
          "e_anzahlzeilen", "e_InfoZeile", "dbcg_spalten", "e_timeoutleereZeile", "e_timeoutlogo"}},
        {w.TabSheet3, {"DBCtrlGrid2", "cb_mitueberschrift"}},
        {w.TabSheet4, {"cb_startnummerninfo", "DBCtrlGrid1", "e_SNRInfoFelder", "e_StartNrInFeld"}},
    };
    for (const auto &p : pages) {
        w.P_Einstellungen->setCurrentWidget(p.page);
        EXPECT_EQ(walk(), Round(p.stops)) << p.page->objectName().toStdString();
    }
}

// Space and the arrow keys still choose the mode on a focused radio button.
TEST_F(TabOrder, KeysStillChooseTheMode)
{
    w.P_Einstellungen->setCurrentWidget(w.TabSheet1);
    VerbindungPage &v = *w.TabSheet1;
    v.rb_lokal->setChecked(true);
    v.rb_imInet->setFocus(Qt::TabFocusReason);
    QTest::keyClick(v.rb_imInet, Qt::Key_Space);
    EXPECT_TRUE(v.rb_imInet->isChecked());
    EXPECT_FALSE(v.rb_lokal->isChecked());
    EXPECT_FALSE(v.e_kundennummer->isHidden());
    // A click on the button already checked leaves it checked.
    QTest::mouseClick(v.rb_imInet, Qt::LeftButton);
    EXPECT_TRUE(v.rb_imInet->isChecked());
    QTest::mouseClick(v.rb_lokal, Qt::LeftButton);
    EXPECT_TRUE(v.rb_lokal->isChecked());
    EXPECT_FALSE(v.rb_imInet->isChecked());
    EXPECT_TRUE(v.e_kundennummer->isHidden());
    EXPECT_FALSE(v.e_server->isHidden());

    // An arrow goes to the neighbouring button; from the checked one it also
    // chooses the neighbour. Past the pair's ends it does nothing.
    const struct {
        Qt::Key key;
        const char *focus;
        bool online;
    } arrows[] = {
        {Qt::Key_Left, "rb_lokal", false}, {Qt::Key_Right, "rb_imInet", true},
        {Qt::Key_Down, "rb_imInet", true}, {Qt::Key_Up, "rb_lokal", false},
        {Qt::Key_Up, "rb_lokal", false},
    };
    v.rb_lokal->setFocus(Qt::TabFocusReason);
    for (const auto &a : arrows) {
        QTest::keyClick(QApplication::focusWidget(), a.key);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), a.focus) << a.key;
        EXPECT_EQ(v.rb_imInet->isChecked(), a.online) << a.key;
        EXPECT_NE(v.rb_lokal->isChecked(), a.online) << a.key;
        EXPECT_EQ(v.e_kundennummer->isHidden(), !a.online) << a.key;
    }
    // From the unchecked button an arrow moves the focus only.
    v.rb_imInet->setFocus(Qt::TabFocusReason);
    QTest::keyClick(v.rb_imInet, Qt::Key_Left);
    EXPECT_TRUE(v.rb_lokal->hasFocus());
    EXPECT_TRUE(v.rb_lokal->isChecked());
    QTest::keyClick(v.rb_lokal, Qt::Key_Right);
    EXPECT_TRUE(v.rb_imInet->hasFocus());
    EXPECT_TRUE(v.rb_imInet->isChecked());
}

} // namespace

namespace
{

// Return and Enter press the focused push button, as Space does; each runs
// the button's work once.
TEST_F(TabOrder, ReturnAndEnterPressTheFocusedButton)
{
    int saves = 0;
    w.setSaveWork([&] { ++saves; });
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int expected;
    } presses[] = {
        {Qt::Key_Return, Qt::NoModifier, 1},
        {Qt::Key_Enter, Qt::KeypadModifier, 1},
        {Qt::Key_Space, Qt::NoModifier, 1},
        {Qt::Key_Return, Qt::ControlModifier, 0}, // not a plain Return
    };
    for (const auto &p : presses) {
        saves = 0;
        w.b_ende->setFocus(Qt::TabFocusReason);
        QTest::keyClick(w.b_ende, p.key, p.modifiers);
        EXPECT_EQ(saves, p.expected) << p.key;
    }
    // On "Vorschau" the same keys open the preview and save nothing.
    for (const auto &p : presses) {
        saves = 0;
        w.b_vorschau->setFocus(Qt::TabFocusReason);
        QTest::keyClick(w.b_vorschau, p.key, p.modifiers);
        EXPECT_EQ(saves, 0) << p.key;
        EXPECT_EQ(w.preview() != nullptr && w.preview()->isVisible(), p.expected == 1) << p.key;
        if (w.preview())
            w.preview()->close();
    }
    // Return in a text field does not reach the button.
    saves = 0;
    w.P_Einstellungen->setCurrentWidget(w.TabSheet1);
    w.TabSheet1->e_vanr->setFocus();
    QTest::keyClick(w.TabSheet1->e_vanr, Qt::Key_Return);
    EXPECT_EQ(saves, 0);
}

} // namespace
