#include "FileWriter.h"

#include "Failure.h"
#include "FileSystem.h"
#include "InPlaceJournal.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
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

bool overLimit(const struct stat &st, qint64 limit)
{
    return limit >= 0 && qint64(st.st_size) > limit;
}

[[noreturn]] void failTooLarge(const QString &path, qint64 limit)
{
    const QString size = limit % (1024 * 1024) == 0 ? QStringLiteral("%1 MiB").arg(limit / (1024 * 1024))
                                                    : QStringLiteral("%1 Bytes").arg(limit);
    failOpen(path,
             QStringLiteral("Sie ist größer als %1; so große Dateien liest das Programm nicht.").arg(size));
}

// Reads the whole file into the thread's buffer; throws when it fails or
// the file is over `limit`.
QByteArrayView readWhole(const QString &path, int fd, const struct stat &st, qint64 limit)
{
    QByteArrayView bytes;
    const int error = files::ReadBuffer::ReadAll(fd, st.st_size, bytes, limit);
    if (error == EFBIG && limit >= 0)
        failTooLarge(path, limit);
    if (error != 0)
        failOpen(path, SystemText(error));
    return bytes;
}

// The file open for reading under a lock, with what it was when the lock
// was granted, and the path it was opened by (where its links lead).
struct LockedFile {
    Fd fd;
    struct stat st {
    };
    QString target;
};

// The path to open for `path` this time; throws when a link is not followed.
QString trustedTarget(const QString &path, bool exclusive)
{
    QString refusal;
    const QString target = files::FollowTrustedLinks(path, refusal);
    if (!refusal.isEmpty())
        (exclusive ? failCreate : failOpen)(path, refusal);
    return target;
}

// Checks what the path names now; false when there is no file.
bool checkKind(const QString &path, const QByteArray &native, struct stat &st)
{
    if (::lstat(native.constData(), &st) != 0) {
        if (errno == ENOENT)
            return false;
        failOpen(path, SystemText(errno));
    }
    if (S_ISLNK(st.st_mode)) // still a link: a loop, or too many links
        failOpen(path, SystemText(ELOOP));
    if (S_ISDIR(st.st_mode))
        failOpen(path, SystemText(EISDIR));
    if (!S_ISREG(st.st_mode))
        failOpen(path, QStringLiteral("Keine reguläre Datei"));
    return true;
}

