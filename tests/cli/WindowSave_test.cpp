// The command line stores what the window stores: a save right after the
// start, and a save after values were put into the controls, give the same
// bytes from the window and from the command line's save (the editor state
// without a window, in process and as the built executable).
#include "app/SettingsController.h"
#include "base/Failure.h"
#include "cli/Assignments.h"
#include "cli/CliRunner.h"
#include "layout/LayoutFile.h"
#include "support/FakeDialogs.h"
#include "support/TempDir.h"
#include "ui/CueLineEdit.h"
#include "ui/DarstellungPage.h"
#include "ui/StartnummernInfoPage.h"
#include "ui/Tf_root.h"
#include "ui/UeberschriftPage.h"
#include "ui/VerbindungPage.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

#include <functional>
#include <gtest/gtest.h>

namespace
{

const char *const kIni = "DAZovozoved.ini";

QByteArray Crlf(const QByteArray &lines)
{
    QByteArray out = lines;
    return out.replace("\n", "\r\n");
}

QByteArray Utf16Le(const QString &text)
{
    QByteArray out("\xFF\xFE", 2);
    out.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    return out;
}

const QByteArray kThreeFormats =
    R"({"1":{"schriftname":"Arial","schriftgroesse":"24","farbe":"#FF0000","fett":"true","ausrichtung":"rechts","anzahlzeichen":"5"})"
    R"("2":{"schriftname":"Tahoma","schriftgroesse":"$10","farbe":"#00FF00","fett":"ja","ausrichtung":"Mitte","anzahlzeichen":"x"})"
    R"("3":{"schriftname":"Verdana","schriftgroesse":"12.5","farbe":"#0000FFAA","fett":"0","ausrichtung":"links","anzahlzeichen":"-3"}})";
const QByteArray kHeadings =
    R"({"a":{"schriftname":"Arial","schriftgroesse":"30","farbe":"#FFFFFF","fett":"true","text":"Startnummer"})"
    R"("b":"x"})";

// The window: started on the file, `type` puts values into its controls,
// then "speichern + schliessen". Gives the file's bytes afterwards (the old
// ones when the save was refused) and the failures shown.
struct WindowResult {
    QByteArray bytes;
    QStringList failures;
};

using Typing = std::function<void(Tf_root &)>;

WindowResult WindowSaves(const QByteArray &file, const Typing &type = {})
{
    TempDir dir;
    if (!file.isNull())
        dir.write(kIni, file);
    FakeDialogs dialogs;
    Tf_root w{&dialogs};
    w.ti_start->stop();
    SettingsController controller{w, SettingsFile::beside(dir.path())};
    w.show();
    w.ti_startTimer();
    if (type)
        type(w);
    w.b_endeClick();
    return {dir.read(kIni), dialogs.failures};
}

// The same without a window: the command line's save inside one update.
QByteArray CoreSaves(const QByteArray &file)
{
    TempDir dir;
    if (!file.isNull())
        dir.write(kIni, file);
    try {
        SettingsFile::beside(dir.path()).Update([](SettingsEdit &edit) {
            EditorState::WriteValues(edit, SaveAfterStart(edit).values);
        });
    } catch (const Failure &) {
    }
    return dir.read(kIni);
}

// The built executable.
struct CliResult {
    QByteArray bytes;
    CliRun run;
};

CliResult CliSets(const QByteArray &file, const QStringList &assignments)
{
    TempDir dir;
    if (!file.isNull())
        dir.write(kIni, file);
    CliRun run = RunCliProcess(QStringList{QStringLiteral("--file"), dir.path(kIni), QStringLiteral("set")} +
                               assignments);
    return {dir.read(kIni), run};
}

struct OddFile {
    const char *name;
    QByteArray bytes;
};

void PrintTo(const OddFile &c, std::ostream *os)
{
    *os << c.name;
}

class StartThenSave : public ::testing::TestWithParam<OddFile>
{
};

TEST_P(StartThenSave, WithoutWindowSameBytesAsTheWindow)
{
    const WindowResult window = WindowSaves(GetParam().bytes);
    EXPECT_EQ(CoreSaves(GetParam().bytes), window.bytes);
}

TEST_P(StartThenSave, SetOfOneKeySameBytesAsTypingItIntoTheWindow)
{
    const WindowResult window =
        WindowSaves(GetParam().bytes, [](Tf_root &w) { w.TabSheet1->e_vanr->setText(QStringLiteral("77")); });
    const CliResult cli = CliSets(GetParam().bytes, {QStringLiteral("ZQVANummer=77")});
    ASSERT_TRUE(cli.run.finished);
    EXPECT_EQ(cli.bytes, window.bytes) << cli.run.err.constData();
    // A save the window refuses, the command line refuses too.
    EXPECT_EQ(cli.run.exitCode, window.failures.isEmpty() ? 0 : 1) << cli.run.err.constData();
    EXPECT_EQ(cli.run.out, QByteArray());
}

const OddFile kOddFiles[] = {
    {"NoFile", QByteArray()},
    {"EmptyFile", QByteArray("")},
    {"HexNumbersAndOddFlags",
     Crlf("[Optionen]\nAnzahlZeilen=$1F\nTimeoutleereZeile=0012\nTimeoutLogo=12abc\nTransparenzLogo=300\n"
          "erstesEF=x10\nletztesEF=-$10\nVollBild=WAHR\nmitUeberschrift=yes\nmitStartNrInfo=\nZQHostOLS="
          "Ja\n")},
    {"NegativeTransparencyAndComments",
     "; Kommentar\n\n[optionen]\n  zqhost = 192.0.2.10  \nTransparenzLogo=-5\n[Anzeige]\nX = 1\n"},
    {"MissingKeysOtherSectionsKept",
     Crlf("[Anzeige]\nBreite=1920\n\n[Optionen]\nZQHost=h\n\n[Optionen]\nZQHost=zweite\n")},
    {"UnreadableFormatKept",
     Crlf("[Optionen]\nInfoZeileFormat={\"1\":{\"schriftname\":\"A\"\"}\nInfoZeile=a,b\n")},
    {"MoreFormulasThanFormats",
     Crlf("[Optionen]\nInfoZeileFormat=" + kThreeFormats.left(kThreeFormats.indexOf("\"2\"")) +
          "}\nInfoZeile=Startnr,[Name],\"a,b\",Zeit\nUeberschriftFormat=" + kHeadings + "\n")},
    {"FewerFormulasThanFormats",
     Crlf("[Optionen]\nInfoZeileFormat=" + kThreeFormats +
          "\nInfoZeile=Startnr,[Name]\nSNRInfoFelderFormat=" + kThreeFormats + "\nSNRInfoFelder=\n")},
    {"EmptyFormulaLineKeepsLoadedRows",
     Crlf("[Optionen]\nInfoZeileFormat=" + kThreeFormats + "\nInfoZeile=\n")},
    {"UmlautsUtf8",
     "\xEF\xBB\xBF" + Crlf("[Optionen]\nZQHost=Zeitmessung Süd\nInfoZeile=Startnr,[Straße],Größe\n"
                           "UeberschriftFormat=" +
                           QByteArray(kHeadings).replace("Startnummer", "Läufer €") + "\n")},
    {"Windows1252",
     Crlf("[Optionen]\nZQHost=M\xFCller \x80\nZQKDPasswort=g\xE9heim\nInfoZeile=[\xC4ltere]\n")},
    {"Utf8MarkWithBrokenBytes", "\xEF\xBB\xBF" + Crlf("[Optionen]\nZQHost=a\xFF\xFE"
                                                      "b\nStartNrInFeld=\xC3\n")},
    {"Utf16", Utf16Le(QStringLiteral("[Optionen]\r\nZQHost=Köln\r\nAnzahlZeilen= 7\r\nInfoZeile=a,b\r\n"))},
    {"SpacesAroundLastValue", Crlf("[Optionen]\nletztesEF=  5  \nStartNrInFeld=\t[Feld] \n")},
    {"NulInAValueRefusedByBoth", QByteArray("[Optionen]\r\nZQHost=a\0b\r\n", 24)},
};

INSTANTIATE_TEST_SUITE_P(OddFiles, StartThenSave, ::testing::ValuesIn(kOddFiles),
                         [](const auto &info) { return std::string(info.param.name); });

// `set` of values against the same values put into the window's controls.
struct Typed {
    const char *name;
    QByteArray file;
    QStringList assignments;
    Typing type;
};

void PrintTo(const Typed &c, std::ostream *os)
{
    *os << c.name;
}

class SetLikeTyping : public ::testing::TestWithParam<Typed>
{
};

TEST_P(SetLikeTyping, SameBytesAsTheWindow)
{
    const Typed &c = GetParam();
    const WindowResult window = WindowSaves(c.file, c.type);
    ASSERT_TRUE(window.failures.isEmpty()) << window.failures.join(u'\n').toStdString();
    const CliResult cli = CliSets(c.file, c.assignments);
    ASSERT_TRUE(cli.run.finished);
    EXPECT_EQ(cli.run.exitCode, 0) << cli.run.err.constData();
    EXPECT_EQ(cli.bytes, window.bytes);
}

const QByteArray kTwoColumns = Crlf("[Optionen]\nInfoZeileFormat=" + kThreeFormats + "\nInfoZeile=a,b\n");

const Typed kTyped[] = {
    {"Number",
     QByteArray(),
     {"AnzahlZeilen=12"},
     [](Tf_root &w) { w.TabSheet2->e_anzahlzeilen->setText("12"); }},
    {"EmptiedNumber",
     kTwoColumns,
     {"AnzahlZeilen="},
     [](Tf_root &w) { w.TabSheet2->e_anzahlzeilen->setText(""); }},
    {"FlagsAndTransparency",
     kTwoColumns,
     {"VollBild=nein", "ZQHostOLS=JA", "TransparenzLogo=200"},
     [](Tf_root &w) {
         w.TabSheet2->cb_vollbild->setChecked(false);
         w.TabSheet1->rb_imInet->setChecked(true);
         w.TabSheet2->tb_trans->setValue(200);
     }},
    {"TextTrimmedOnItsWayIntoTheFile",
     kTwoColumns,
     {" ZQHost =  Süd 1 ", "HintergrundFarbe=#FF0000"},
     [](Tf_root &w) {
         w.TabSheet1->e_server->setText(QStringLiteral("  Süd 1 "));
         w.TabSheet2->e_hintergrund->setText("#FF0000");
     }},
    {"FormulaLineGrowsFromTheLoadedRows",
     kTwoColumns,
     {"InfoZeile=a,b,c"},
     [](Tf_root &w) { w.TabSheet2->e_InfoZeile->setText("a,b,c"); }},
    {"FormulaLineShrinks",
     kTwoColumns,
     {"InfoZeile=x"},
     [](Tf_root &w) { w.TabSheet2->e_InfoZeile->setText("x"); }},
    {"FormulaLineEmptied",
     kTwoColumns,
     {"InfoZeile="},
     [](Tf_root &w) { w.TabSheet2->e_InfoZeile->setText(""); }},
    {"StartNumberInfoLine",
     QByteArray(),
     {"SNRInfoFelder=Startnr,Name", "StartNrInFeld=Feld"},
     [](Tf_root &w) {
         w.TabSheet4->e_SNRInfoFelder->setText("Startnr,Name");
         w.TabSheet4->e_StartNrInFeld->setText("Feld");
     }},
    {"UnreadableFormatGivesWayToANewFormulaLine",
     Crlf("[Optionen]\nInfoZeileFormat={\"1\"\nInfoZeile=a,b\n"),
     {"InfoZeile=a,b,c"},
     [](Tf_root &w) { w.TabSheet2->e_InfoZeile->setText("a,b,c"); }},
    {"LastKeyAsTheFieldShowsIt",
     kTwoColumns,
     {"letztesEF=0007"},
     [](Tf_root &w) { w.TabSheet2->e_letztesEF->setText("7"); }},
};

INSTANTIATE_TEST_SUITE_P(Values, SetLikeTyping, ::testing::ValuesIn(kTyped),
                         [](const auto &info) { return std::string(info.param.name); });

// A column format is set as a file holding it: the window started on such a
// file and saved writes the same bytes.
TEST(SetFormat, SameBytesAsTheWindowStartedOnAFileHoldingIt)
{
    const QByteArray before = Crlf("[Optionen]\nZQHost=h\nInfoZeile=a,b,c\n");
    const QByteArray holding =
        Crlf("[Optionen]\nZQHost=h\nInfoZeile=a,b,c\nInfoZeileFormat=" + kThreeFormats +
             "\nUeberschriftFormat=" + kHeadings + "\n");
    const WindowResult window = WindowSaves(holding);
    const CliResult cli = CliSets(before, {QString::fromUtf8("InfoZeileFormat=" + kThreeFormats),
                                           QString::fromUtf8("UeberschriftFormat=" + kHeadings)});
    ASSERT_TRUE(cli.run.finished);
    EXPECT_EQ(cli.run.exitCode, 0) << cli.run.err.constData();
    // Keys the file lacked are appended in save order, so compare values.
    EXPECT_EQ(SettingsSnapshot(IniDocument::fromBytes(cli.bytes)).ReadOption("InfoZeileFormat", "?"),
              SettingsSnapshot(IniDocument::fromBytes(window.bytes)).ReadOption("InfoZeileFormat", "!"));
    EXPECT_EQ(SettingsSnapshot(IniDocument::fromBytes(cli.bytes)).ReadOption("UeberschriftFormat", "?"),
              SettingsSnapshot(IniDocument::fromBytes(window.bytes)).ReadOption("UeberschriftFormat", "!"));
    // On a file that already holds the keys, byte for byte.
    const CliResult again = CliSets(holding, {QString::fromUtf8("InfoZeileFormat=" + kThreeFormats)});
    EXPECT_EQ(again.bytes, window.bytes);
}

struct WhileOpen {
    const char *name;
    QStringList call; // the command line's, while the window is open
    bool asked;       // the save asks about another program's change
};

void PrintTo(const WhileOpen &c, std::ostream *os)
{
    *os << c.name;
}

class CliWhileTheWindowIsOpen : public ::testing::TestWithParam<WhileOpen>
{
};

// A set or an import that leaves the file's bytes as they are writes
// nothing, so the window's save has nothing to ask about; one that changes
// a value makes it ask.
TEST_P(CliWhileTheWindowIsOpen, OnlyAChangeMakesTheSaveAsk)
{
    TempDir dir;
    const QString layout = dir.path("l.vadlayout");
    WriteLayoutFile(layout, BuiltInLayouts().at(0));
    dir.write(kIni, "[Optionen]\r\nZQHost=h\r\n");
    ASSERT_EQ(RunCliProcess({"--file", dir.path(kIni), "import-layout", layout}).exitCode, 0);
    FakeDialogs dialogs;
    Tf_root w{&dialogs};
    w.ti_start->stop();
    SettingsController controller{w, SettingsFile::beside(dir.path())};
    w.show();
    w.ti_startTimer();
    w.TabSheet1->e_server->setText(QStringLiteral("vom Fenster"));
    QStringList call = GetParam().call;
    call.replaceInStrings("LAYOUT", layout);
    const CliRun run = RunCliProcess(QStringList{"--file", dir.path(kIni)} + call);
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    w.b_endeClick();
    EXPECT_EQ(dialogs.conflictQuestions.size(), GetParam().asked ? 1 : 0);
    if (!GetParam().asked) {
        EXPECT_EQ(SettingsFile(dir.path(kIni)).Load().ReadOption("ZQHost", ""), "vom Fenster");
    }
}

const WhileOpen kWhileOpen[] = {
    {"SetOfTheStoredValue", {"set", "ZQHost=h"}, false},
    {"ImportOfTheStoredLayout", {"import-layout", "LAYOUT"}, false},
    {"SetOfAnotherValue", {"set", "AnzahlZeilen=9"}, true},
};

INSTANTIATE_TEST_SUITE_P(Calls, CliWhileTheWindowIsOpen, ::testing::ValuesIn(kWhileOpen),
                         [](const auto &info) { return std::string(info.param.name); });

// A layout imported by the command line is stored as the window stores the
// file once it holds the layout's values; an exported layout holds what the
// window's save writes.
struct LayoutCase {
    std::string name;
    QByteArray file;
    Layout layout;
};

void PrintTo(const LayoutCase &c, std::ostream *os)
{
    *os << c.name;
}

class LayoutLikeTheWindow : public ::testing::TestWithParam<LayoutCase>
{
};

TEST_P(LayoutLikeTheWindow, ImportWritesWhatTheWindowWritesAfterLoadingIt)
{
    const LayoutCase &c = GetParam();
    // The file with the layout's values in place of its own; keys it lacks
    // are added in the order a save adds them, as the command line's save does.
    const SettingsSnapshot stored(IniDocument::fromBytes(c.file));
    const QByteArray holding = ApplyWritesToFile(c.file, [&](SettingsEdit &edit) {
        for (const KeyInfo &info : kKeys)
            edit.WriteOption(keyName(info.key),
                             IsLayoutKey(info.key)
                                 ? LayoutValue(c.layout, info.key)
                                 : stored.ReadOption(keyName(info.key), keyDefault(info.key)));
    });
    const WindowResult window = WindowSaves(holding);
    ASSERT_TRUE(window.failures.isEmpty());
    TempDir dir;
    dir.write(kIni, c.file);
    WriteLayoutFile(dir.path("l.vadlayout"), c.layout);
    const CliRun run = RunCliProcess(
        {QStringLiteral("--file"), dir.path(kIni), QStringLiteral("import-layout"), dir.path("l.vadlayout")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(dir.read(kIni), window.bytes);
}

TEST_P(LayoutLikeTheWindow, ExportHoldsWhatTheWindowSaves)
{
    const LayoutCase &c = GetParam();
    const WindowResult window = WindowSaves(c.file);
    const SettingsSnapshot saved(IniDocument::fromBytes(window.bytes));
    TempDir dir;
    dir.write(kIni, c.file);
    const CliRun run = RunCliProcess(
        {QStringLiteral("--file"), dir.path(kIni), QStringLiteral("export-layout"), dir.path("l.vadlayout")});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const Layout exported = ReadLayoutFile(dir.path("l.vadlayout"));
    ASSERT_EQ(exported.values.size(), kLayoutKeys.size());
    for (Key key : kLayoutKeys)
        EXPECT_EQ(LayoutValue(exported, key), saved.ReadOption(keyName(key), QStringLiteral("?")))
            << keyInfo(key).name;
    EXPECT_EQ(dir.read(kIni), c.file);
}

Layout OddLayout()
{
    Layout layout;
    layout.name = QStringLiteral("Seltsam");
    layout.created = QDateTime::currentDateTimeUtc();
    layout.values = {
        {Key::AnzahlZeilen, "$20"},
        {Key::VollBild, "Wahr"},
        {Key::TransparenzLogo, "300"},
        {Key::TimeoutLogo, " 12 "},
        {Key::InfoZeile, "Startnr,[Name],Zeit"},
        {Key::InfoZeileFormat, QString::fromUtf8(kThreeFormats.left(kThreeFormats.indexOf("\"3\"")) + "}")},
        {Key::UeberschriftFormat, QString::fromUtf8(kHeadings)},
        {Key::SNRInfoFelder, ""},
        {Key::HintergrundFarbe, QStringLiteral("#Ä")}};
    return layout;
}

std::vector<LayoutCase> LayoutCases()
{
    const QByteArray odd = Crlf("; Kopf\n[Optionen]\nZQHost = dort\nZQHostOLS=Wahr\nAnzahlZeilen=$1F\n"
                                "InfoZeileFormat=" +
                                kThreeFormats + "\nInfoZeile=a,b\n[Anzeige]\nX=1\n");
    std::vector<LayoutCase> cases;
    const char *names[] = {"Standard", "Halle", "Tageslicht"};
    for (size_t i = 0; i < 3; ++i) {
        cases.push_back({names[i], QByteArray(), BuiltInLayouts().at(i)});
        cases.push_back({names[i], odd, BuiltInLayouts().at(i)});
    }
    cases.push_back({"OddValues", odd, OddLayout()});
    cases.push_back({"OddValuesUtf8", "\xEF\xBB\xBF" + odd, OddLayout()});
    cases.push_back({"OddValuesNoFile", QByteArray(), OddLayout()});
    for (size_t i = 0; i < cases.size(); ++i)
        cases[i].name += std::to_string(i);
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Layouts, LayoutLikeTheWindow, ::testing::ValuesIn(LayoutCases()),
                         [](const auto &info) { return info.param.name; });

} // namespace
