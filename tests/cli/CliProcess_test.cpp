// The built executable end to end, without a display: what it loads, what
// it prints where, its exit status, a file locked by another program, hostile
// layout files, and kills in the middle of an import.
#include "cli/CliRunner.h"
#include "layout/LayoutFile.h"
#include "logo/PngWriter.h"
#include "settings/SettingsFile.h"
#include "support/TempDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

const char *const kIni = "DAZovozoved.ini";

QStringList Args(const TempDir &dir, QStringList rest)
{
    return QStringList{QStringLiteral("--file"), dir.path(kIni)} + rest;
}

const char *const kGuiLibraries[] = {"libQt6Gui", "libQt6Widgets", "libX11",       "libxcb",
                                     "libGL",     "libEGL",        "libxkbcommon", "libwayland"};

TEST(Libraries, NeitherLinksNorLoadsGuiLibraries)
{
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QStringLiteral(VAD_CLI)});
    ASSERT_TRUE(ldd.waitForFinished(60000));
    const QByteArray linked = ldd.readAllStandardOutput();
    ASSERT_TRUE(linked.contains("libQt6Core")) << linked.constData();
    // What the dynamic loader really opens while a value is read, plugins
    // included.
    QProcessEnvironment env = CliEnvironment();
    env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("libs"));
    TempDir dir;
    const CliRun run = RunCliProcess(Args(dir, {QStringLiteral("get"), QStringLiteral("ZQHost")}), env);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.out, "127.0.0.1\n");
    ASSERT_TRUE(run.err.contains("libQt6Core")) << "LD_DEBUG gave no trace";
    for (const char *library : kGuiLibraries) {
        EXPECT_FALSE(linked.contains(library)) << library;
        EXPECT_FALSE(run.err.contains(library)) << library;
    }
}

TEST(GetAndList, GiveTheFilesValues)
{
    TempDir dir;
    const QByteArray file =
        "\xEF\xBB\xBF[Optionen]\r\nZQHost=Zeitmessung S\xC3\xBC"
        "d\r\nAnzahlZeilen=$1F\r\n"
        "VollBild=Wahr\r\nInfoZeile=Startnr,[Name]\r\nZQVAPasswort=p=1\r\nStartNrInFeld=\r\n";
    dir.write(kIni, file);
    const SettingsSnapshot stored = SettingsFile(dir.path(kIni)).Load();
    QByteArray expectedList;
    for (const KeyInfo &info : kKeys) {
        const QString value = stored.ReadOption(keyName(info.key), keyDefault(info.key));
        const CliRun get = RunCliProcess(Args(dir, {QStringLiteral("get"), keyName(info.key)}));
        ASSERT_TRUE(get.finished);
        EXPECT_EQ(get.exitCode, 0);
        EXPECT_EQ(get.out, value.toUtf8() + '\n') << info.name;
        EXPECT_EQ(get.err, QByteArray());
        expectedList += (keyName(info.key) + u'=' + value).toUtf8() + '\n';
    }
    const CliRun list = RunCliProcess(Args(dir, {QStringLiteral("list"), QStringLiteral("--show-secrets")}));
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out, expectedList);
    EXPECT_EQ(dir.read(kIni), file);
}

struct StatusCase {
    const char *name;
    QStringList arguments;
    int status;
    QByteArray message; // a part of it
};

void PrintTo(const StatusCase &c, std::ostream *os)
{
    *os << c.name;
}

class ExitStatus : public ::testing::TestWithParam<StatusCase>
{
};

