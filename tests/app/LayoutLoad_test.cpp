#include "app/SettingsController.h"
#include "layout/LayoutFile.h"
#include "logo/PngWriter.h"
#include "support/FakeDialogs.h"
#include "support/TempDir.h"
#include "ui/CueLineEdit.h"
#include "ui/DarstellungPage.h"
#include "ui/DisplayPreview.h"
#include "ui/LayoutMenu.h"
#include "ui/PictureBox.h"
#include "ui/StartnummernInfoPage.h"
#include "ui/Tf_root.h"
#include "ui/UeberschriftPage.h"
#include "ui/VerbindungPage.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>
#include <memory>

namespace
{

// The file an operator's editor starts with: another look than any layout
// below, and the connection with its secrets.
const QByteArray kStartFile =
    "[Optionen]\r\n"
    "ZQHost=10.0.0.5\r\n"
    "ZQHostOLS=ja\r\n"
    "ZQKundennummer=4711\r\n"
    "ZQKDPasswort=geheim-kd\r\n"
    "ZQVAPasswort=geheim-va\r\n"
    "ZQVANummer=17\r\n"
    "AnzahlZeilen=15\r\n"
    "HintergrundFarbe=#102030\r\n"
    "InfoZeileFormat={\"1\":{\"schriftname\":\"Tahoma\",\"schriftgroesse\":\"20\",\"farbe\":"
    "\"#FF0000\",\"fett\":\"false\",\"ausrichtung\":\"mitte\",\"anzahlzeichen\":\"3\"}}\r\n"
    "InfoZeile=Startnr,[Name]\r\n"
    "SNRInfoFelder=Startnr,[Verein]\r\n"
    "\r\n"
    "[Anderes]\r\n"
    "Schluessel=bleibt\r\n";

// One editor: its own folder with the settings file, its window and
// controller, loaded.
struct Editor {
    explicit Editor(const QByteArray &file)
    {
        dir.write("DAZovozoved.ini", file);
        w.ti_start->stop();
        w.show();
        w.layoutMenu()->setFolder(dir.path("layouts"));
        w.ti_startTimer();
    }
    QByteArray ini() const { return dir.read("DAZovozoved.ini"); }
    QByteArray save()
    {
        w.b_endeClick();
        return ini();
    }

