#pragma once
// Small POSIX pieces the file writer is built from.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <sys/stat.h>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace files
{

// The system's text for an errno value.
QString SystemText(int error);

// A file descriptor closed with its owner; closing drops a lock held on it.
class Fd
{
  public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    Fd(Fd &&other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    Fd &operator=(Fd &&other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd();
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

  private:
    int m_fd = -1;
};

// Asks for the flock again and again until it is granted or `waitMs` is
// over; 0 or the errno that ended the wait.
int LockWithin(int fd, int operation, int waitMs);

// Content written one piece after the other.
using Pieces = std::vector<QByteArrayView>;
qsizetype TotalSize(const Pieces &pieces);

// 0 or the errno of the write that failed; at `offset` with pwrite, else at
// the file position. A full disk first cuts a write short without a cause.
int WriteAll(int fd, const Pieces &pieces, off_t offset = -1);

// Overwrites memory that held a file's bytes (passwords among them) in a way
// the compiler may not leave out.
void Wipe(void *data, size_t size);

// Wipes the bytes at the end of the scope, whatever they hold by then.
class WipeOnExit
{
  public:
    explicit WipeOnExit(QByteArray &bytes) : m_bytes(bytes) {}
    ~WipeOnExit() { Wipe(m_bytes.data(), size_t(m_bytes.size())); }
    WipeOnExit(const WipeOnExit &) = delete;
    WipeOnExit &operator=(const WipeOnExit &) = delete;

  private:
    QByteArray &m_bytes;
};

// Keeps a reading's bytes until it is wiped; the memory stays with the
// thread from one reading to the next, so a save reads into the pages the
// start has already touched instead of fresh ones.
class ReadBuffer
{
  public:
    // 0 or the errno of the read that failed; EFBIG, before anything is
    // read, when `sizeHint` (the size fstat gave) is over `maxBytes`, or
    // once more than `maxBytes` have come (a file that grows meanwhile).
    // A negative `maxBytes` sets no bound.
    static int ReadAll(int fd, qint64 sizeHint, QByteArrayView &out, qint64 maxBytes = -1);
    // Overwrites what the last ReadAll of this thread put into the buffer;
    // a buffer grown beyond the size of ordinary files goes back then.
    static void WipeLast();
};

// The path a file is read and written through: `path` made absolute, or
// where its symbolic links lead. A link is followed only when it belongs to
// the user running the program or to root, as the kernel's rule for links
// in shared folders has it: anyone else's link could point us at a file of
// ours we never meant to write. Where a link is not followed, `refusal` is
// set to the sentence that says why, and the link's own path is returned.
QString FollowTrustedLinks(const QString &path, QString &refusal);

// Writes `text` over the file from its first byte, cuts off what lies
// beyond and syncs it; 0 or the errno. Room for the whole text is taken
// first, so a full disk mostly stops it before an old byte is overwritten.
int Overwrite(int fd, QByteArrayView text);

// Opens `path` for writing in place, if it is still the regular file `st`
// describes (not a link, FIFO or another file swapped in); 0 or the errno.
int OpenSameForWriting(const QString &path, const struct stat &st, Fd &out);

// A fast 64-bit checksum: it finds a torn or cut copy, not a forged one.
quint64 Checksum(QByteArrayView bytes);

} // namespace files
