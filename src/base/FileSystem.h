#pragma once
// Small POSIX pieces the file writer is built from.
#include <QByteArrayView>
#include <QString>

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

// Keeps a reading's bytes until it is wiped; the memory stays with the
// thread from one reading to the next, so a save reads into the pages the
// start has already touched instead of fresh ones.
class ReadBuffer
{
  public:
    // 0 or the errno of the read that failed.
    static int ReadAll(int fd, qint64 sizeHint, QByteArrayView &out);
    // Overwrites what the last ReadAll of this thread put into the buffer.
    static void WipeLast();
};

} // namespace files
