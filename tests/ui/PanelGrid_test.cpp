#include "settings/ColorCodec.h"
#include "support/FakeDialogs.h"
#include "ui/ColumnPanel.h"
#include "ui/CueLineEdit.h"
#include "ui/DarstellungPage.h"
#include "ui/FontLists.h"
#include "ui/PanelGrid.h"
#include "ui/StartnummernInfoPage.h"
#include "ui/Tf_root.h"
#include "ui/UeberschriftPage.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>

namespace
{

// Logs the row as stored after every post of its table.
class PostLog : public FormatTableObserver
{
  public:
    PostLog(ViewLink &link) : m_link(link) { link.addObserver(this); }
    ~PostLog() override { m_link.removeObserver(this); }
    void stateChanged() override
    {
        FormatTable *t = m_link.table();
        if (t && t->State() == TableState::Browse)
            posts.push_back({t->asText(0), t->asText(1)});
    }
    std::vector<std::pair<QString, QString>> posts;

  private:
    ViewLink &m_link;
};

using Row = std::map<int, QString>; // position -> text; an empty text leaves the field unset

class PanelTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        w.ti_start->stop();
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        w.P_Einstellungen->show();
        w.P_Einstellungen->setCurrentWidget(w.TabSheet2);
    }

    // Columns A, B, ... through the formula line, then the given formats.
    void columns(int n, const std::vector<Row> &rows = {})
    {
        QStringList formulas;
        for (int i = 0; i < n; ++i)
            formulas << QStringLiteral("Spalte%1").arg(i + 1);
        w.TabSheet2->e_InfoZeile->setText(formulas.join(u','));
        fill(w.state().mt_spalten, rows);
    }
    static void fill(FormatTable &t, const std::vector<Row> &rows)
    {
        t.First();
        for (const Row &row : rows) {
            t.Edit();
            for (const auto &[pos, text] : row)
                if (text.isEmpty())
                    t.setNull(pos);
                else
                    t.setText(pos, text);
            t.Post();
            t.Next();
        }
        t.First();
    }
    ColumnPanel *panel() { return w.TabSheet2->dbcg_spalten->livePanel(); }
    PanelGrid *grid() { return w.TabSheet2->dbcg_spalten; }
    void clickPanel(PanelGrid *g, int slot)
    {
        QTest::mouseClick(g, Qt::LeftButton, {}, QPoint(slot * g->panelWidth() + 70, 3));
    }
    // The operator opens the list and takes an entry with the Enter key.
    static void chooseFont(FontNameList *list, const QString &name)
    {
        const int row = list->findText(name);
        ASSERT_GE(row, 0) << name.toStdString();
        list->showPopup();
        list->view()->setCurrentIndex(list->model()->index(row, 0));
        QTest::keyClick(list->view(), Qt::Key_Enter);
        ASSERT_EQ(list->currentText(), name);
    }
    void typeInto(QWidget *field, const QString &text)
    {
        QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(field->width() - 4, field->height() / 2));
        QTest::keyClick(field, Qt::Key_End);
        QTest::keyClicks(field, text);
    }

    FakeDialogs dialogs;
    Tf_root w{&dialogs};
};

// ---------------------------------------------------------------- font lists follow the row

struct FollowCase {
    const char *storedName;
    const char *storedSize; // "" = unset
    const char *listedName; // "" = nothing selected
    const char *shownSize;
    bool sizeEntrySelected;
};

class FollowRowTest : public PanelTest, public ::testing::WithParamInterface<FollowCase>
{
};

