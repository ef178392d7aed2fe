#include "app/Program.h"
#include "app/SettingsController.h"
#include "settings/TextCodec.h"
#include "support/FakeDialogs.h"
#include "support/FullSettingsFile.h"
#include "support/TempDir.h"
#include "ui/CueLineEdit.h"
#include "ui/DarstellungPage.h"
#include "ui/Shape.h"
#include "ui/StartnummernInfoPage.h"
#include "ui/Tf_root.h"
#include "ui/UeberschriftPage.h"
#include "ui/VerbindungPage.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <QApplication>
#include <QClipboard>

#include <deque>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace
{

class LoadSaveTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        w.ti_start->stop();
        w.show();
    }
    QString iniPath() const { return dir.path("DAZovozoved.ini"); }
    void writeIni(const QByteArray &bytes) const { dir.write("DAZovozoved.ini", bytes); }
    QByteArray ini() const { return dir.read("DAZovozoved.ini"); }

    VerbindungPage &v() { return *w.TabSheet1; }
    DarstellungPage &d() { return *w.TabSheet2; }

    TempDir dir;
    FakeDialogs dialogs;
    Tf_root w{&dialogs};
    SettingsController controller{w, SettingsFile::beside(dir.path())};
};

TEST_F(LoadSaveTest, DefaultsWithoutAFileAndNoFileCreated)
{
    w.ti_startTimer();
    EXPECT_TRUE(dialogs.failures.isEmpty());
    EXPECT_EQ(v().e_server->text(), "127.0.0.1");
    EXPECT_TRUE(v().rb_lokal->isChecked());
    EXPECT_TRUE(v().e_kundennummer->isHidden());
    EXPECT_EQ(v().e_vanr->text(), "auto");
    EXPECT_EQ(v().e_kdpasswort->text(), "");
    EXPECT_TRUE(d().cb_vollbild->isChecked());
    EXPECT_TRUE(w.TabSheet3->cb_mitueberschrift->isChecked());
    EXPECT_TRUE(w.TabSheet4->cb_startnummerninfo->isChecked());
    EXPECT_EQ(d().e_anzahlzeilen->text(), "20");
    EXPECT_EQ(d().e_timeoutleereZeile->text(), "5");
    EXPECT_EQ(d().e_hintergrund->text(), "#000000");
    EXPECT_EQ(d().e_zweitezeile->text(), "#000000");
    EXPECT_EQ(d().e_timeoutlogo->text(), "60");
    EXPECT_EQ(d().tb_trans->value(), 80);
    EXPECT_EQ(d().e_InfoZeile->text(), "Startnr");
    EXPECT_EQ(w.TabSheet4->e_SNRInfoFelder->text(), "Startnr");
    EXPECT_EQ(w.TabSheet4->e_StartNrInFeld->text(), "");
    EXPECT_EQ(d().e_erstesEF->text(), "-1");
    EXPECT_EQ(d().e_letztesEF->text(), "-1");
    EXPECT_EQ(d().sh_hintergrund->fill(), QColor(Qt::black));
    EXPECT_TRUE(w.P_Einstellungen->isVisible());
    EXPECT_EQ(w.P_Einstellungen->currentWidget(), w.TabSheet2);
    EXPECT_FALSE(QFileInfo::exists(iniPath()));
}

TEST_F(LoadSaveTest, ConversionsOnLoad)
{
    writeIni("[Optionen]\r\nAnzahlZeilen=$1F\r\nTimeoutleereZeile=0012\r\nTimeoutLogo=1 2\r\n"
             "TransparenzLogo=300\r\nVollBild=\r\nZQHostOLS=ja\r\nZQHost=  192.0.2.1 \r\n"
             "erstesEF=abc\r\nletztesEF=$FFFFFFFF\r\nmitUeberschrift=WAHR\r\nmitStartNrInfo=yes\r\n");
    w.ti_startTimer();
    EXPECT_EQ(d().e_anzahlzeilen->text(), "31");
    EXPECT_EQ(d().e_timeoutleereZeile->text(), "12");
    EXPECT_EQ(d().e_timeoutlogo->text(), "60");
    EXPECT_EQ(d().tb_trans->value(), 255);
    EXPECT_FALSE(d().cb_vollbild->isChecked()); // empty value is not the default
    EXPECT_TRUE(v().rb_imInet->isChecked());
    EXPECT_FALSE(v().e_kundennummer->isHidden());
    EXPECT_TRUE(v().e_server->isHidden());
    EXPECT_EQ(v().e_server->text(), "192.0.2.1");
    EXPECT_EQ(d().e_erstesEF->text(), "-1");
    EXPECT_EQ(d().e_letztesEF->text(), "-1");
    EXPECT_TRUE(w.TabSheet3->cb_mitueberschrift->isChecked());
    EXPECT_FALSE(w.TabSheet4->cb_startnummerninfo->isChecked());
}

