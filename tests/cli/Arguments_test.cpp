// Argument handling of the command line, in-process: the KEY=VALUE rules of
// "set" and what each call prints where, with its exit status.
#include "cli/Assignments.h"
#include "cli/Cli.h"
#include "cli/Console.h"
#include "support/TempDir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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

// set --values-from: the file's bytes with the arguments beside them.
struct ValuesFileCase {
    const char *name;
    QByteArray file;
    QStringList arguments;
    int status;
    QString message;     // a part of the message on refusal
    QStringList applied; // "KEY=VALUE" as taken, on success
};

void PrintTo(const ValuesFileCase &c, std::ostream *os)
{
    *os << c.name;
}

class ValuesFileTest : public ::testing::TestWithParam<ValuesFileCase>
{
};

TEST_P(ValuesFileTest, TakesOrRefusesNeverRepeatingALine)
{
    const ValuesFileCase &c = GetParam();
    const ValueLines lines = ValueLinesFromBytes(c.file, QStringLiteral("Die Datei \"w\""));
    const Assignments parsed = lines.status != 0 ? Assignments{lines.status, lines.message, {}}
                                                 : ParseAssignments(c.arguments, lines);
    EXPECT_EQ(parsed.status, c.status);
    EXPECT_TRUE(parsed.message.contains(c.message)) << parsed.message.toStdString();
    // A refused line may hold a password: the message names the line only.
    EXPECT_FALSE(parsed.message.contains(QStringLiteral("geheim"))) << parsed.message.toStdString();
    QStringList applied;
    for (const Assignment &a : parsed.items)
        applied.append(keyName(a.key) + u'=' + a.value);
    EXPECT_EQ(applied, c.applied);
}