    TempDir dir;
    FakeDialogs dialogs;
    Tf_root w{&dialogs};
    SettingsController controller{w, SettingsFile::beside(dir.path())};
};

QByteArray WithValues(const QByteArray &file, const Layout &layout)
{
    return ApplyWritesToFile(file, [&](SettingsEdit &out) {
        for (const auto &[key, value] : layout.values)
            out.WriteOption(keyName(key), value);
    });
}

Layout Changed(Layout layout, const std::vector<std::pair<Key, QString>> &changes)
{
    for (const auto &[key, value] : changes) {
        for (auto &[k, v] : layout.values) {
            if (k == key)
                v = value;
        }
    }
    return layout;
}

struct LayoutCase {
    const char *name;
    std::function<Layout()> layout;
};

const LayoutCase kLayouts[] = {
    {"Standard", [] { return BuiltInLayouts().at(0); }},
    {"Hall", [] { return BuiltInLayouts().at(1); }},
    {"Daylight", [] { return BuiltInLayouts().at(2); }},
    {"OddValues",
     [] {
         return Changed(BuiltInLayouts().at(1), {{Key::AnzahlZeilen, "$1F"},
                                                 {Key::VollBild, "Wahr"},
                                                 {Key::TransparenzLogo, "300"},
                                                 {Key::HintergrundFarbe, "  #00FF00 "},
                                                 {Key::erstesEF, "abc"},
                                                 {Key::mitStartNrInfo, "yes"},
                                                 {Key::SNRInfoFelder, "A,\"b, c\",,D"}});
     }},
    // The formula line stays as the editor has it; only the formats change.
    {"SameColumnsOtherFormats",
     [] {
         return Changed(BuiltInLayouts().at(1), {{Key::InfoZeile, "Startnr,[Name]"}});
     }},
    {"EmptyFormulaLine",
     [] {
         return Changed(BuiltInLayouts().at(2), {{Key::InfoZeile, ""}, {Key::SNRInfoFelder, ""}});
     }},
    // Not from a file (the reader refuses it), but the load must treat it as
    // the start treats such a stored format: kept as it is.
    {"UnreadableFormat",
     [] {
         return Changed(BuiltInLayouts().at(1), {{Key::UeberschriftFormat, "kaputt{"}});
     }},
};

class LayoutThenSave : public ::testing::TestWithParam<LayoutCase>
{
};

TEST_P(LayoutThenSave, WritesWhatAStartFromAFileWithItsValuesWrites)
{
    const Layout layout = GetParam().layout();
    Editor loaded(kStartFile);
    loaded.w.layoutMenu()->loadLayout(layout);
    EXPECT_EQ(loaded.ini(), kStartFile) << "nothing is written before the save";
    const QByteArray afterLayout = loaded.save();

    Editor started(WithValues(kStartFile, layout));
    const QByteArray afterStart = started.save();

    EXPECT_EQ(afterLayout.toStdString(), afterStart.toStdString());
    EXPECT_TRUE(loaded.dialogs.failures.isEmpty()) << loaded.dialogs.failures.join('\n').toStdString();
    EXPECT_EQ(loaded.dialogs.messages, started.dialogs.messages);
    EXPECT_TRUE(afterLayout.contains("ZQKDPasswort=geheim-kd\r\n"));
    EXPECT_TRUE(afterLayout.contains("[Anderes]\r\nSchluessel=bleibt\r\n"));
}

INSTANTIATE_TEST_SUITE_P(Cases, LayoutThenSave, ::testing::ValuesIn(kLayouts),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(LayoutLoad, ShowsTheValuesAsTheStartWouldAndLeavesTheConnection)
{
    Editor e(kStartFile);
    e.w.layoutMenu()->loadLayout(kLayouts[3].layout());
    const DarstellungPage &d = *e.w.TabSheet2;
    EXPECT_EQ(d.e_anzahlzeilen->text(), "31");
    EXPECT_EQ(d.e_hintergrund->text(), "#00FF00");
    EXPECT_EQ(d.tb_trans->value(), 255);
    EXPECT_TRUE(d.cb_vollbild->isChecked());
    EXPECT_EQ(d.e_erstesEF->text(), "-1");
    EXPECT_FALSE(e.w.TabSheet4->cb_startnummerninfo->isChecked());
    EXPECT_EQ(e.w.state().mt_spalten.RecordCount(), 2);
    EXPECT_EQ(e.w.state().mt_snrInfo.RecordCount(), 4);
    e.w.state().mt_spalten.First();
    EXPECT_EQ(e.w.state().mt_spalten.asText(0), "Arial");
    EXPECT_EQ(e.w.state().mt_spalten.asText(6), "Startnr");
    const VerbindungPage &v = *e.w.TabSheet1;
    EXPECT_EQ(v.e_server->text(), "10.0.0.5");
    EXPECT_EQ(v.e_kdpasswort->text(), "geheim-kd");
    EXPECT_EQ(v.e_vanr->text(), "17");
    EXPECT_TRUE(v.rb_imInet->isChecked());
}

TEST(LayoutLoad, CountsAsAChangeWhenTheWindowIsClosed)
{
    Editor e(kStartFile);
    e.dialogs.closeAnswer = Dialogs::CloseAnswer::Cancel;
    e.w.layoutMenu()->loadLayout(BuiltInLayouts().at(1));
    e.w.close();
    EXPECT_EQ(e.dialogs.closeQuestions, 1);
    EXPECT_TRUE(e.w.isVisible());
    EXPECT_EQ(e.ini(), kStartFile);
}

TEST(LayoutLoad, SavedLayoutHoldsWhatASaveWouldWriteAndNoConnection)
{
    Editor e(kStartFile);
    // A heading text typed but not yet committed goes in, as in a save.
    e.w.state().mt_ueberschrift.First();
    e.w.state().mt_ueberschrift.Edit();
    e.w.state().mt_ueberschrift.setText(5, QStringLiteral("Neu"));
    const QString path = e.dir.path("layouts/Halle Nord.vadlayout");
    e.dialogs.layoutPaths.push_back(path);
    e.w.layoutMenu()->saveAction()->trigger();
    ASSERT_TRUE(e.dialogs.failures.isEmpty()) << e.dialogs.failures.join('\n').toStdString();
    ASSERT_EQ(e.dialogs.layoutDialogs.size(), 1);
    EXPECT_TRUE(e.dialogs.layoutDialogs[0].startsWith("speichern:" + e.dir.path("layouts")));

    const QByteArray bytes = e.dir.read("layouts/Halle Nord.vadlayout");
    EXPECT_FALSE(bytes.contains("geheim"));
    EXPECT_FALSE(bytes.contains("ZQ"));
    EXPECT_FALSE(bytes.contains("10.0.0.5"));
    const Layout layout = ReadLayoutFile(path);
    EXPECT_EQ(layout.name, "Halle Nord");
    EXPECT_TRUE(layout.logoPng.isEmpty());
    EXPECT_TRUE(e.dialogs.questions.isEmpty()) << "no logo.png, no question";
    EXPECT_TRUE(LayoutValue(layout, Key::UeberschriftFormat).contains("\"text\":\"Neu\""));
    // Every value is what the save then writes.
    const QByteArray saved = e.save();
    for (const auto &[key, value] : layout.values)
        EXPECT_TRUE(saved.contains((keyName(key) + '=' + value + "\r\n").toUtf8()))
            << keyName(key).toStdString();
}

class LogoInWorkingFolder : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        old = QDir::currentPath();
        QDir::setCurrent(e.dir.path());
    }
    void TearDown() override { QDir::setCurrent(old); }

