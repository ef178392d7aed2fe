#include "settings/SettingsFile.h"
#include "support/TempDir.h"

#include <QDir>

#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A process that is killed in the middle of a save leaves the old or the new
// complete file, never a partial one.
TEST(SaveKill, FileIsAlwaysCompleteAfterAKill)
{
    TempDir dir;
    const QString pad(200000, u'x'); // large enough that a write takes a while
    SettingsFile file = SettingsFile::beside(dir.path());
    file.WriteOption("Pad", pad);
    file.WriteOption("K", "0");
    const QByteArray prefix = "[Optionen]\r\nPad=" + pad.toLatin1() + "\r\nK=";

    std::mt19937 random(4711);
    int kills = 0, checked = 0, partial = 0;
    for (int round = 0; round < 500; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SettingsFile f = SettingsFile::beside(dir.path());
            for (int i = 1;; ++i)
                f.WriteOption("K", QString::number(i % 10));
        }
        ::usleep(std::uniform_int_distribution<useconds_t>(0, 3000)(random));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        kills += WIFSIGNALED(status) ? 1 : 0;

        const QByteArray bytes = dir.read("DAZovozoved.ini");
        ++checked;
        const bool complete = bytes.startsWith(prefix) && bytes.size() == prefix.size() + 5 &&
                              bytes.endsWith("\r\n\r\n") && bytes[prefix.size()] >= '0' && bytes[prefix.size()] <= '9';
        partial += complete ? 0 : 1;
    }
    std::printf("kills %d, files checked %d, partial %d\n", kills, checked, partial);
    EXPECT_EQ(kills, 500);
    EXPECT_EQ(partial, 0);
}

} // namespace