TEST_P(FollowRowTest, FontListsFollowTheRowWithoutChangingIt)
{
    const FollowCase &c = GetParam();
    columns(2, {{{0, "Nimbus Sans"}, {1, "9"}}, {{0, c.storedName}, {1, c.storedSize}}});
    PostLog log(w.state().ds_spalten);
    QTest::mouseClick(grid(), Qt::LeftButton, {}, QPoint(147 + 70, 3));
    ASSERT_EQ(w.state().mt_spalten.RecNo(), 2);
    EXPECT_EQ(w.TabSheet2->dbcg_spalten->livePanel()->fontName->currentText(), c.listedName);
    EXPECT_EQ(w.TabSheet2->dbcg_spalten->livePanel()->fontSize->currentText(), c.shownSize);
    if (QString(c.listedName).isEmpty()) {
        EXPECT_EQ(w.TabSheet2->dbcg_spalten->livePanel()->fontSize->count(), 0);
    } else {
        EXPECT_EQ(w.TabSheet2->dbcg_spalten->livePanel()->fontSize->count(), 16);
        EXPECT_EQ(w.TabSheet2->dbcg_spalten->livePanel()->fontSize->currentIndex() >= 0, c.sizeEntrySelected);
        if (c.sizeEntrySelected) {
            EXPECT_EQ(w.TabSheet2->dbcg_spalten->livePanel()->fontSize->itemText(
                          w.TabSheet2->dbcg_spalten->livePanel()->fontSize->currentIndex()),
                      c.shownSize);
        }
    }
    // The row keeps what it has; the panel's bound texts show it.
    EXPECT_EQ(w.state().mt_spalten.State(), TableState::Browse);
    EXPECT_TRUE(log.posts.empty());
    EXPECT_EQ(w.state().mt_spalten.asText(0), c.storedName);
    EXPECT_EQ(w.state().mt_spalten.asText(1), c.storedSize);
    EXPECT_EQ(panel()->fontNameText->text(), c.storedName);
    EXPECT_EQ(panel()->sizeText->text(), c.storedSize);
}

INSTANTIATE_TEST_SUITE_P(
    Panels, FollowRowTest,
    ::testing::Values(FollowCase{"DejaVu Sans", "12", "DejaVu Sans", "12", true},
                      FollowCase{"dejavu sans", "12", "DejaVu Sans", "12", true}, // letter case
                      FollowCase{"DejaVu Sans", "13", "DejaVu Sans", "13", false},
                      FollowCase{"DejaVu Sans", "0", "DejaVu Sans", "10", true},
                      FollowCase{"DejaVu Sans", "", "DejaVu Sans", "10", true},
                      FollowCase{"DejaVu Sans", "1000", "DejaVu Sans", "10", true},
                      FollowCase{"Courier New", "14", "", "", false}, // not installed here
                      FollowCase{"1", "", "", "", false}));           // first synchronised row

TEST_F(PanelTest, ChoosingAFontStoresTheShownSizeAgain)
{
    columns(1, {{{0, "DejaVu Sans"}, {1, "14"}}});
    PostLog log(w.state().ds_spalten);
    chooseFont(w.TabSheet2->dbcg_spalten->livePanel()->fontName, "Nimbus Mono PS");
    EXPECT_EQ(w.state().mt_spalten.asText(0), "Nimbus Mono PS");
    EXPECT_EQ(w.state().mt_spalten.asText(1), "14");
    EXPECT_EQ(w.state().mt_spalten.State(), TableState::Browse);
    // the name is posted, then the refilled list sets 14 again and posts it
    ASSERT_GE(log.posts.size(), 2u);
    EXPECT_EQ(log.posts.back(), std::make_pair(QString("Nimbus Mono PS"), QString("14")));
    EXPECT_EQ(log.posts[log.posts.size() - 2], std::make_pair(QString("Nimbus Mono PS"), QString("14")));
    EXPECT_EQ(w.TabSheet2->dbcg_spalten->livePanel()->fontSize->count(), 16);
    EXPECT_EQ(panel()->fontNameText->text(), "Nimbus Mono PS");
}

TEST_F(PanelTest, ChoosingAFontWhileNoSizeIsShownStoresTen)
{
    columns(1); // row 1 is "1" with no size
    ASSERT_EQ(w.TabSheet2->dbcg_spalten->livePanel()->fontSize->currentText(), "");
    chooseFont(w.TabSheet2->dbcg_spalten->livePanel()->fontName, "DejaVu Sans");
    EXPECT_EQ(w.state().mt_spalten.asText(0), "DejaVu Sans");
    EXPECT_EQ(w.state().mt_spalten.asText(1), "10");
    EXPECT_EQ(w.TabSheet2->dbcg_spalten->livePanel()->fontSize->currentText(), "10");
}