// Refusals and wrong calls: the status, a message on stderr, nothing on
// stdout and the file as it was.
TEST_P(ExitStatus, MessageOnStderrNothingWritten)
{
    TempDir dir;
    const QByteArray file = "[Optionen]\r\nZQHost=a\r\n";
    dir.write(kIni, file);
    dir.write("kaputt.vadlayout", "{\"format\":\"VADaroradarAdadad-Layout\",");
    dir.write("fremd.vadlayout", "{\"format\":\"etwas anderes\",\"version\":1}");
    // A FIFO must not hang the reader; a file far over the budget is refused
    // before it is read (sparse: it takes no disk).
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.path("fifo.vadlayout")).constData(), 0600), 0);
    QFile huge(dir.path("riesig.vadlayout"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(LayoutFileBudget() + 1));
    huge.close();
    QByteArray withNul = LayoutToJson(BuiltInLayouts().at(1));
    withNul.replace("\"InfoZeile\": \"", "\"InfoZeile\": \"\\u0000");
    dir.write("nul.vadlayout", withNul);
    dir.write("werte-unbekannt", "ZQHost=b\nFarbe=1\n");
    dir.write("werte-doppelt", "ZQHost=b\r\nzqhost=c\r\n");
    dir.write("werte-umbruch", "ZQKDPasswort=ge\rheim\n");
    dir.write("werte-gut", "ZQHost=b\n");
    dir.write("werte-passwort", "ZQKDPasswort=g\xE6\x97\xA5heim\n");
    dir.write("gut.vadlayout", LayoutToJson(BuiltInLayouts().at(1)));
    // Layout names are relative to the directory the command runs in.
    const CliRun run = RunCliProcess(Args(dir, GetParam().arguments), CliEnvironment(), dir.path());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, GetParam().status) << run.err.constData();
    EXPECT_TRUE(run.err.contains(GetParam().message)) << run.err.constData();
    EXPECT_EQ(run.out, QByteArray());
    EXPECT_FALSE(run.err.isEmpty());
    EXPECT_EQ(dir.read(kIni), file);
}

const QString kHuge = QString(100000, u'K');

const StatusCase kStatusCases[] = {
    {"UnknownKey", {"set", "Gibtsnicht=1"}, 1, "Unbekannter Schlüssel „Gibtsnicht“"},
    {"KeyTwice", {"set", "ZQHost=b", "ZQHOST=c"}, 1, "ZQHost ist mehrfach angegeben"},
    {"WithoutEquals", {"set", "ZQHost"}, 2, "hat kein „=“"},
    {"BadNumber", {"set", "ZQHost=b", "AnzahlZeilen=viele"}, 1, "AnzahlZeilen muss eine ganze Zahl sein"},
    {"HugeUnknownKey", {"get", kHuge}, 1, "KKKK…“"},
    {"HugeUnknownKeyToSet", {"set", kHuge + "=1"}, 1, "KKKK…“"},
    {"UnknownCommand", {"loeschen"}, 2, "Unbekannter Befehl „loeschen“"},
    {"UnknownOption", {"list", "--alles"}, 2, "Unbekannte Option 'alles'"},
    {"LayoutMissing",
     {"import-layout", "/nonexistent/x.vadlayout"},
     1,
     "x.vadlayout\" kann nicht geöffnet werden"},
    {"LayoutIsADirectory", {"import-layout", "/"}, 1, "ist ein Ordner"},
    {"LayoutTruncated", {"import-layout", "kaputt.vadlayout"}, 1, "kein gültiges JSON"},
    {"LayoutOfAnotherProgram",
     {"import-layout", "fremd.vadlayout"},
     1,
     "die Kennung \"VADaroradarAdadad-Layout\" fehlt"},
    {"LayoutIsAFifo", {"import-layout", "fifo.vadlayout"}, 1, "keine gewöhnliche Datei"},
    {"LayoutIsADevice", {"import-layout", "/dev/zero"}, 1, "keine gewöhnliche Datei"},
    {"LayoutTooLarge", {"import-layout", "riesig.vadlayout"}, 1, "Bytes zu groß (höchstens"},
    {"LayoutValueWithNul",
     {"import-layout", "nul.vadlayout"},
     1,
     "\"InfoZeile\" im Layout enthält einen Zeilenumbruch oder ein NUL-Zeichen"},
    {"ValuesFromUnknownKey",
     {"set", "--values-from", "werte-unbekannt"},
     1,
     "Zeile 2: Unbekannter Schlüssel"},
    {"ValuesFromKeyTwice", {"set", "--values-from", "werte-doppelt"}, 1, "Zeile 2: ZQHost ist mehrfach"},
    {"ValuesFromKeyInArgumentAndFile",
     {"set", "ZQHost=c", "--values-from", "werte-gut"},
     1,
     "Zeile 1: ZQHost ist mehrfach"},
    {"ValuesFromLineBreakInValue", {"set", "--values-from", "werte-umbruch"}, 1, "Zeilenumbruch"},
    {"ValuesFromRefusedInDryRun",
     {"set", "--values-from", "werte-unbekannt", "--dry-run", "--json"},
     1,
     "Unbekannter Schlüssel"},
    {"ImportWithUnknownKey",
     {"import-layout", "gut.vadlayout", "Farbe=1"},
     1,
     "Unbekannter Schlüssel „Farbe“"},
    {"ImportWithBadValueFromFile",
     {"import-layout", "gut.vadlayout", "--values-from", "werte-umbruch"},
     1,
     "Zeile 1: Der Wert für ZQKDPasswort enthält einen Zeilenumbruch"},
    {"ExportWithoutLogo",
     {"export-layout", "x.vadlayout", "--with-logo"},
     1,
     "logo.png\" kann nicht geöffnet werden"},
    // The file has no byte-order mark: Windows-1252 lacks these.
    {"SetCharactersTheFileCannotHold",
     {"set", "InfoZeile=日本語,Startnr", "ZQHost=b"},
     1,
     "Windows-1252 geschrieben; diese Zeichen gibt es dort nicht, sie würden zu „?“: 日, 本, 語. Nichts "
     "geschrieben; mit --replace-unsupported"},
    {"SetInvisibleCharacterNamedByItsCodePoint", {"set", "ZQHost=a\u200Bb"}, 1, "zu „?“: U+200B."},
    // Of a password only the key is named, never a character of it.
    {"SetPasswordCharactersNotNamed",
     {"set", "--values-from", "werte-passwort"},
     1,
     "zu „?“: Zeichen in ZQKDPasswort. Nichts geschrieben"},
    {"SetCharactersRefusedInDryRunAndJson",
     {"set", "InfoZeile=日本語", "--dry-run", "--json"},
     1,
     "zu „?“: 日, 本, 語."},
    {"ImportLayoutWithCharactersTheFileCannotHold",
     {"import-layout", "gut.vadlayout", "InfoZeile=Łączny czas", "--json"},
     1,
     "zu „?“: Ł, ą."},
};

