#include "base/Failure.h"
#include "base/FileWriter.h"
#include "base/InPlaceJournal.h"
#include "support/FailureOf.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <stddef.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{

QStringList Entries(const TempDir &dir)
{
    return QDir(dir.path())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

mode_t ModeOf(const QString &path)
{
    struct stat st {
    };
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

// Sets the umask for the scope.
class Umask
{
  public:
    explicit Umask(mode_t mask) : m_old(::umask(mask)) {}
    ~Umask() { ::umask(m_old); }
    Umask(const Umask &) = delete;
    Umask &operator=(const Umask &) = delete;

  private:
    mode_t m_old;
};

// A new file gets the mode the umask gives; a replaced one keeps its mode;
// nothing but the file is left beside it.
TEST(WriteFileAtomically, CreatesAndReplacesKeepingTheMode)
{
    TempDir dir;
    const QString path = dir.path("layout.json");
    {
        const Umask mask(022);
        WriteFileAtomically(path, "erste");
    }
    EXPECT_EQ(dir.read("layout.json"), "erste");
    EXPECT_EQ(ModeOf(path), 0644u);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    WriteFileAtomically(path, QByteArray(100000, 'z'));
    EXPECT_EQ(dir.read("layout.json"), QByteArray(100000, 'z'));
    EXPECT_EQ(ModeOf(path), 0640u);
    WriteFileAtomically(path, "");
    EXPECT_EQ(dir.read("layout.json"), "");
    EXPECT_EQ(Entries(dir), QStringList{"layout.json"});
}

// A document (a layout, a logo) holds no secret: it is created with the
// mode the umask gives, as other programs create documents, so another
// user may read it where the umask lets them. A file the writer keeps
// private (the settings file, which holds passwords) is the owner's alone
// whatever the umask. Both ways of making a new file.
TEST(NewFile, DocumentsTakeTheUmasksModePrivateFilesStayTheOwners)
{
    for (mode_t mask : {mode_t(0), mode_t(002), mode_t(022), mode_t(077)}) {
        for (bool unnamed : {true, false}) {
            TempDir dir;
            {
                const Umask set(mask);
                FileWriter document(dir.path("halle.vadlayout"));
                document.setNewFilesPrivate(false);
                document.setUnnamedTempFiles(unnamed);
                document.Replace("{}");
                FileWriter settings(dir.path("anzeige.ini"));
                settings.setUnnamedTempFiles(unnamed);
                settings.Replace("[Optionen]\r\nZQKDPasswort=geheim\r\n");
                WriteFileAtomically(dir.path("logo.png"), "png");
            }
            const auto where = [&] {
                return "umask " + QString::number(mask, 8).toStdString() + (unnamed ? " unnamed" : " named");
            };
            EXPECT_EQ(ModeOf(dir.path("halle.vadlayout")), 0666u & ~mask) << where();
            EXPECT_EQ(ModeOf(dir.path("logo.png")), 0666u & ~mask) << where();
            EXPECT_EQ(ModeOf(dir.path("anzeige.ini")), 0600u) << where();
            EXPECT_EQ(Entries(dir), QStringList({"anzeige.ini", "halle.vadlayout", "logo.png"})) << where();
        }
    }
}

// Where the file cannot be written, the message names it and its cause.
TEST(WriteFileAtomically, FailureNamesTheFileAndTheCause)
{
    TempDir dir;
    const QString path = dir.path("fehlt/layout.json");
    const QString message = FailureOf([&] { WriteFileAtomically(path, "x"); });
    const QString start = "Datei \"" + path + "\" kann nicht erstellt werden. ";
    EXPECT_TRUE(message.startsWith(start)) << message.toStdString();
    EXPECT_GT(message.size(), start.size());
    EXPECT_TRUE(Entries(dir).isEmpty());
}

} // namespace

namespace
{

QByteArray Native(const QString &path)
{
    return QFile::encodeName(path);
}

ino_t InodeOf(const QString &path)
{
    struct stat st {
    };
    ::stat(Native(path).constData(), &st);
    return st.st_ino;
}

[[noreturn]] void Throw(const QString &cause)
{
    throw Failure(cause);
}

// A file with a state folder of its own for the journals.
class Journaled : public ::testing::Test
{
  protected:
    Journaled() { qputenv("XDG_STATE_HOME", Native(state.path())); }
    ~Journaled() override { qunsetenv("XDG_STATE_HOME"); }

    QString path() const { return dir.path("anzeige.ini"); }
    QString journalFolder() const { return state.path("VADaroradarAdadad"); }
    QStringList journals() const
    {
        return QDir(journalFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    // What a rewrite in place killed after its journal was synced leaves.
    QString killedRewrite(const QByteArray &oldText, const QByteArray &newText) const
    {
        dir.write("anzeige.ini", oldText);
        struct stat st {
        };
        ::stat(Native(path()).constData(), &st);
        journal::Entry entry(path(), st, oldText, newText, Throw);
        return entry.path();
    }
    // The file as the next start reads it, and what it said on stderr.
    QByteArray read(QString *note = nullptr) const
    {
        QByteArray got = "(keine Datei)";
        testing::internal::CaptureStderr();
        try {
            FileWriter(path()).Read([&got](QByteArrayView bytes) { got = bytes.toByteArray(); });
        } catch (...) {
            testing::internal::GetCapturedStderr();
            throw;
        }
        const std::string err = testing::internal::GetCapturedStderr();
        if (note)
            *note = QString::fromStdString(err);
        return got;
    }

    TempDir state;
    TempDir dir;
};

TEST_F(Journaled, RewriteInPlaceKeepsTheFileAndLeavesNoJournal)
{
    dir.write("anzeige.ini", QByteArray(5000, 'a'));
    ASSERT_EQ(::chmod(Native(path()).constData(), 0640), 0);
    const ino_t inode = InodeOf(path());
    FileWriter writer(path());
    writer.setRewriteInPlace(true);
    for (const QByteArray &text : {QByteArray(9000, 'b'), QByteArray("kurz")}) {
        writer.Update([&text](std::optional<QByteArrayView>) { return FileWriter::Pieces{text}; });
        EXPECT_EQ(dir.read("anzeige.ini"), text);
    }
    EXPECT_EQ(InodeOf(path()), inode);
    EXPECT_EQ(ModeOf(path()), 0640u);
    EXPECT_EQ(ModeOf(journalFolder()), 0700u);
    EXPECT_TRUE(journals().isEmpty()) << journals().join(' ').toStdString();
    EXPECT_EQ(Entries(dir), QStringList{"anzeige.ini"});
}

struct SameContentCase {
    const char *name;
    bool inPlace;
    bool replace; // Replace, else Update
    QByteArray now;
    bool written;
};

void PrintTo(const SameContentCase &c, std::ostream *os)
{
    *os << c.name;
}

class SameContent : public Journaled, public ::testing::WithParamInterface<SameContentCase>
{
};

// Content the file holds already is not written again: the same inode, the
// same modification time, no journal, nothing beside it; a dry run says
// the same without writing.
TEST_P(SameContent, IsNotWrittenAgain)
{
    const SameContentCase &c = GetParam();
    const QByteArray old = "[Optionen]\r\nZQHost=a\r\n";
    dir.write("anzeige.ini", old);
    const struct timespec past[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Native(path()).constData(), past, 0), 0);
    const ino_t inode = InodeOf(path());
    FileWriter writer(path());
    writer.setRewriteInPlace(c.inPlace);
    const FileWriter::Build build = [&c, &old](std::optional<QByteArrayView> was) {
        EXPECT_TRUE(was && *was == old);
        // In pieces, as a save builds them: the text before, the section, the text after.
        return FileWriter::Pieces{QByteArrayView(c.now).first(c.now.size() / 2),
                                  QByteArrayView(c.now).sliced(c.now.size() / 2)};
    };
    EXPECT_EQ(writer.WouldChange(build), c.written);
    EXPECT_EQ(dir.read("anzeige.ini"), old);
    EXPECT_EQ(c.replace ? writer.Replace(c.now) : writer.Update(build), c.written);
    EXPECT_EQ(dir.read("anzeige.ini"), c.now);
    struct stat st {
    };
    ASSERT_EQ(::stat(Native(path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec == 1000000000, !c.written);
    if (!c.written || c.inPlace) {
        EXPECT_EQ(st.st_ino, inode);
    }
    EXPECT_TRUE(journals().isEmpty());
    EXPECT_EQ(Entries(dir), QStringList{"anzeige.ini"});
}

const SameContentCase kSameContentCases[] = {
    {"UpdateSame", false, false, "[Optionen]\r\nZQHost=a\r\n", false},
    {"UpdateSameInPlace", true, false, "[Optionen]\r\nZQHost=a\r\n", false},
    {"ReplaceSame", false, true, "[Optionen]\r\nZQHost=a\r\n", false},
    {"UpdateOtherOfTheSameLength", false, false, "[Optionen]\r\nZQHost=b\r\n", true},
    {"ReplaceOtherOfTheSameLength", false, true, "[Optionen]\r\nZQHost=b\r\n", true},
    {"UpdateOtherInPlace", true, false, "[Optionen]\r\nZQHost=b\r\n", true},
    {"UpdateLonger", false, false, "[Optionen]\r\nZQHost=a\r\nVollBild=ja\r\n", true},
    {"UpdateEmptied", false, false, "", true},
};

INSTANTIATE_TEST_SUITE_P(Cases, SameContent, ::testing::ValuesIn(kSameContentCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(WouldChange, WithoutAFileBuildsOnNothing)
{
    TempDir dir;
    bool built = false;
    EXPECT_TRUE(FileWriter(dir.path("fehlt.ini")).WouldChange([&built](std::optional<QByteArrayView> old) {
        built = true;
        EXPECT_FALSE(old.has_value());
        return FileWriter::Pieces{};
    }));
    EXPECT_TRUE(built);
    EXPECT_TRUE(Entries(dir).isEmpty());
}

// Without a journal there is no rewrite in place: a state folder that
// cannot be made, or that others may write into, stops the save before the
// file is touched.
TEST_F(Journaled, UnusableStateFolderRefusesTheRewrite)
{
    const struct {
        const char *name;
        std::function<void(const TempDir &)> make;
    } cases[] = {
        {"a file in its place", [](const TempDir &s) { s.write("VADaroradarAdadad", "x"); }},
        {"open to everyone",
         [](const TempDir &s) {
             QDir().mkdir(s.path("VADaroradarAdadad"));
             ::chmod(Native(s.path("VADaroradarAdadad")).constData(), 0777);
         }},
    };
    for (const auto &c : cases) {
        TempDir other;
        qputenv("XDG_STATE_HOME", Native(other.path()));
        c.make(other);
        dir.write("anzeige.ini", "alt");
        FileWriter writer(path());
        writer.setRewriteInPlace(true);
        const QString message = FailureOf(
            [&] { writer.Update([](std::optional<QByteArrayView>) { return FileWriter::Pieces{"neu"}; }); });
        EXPECT_TRUE(message.startsWith("Datei \"" + path() + "\" kann nicht erstellt werden. Der Ordner " +
                                       other.path("VADaroradarAdadad") +
                                       " für das Journal ist nicht verwendbar"))
            << c.name << ": " << message.toStdString();
        EXPECT_TRUE(message.endsWith("Ohne Journal wird die Datei nicht an Ort und Stelle überschrieben."))
            << message.toStdString();
        EXPECT_EQ(dir.read("anzeige.ini"), "alt") << c.name;
    }
}

struct RecoveryCase {
    const char *name;
    // Does to the file and its journal what happened after the kill.
    std::function<void(const TempDir &dir, const QString &journal)> after;
    const char *expected; // "new", "old", or the file's bytes
    bool journalStays;
    bool noted;
};

void PrintTo(const RecoveryCase &c, std::ostream *os)
{
    *os << c.name;
}

class Recovery : public Journaled, public ::testing::WithParamInterface<RecoveryCase>
{
};

const QByteArray kOld = QByteArray(3000, 'o') + "[Optionen]\r\nZQKDPasswort=alt\r\n";
const QByteArray kNew = QByteArray(5000, 'n') + "[Optionen]\r\nZQKDPasswort=neu\r\n";

void Patch(const QString &path, qint64 at, char byte)
{
    QFile f(path);
    if (f.open(QIODevice::ReadWrite) && f.seek(at))
        f.write(&byte, 1);
}

// The next start finishes a rewrite killed after its journal was written,
// whatever part of the new text had reached the file; a journal it cannot
// trust, or one the file has moved on from, is never replayed.
TEST_P(Recovery, NextStartFinishesOrIgnoresTheJournal)
{
    const RecoveryCase &c = GetParam();
    const QString journal = killedRewrite(kOld, kNew);
    ASSERT_EQ(journals().size(), 1);
    c.after(dir, journal);
    QString note;
    const QByteArray got = read(&note);
    const QByteArray expected = QByteArray(c.expected) == "new"   ? kNew
                                : QByteArray(c.expected) == "old" ? kOld
                                                                  : QByteArray(c.expected);
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected) << got.left(60).toStdString();
    EXPECT_EQ(journals().size(), c.journalStays ? 1 : 0);
    EXPECT_EQ(note.contains("Hinweis: Das Journal " + journal + " wird nicht übernommen"), c.noted)
        << note.toStdString();
    if (!c.journalStays && QFileInfo::exists(path())) {
        EXPECT_EQ(dir.read("anzeige.ini"), got) << "the file itself holds what was read";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Journals, Recovery,
    ::testing::Values(
        RecoveryCase{"FileNotYetTouched", [](const TempDir &, const QString &) {}, "new", false, false},
        RecoveryCase{"TornInTheMiddle",
                     [](const TempDir &d, const QString &) {
                         d.write("anzeige.ini", kNew.left(2000) + kOld.mid(2000));
                     },
                     "new", false, false},
        RecoveryCase{"RoomTakenNothingWritten",
                     [](const TempDir &d, const QString &) {
                         d.write("anzeige.ini", kOld + QByteArray(kNew.size() - kOld.size(), '\0'));
                     },
                     "new", false, false},
        RecoveryCase{"WrittenButJournalNotYetRemoved",
                     [](const TempDir &d, const QString &) { d.write("anzeige.ini", kNew); }, "new", false,
                     false},
        RecoveryCase{
            "ChangedByAnotherProgramSince",
            [](const TempDir &d, const QString &) { d.write("anzeige.ini", "[Optionen]\r\nA=1\r\n"); },
            "[Optionen]\r\nA=1\r\n", false, true},
        RecoveryCase{"ReplacedByAnotherFile",
                     [](const TempDir &d, const QString &) {
                         d.write("neu.ini", kOld);
                         QFile::remove(d.path("anzeige.ini"));
                         QFile::rename(d.path("neu.ini"), d.path("anzeige.ini"));
                     },
                     "old", false, true},
        RecoveryCase{"JournalCutShort",
                     [](const TempDir &, const QString &j) { QFile(j).resize(QFileInfo(j).size() / 2); },
                     "old", false, true},
        RecoveryCase{"JournalHeaderOnly", [](const TempDir &, const QString &j) { QFile(j).resize(40); },
                     "old", false, true},
        RecoveryCase{"JournalDamaged",
                     [](const TempDir &, const QString &j) { Patch(j, QFileInfo(j).size() - 10, 'X'); },
                     "old", false, true},
        RecoveryCase{"JournalOfANewerVersion", [](const TempDir &, const QString &j) { Patch(j, 8, 2); },
                     "old", true, true},
        RecoveryCase{"JournalOthersMayRead",
                     [](const TempDir &, const QString &j) { ::chmod(Native(j).constData(), 0644); }, "old",
                     true, true},
        RecoveryCase{
            "FolderOthersMayWriteInto",
            [](const TempDir &, const QString &j) { ::chmod(Native(QFileInfo(j).path()).constData(), 0777); },
            "old", true, true},
        RecoveryCase{"JournalOfAFileThatIsGone",
                     [](const TempDir &d, const QString &) { QFile::remove(d.path("anzeige.ini")); },
                     "(keine Datei)", true, true}),
    [](const ::testing::TestParamInfo<RecoveryCase> &info) { return std::string(info.param.name); });

// Makes every pwrite of `count` bytes (of any size when `count` is 0) fail
// with EIO for the rest of the process: a disk that fails in the middle of
// a rewrite in place, after the journal (written with write) went through.
bool FailRewritesOf(quint32 count)
{
#if defined(__x86_64__)
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 0, 5),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_pwrite64, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, count, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EIO & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    if (count == 0) // any size: the comparison is skipped
        filter[5] = BPF_STMT(BPF_JMP | BPF_JA, 0);
    sock_fprog program{sizeof filter / sizeof filter[0], filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
#else
    (void)count;
    return false;
#endif
}

// The Failure message of `op` run in a child process ("-" when it failed
// to set up, empty when `op` succeeded).
QString MessageInChild(const std::function<bool()> &setup, const std::function<void()> &op)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return QStringLiteral("-");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        ::alarm(60); // an operation that never ends fails the test instead of hanging it
        const QByteArray message = setup() ? FailureOf(op).toUtf8() : QByteArray("-");
        if (::write(fds[1], message.constData(), size_t(message.size())) != message.size())
            ::_exit(1);
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray got;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        got.append(buffer, n);
    ::close(fds[0]);
    ::waitpid(child, nullptr, 0);
    return QString::fromUtf8(got);
}

// Makes every call of the system call `nr` fail with `error` for the rest
// of the process; with `onlyFd` set, only the calls on that descriptor.
bool FailSystemCall(long nr, int error, int onlyFd = -1)
{
#if defined(__x86_64__)
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 0, 5),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, quint32(nr), 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, quint32(onlyFd), 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (quint32(error) & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    if (onlyFd < 0) // any descriptor: the comparison is skipped
        filter[5] = BPF_STMT(BPF_JMP | BPF_JA, 0);
    sock_fprog program{sizeof filter / sizeof filter[0], filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
#else
    (void)nr;
    (void)error;
    (void)onlyFd;
    return false;
#endif
}

// The descriptor the `n`th open from now on gets (0: the next one), as long
// as nothing is closed in between.
int NthFreeDescriptor(int n)
{
    std::vector<int> opened;
    for (int i = 0; i <= n; ++i)
        opened.push_back(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    for (int fd : opened)
        ::close(fd);
    return opened.back();
}

// A folder that cannot be synced after the new file was renamed into place
// (a failing disk, a network filesystem): the file is there, but may not
// outlive a power cut. That is reported like any other failed step. The
// folder is the second descriptor a save over an existing file opens (after
// the file itself), and the first a save of a new file opens.
TEST_F(Journaled, FailedSyncOfTheFolderIsReported)
{
    for (bool exists : {true, false}) {
        if (exists)
            dir.write("anzeige.ini", kOld);
        else
            QFile::remove(path());
        const QString message = MessageInChild(
            [exists] { return FailSystemCall(__NR_fsync, EIO, NthFreeDescriptor(exists ? 1 : 0)); },
            [this] { FileWriter(path()).Replace(kNew); });
        if (message == "-")
            GTEST_SKIP() << "no seccomp filter on this machine";
        EXPECT_EQ(message, "Datei \"" + path() + "\" kann nicht erstellt werden. " +
                               QString::fromLocal8Bit(std::strerror(EIO)) +
                               " Die neue Datei steht an ihrem Platz, doch der Ordner " + dir.path() +
                               " ließ sich nicht auf die Platte schreiben; nach einem Stromausfall kann die "
                               "Änderung verloren sein.")
            << (exists ? "replaced" : "created");
        EXPECT_EQ(dir.read("anzeige.ini"), kNew);
        EXPECT_EQ(Entries(dir), QStringList{"anzeige.ini"});
    }
}

// A wait for the lock that a signal interrupts again and again still ends
// at its bound, with the message of a lock another program holds.
TEST_F(Journaled, InterruptedLockWaitEndsAsAHeldLockDoes)
{
    dir.write("anzeige.ini", kOld);
    const struct {
        const char *name;
        std::function<void(FileWriter &)> op;
    } cases[] = {
        {"read", [](FileWriter &w) { w.Read([](QByteArrayView) {}); }},
        {"save",
         [](FileWriter &w) {
             w.Update([](std::optional<QByteArrayView>) { return FileWriter::Pieces{kNew}; });
         }},
    };
    for (const auto &c : cases) {
        const auto run = [this, &c] {
            FileWriter writer(path());
            writer.setLockWait(300);
            c.op(writer);
        };
        // The lock held by another program, for the message to compare with.
        const int holder = ::open(Native(path()).constData(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(holder, 0);
        ASSERT_EQ(::flock(holder, LOCK_EX), 0);
        const QString held = FailureOf(run);
        ::close(holder);
        ASSERT_FALSE(held.isEmpty()) << c.name;

        const QString message = MessageInChild([] { return FailSystemCall(__NR_flock, EINTR); }, run);
        if (message == "-")
            GTEST_SKIP() << "no seccomp filter on this machine";
        EXPECT_EQ(message, held) << c.name;
        EXPECT_EQ(dir.read("anzeige.ini"), kOld) << c.name;
    }
}

// The bound on what is read: a file over it is refused with its own
// sentence, before a byte of it is read, by a read and by a save built on
// it, which then writes nothing. A file at the bound is read. Sparse files:
// they take no disk.
TEST_F(Journaled, FileOverTheSizeLimitIsRefusedUnread)
{
    const qint64 limit = 4096;
    const QString refused = "Datei " + path() +
                            " kann nicht geöffnet werden. Sie ist größer als 4096 Bytes; so große Dateien "
                            "liest das Programm nicht.";
    for (qint64 size : {limit + 1, qint64(1) << 31}) {
        QFile::remove(path());
        const int fd = ::open(Native(path()).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t(size)), 0);
        ::close(fd);
        const ino_t inode = InodeOf(path());
        FileWriter writer(path());
        writer.setSizeLimit(limit);
        bool used = false;
        EXPECT_EQ(FailureOf([&] { writer.Read([&used](QByteArrayView) { used = true; }); }), refused) << size;
        EXPECT_FALSE(used);
        EXPECT_EQ(FailureOf([&] {
                      writer.Update([&used](std::optional<QByteArrayView>) {
                          used = true;
                          return FileWriter::Pieces{"neu"};
                      });
                  }),
                  refused)
            << size;
        EXPECT_FALSE(used);
        EXPECT_EQ(QFileInfo(path()).size(), size);
        EXPECT_EQ(InodeOf(path()), inode);
        EXPECT_EQ(Entries(dir), QStringList{"anzeige.ini"});
    }
    dir.write("anzeige.ini", QByteArray(int(limit), 'x'));
    FileWriter writer(path());
    writer.setSizeLimit(limit);
    QByteArray got;
    EXPECT_TRUE(writer.Read([&got](QByteArrayView bytes) { got = bytes.toByteArray(); }));
    EXPECT_EQ(got, QByteArray(int(limit), 'x'));
}

// A rewrite in place that fails in the middle puts the old text back and
// says the settings were not saved; where even that fails, it says the file
// may be damaged and where the journal with the new settings is, which the
// next start then writes.
TEST_F(Journaled, FailedRewriteRestoresOrPointsToTheJournal)
{
    const QString start =
        "Datei \"" + path() + "\" kann nicht erstellt werden. " + QString::fromLocal8Bit(std::strerror(EIO));
    const auto save = [this] {
        FileWriter writer(path());
        writer.setRewriteInPlace(true);
        writer.Update([](std::optional<QByteArrayView>) { return FileWriter::Pieces{kNew}; });
    };
    dir.write("anzeige.ini", kOld);
    QString message = MessageInChild([] { return FailRewritesOf(quint32(kNew.size())); }, save);
    if (message == "-")
        GTEST_SKIP() << "no seccomp filter on this machine";
    EXPECT_EQ(message, start + " Die Einstellungen wurden nicht gespeichert.");
    EXPECT_EQ(dir.read("anzeige.ini"), kOld);
    EXPECT_TRUE(journals().isEmpty());

    message = MessageInChild([] { return FailRewritesOf(0); }, save);
    ASSERT_EQ(journals().size(), 1);
    const QString journal = journalFolder() + u'/' + journals().first();
    EXPECT_EQ(message,
              start + " Die Datei ist möglicherweise beschädigt; die neuen Einstellungen liegen im Journal " +
                  journal + " und werden beim nächsten Start übernommen.");
    EXPECT_EQ(read(), kNew);
    EXPECT_TRUE(journals().isEmpty());
}

// A journal planted by another user is not replayed, even by root.
TEST_F(Journaled, JournalOfAnotherUserIsNotReplayed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another user";
    const QString journal = killedRewrite(kOld, kNew);
    ASSERT_EQ(::chown(Native(journal).constData(), 4321, 4321), 0);
    QString note;
    EXPECT_EQ(read(&note), kOld);
    EXPECT_TRUE(note.contains("nicht dem angemeldeten Benutzer")) << note.toStdString();
    EXPECT_EQ(journals().size(), 1);
}

// A save finishes the journal first and builds on the finished text.
TEST_F(Journaled, SaveFinishesTheJournalBeforeItReads)
{
    killedRewrite(kOld, kNew);
    dir.write("anzeige.ini", kNew.left(100) + kOld.mid(100));
    FileWriter(path()).Update([](std::optional<QByteArrayView> old) {
        EXPECT_TRUE(old && *old == kNew);
        return FileWriter::Pieces{*old, "+"};
    });
    EXPECT_EQ(dir.read("anzeige.ini"), kNew + "+");
    EXPECT_TRUE(journals().isEmpty());
}

// Leftover new files of a killed write go only while the folder's lock can
// be had: another writer holding it may be about to rename its new file.
TEST_F(Journaled, LeftoversGoOnlyUnderTheFoldersLock)
{
    const QString leftover = FileWriter::TempPrefix("anzeige.ini") + "Ab12Cd";
    dir.write(leftover, "ZQKDPasswort=geheim");
    dir.write("anzeige.ini", "alt");
    const int folder = ::open(Native(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    ASSERT_EQ(::flock(folder, LOCK_EX), 0);
    EXPECT_EQ(read(), "alt");
    EXPECT_TRUE(Entries(dir).contains(leftover));
    FileWriter writer(path());
    writer.setLockWait(200);
    const auto save = [&writer] {
        writer.Update([](std::optional<QByteArrayView>) { return FileWriter::Pieces{"neu"}; });
    };
    for (bool exists : {true, false}) {
        if (!exists)
            QFile::remove(path());
        const QString message = FailureOf(save);
        EXPECT_TRUE(message.startsWith("Datei \"" + path() + "\" kann nicht erstellt werden. "))
            << message.toStdString();
        EXPECT_TRUE(Entries(dir).contains(leftover));
    }
    ::close(folder);
    save();
    EXPECT_EQ(Entries(dir), QStringList{"anzeige.ini"});
    EXPECT_EQ(dir.read("anzeige.ini"), "neu");
}

// Another user's link is not followed by any writer, root included: the
// file it points at keeps its bytes.
TEST_F(Journaled, LinkOfAnotherUserIsNotFollowed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a link to another user";
    TempDir shared;
    shared.write("passwd", "root:x:0:0\n");
    ASSERT_EQ(::chmod(Native(shared.path("passwd")).constData(), 0644), 0);
    ASSERT_EQ(::symlink(Native(shared.path("passwd")).constData(), Native(path()).constData()), 0);
    ASSERT_EQ(::lchown(Native(path()).constData(), 4321, 4321), 0);
    const QString refused =
        "Datei \"" + path() +
        "\" kann nicht erstellt werden. Sie ist ein symbolischer Verweis, der einem anderen "
        "Benutzer (Nummer 4321) gehört; einem solchen Verweis folgt das Programm nicht.";
    EXPECT_EQ(FailureOf([&] { WriteFileAtomically(path(), "gekapert"); }), refused);
    FileWriter inPlace(path());
    inPlace.setRewriteInPlace(true);
    EXPECT_EQ(FailureOf([&] {
                  inPlace.Update(
                      [](std::optional<QByteArrayView>) { return FileWriter::Pieces{"gekapert"}; });
              }),
              refused);
    EXPECT_TRUE(FailureOf([&] { read(); }).contains("kann nicht geöffnet werden. Sie ist ein symbolischer"));
    // A link of root's own, in front of the other user's, changes nothing.
    ASSERT_EQ(::symlink(Native(path()).constData(), Native(dir.path("vorne")).constData()), 0);
    EXPECT_FALSE(FailureOf([&] { WriteFileAtomically(dir.path("vorne"), "gekapert"); }).isEmpty());
    EXPECT_EQ(shared.read("passwd"), "root:x:0:0\n");
    EXPECT_EQ(ModeOf(shared.path("passwd")), 0644u);
}

} // namespace