TEST_F(LoadSaveTest, NegativeTransparencyAndDesignedColourRunsNoReaction)
{
    writeIni("[Optionen]\r\nTransparenzLogo=-5\r\nHintergrundFarbe=#FFFFFF\r\n");
    d().sh_hintergrund->setFill(Qt::green); // proves that no reaction repaints it
    w.ti_startTimer();
    EXPECT_EQ(d().tb_trans->value(), 0);
    EXPECT_EQ(d().sh_hintergrund->fill(), QColor(Qt::green));
}

TEST_F(LoadSaveTest, LongStoredTextsStayWhole)
{
    writeIni("[Optionen]\r\nHintergrundFarbe=#12345678\r\nAnzahlZeilen=123456\r\n");
    w.ti_startTimer();
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    EXPECT_TRUE(ini().contains("HintergrundFarbe=#12345678\r\n"));
    EXPECT_TRUE(ini().contains("AnzahlZeilen=123456\r\n"));
}

TEST_F(LoadSaveTest, FreshSaveWritesEveryKeyInOrder)
{
    w.ti_startTimer();
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    EXPECT_TRUE(dialogs.failures.isEmpty());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(ini(), FullSettingsFile());
}

TEST_F(LoadSaveTest, SaveKeepsPlacesUnknownKeysAndNormalises)
{
    writeIni(
        "; comment\r\n[Anzeige]\r\nx = 1\r\n[optionen]\r\nletztesEF = 7\r\nEigen=wert\r\nZQHostOLS=Wahr\r\n");
    w.ti_startTimer();
    v().e_server->setText("");
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    const QByteArray out = ini();
    EXPECT_TRUE(
        out.startsWith("[Anzeige]\r\nx=1\r\n\r\n[optionen]\r\nletztesEF=7\r\nEigen=wert\r\nZQHostOLS=ja\r\n"
                       "ZQHost=\r\n"))
        << out.constData();
}

TEST_F(LoadSaveTest, HiddenFieldsAreSavedInEitherMode)
{
    w.ti_startTimer();
    v().e_kundennummer->setText("4711");
    v().e_kdpasswort->setText("geheim");
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    EXPECT_TRUE(ini().contains("ZQKundennummer=4711\r\nZQKDPasswort=geheim\r\n"));
}