INSTANTIATE_TEST_SUITE_P(Calls, ExitStatus, ::testing::ValuesIn(kStatusCases),
                         [](const auto &info) { return std::string(info.param.name); });

// What a save writes for characters Windows-1252 lacks: refused unless
// asked for, held by a file with a UTF-8 or UTF-16 mark.
struct UnsupportedCase {
    const char *name;
    std::optional<QByteArray> file; // none: no file yet
    QStringList arguments;
    int status;
    QByteArray written; // a part of the file afterwards; none: no file
};

void PrintTo(const UnsupportedCase &c, std::ostream *os)
{
    *os << c.name;
}

class UnsupportedCharacters : public ::testing::TestWithParam<UnsupportedCase>
{
};

TEST_P(UnsupportedCharacters, WrittenOnlyWhereTheyFitOrWhenAskedFor)
{
    const UnsupportedCase &c = GetParam();
    TempDir dir;
    if (c.file)
        dir.write(kIni, *c.file);
    dir.write("gut.vadlayout", LayoutToJson(BuiltInLayouts().at(1)));
    const CliRun run = RunCliProcess(Args(dir, c.arguments), CliEnvironment(), dir.path());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, c.status) << run.err.constData();
    if (c.written.isEmpty()) {
        EXPECT_FALSE(QFile::exists(dir.path(kIni)));
    } else {
        EXPECT_TRUE(dir.read(kIni).contains(c.written)) << dir.read(kIni).constData();
    }
    if (c.status != 0) {
        EXPECT_TRUE(run.err.contains("zu „?“")) << run.err.constData();
        EXPECT_EQ(run.out, QByteArray());
    }
}

const QByteArray kAnsiFile = "[Optionen]\r\nZQHost=M\xFCller\r\n";
const QByteArray kUtf8File = "\xEF\xBB\xBF[Optionen]\r\nZQHost=Müller\r\n";

