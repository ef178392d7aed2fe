#include "FileSystem.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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
    // The display program holds its lock only while it reads the file. The
    // wait ends at its deadline on the monotonic clock, however often a
    // signal interrupts it, and sleeps between two asks rather than spin.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (::flock(fd, operation | LOCK_NB) == 0)
            return 0;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return errno;
        const auto now = Clock::now();
        if (now >= deadline)
            return EWOULDBLOCK; // the lock is someone else's still
        std::this_thread::sleep_for(std::min<Clock::duration>(deadline - now, std::chrono::milliseconds(10)));
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

int ReadBuffer::ReadAll(int fd, qint64 sizeHint, QByteArrayView &out, qint64 maxBytes)
{
    constexpr size_t kChunk = 65536;
    std::vector<char> &buffer = t_buffer.bytes;
    WipeLast();
    out = QByteArrayView();
    if (maxBytes >= 0 && sizeHint > maxBytes)
        return EFBIG;
    // One byte past the bound is enough to know the file is over it.
    const size_t cap = maxBytes >= 0 ? size_t(maxBytes) + 1 : SIZE_MAX;
    const auto grow = [&buffer, cap](size_t size) {
        // Growing copies the bytes read so far: the old memory is wiped first.
        std::vector<char> bigger(std::min(size, cap));
        std::copy(buffer.begin(), buffer.end(), bigger.begin());
        Wipe(buffer.data(), buffer.size());
        buffer.swap(bigger);
    };
    size_t &used = t_buffer.used;
    if (sizeHint > 0 && size_t(sizeHint) + kChunk > buffer.size())
        grow(size_t(sizeHint) + kChunk);
    for (;;) {
        if (buffer.size() - used < kChunk && buffer.size() < cap)
            grow(std::max(buffer.size() * 2, used + kChunk));
        if (used >= cap) {
            WipeLast();
            return EFBIG;
        }
        const ssize_t got = ::read(fd, buffer.data() + used, std::min(buffer.size(), cap) - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            WipeLast();
            return error;
        }
        if (got == 0)
            break;
        used += size_t(got);
    }
    out = QByteArrayView(buffer.data(), qsizetype(used));
    return 0;
}

void ReadBuffer::WipeLast()
{
    // Settings files are kilobytes; the memory of an odd large one is not
    // kept for the next reading.
    constexpr size_t kKept = size_t(16) << 20;
    Wipe(t_buffer.bytes.data(), t_buffer.used);
    t_buffer.used = 0;
    if (t_buffer.bytes.size() > kKept)
        std::vector<char>().swap(t_buffer.bytes);
}

QString FollowTrustedLinks(const QString &path, QString &refusal)
{
    QByteArray current = QFile::encodeName(path);
    if (!current.startsWith('/')) {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd))
            current = QByteArray(cwd) + '/' + current;
    }
    // The kernel gives up after 40 links; so do we, and the open that
    // follows then reports the loop.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {
        };
        if (::lstat(current.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            break;
        if (st.st_uid != ::geteuid() && st.st_uid != 0) {
            refusal =
                QStringLiteral("Sie ist ein symbolischer Verweis, der einem anderen Benutzer (Nummer %1) "
                               "gehört; einem solchen Verweis folgt das Programm nicht.")
                    .arg(st.st_uid);
            break;
        }
        char link[PATH_MAX];
        const ssize_t n = ::readlink(current.constData(), link, sizeof link);
        if (n <= 0 || size_t(n) >= sizeof link)
            break;
        const QByteArray to(link, qsizetype(n));
        current = to.startsWith('/') ? to : current.left(current.lastIndexOf('/') + 1) + to;
    }
    return QFile::decodeName(current);
}

int Overwrite(int fd, QByteArrayView text)
{
    struct stat st {
    };
    if (::fstat(fd, &st) != 0)
        return errno;
    if (text.size() > st.st_size) {
        const int error = ::posix_fallocate(fd, 0, off_t(text.size()));
        if (error != 0 && error != EOPNOTSUPP && error != EINVAL)
            return error;
    }
    if (const int error = WriteAll(fd, {text}, 0))
        return error;
    if (text.size() < st.st_size && ::ftruncate(fd, off_t(text.size())) != 0)
        return errno;
    return ::fsync(fd) == 0 ? 0 : errno;
}

int OpenSameForWriting(const QString &path, const struct stat &st, Fd &out)
{
    // O_NONBLOCK: a FIFO swapped in must not hang us.
    out = Fd(::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!out.valid())
        return errno;
    struct stat now {
    };
    if (::fstat(out.get(), &now) != 0)
        return errno;
    if (!S_ISREG(now.st_mode) || now.st_dev != st.st_dev || now.st_ino != st.st_ino) {
        out = Fd();
        return ESTALE;
    }
    return 0;
}

namespace
{
constexpr quint64 kMul = 0xc6a4a7935bd1e995ULL;

quint64 mix(quint64 h, quint64 k)
{
    k *= kMul;
    k ^= k >> 47;
    k *= kMul;
    return (h ^ k) * kMul;
}

quint64 word(const char *p)
{
    quint64 k;
    std::memcpy(&k, p, 8);
    return k;
}
} // namespace

quint64 Checksum(QByteArrayView bytes)
{
    // MurmurHash64A's mixing in four independent lanes of eight bytes each,
    // so the multiplications of one stripe overlap.
    quint64 lanes[4] = {0x5bd1e995ULL, 0x9e3779b97f4a7c15ULL, 0xbf58476d1ce4e5b9ULL, 0x94d049bb133111ebULL};
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    for (; end - p >= 32; p += 32) {
        for (int i = 0; i < 4; ++i)
            lanes[i] = mix(lanes[i], word(p + 8 * i));
    }
    quint64 h = quint64(bytes.size()) * kMul;
    for (quint64 lane : lanes)
        h = mix(h, lane);
    for (; end - p >= 8; p += 8)
        h = mix(h, word(p));
    quint64 tail = 0;
    for (const char *q = end; q > p; --q)
        tail = (tail << 8) | quint8(q[-1]);
    h = mix(h, tail);
    h ^= h >> 47;
    h *= kMul;
    return h ^ (h >> 47);
}

} // namespace files
