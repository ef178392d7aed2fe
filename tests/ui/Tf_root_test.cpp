#include "base/Failure.h"
#include "support/FakeDialogs.h"
#include "ui/CueLineEdit.h"
#include "ui/DarstellungPage.h"
#include "ui/PageWidgets.h"
#include "ui/Shape.h"
#include "ui/StartnummernInfoPage.h"
#include "ui/Tf_root.h"
#include "ui/UeberschriftPage.h"
#include "ui/VerbindungPage.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace
{

class WindowTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        w.ti_start->stop();
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    }
    template <typename T = QWidget> T *find(const char *name)
    {
        T *widget = w.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    FakeDialogs dialogs;
    Tf_root w{&dialogs};
};

TEST_F(WindowTest, OpensWithCaptionFocusAndHiddenPages)
{
    EXPECT_EQ(w.windowTitle(), "VADaroradarAdadad V1.3");
    EXPECT_FALSE(w.P_Einstellungen->isVisible());
    EXPECT_TRUE(w.b_ende->hasFocus());
    EXPECT_EQ(w.b_ende->text(), "speichern + schliessen");
    EXPECT_EQ(w.minimumSize(), w.maximumSize()); // fixed size
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(w.palette().color(QPalette::Window), QColor(0, 0, 0x80));
    const QStringList captions = {"Verbindung", "Darstellung", "Überschrift", "Startnummern Info"};
    ASSERT_EQ(w.P_Einstellungen->count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(w.P_Einstellungen->tabText(i), captions[i]);
}

TEST_F(WindowTest, AccessibleNamesForEveryControl)
{
    const std::pair<const char *, const char *> names[] = {
        {"e_server", "Server"},
        {"rb_lokal", "lokal"},
        {"e_kundennummer", "Kundennummer"},
        {"e_kdpasswort", "Passwort"},
        {"e_vapasswort", "Veranstaltungs Passwort"},
        {"e_vanr", "Veranstaltungs ID"},
        {"cb_vollbild", "Vollbild"},
        {"e_hintergrund", "Hintergrundfarbe"},
        {"sh_hintergrund", "Hintergrundfarbe"},
        {"tb_trans", "Transparenz Logo"},
        {"e_zweitezeile", "Hintergrundfarbe zweite Zeile"},
        {"sh_zweitezeile", "Hintergrundfarbe zweite Zeile"},
        {"e_erstesEF", "erstes Ergebnisfeld"},
        {"e_letztesEF", "letztes Ergebnisfeld"},
        {"e_anzahlzeilen", "Anzahl der Zeilen"},
        {"e_InfoZeile", "Daten für Detektions Zeile"},
        {"e_timeoutleereZeile", "Sekunden bis zur leeren Zeile"},
        {"e_timeoutlogo", "Sekunden bis zum Logo"},
        {"cb_mitueberschrift", "Überschrift anzeigen"},
        {"cb_startnummerninfo", "mit Startnummern Info"},
        {"e_SNRInfoFelder", "Daten für Startnummern Info"},
        {"e_StartNrInFeld", "suche StartNr in Feld"},
        {"b_ende", "speichern + schliessen"},
        {"b_vorschau", "Vorschau"},
    };
    for (const auto &[object, name] : names) {
        QWidget *widget = find(object);
        ASSERT_NE(widget, nullptr);
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(a, nullptr) << object;
        EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(name)) << object;
    }
    // A labelled field's label is its buddy.
    EXPECT_EQ(FieldLabel(w.TabSheet1->e_server)->buddy(), w.TabSheet1->e_server);
}