const UnsupportedCase kUnsupportedCases[] = {
    {"AnsiReplacedWhenAsked",
     kAnsiFile,
     {"set", "InfoZeile=日本語,Startnr", "--replace-unsupported"},
     0,
     "InfoZeile=???,Startnr\r\n"},
    {"AnsiDryRunWhenAsked",
     kAnsiFile,
     {"set", "InfoZeile=日", "--replace-unsupported", "--dry-run"},
     0,
     kAnsiFile},
    {"QuestionMarksAreNoLoss", kAnsiFile, {"set", "InfoZeile=Wer?,Startnr"}, 0, "InfoZeile=Wer?,Startnr\r\n"},
    {"CodePageCharactersFit",
     kAnsiFile,
     {"set", "InfoZeile=Zeit € – Ÿ"},
     0,
     "InfoZeile=Zeit \x80 \x96 \x9F\r\n"},
    {"NewFileRefused", std::nullopt, {"set", "InfoZeile=日"}, 1, {}},
    {"NewFileReplacedWhenAsked",
     std::nullopt,
     {"set", "InfoZeile=日", "--replace-unsupported"},
     0,
     "InfoZeile=?\r\n"},
    {"Utf8MarkHoldsThem", kUtf8File, {"set", "InfoZeile=日本語"}, 0, "InfoZeile=日本語\r\n"},
    {"Utf16MarkHoldsThem",
     QByteArray("\xFF\xFE[\0O\0]\0\r\0\n\0", 12),
     {"set", "InfoZeile=Ł"},
     0,
     QByteArray("I\0n\0f\0o\0Z\0e\0i\0l\0e\0=\0\x41\x01\r\0\n\0", 26)},
    {"ImportReplacedWhenAsked",
     kAnsiFile,
     {"import-layout", "gut.vadlayout", "InfoZeile=Łączny czas", "--replace-unsupported"},
     0,
     "InfoZeile=??czny czas\r\n"},
    {"ImportIntoUtf8",
     kUtf8File,
     {"import-layout", "gut.vadlayout", "InfoZeile=Łączny czas"},
     0,
     "InfoZeile=Łączny czas\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Calls, UnsupportedCharacters, ::testing::ValuesIn(kUnsupportedCases),
                         [](const auto &info) { return std::string(info.param.name); });

// A logo the window could not show never goes into a layout: every import of
// that layout would refuse it.
TEST(ExportLayout, BrokenLogoIsRefusedAndNoLayoutWritten)
{
    TempDir dir;
    dir.write(kIni, "[Optionen]\r\nZQHost=a\r\n");
    dir.write("logo.png", QByteArray("\x89PNG\r\n\x1a\n", 8) + "abgeschnitten");
    const CliRun run = RunCliProcess(Args(dir, {"export-layout", "x.vadlayout", "--with-logo"}),
                                     CliEnvironment(), dir.path());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1) << run.err.constData();
    EXPECT_TRUE(run.err.contains("ist kein lesbares PNG-Bild")) << run.err.constData();
    EXPECT_EQ(run.out, QByteArray());
    EXPECT_FALSE(QFile::exists(dir.path("x.vadlayout")));
}