const ValuesFileCase kValuesFileCases[] = {
    {"LfLines", "ZQHost=a\nZQKDPasswort=geheim\n", {}, 0, "", {"ZQHost=a", "ZQKDPasswort=geheim"}},
    {"CrLfLines", "ZQHost=a\r\nAnzahlZeilen=8\r\n", {}, 0, "", {"ZQHost=a", "AnzahlZeilen=8"}},
    {"NoEndAfterTheLastLine", "ZQHost=a", {}, 0, "", {"ZQHost=a"}},
    {"EmptyAndBlankLinesSkipped",
     "\n\r\nZQHost=a\n \t \n\nVollBild=nein\n\n",
     {},
     0,
     "",
     {"ZQHost=a", "VollBild=nein"}},
    {"ByteOrderMarkSkipped",
     "\xEF\xBB\xBFZQHost=M\xC3\xBCller\n",
     {},
     0,
     "",
     {QString::fromUtf8("ZQHost=M\u00FCller")}},
    {"ArgumentsFirst", "AnzahlZeilen=8\n", {"ZQHost=a"}, 0, "", {"ZQHost=a", "AnzahlZeilen=8"}},
    {"EmptyFile", "", {}, 0, "", {}},
    {"ValueMayHoldEquals", "ZQKDPasswort=ge=heim\n", {}, 0, "", {"ZQKDPasswort=ge=heim"}},
    {"DoubledInTheFile", "ZQHost=a\nzqhost=b\n", {}, 1, "Zeile 2: ZQHost ist mehrfach angegeben", {}},
    {"DoubledBetweenArgumentAndFile",
     "\nZQHost=b\n",
     {"ZQHost=a"},
     1,
     "Die Datei \"w\", Zeile 2: ZQHost ist mehrfach angegeben",
     {}},
    {"UnknownKey", "ZQHost=a\nFarbe=1\n", {}, 1, "Zeile 2: Unbekannter Schlüssel „Farbe“", {}},
    {"LineWithoutEquals", "ZQHost=a\ngeheim\n", {}, 2, "Zeile 2: kein „=“", {}},
    {"CarriageReturnInAValue", "ZQKDPasswort=ge\rheim\n", {}, 1, "Zeilenumbruch", {}},
    {"NulInAValue", QByteArray("ZQKDPasswort=ge\0heim\n", 20), {}, 1, "NUL", {}},
    {"BadValue", "AnzahlZeilen=viele\n", {}, 1, "Zeile 1: AnzahlZeilen muss eine ganze Zahl sein", {}},
    {"NotUtf8", "ZQHost=geheim\xFF\n", {}, 1, "kein gültiger UTF-8-Text", {}},
    {"OverTheBudget", "ZQHost=" + QByteArray(kValuesFileBudget, 'x'), {}, 1, "ist größer als", {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ValuesFileTest, ::testing::ValuesIn(kValuesFileCases),
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
    {"SetRefusedWithJsonPrintsNothing", {"set", "Nichts=1", "--json"}, 1, "", "Unbekannter Schlüssel"},
    {"SetValuesFromMissingFile",
     {"set", "--values-from", "/nonexistent/werte"},
     1,
     "",
     "Die Datei \"/nonexistent/werte\" kann nicht geöffnet werden"},
    {"SetValuesFromAFolder", {"set", "--values-from", "/"}, 1, "", "kann nicht gelesen werden"},
    {"SetValuesFromAnEndlessDevice", {"set", "--values-from", "/dev/zero"}, 1, "", "ist größer als"},
    {"SetValuesFromWithoutFile", {"set", "--values-from"}, 2, "", "values-from"},
    {"SetDryRunWritesNothing", {"set", "ZQHost=b", "--dry-run"}, 0, "*", "Probelauf: nichts geschrieben"},
    {"SetDryRunJsonWritesNothing", {"set", "ZQHost=b", "--dry-run", "--json"}, 0, "*", ""},
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

QJsonObject JsonOf(const Call &call)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(call.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << call.out.constData();
    EXPECT_TRUE(call.out.endsWith("}\n")) << "one object, one line: " << call.out.constData();
    EXPECT_EQ(call.out.count('\n'), 1);
    return document.object();
}

QStringList ChangeTexts(const QJsonObject &json)
{
    QStringList out;
    for (const QJsonValue &change : json.value("changes").toArray()) {
        const QJsonObject c = change.toObject();
        const QJsonValue old = c.value("old");
        out.append(c.value("key").toString() + u':' +
                   (old.isNull() ? QStringLiteral("null") : old.toString()) + u'>' +
                   c.value("new").toString());
    }
    return out;
}

const QByteArray kStored = "[Optionen]\r\nZQHost=a\r\nZQKDPasswort=alt\r\n";

// The file as a save writes it, with the two values above.
QByteArray SavedOnce(const TempDir &dir)
{
    dir.write("DAZovozoved.ini", kStored);
    EXPECT_EQ(RunIn(dir, {"set", "ZQHost=a"}).status, 0);
    return dir.read("DAZovozoved.ini");
}

struct JsonSaveCase {
    const char *name;
    QList<QByteArray> arguments;
    QStringList changes; // "KEY:old>new"
    bool written;
};

void PrintTo(const JsonSaveCase &c, std::ostream *os)
{
    *os << c.name;
}

class JsonSaveTest : public ::testing::TestWithParam<JsonSaveCase>
{
};

// One JSON object on stdout; a password's values only with --show-secrets;
// a dry run shows the same changes and writes nothing.
TEST_P(JsonSaveTest, ChangesMaskedUnlessAsked)
{
    const JsonSaveCase &c = GetParam();
    TempDir dir;
    const QByteArray before = SavedOnce(dir);
    const Call call = RunIn(dir, c.arguments + QList<QByteArray>{"--json"});
    ASSERT_EQ(call.status, 0) << call.err.constData();
    const QJsonObject json = JsonOf(call);
    EXPECT_EQ(json.value("file").toString(), dir.path("DAZovozoved.ini"));
    EXPECT_EQ(json.value("changed").toBool(), !c.changes.isEmpty());
    EXPECT_EQ(ChangeTexts(json), c.changes);
    EXPECT_EQ(dir.read("DAZovozoved.ini") != before, c.written);
    if (!c.arguments.contains("--show-secrets")) {
        const QByteArray changes = QJsonDocument(json.value("changes").toArray()).toJson();
        EXPECT_FALSE(changes.contains("neu1")) << changes.constData();
        EXPECT_FALSE(changes.contains("alt")) << changes.constData();
    }
    EXPECT_FALSE(call.err.contains("neu1")) << call.err.constData();
}

const JsonSaveCase kJsonSaves[] = {
    {"Set", {"set", "ZQHost=b", "ZQKDPasswort=neu1"}, {"ZQHost:a>b", "ZQKDPasswort:********>********"}, true},
    {"SetShowingSecrets",
     {"set", "ZQHost=b", "ZQKDPasswort=neu1", "--show-secrets"},
     {"ZQHost:a>b", "ZQKDPasswort:alt>neu1"},
     true},
    {"PasswordEmptied", {"set", "ZQKDPasswort="}, {"ZQKDPasswort:********>"}, true},
    {"DryRun",
     {"set", "ZQHost=b", "ZQKDPasswort=neu1", "--dry-run"},
     {"ZQHost:a>b", "ZQKDPasswort:********>********"},
     false},
    {"NothingChanges", {"set", "ZQHost=a", "ZQKDPasswort=alt"}, {}, false},
    {"NothingChangesDryRun", {"set", "zqhost=a", "--dry-run"}, {}, false},
};

INSTANTIATE_TEST_SUITE_P(Saves, JsonSaveTest, ::testing::ValuesIn(kJsonSaves),
                         [](const auto &info) { return std::string(info.param.name); });

// A file that lacks keys: the dry run names each with its old and new text,
// a password by name only, and the file stays as it is.
TEST(DryRunTest, LinesNameEachChangePasswordsWithoutValue)
{
    TempDir dir;
    const QByteArray before = SavedOnce(dir);
    const Call call = RunIn(dir, {"set", "ZQHost=b", "ZQKDPasswort=neu1", "AnzahlZeilen=$1F", "--dry-run"});
    ASSERT_EQ(call.status, 0) << call.err.constData();
    EXPECT_EQ(call.out, QByteArray("ZQHost: a → b\nZQKDPasswort: wird geändert (Passwort, nicht angezeigt)\n"
                                   "AnzahlZeilen: 20 → 31\n"));
    EXPECT_TRUE(call.err.contains("Probelauf: nichts geschrieben")) << call.err.constData();
    EXPECT_EQ(dir.read("DAZovozoved.ini"), before);

    dir.write("DAZovozoved.ini", "[Optionen]\r\nZQHost=a\r\n");
    const Call missing = RunIn(dir, {"set", "ZQHost=a", "--dry-run"});
    EXPECT_TRUE(missing.out.contains("ZQHostOLS: (fehlt) → nein\n")) << missing.out.constData();
    EXPECT_FALSE(missing.out.contains("ZQHost:")) << missing.out.constData();
    EXPECT_EQ(dir.read("DAZovozoved.ini"), "[Optionen]\r\nZQHost=a\r\n");
}

// A set whose values are the file's own writes nothing and says so.
TEST(NoChangeTest, SaysSoAndWritesNothing)
{
    TempDir dir;
    const QByteArray before = SavedOnce(dir);
    for (const QList<QByteArray> &call :
         {QList<QByteArray>{"set", "ZQHost=a"}, QList<QByteArray>{"set", "VollBild=Ja"},
          QList<QByteArray>{"set", "ZQHost=a", "--dry-run"}}) {
        const Call run = RunIn(dir, call);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, QByteArray());
        EXPECT_TRUE(
            run.err.contains("Keine Änderung: " + dir.path("DAZovozoved.ini").toUtf8() + " ist schon so."))
            << run.err.constData();
    }
    EXPECT_EQ(dir.read("DAZovozoved.ini"), before);
}

struct JsonReadCase {
    const char *name;
    QList<QByteArray> arguments;
    int status;
    const char *member;  // holds the values
    QByteArray expected; // in the compact JSON of that member
    QByteArray hidden;   // never in the output
};

void PrintTo(const JsonReadCase &c, std::ostream *os)
{
    *os << c.name;
}

class JsonReadTest : public ::testing::TestWithParam<JsonReadCase>
{
};

TEST_P(JsonReadTest, OneObjectWithTheValues)
{
    const JsonReadCase &c = GetParam();
    TempDir dir;
    dir.write("DAZovozoved.ini", "[Optionen]\r\nZQHost=a\r\nZQKDPasswort=geheim\r\nAnzahlZeilen=12abc\r\n");
    const Call call = RunIn(dir, c.arguments + QList<QByteArray>{"--json"});
    EXPECT_EQ(call.status, c.status) << call.err.constData();
    const QJsonObject json = JsonOf(call);
    EXPECT_EQ(json.value("file").toString(), dir.path("DAZovozoved.ini"));
    EXPECT_FALSE(json.value("changed").toBool(true));
    EXPECT_TRUE(json.value("changes").isArray());
    const QJsonValue member = json.value(QString::fromLatin1(c.member));
    const QByteArray text = member.isString() ? member.toString().toUtf8()
                            : member.isArray()
                                ? QJsonDocument(member.toArray()).toJson(QJsonDocument::Compact)
                                : QJsonDocument(member.toObject()).toJson(QJsonDocument::Compact);
    EXPECT_TRUE(text.contains(c.expected)) << text.constData();
    if (!c.hidden.isEmpty()) {
        EXPECT_FALSE(call.out.contains(c.hidden)) << call.out.constData();
    }
}

const JsonReadCase kJsonReads[] = {
    {"Get", {"get", "zqhost"}, 0, "value", "a", ""},
    {"GetPasswordMasked", {"get", "ZQKDPasswort"}, 0, "value", "********", "geheim"},
    {"GetPasswordShown", {"get", "ZQKDPasswort", "--show-secrets"}, 0, "value", "geheim", ""},
    {"List", {"list"}, 0, "values", "\"ZQHost\":\"a\",\"ZQHostOLS\":\"nein\"", "geheim"},
    {"ListPasswordMasked",
     {"list"},
     0,
     "values",
     "\"ZQKDPasswort\":\"********\",\"ZQKundennummer\":\"\"",
     "geheim"},
    {"ListShowingSecrets", {"list", "--show-secrets"}, 0, "values", "\"ZQKDPasswort\":\"geheim\"", ""},
    {"Check", {"check"}, 0, "findings", "AnzahlZeilen: „12abc“ ist keine ganze Zahl, es gilt 20", "geheim"},
};

INSTANTIATE_TEST_SUITE_P(Reads, JsonReadTest, ::testing::ValuesIn(kJsonReads),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(JsonCheckTest, ProblemsCountedWithStatusOne)
{
    TempDir dir;
    dir.write("DAZovozoved.ini", "[Optionen]\r\nInfoZeileFormat={\"1\"\r\n");
    const Call call = RunIn(dir, {"check", "--json"});
    EXPECT_EQ(call.status, 1);
    const QJsonObject json = JsonOf(call);
    EXPECT_EQ(json.value("problems").toInt(), 1);
    EXPECT_EQ(json.value("encoding").toString(), "Windows-1252");
    EXPECT_TRUE(json.value("exists").toBool());
    dir.write("DAZovozoved.ini", QByteArray());
    QFile::remove(dir.path("DAZovozoved.ini"));
    const QJsonObject none = JsonOf(RunIn(dir, {"check", "--json"}));
    EXPECT_FALSE(none.value("exists").toBool(true));
    EXPECT_TRUE(none.value("findings").toArray().isEmpty());
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