TEST_F(PanelTest, EveryKeystrokeInTheSizeListStoresAtOnce)
{
    columns(1, {{{0, "DejaVu Sans"}, {1, "14"}}});
    PostLog log(w.state().ds_spalten);
    w.TabSheet2->dbcg_spalten->livePanel()->fontSize->setFocus();
    w.TabSheet2->dbcg_spalten->livePanel()->fontSize->lineEdit()->selectAll();
    QTest::keyClicks(w.TabSheet2->dbcg_spalten->livePanel()->fontSize, "24");
    std::vector<QString> sizes;
    for (const auto &p : log.posts)
        sizes.push_back(p.second);
    EXPECT_EQ(sizes, (std::vector<QString>{"2", "24"}));
    // letters are refused
    QTest::keyClicks(w.TabSheet2->dbcg_spalten->livePanel()->fontSize, "x");
    EXPECT_EQ(w.TabSheet2->dbcg_spalten->livePanel()->fontSize->currentText(), "24");
    EXPECT_EQ(w.state().mt_spalten.asText(1), "24");
}

struct LeaveCase {
    const char *typed;
    const char *storedBeforeLeaving;
    const char *shownAfter;
    const char *storedAfter;
    const char *failure; // "" = none
};

class SizeLeaveTest : public PanelTest, public ::testing::WithParamInterface<LeaveCase>
{
};