TEST_F(LoadSaveTest, LockedFileStopsLoadingAndNothingIsOverwritten)
{
    const QByteArray before = "[Optionen]\r\nZQHost=stored\r\n";
    writeIni(before);
    const int fd = ::open(QFile::encodeName(iniPath()).constData(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    controller.file().setLockWait(200);
    w.ti_startTimer();
    ::close(fd);
    ASSERT_EQ(dialogs.failures.size(), 1);
    EXPECT_TRUE(dialogs.failures[0].startsWith("Datei " + iniPath() + " kann nicht geöffnet werden. "));
    EXPECT_TRUE(dialogs.failures[0].endsWith("."));
    EXPECT_FALSE(w.P_Einstellungen->isVisible());
    EXPECT_FALSE(controller.loaded());
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    EXPECT_EQ(dialogs.failures.size(), 2); // told why nothing is saved
    EXPECT_EQ(ini(), before);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(LoadSaveTest, WriteFailureKeepsTheWindowOpen)
{
    writeIni("[Optionen]\r\n");
    controller.file().setLockWait(200); // the lock below is held past the wait
    w.ti_startTimer();
    const int fd = ::open(QFile::encodeName(iniPath()).constData(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_SH), 0); // the display program is reading
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    ::close(fd);
    ASSERT_EQ(dialogs.failures.size(), 1);
    EXPECT_TRUE(dialogs.failures[0].startsWith("Datei \"" + iniPath() + "\" kann nicht erstellt werden. "));
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(ini(), QByteArray("[Optionen]\r\n"));
    QTest::mouseClick(w.b_ende, Qt::LeftButton); // pressing again repeats the save
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(ini().contains("letztesEF=-1"));
}

const char kSpalten3[] =
    "{\"1\":{\"schriftname\":\"Arial\",\"schriftgroesse\":\"24\",\"farbe\":\"#FFFFFF\",\"fett\":\"true\","
    "\"ausrichtung\":\"links\",\"anzahlzeichen\":\"5\"}\"2\":{\"schriftname\":\"Arial\",\"schriftgroesse\":"
    "\"24\","
    "\"farbe\":\"#000000\",\"fett\":\"false\",\"ausrichtung\":\"rechts\",\"anzahlzeichen\":\"20\"}\"3\":{"
    "\"schriftname\":\"Tahoma\",\"schriftgroesse\":\"\",\"farbe\":\"\",\"fett\":\"false\",\"ausrichtung\":"
    "\"\","
    "\"anzahlzeichen\":\"\"}}";
const char kUeberschrift2[] =
    "{\"1\":{\"schriftname\":\"Tahoma\",\"schriftgroesse\":\"14\",\"farbe\":\"#FFFFFF\",\"fett\":\"false\","
    "\"text\":\"Start \\\"Nr\\\" \\\\ \u00e4\"}\"2\":{\"schriftname\":\"Tahoma\",\"schriftgroesse\":\"14\","
    "\"farbe\":\"#FFFFFF\",\"fett\":\"true\",\"text\":\"Name\"}}";
const char kSnr2[] =
    "{\"1\":{\"schriftname\":\"Tahoma\",\"schriftgroesse\":\"12\",\"farbe\":\"#FFFFFF\",\"fett\":"
    "\"false\"}\"2\":{\"schriftname\":\"Tahoma\",\"schriftgroesse\":\"12\",\"farbe\":\"#000000\","
    "\"fett\":\"true\"}}";

TEST_F(LoadSaveTest, StoredFormatsComeBackUnchanged)
{
    const QByteArray file =
        QByteArray("\xEF\xBB\xBF[Optionen]\r\nInfoZeileFormat=") + kSpalten3 +
        "\r\nUeberschriftFormat=" + QByteArray(kUeberschrift2).replace("\\u00e4", "\xC3\xA4") +
        "\r\nSNRInfoFelderFormat=" + kSnr2 +
        "\r\nInfoZeile=Startnr,[Name],Zeit\r\n"
        "SNRInfoFelder=A,B\r\n";
    writeIni(file);
    w.ti_startTimer();
    ASSERT_TRUE(dialogs.failures.isEmpty());
    EXPECT_EQ(w.state().mt_spalten.RecordCount(), 3);
    EXPECT_EQ(w.state().mt_ueberschrift.RecordCount(), 3); // follows the detection line
    EXPECT_EQ(w.state().mt_spalten.RecNo(), 1);
    EXPECT_EQ(w.state().mt_spalten.asText(6), "Startnr");
    EXPECT_EQ(w.TabSheet2->l_anzahlspalten->text(), "(Anzahl Spalten = 3)");
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    const QByteArray out = ini();
    EXPECT_TRUE(out.contains(QByteArray("InfoZeileFormat=") + kSpalten3 + "\r\n")) << out.constData();
    EXPECT_TRUE(out.contains(QByteArray("SNRInfoFelderFormat=") + kSnr2 + "\r\n")) << out.constData();
    // The heading row that had no stored record copies the last one.
    EXPECT_TRUE(out.contains("\"text\":\"Start \\\"Nr\\\" \\\\ \xC3\xA4\"}\"2\""));
    EXPECT_TRUE(
        out.contains("\"3\":{\"schriftname\":\"Tahoma\",\"schriftgroesse\":\"14\",\"farbe\":\"#FFFFFF\","
                     "\"fett\":\"true\",\"text\":\"Name\"}}\r\n"));
}

TEST_F(LoadSaveTest, ShorterFormulaLineDropsStoredRows)
{
    writeIni(QByteArray("[Optionen]\r\nInfoZeileFormat=") + kSpalten3 + "\r\nInfoZeile=A,B\r\n");
    w.ti_startTimer();
    ASSERT_EQ(w.state().mt_spalten.RecordCount(), 2);
    w.state().mt_spalten.Last();
    EXPECT_EQ(w.state().mt_spalten.asText(4), "rechts");
    EXPECT_EQ(w.state().mt_spalten.asText(6), "B");
}

TEST_F(LoadSaveTest, EmptyFormulaLineKeepsTheLoadedRows)
{
    writeIni(QByteArray("[Optionen]\r\nInfoZeileFormat=") + kSpalten3 + "\r\nInfoZeile=\r\n");
    w.ti_startTimer();
    EXPECT_EQ(w.state().mt_spalten.RecordCount(), 3);
    EXPECT_EQ(w.state().mt_ueberschrift.RecordCount(), 0);
    EXPECT_EQ(w.TabSheet2->l_anzahlspalten->text(), "");
    EXPECT_TRUE(w.state().mt_spalten.isNull(6));
}

// Stored formats the reader refuses: one missing "}", and nesting deeper
// than the reader goes. Each is named in a message at the start; the tables
// get fresh rows, and a save that leaves the layout alone keeps the stored
// text, so the operator's formats are not overwritten by the fresh rows.
const QByteArray kMissingBrace =
    "{\"1\":{\"schriftname\":\"Arial\",\"schriftgroesse\":\"12\",\"farbe\":\"#FF0000\",\"fett\":\"true\"";
QByteArray DeepNesting()
{
    return "{\"1\":" + QByteArray(100000, '[') + QByteArray(100000, ']') + "}";
}

TEST_F(LoadSaveTest, UnreadableStoredFormatsAreNamedAndKept)
{
    writeIni("[Optionen]\r\nInfoZeileFormat=" + kMissingBrace + "\r\nSNRInfoFelderFormat=" + DeepNesting() +
             "\r\nInfoZeile=X\r\n");
    w.ti_startTimer();
    ASSERT_EQ(dialogs.messages.size(), 2) << dialogs.messages.join('|').toStdString();
    EXPECT_TRUE(dialogs.messages[0].startsWith("Das gespeicherte Spaltenformat InfoZeileFormat konnte nicht "
                                               "gelesen werden"));
    EXPECT_TRUE(dialogs.messages[1].contains("SNRInfoFelderFormat"));
    EXPECT_TRUE(dialogs.messages[1].contains("bleibt in der Datei erhalten"));
    ASSERT_EQ(w.state().mt_spalten.RecordCount(), 1);
    EXPECT_EQ(w.state().mt_spalten.asText(0), "1");
    // The operator moves between pages and rows but changes no format.
    w.P_Einstellungen->setCurrentWidget(w.TabSheet4);
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    EXPECT_TRUE(dialogs.failures.isEmpty()) << dialogs.failures.join('|').toStdString();
    const QByteArray out = ini();
    EXPECT_TRUE(out.contains("InfoZeileFormat=" + kMissingBrace + "\r\n")) << out.left(300).constData();
    EXPECT_TRUE(out.contains("SNRInfoFelderFormat=" + DeepNesting() + "\r\n"));
    EXPECT_TRUE(out.contains("UeberschriftFormat={\"1\":")); // readable (absent): written as the table is
}

TEST_F(LoadSaveTest, ChangedLayoutReplacesAnUnreadableFormat)
{
    writeIni("[Optionen]\r\nInfoZeileFormat=" + kMissingBrace + "\r\nSNRInfoFelderFormat=" + kMissingBrace +
             "\r\n");
    w.ti_startTimer();
    d().e_InfoZeile->setText("Startnr,[Name]"); // a second column
    w.state().mt_snrInfo.Edit();
    w.state().mt_snrInfo.setText(0, "Arial"); // a font picked on the start-number info page
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    const QByteArray out = ini();
    EXPECT_FALSE(out.contains(kMissingBrace)) << out.constData();
    EXPECT_TRUE(out.contains("InfoZeileFormat={\"1\":{\"schriftname\":\"1\"")) << out.constData();
    EXPECT_TRUE(out.contains("\"2\":{\"schriftname\":\"1\""));
    EXPECT_TRUE(out.contains("SNRInfoFelderFormat={\"1\":{\"schriftname\":\"Arial\""));
}

// Text pasted into a one-line field keeps only its first line, so it can
// never add lines or sections to the settings file.
TEST_F(LoadSaveTest, PastedLineBreaksNeverReachTheFile)
{
    writeIni("[Optionen]\r\nZQHost=alt\r\nEigen=wert\r\n[Fremd]\r\nA=1\r\n");
    w.ti_startTimer();
    w.P_Einstellungen->setCurrentWidget(w.TabSheet1);
    v().rb_imInet->setChecked(true);
    struct Paste {
        CueLineEdit *field;
        QString before;
        int cursor;
        QString clipboard;
        QString after;
    } pastes[] = {
        {v().e_kdpasswort, "", 0, "x\r\n[Injected]\r\nEvil=1", "x"},
        {v().e_vanr, "ab", 1, "12\n34", "a12b"},
        {v().e_kundennummer, "", 0, "\r\nrest", ""},
        {v().e_vapasswort, "", 0, "eins\rzwei", "eins"},
    };
    for (const Paste &p : pastes) {
        p.field->setText(p.before);
        p.field->setFocus();
        p.field->setCursorPosition(p.cursor);
        QApplication::clipboard()->setText(p.clipboard);
        QTest::keyClick(p.field, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(p.field->text(), p.after) << p.field->objectName().toStdString();
    }
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    const QByteArray out = ini();
    EXPECT_TRUE(out.startsWith("[Optionen]\r\nZQHost=alt\r\nEigen=wert\r\n")) << out.constData();
    EXPECT_TRUE(out.contains("ZQKDPasswort=x\r\n"));
    EXPECT_TRUE(out.contains("ZQVANummer=a12b\r\n"));
    EXPECT_FALSE(out.contains("Injected"));
    EXPECT_TRUE(out.endsWith("[Fremd]\r\nA=1\r\n\r\n"));
}

// The display program reads the file for a moment while the operator saves.
TEST_F(LoadSaveTest, SaveWaitsForTheDisplayProgramsRead)
{
    writeIni("[Optionen]\r\n");
    w.ti_startTimer();
    const int fd = ::open(QFile::encodeName(iniPath()).constData(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_SH), 0);
    std::thread letGo([fd] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::close(fd);
    });
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    letGo.join();
    EXPECT_TRUE(dialogs.failures.isEmpty()) << dialogs.failures.join('|').toStdString();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(ini().endsWith("letztesEF=-1\r\n\r\n"));
}

TEST_F(LoadSaveTest, UncommittedHeadingTextIsSaved)
{
    w.ti_startTimer();
    w.state().mt_ueberschrift.Edit();
    w.state().mt_ueberschrift.setText(5, "Kopf");
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    EXPECT_TRUE(ini().contains("\"text\":\"Kopf\"}}"));
}

} // namespace

namespace
{

// Closing by the close box, Alt+F4 or the window manager asks only when a
// save now would write something else than right after the load.
class CloseTest : public LoadSaveTest
{
  protected:
    // What the window manager's close does: a close event to the window.
    bool closeByWindowManager()
    {
        w.close();
        return !w.isVisible();
    }
};

TEST_F(CloseTest, NothingChangedClosesWithoutAQuestion)
{
    for (const QByteArray &file :
         {QByteArray(), QByteArray("[Optionen]\r\nAnzahlZeilen=$1F\r\nZQHostOLS=Wahr\r\n")}) {
        if (!file.isEmpty())
            writeIni(file);
        Tf_root window{&dialogs};
        window.ti_start->stop();
        SettingsController c{window, SettingsFile::beside(dir.path())};
        window.show();
        window.ti_startTimer();
        // Looking around is no change: pages, rows, a field left as it was.
        window.P_Einstellungen->setCurrentWidget(window.TabSheet1);
        window.TabSheet1->e_server->setText("anders");
        window.TabSheet1->e_server->setText(file.isEmpty() ? "127.0.0.1" : "127.0.0.1");
        window.state().mt_spalten.Last();
        window.close();
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(dialogs.closeQuestions, 0);
        EXPECT_EQ(ini(), file); // a first start without a file leaves none
    }
}

struct CloseCase {
    const char *name;
    Dialogs::CloseAnswer answer;
    bool closes;
    bool saves;
};

void PrintTo(const CloseCase &c, std::ostream *os)
{
    *os << c.name;
}

class CloseAnswers : public CloseTest, public ::testing::WithParamInterface<CloseCase>
{
};

TEST_P(CloseAnswers, ChangedSettingsAreAskedFor)
{
    const CloseCase &c = GetParam();
    const QByteArray before = "[Optionen]\r\nZQHost=alt\r\n";
    writeIni(before);
    w.ti_startTimer();
    d().e_anzahlzeilen->setText("12");
    dialogs.closeAnswer = c.answer;
    EXPECT_EQ(closeByWindowManager(), c.closes);
    EXPECT_EQ(dialogs.closeQuestions, 1);
    if (c.saves) {
        // Exactly the save of the button: every key, the change included.
        EXPECT_TRUE(ini().startsWith("[Optionen]\r\nZQHost=alt\r\nZQHostOLS=nein\r\n")) << ini().constData();
        EXPECT_TRUE(ini().contains("AnzahlZeilen=12\r\n"));
        EXPECT_TRUE(ini().endsWith("letztesEF=-1\r\n\r\n"));
    } else {
        EXPECT_EQ(ini(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CloseAnswers,
    ::testing::Values(CloseCase{"Speichern", Dialogs::CloseAnswer::Save, true, true},
                      CloseCase{"Verwerfen", Dialogs::CloseAnswer::Discard, true, false},
                      CloseCase{"Abbrechen", Dialogs::CloseAnswer::Cancel, false, false}),
    [](const ::testing::TestParamInfo<CloseCase> &info) { return std::string(info.param.name); });

// A heading text typed but not yet committed is a change too.
TEST_F(CloseTest, UncommittedPanelEditIsAChange)
{
    w.ti_startTimer();
    w.state().mt_ueberschrift.Edit();
    w.state().mt_ueberschrift.setText(5, "Kopf");
    dialogs.closeAnswer = Dialogs::CloseAnswer::Save;
    EXPECT_TRUE(closeByWindowManager());
    EXPECT_EQ(dialogs.closeQuestions, 1);
    EXPECT_TRUE(ini().contains("\"text\":\"Kopf\"}}"));
}

// "Speichern" when the save fails: its message, and the window stays open
// for another try.
TEST_F(CloseTest, FailedSaveKeepsTheWindowOpen)
{
    writeIni("[Optionen]\r\n");
    controller.file().setLockWait(200);
    w.ti_startTimer();
    d().e_timeoutlogo->setText("30");
    const int fd = ::open(QFile::encodeName(iniPath()).constData(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    dialogs.closeAnswer = Dialogs::CloseAnswer::Save;
    EXPECT_FALSE(closeByWindowManager());
    ::close(fd);
    ASSERT_EQ(dialogs.failures.size(), 1);
    EXPECT_TRUE(dialogs.failures[0].contains("kann nicht erstellt werden"));
    EXPECT_EQ(ini(), QByteArray("[Optionen]\r\n"));
    EXPECT_TRUE(closeByWindowManager());
    EXPECT_TRUE(ini().contains("TimeoutLogo=30\r\n"));
}

// After a failed load nothing may be saved, so nothing is asked.
TEST_F(CloseTest, NoQuestionAfterAFailedLoad)
{
    writeIni("[Optionen]\r\nZQHost=gespeichert\r\n");
    controller.file().setLockWait(100);
    const int fd = ::open(QFile::encodeName(iniPath()).constData(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    w.ti_startTimer();
    ::close(fd);
    v().e_server->setText("neu");
    EXPECT_TRUE(closeByWindowManager());
    EXPECT_EQ(dialogs.closeQuestions, 0);
    EXPECT_EQ(ini(), QByteArray("[Optionen]\r\nZQHost=gespeichert\r\n"));
}

// Ctrl+S saves and closes like the button, without a question.
TEST_F(CloseTest, CtrlSSavesAndCloses)
{
    w.ti_startTimer();
    d().e_anzahlzeilen->setText("7");
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    d().e_anzahlzeilen->setFocus();
    QTest::keyClick(d().e_anzahlzeilen, Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(dialogs.closeQuestions, 0);
    EXPECT_TRUE(ini().contains("AnzahlZeilen=7\r\n"));
}

} // namespace

namespace
{

// The real question: German standard buttons, Escape cancels.
TEST(CloseQuestion, GermanButtonsAndEscapeCancels)
{
    SpeakGerman(*qApp);
    struct Press {
        QString button; // empty: Escape
        Dialogs::CloseAnswer answer;
    } presses[] = {
        {"", Dialogs::CloseAnswer::Cancel},
        {"Verwerfen", Dialogs::CloseAnswer::Discard},
        {"Speichern", Dialogs::CloseAnswer::Save},
        {"Abbrechen", Dialogs::CloseAnswer::Cancel},
    };
    QWidget owner;
    owner.show();
    for (const Press &p : presses) {
        QStringList texts;
        QString question;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            question = box->text();
            for (QAbstractButton *b : box->buttons())
                texts << b->text().remove(u'&');
            if (p.button.isEmpty()) {
                QTest::keyClick(box, Qt::Key_Escape);
                return;
            }
            for (QAbstractButton *b : box->buttons())
                if (b->text().remove(u'&') == p.button)
                    b->click();
        });
        QtDialogs dialogs;
        EXPECT_EQ(dialogs.askUnsavedChanges(&owner), p.answer) << p.button.toStdString();
        texts.sort();
        EXPECT_EQ(texts, QStringList({"Abbrechen", "Speichern", "Verwerfen"}));
        EXPECT_EQ(question, "Die Änderungen an den Einstellungen wurden nicht gespeichert.");
    }
}

} // namespace

namespace
{

// A save that would write characters as "?" asks first; a file with a
// UTF-8 mark holds them and is never asked about.
struct ReplaceCase {
    const char *name;
    std::optional<QByteArray> file; // none: no file yet
    std::deque<bool> answers;       // "Trotzdem speichern": true
    QStringList asked;              // the characters each question named
    bool saves;
    QByteArray written; // the line of InfoZeile in the file afterwards
};

void PrintTo(const ReplaceCase &c, std::ostream *os)
{
    *os << c.name;
}

class ReplaceUnsupported : public LoadSaveTest, public ::testing::WithParamInterface<ReplaceCase>
{
};

TEST_P(ReplaceUnsupported, AskedBeforeCharactersBecomeQuestionMarks)
{
    const ReplaceCase &c = GetParam();
    if (c.file)
        writeIni(*c.file);
    w.ti_startTimer();
    d().e_InfoZeile->setText(QStringLiteral("Łączny czas,日本語,Łódź?"));
    dialogs.replaceAnswers = c.answers;
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    EXPECT_EQ(dialogs.replaceQuestions, c.asked);
    EXPECT_TRUE(dialogs.failures.isEmpty()) << dialogs.failures.join(u'\n').toStdString();
    EXPECT_EQ(w.isVisible(), !c.saves);
    if (!c.saves) {
        // Nothing written: the file as it was, or still none.
        EXPECT_EQ(ini(), c.file.value_or(QByteArray()));
        EXPECT_EQ(QFileInfo::exists(iniPath()), c.file.has_value());
        return;
    }
    EXPECT_TRUE(ini().contains("\r\nInfoZeile=" + c.written + "\r\n")) << ini().constData();
    // Byte for byte what typing the stored text writes, without a question.
    TempDir other;
    if (c.file)
        other.write("DAZovozoved.ini", *c.file);
    FakeDialogs otherDialogs;
    Tf_root window{&otherDialogs};
    window.ti_start->stop();
    SettingsController controller{window, SettingsFile::beside(other.path())};
    window.show();
    window.ti_startTimer();
    window.TabSheet2->e_InfoZeile->setText(DecodeSettingsText(c.file && c.file->startsWith("\xEF\xBB\xBF")
                                                                  ? "\xEF\xBB\xBF" + c.written
                                                                  : c.written)
                                               .text);
    window.b_endeClick();
    EXPECT_TRUE(otherDialogs.replaceQuestions.isEmpty());
    EXPECT_EQ(other.read("DAZovozoved.ini"), ini());
}

const QByteArray kAnsi = "[Optionen]\r\nZQHost=M\xFCller\r\n";
const QByteArray kReplaced = QByteArray("??czny czas,???,?") + "\xF3" + "d??";
const QString kNamed = QStringLiteral("Ł, ą, 日, 本, 語, ź");

const ReplaceCase kReplaceCases[] = {
    {"CancelWritesNothing", kAnsi, {false}, {kNamed}, false, {}},
    {"SaveAnywayWritesQuestionMarks", kAnsi, {true}, {kNamed}, true, kReplaced},
    {"NewFileCancelled", std::nullopt, {false}, {kNamed}, false, {}},
    {"NewFileSavedAnyway", std::nullopt, {true}, {kNamed}, true, kReplaced},
    {"Utf8MarkNeverAsked",
     QByteArray("\xEF\xBB\xBF[Optionen]\r\nZQHost=M\xC3\xBCller\r\n"),
     {},
     {},
     true,
     QStringLiteral("Łączny czas,日本語,Łódź?").toUtf8()},
};

INSTANTIATE_TEST_SUITE_P(Files, ReplaceUnsupported, ::testing::ValuesIn(kReplaceCases),
                         [](const auto &info) { return std::string(info.param.name); });

// The real question: "Abbrechen" the default (Return) and Escape; only
// "Trotzdem speichern" saves. The characters are shown as plain text.
TEST(ReplaceUnsupportedQuestion, CancelIsTheDefault)
{
    const struct {
        const char *how; // a button's text, or "Return" / "Escape"
        bool saves;
    } presses[] = {
        {"Return", false},
        {"Escape", false},
        {"Abbrechen", false},
        {"Trotzdem speichern", true},
    };
    QWidget owner;
    owner.show();
    const QString named = QStringLiteral("<b>日</b>, U+200B");
    for (const auto &p : presses) {
        QStringList texts;
        QString shown;
        Qt::TextFormat format = Qt::RichText;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            shown = box->text();
            format = box->textFormat();
            for (QAbstractButton *b : box->buttons())
                texts << b->text().remove(u'&');
            const QString how = QString::fromUtf8(p.how);
            if (how == "Return")
                QTest::keyClick(box, Qt::Key_Return);
            else if (how == "Escape")
                QTest::keyClick(box, Qt::Key_Escape);
            for (QAbstractButton *b : box->buttons()) {
                if (b->text().remove(u'&') == how)
                    b->click();
            }
            (void)QTest::qWaitFor([box] { return !box->isVisible(); }, 10000);
            if (box->isVisible()) // the key did nothing: end the question, the answer tells
                box->done(QMessageBox::Cancel);
        });
        QtDialogs dialogs;
        EXPECT_EQ(dialogs.askReplaceUnsupported(&owner, named), p.saves) << p.how;
        texts.sort();
        EXPECT_EQ(texts, QStringList({"Abbrechen", "Trotzdem speichern"}));
        EXPECT_EQ(shown, ReplaceUnsupportedQuestion(named));
        EXPECT_TRUE(shown.contains(named));
        EXPECT_EQ(format, Qt::PlainText);
    }
}

} // namespace
