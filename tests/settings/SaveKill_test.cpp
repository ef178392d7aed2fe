#include "settings/SettingsFile.h"
#include "support/TempDir.h"

#include <QDir>
#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <random>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

// What the saving child has done, in memory it shares with the test.
struct SaveProgress {
    std::atomic<int> started; // number written by the save under way
    std::atomic<int> done;    // number written by the last save that returned
};

int Rounds()
{
    const int rounds = qEnvironmentVariableIntValue("VAD_KILLS");
    return rounds > 0 ? rounds : 500;
}

// Temporary files of ours beside the settings file.
int TempFiles(const TempDir &dir)
{
    const QStringList all = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    return int(all.filter(SettingsFile::TempPrefix("DAZovozoved.ini")).size());
}

// Journals of rewrites in place in the state folder.
int Journals(const TempDir &state)
{
    return int(
        QDir(state.path("VADaroradarAdadad")).entryList(QDir::Files | QDir::Hidden | QDir::System).size());
}

struct KillCase {
    const char *name;
    bool unnamed; // new files are unnamed until complete (O_TMPFILE)
    bool inPlace; // the folder lets the saver create no file: rewritten in place
};

// Where the file is rewritten in place, the saver is an operator who may
// write the file but not its folder; root, who may write any folder, drops
// to such an account in each child.
constexpr uid_t kOperator = 4321;
constexpr gid_t kOperatorGroup = 4322;

void BecomeSaver(const KillCase &c)
{
    if (c.inPlace && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kOperatorGroup) != 0 || ::setuid(kOperator) != 0))
        ::_exit(3);
}