TEST_P(SizeLeaveTest, LeavingTheSizeListNormalisesOrFails)
{
    const LeaveCase &c = GetParam();
    columns(1, {{{0, "DejaVu Sans"}, {1, "14"}}});
    w.TabSheet2->dbcg_spalten->livePanel()->fontSize->setFocus();
    w.TabSheet2->dbcg_spalten->livePanel()->fontSize->lineEdit()->selectAll();
    QTest::keyClick(w.TabSheet2->dbcg_spalten->livePanel()->fontSize, Qt::Key_Backspace);
    QTest::keyClicks(w.TabSheet2->dbcg_spalten->livePanel()->fontSize, c.typed);
    EXPECT_EQ(w.state().mt_spalten.asText(1), c.storedBeforeLeaving);
    w.TabSheet2->e_anzahlzeilen->setFocus();
    EXPECT_EQ(w.TabSheet2->dbcg_spalten->livePanel()->fontSize->currentText(), c.shownAfter);
    EXPECT_EQ(w.state().mt_spalten.asText(1), c.storedAfter);
    if (QString(c.failure).isEmpty()) {
        EXPECT_TRUE(dialogs.failures.isEmpty()) << dialogs.failures.join('|').toStdString();
    } else {
        EXPECT_EQ(dialogs.failures, QStringList{c.failure});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Panels, SizeLeaveTest,
    ::testing::Values(LeaveCase{"", "-1", "10", "10", ""}, LeaveCase{"1000", "1000", "10", "10", ""},
                      LeaveCase{"+12", "12", "12", "12", ""},
                      LeaveCase{"-", "-1", "-", "-1", "''-'' ist kein gültiger Integer-Wert."},
                      LeaveCase{"1-2", "-1", "1-2", "-1", "''1-2'' ist kein gültiger Integer-Wert."}));

TEST_F(PanelTest, SizeListWithoutFontRefusesKeys)
{
    columns(1);
    ASSERT_TRUE(w.TabSheet2->dbcg_spalten->livePanel()->fontSize->FontName().isEmpty());
    PostLog log(w.state().ds_spalten);
    w.TabSheet2->dbcg_spalten->livePanel()->fontSize->setFocus();
    QTest::keyClicks(w.TabSheet2->dbcg_spalten->livePanel()->fontSize, "12");
    EXPECT_EQ(w.TabSheet2->dbcg_spalten->livePanel()->fontSize->currentText(), "");
    EXPECT_TRUE(log.posts.empty());
}

// ---------------------------------------------------------------- bound controls

TEST_F(PanelTest, TypedCharactersAreWrittenWhenAnotherPanelIsClicked)
{
    columns(3);
    typeInto(panel()->anzahlzeichen, "7");
    EXPECT_EQ(w.state().mt_spalten.State(), TableState::Edit);
    EXPECT_EQ(w.state().mt_spalten.rows()[0][5].isNull, true); // not yet written
    clickPanel(grid(), 2);
    EXPECT_EQ(w.state().mt_spalten.RecNo(), 3);
    EXPECT_EQ(w.state().mt_spalten.rows()[0][5].integer, 7);
    EXPECT_FALSE(w.state().mt_spalten.rows()[0][5].isNull);
    EXPECT_EQ(panel()->anzahlzeichen->text(), "");
    EXPECT_TRUE(dialogs.failures.isEmpty());
}

TEST_F(PanelTest, ASignAloneFailsTheCommitAndTheRowStaysInEdit)
{
    columns(3, {{{5, "4"}}});
    panel()->anzahlzeichen->selectAll();
    typeInto(panel()->anzahlzeichen, "x"); // refused
    EXPECT_EQ(panel()->anzahlzeichen->text(), "4");
    panel()->anzahlzeichen->selectAll();
    QTest::keyClicks(panel()->anzahlzeichen, "+");
    clickPanel(grid(), 1);
    EXPECT_EQ(dialogs.failures, QStringList{"'+' ist kein gültiger Integerwert für Feld 'anzahlzeichen'"});
    EXPECT_EQ(w.state().mt_spalten.State(), TableState::Edit);
    EXPECT_EQ(w.state().mt_spalten.RecNo(), 1);
    EXPECT_EQ(panel()->anzahlzeichen->text(), "+");
    EXPECT_EQ(w.state().mt_spalten.rows()[0][5].integer, 4);
    // emptied, the field becomes unset
    panel()->anzahlzeichen->setFocus();
    QTest::keyClick(panel()->anzahlzeichen, Qt::Key_Backspace);
    clickPanel(grid(), 1);
    EXPECT_EQ(w.state().mt_spalten.RecNo(), 2);
    EXPECT_TRUE(w.state().mt_spalten.rows()[0][5].isNull);
}

TEST_F(PanelTest, EscapePutsTheStoredTextBack)
{
    columns(2, {{{2, "#112233"}}});
    typeInto(panel()->farbe, "x");
    EXPECT_EQ(panel()->farbe->text(), "#112233"); // seven characters at most
    panel()->farbe->selectAll();
    QTest::keyClicks(panel()->farbe, "#FF");
    EXPECT_EQ(panel()->farbe->text(), "#FF");
    QTest::keyClick(panel()->farbe, Qt::Key_Escape);
    EXPECT_EQ(panel()->farbe->text(), "#112233");
    clickPanel(grid(), 1);
    EXPECT_EQ(w.state().mt_spalten.rows()[0][2].text, "#112233");
}

TEST_F(PanelTest, TickingFettOnAnUnsetRowWritesTrueAtTheNextCommit)
{
    columns(2);
    BoundCheckBox *fett = panel()->fett;
    EXPECT_EQ(fett->checkState(), Qt::PartiallyChecked);
    QTest::mouseClick(fett, Qt::LeftButton, {}, QPoint(6, fett->height() / 2));
    EXPECT_EQ(fett->checkState(), Qt::Checked);
    EXPECT_EQ(w.state().mt_spalten.State(), TableState::Edit);
    EXPECT_TRUE(w.state().mt_spalten.rows()[0][3].isNull);
    w.b_ende->setFocus(); // leaving the page control commits
    EXPECT_EQ(w.state().mt_spalten.State(), TableState::Browse);
    EXPECT_FALSE(w.state().mt_spalten.rows()[0][3].isNull);
    EXPECT_TRUE(w.state().mt_spalten.rows()[0][3].flag);
    QTest::mouseClick(fett, Qt::LeftButton, {}, QPoint(6, fett->height() / 2));
    EXPECT_EQ(fett->checkState(), Qt::Unchecked);
    clickPanel(grid(), 1);
    EXPECT_FALSE(w.state().mt_spalten.rows()[0][3].flag);
}

TEST_F(PanelTest, AlignmentMatchesWithoutRegardToCase)
{
    columns(3, {{{4, "MITTE"}}, {{4, "center"}}});
    BoundComboBox *ausrichtung = panel()->ausrichtung;
    EXPECT_EQ(ausrichtung->currentText(), "mitte");
    EXPECT_EQ(w.state().mt_spalten.rows()[0][4].text, "MITTE");
    clickPanel(grid(), 1);
    EXPECT_EQ(ausrichtung->currentIndex(), -1);
    ausrichtung->setFocus();
    QTest::keyClick(ausrichtung, Qt::Key_End); // "rechts"
    EXPECT_EQ(ausrichtung->currentText(), "rechts");
    EXPECT_EQ(w.state().mt_spalten.State(), TableState::Edit);
    clickPanel(grid(), 0);
    EXPECT_EQ(w.state().mt_spalten.rows()[1][4].text, "rechts");
    EXPECT_EQ(w.state().mt_spalten.rows()[0][4].text, "MITTE");
}

// ---------------------------------------------------------------- colour fields

struct ColourCase {
    int page;
    const char *grid;
    const char *field;
};

class ColourFieldTest : public PanelTest, public ::testing::WithParamInterface<ColourCase>
{
};

TEST_P(ColourFieldTest, ChooserStartsAtTheTextAndTheChoiceIsWrittenAtTheNextCommit)
{
    const ColourCase &c = GetParam();
    columns(2);
    w.TabSheet4->e_SNRInfoFelder->setText("Startnr,Name");
    for (FormatTable *t : {&w.state().mt_spalten, &w.state().mt_ueberschrift, &w.state().mt_snrInfo})
        fill(*t, {{{2, "#00FF00"}}});
    w.P_Einstellungen->setCurrentIndex(c.page);
    auto *g = w.findChild<PanelGrid *>(c.grid);
    ASSERT_NE(g, nullptr);
    FormatTable *t = g->livePanel()->binding().table();
    auto *field = w.findChild<BoundLineEdit *>(c.field);
    ASSERT_EQ(field, g->livePanel()->farbe);

    // cancelled: nothing changes
    QTest::mouseClick(field, Qt::LeftButton);
    ASSERT_EQ(dialogs.chooserStarts.size(), 1u);
    EXPECT_EQ(dialogs.chooserStarts[0], HexToColor("#00FF00"));
    EXPECT_EQ(t->State(), TableState::Browse);

    dialogs.choices.push_back(0xFF0000u); // blue
    QTest::mouseClick(field, Qt::LeftButton);
    EXPECT_EQ(field->text(), "#0000FF");
    EXPECT_EQ(t->State(), TableState::Edit);
    EXPECT_EQ(t->rows()[0][2].text, "#00FF00");
    clickPanel(g, 1);
    EXPECT_EQ(t->rows()[0][2].text, "#0000FF");
    EXPECT_EQ(t->RecNo(), 2);
}

INSTANTIATE_TEST_SUITE_P(Panels, ColourFieldTest,
                         ::testing::Values(ColourCase{1, "dbcg_spalten", "e_spalten_farbe"},
                                           ColourCase{2, "DBCtrlGrid2", "DBEdit1"},
                                           ColourCase{3, "DBCtrlGrid1", "DBEdit3"}));

// ---------------------------------------------------------------- explicit commits

TEST_F(PanelTest, LeavingTheHeadingPageCommitsItsPendingText)
{
    columns(2);
    w.P_Einstellungen->setCurrentWidget(w.TabSheet3);
    BoundLineEdit *text = w.TabSheet3->DBCtrlGrid2->livePanel()->text;
    typeInto(text, "Name");
    EXPECT_EQ(w.state().mt_ueberschrift.State(), TableState::Edit);
    w.P_Einstellungen->setCurrentWidget(w.TabSheet4);
    w.TabSheet4->e_StartNrInFeld->setFocus();
    EXPECT_EQ(w.state().mt_ueberschrift.State(), TableState::Browse);
    EXPECT_EQ(w.state().mt_ueberschrift.rows()[0][5].text, "Name");
}

TEST_F(PanelTest, FocusLeavingThePageControlCommitsTheDetectionRow)
{
    columns(2);
    typeInto(panel()->farbe, "");
    panel()->farbe->selectAll();
    QTest::keyClicks(panel()->farbe, "#123456");
    EXPECT_EQ(w.state().mt_spalten.State(), TableState::Edit);
    w.b_ende->setFocus();
    EXPECT_EQ(w.state().mt_spalten.State(), TableState::Browse);
    EXPECT_EQ(w.state().mt_spalten.rows()[0][2].text, "#123456");
}

// ---------------------------------------------------------------- the grid

TEST_F(PanelTest, SixColumnsShowFivePanelsAndAScrollBar)
{
    columns(5);
    EXPECT_FALSE(grid()->scrollBar()->isEnabled());
    columns(6);
    EXPECT_EQ(grid()->rowCount(), 6);
    EXPECT_TRUE(grid()->scrollBar()->isVisible());
    EXPECT_TRUE(grid()->scrollBar()->isEnabled());
    EXPECT_EQ(grid()->scrollBar()->maximum(), 1);
    grid()->grab();
    EXPECT_EQ(grid()->panelsPainted(), 4); // and the live one
    EXPECT_EQ(panel()->x(), 0);
    // the sixth comes into view as the current row
    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_End);
    EXPECT_EQ(w.state().mt_spalten.RecNo(), 6);
    EXPECT_EQ(grid()->firstVisibleRow(), 1);
    EXPECT_EQ(panel()->x(), 4 * grid()->panelWidth());
    // or when it is scrolled to
    QTest::keyClick(grid(), Qt::Key_Home);
    EXPECT_EQ(grid()->firstVisibleRow(), 0);
    grid()->scrollBar()->setValue(1);
    EXPECT_EQ(grid()->firstVisibleRow(), 1);
    EXPECT_EQ(w.state().mt_spalten.RecNo(), 1);
}

