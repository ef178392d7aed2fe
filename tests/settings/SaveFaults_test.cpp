#include "base/Failure.h"
#include "settings/SettingsFile.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Faults the settings file meets outside the program's control: a disk that
// fills up in the middle of a save, and something other than a regular file
// in the file's place. Each operation runs in a child process with an alarm,
// so a save that blocks shows up as a failed test instead of a stuck run.

namespace
{

QString SystemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray Native(const QString &path)
{
    return QFile::encodeName(path);
}

struct ChildResult {
    bool finished = false; // exited by itself before the alarm
    bool failed = false;   // the operation threw Failure
    QString text;          // the Failure's message, or the value read
};

// Runs `op` in a child process (which first calls `setup`, for limits) and
// reports how it ended. A child still running after five seconds is killed
// by its alarm.
ChildResult RunInChild(const std::function<QString()> &op, const std::function<void()> &setup = {})
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t child = ::fork();
    if (child < 0)
        return {};
    if (child == 0) {
        ::close(fds[0]);
        ::alarm(5);
        if (setup)
            setup();
        int code = 0;
        QByteArray out;
        try {
            out = op().toUtf8();
        } catch (const Failure &f) {
            out = f.message().toUtf8();
            code = 1;
        } catch (...) {
            code = 2;
        }
        for (qsizetype done = 0; done < out.size();) {
            const ssize_t n = ::write(fds[1], out.constData() + done, size_t(out.size() - done));
            if (n <= 0)
                break;
            done += n;
        }
        ::_exit(code);
    }
    ::close(fds[1]);
    QByteArray got;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got.append(buffer, n);
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ChildResult r;
    r.finished = WIFEXITED(status) && WEXITSTATUS(status) <= 1;
    r.failed = WIFEXITED(status) && WEXITSTATUS(status) == 1;
    r.text = QString::fromUtf8(got);
    return r;
}

class SaveFaults : public ::testing::Test
{
  protected:
    // Journals of rewrites in place go to a state folder of the test's own,
    // which the operator's account below may create its folder in.
    SaveFaults()
    {
        ::chmod(Native(state.path()).constData(), 01777);
        qputenv("XDG_STATE_HOME", Native(state.path()));
    }
    ~SaveFaults() override { qunsetenv("XDG_STATE_HOME"); }
    TempDir state;
    TempDir dir;
    QString path() const { return dir.path("DAZovozoved.ini"); }
    SettingsFile file() const { return SettingsFile::beside(dir.path()); }
    QStringList entries() const
    {
        return QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }
    QString openMessage(const QString &cause) const
    {
        return "Datei " + path() + " kann nicht geöffnet werden. " + cause;
    }
    QString createMessage(const QString &cause) const
    {
        return "Datei \"" + path() + "\" kann nicht erstellt werden. " + cause;
    }
    ChildResult write(const QString &key, const QString &value, const std::function<void()> &setup = {}) const
    {
        const QString p = path();
        return RunInChild(
            [p, key, value] {
                SettingsFile(p).WriteOption(key, value);
                return QString();
            },
            setup);
    }
    ChildResult read(const QString &key, const QString &def) const
    {
        const QString p = path();
        return RunInChild([p, key, def] { return SettingsFile(p).ReadOption(key, def); });
    }
};

// A disk that is full after `limit` bytes of any file: writes beyond it fail
// with EFBIG instead of killing the process.
std::function<void()> DiskFullAfter(rlim_t limit)
{
    return [limit] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit rl{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &rl);
    };
}

struct FullDiskCase {
    const char *name;
    QByteArray before; // the file before the save; empty: there is none
    rlim_t limit;      // bytes the disk still takes
    int valueSize;     // characters of the value saved
};

void PrintTo(const FullDiskCase &c, std::ostream *os)
{
    *os << c.name;
}

class FullDisk : public SaveFaults, public ::testing::WithParamInterface<FullDiskCase>
{
};