// A settings file that cannot be read is one error for every command,
// reading or writing: a loop of symbolic links, a file over the bound of
// what is read (sparse: it takes no disk). Exit status 1, one message,
// nothing written; check never takes it for a missing file.
TEST(UnreadableSettingsFile, EveryCommandRefusesAlike)
{
    const struct {
        const char *name;
        std::function<bool(const TempDir &)> make;
        QByteArray message;
    } cases[] = {
        {"LinkLoop",
         [](const TempDir &d) {
             return ::symlink("schleife", QFile::encodeName(d.path(kIni)).constData()) == 0 &&
                    ::symlink(kIni, QFile::encodeName(d.path("schleife")).constData()) == 0;
         },
         std::strerror(ELOOP)},
        {"TooLarge",
         [](const TempDir &d) {
             QFile f(d.path(kIni));
             return f.open(QIODevice::WriteOnly) && f.resize(qint64(2) << 30);
         },
         "Sie ist größer als 64 MiB"},
    };
    const QStringList calls[] = {{"get", "ZQHost"}, {"list"}, {"check"}, {"set", "ZQHost=b"}};
    for (const auto &c : cases) {
        TempDir dir;
        ASSERT_TRUE(c.make(dir)) << c.name;
        struct stat before {
        };
        ASSERT_EQ(::lstat(QFile::encodeName(dir.path(kIni)).constData(), &before), 0);
        QByteArray first;
        for (const QStringList &call : calls) {
            const CliRun run = RunCliProcess(Args(dir, call));
            ASSERT_TRUE(run.finished) << c.name;
            EXPECT_EQ(run.exitCode, 1) << c.name << ' ' << call.join(' ').toStdString();
            EXPECT_TRUE(run.err.contains(QFile::encodeName(dir.path(kIni)) + " kann nicht geöffnet werden. " +
                                         c.message))
                << c.name << ' ' << call.join(' ').toStdString() << ": " << run.err.constData();
            if (first.isNull())
                first = run.err;
            EXPECT_EQ(run.err, first) << c.name << ' ' << call.join(' ').toStdString();
            EXPECT_FALSE(run.out.contains("gibt es nicht")) << run.out.constData();
        }
        struct stat after {
        };
        ASSERT_EQ(::lstat(QFile::encodeName(dir.path(kIni)).constData(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << c.name;
        EXPECT_EQ(after.st_size, before.st_size) << c.name;
        EXPECT_EQ(after.st_blocks, before.st_blocks) << c.name;
        EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec) << c.name;
    }
}

TEST(Arguments, NotUtf8IsWrongUsage)
{
    TempDir dir;
    QProcess process;
    process.setProcessEnvironment(CliEnvironment());
    // QProcess passes arguments as UTF-8; a shell passes the bytes as they are.
    process.start(QStringLiteral("sh"),
                  {QStringLiteral("-c"),
                   QStringLiteral("\"$0\" --file \"$1\" set \"$(printf 'ZQHost=\\377')\""),
                   QStringLiteral(VAD_CLI), dir.path(kIni)});
    ASSERT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_TRUE(process.readAllStandardError().contains("UTF-8"));
    EXPECT_FALSE(QFile::exists(dir.path(kIni)));
}

TEST(Arguments, HugeValueIsStored)
{
    TempDir dir;
    const CliRun run =
        RunCliProcess(Args(dir, {QStringLiteral("set"), QStringLiteral("StartNrInFeld=") + kHuge}));
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(RunCliProcess(Args(dir, {QStringLiteral("get"), QStringLiteral("StartNrInFeld")})).out,
              kHuge.toUtf8() + '\n');
}

// Another program holds the file locked (as the display program does while
// it reads): the command waits as the editor does, then says so and writes
// nothing.
TEST(Locked, WritingCommandsWaitThenRefuse)
{
    TempDir dir;
    const QByteArray file = "[Optionen]\r\nZQHost=a\r\n";
    dir.write(kIni, file);
    WriteLayoutFile(dir.path("l.vadlayout"), BuiltInLayouts().at(1));
    const int fd = ::open(QFile::encodeName(dir.path(kIni)).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    for (const QStringList &call :
         {QStringList{"set", "ZQHost=b"}, QStringList{"import-layout", dir.path("l.vadlayout")},
          QStringList{"get", "ZQHost"}}) {
        const CliRun run = RunCliProcess(Args(dir, call));
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 1) << call.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QFile::encodeName(dir.path(kIni)))) << run.err.constData();
        EXPECT_EQ(run.out, QByteArray());
    }
    ::close(fd);
    EXPECT_EQ(dir.read(kIni), file);
    EXPECT_EQ(RunCliProcess(Args(dir, {QStringLiteral("set"), QStringLiteral("ZQHost=b")})).exitCode, 0);
}

struct ValuesSource {
    const char *name;
    QStringList arguments; // after "set"
    QByteArray input;      // on stdin
};

void PrintTo(const ValuesSource &c, std::ostream *os)
{
    *os << c.name;
}

class ValuesFrom : public ::testing::TestWithParam<ValuesSource>
{
};

// Values from standard input or a file give the bytes the same values as
// arguments give.
TEST_P(ValuesFrom, WritesWhatArgumentsWrite)
{
    TempDir byArguments;
    TempDir byLines;
    for (const TempDir *dir : {&byArguments, &byLines})
        dir->write(kIni, "[Optionen]\r\nZQHost=alt\r\nAnzahlZeilen=$1F\r\n");
    byLines.write("werte.txt", "ZQKDPasswort=Ge heim=1\r\n\r\nVollBild=nein\r\n");
    const CliRun reference = RunCliProcess(
        Args(byArguments, {"set", "ZQHost=192.0.2.1", "ZQKDPasswort=Ge heim=1", "VollBild=nein"}));
    ASSERT_EQ(reference.exitCode, 0) << reference.err.constData();
    const CliRun run = RunCliProcess(Args(byLines, QStringList{"set"} + GetParam().arguments),
                                     CliEnvironment(), byLines.path(), GetParam().input);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.out, QByteArray());
    EXPECT_EQ(byLines.read(kIni), byArguments.read(kIni));
}