TEST_F(PanelTest, KeysMoveTheCursorAndTheListsFollow)
{
    columns(4, {{{0, "DejaVu Sans"}}, {{0, "Nimbus Sans"}}, {{0, "DejaVu Serif"}}, {{0, "Nimbus Roman"}}});
    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_Right);
    EXPECT_EQ(w.state().mt_spalten.RecNo(), 2);
    EXPECT_EQ(w.TabSheet2->dbcg_spalten->livePanel()->fontName->currentText(), "Nimbus Sans");
    QTest::keyClick(grid(), Qt::Key_End);
    EXPECT_EQ(w.TabSheet2->dbcg_spalten->livePanel()->fontName->currentText(), "Nimbus Roman");
    QTest::keyClick(grid(), Qt::Key_Left); // walks from the first row
    EXPECT_EQ(w.state().mt_spalten.RecNo(), 3);
    EXPECT_EQ(w.TabSheet2->dbcg_spalten->livePanel()->fontName->currentText(), "DejaVu Serif");
    EXPECT_EQ(panel()->fontNameText->text(), "DejaVu Serif");
    EXPECT_EQ(panel()->spalte->text(), "Spalte3");
    QTest::keyClick(grid(), Qt::Key_Home);
    EXPECT_EQ(w.state().mt_spalten.RecNo(), 1);
    EXPECT_EQ(w.TabSheet2->dbcg_spalten->livePanel()->fontName->currentText(), "DejaVu Sans");
}