// Opens and locks the file; false when there is none (a dangling link counts
// as none; `out.target` is then where it would be created). A save that held
// the lock while we waited has renamed a new file over the one we opened:
// then the new one is opened and locked instead.
bool openLocked(const QString &path, bool exclusive, int waitMs, LockedFile &out)
{
    for (int attempt = 0;; ++attempt) {
        out.target = trustedTarget(path, exclusive);
        const QByteArray native = QFile::encodeName(out.target);
        struct stat st {
        };
        if (!checkKind(path, native, st))
            return false;
        // O_NONBLOCK: a FIFO swapped in after the check must not hang us;
        // O_NOFOLLOW: nor may a link swapped in lead us elsewhere.
        Fd fd(::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
        if (!fd.valid()) {
            if ((errno == ENOENT || errno == ELOOP) && attempt < 10)
                continue; // replaced or removed in between: look again
            failOpen(path, SystemText(errno));
        }
        if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
            failOpen(path, QStringLiteral("Keine reguläre Datei"));
        if (const int error = files::LockWithin(fd.get(), exclusive ? LOCK_EX : LOCK_SH, waitMs))
            (exclusive ? failCreate : failOpen)(path, SystemText(error));
        struct stat now {
        };
        const bool same =
            ::lstat(native.constData(), &now) == 0 && now.st_ino == st.st_ino && now.st_dev == st.st_dev;
        if (same || attempt >= 10) {
            out.fd = std::move(fd);
            out.st = st;
            return true;
        }
    }
}

QString folderOf(const QString &target)
{
    const qsizetype slash = target.lastIndexOf(u'/');
    if (slash < 0)
        return QStringLiteral(".");
    return target.left(std::max<qsizetype>(slash, 1)); // "/" for a file in the root
}

QString nameOf(const QString &target)
{
    return target.mid(target.lastIndexOf(u'/') + 1);
}

bool isTempName(const char *name, const QByteArray &prefix)
{
    const size_t n = std::strlen(name);
    return n == size_t(prefix.size()) + 6 &&
           std::strncmp(name, prefix.constData(), size_t(prefix.size())) == 0;
}

// Removes what a killed save left behind in the directory: files of our own
// temporary pattern for this file. Only called while we hold the folder's
// exclusive lock, which every writer of ours holds from making its new
// file to renaming it, so none of theirs is among them.
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

// The folder the file lives in, locked exclusively: a flock on the folder
// itself, not a lock file, so nothing is added beside the file. It guards
// our new files and the moment a file is created, which the file's own
// lock cannot while there is no file.
Fd lockFolder(const QString &shown, const QString &target, int waitMs)
{
    Fd dir = openDirectory(folderOf(target));
    if (!dir.valid())
        failCreate(shown, SystemText(errno));
    if (const int error = files::LockWithin(dir.get(), LOCK_EX, waitMs))
        failCreate(shown, SystemText(error));
    return dir;
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

    // 0 or the errno that stopped the creation. A private file is 0600
    // whatever the umask: until the rename only we can read it (it holds
    // passwords); any other gets the mode the umask gives.
    int create(bool unnamed, bool privateFile)
    {
        const mode_t mode = privateFile ? 0600 : 0666;
        const auto made = [this, privateFile] {
            return !privateFile || ::fchmod(m_fd.get(), 0600) == 0 ? 0 : errno;
        };
        if (unnamed) {
            m_fd = Fd(::openat(m_dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
            if (m_fd.valid())
                return made();
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
                return errno;
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = randomTempName(m_fileName);
            m_fd = Fd(::openat(m_dirFd, name.constData(),
                               O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, mode));
            if (m_fd.valid()) {
                m_name = name;
                return made();
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

[[noreturn]] void failCreateBecause(const QString &shown, int error, const QString &more = QString())
{
    const QString cause = error == ESTALE
                              ? QStringLiteral("Die Datei ist inzwischen durch eine andere ersetzt worden.")
                              : SystemText(error);
    failCreate(shown, more.isEmpty() ? cause : cause + u' ' + more);
}

QByteArray joined(const Pieces &pieces)
{
    QByteArray out;
    out.reserve(files::TotalSize(pieces));
    for (QByteArrayView piece : pieces)
        out.append(piece);
    return out;
}

// The one rule for every write: content the file holds already is not
// written again.
bool sameContent(QByteArrayView old, const Pieces &pieces)
{
    if (files::TotalSize(pieces) != old.size())
        return false;
    qsizetype at = 0;
    for (QByteArrayView piece : pieces) {
        if (old.sliced(at, piece.size()) != piece)
            return false;
        at += piece.size();
    }
    return true;
}

// Rewrites the file in place: for a folder we may not create files in, and
// for a file whose owner a new file could not keep. The journal holds the
// new text before the first old byte is overwritten, so a killed rewrite is
// finished by the next start; a rewrite that fails puts the old text back.
void writeInPlace(const QString &shown, const LockedFile &file, QByteArrayView old, const Pieces &bytes)
{
    QByteArray text = joined(bytes);
    const files::WipeOnExit wiper(text);
    Fd out;
    if (const int error = files::OpenSameForWriting(file.target, file.st, out))
        failCreateBecause(shown, error);
    journal::Entry entry(file.target, file.st, old, text,
                         [&shown](const QString &cause) { failCreate(shown, cause); });
    const int error = files::Overwrite(out.get(), text);
    if (error == 0) {
        entry.remove();
        return;
    }
    if (files::Overwrite(out.get(), old) == 0) {
        entry.remove();
        failCreateBecause(shown, error, QStringLiteral("Die Einstellungen wurden nicht gespeichert."));
    }
    failCreateBecause(
        shown, error,
        QStringLiteral("Die Datei ist möglicherweise beschädigt; die neuen Einstellungen liegen im "
                       "Journal %1 und werden beim nächsten Start übernommen.")
            .arg(entry.path()));
}

// The rename is only durable once the folder is on disk. A failure leaves
// the new complete file in place, which a power cut may still take back:
// the operator is told, as for any other failed step.
void syncDirectory(int dirFd, const QString &shown, const QString &target)
{
    if (::fsync(dirFd) == 0)
        return;
    failCreate(shown, SystemText(errno) +
                          QStringLiteral(" Die neue Datei steht an ihrem Platz, doch der Ordner %1 ließ sich "
                                         "nicht auf die Platte schreiben; nach einem Stromausfall kann die "
                                         "Änderung verloren sein.")
                              .arg(folderOf(target)));
}

// Fills a new file with the bytes; throws (the file then goes) on failure.
void fill(NewFile &file, const QString &shown, const Pieces &bytes)
{
    if (const int error = files::WriteAll(file.fd(), bytes))
        failCreate(shown, SystemText(error));
    if (::fsync(file.fd()) != 0)
        failCreate(shown, SystemText(errno));
}

// How one write goes.
struct WriteOptions {
    int lockWaitMs;
    bool unnamedTemp;
    bool inPlace;
    bool privateFiles;
};

// Replaces the existing, locked file by one with the bytes, keeping its
// mode, owner and group; `old` gives what it holds, asked for only when the
// file is rewritten in place.
void replaceExisting(const QString &shown, const LockedFile &file, const std::function<QByteArrayView()> &old,
                     const Pieces &bytes, const WriteOptions &options)
{
    if (options.inPlace)
        return writeInPlace(shown, file, old(), bytes);
    const Fd dir = lockFolder(shown, file.target, options.lockWaitMs);
    const QString name = nameOf(file.target);
    removeLeftovers(dir.get(), name);
    const bool sameOwner = file.st.st_uid == ::geteuid() && file.st.st_gid == ::getegid();
    for (bool unnamed : {true, false}) {
        if (unnamed && !options.unnamedTemp)
            continue;
        NewFile created(dir.get(), name);
        if (const int error = created.create(unnamed, true)) {
            if (error == EACCES || error == EPERM || error == EROFS)
                return writeInPlace(shown, file, old(), bytes);
            failCreate(shown, SystemText(error));
        }
        if (!sameOwner && ::fchown(created.fd(), file.st.st_uid, file.st.st_gid) != 0) {
            // Only root may give a file away; a copy owned by us would shut
            // out the owner's display program.
            created.discard();
            return writeInPlace(shown, file, old(), bytes);
        }
        if (::fchmod(created.fd(), file.st.st_mode & 07777) != 0)
            failCreate(shown, SystemText(errno));
        fill(created, shown, bytes);
        const int named = created.name();
        if (named == EXDEV && unnamed)
            continue; // no way to name an unnamed file here: start over with a named one
        if (named != 0)
            failCreate(shown, SystemText(named));
        if (const int error = created.renameOver())
            failCreate(shown, SystemText(error));
        syncDirectory(dir.get(), shown, file.target);
        return;
    }
}

// Creates the file; false when there is one by now (the caller then saves
// into that one).
bool createNew(const QString &shown, const QString &target, const Pieces &bytes, const WriteOptions &options)
{
    const Fd dir = lockFolder(shown, target, options.lockWaitMs);
    const QString name = nameOf(target);
    const QByteArray native = QFile::encodeName(name);
    struct stat st {
    };
    if (::fstatat(dir.get(), native.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT)
        return false;
    removeLeftovers(dir.get(), name);
    for (bool unnamed : {true, false}) {
        if (unnamed && !options.unnamedTemp)
            continue;
        NewFile file(dir.get(), name);
        if (const int error = file.create(unnamed, options.privateFiles))
            failCreate(shown, SystemText(error));
        fill(file, shown, bytes);
        const int error = file.linkAsNew();
        if (error == EEXIST)
            return false;
        if (error == EXDEV && unnamed)
            continue;
        if (error != 0)
            failCreate(shown, SystemText(error));
        syncDirectory(dir.get(), shown, target);
        return true;
    }
    return true;
}

// Finishes a rewrite in place that a killed process left in its journal;
// the file is then looked at afresh.
void recoverJournal(const QString &shown, LockedFile &file, bool exclusive)
{
    const bool rewritten =
        journal::Recover(file.target, file.fd.get(), file.st, [&shown, exclusive](const QString &cause) {
            (exclusive ? failCreate : failOpen)(shown, cause);
        });
    if (rewritten)
        ::fstat(file.fd.get(), &file.st);
}

// Wipes what the last read of this thread left in its buffer.
struct ReadWiper {
    ~ReadWiper() { files::ReadBuffer::WipeLast(); }
};

} // namespace

bool WriteFileAtomically(const QString &path, QByteArrayView bytes)
{
    FileWriter writer(path);
    writer.setNewFilesPrivate(false);
    return writer.Replace(bytes);
}

FileWriter::FileWriter(QString path) : m_path(std::move(path)) {}

QString FileWriter::TempPrefix(const QString &fileName)
{
    return u'.' + fileName + QStringLiteral(".neu-");
}

QString FileWriter::JournalFolder()
{
    return journal::StateFolder();
}

bool FileWriter::Read(const std::function<void(QByteArrayView)> &use) const
{
    LockedFile file;
    if (!openLocked(m_path, false, m_lockWaitMs, file)) {
        journal::Recover(file.target, -1, file.st, [](const QString &) {});
        return false;
    }
    if (overLimit(file.st, m_sizeLimit))
        failTooLarge(m_path, m_sizeLimit);
    if (journal::Waiting(file.target)) {
        // Finishing a journal writes the file: that takes the exclusive lock.
        file = LockedFile();
        if (!openLocked(m_path, true, m_lockWaitMs, file))
            return false;
        recoverJournal(m_path, file, false);
    }
    const QByteArrayView bytes = readWhole(m_path, file.fd.get(), file.st, m_sizeLimit);
    const ReadWiper wiper;
    use(bytes);
    // Under the folder's lock no write of ours is under way: what carries
    // our temporary pattern was left by one that was killed. A writer busy
    // in the folder just now will clean up itself.
    const Fd dir = openDirectory(folderOf(file.target));
    if (dir.valid() && ::flock(dir.get(), LOCK_EX | LOCK_NB) == 0)
        removeLeftovers(dir.get(), nameOf(file.target));
    return true;
}

bool FileWriter::Update(const Build &build)
{
    return write(build, true);
}

bool FileWriter::Replace(QByteArrayView bytes)
{
    return write([bytes](std::optional<QByteArrayView>) { return Pieces{bytes}; }, false);
}

bool FileWriter::WouldChange(const Build &build) const
{
    bool changes = true;
    if (!Read([&](QByteArrayView old) { changes = !sameContent(old, build(old)); }))
        build(std::nullopt);
    return changes;
}

bool FileWriter::write(const Build &build, bool buildOnOld)
{
    const WriteOptions options{m_lockWaitMs, m_unnamedTemp, m_inPlace, m_private};
    for (int attempt = 0;; ++attempt) {
        LockedFile file;
        if (openLocked(m_path, true, m_lockWaitMs, file)) {
            // Content built on the old file reads it: never one over the bound.
            if (buildOnOld && overLimit(file.st, m_sizeLimit))
                failTooLarge(m_path, m_sizeLimit);
            recoverJournal(m_path, file, true);
            // Another program may have changed the file since it was read:
            // the new content is built on what it holds now. Content that
            // does not depend on it (a logo, a layout: tens of megabytes)
            // reads it only for a rewrite in place, whose journal keeps it,
            // or when it is as long as the new content, which may be the same.
            QByteArrayView old;
            std::optional<ReadWiper> wiper;
            const auto readOld = [&]() -> QByteArrayView {
                if (wiper)
                    return old;
                old = readWhole(m_path, file.fd.get(), file.st, m_sizeLimit);
                wiper.emplace();
                return old;
            };
            const Pieces bytes = build(buildOnOld ? std::optional<QByteArrayView>(readOld()) : std::nullopt);
            if (file.st.st_size == files::TotalSize(bytes) && sameContent(readOld(), bytes))
                return false;
            // A file without its owner's write bit is read-only for everyone,
            // root included; the rest of its protection the system checks.
            if (!(file.st.st_mode & S_IWUSR))
                failCreate(m_path, SystemText(EACCES));
            if (::faccessat(AT_FDCWD, QFile::encodeName(file.target).constData(), W_OK, AT_EACCESS) != 0)
                failCreate(m_path, SystemText(errno));
            replaceExisting(m_path, file, readOld, bytes, options);
            return true;
        }
        const Pieces bytes = build(std::nullopt);
        if (createNew(m_path, file.target, bytes, options))
            return true;
        if (attempt >= 3)
            failCreate(m_path, SystemText(EEXIST));
    }
}
