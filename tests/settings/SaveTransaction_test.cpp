#include "base/Failure.h"
#include "settings/IniDocument.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsKeys.h"
#include "support/FailureOf.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

// A save is one transaction over the whole file: one read under the lock,
// every write applied in memory, one replacement of the file.

namespace
{

using Writes = std::vector<std::pair<QString, QString>>;

// What writing the values one by one did before: each write read the whole
// file, changed one line and wrote the whole file back.
QByteArray OneWriteAtATime(QByteArray bytes, bool exists, const Writes &writes)
{
    for (const auto &[key, value] : writes) {
        IniDocument doc = exists ? IniDocument::fromBytes(bytes) : IniDocument();
        doc.setValue("Optionen", key, value);
        bytes = doc.toBytes();
        exists = true;
    }
    return bytes;
}

// The 23 keys with values that show every way the text can change on its
// way into the file: spaces around a value (trimmed when the file is read
// back), characters Windows-1252 lacks, "=" and quotes inside, empty values.
Writes SaveOfEveryKey()
{
    const QString values[] = {
        QStringLiteral("  192.0.2.7 "),
        QStringLiteral("ja"),
        QStringLiteral("\t4711"),
        QStringLiteral("p\u00e4ss\u20ac w\u00f6rd"),
        QStringLiteral("\u03a9\u2260\U0001F600"),
        QStringLiteral("\"42\""),
        QStringLiteral("nein"),
        QStringLiteral("31"),
        QStringLiteral(""),
        QStringLiteral("#FF0000"),
        QStringLiteral("  "),
        QStringLiteral("80"),
        QStringLiteral("#000000"),
        QStringLiteral("{\"1\":{\"schriftname\":\"Arial\",\"text\":\"a=b\"}}"),
        QStringLiteral("{}"),
        QStringLiteral("x"),
        QStringLiteral("Startnr,[Name] , Zeit "),
        QStringLiteral("ja"),
        QStringLiteral("nein"),
        QStringLiteral("Startnr"),
        QStringLiteral("\u00a0Feld\u00a0"),
        QStringLiteral("-1"),
        QStringLiteral("9"),
    };
    Writes writes;
    for (size_t i = 0; i < kKeys.size(); ++i)
        writes.emplace_back(QString::fromLatin1(kKeys[i].name), values[i]);
    return writes;
}

QByteArray Utf16(const char *mark, const QString &text, bool bigEndian, const QByteArray &tail = {})
{
    QByteArray out(mark);
    for (QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        out.append(bigEndian ? hi : lo);
        out.append(bigEndian ? lo : hi);
    }
    return out + tail;
}

struct FileCase {
    const char *name;
    QByteArray bytes;
    bool exists = true;
};

void PrintTo(const FileCase &c, std::ostream *os)
{
    *os << c.name;
}

class SameBytes : public ::testing::TestWithParam<FileCase>
{
  protected:
    TempDir dir;
};

TEST_P(SameBytes, AsTwentyThreeSeparateWrites)
{
    const FileCase &c = GetParam();
    if (c.exists)
        dir.write("DAZovozoved.ini", c.bytes);
    const Writes writes = SaveOfEveryKey();
    SettingsFile file = SettingsFile::beside(dir.path());
    file.Update([&](SettingsEdit &edit) {
        for (const auto &[key, value] : writes)
            edit.WriteOption(key, value);
    });
    const QByteArray expected = OneWriteAtATime(c.bytes, c.exists, writes);
    EXPECT_EQ(dir.read("DAZovozoved.ini"), expected);
    // The bytes a save would write, computed without the file, are the same.
    const IniDocument before = c.exists ? IniDocument::fromBytes(c.bytes) : IniDocument();
    EXPECT_EQ(ApplyWrites(before,
                          [&](SettingsEdit &edit) {
                              for (const auto &[key, value] : writes)
                                  edit.WriteOption(key, value);
                          }),
              expected);
    // Every key reads back; values before the last come back trimmed.
    const SettingsSnapshot after = file.Load();
    EXPECT_EQ(after.ReadOption("ZQHost", "-"), "192.0.2.7");
    EXPECT_EQ(after.ReadOption("letztesEF", "-"), "9");

    // The next save finds the file in the form a save writes (unless it is
    // UTF-16) and keeps all but its section "Optionen" as it is: the bytes
    // are still those of one write at a time.
    const QByteArray saved = dir.read("DAZovozoved.ini");
    const bool utf16 = saved.startsWith("\xFF\xFE") || saved.startsWith("\xFE\xFF");
    EXPECT_EQ(FindSectionInNormalFile(saved, "Optionen").has_value(), !utf16) << saved.toHex(' ').constData();
    Writes again = writes;
    for (auto &[key, value] : again)
        value = value.isEmpty() ? QStringLiteral("neu") : QString();
    again.emplace_back("NeuerSchluessel", " \u00fc ");
    file.Update([&](SettingsEdit &edit) {
        for (const auto &[key, value] : again)
            edit.WriteOption(key, value);
    });
    const QByteArray expectedAgain = OneWriteAtATime(saved, true, again);
    EXPECT_EQ(dir.read("DAZovozoved.ini"), expectedAgain);
    // The last value written keeps its spaces, as one write at a time did;
    // a file in that form is read whole by the next save.
    EXPECT_TRUE(
        expectedAgain.contains(utf16 ? QByteArray("N\0e\0u\0e\0r") : QByteArray("NeuerSchluessel= ")));
    EXPECT_FALSE(FindSectionInNormalFile(expectedAgain, "Optionen").has_value());
}

// Which files a save may keep byte for byte outside "Optionen": only those
// in exactly the form a save writes.
TEST(NormalFile, FoundOnlyInTheWrittenForm)
{
    const struct {
        QByteArray bytes;
        qsizetype begin, end; // -1: not in the written form
    } cases[] = {
        {"", 0, 0},
        {"[A]\r\nx=1\r\n\r\n[optionen]\r\nZQHost=a\r\n\r\n[Optionen]\r\nB=2\r\n\r\n", 12, 36},
        {"\xEF\xBB\xBF[Optionen]\r\n\r\n", 3, 17},
        {"[A]\r\nohne\r\n=x\r\ny=\r\n\r\n", 21, 21},
        {"[Optionen]\r\nA=1\r\n", -1, -1},            // no empty line after the section
        {"[Optionen]\nA=1\n\n", -1, -1},              // LF only
        {"[Optionen]\r\nA = 1\r\n\r\n", -1, -1},      // spaces around "="
        {"[Optionen]\r\n;c\r\n\r\n", -1, -1},         // comment
        {"x\r\n[Optionen]\r\n\r\n", -1, -1},          // text before the first section
        {"[Optionen]\r\nA=1\r\n\r\n\r\n", -1, -1},    // blank line
        {"[Optionen]\r\nA=1\r\n[B]\r\n\r\n", -1, -1}, // a header inside a section
        {"[Optionen]\r\nA=1\rB=2\r\n\r\n", -1, -1},   // lone CR
        {"[\xC4]\r\n\r\n[Optionen]\r\n\r\n", -1, -1}, // a name beyond ASCII before it
        {"[Optionen]\r\n\r\n[\xC4]\r\nA=\xFF\r\n\r\n", 0, 14},
        {QByteArray("[Optionen]\r\nA=1\0\r\n\r\n", 20), -1, -1}, // NUL at the end of a line
        {QByteArray("\xFF\xFE[\0]\0", 6), -1, -1},
    };
    for (const auto &c : cases) {
        const auto span = FindSectionInNormalFile(c.bytes, "Optionen");
        ASSERT_EQ(span.has_value(), c.begin >= 0) << c.bytes.toHex().constData();
        if (span) {
            EXPECT_EQ(span->begin, c.begin) << c.bytes.toHex().constData();
            EXPECT_EQ(span->end, c.end) << c.bytes.toHex().constData();
            // It is the form a save writes: reading and writing gives it back.
            EXPECT_EQ(IniDocument::fromBytes(c.bytes).toBytes(), c.bytes);
        }
    }
}

const QString kMixed = QStringLiteral(
    "; kommentar\r\nvorher=1\r\n[Anzeige]\r\nZQHost = anderswo\r\n\r\n[OPTIONEN]\r\n zqhost = alt \r\n"
    "Eigen=wert=mit=gleich\r\nANZAHLZEILEN=$1F\r\n[optionen]\r\nZQHost=zweite\r\nletztesef=3\r\nletztesEF="
    "4\r\n"
    "ohne Gleichheitszeichen\r\n[Optionen ]\r\nX=\u00e4\u20ac\r\n");

INSTANTIATE_TEST_SUITE_P(
    Files, SameBytes,
    ::testing::Values(
        FileCase{"NoFile", {}, false}, FileCase{"EmptyFile", {}},
        FileCase{"AnsiKeysInOddCaseDuplicatesAndOtherSections",
                 "; c\r\n[Anzeige]\r\nZQHost = anderswo\r\n[optionen]\r\n zqhost = alt \r\nvollbild=Wahr\r\n"
                 "Unbekannt = \xe4\r\n[Optionen]\r\nZQHost=zweite\r\n[Fremd]\r\nA=1\r\n"},
        FileCase{"AnsiWithoutOptionen", "[Anzeige]\r\nZQHost=anderswo\r\nInfoZeile=X\r\n"},
        FileCase{"Utf8Mixed", "\xEF\xBB\xBF" + kMixed.toUtf8()},
        FileCase{"Utf8BrokenBytesAndNul",
                 QByteArray("\xEF\xBB\xBF[Optionen]\r\nA=x\xFFy\xC3\r\nN=a\0b\r\n", 30)},
        FileCase{"Utf16LEMixed", Utf16("\xFF\xFE", kMixed, false)},
        FileCase{"Utf16BEOddLength", Utf16("\xFE\xFF", kMixed, true, "\x41")},
        FileCase{"Utf16LEOddLengthNoOptionen", Utf16("\xFF\xFE", "[A]\nB=1", false, "\x7F")},
        FileCase{"LoneCarriageReturnsAndTextBeforeSections",
                 "frei\r[Optionen]\rZQHostOLS=ja\r\r\n\n[Optionen]\nZQHost=b\n"}),
    [](const ::testing::TestParamInfo<FileCase> &info) { return std::string(info.param.name); });

class SaveTransaction : public ::testing::Test
{
  protected:
    TempDir dir;
    QString path() const { return dir.path("DAZovozoved.ini"); }
    SettingsFile file(int lockWaitMs = SettingsFile::kDefaultLockWaitMs) const
    {
        SettingsFile f = SettingsFile::beside(dir.path());
        f.setLockWait(lockWaitMs);
        return f;
    }
    QByteArray bytes() const { return dir.read("DAZovozoved.ini"); }
    QStringList entries() const
    {
        return QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }
};

// A value with a line break would end its line and turn the rest into lines
// and sections of their own; a NUL would cut it for many readers.
TEST_F(SaveTransaction, LineBreaksAndNulAreRefusedAndNothingIsWritten)
{
    const QByteArray before = "[Optionen]\r\nZQHost=alt\r\nEigen=1\r\n";
    dir.write("DAZovozoved.ini", before);
    const QString refused[] = {
        QStringLiteral("x\r\n[Injected]\r\nEvil=1"),          QStringLiteral("a\nb"), QStringLiteral("a\rb"),
        QStringLiteral("a") + QChar(0) + QStringLiteral("b"), QStringLiteral("\n"),
    };
    for (const QString &value : refused) {
        const QString message = FailureOf([&] {
            file().Update([&](SettingsEdit &edit) {
                edit.WriteOption("ZQHost", "neu"); // written first, yet not saved
                edit.WriteOption("ZQKDPasswort", value);
            });
        });
        EXPECT_TRUE(message.contains("ZQKDPasswort")) << message.toStdString();
        EXPECT_TRUE(message.contains("Zeilenumbruch")) << message.toStdString();
        EXPECT_EQ(bytes(), before);
    }
    EXPECT_EQ(entries(), QStringList{"DAZovozoved.ini"});
}

// The display program holds a shared lock while it reads the file: the save
// waits for it instead of failing.
TEST_F(SaveTransaction, SaveWaitsForAReaderToLetGo)
{
    dir.write("DAZovozoved.ini", "[Optionen]\r\nA=1\r\n");
    const int reader = ::open(QFile::encodeName(path()).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(::flock(reader, LOCK_SH), 0);
    std::thread letGo([reader] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::close(reader);
    });
    const QString message = FailureOf([&] { file().WriteOption("A", "2"); });
    letGo.join();
    EXPECT_EQ(message, QString());
    EXPECT_EQ(bytes(), QByteArray("[Optionen]\r\nA=2\r\n\r\n"));
}

// A lock held longer than the wait: the save says so, writes nothing, and a
// second try after the lock has gone succeeds.
TEST_F(SaveTransaction, LockHeldPastTheWaitThenASecondTry)
{
    const QByteArray before = "[Optionen]\r\nA=1\r\n";
    dir.write("DAZovozoved.ini", before);
    const int holder = ::open(QFile::encodeName(path()).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    for (int lock : {LOCK_SH, LOCK_EX}) {
        ASSERT_EQ(::flock(holder, lock), 0);
        const QString message = FailureOf([&] { file(200).WriteOption("A", "2"); });
        EXPECT_TRUE(message.startsWith("Datei \"" + path() + "\" kann nicht erstellt werden. "))
            << message.toStdString();
        EXPECT_GT(message.size(), ("Datei \"" + path() + "\" kann nicht erstellt werden. ").size());
        EXPECT_EQ(bytes(), before);
    }
    ::close(holder);
    file(200).WriteOption("A", "2");
    EXPECT_EQ(bytes(), QByteArray("[Optionen]\r\nA=2\r\n\r\n"));
}

// Another program replaces the file while the save waits for the lock on the
// old one: the save writes into the new file, whose content survives.
TEST_F(SaveTransaction, FileReplacedWhileWaitingIsReadAfresh)
{
    dir.write("DAZovozoved.ini", "[Optionen]\r\nA=alt\r\n");
    const int holder = ::open(QFile::encodeName(path()).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    std::thread other([this, holder] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        dir.write("neu.ini", "[Optionen]\r\nVonAnderen=1\r\n");
        ::rename(QFile::encodeName(dir.path("neu.ini")).constData(), QFile::encodeName(path()).constData());
        ::close(holder);
    });
    file().WriteOption("A", "meins");
    other.join();
    EXPECT_EQ(bytes(), QByteArray("[Optionen]\r\nVonAnderen=1\r\nA=meins\r\n\r\n"));
}

// A file deleted or replaced between the start and the save: the save
// writes into what is there now.
TEST_F(SaveTransaction, FileDeletedOrReplacedAfterTheStart)
{
    dir.write("DAZovozoved.ini", "[Optionen]\r\nA=1\r\nB=2\r\n");
    const SettingsSnapshot atStart = file().Load();
    EXPECT_EQ(atStart.ReadOption("B", "-"), "2");
    QFile::remove(path());
    file().WriteOption("A", "3");
    EXPECT_EQ(bytes(), QByteArray("[Optionen]\r\nA=3\r\n\r\n"));
    dir.write("DAZovozoved.ini", "[Fremd]\r\nC=4\r\n");
    file().WriteOption("A", "5");
    EXPECT_EQ(bytes(), QByteArray("[Fremd]\r\nC=4\r\n\r\n[Optionen]\r\nA=5\r\n\r\n"));
}

// What a killed save left beside the file goes with the next start or save;
// other files that merely look alike stay.
TEST_F(SaveTransaction, LeftoversOfKilledSavesAreRemoved)
{
    const QString prefix = SettingsFile::TempPrefix("DAZovozoved.ini");
    const QStringList others = {"DAZovozoved.ini.backup", prefix + "toolong1", prefix + "abc",
                                "DAZovozoved.ini"};
    for (const QString &name : others)
        dir.write(name, "[Optionen]\r\nA=1\r\n");
    for (bool byLoad : {true, false}) {
        dir.write(prefix + "Ab12Cd", "[Optionen]\r\nZQKDPasswort=geheim\r\n");
        dir.write(prefix + "ZZZZZZ", "");
        if (byLoad)
            file().Load();
        else
            file().WriteOption("A", "2");
        QStringList expected = others;
        expected.sort();
        EXPECT_EQ(entries(), expected) << (byLoad ? "load" : "save");
    }
}

// One save writes the file once and leaves nothing beside it, in either way
// of making the new file.
TEST_F(SaveTransaction, OneSaveLeavesOnlyTheFile)
{
    for (bool unnamed : {true, false}) {
        SettingsFile f = file();
        f.setUnnamedTempFiles(unnamed);
        f.Update([](SettingsEdit &edit) {
            for (const KeyInfo &k : kKeys)
                edit.WriteOption(QString::fromLatin1(k.name), QString::fromLatin1(k.defaultText));
        });
        EXPECT_EQ(entries(), QStringList{"DAZovozoved.ini"});
        EXPECT_EQ(readText(f.Load(), Key::letztesEF), "-1");
    }
}

} // namespace