TEST_F(PanelTest, OnlyThePanelsInViewExist)
{
    columns(5);
    const auto before = grid()->findChildren<QWidget *>().size();
    columns(256);
    EXPECT_EQ(grid()->findChildren<QWidget *>().size(), before);
    grid()->grab();
    EXPECT_EQ(grid()->panelsPainted(), 4);
}

TEST_F(PanelTest, AccessibleNames)
{
    const std::pair<const char *, const char *> names[] = {
        {"dbcg_spalten", "Daten für Detektions Zeile"},
        {"DBCtrlGrid2", "Überschrift"},
        {"DBCtrlGrid1", "Daten für Startnummern Info"},
        {"cb_fontname", "Schriftart"},
        {"cb_fontgroesse", "Schriftgröße"},
        {"DBCheckBox1", "Fett"},
        {"dbc_ausrichtung", "Ausrichtung"},
        {"e_spalten_farbe", "Farbe"},
        {"dbe_anzahlzeichen", "Anzahl der erwarteten Zeichen"},
        {"DBEdit2", "Text"},
        {"cb_fontname_ue", "Schriftart"},
        {"DBEdit1", "Farbe"},
        {"cb_fontgroesse_snri", "Schriftgröße"},
        {"DBCheckBox3", "Fett"},
    };
    for (const auto &[object, name] : names) {
        QWidget *widget = w.findChild<QWidget *>(object);
        ASSERT_NE(widget, nullptr) << object;
        EXPECT_EQ(widget->accessibleName(), QString(name)) << object;
    }
}

