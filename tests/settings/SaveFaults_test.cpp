#include "settings/Failure.h"
#include "settings/SettingsFile.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
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