TEST_F(WindowTest, ConnectionSwitchKeepsHiddenTexts)
{
    VerbindungPage &v = *w.TabSheet1;
    w.P_Einstellungen->show();
    w.P_Einstellungen->setCurrentWidget(&v);
    v.e_server->setText("host");
    QTest::mouseClick(v.rb_imInet, Qt::LeftButton);
    EXPECT_TRUE(v.e_kundennummer->isVisible());
    EXPECT_TRUE(v.e_kdpasswort->isVisible());
    EXPECT_TRUE(FieldLabel(v.e_kdpasswort)->isVisible());
    EXPECT_FALSE(v.e_server->isVisible());
    EXPECT_FALSE(FieldLabel(v.e_server)->isVisible());
    v.e_kundennummer->setText("4711");
    QTest::mouseClick(v.rb_lokal, Qt::LeftButton);
    EXPECT_TRUE(v.e_server->isVisible());
    EXPECT_EQ(v.e_server->text(), "host");
    EXPECT_FALSE(v.e_kundennummer->isVisible());
    QTest::mouseClick(v.rb_lokal, Qt::LeftButton); // already checked: nothing changes
    EXPECT_TRUE(v.rb_lokal->isChecked());
    QTest::mouseClick(v.rb_imInet, Qt::LeftButton);
    EXPECT_EQ(v.e_kundennummer->text(), "4711");
    EXPECT_TRUE(v.e_vanr->isVisible());
    EXPECT_TRUE(v.e_vapasswort->isVisible());
}

TEST_F(WindowTest, MaskedFieldsShowTildes)
{
    CueLineEdit *f = w.TabSheet1->e_kdpasswort;
    EXPECT_EQ(f->echoMode(), QLineEdit::Password);
    EXPECT_EQ(f->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, f), u'~');
    EXPECT_EQ(w.TabSheet1->e_vapasswort->echoMode(), QLineEdit::Password);
}

TEST_F(WindowTest, DigitFieldsRefuseLettersButShowProgramText)
{
    w.P_Einstellungen->show();
    w.P_Einstellungen->setCurrentWidget(w.TabSheet2);
    CueLineEdit *f = w.TabSheet2->e_anzahlzeilen;
    f->setFocus();
    f->clear();
    QTest::keyClicks(f, "1a-2x3");
    EXPECT_EQ(f->text(), "123");
    f->setProgramText("-1");
    EXPECT_EQ(f->text(), "-1");
}

struct LimitCase {
    const char *field;
    int limit;
};

TEST_F(WindowTest, TypingLimits)
{
    w.P_Einstellungen->show();
    w.P_Einstellungen->setCurrentWidget(w.TabSheet2);
    const LimitCase cases[] = {{"e_hintergrund", 7},       {"e_zweitezeile", 7},  {"e_timeoutlogo", 3},
                               {"e_timeoutleereZeile", 3}, {"e_anzahlzeilen", 4}, {"e_erstesEF", 4},
                               {"e_letztesEF", 4}};
    for (const LimitCase &c : cases) {
        auto *f = find<CueLineEdit>(c.field);
        f->setFocus();
        f->clear();
        QTest::keyClicks(f, "123456789012");
        EXPECT_EQ(f->text().size(), c.limit) << c.field;
    }
}

TEST_F(WindowTest, ProgramTextIsNotCutToTheLimit)
{
    CueLineEdit *f = w.TabSheet2->e_hintergrund;
    f->setProgramText("#12345678");
    EXPECT_EQ(f->text(), "#12345678");
    // Typing cannot make it longer.
    w.P_Einstellungen->show();
    w.P_Einstellungen->setCurrentWidget(w.TabSheet2);
    f->setFocus();
    f->end(false);
    QTest::keyClicks(f, "9");
    EXPECT_EQ(f->text(), "#12345678");
}

QImage render(QWidget *widget)
{
    return widget->grab().toImage();
}

// Pixels of the cue's grey (#808080, give or take antialiasing).
int cuePixels(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 0x70 && c.red() < 0x90 && c.red() == c.green() && c.green() == c.blue())
                ++n;
        }
    return n;
}

