// Any bytes as the journal a killed rewrite in place left for a file: the
// next start never crashes, never replays it (only a journal with both
// checksums right is replayed) and the file keeps its bytes.
#include "FuzzSupport.h"

#include "base/Failure.h"
#include "base/FileWriter.h"
#include "base/InPlaceJournal.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/stat.h>

namespace
{

const QByteArray kOld = "[Optionen]\r\nZQHost=alt\r\n";

QString Target()
{
    static QTemporaryDir dir;
    static const bool ready = [] {
        qputenv("XDG_STATE_HOME", QFile::encodeName(dir.path()));
        // The notes about journals not replayed would drown the fuzzer's output.
        return std::freopen("/dev/null", "w", stderr) != nullptr;
    }();
    (void)ready;
    return dir.path() + QStringLiteral("/DAZovozoved.ini");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString target = Target();
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(kOld) != kOld.size())
        return 0;
    file.close();
    struct stat st {
    };
    if (::stat(QFile::encodeName(target).constData(), &st) != 0)
        return 0;
    // A journal of the right name and mode, with the fuzzer's bytes in it.
    QString journal;
    try {
        journal = journal::Entry(target, st, kOld, "[Optionen]\r\nZQHost=neu\r\n",
                                 [](const QString &cause) { throw Failure(cause); })
                      .path();
    } catch (const Failure &) {
        return 0;
    }
    QFile planted(journal);
    if (!planted.open(QIODevice::WriteOnly) || planted.write(FuzzBytes(data, size)) != qint64(size))
        return 0;
    planted.close();

    QByteArray read;
    try {
        FileWriter(target).Read([&read](QByteArrayView bytes) { read = bytes.toByteArray(); });
    } catch (const Failure &) {
        FUZZ_CHECK(false, "a journal that is not replayed does not stop the file from being read");
    }
    FUZZ_CHECK(read == kOld, "a journal of arbitrary bytes is never replayed");
    QFile::remove(journal);
    return 0;
}
