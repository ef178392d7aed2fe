// Any bytes as the journal a killed rewrite in place left for a file: the
// next start never crashes, never replays it (only a journal with both
// checksums right is replayed) and the file keeps its bytes.
#include "FuzzSupport.h"

#include "base/Failure.h"
#include "base/FileWriter.h"
#include "base/InPlaceJournal.h"

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

const QByteArray kOld = "[Optionen]\r\nZQHost=alt\r\n";

bool WriteFile(const QString &path, QByteArrayView bytes)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const bool written = fd >= 0 && ::write(fd, bytes.data(), size_t(bytes.size())) == bytes.size();
    if (fd >= 0)
        ::close(fd);
    return written;
}

struct Setup {
    QTemporaryDir dir;
    QString target;
    QString journal; // where the journal for the target goes
};

// The file and its journal's name, made once: the file keeps its inode,
// so the name stays right. The notes about journals not replayed go to
// stderr: -close_fd_mask=2 keeps them out of the fuzzer's own output.
const Setup &Once()
{
    static Setup setup = [] {
        Setup s;
        qputenv("XDG_STATE_HOME", QFile::encodeName(s.dir.path()));
        s.target = s.dir.path() + QStringLiteral("/DAZovozoved.ini");
        struct stat st {
        };
        if (!WriteFile(s.target, kOld) || ::stat(QFile::encodeName(s.target).constData(), &st) != 0)
            std::abort();
        s.journal =
            journal::Entry(s.target, st, kOld, "[Optionen]\r\nZQHost=neu\r\n", [](const QString &cause) {
                throw Failure(cause);
            }).path();
        return s;
    }();
    return setup;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Setup &s = Once();
    if (!WriteFile(s.target, kOld) || !WriteFile(s.journal, FuzzBytes(data, size)))
        return 0;
    QByteArray read;
    try {
        FileWriter(s.target).Read([&read](QByteArrayView bytes) { read = bytes.toByteArray(); });
    } catch (const Failure &) {
        FUZZ_CHECK(false, "a journal that is not replayed does not stop the file from being read");
    }
    FUZZ_CHECK(read == kOld, "a journal of arbitrary bytes is never replayed");
    QFile::remove(s.journal);
    return 0;
}