// Runs `op` as the saver: in a child of its own when the saver is another
// account, else right here.
void AsSaver(const KillCase &c, const std::function<void()> &op)
{
    if (!c.inPlace || ::geteuid() != 0)
        return op();
    const pid_t child = ::fork();
    if (child == 0) {
        BecomeSaver(c);
        op();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
}

// A process that is killed in the middle of a save leaves the old or the new
// complete file, never a partial one: after each kill the file holds exactly
// the value of the last save that returned, or that of the save under way.
// No temporary file outlives the next start: with unnamed temporary files a
// kill can leave one only between naming it and the rename; with named ones
// (filesystems without O_TMPFILE) the next start or save removes them.
// Rewritten in place, a killed save can leave a partial file, but its
// journal is complete before the first byte is overwritten: after the next
// start the file is again the old or the new one, and no journal is left.
class SaveKill : public ::testing::TestWithParam<KillCase>
{
};

TEST_P(SaveKill, FileIsAlwaysTheOldOrTheNewCompleteFile)
{
    const KillCase &c = GetParam();
    const bool unnamed = c.unnamed;
    TempDir dir, state;
    // The display program's own keys, large enough that a write takes a while.
    const QByteArray prefix = "[Anzeige]\r\nPad=" + QByteArray(200000, 'x') + "\r\n\r\n[Optionen]\r\nK=";
    // Rewritten in place, each save changes every byte of a long value, so
    // that a kill in the rewrite itself leaves a file that is neither.
    const auto value = [&c](int n) {
        return c.inPlace ? QByteArray::number(n) + QByteArray(200000, char('a' + n % 26))
                         : QByteArray::number(n);
    };
    const auto text = [&](int n) { return prefix + value(n) + "\r\n\r\n"; };
    dir.write("DAZovozoved.ini", text(0));
    SettingsFile file = SettingsFile::beside(dir.path());
    file.setUnnamedTempFiles(unnamed);
    ::chmod(QFile::encodeName(state.path()).constData(), 01777);
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
    const QByteArray folder = QFile::encodeName(dir.path());
    if (c.inPlace) {
        const bool root = ::geteuid() == 0;
        ASSERT_EQ(::chown(QFile::encodeName(dir.path("DAZovozoved.ini")).constData(),
                          root ? kOperator : ::geteuid(), root ? kOperatorGroup : ::getegid()),
                  0);
        ASSERT_EQ(::chmod(folder.constData(), root ? 0755 : 0555), 0);
    }

    void *shared =
        ::mmap(nullptr, sizeof(SaveProgress), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(shared, MAP_FAILED);
    auto *progress = new (shared) SaveProgress{{0}, {0}};

    // Kills land anywhere in the first few saves of each child: once its
    // first save has begun, the delay is drawn from up to four times what
    // one save takes on this machine now (the child's start is not part of
    // it, however slow forking a sanitized process is).
    AsSaver(c, [&] {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 10; ++i)
            file.WriteOption("K", QString::fromLatin1(value(0)));
        progress->started = int(std::max<qint64>(timer.nsecsElapsed() / 10000, 50));
    });
    const auto saveMicros = useconds_t(progress->started.load());
    progress->started = 0;

    // The test goes on until it has its kills, enough of them in the middle
    // of a save and enough completed saves to have moved the file along; a
    // slow or loaded machine takes longer, not fewer. Only a machine that
    // cannot get there within the time limit fails, and says so.
    std::mt19937 random(4711);
    const int rounds = Rounds();
    const int wanted = rounds / 2;
    QElapsedTimer clock;
    clock.start();
    const qint64 limitMs = qint64(qEnvironmentVariableIntValue("VAD_KILL_SECONDS") > 0
                                      ? qEnvironmentVariableIntValue("VAD_KILL_SECONDS")
                                      : 450) *
                           1000;
    bool outOfTime = false;
    // Where the machine gets slower than it was at the start, the kills move
    // later while children complete no save, and back towards the start's
    // delay while they do.
    const useconds_t shortest = 4 * saveMicros, longest = std::max<useconds_t>(shortest, 1000000);
    useconds_t delayBound = shortest;
    int kills = 0, checked = 0, partial = 0, torn = 0, journalsAfterKill = 0, midSave = 0, tempAfterKill = 0,
        tempAfterStart = 0;
    for (int round = 0; kills < rounds || midSave < wanted || progress->done < wanted; ++round) {
        if (clock.elapsed() > limitMs) {
            outOfTime = true;
            break;
        }
        const int before = progress->done;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            BecomeSaver(c);
            SettingsFile f = SettingsFile::beside(dir.path());
            f.setUnnamedTempFiles(unnamed);
            for (;;) {
                const int next = progress->done + 1;
                progress->started = next;
                f.WriteOption("K", QString::fromLatin1(value(next)));
                progress->done = next;
            }
        }
        // The kill waits for the child's first save to begin, however long
        // the machine takes to run it, then lands anywhere in its first few.
        while (progress->started == before && clock.elapsed() <= limitMs)
            ::usleep(20);
        ::usleep(std::uniform_int_distribution<useconds_t>(0, delayBound)(random));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        kills += WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL ? 1 : 0;

        const int done = progress->done, started = progress->started;
        midSave += started != done ? 1 : 0;
        delayBound = done == before ? std::min(delayBound + delayBound / 2, longest)
                                    : std::max(delayBound - delayBound / 5, shortest);
        // Rewritten in place, the file is whole again only after the next start.
        if (c.inPlace) {
            const QByteArray killed = dir.read("DAZovozoved.ini");
            journalsAfterKill += Journals(state);
            torn += killed != text(done) && killed != text(started) ? 1 : 0;
            AsSaver(c, [&file] { file.Load(); });
        }
        const QByteArray bytes = dir.read("DAZovozoved.ini");
        ++checked;
        const bool old = bytes == text(done);
        const bool fresh = started != done && bytes == text(started);
        if (!old && !fresh) {
            ++partial;
            ADD_FAILURE() << "round " << round << ": " << bytes.size() << " bytes, ending "
                          << bytes.right(12).toStdString() << ", last save " << done << ", under way "
                          << started;
        }
        // Left by this kill, and still there after the next start.
        tempAfterKill += TempFiles(dir);
        AsSaver(c, [&file] { file.Load(); });
        const int left = TempFiles(dir) + Journals(state);
        tempAfterStart += left;
        EXPECT_EQ(left, 0) << "round " << round;
        // The next child goes on from what the file holds.
        progress->done = fresh ? started : done;
        progress->started = progress->done.load();
    }
    const int saves = progress->done;
    ::munmap(shared, sizeof(SaveProgress));
    if (c.inPlace)
        ::chmod(folder.constData(), 0700);
    qunsetenv("XDG_STATE_HOME");
    std::printf("%s: one save %u us; kills %d (%d in the middle of a save), saves %d, files "
                "checked %d, partial %d (before the next start: torn %d, journals %d), temporary files right "
                "after the kills %d, "
                "after the next start %d\n",
                c.name, unsigned(saveMicros), kills, midSave, saves, checked, partial, torn,
                journalsAfterKill, tempAfterKill, tempAfterStart);
    EXPECT_FALSE(outOfTime) << "after " << limitMs / 1000 << " s only " << kills << " of " << rounds
                            << " kills, " << midSave << " of " << wanted << " in the middle of a save and "
                            << saves << " of " << wanted
                            << " completed saves (VAD_KILL_SECONDS sets the limit)";
    EXPECT_EQ(partial, 0);
    EXPECT_EQ(tempAfterStart, 0);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{"DAZovozoved.ini"});
}

INSTANTIATE_TEST_SUITE_P(TempFiles, SaveKill,
                         ::testing::Values(KillCase{"Unnamed", true, false}, KillCase{"Named", false, false},
                                           KillCase{"InPlace", true, true}),
                         [](const ::testing::TestParamInfo<KillCase> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
