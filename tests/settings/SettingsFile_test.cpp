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
#include <optional>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

QByteArray utf16(const char *mark, const char16_t *text, bool bigEndian)
{
    QByteArray out(mark);
    for (const char16_t *p = text; *p; ++p) {
        const char hi = char(*p >> 8), lo = char(*p & 0xFF);
        out.append(bigEndian ? hi : lo);
        out.append(bigEndian ? lo : hi);
    }
    return out;
}

class SettingsFileTest : public ::testing::Test
{
  protected:
    TempDir dir;
    QString path() const { return dir.path("DAZovozoved.ini"); }
    SettingsFile file() const
    {
        SettingsFile f = SettingsFile::beside(dir.path());
        f.setLockWait(200); // the locks below are held past any wait
        return f;
    }
    void write(const QByteArray &bytes) const { dir.write("DAZovozoved.ini", bytes); }
    QByteArray bytes() const { return dir.read("DAZovozoved.ini"); }
};

TEST_F(SettingsFileTest, MissingFileGivesDefaultsAndIsNotCreated)
{
    EXPECT_EQ(file().ReadOption("ZQHost", "127.0.0.1"), "127.0.0.1");
    EXPECT_TRUE(file().ReadOptionFlag("VollBild", "ja"));
    EXPECT_FALSE(QFileInfo::exists(path()));
}