    QString old;
    Editor e{kStartFile};
    const QByteArray png = PngWriter::Encode(PngWriter::Noise(5, 4, 8, 6, 3));
    const QByteArray otherPng = PngWriter::Encode(PngWriter::Noise(3, 3, 8, 2, 9));
};

TEST_F(LogoInWorkingFolder, GoesIntoTheLayoutWhenTheOperatorSaysYes)
{
    e.dir.write("logo.png", png);
    for (const bool yes : {true, false}) {
        e.dialogs.yesNo.push_back(yes);
        e.dialogs.layoutPaths.push_back(e.dir.path("l.vadlayout"));
        e.w.layoutMenu()->saveLayout();
        EXPECT_EQ(ReadLayoutFile(e.dir.path("l.vadlayout")).logoPng, yes ? png : QByteArray()) << yes;
    }
    EXPECT_EQ(e.dialogs.questions.size(), 2);
    EXPECT_TRUE(e.dialogs.questions[0].contains("logo.png"));
}

TEST_F(LogoInWorkingFolder, ReplacedOnlyAfterYesAndThePreviewsReload)
{
    e.dir.write("logo.png", otherPng);
    Layout layout = BuiltInLayouts().at(1);
    layout.logoPng = png;
    WriteLayoutFile(e.dir.path("mit Logo.vadlayout"), layout);

    e.dialogs.layoutPaths.push_back(e.dir.path("mit Logo.vadlayout"));
    e.w.layoutMenu()->loadAction()->trigger(); // no answer queued: "Nein"
    EXPECT_EQ(e.dialogs.questions, QStringList{"Das Layout enthält ein Logo. Soll logo.png ersetzt werden?"});
    EXPECT_EQ(e.dir.read("logo.png"), otherPng);
    EXPECT_EQ(e.w.TabSheet2->e_anzahlzeilen->text(), "8") << "the values are loaded all the same";

    e.dialogs.yesNo.push_back(true);
    e.dialogs.layoutPaths.push_back(e.dir.path("mit Logo.vadlayout"));
    e.w.layoutMenu()->loadAction()->trigger();
    EXPECT_EQ(e.dir.read("logo.png"), png);
    EXPECT_TRUE(e.w.TabSheet2->img_logo->hasPicture());
    EXPECT_FALSE(e.w.TabSheet2->img_logo->isHidden());
    EXPECT_EQ(e.w.TabSheet2->displayLogo().size(), QSize(5, 4));
    EXPECT_TRUE(e.dialogs.failures.isEmpty()) << e.dialogs.failures.join('\n').toStdString();
}

TEST(LayoutLoad, RefusedFileChangesNothing)
{
    Editor e(kStartFile);
    e.dir.write("kaputt.vadlayout", "{\"format\":\"VADaroradarAdadad-Layout\",\"version\":1}");
    const QString before = e.w.TabSheet2->e_anzahlzeilen->text();
    e.dialogs.layoutPaths.push_back(e.dir.path("kaputt.vadlayout"));
    e.w.layoutMenu()->loadAction()->trigger();
    ASSERT_EQ(e.dialogs.failures.size(), 1);
    EXPECT_TRUE(e.dialogs.failures[0].contains("kaputt.vadlayout")) << e.dialogs.failures[0].toStdString();
    EXPECT_EQ(e.w.TabSheet2->e_anzahlzeilen->text(), before);
    e.dialogs.closeAnswer = Dialogs::CloseAnswer::Cancel;
    e.w.close();
    EXPECT_EQ(e.dialogs.closeQuestions, 0) << "nothing changed";
}