TEST_F(WindowTest, CueTextOnlyWhileEmptyAndUnfocused)
{
    w.P_Einstellungen->show();
    w.P_Einstellungen->setCurrentWidget(w.TabSheet1);
    CueLineEdit *f = w.TabSheet1->e_vanr;
    EXPECT_EQ(f->cueText(), "VA ID (wenn leer dann auto)");
    const int unfocused = cuePixels(render(f));
    EXPECT_GT(unfocused, 20);
    f->setFocus();
    QApplication::processEvents();
    EXPECT_LT(cuePixels(render(f)), unfocused / 5);
    w.b_ende->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(cuePixels(render(f)), unfocused);
    f->setText("7");
    EXPECT_LT(cuePixels(render(f)), unfocused / 5);
    EXPECT_EQ(
        w.TabSheet2->e_InfoZeile->cueText(),
        "Daten, es können alle Formeln aus Zeitquell verwendet werden (z.Bsp. Startnr,\"Team \"&&[Verein])");
    EXPECT_TRUE(w.TabSheet4->e_SNRInfoFelder->cueText().endsWith("[Verein]) \\n für neue Zeile"));
}

TEST_F(WindowTest, BackgroundSwatchesFollowTheText)
{
    DarstellungPage &d = *w.TabSheet2;
    EXPECT_EQ(d.sh_hintergrund->fill(), QColor(Qt::white));
    d.e_hintergrund->setProgramText("#FF8000");
    for (Shape *s : {d.sh_hintergrund, d.sh_logo, d.sh_logo_trans})
        EXPECT_EQ(s->fill(), QColor(255, 128, 0));
    d.e_hintergrund->setProgramText("");
    EXPECT_EQ(d.sh_logo->fill(), QColor(Qt::black));
    d.e_hintergrund->setProgramText("blau");
    EXPECT_EQ(d.sh_logo_trans->fill(), QColor(Qt::white));
    d.e_zweitezeile->setProgramText("#12345");
    EXPECT_EQ(d.sh_zweitezeile->fill(), QColor(0x12, 0x34, 0x05));
}

TEST_F(WindowTest, ChoosersStartAtTheFillAndWriteTheText)
{
    DarstellungPage &d = *w.TabSheet2;
    w.P_Einstellungen->show();
    w.P_Einstellungen->setCurrentWidget(&d);
    d.e_hintergrund->setProgramText("#00FF00");
    dialogs.choices.push_back(0x0000FFu); // red
    QTest::mouseClick(d.Shape2, Qt::RightButton, {}, QPoint(62, 62));
    ASSERT_EQ(dialogs.chooserStarts.size(), 1u);
    EXPECT_EQ(dialogs.chooserStarts[0], 0x00FF00u);
    EXPECT_EQ(d.e_hintergrund->text(), "#FF0000");
    EXPECT_EQ(d.sh_logo->fill(), QColor(255, 0, 0));

    QTest::mouseClick(d.Shape8, Qt::LeftButton, {}, QPoint(63, 25)); // cancelled
    EXPECT_EQ(dialogs.chooserStarts.back(), 0xFFFFFFu);
    EXPECT_EQ(d.e_zweitezeile->text(), "#FFFFFF");
    dialogs.choices.push_back(0x0000FFu);
    QTest::mouseClick(d.sh_zweitezeile, Qt::LeftButton);
    EXPECT_EQ(d.e_zweitezeile->text(), "#FF0000");
}

TEST_F(WindowTest, FailuresOfTheWorkGoToTheFailureHandler)
{
    w.setSaveWork([] { throw Failure("Datei x kann nicht geöffnet werden. Permission denied"); });
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    ASSERT_EQ(dialogs.failures.size(), 1);
    EXPECT_EQ(dialogs.failures[0], "Datei x kann nicht geöffnet werden. Permission denied.");
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(FailureDisplayText("ends with a dot."), "ends with a dot.");
    EXPECT_EQ(FailureDisplayText("ends with a comma,"), "ends with a comma,");
    EXPECT_EQ(FailureDisplayText("(CRC-Fehler)"), "(CRC-Fehler)");
}

