#include "settings/SettingsFile.h"
#include "support/TempDir.h"

#include <QDir>
#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/mman.h>
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

// A process that is killed in the middle of a save leaves the old or the new
// complete file, never a partial one: after each kill the file holds exactly
// the value of the last save that returned, or that of the save under way.
// No temporary file outlives the next start: with unnamed temporary files a
// kill can leave one only between naming it and the rename; with named ones
// (filesystems without O_TMPFILE) the next start or save removes them.
class SaveKill : public ::testing::TestWithParam<bool>
{
};

TEST_P(SaveKill, FileIsAlwaysTheOldOrTheNewCompleteFile)
{
    const bool unnamed = GetParam();
    TempDir dir;
    // The display program's own keys, large enough that a write takes a while.
    const QByteArray prefix = "[Anzeige]\r\nPad=" + QByteArray(200000, 'x') + "\r\n\r\n[Optionen]\r\nK=";
    dir.write("DAZovozoved.ini", prefix + "0\r\n\r\n");
    SettingsFile file = SettingsFile::beside(dir.path());
    file.setUnnamedTempFiles(unnamed);

    void *shared =
        ::mmap(nullptr, sizeof(SaveProgress), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(shared, MAP_FAILED);
    auto *progress = new (shared) SaveProgress{{0}, {0}};

    // Kills land anywhere in the first few saves of each child: once its
    // first save has begun, the delay is drawn from up to four times what
    // one save takes on this machine now (the child's start is not part of
    // it, however slow forking a sanitized process is).
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 10; ++i)
        file.WriteOption("K", "0");
    const auto saveMicros = useconds_t(std::max<qint64>(timer.nsecsElapsed() / 10000, 50));

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
                                      : 450) * 1000;
    bool outOfTime = false;
    // Where the machine gets slower than it was at the start, the kills move
    // later while children complete no save, and back towards the start's
    // delay while they do.
    const useconds_t shortest = 4 * saveMicros, longest = std::max<useconds_t>(shortest, 1000000);
    useconds_t delayBound = shortest;
    int kills = 0, checked = 0, partial = 0, midSave = 0, tempAfterKill = 0, tempAfterStart = 0;
    for (int round = 0; kills < rounds || midSave < wanted || progress->done < wanted; ++round) {
        if (clock.elapsed() > limitMs) {
            outOfTime = true;
            break;
        }
        const int before = progress->done;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SettingsFile f = SettingsFile::beside(dir.path());
            f.setUnnamedTempFiles(unnamed);
            for (;;) {
                const int next = progress->done + 1;
                progress->started = next;
                f.WriteOption("K", QString::number(next));
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
        const QByteArray bytes = dir.read("DAZovozoved.ini");
        ++checked;
        const bool old = bytes == prefix + QByteArray::number(done) + "\r\n\r\n";
        const bool fresh = started != done && bytes == prefix + QByteArray::number(started) + "\r\n\r\n";
        if (!old && !fresh) {
            ++partial;
            ADD_FAILURE() << "round " << round << ": " << bytes.size() << " bytes, ending "
                          << bytes.right(12).toStdString() << ", last save " << done << ", under way "
                          << started;
        }
        // Left by this kill, and still there after the next start.
        tempAfterKill += TempFiles(dir);
        file.Load();
        const int left = TempFiles(dir);
        tempAfterStart += left;
        EXPECT_EQ(left, 0) << "round " << round;
        // The next child goes on from what the file holds.
        progress->done = fresh ? started : done;
        progress->started = progress->done.load();
    }
    const int saves = progress->done;
    ::munmap(shared, sizeof(SaveProgress));
    std::printf("%s temporary files: one save %u us; kills %d (%d in the middle of a save), saves %d, files "
                "checked %d, partial %d, temporary files right after the kills %d, after the next start %d\n",
                unnamed ? "unnamed" : "named", unsigned(saveMicros), kills, midSave, saves, checked, partial,
                tempAfterKill, tempAfterStart);
    EXPECT_FALSE(outOfTime) << "after " << limitMs / 1000 << " s only " << kills << " of " << rounds
                            << " kills, " << midSave << " of " << wanted << " in the middle of a save and "
                            << saves << " of " << wanted << " completed saves (VAD_KILL_SECONDS sets the limit)";
    EXPECT_EQ(partial, 0);
    EXPECT_EQ(tempAfterStart, 0);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{"DAZovozoved.ini"});
}

INSTANTIATE_TEST_SUITE_P(TempFiles, SaveKill, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return std::string(info.param ? "Unnamed" : "Named");
                         });

} // namespace