TEST_F(PanelTest, TabGoesFromTheGridThroughTheLiveControls)
{
    columns(2);
    QApplication::setActiveWindow(&w);
    const QWidget *expected[] = {w.TabSheet2->dbcg_spalten->livePanel()->fontName,
                                 w.TabSheet2->dbcg_spalten->livePanel()->fontSize,
                                 panel()->fett,
                                 panel()->ausrichtung,
                                 panel()->farbe,
                                 panel()->anzahlzeichen,
                                 w.TabSheet2->e_timeoutleereZeile};
    w.TabSheet2->e_InfoZeile->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), grid());
    for (size_t i = 0; i < std::size(expected); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *focus = QApplication::focusWidget();
        EXPECT_TRUE(focus == expected[i] || (focus && focus->parentWidget() == expected[i]))
            << i << " " << (focus ? focus->objectName().toStdString() : "none");
    }
}

// ---------------------------------------------------------------- font name list

TEST(FontNameModelTest, SortedWithoutRegardToCaseEachOnce)
{
    FontNameModel model({{"b", true}, {"Default", true}, {"A", false}, {"a", true}, {"c", false}});
    EXPECT_EQ(model.names(), (QStringList{"A", "b", "c", "Default"}));
    EXPECT_EQ(model.indexOf("DEFAULT"), 3);
    EXPECT_EQ(model.indexOf("x"), -1);
    EXPECT_FALSE(model.isScalable(0));

    FontNameModel installed;
    EXPECT_GE(installed.indexOf("Default"), 0);
    EXPECT_GE(installed.indexOf("DejaVu Sans"), 0);
    for (int i = 0; i + 1 < installed.names().size(); ++i)
        EXPECT_LT(installed.names()[i].compare(installed.names()[i + 1], Qt::CaseInsensitive), 0);
}

TEST_F(PanelTest, TheThreeNameListsShareOneModelAndShowASample)
{
    EXPECT_EQ(w.TabSheet2->dbcg_spalten->livePanel()->fontName->model(), w.fontNames());
    EXPECT_EQ(w.TabSheet3->DBCtrlGrid2->livePanel()->fontName->model(), w.fontNames());
    EXPECT_EQ(w.TabSheet4->DBCtrlGrid1->livePanel()->fontName->model(), w.fontNames());
    columns(1, {{{0, "DejaVu Serif"}}});
    w.TabSheet2->dbcg_spalten->livePanel()->fontName->showPopup();
    QLabel *sample = w.TabSheet2->dbcg_spalten->livePanel()->fontName->sampleWindow();
    ASSERT_NE(sample, nullptr);
    EXPECT_TRUE(sample->isVisible());
    EXPECT_EQ(sample->text(), "88888 , DAZovozoved");
    EXPECT_EQ(sample->font().family(), "DejaVu Serif");
    EXPECT_EQ(sample->font().pointSize(), 14);
    w.TabSheet2->dbcg_spalten->livePanel()->fontName->hidePopup();
    EXPECT_FALSE(sample->isVisible());
    EXPECT_EQ(w.state().mt_spalten.State(), TableState::Browse);
}

} // namespace
