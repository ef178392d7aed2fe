// Argument handling of the command line, in-process: the KEY=VALUE rules of
// "set" and what each call prints where, with its exit status.
#include "cli/Assignments.h"
#include "cli/Cli.h"
#include "cli/Console.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace
{

struct AssignmentCase {
    const char *name;
    QStringList arguments;
    int status;
    QString message;     // a part of the message on refusal
    QStringList applied; // "KEY=VALUE" as taken, on success
};

void PrintTo(const AssignmentCase &c, std::ostream *os)
{
    *os << c.name;
}

class ParseAssignmentsTest : public ::testing::TestWithParam<AssignmentCase>
{
};

TEST_P(ParseAssignmentsTest, TakesOrRefuses)
{
    const AssignmentCase &c = GetParam();
    const Assignments parsed = ParseAssignments(c.arguments);
    EXPECT_EQ(parsed.status, c.status);
    EXPECT_TRUE(parsed.message.contains(c.message)) << parsed.message.toStdString();
    QStringList applied;
    for (const Assignment &a : parsed.items)
        applied.append(keyName(a.key) + u'=' + a.value);
    EXPECT_EQ(applied, c.applied);
}

const QString kLong = QString(200000, u'x');

const AssignmentCase kAssignmentCases[] = {
    {"Plain", {"ZQHost=192.0.2.1"}, 0, "", {"ZQHost=192.0.2.1"}},
    {"KeyCaseAsTheFileFindsIt", {"zqhost=a", "ANZAHLZEILEN=$1F"}, 0, "", {"ZQHost=a", "AnzahlZeilen=$1F"}},
    {"ValueMayHoldEquals", {"StartNrInFeld=a=b"}, 0, "", {"StartNrInFeld=a=b"}},
    {"BlanksTrimmedAsTheFileDoes", {" ZQHost \t=  a b  "}, 0, "", {"ZQHost=a b"}},
    {"UnicodeSpacesKept",
     {QString::fromUtf8("ZQHost=\u00A0a\u00A0")},
     0,
     "",
     {QString::fromUtf8("ZQHost=\u00A0a\u00A0")}},
    {"EmptiedNumber", {"erstesEF="}, 0, "", {"erstesEF="}},
    {"FlagWords",
     {"VollBild=Wahr", "mitUeberschrift=FALSCH", "mitStartNrInfo=0"},
     0,
     "",
     {"VollBild=Wahr", "mitUeberschrift=FALSCH", "mitStartNrInfo=0"}},
    {"LongText", {"ZQHost=" + kLong}, 0, "", {"ZQHost=" + kLong}},
    {"ReadableFormat",
     {"SNRInfoFelderFormat={\"1\":{\"fett\":\"true\"}}"},
     0,
     "",
     {"SNRInfoFelderFormat={\"1\":{\"fett\":\"true\"}}"}},
    {"EmptyFormat", {"UeberschriftFormat="}, 0, "", {"UeberschriftFormat="}},
    {"NoEquals", {"ZQHost"}, 2, "kein „=“", {}},
    {"NoEqualsAfterGoodOnes", {"ZQHost=a", "VollBild"}, 2, "kein „=“", {}},
    {"UnknownKey", {"Farbe=1"}, 1, "Unbekannter Schlüssel „Farbe“", {}},
    {"KelvinSignIsNoK", {QString::fromUtf8("ZQ\u212Aundennummer=1")}, 1, "Unbekannter Schlüssel", {}},
    {"HugeUnknownKeyShortened", {kLong + "=1"}, 1, "…", {}},
    {"KeyTwice", {"ZQHost=a", "zqhost=b"}, 1, "ZQHost ist mehrfach angegeben", {}},
    {"NotANumber", {"AnzahlZeilen=12abc"}, 1, "ganze Zahl", {}},
    {"NumberBeyond32Bits", {"TimeoutLogo=2147483648"}, 1, "ganze Zahl", {}},
    {"TransparencyAboveTheBar", {"TransparenzLogo=256"}, 1, "0 bis 255", {}},
    {"TransparencyEmpty", {"TransparenzLogo="}, 1, "0 bis 255", {}},
    {"NotAFlag", {"VollBild=yes"}, 1, "„ja“ oder „nein“", {}},
    {"LineBreak", {"ZQHost=a\nb"}, 1, "Zeilenumbruch", {}},
    {"CarriageReturn", {"ZQHost=a\rb"}, 1, "Zeilenumbruch", {}},
    {"Nul", {QString("ZQHost=a") + QChar(0) + "b"}, 1, "NUL", {}},
    {"UnreadableFormat", {"InfoZeileFormat={\"1\":"}, 1, "kein lesbares Spaltenformat", {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ParseAssignmentsTest, ::testing::ValuesIn(kAssignmentCases),
                         [](const auto &info) { return std::string(info.param.name); });

// A whole call in-process: exit status, stdout, stderr.
struct Call {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Call RunIn(const TempDir &dir, const QList<QByteArray> &arguments)
{
    Call call;
    const Console console([&](const QByteArray &b) { call.out += b; },
                          [&](const QByteArray &b) { call.err += b; });
    call.status = RunCli(arguments, console, dir.path("DAZovozoved.ini"));
    return call;
}

struct CallCase {
    const char *name;
    QList<QByteArray> arguments;
    int status;
    QByteArray out; // exactly; "*" for "not empty"
    QByteArray err; // a part of it
};

void PrintTo(const CallCase &c, std::ostream *os)
{
    *os << c.name;
}

class CallTest : public ::testing::TestWithParam<CallCase>
{
};

TEST_P(CallTest, StatusAndOutput)
{
    const CallCase &c = GetParam();
    TempDir dir;
    dir.write("DAZovozoved.ini", "[Optionen]\r\nAnzahlZeilen=$1F\r\nZQKDPasswort=geheim\r\n");
    const Call call = RunIn(dir, c.arguments);
    EXPECT_EQ(call.status, c.status) << call.err.constData();
    if (c.out == "*") {
        EXPECT_FALSE(call.out.isEmpty());
    } else {
        EXPECT_EQ(call.out, c.out);
    }
    EXPECT_TRUE(call.err.contains(c.err)) << call.err.constData();
    if (c.status != 0) {
        EXPECT_FALSE(call.err.isEmpty());
    }
    EXPECT_EQ(dir.read("DAZovozoved.ini"), "[Optionen]\r\nAnzahlZeilen=$1F\r\nZQKDPasswort=geheim\r\n");
}

const CallCase kCalls[] = {
    {"GetStoredTextUnconverted", {"get", "AnzahlZeilen"}, 0, "$1F\n", ""},
    {"GetDefaultOfMissingKey", {"get", "ZQVANummer"}, 0, "auto\n", ""},
    {"GetKeyInOtherCase", {"get", "zqkdpasswort"}, 0, "geheim\n", ""},
    {"GetUnknownKey", {"get", "Nichts"}, 1, "", "Unbekannter Schlüssel „Nichts“"},
    {"GetWithoutKey", {"get"}, 2, "", "Zu wenige Argumente"},
    {"GetTwoKeys", {"get", "ZQHost", "ZQHostOLS"}, 2, "", "Zu viele Argumente"},
    {"NoCommand", {}, 2, "", "Kein Befehl"},
    {"UnknownCommand", {"loeschen"}, 2, "", "Unbekannter Befehl „loeschen“"},
    {"UnknownLeadingOption", {"--bunt", "list"}, 2, "", "Unbekannte Option „--bunt“"},
    {"UnknownCommandOption", {"list", "--bunt"}, 2, "", "bunt"},
    {"FileWithoutPath", {"--file"}, 2, "", "--file verlangt eine Datei"},
    {"NotUtf8", {"get", "\xFF\xFE"}, 2, "", "kein gültiger UTF-8-Text"},
    {"Help", {"--help"}, 0, "*", ""},
    {"HelpOfACommand", {"help", "set"}, 0, "*", ""},
    {"HelpOptionOfACommand", {"get", "--help"}, 0, "*", ""},
    {"HelpOfUnknownCommand", {"help", "nichts"}, 2, "", "Unbekannter Befehl"},
    {"Version", {"--version"}, 0, "VADaroradarAdadad-cli 1.3\n", ""},
    {"SetRefusedWritesNothing", {"set", "ZQHost=a", "ZQHost=b"}, 1, "", "mehrfach"},
    {"SetWithoutAssignment", {"set"}, 2, "", "Zu wenige Argumente"},
    {"SetOtherFileMissingDirectory",
     {"--file", "/nonexistent/dir/x.ini", "set", "ZQHost=a"},
     1,
     "",
     "kann nicht erstellt werden"},
};

INSTANTIATE_TEST_SUITE_P(Calls, CallTest, ::testing::ValuesIn(kCalls),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ListTest, AllKeysInSaveOrderPasswordsHiddenUnlessAsked)
{
    TempDir dir;
    dir.write("DAZovozoved.ini",
              "[Optionen]\r\nZQKDPasswort=geheim\r\nZQVAPasswort=\r\nZQHost=M\xFCller\r\n");
    const Call hidden = RunIn(dir, {"list"});
    ASSERT_EQ(hidden.status, 0);
    const QList<QByteArray> lines = hidden.out.split('\n');
    ASSERT_EQ(lines.size(), 24); // 23 lines and the end after the last
    for (size_t i = 0; i < kKeys.size(); ++i)
        EXPECT_TRUE(lines[qsizetype(i)].startsWith(QByteArray(kKeys[i].name) + '='))
            << lines[qsizetype(i)].constData();
    EXPECT_EQ(lines[0], "ZQHost=M\xC3\xBCller");
    EXPECT_EQ(lines[3], "ZQKDPasswort=***");
    EXPECT_EQ(lines[4], "ZQVAPasswort=");
    EXPECT_EQ(lines[5], "ZQVANummer=auto");
    const Call shown = RunIn(dir, {"list", "--show-secrets"});
    EXPECT_TRUE(shown.out.contains("\nZQKDPasswort=geheim\n"));
}

TEST(OutputTest, BytesThatWereNoUtf8GoOutAsTheyWere)
{
    TempDir dir;
    dir.write("DAZovozoved.ini", "\xEF\xBB\xBF[Optionen]\r\nZQHost=a\xFF"
                                 "b\xC3\r\n");
    EXPECT_EQ(RunIn(dir, {"get", "ZQHost"}).out, "a\xFF"
                                                 "b\xC3\n");
}

TEST(FileOptionTest, BeforeOrAfterTheCommand)
{
    TempDir dir;
    dir.write("other.ini", "[Optionen]\r\nZQHost=anders\r\n");
    EXPECT_EQ(RunIn(dir, {"--file", dir.path("other.ini").toUtf8(), "get", "ZQHost"}).out, "anders\n");
    EXPECT_EQ(RunIn(dir, {"get", "ZQHost", "--file=" + dir.path("other.ini").toUtf8()}).out, "anders\n");
    EXPECT_EQ(RunIn(dir, {"get", "ZQHost"}).out, "127.0.0.1\n");
}

struct CheckCase {
    const char *name;
    QByteArray file;
    int status;
    QByteArray finding;
};

void PrintTo(const CheckCase &c, std::ostream *os)
{
    *os << c.name;
}

class CheckTest : public ::testing::TestWithParam<CheckCase>
{
};

TEST_P(CheckTest, ReportsWhatTheStartWouldNotTakeAsStored)
{
    TempDir dir;
    if (!GetParam().file.isNull())
        dir.write("DAZovozoved.ini", GetParam().file);
    const Call call = RunIn(dir, {"check"});
    EXPECT_EQ(call.status, GetParam().status) << call.out.constData();
    EXPECT_TRUE(call.out.contains(GetParam().finding)) << call.out.constData();
}

const CheckCase kChecks[] = {
    {"NoFile", QByteArray(), 0, "Die Datei gibt es nicht"},
    {"Windows1252", "[Optionen]\r\nZQHost=a\r\n", 0, "Kodierung: Windows-1252"},
    {"Utf8", "\xEF\xBB\xBF[Optionen]\r\n", 0, "Kodierung: UTF-8"},
    {"BrokenUtf8", "\xEF\xBB\xBF[Optionen]\r\nZQHost=\xFF\r\n", 0, "kein gültiges UTF-8"},
    {"MissingKeys", "[Optionen]\r\nZQHost=a\r\n", 0,
     "Fehlende Schlüssel (es gilt der Vorgabewert): ZQHostOLS,"},
    {"BadNumber", "[Optionen]\r\nAnzahlZeilen=12abc\r\n", 0,
     "AnzahlZeilen: „12abc“ ist keine ganze Zahl, es gilt 20"},
    {"TransparencyBeyond", "[Optionen]\r\nTransparenzLogo=300\r\n", 0, "TransparenzLogo: 300 liegt nicht"},
    {"OddFlag", "[Optionen]\r\nVollBild=yes\r\n", 0, "VollBild: „yes“ gilt als „nein“"},
    {"UnreadableFormat", "[Optionen]\r\nInfoZeileFormat={\"1\"\r\n", 1,
     "InfoZeileFormat: kein lesbares Spaltenformat"},
    {"NulInValue", QByteArray("[Optionen]\r\nZQHost=a\0b\r\n", 24), 1, "ZQHost enthält einen Zeilenumbruch"},
};

INSTANTIATE_TEST_SUITE_P(Files, CheckTest, ::testing::ValuesIn(kChecks),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