const ValuesSource kValuesSources[] = {
    {"StandardInput", {"--values-from", "-"}, "ZQHost=192.0.2.1\nZQKDPasswort=Ge heim=1\nVollBild=nein\n"},
    {"StandardInputWithArguments",
     {"ZQHost=192.0.2.1", "--values-from", "-"},
     "\xEF\xBB\xBFZQKDPasswort=Ge heim=1\r\nVollBild=nein"},
    {"File", {"ZQHost=192.0.2.1", "--values-from", "werte.txt"}, ""},
};

INSTANTIATE_TEST_SUITE_P(Sources, ValuesFrom, ::testing::ValuesIn(kValuesSources),
                         [](const auto &info) { return std::string(info.param.name); });

// A layout and one PC's values in one save write what the import followed
// by a set of those values writes.
TEST(ImportWithValues, WritesWhatImportThenSetWrite)
{
    TempDir inOne;
    TempDir inTwo;
    const QString layout = inOne.path("l.vadlayout");
    WriteLayoutFile(layout, BuiltInLayouts().at(1));
    const QByteArray values = "AnzahlZeilen=12\nZQKDPasswort=geheim\nmitUeberschrift=nein\n";
    for (const TempDir *dir : {&inOne, &inTwo})
        dir->write(kIni, "[Optionen]\r\nZQHost=h\r\nAnzahlZeilen=$1F\r\n");
    const CliRun one =
        RunCliProcess(Args(inOne, {"import-layout", layout, "ZQHost=neu", "--values-from", "-"}),
                      CliEnvironment(), QString(), values);
    ASSERT_EQ(one.exitCode, 0) << one.err.constData();
    ASSERT_EQ(RunCliProcess(Args(inTwo, {"import-layout", layout})).exitCode, 0);
    ASSERT_EQ(RunCliProcess(Args(inTwo, {"set", "ZQHost=neu", "--values-from", "-"}), CliEnvironment(),
                            QString(), values)
                  .exitCode,
              0);
    EXPECT_EQ(inOne.read(kIni), inTwo.read(kIni));
    EXPECT_EQ(SettingsFile(inOne.path(kIni)).Load().ReadOption("AnzahlZeilen", ""), "12");
    // Again: the layout and the values are there already.
    const CliRun again =
        RunCliProcess(Args(inOne, {"import-layout", layout, "ZQHost=neu", "--values-from", "-", "--json"}),
                      CliEnvironment(), QString(), values);
    EXPECT_TRUE(again.out.contains("\"changed\":false")) << again.out.constData();
}

struct FileState {
    ino_t inode = 0;
    struct timespec modified {
    };
    QByteArray bytes;
    bool operator==(const FileState &o) const
    {
        return inode == o.inode && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec && bytes == o.bytes;
    }
};

FileState StateOf(const QString &path)
{
    FileState state;
    struct stat st {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        state.inode = st.st_ino;
        state.modified = st.st_mtim;
    }
    QFile f(path);
    if (f.open(QIODevice::ReadOnly))
        state.bytes = f.readAll();
    return state;
}

// Back to a time long past, so any write would show in the time.
void Age(const QString &path)
{
    const struct timespec past[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), past, 0), 0);
}

struct UnchangedCase {
    const char *name;
    QStringList arguments;
    QByteArray input;
    QByteArray out; // a part of stdout
};

void PrintTo(const UnchangedCase &c, std::ostream *os)
{
    *os << c.name;
}

class Unchanged : public ::testing::TestWithParam<UnchangedCase>
{
};