TEST_F(WindowTest, LeavingThePagesRunsTheirExitReactions)
{
    w.P_Einstellungen->show();
    w.P_Einstellungen->setCurrentWidget(w.TabSheet3);

    // Pending panel edits are committed when the focus leaves the page
    // "Überschrift" (heading table) and the page control (detection table).
    w.TabSheet2->e_InfoZeile->setProgramText("A,B");
    ASSERT_EQ(w.state().mt_ueberschrift.RecordCount(), 2);
    // (editing mt_spalten commits the heading table first, so it goes first)
    w.state().mt_spalten.Edit();
    w.state().mt_spalten.setText(w.state().mt_spalten.fieldIndex("farbe"), "#00FF00");
    w.state().mt_ueberschrift.Edit();
    w.state().mt_ueberschrift.setText(w.state().mt_ueberschrift.fieldIndex("text"), "Kopf");
    w.TabSheet3->cb_mitueberschrift->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(w.state().mt_ueberschrift.State(), TableState::Edit);
    w.b_ende->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(w.state().mt_ueberschrift.State(), TableState::Browse);
    EXPECT_EQ(w.state().mt_ueberschrift.asText(w.state().mt_ueberschrift.fieldIndex("text")), "Kopf");
    EXPECT_EQ(w.state().mt_spalten.State(), TableState::Browse);
    EXPECT_EQ(w.state().mt_spalten.asText(w.state().mt_spalten.fieldIndex("farbe")), "#00FF00");
    EXPECT_TRUE(dialogs.failures.isEmpty());
}

TEST_F(WindowTest, FontListsEndOnTheRowTheFormulaWalkStopsOn)
{
    w.P_Einstellungen->show();
    w.P_Einstellungen->setCurrentWidget(w.TabSheet2);
    w.TabSheet2->e_InfoZeile->setProgramText("A,B");
    ASSERT_EQ(w.state().mt_spalten.RecordCount(), 2);
    w.state().mt_spalten.First();
    w.state().mt_spalten.Edit();
    w.state().mt_spalten.setText(0, "DejaVu Serif");
    w.state().mt_spalten.setInteger(1, 17);
    w.state().mt_spalten.Next();
    w.state().mt_spalten.Edit();
    w.state().mt_spalten.setText(0, "DejaVu Sans");
    w.state().mt_spalten.setInteger(1, 12);
    w.state().mt_spalten.First();
    auto *name = find<QComboBox>("cb_fontname");
    auto *size = find<QComboBox>("cb_fontgroesse");
    ASSERT_TRUE(name && size);
    EXPECT_EQ(name->currentText(), "DejaVu Serif");
    EXPECT_EQ(size->currentText(), "17");
    // Typing walks the rows with the views detached; the lists follow the
    // last row, and the rows are not changed by it.
    w.TabSheet2->e_InfoZeile->setFocus();
    w.TabSheet2->e_InfoZeile->end(false);
    QTest::keyClicks(w.TabSheet2->e_InfoZeile, "X");
    EXPECT_EQ(w.state().mt_spalten.RecNo(), 2);
    EXPECT_EQ(w.state().mt_spalten.asText(6), "BX");
    EXPECT_EQ(name->currentText(), "DejaVu Sans");
    EXPECT_EQ(size->currentText(), "12");
    EXPECT_EQ(w.state().mt_spalten.asInteger(1), 12);
    EXPECT_EQ(w.state().mt_spalten.State(), TableState::Browse);
}

TEST_F(WindowTest, FormulaLinesSizeTheTablesAndShowTheCount)
{
    w.TabSheet2->e_InfoZeile->setProgramText("Startnr,\"a, b\",[Name]");
    EXPECT_EQ(w.TabSheet2->l_anzahlspalten->text(), "(Anzahl Spalten = 3)");
    EXPECT_EQ(w.state().mt_spalten.RecordCount(), 3);
    EXPECT_EQ(w.state().mt_ueberschrift.RecordCount(), 3);
    w.TabSheet4->e_SNRInfoFelder->setProgramText("A,B");
    EXPECT_EQ(w.TabSheet4->l_anzahlspalten_snri->text(), "(Anzahl Spalten = 2)");
    EXPECT_EQ(w.state().mt_snrInfo.RecordCount(), 2);
    EXPECT_EQ(w.state().mt_spalten.RecordCount(), 3);
}

} // namespace
