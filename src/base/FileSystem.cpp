#include "FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace files
{

QString SystemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

Fd::~Fd()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int LockWithin(int fd, int operation, int waitMs)
{
    // The display program holds its lock only while it reads the file.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (::flock(fd, operation | LOCK_NB) == 0)
            return 0;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline)
            return errno;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

qsizetype TotalSize(const Pieces &pieces)
{
    qsizetype size = 0;
    for (QByteArrayView piece : pieces)
        size += piece.size();
    return size;
}

int WriteAll(int fd, const Pieces &pieces, off_t offset)
{
    off_t at = offset;
    for (QByteArrayView piece : pieces) {
        for (qsizetype done = 0; done < piece.size();) {
            const size_t want = size_t(piece.size() - done);
            const ssize_t n = offset < 0 ? ::write(fd, piece.data() + done, want)
                                         : ::pwrite(fd, piece.data() + done, want, at);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return errno;
            if (n == 0)
                return ENOSPC;
            done += n;
            at += n;
        }
    }
    return 0;
}

void Wipe(void *data, size_t size)
{
    if (data && size)
        ::explicit_bzero(data, size);
}

namespace
{
struct ThreadBuffer {
    std::vector<char> bytes;
    size_t used = 0;
    ~ThreadBuffer() { Wipe(bytes.data(), bytes.size()); }
};
thread_local ThreadBuffer t_buffer;
} // namespace

int ReadBuffer::ReadAll(int fd, qint64 sizeHint, QByteArrayView &out)
{
    constexpr size_t kChunk = 65536;
    std::vector<char> &buffer = t_buffer.bytes;
    WipeLast();
    const auto grow = [&buffer](size_t size) {
        // Growing copies the bytes read so far: the old memory is wiped first.
        std::vector<char> bigger(size);
        std::copy(buffer.begin(), buffer.end(), bigger.begin());
        Wipe(buffer.data(), buffer.size());
        buffer.swap(bigger);
    };
    size_t &used = t_buffer.used;
    if (sizeHint > 0 && size_t(sizeHint) + kChunk > buffer.size())
        grow(size_t(sizeHint) + kChunk);
    for (;;) {
        if (buffer.size() - used < kChunk)
            grow(std::max(buffer.size() * 2, used + kChunk));
        const ssize_t got = ::read(fd, buffer.data() + used, buffer.size() - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            break;
        used += size_t(got);
    }
    out = QByteArrayView(buffer.data(), qsizetype(used));
    return 0;
}

void ReadBuffer::WipeLast()
{
    Wipe(t_buffer.bytes.data(), t_buffer.used);
    t_buffer.used = 0;
}

} // namespace files