TEST_F(SettingsFileTest, FreshFileBytesAndOwnerOnlyMode)
{
    SettingsFile f = file();
    f.WriteOption("ZQHost", "h\u00E4st");
    f.WriteOptionFlag("ZQHostOLS", false);
    EXPECT_EQ(bytes(), QByteArray("[Optionen]\r\nZQHost=h\xE4st\r\nZQHostOLS=nein\r\n\r\n"));
    struct stat st {
    };
    ASSERT_EQ(::stat(QFile::encodeName(path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(SettingsFileTest, EachEncodingIsWrittenBackInItself)
{
    struct Case {
        QByteArray before, after;
    };
    const Case cases[] = {
        {"\xEF\xBB\xBF[Optionen]\r\nA=\xC3\xA4\r\n",
         "\xEF\xBB\xBF[Optionen]\r\nA=\xC3\xA4\r\nB=\xE2\x82\xAC\r\n\r\n"},
        {utf16("\xFF\xFE", u"[O]", false),
         utf16("\xFF\xFE", u"[O]\r\n\r\n[Optionen]\r\nB=\u20AC\r\n\r\n", false)},
        {utf16("\xFE\xFF", u"[O]", true),
         utf16("\xFE\xFF", u"[O]\r\n\r\n[Optionen]\r\nB=\u20AC\r\n\r\n", true)},
        {"[Optionen]\r\nA=\xE4\r\n", "[Optionen]\r\nA=\xE4\r\nB=\x80\r\n\r\n"},
    };
    for (const Case &c : cases) {
        write(c.before);
        file().WriteOption("B", QStringLiteral("\u20AC"));
        EXPECT_EQ(bytes(), c.after) << c.before.toHex().constData();
    }
}

TEST_F(SettingsFileTest, UnknownSectionsAndKeysSurvive)
{
    write("; note\r\n[Display]\r\nMode = 3\r\n[Optionen]\r\nZQHost=a\r\nExtra=1\r\n");
    file().WriteOption("ZQHost", "b");
    file().WriteOption("InfoZeile", "Startnr");
    EXPECT_EQ(bytes(), QByteArray("[Display]\r\nMode=3\r\n\r\n[Optionen]\r\nZQHost=b\r\nExtra=1\r\n"
                                  "InfoZeile=Startnr\r\n\r\n"));
}

TEST_F(SettingsFileTest, BrokenUtf8AndNulSurviveAWrite)
{
    const QByteArray before("\xEF\xBB\xBF[Optionen]\r\nA=x\xFFy\r\nN=a\0b\r\n", 30);
    write(before);
    EXPECT_EQ(file().ReadOption("N", ""), QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
    file().WriteOption("Z", "1");
    EXPECT_EQ(bytes(), QByteArray("\xEF\xBB\xBF[Optionen]\r\nA=x\xFFy\r\nN=a\0b\r\nZ=1\r\n\r\n", 36));
}

TEST_F(SettingsFileTest, ExistingModeKeptAndSymlinkWrittenThrough)
{
    write("[Optionen]\r\nA=1\r\n");
    ::chmod(QFile::encodeName(path()).constData(), 0640);
    file().WriteOption("A", "2");
    struct stat st {
    };
    ::stat(QFile::encodeName(path()).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    TempDir other;
    const QString link = other.path("DAZovozoved.ini");
    ASSERT_EQ(::symlink(QFile::encodeName(path()).constData(), QFile::encodeName(link).constData()), 0);
    SettingsFile::beside(other.path()).WriteOption("A", "3");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(bytes(), QByteArray("[Optionen]\r\nA=3\r\n\r\n"));
}

// The settings file may be a link, but only one of the user's own or
// root's is followed: root following another user's link would overwrite
// whatever file that user pointed it at.
TEST_F(SettingsFileTest, LinkOfAnotherUserIsNotFollowed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a link to another user";
    TempDir system;
    system.write("shadow", "root:geheim\n");
    const QByteArray target = QFile::encodeName(system.path("shadow"));
    ASSERT_EQ(::chmod(target.constData(), 0644), 0);
    ASSERT_EQ(::symlink(target.constData(), QFile::encodeName(path()).constData()), 0);
    ASSERT_EQ(::lchown(QFile::encodeName(path()).constData(), 4321, 4321), 0);
    const QString why = "Sie ist ein symbolischer Verweis, der einem anderen Benutzer (Nummer 4321) gehört; "
                        "einem solchen Verweis folgt das Programm nicht.";
    EXPECT_EQ(FailureOf([&] { file().Load(); }), "Datei " + path() + " kann nicht geöffnet werden. " + why);
    for (bool inPlace : {false, true}) {
        SettingsFile f = file();
        f.setRewriteInPlace(inPlace);
        EXPECT_EQ(FailureOf([&] { f.WriteOption("ZQHost", "x"); }),
                  "Datei \"" + path() + "\" kann nicht erstellt werden. " + why);
    }
    EXPECT_EQ(system.read("shadow"), "root:geheim\n");
    struct stat st {
    };
    ASSERT_EQ(::stat(target.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_TRUE(QFileInfo(path()).isSymLink());
}

TEST_F(SettingsFileTest, LockedFileFailsWithSystemText)
{
    write("[Optionen]\r\nA=1\r\n");
    const int fd = ::open(QFile::encodeName(path()).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    // Another program writing holds the exclusive lock: neither read nor write.
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    const QString readMsg = FailureOf([&] { file().ReadOption("A", ""); });
    EXPECT_TRUE(readMsg.startsWith("Datei " + path() + " kann nicht geöffnet werden. "))
        << readMsg.toStdString();
    EXPECT_GT(readMsg.size(), QString("Datei " + path() + " kann nicht geöffnet werden. ").size());
    EXPECT_FALSE(FailureOf([&] { file().WriteOption("A", "2"); }).isEmpty());
    // Another program reading holds a shared lock: reads go on, writes fail.
    ASSERT_EQ(::flock(fd, LOCK_SH), 0);
    EXPECT_EQ(file().ReadOption("A", ""), "1");
    const QString writeMsg = FailureOf([&] { file().WriteOption("A", "2"); });
    EXPECT_TRUE(writeMsg.startsWith("Datei \"" + path() + "\" kann nicht erstellt werden. "))
        << writeMsg.toStdString();
    ::close(fd);
    EXPECT_EQ(bytes(), QByteArray("[Optionen]\r\nA=1\r\n"));
}

TEST_F(SettingsFileTest, DirectoryOrFifoInPlaceOfTheFile)
{
    ASSERT_TRUE(QDir().mkpath(path()));
    EXPECT_TRUE(FailureOf([&] {
                    file().ReadOption("A", "");
                }).startsWith("Datei " + path() + " kann nicht geöffnet werden. "));
    EXPECT_FALSE(FailureOf([&] { file().WriteOption("A", "1"); }).isEmpty());
    QDir().rmdir(path());
    ASSERT_EQ(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
    EXPECT_TRUE(FailureOf([&] { file().ReadOption("A", ""); }).contains("kann nicht geöffnet werden"));
    EXPECT_FALSE(FailureOf([&] { file().WriteOption("A", "1"); }).isEmpty());
}

TEST_F(SettingsFileTest, ImmutableFileCannotBeReplaced)
{
    write("[Optionen]\r\nA=1\r\n");
    if (std::system(("chattr +i '" + path() + "' 2>/dev/null").toLocal8Bit().constData()) != 0)
        GTEST_SKIP() << "this filesystem refuses chattr +i";
    const QString msg = FailureOf([&] { file().WriteOption("A", "2"); });
    std::system(("chattr -i '" + path() + "'").toLocal8Bit().constData());
    EXPECT_TRUE(msg.startsWith("Datei \"" + path() + "\" kann nicht erstellt werden. ")) << msg.toStdString();
    EXPECT_EQ(bytes(), QByteArray("[Optionen]\r\nA=1\r\n"));
}

TEST_F(SettingsFileTest, UnwritableDirectoryForNonRoot)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into any directory";
    ::chmod(QFile::encodeName(dir.path()).constData(), 0500);
    const QString msg = FailureOf([&] { file().WriteOption("A", "2"); });
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    EXPECT_TRUE(msg.startsWith("Datei \"" + path() + "\" kann nicht erstellt werden. ")) << msg.toStdString();
}

QByteArray hugeFile()
{
    QByteArray big = "[Optionen]\r\nZQHost=h\r\n";
    for (int i = 0; big.size() < 10 * 1024 * 1024; ++i)
        big += "[S" + QByteArray::number(i % 50) + "]\r\nKey" + QByteArray::number(i) + "=" +
               QByteArray(200, 'v') + "\r\n";
    return big;
}

QByteArray binaryFile()
{
    QByteArray b;
    uint32_t x = 12345;
    for (int i = 0; i < 65536; ++i) {
        x = x * 1103515245u + 12345u;
        b.append(char(x >> 24));
    }
    return b;
}

// Whatever the file holds, a read gives a value or the default, and a write
// changes that one key and keeps everything else the file had.
TEST_F(SettingsFileTest, HostileFilesLoadAndKeepTheirContent)
{
    const std::pair<const char *, QByteArray> files[] = {
        {"empty", QByteArray()},
        {"huge", hugeFile()},
        {"binary", binaryFile()},
        {"half utf-16", QByteArray("\xFF\xFE[\0O\0p\0t\0i\0o\0n\0e\0n\0]\0\n\0Z\0Q\0H\0o\0s\0t\0=\0a", 39)},
        {"duplicate sections",
         QByteArray("[Optionen]\nA=1\n[Optionen]\nZQHost=2\n[optionen]\nB=3\n").repeated(1000)},
        {"no line breaks", QByteArray(100000, '[')},
    };
    for (const auto &[name, content] : files) {
        write(content);
        const QString before = file().ReadOption("ZQHost", "default");
        EXPECT_FALSE(before.isNull()) << name;
        file().WriteOption("ZQHost", "neu");
        EXPECT_EQ(file().ReadOption("ZQHost", "default"), "neu") << name;
        IniDocument expected = IniDocument::fromBytes(content);
        expected.setValue("Optionen", "ZQHost", "neu");
        EXPECT_EQ(bytes(), expected.toBytes()) << name;
    }
}

// The peak memory of this process so far, in KiB.
long PeakKib()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A settings file is kilobytes. One over the bound (a stray file of
// gigabytes, a disk image copied over it) is refused before it is read, by
// a load and by a save, which writes nothing: the file keeps its size and
// its holes, and the process's memory does not grow by it. A file at the
// bound is read. Sparse files: they take no disk.
TEST_F(SettingsFileTest, FileOverTheBoundIsRefusedUnread)
{
    const QString refused =
        "Datei " + path() +
        " kann nicht geöffnet werden. Sie ist größer als 64 MiB; so große Dateien liest das "
        "Programm nicht.";
    ASSERT_EQ(SettingsFile::kMaxFileBytes, qint64(64) << 20);
    const auto sparse = [this](qint64 size) {
        QFile::remove(path());
        QFile f(path());
        return f.open(QIODevice::WriteOnly) && f.resize(size);
    };
    for (qint64 size : {SettingsFile::kMaxFileBytes + 1, qint64(2) << 30}) {
        ASSERT_TRUE(sparse(size));
        struct stat before {
        };
        ASSERT_EQ(::stat(QFile::encodeName(path()).constData(), &before), 0);
        const long peak = PeakKib();
        EXPECT_EQ(FailureOf([&] { file().Load(); }), refused) << size;
        EXPECT_EQ(FailureOf([&] { file().WriteOption("ZQHost", "neu"); }), refused) << size;
        EXPECT_LT(PeakKib() - peak, 32 * 1024) << "the file was read";
        struct stat after {
        };
        ASSERT_EQ(::stat(QFile::encodeName(path()).constData(), &after), 0);
        EXPECT_EQ(after.st_size, before.st_size);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_blocks, before.st_blocks);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{"DAZovozoved.ini"});
    }
    ASSERT_TRUE(sparse(SettingsFile::kMaxFileBytes));
    const SettingsSnapshot atTheBound = file().Load();
    EXPECT_TRUE(atTheBound.fromFile());
    EXPECT_TRUE(atTheBound.document().sections().empty());
}

TEST_F(SettingsFileTest, KeyTableDefaultsAndConversions)
{
    write("[Optionen]\r\nAnzahlZeilen=$1F\r\nTimeoutLogo=12abc\r\nerstesEF=\r\nZQHostOLS=Wahr\r\n");
    EXPECT_EQ(readText(file(), Key::AnzahlZeilen), "31");
    EXPECT_EQ(readText(file(), Key::TimeoutLogo), "60");
    EXPECT_EQ(readText(file(), Key::erstesEF), "-1");
    EXPECT_EQ(readText(file(), Key::letztesEF), "-1");
    EXPECT_EQ(readText(file(), Key::ZQVANummer), "auto");
    EXPECT_TRUE(readFlag(file(), Key::ZQHostOLS));
    EXPECT_TRUE(readFlag(file(), Key::VollBild));
    EXPECT_EQ(keyName(Key::letztesEF), "letztesEF");
}

} // namespace

namespace
{

// A save names the characters its document would write as "?": a file
// without mark, and a new file, are written in Windows-1252 without mark.
TEST(ReplacedCharacters, CharactersTheFileCannotHold)
{
    const QString value = QStringLiteral("Łączny czas 日本語?");
    const QList<char32_t> lost = {0x141, 0x105, 0x65E5, 0x672C, 0x8A9E};
    const struct {
        const char *name;
        std::optional<QByteArray> file; // none: no file yet
        QList<char32_t> lost;
        QByteArray written;
    } cases[] = {
        {"NewFile", std::nullopt, lost, "??czny czas ????"},
        {"Windows1252", QByteArray("[Optionen]\r\nA=\xE4\x80\x81\r\n"), lost, "??czny czas ????"},
        {"EmptyFile", QByteArray(""), lost, "??czny czas ????"},
        {"Utf8Mark", QByteArray("\xEF\xBB\xBF[Optionen]\r\n"), {}, value.toUtf8()},
        {"Utf16LEMark", QByteArray("\xFF\xFE", 2), {}, QByteArray("\x41\x01", 2)},
        {"Utf16BEMark", QByteArray("\xFE\xFF", 2), {}, QByteArray("\x01\x41", 2)},
    };
    for (const auto &c : cases) {
        IniDocument doc = c.file ? IniDocument::fromBytes(*c.file) : IniDocument();
        // A file as read holds nothing it could not write back.
        EXPECT_EQ(CharactersASaveReplaces(doc).characters, QList<char32_t>{}) << c.name;
        doc.setValue(QStringLiteral("Optionen"), QStringLiteral("Titel"), value);
        EXPECT_EQ(CharactersASaveReplaces(doc).characters, c.lost) << c.name;
        EXPECT_TRUE(doc.toBytes().contains(c.written)) << c.name;
    }
}

// Section names and lines of every section count, not only "Optionen".
TEST(ReplacedCharacters, CharactersOfEverySectionCount)
{
    IniDocument doc = IniDocument::parse(QStringLiteral("[Anzeige]\r\nx=1\r\n"), TextEncoding::Ansi);
    doc.setValue(QStringLiteral("Anzeige"), QStringLiteral("y"), QStringLiteral("\u0141"));
    doc.setValue(QStringLiteral("Z\u00FCrich \u0107"), QStringLiteral("z"), QStringLiteral("\u00E4"));
    EXPECT_EQ(CharactersASaveReplaces(doc).characters, (QList<char32_t>{0x141, 0x107}));
}

// A password's characters are never named, only its key.
TEST(ReplacedCharacters, PasswordCharactersAreNotNamed)
{
    IniDocument doc = IniDocument::fromBytes("[Optionen]\r\nZQHost=a\r\n");
    SettingsEdit edit(doc);
    edit.WriteOption(QStringLiteral("ZQKDPasswort"), QStringLiteral("geh\u0117im\u65E5"));
    edit.WriteOption(QStringLiteral("ZQVAPasswort"), QStringLiteral("\u00E4\u20AC"));
    edit.WriteOption(QStringLiteral("InfoZeile"), QStringLiteral("\u65E5"));
    const ReplacedCharacters replaced = CharactersASaveReplaces(doc);
    EXPECT_EQ(replaced.characters, QList<char32_t>{0x65E5});
    EXPECT_EQ(replaced.passwordKeys, QStringList{QStringLiteral("ZQKDPasswort")});
    EXPECT_EQ(NameReplacedCharacters(replaced), QStringLiteral("\u65E5 und Zeichen in ZQKDPasswort"));
    EXPECT_FALSE(NameReplacedCharacters(replaced).contains(u'\u0117'));
    // What was agreed to covers the same or less, never more.
    EXPECT_TRUE(replaced.covers(replaced));
    EXPECT_TRUE(replaced.covers(ReplacedCharacters{{0x65E5}, {}}));
    EXPECT_FALSE(replaced.covers(ReplacedCharacters{{0x65E5, 0x141}, {}}));
    EXPECT_FALSE(replaced.covers(ReplacedCharacters{{}, {QStringLiteral("ZQVAPasswort")}}));
    EXPECT_TRUE(ReplacedCharacters().isEmpty());
    EXPECT_FALSE(replaced.isEmpty());
}

} // namespace