TEST(LayoutMenuEntries, NamedLayoutsThenBuiltInOnes)
{
    Editor e(kStartFile);
    QDir().mkpath(e.dir.path("layouts"));
    WriteLayoutFile(e.dir.path("layouts/Zielgerade.vadlayout"), BuiltInLayouts().at(2));
    WriteLayoutFile(e.dir.path("layouts/abend.vadlayout"), BuiltInLayouts().at(1));
    e.w.layoutMenu()->rebuildMenu();
    QStringList texts;
    for (QAction *a : e.w.layoutMenu()->menu()->actions())
        texts << (a->isSeparator() ? "--" + a->text() : a->text());
    EXPECT_EQ(texts, (QStringList{"Layout speichern…", "Layout laden…", "--Eigene Layouts", "abend",
                                  "Zielgerade", "--Mitgelieferte Layouts", "Standard",
                                  "Hallenanzeige (hoher Kontrast)", "Tageslicht (dunkel auf hell)"}));
    // A named entry loads its file.
    e.w.layoutMenu()->menu()->actions().at(3)->trigger();
    EXPECT_EQ(e.w.TabSheet2->e_anzahlzeilen->text(), "8");
    // A built-in entry loads from the program.
    e.w.layoutMenu()->menu()->actions().at(6)->trigger();
    EXPECT_EQ(e.w.TabSheet2->e_anzahlzeilen->text(), "20");
    EXPECT_TRUE(e.dialogs.failures.isEmpty()) << e.dialogs.failures.join('\n').toStdString();
}

TEST(LayoutMenuEntries, ButtonSitsRightOfVorschauAndTheDesignedButtonsStay)
{
    Editor e(kStartFile);
    EXPECT_EQ(e.w.b_ende->geometry(), QRect(288, 533, 211, 36));
    EXPECT_EQ(e.w.b_vorschau->geometry(), QRect(507, 533, 100, 36));
    const QRect button = e.w.layoutMenu()->button()->geometry();
    EXPECT_TRUE(e.w.layoutMenu()->button()->isVisible());
    EXPECT_EQ(button.top(), 533);
    EXPECT_EQ(button.height(), 36);
    EXPECT_GT(button.left(), e.w.b_vorschau->geometry().right());
    EXPECT_LE(button.right(), e.w.width());
    // A small screen moves "Vorschau"; the menu button follows it or, with
    // no room beside it, hides (its keys still work).
    for (const QSize room : {QSize(700, 500), QSize(420, 300)}) {
        e.w.applyLayout(Tf_root::LayoutFor(room, 15));
        const QRect moved = e.w.layoutMenu()->button()->geometry();
        const bool shown = !e.w.layoutMenu()->button()->isHidden();
        if (shown) {
            EXPECT_GT(moved.left(), e.w.b_vorschau->geometry().right());
            EXPECT_LE(moved.right(), e.w.width());
            EXPECT_EQ(moved.top(), e.w.b_vorschau->geometry().top());
        }
        EXPECT_EQ(shown, room.width() == 700) << room.width();
    }
}

TEST(LayoutMenuEntries, KeysOpenTheDialogs)
{
    Editor e(kStartFile);
    e.w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&e.w));
    QTest::keyClick(&e.w, Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(&e.w, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(e.dialogs.layoutDialogs.size(), 2);
    EXPECT_TRUE(e.dialogs.layoutDialogs.value(0).startsWith("laden:"));
    EXPECT_TRUE(e.dialogs.layoutDialogs.value(1).startsWith("speichern:"));
    EXPECT_TRUE(e.w.isVisible()) << "Ctrl+Shift+S is not the save and close of Ctrl+S";
}

} // namespace

namespace
{

TEST(LayoutLoad, OpenPreviewFollows)
{
    Editor e(kStartFile);
    e.w.b_vorschauClick();
    ASSERT_NE(e.w.preview(), nullptr);
    e.w.layoutMenu()->loadLayout(BuiltInLayouts().at(2)); // dark on white
    const auto drawn = [&] { return e.w.preview()->drawnLayout(); };
    EXPECT_TRUE(QTest::qWaitFor([&] { return drawn().background == QColor(Qt::white); }, 10000));
    const auto cells = drawn().cells;
    ASSERT_FALSE(cells.empty());
    EXPECT_TRUE(std::any_of(cells.begin(), cells.end(),
                            [](const DisplayLayout::Cell &c) { return c.colour == QColor(0, 0, 0x80); }));
}

} // namespace