TEST_P(FullDisk, WriteMessageAndTheFileStaysAsItWas)
{
    const FullDiskCase &c = GetParam();
    if (!c.before.isEmpty())
        dir.write("DAZovozoved.ini", c.before);
    const ChildResult r = write("InfoZeile", QString(c.valueSize, u'x'), DiskFullAfter(c.limit));
    ASSERT_TRUE(r.finished) << "the save did not end";
    ASSERT_TRUE(r.failed) << "a save onto a full disk reported success";
    EXPECT_EQ(r.text, createMessage(SystemText(EFBIG))) << r.text.toStdString();

    // Nothing changed: the old file byte for byte, or still no file, and no
    // half-written copy left beside it.
    if (c.before.isEmpty()) {
        EXPECT_FALSE(QFileInfo::exists(path()));
        EXPECT_TRUE(entries().isEmpty()) << entries().join(' ').toStdString();
    } else {
        EXPECT_EQ(dir.read("DAZovozoved.ini"), c.before);
        EXPECT_EQ(entries(), QStringList{"DAZovozoved.ini"});
        // The values written before the disk filled up still read back.
        EXPECT_EQ(file().ReadOption("ZQHost", "-"), "192.0.2.10");
    }
}

QByteArray Utf16LE(const QString &text)
{
    QByteArray out("\xFF\xFE");
    for (QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

const QByteArray kAnsiFile = "[Optionen]\r\nZQHost=192.0.2.10\r\nInfoZeile=Startnr\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Saves, FullDisk,
    ::testing::Values(FullDiskCase{"NothingFits", kAnsiFile, 0, 20000},
                      FullDiskCase{"PartOfTheNewFileFits", kAnsiFile, 4096, 20000},
                      FullDiskCase{"SmallSaveOneByteShort", kAnsiFile, 76, 32},
                      FullDiskCase{"Utf16FileHalfWritten",
                                   Utf16LE("[Optionen]\r\nZQHost=192.0.2.10\r\nÄ=ü\r\n"), 10000, 20000},
                      FullDiskCase{"NewFileIsNotLeftBehind", QByteArray(), 100, 20000}),
    [](const ::testing::TestParamInfo<FullDiskCase> &info) { return std::string(info.param.name); });

// The same limit with room enough: the save goes through, so the failures
// above come from the full disk and not from the way the child runs.
TEST_F(SaveFaults, SaveWithRoomEnoughUnderTheSameLimit)
{
    dir.write("DAZovozoved.ini", kAnsiFile);
    const ChildResult r = write("InfoZeile", "Startnr,[Name]", DiskFullAfter(4096));
    ASSERT_TRUE(r.finished);
    EXPECT_FALSE(r.failed) << r.text.toStdString();
    EXPECT_EQ(dir.read("DAZovozoved.ini"),
              "[Optionen]\r\nZQHost=192.0.2.10\r\nInfoZeile=Startnr,[Name]\r\n\r\n");
    EXPECT_EQ(entries(), QStringList{"DAZovozoved.ini"});
}

// Something other than a regular file where the settings file belongs:
// reads and writes end at once with the open message and change nothing.
struct SpecialCase {
    const char *name;
    std::function<void(const QString &path, const QString &dir)> make;
    int cause; // errno whose text ends the message; 0: "Keine reguläre Datei"
};

void PrintTo(const SpecialCase &c, std::ostream *os)
{
    *os << c.name;
}

class SpecialFile : public SaveFaults, public ::testing::WithParamInterface<SpecialCase>
{
};

TEST_P(SpecialFile, ReadAndWriteFailWithoutHanging)
{
    const SpecialCase &c = GetParam();
    c.make(path(), dir.path());
    struct stat before {
    };
    ASSERT_EQ(::lstat(Native(path()).constData(), &before), 0);
    const QStringList entriesBefore = entries();
    const QString message =
        openMessage(c.cause ? SystemText(c.cause) : QStringLiteral("Keine reguläre Datei"));

    const ChildResult r = read("ZQHost", "127.0.0.1");
    ASSERT_TRUE(r.finished) << "the read did not end";
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.text, message) << r.text.toStdString();

    const ChildResult w = write("ZQHost", "192.0.2.10");
    ASSERT_TRUE(w.finished) << "the write did not end";
    EXPECT_TRUE(w.failed);
    EXPECT_EQ(w.text, message) << w.text.toStdString();

    struct stat after {
    };
    ASSERT_EQ(::lstat(Native(path()).constData(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(entries(), entriesBefore);
}

void MakeFifo(const QString &path, const QString &)
{
    ASSERT_EQ(::mkfifo(Native(path).constData(), 0600), 0);
}

INSTANTIATE_TEST_SUITE_P(
    InPlaceOfTheFile, SpecialFile,
    ::testing::Values(SpecialCase{"Directory",
                                  [](const QString &p, const QString &) { ASSERT_TRUE(QDir().mkdir(p)); },
                                  EISDIR},
                      SpecialCase{"Fifo", MakeFifo, 0},
                      // A writer holds the FIFO open: opening it for reading would succeed,
                      // and reading would wait for data that never comes.
                      SpecialCase{"FifoWithAWriter",
                                  [](const QString &p, const QString &d) {
                                      MakeFifo(p, d);
                                      static int keep = -1;
                                      keep = ::open(Native(p).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
                                      ASSERT_GE(keep, 0);
                                  },
                                  0},
                      SpecialCase{"SymlinkToDirectory",
                                  [](const QString &p, const QString &d) {
                                      ASSERT_TRUE(QDir().mkdir(d + "/real"));
                                      ASSERT_EQ(::symlink("real", Native(p).constData()), 0);
                                  },
                                  EISDIR},
                      SpecialCase{"SymlinkToFifo",
                                  [](const QString &p, const QString &d) {
                                      MakeFifo(d + "/pipe", d);
                                      ASSERT_EQ(::symlink("pipe", Native(p).constData()), 0);
                                  },
                                  0},
                      SpecialCase{"SymlinkLoop",
                                  [](const QString &p, const QString &d) {
                                      ASSERT_EQ(::symlink("other", Native(p).constData()), 0);
                                      ASSERT_EQ(
                                          ::symlink("DAZovozoved.ini", Native(d + "/other").constData()), 0);
                                  },
                                  ELOOP},
                      SpecialCase{"CharacterDevice",
                                  [](const QString &p, const QString &) {
                                      ASSERT_EQ(::symlink("/dev/zero", Native(p).constData()), 0);
                                  },
                                  0}),
    [](const ::testing::TestParamInfo<SpecialCase> &info) { return std::string(info.param.name); });

// The file replaced by a folder or a FIFO between the start and the save,
// in either way of saving: the save ends at once with the open message and
// leaves what is there alone.
TEST_F(SaveFaults, ReplacedBySomethingElseAfterTheStart)
{
    const struct {
        const char *name;
        std::function<void(const QString &)> make;
        QString cause;
    } kinds[] = {
        {"folder", [](const QString &p) { QDir().mkdir(p); }, SystemText(EISDIR)},
        {"fifo", [](const QString &p) { ::mkfifo(Native(p).constData(), 0600); },
         QStringLiteral("Keine reguläre Datei")},
    };
    for (bool inPlace : {false, true}) {
        for (const auto &kind : kinds) {
            dir.write("DAZovozoved.ini", kAnsiFile);
            EXPECT_EQ(file().Load().ReadOption("ZQHost", "-"), "192.0.2.10");
            ASSERT_TRUE(QFile::remove(path()));
            kind.make(path());
            const QString p = path();
            const ChildResult w = RunInChild([p, inPlace] {
                SettingsFile f(p);
                f.setRewriteInPlace(inPlace);
                f.WriteOption("ZQHost", "192.0.2.99");
                return QString();
            });
            ASSERT_TRUE(w.finished) << kind.name << ": the save did not end";
            EXPECT_TRUE(w.failed) << kind.name;
            EXPECT_EQ(w.text, openMessage(kind.cause)) << w.text.toStdString();
            EXPECT_EQ(entries(), QStringList{"DAZovozoved.ini"}) << kind.name;
            QDir().rmdir(path());
            QFile::remove(path());
        }
    }
}

// A link whose target does not exist yet counts as no file: reads give the
// defaults and create nothing, and the first write creates the target, so
// the link keeps pointing where the operator put the settings.
TEST_F(SaveFaults, DanglingSymlinkReadsDefaultsAndWriteCreatesTheTarget)
{
    const QString target = dir.path("elsewhere.ini");
    ASSERT_EQ(::symlink("elsewhere.ini", Native(path()).constData()), 0);

    const ChildResult r = read("ZQHost", "127.0.0.1");
    ASSERT_TRUE(r.finished);
    EXPECT_FALSE(r.failed) << r.text.toStdString();
    EXPECT_EQ(r.text, "127.0.0.1");
    EXPECT_FALSE(QFileInfo::exists(target));

    const ChildResult w = write("ZQHost", "192.0.2.10");
    ASSERT_TRUE(w.finished);
    EXPECT_FALSE(w.failed) << w.text.toStdString();
    EXPECT_TRUE(QFileInfo(path()).isSymLink());
    EXPECT_EQ(dir.read("elsewhere.ini"), "[Optionen]\r\nZQHost=192.0.2.10\r\n\r\n");
    struct stat st {
    };
    ASSERT_EQ(::stat(Native(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "it holds passwords in plain text";
    EXPECT_EQ(file().ReadOption("ZQHost", "-"), "192.0.2.10");
}

// A dangling link into a directory that does not exist: nothing can be
// created there, the write says so and leaves the link alone.
TEST_F(SaveFaults, DanglingSymlinkIntoAMissingDirectory)
{
    ASSERT_EQ(::symlink("gone/DAZovozoved.ini", Native(path()).constData()), 0);
    EXPECT_EQ(read("ZQHost", "127.0.0.1").text, "127.0.0.1");

    const ChildResult w = write("ZQHost", "192.0.2.10");
    ASSERT_TRUE(w.finished);
    EXPECT_TRUE(w.failed);
    EXPECT_TRUE(w.text.startsWith(createMessage(QString()))) << w.text.toStdString();
    EXPECT_GT(w.text.size(), createMessage(QString()).size()) << "the cause is missing";
    EXPECT_TRUE(QFileInfo(path()).isSymLink());
    EXPECT_EQ(entries(), QStringList{"DAZovozoved.ini"});
}

} // namespace

namespace
{

struct stat StatOf(const QString &path)
{
    struct stat st {
    };
    ::stat(Native(path).constData(), &st);
    return st;
}

// Drops root to another user for the rest of the child, as an operator's
// account would run the program.
std::function<void()> RunAs(uid_t uid, gid_t gid)
{
    return [uid, gid] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
            ::_exit(3);
    };
}

constexpr uid_t kOperator = 4321;
constexpr gid_t kOperatorGroup = 4322;

// A file whose owner may not write it is read-only for everyone, root
// included: the save says it cannot create the file and changes nothing.
TEST_F(SaveFaults, FileWithoutOwnersWriteBitIsReadOnlyForEveryone)
{
    for (mode_t mode : {0444, 0400, 0044}) {
        dir.write("DAZovozoved.ini", kAnsiFile);
        ASSERT_EQ(::chmod(Native(path()).constData(), mode), 0);
        const ChildResult r = write("InfoZeile", "neu");
        ASSERT_TRUE(r.finished);
        EXPECT_TRUE(r.failed) << "mode " << std::oct << mode;
        if (::geteuid() == 0 || (mode & 0400)) { // others cannot even read it
            EXPECT_EQ(r.text, createMessage(SystemText(EACCES))) << r.text.toStdString();
        }
        ::chmod(Native(path()).constData(), 0600);
        EXPECT_EQ(dir.read("DAZovozoved.ini"), kAnsiFile);
        EXPECT_EQ(entries(), QStringList{"DAZovozoved.ini"});
    }
}

struct KeepCase {
    const char *name;
    mode_t mode;
    bool otherOwner; // the file belongs to an operator; root saves it
    bool unnamedTemp;
};

void PrintTo(const KeepCase &c, std::ostream *os)
{
    *os << c.name;
}

class KeepsProtection : public SaveFaults, public ::testing::WithParamInterface<KeepCase>
{
};

// Mode, owner and group of an existing file stay exactly as they were, so
// the operator's own display program can still read what root saved.
TEST_P(KeepsProtection, ModeOwnerAndGroupStay)
{
    const KeepCase &c = GetParam();
    if (c.otherOwner && ::geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another user";
    dir.write("DAZovozoved.ini", kAnsiFile);
    ASSERT_EQ(::chmod(Native(path()).constData(), c.mode), 0);
    if (c.otherOwner) {
        ASSERT_EQ(::chown(Native(path()).constData(), kOperator, kOperatorGroup), 0);
    }
    const struct stat before = StatOf(path());
    const QString p = path();
    const bool unnamed = c.unnamedTemp;
    const ChildResult r = RunInChild([p, unnamed] {
        SettingsFile f(p);
        f.setUnnamedTempFiles(unnamed);
        f.WriteOption("InfoZeile", "neu");
        return QString();
    });
    ASSERT_TRUE(r.finished);
    EXPECT_FALSE(r.failed) << r.text.toStdString();
    const struct stat after = StatOf(path());
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(dir.read("DAZovozoved.ini"), "[Optionen]\r\nZQHost=192.0.2.10\r\nInfoZeile=neu\r\n\r\n");
    EXPECT_EQ(entries(), QStringList{"DAZovozoved.ini"});
}

INSTANTIATE_TEST_SUITE_P(Saves, KeepsProtection,
                         ::testing::Values(KeepCase{"OwnerOnly", 0600, false, true},
                                           KeepCase{"GroupReads", 0640, false, true},
                                           KeepCase{"EveryoneReadsNamedTemp", 0644, false, false},
                                           KeepCase{"GroupWrites", 0660, false, false},
                                           KeepCase{"OperatorsFileSavedByRoot", 0600, true, true},
                                           KeepCase{"OperatorsFileSavedByRootNamedTemp", 0640, true, false}),
                         [](const ::testing::TestParamInfo<KeepCase> &info) {
                             return std::string(info.param.name);
                         });

// A new file is the owner's alone from its first byte, whatever the umask,
// in either way of making it.
TEST_F(SaveFaults, NewFileIsOwnerOnlyWhateverTheUmask)
{
    for (mode_t mask : {mode_t(0), mode_t(022), mode_t(0277)}) {
        for (bool unnamed : {true, false}) {
            QFile::remove(path());
            const QString p = path();
            const ChildResult r = RunInChild(
                [p, unnamed] {
                    SettingsFile f(p);
                    f.setUnnamedTempFiles(unnamed);
                    f.WriteOption("ZQKDPasswort", "geheim");
                    return QString();
                },
                [mask] { ::umask(mask); });
            ASSERT_TRUE(r.finished);
            EXPECT_FALSE(r.failed) << r.text.toStdString();
            EXPECT_EQ(StatOf(path()).st_mode & 07777, 0600u) << "umask " << std::oct << mask;
            EXPECT_EQ(entries(), QStringList{"DAZovozoved.ini"});
        }
    }
}

// Where a new file could not take the old one's place, the file is
// rewritten in place: a program folder the operator may not write, with the
// settings file made writable for operators; and a shared file owned by
// someone else, which a copy of ours would take away from its owner.
TEST_F(SaveFaults, RewrittenInPlaceWhereNoNewFileCanReplaceIt)
{
    const bool root = ::geteuid() == 0;
    const uid_t uid = root ? kOperator : ::geteuid();
    const gid_t gid = root ? kOperatorGroup : ::getegid();
    const std::function<void()> asOperator = root ? RunAs(uid, gid) : std::function<void()>();
    ASSERT_EQ(::chmod(Native(dir.path()).constData(), 0755), 0);

    // The folder belongs to root (or is closed to us); the file is ours.
    dir.write("DAZovozoved.ini", kAnsiFile);
    ASSERT_EQ(::chown(Native(path()).constData(), uid, gid), 0);
    ASSERT_EQ(::chmod(Native(dir.path()).constData(), root ? 0755 : 0555), 0);
    const ino_t inode = StatOf(path()).st_ino;
    ChildResult r = write("InfoZeile", "neu", asOperator);
    ::chmod(Native(dir.path()).constData(), 0755);
    ASSERT_TRUE(r.finished);
    EXPECT_FALSE(r.failed) << r.text.toStdString();
    EXPECT_EQ(dir.read("DAZovozoved.ini"), "[Optionen]\r\nZQHost=192.0.2.10\r\nInfoZeile=neu\r\n\r\n");
    EXPECT_EQ(StatOf(path()).st_ino, inode);
    EXPECT_EQ(StatOf(path()).st_uid, uid);

    // Shorter than before: the old tail goes.
    r = write("ZQHost", "h", asOperator);
    EXPECT_FALSE(r.failed) << r.text.toStdString();
    EXPECT_EQ(dir.read("DAZovozoved.ini"), "[Optionen]\r\nZQHost=h\r\nInfoZeile=neu\r\n\r\n");

    if (!root)
        return;
    // A writable folder, but the file is someone else's, shared through its
    // group: the owner and the file stay.
    ASSERT_EQ(::chmod(Native(dir.path()).constData(), 0777), 0);
    ASSERT_EQ(::chown(Native(path()).constData(), 1234, gid), 0);
    ASSERT_EQ(::chmod(Native(path()).constData(), 0664), 0);
    r = write("ZQHost", "geteilt", asOperator);
    EXPECT_FALSE(r.failed) << r.text.toStdString();
    EXPECT_EQ(StatOf(path()).st_uid, 1234u);
    EXPECT_EQ(StatOf(path()).st_ino, inode);
    EXPECT_EQ(dir.read("DAZovozoved.ini"), "[Optionen]\r\nZQHost=geteilt\r\nInfoZeile=neu\r\n\r\n");
    EXPECT_EQ(entries(), QStringList{"DAZovozoved.ini"});
}

// In place, a full disk stops the save before an old byte is overwritten.
TEST_F(SaveFaults, InPlaceOntoAFullDiskKeepsTheOldFile)
{
    const bool root = ::geteuid() == 0;
    dir.write("DAZovozoved.ini", kAnsiFile);
    ASSERT_EQ(::chmod(Native(dir.path()).constData(), root ? 0755 : 0555), 0);
    if (root) {
        ASSERT_EQ(::chown(Native(path()).constData(), kOperator, kOperatorGroup), 0);
    }
    const std::function<void()> setup = [root] {
        DiskFullAfter(100)();
        if (root)
            RunAs(kOperator, kOperatorGroup)();
    };
    const ChildResult r = write("InfoZeile", QString(20000, u'x'), setup);
    ::chmod(Native(dir.path()).constData(), 0755);
    ASSERT_TRUE(r.finished);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.text, createMessage(SystemText(EFBIG))) << r.text.toStdString();
    EXPECT_EQ(dir.read("DAZovozoved.ini"), kAnsiFile);
}

} // namespace
