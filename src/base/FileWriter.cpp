#include "FileWriter.h"

#include "Failure.h"
#include "FileSystem.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using files::Fd;
using files::SystemText;
using Pieces = FileWriter::Pieces;

namespace
{

[[noreturn]] void failOpen(const QString &path, const QString &cause)
{
    throw Failure(QStringLiteral("Datei %1 kann nicht geöffnet werden. %2").arg(path, cause));
}

[[noreturn]] void failCreate(const QString &path, const QString &cause)
{
    throw Failure(QStringLiteral("Datei \"%1\" kann nicht erstellt werden. %2").arg(path, cause));
}

// The file open for reading under a lock, with what it was when
// the lock was granted.
struct LockedFile {
    Fd fd;
    struct stat st {
    };
};

// Opens and locks the file; false when there is none (a dangling link counts
// as none). A save that held the lock while we waited has renamed a new file
// over the one we opened: then the new one is opened and locked instead.
bool openLocked(const QString &path, bool exclusive, int waitMs, LockedFile &out)
{
    const QByteArray native = QFile::encodeName(path);
    const auto fail = exclusive ? failCreate : failOpen;
    for (int attempt = 0;; ++attempt) {
        struct stat st {
        };
        if (::stat(native.constData(), &st) != 0) {
            if (errno == ENOENT)
                return false;
            failOpen(path, SystemText(errno));
        }
        if (S_ISDIR(st.st_mode))
            failOpen(path, SystemText(EISDIR));
        if (!S_ISREG(st.st_mode))
            failOpen(path, QStringLiteral("Keine reguläre Datei"));
        // O_NONBLOCK: a FIFO swapped in after the check must not hang us.
        Fd fd(::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        if (!fd.valid()) {
            if (errno == ENOENT && attempt < 10)
                continue; // replaced or removed in between: look again
            failOpen(path, SystemText(errno));
        }
        if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
            failOpen(path, QStringLiteral("Keine reguläre Datei"));
        if (const int error = files::LockWithin(fd.get(), exclusive ? LOCK_EX : LOCK_SH, waitMs))
            fail(path, SystemText(error));
        struct stat now {
        };
        const bool same =
            ::stat(native.constData(), &now) == 0 && now.st_ino == st.st_ino && now.st_dev == st.st_dev;
        if (same || attempt >= 10) {
            out.fd = std::move(fd);
            out.st = st;
            return true;
        }
    }
}

// The file itself: the path itself, or where a link points.
QString realTarget(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

bool isTempName(const char *name, const QByteArray &prefix)
{
    const size_t n = std::strlen(name);
    return n == size_t(prefix.size()) + 6 &&
           std::strncmp(name, prefix.constData(), size_t(prefix.size())) == 0;
}

// Removes what a killed save left behind in the directory: files of our own
// temporary pattern for this settings file. Only called while we hold the
// file's lock, so no save of ours is writing one of them.
void removeLeftovers(int dirFd, const QString &fileName)
{
    const QByteArray prefix = QFile::encodeName(FileWriter::TempPrefix(fileName));
    const int scanFd = ::dup(dirFd);
    if (scanFd < 0)
        return;
    DIR *dir = ::fdopendir(scanFd);
    if (!dir) {
        ::close(scanFd);
        return;
    }
    ::rewinddir(dir);
    while (const dirent *entry = ::readdir(dir)) {
        if (!isTempName(entry->d_name, prefix))
            continue;
        struct stat st {
        };
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

Fd openDirectory(const QString &directory)
{
    return Fd(::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

QByteArray randomTempName(const QString &fileName)
{
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name = QFile::encodeName(FileWriter::TempPrefix(fileName));
    for (int i = 0; i < 6; ++i)
        name.append(kChars[QRandomGenerator::global()->bounded(int(sizeof kChars - 1))]);
    return name;
}

// The new content of the settings file before it takes the file's place.
// Where the filesystem allows, it has no name until it is complete and
// synced (O_TMPFILE), so a killed save leaves nothing behind; elsewhere it
// is a file of our temporary pattern from the start.
class NewFile
{
  public:
    NewFile(int dirFd, QString fileName) : m_dirFd(dirFd), m_fileName(std::move(fileName)) {}
    NewFile(const NewFile &) = delete;
    NewFile &operator=(const NewFile &) = delete;
    ~NewFile() { discard(); }

    // 0 or the errno that stopped the creation. Mode 0600 whatever the
    // umask: until the rename only we can read it (it holds passwords).
    int create(bool unnamed)
    {
        if (unnamed) {
            m_fd = Fd(::openat(m_dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
            if (m_fd.valid())
                return ::fchmod(m_fd.get(), 0600) == 0 ? 0 : errno;
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
                return errno;
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = randomTempName(m_fileName);
            m_fd = Fd(::openat(m_dirFd, name.constData(),
                               O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600));
            if (m_fd.valid()) {
                m_name = name;
                return ::fchmod(m_fd.get(), 0600) == 0 ? 0 : errno;
            }
            if (errno != EEXIST)
                return errno;
        }
        return EEXIST;
    }

    int fd() const { return m_fd.get(); }
    bool named() const { return !m_name.isEmpty(); }

    // 0 or the errno that stopped it; EXDEV when an unnamed file cannot be
    // given a name here at all (then the caller starts over with a named one).
    int giveName(const QByteArray &name)
    {
        if (::linkat(m_fd.get(), "", m_dirFd, name.constData(), AT_EMPTY_PATH) == 0)
            return 0;
        if (errno == EEXIST)
            return EEXIST;
        // Without CAP_DAC_READ_SEARCH: through the process's own fd entry.
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd.get());
        if (::linkat(AT_FDCWD, self.constData(), m_dirFd, name.constData(), AT_SYMLINK_FOLLOW) == 0)
            return 0;
        return errno == EEXIST ? EEXIST : EXDEV;
    }

    // 0 or the errno; the file is named when it returns 0.
    int name()
    {
        if (named())
            return 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = randomTempName(m_fileName);
            const int error = giveName(name);
            if (error == 0)
                m_name = name;
            if (error != EEXIST)
                return error;
        }
        return EEXIST;
    }

    // Puts the file in the settings file's place.
    int renameOver()
    {
        if (::renameat(m_dirFd, m_name.constData(), m_dirFd, QFile::encodeName(m_fileName).constData()) != 0)
            return errno;
        m_name.clear();
        return 0;
    }

    // Gives the file the settings file's name, unless one exists by now.
    int linkAsNew()
    {
        const QByteArray target = QFile::encodeName(m_fileName);
        if (!named())
            return giveName(target);
        if (::renameat2(m_dirFd, m_name.constData(), m_dirFd, target.constData(), RENAME_NOREPLACE) != 0) {
            if (errno != EINVAL && errno != ENOSYS)
                return errno;
            if (::renameat(m_dirFd, m_name.constData(), m_dirFd, target.constData()) != 0)
                return errno;
        }
        m_name.clear();
        return 0;
    }

    void discard()
    {
        if (named())
            ::unlinkat(m_dirFd, m_name.constData(), 0);
        m_name.clear();
        m_fd = Fd();
    }

  private:
    int m_dirFd;
    QString m_fileName;
    Fd m_fd;
    QByteArray m_name;
};

// Rewrites the file in place: for a directory we may not create files in,
// and for a file whose owner a new file could not keep. Room for the whole
// text is taken first, so a full disk stops the save before an old byte is
// overwritten; a kill in the middle of the write itself leaves the new text
// followed by the rest of the old one.
void writeInPlace(const QString &shown, const QString &target, const Pieces &bytes)
{
    Fd out(::open(QFile::encodeName(target).constData(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!out.valid())
        failCreate(shown, SystemText(errno));
    struct stat st {
    };
    const qsizetype size = files::TotalSize(bytes);
    if (::fstat(out.get(), &st) == 0 && size > st.st_size) {
        const int error = ::posix_fallocate(out.get(), 0, off_t(size));
        if (error != 0 && error != EOPNOTSUPP && error != EINVAL)
            failCreate(shown, SystemText(error));
    }
    if (const int error = files::WriteAll(out.get(), bytes, 0))
        failCreate(shown, SystemText(error));
    if (::ftruncate(out.get(), off_t(size)) != 0 || ::fsync(out.get()) != 0)
        failCreate(shown, SystemText(errno));
}

void syncDirectory(int dirFd)
{
    // The rename is only durable once the directory is on disk; a failure
    // here leaves a complete file either way.
    ::fsync(dirFd);
}

// Fills a new file with the bytes; throws (the file then goes) on failure.
void fill(NewFile &file, const QString &shown, const Pieces &bytes)
{
    if (const int error = files::WriteAll(file.fd(), bytes))
        failCreate(shown, SystemText(error));
    if (::fsync(file.fd()) != 0)
        failCreate(shown, SystemText(errno));
}

// Replaces the existing, locked settings file by one with the bytes,
// keeping its mode, owner and group.
void replaceExisting(const QString &shown, const QString &target, const struct stat &old, const Pieces &bytes,
                     bool tryUnnamed)
{
    const QFileInfo info(target);
    const Fd dir = openDirectory(info.absolutePath());
    if (!dir.valid())
        failCreate(shown, SystemText(errno));
    removeLeftovers(dir.get(), info.fileName());
    const bool sameOwner = old.st_uid == ::geteuid() && old.st_gid == ::getegid();
    for (bool unnamed : {true, false}) {
        if (unnamed && !tryUnnamed)
            continue;
        NewFile file(dir.get(), info.fileName());
        if (const int error = file.create(unnamed)) {
            if (error == EACCES || error == EPERM)
                return writeInPlace(shown, target, bytes);
            failCreate(shown, SystemText(error));
        }
        if (!sameOwner && ::fchown(file.fd(), old.st_uid, old.st_gid) != 0) {
            // Only root may give a file away; a copy owned by us would shut
            // out the owner's display program.
            file.discard();
            return writeInPlace(shown, target, bytes);
        }
        if (::fchmod(file.fd(), old.st_mode & 07777) != 0)
            failCreate(shown, SystemText(errno));
        fill(file, shown, bytes);
        const int named = file.name();
        if (named == EXDEV && unnamed)
            continue; // no way to name an unnamed file here: start over with a named one
        if (named != 0)
            failCreate(shown, SystemText(named));
        if (const int error = file.renameOver())
            failCreate(shown, SystemText(error));
        syncDirectory(dir.get());
        return;
    }
}

// Creates the settings file; false when another program created it while
// we wrote ours (the caller then saves into that one).
bool createNew(const QString &shown, const QString &target, const Pieces &bytes, bool tryUnnamed)
{
    const QFileInfo info(target);
    const Fd dir = openDirectory(info.absolutePath());
    if (!dir.valid())
        failCreate(shown, SystemText(errno));
    removeLeftovers(dir.get(), info.fileName());
    for (bool unnamed : {true, false}) {
        if (unnamed && !tryUnnamed)
            continue;
        NewFile file(dir.get(), info.fileName());
        if (const int error = file.create(unnamed))
            failCreate(shown, SystemText(error));
        fill(file, shown, bytes);
        const int error = file.linkAsNew();
        if (error == EEXIST)
            return false;
        if (error == EXDEV && unnamed)
            continue;
        if (error != 0)
            failCreate(shown, SystemText(error));
        syncDirectory(dir.get());
        return true;
    }
    return true;
}

} // namespace

void WriteFileAtomically(const QString &path, QByteArrayView bytes)
{
    FileWriter(path).Update([bytes](std::optional<QByteArrayView>) { return Pieces{bytes}; });
}

FileWriter::FileWriter(QString path) : m_path(std::move(path)) {}

QString FileWriter::TempPrefix(const QString &fileName)
{
    return u'.' + fileName + QStringLiteral(".neu-");
}

bool FileWriter::Read(const std::function<void(QByteArrayView)> &use) const
{
    LockedFile file;
    if (!openLocked(m_path, false, m_lockWaitMs, file))
        return false;
    QByteArrayView bytes;
    if (const int error = files::ReadBuffer::ReadAll(file.fd.get(), file.st.st_size, bytes))
        failOpen(m_path, SystemText(error));
    struct Wiper {
        ~Wiper() { files::ReadBuffer::WipeLast(); }
    } wiper;
    use(bytes);
    // Under the lock no write of ours is under way: what carries our
    // temporary pattern was left by one that was killed.
    const QFileInfo target(realTarget(m_path));
    const Fd dir = openDirectory(target.absolutePath());
    if (dir.valid())
        removeLeftovers(dir.get(), target.fileName());
    return true;
}

void FileWriter::Update(const Build &build)
{
    for (int attempt = 0;; ++attempt) {
        LockedFile file;
        if (openLocked(m_path, true, m_lockWaitMs, file)) {
            // Another program may have changed the file since it was read:
            // the new content is built on what it holds now.
            QByteArrayView old;
            if (const int error = files::ReadBuffer::ReadAll(file.fd.get(), file.st.st_size, old))
                failOpen(m_path, SystemText(error));
            struct Wiper {
                ~Wiper() { files::ReadBuffer::WipeLast(); }
            } wiper;
            const Pieces bytes = build(old);
            const QString target = realTarget(m_path);
            // A file without its owner's write bit is read-only for everyone,
            // root included; the rest of its protection the system checks.
            if (!(file.st.st_mode & S_IWUSR))
                failCreate(m_path, SystemText(EACCES));
            if (::faccessat(AT_FDCWD, QFile::encodeName(target).constData(), W_OK, AT_EACCESS) != 0)
                failCreate(m_path, SystemText(errno));
            replaceExisting(m_path, target, file.st, bytes, m_unnamedTemp);
            return;
        }
        const Pieces bytes = build(std::nullopt);
        if (createNew(m_path, realTarget(m_path), bytes, m_unnamedTemp))
            return;
        if (attempt >= 3)
            failCreate(m_path, SystemText(EEXIST));
    }
}