// A call that would write the bytes the files hold writes nothing at all:
// same inode, same modification time, no new file, no journal. Dry runs
// write nothing either, whatever they would change.
TEST_P(Unchanged, KeepsInodeAndModificationTime)
{
    TempDir dir;
    TempDir state;
    QProcessEnvironment env = CliEnvironment();
    env.insert("XDG_STATE_HOME", state.path());
    Layout layout = BuiltInLayouts().at(1);
    layout.logoPng = PngWriter::Encode(PngWriter::Photo(32, 18, 4));
    WriteLayoutFile(dir.path("l.vadlayout"), layout);
    Layout other = BuiltInLayouts().at(2);
    other.logoPng = PngWriter::Encode(PngWriter::Photo(32, 18, 5));
    WriteLayoutFile(dir.path("anders.vadlayout"), other);
    dir.write(kIni, "[Optionen]\r\nZQHost=alt\r\nZQKDPasswort=geheim\r\n");
    ASSERT_EQ(
        RunCliProcess(Args(dir, {"import-layout", "l.vadlayout", "--with-logo"}), env, dir.path()).exitCode,
        0);
    Age(dir.path(kIni));
    Age(dir.path("logo.png"));
    const FileState ini = StateOf(dir.path(kIni));
    const FileState logo = StateOf(dir.path("logo.png"));
    const QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    const CliRun run = RunCliProcess(Args(dir, GetParam().arguments), env, dir.path(), GetParam().input);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_TRUE(run.out.contains(GetParam().out)) << run.out.constData();
    EXPECT_TRUE(StateOf(dir.path(kIni)) == ini);
    EXPECT_TRUE(StateOf(dir.path("logo.png")) == logo);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System), entries);
    EXPECT_TRUE(QDir(state.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    EXPECT_FALSE(run.out.contains("geheim")) << run.out.constData();
}

const UnchangedCase kUnchangedCases[] = {
    {"SetSameValue", {"set", "ZQHost=alt"}, "", ""},
    {"SetSameValuesFromStandardInput",
     {"set", "--values-from", "-"},
     "ZQHost=alt\nZQKDPasswort=geheim\n",
     ""},
    {"SetSameJson", {"set", "ZQHost= alt ", "--json"}, "", "\"changed\":false"},
    {"ImportSameLayout", {"import-layout", "l.vadlayout"}, "", ""},
    {"ImportSameLayoutWithLogo",
     {"import-layout", "l.vadlayout", "--with-logo", "--json"},
     "",
     "\"logoChanged\":false"},
    {"SetDryRun", {"set", "ZQHost=neu", "ZQKDPasswort=anders", "--dry-run"}, "", "ZQHost: alt → neu"},
    {"SetDryRunJson",
     {"set", "--values-from", "-", "--dry-run", "--json"},
     "ZQHost=neu\n",
     "{\"key\":\"ZQHost\",\"new\":\"neu\",\"old\":\"alt\"}"},
    {"ImportOtherLayoutDryRun",
     {"import-layout", "anders.vadlayout", "--with-logo", "--dry-run"},
     "",
     "logo.png: wird ersetzt"},
    {"ImportOtherLayoutDryRunJson",
     {"import-layout", "anders.vadlayout", "--with-logo", "--dry-run", "--json"},
     "",
     "\"changed\":true"},
};

INSTANTIATE_TEST_SUITE_P(Calls, Unchanged, ::testing::ValuesIn(kUnchangedCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(Save, KeepsTheFilesMode)
{
    TempDir dir;
    dir.write(kIni, "[Optionen]\r\nZQHost=a\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path(kIni)).constData(), 0640), 0);
    ASSERT_EQ(RunCliProcess(Args(dir, {QStringLiteral("set"), QStringLiteral("ZQHost=b")})).exitCode, 0);
    struct stat st {
    };
    ASSERT_EQ(::stat(QFile::encodeName(dir.path(kIni)).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// Export and import carry the look and the logo to another display PC; its
// connection settings stay.
TEST(Layouts, ExportThenImportElsewhere)
{
    TempDir here;
    TempDir there;
    here.write(kIni, "[Optionen]\r\nZQHost=hier\r\nAnzahlZeilen=$1F\r\nInfoZeile=Startnr,[Name]\r\n");
    const QByteArray logo = PngWriter::Encode(PngWriter::Photo(64, 36, 3));
    here.write("logo.png", logo);
    there.write(kIni, "[Optionen]\r\nZQHost=dort\r\nZQKDPasswort=geheim\r\n");
    const QString layout = here.path("look.vadlayout");
    const CliRun exported =
        RunCliProcess(Args(here, {"export-layout", layout, "--with-logo", "--name", "Halle"}));
    ASSERT_EQ(exported.exitCode, 0) << exported.err.constData();
    const Layout read = ReadLayoutFile(layout);
    EXPECT_EQ(read.name, "Halle");
    EXPECT_EQ(read.logoPng, logo);
    EXPECT_EQ(LayoutValue(read, Key::AnzahlZeilen), "31");
    const CliRun imported = RunCliProcess(Args(there, {"import-layout", layout, "--with-logo"}));
    ASSERT_EQ(imported.exitCode, 0) << imported.err.constData();
    EXPECT_EQ(there.read("logo.png"), logo);
    const SettingsSnapshot after = SettingsFile(there.path(kIni)).Load();
    EXPECT_EQ(after.ReadOption("ZQHost", ""), "dort");
    EXPECT_EQ(after.ReadOption("ZQKDPasswort", ""), "geheim");
    EXPECT_EQ(after.ReadOption("AnzahlZeilen", ""), "31");
    EXPECT_EQ(after.ReadOption("InfoZeile", ""), "Startnr,[Name]");
}

int Kills()
{
    const int kills = qEnvironmentVariableIntValue("VAD_CLI_KILLS");
    return kills > 0 ? kills : 300;
}

// A kill at any moment of an import leaves the settings file old or new and
// the logo old or new, never a mixture; the next call leaves no temporary
// file of ours behind.
TEST(Kill, ImportLeavesTheOldOrTheNewFile)
{
    TempDir dir;
    // The display program's own keys, large enough that a write takes a while.
    const QByteArray pad = "[Anzeige]\r\nPad=" + QByteArray(300000, 'x') + "\r\n\r\n";
    dir.write(kIni, pad + "[Optionen]\r\nZQHost=h\r\n");
    Layout first = BuiltInLayouts().at(1);
    first.logoPng = PngWriter::Encode(PngWriter::Photo(320, 180, 1));
    Layout second = BuiltInLayouts().at(2);
    second.logoPng = PngWriter::Encode(PngWriter::Photo(320, 180, 2));
    const QString layouts[] = {dir.path("a.vadlayout"), dir.path("b.vadlayout")};
    WriteLayoutFile(layouts[0], first);
    WriteLayoutFile(layouts[1], second);
    // The two states, each reached by a complete import; their durations
    // bound the moments of the kills.
    QByteArray states[2];
    QByteArray logos[2] = {first.logoPng, second.logoPng};
    qint64 longest = 0;
    for (int i : {0, 1, 0, 1}) {
        QElapsedTimer timer;
        timer.start();
        ASSERT_EQ(RunCliProcess(Args(dir, {"import-layout", layouts[i], "--with-logo"})).exitCode, 0);
        longest = std::max(longest, timer.nsecsElapsed() / 1000);
        states[i] = dir.read(kIni);
    }
    ASSERT_NE(states[0], states[1]);
    std::mt19937 random(12345);
    int current = 1;
    for (int round = 0; round < Kills(); ++round) {
        const int next = 1 - current;
        QProcess process;
        process.setProcessEnvironment(CliEnvironment());
        process.start(QStringLiteral(VAD_CLI), Args(dir, {"import-layout", layouts[next], "--with-logo"}));
        ASSERT_TRUE(process.waitForStarted(60000));
        QThread::usleep(std::uniform_int_distribution<qint64>(0, longest)(random));
        process.kill();
        ASSERT_TRUE(process.waitForFinished(60000));
        const QByteArray now = dir.read(kIni);
        ASSERT_TRUE(now == states[0] || now == states[1])
            << "round " << round << ", " << now.size() << " bytes";
        const QByteArray logo = dir.read("logo.png");
        ASSERT_TRUE(logo == logos[0] || logo == logos[1]) << "round " << round;
        current = now == states[next] ? next : current;
    }
    ASSERT_EQ(RunCliProcess(Args(dir, {"get", "ZQHost"})).out, "h\n");
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    EXPECT_TRUE(left.filter(SettingsFile::TempPrefix(kIni)).isEmpty()) << left.join(' ').toStdString();
}

} // namespace
