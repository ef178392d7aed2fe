#include "SettingsFile.h"

#include "base/Failure.h"
#include "base/NumberText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void failOpen(const QString &path, const QString &cause)
{
    throw Failure(QStringLiteral("Datei %1 kann nicht geöffnet werden. %2").arg(path, cause));
}

[[noreturn]] void failCreate(const QString &path, const QString &cause)
{
    throw Failure(QStringLiteral("Datei \"%1\" kann nicht erstellt werden. %2").arg(path, cause));
}

QString readOption(const IniDocument &document, const QString &key, const QString &def)
{
    return document.value(QString::fromLatin1(SettingsFile::kSection), key).value_or(def);
}

bool hasLineBreakOrNul(const QString &text)
{
    for (QChar c : text) {
        if (c == u'\r' || c == u'\n' || c.unicode() == 0)
            return true;
    }
    return false;
}

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
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

  private:
    int m_fd = -1;
};

// Asks for the lock again and again until it is granted or `waitMs` is over:
// the display program holds its lock only while it reads the file.
int lockWithin(int fd, int operation, int waitMs)
{
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

// The settings file open for reading under a lock, with what it was when
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
            failOpen(path, systemText(errno));
        }
        if (S_ISDIR(st.st_mode))
            failOpen(path, systemText(EISDIR));
        if (!S_ISREG(st.st_mode))
            failOpen(path, QStringLiteral("Keine reguläre Datei"));
        // O_NONBLOCK: a FIFO swapped in after the check must not hang us.
        Fd fd(::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        if (!fd.valid()) {
            if (errno == ENOENT && attempt < 10)
                continue; // replaced or removed in between: look again
            failOpen(path, systemText(errno));
        }
        if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
            failOpen(path, QStringLiteral("Keine reguläre Datei"));
        if (const int error = lockWithin(fd.get(), exclusive ? LOCK_EX : LOCK_SH, waitMs))
            fail(path, systemText(error));
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

// Reads the whole file into the buffer, which keeps its memory from one
// reading to the next: the save then reads into the pages the start has
// already touched instead of fresh ones.
QByteArrayView readAll(const QString &path, int fd, qint64 sizeHint)
{
    thread_local std::vector<char> buffer;
    constexpr size_t kChunk = 65536;
    size_t used = 0;
    if (sizeHint > 0 && size_t(sizeHint) + kChunk > buffer.size())
        buffer.resize(size_t(sizeHint) + kChunk);
    for (;;) {
        if (buffer.size() - used < kChunk)
            buffer.resize(std::max(buffer.size() * 2, used + kChunk));
        const ssize_t got = ::read(fd, buffer.data() + used, buffer.size() - used);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            failOpen(path, systemText(errno));
        }
        if (got == 0)
            break;
        used += size_t(got);
    }
    return QByteArrayView(buffer.data(), qsizetype(used));
}

// The new content of the file, as pieces written one after the other.
using Pieces = std::vector<QByteArrayView>;

qsizetype totalSize(const Pieces &pieces)
{
    qsizetype size = 0;
    for (QByteArrayView piece : pieces)
        size += piece.size();
    return size;
}

// 0 or the errno of the write that failed. A full disk first cuts a write
// short without a cause; writing the rest then fails with it.
int writeAll(int fd, const Pieces &pieces, off_t offset = -1)
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

// The bytes a save writes over `old`. A file already in the form a save
// writes keeps every byte outside its first section "Optionen": only that
// section is read, changed and written anew, so a save costs little more
// than writing the file. Any other file is read whole and written as the
// document it gives.
Pieces planSave(QByteArrayView old, const SaveWrites &writes, QByteArray &built)
{
    if (const auto span = FindSectionInNormalFile(old, SettingsFile::kSection)) {
        const QByteArrayView section = old.sliced(span->begin, span->end - span->begin);
        if (span->encoding == TextEncoding::Utf8) {
            built = ApplyWrites(IniDocument::fromBytes("\xEF\xBB\xBF" + section.toByteArray()), writes);
            built.remove(0, 3); // the mark stays where it is, at the start of the file
        } else {
            built = ApplyWrites(IniDocument::fromBytes(section.toByteArray()), writes);
        }
        return {old.first(span->begin), built, old.sliced(span->end)};
    }
    built = ApplyWrites(IniDocument::fromBytes(QByteArray::fromRawData(old.data(), old.size())), writes);
    return {built};
}

// The file the settings live in: the path itself, or where a link points.
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
    const QByteArray prefix = QFile::encodeName(SettingsFile::TempPrefix(fileName));
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
    QByteArray name = QFile::encodeName(SettingsFile::TempPrefix(fileName));
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
        failCreate(shown, systemText(errno));
    struct stat st {
    };
    const qsizetype size = totalSize(bytes);
    if (::fstat(out.get(), &st) == 0 && size > st.st_size) {
        const int error = ::posix_fallocate(out.get(), 0, off_t(size));
        if (error != 0 && error != EOPNOTSUPP && error != EINVAL)
            failCreate(shown, systemText(error));
    }
    if (const int error = writeAll(out.get(), bytes, 0))
        failCreate(shown, systemText(error));
    if (::ftruncate(out.get(), off_t(size)) != 0 || ::fsync(out.get()) != 0)
        failCreate(shown, systemText(errno));
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
    if (const int error = writeAll(file.fd(), bytes))
        failCreate(shown, systemText(error));
    if (::fsync(file.fd()) != 0)
        failCreate(shown, systemText(errno));
}

// Replaces the existing, locked settings file by one with the bytes,
// keeping its mode, owner and group.
void replaceExisting(const QString &shown, const QString &target, const struct stat &old, const Pieces &bytes,
                     bool tryUnnamed)
{
    const QFileInfo info(target);
    const Fd dir = openDirectory(info.absolutePath());
    if (!dir.valid())
        failCreate(shown, systemText(errno));
    removeLeftovers(dir.get(), info.fileName());
    const bool sameOwner = old.st_uid == ::geteuid() && old.st_gid == ::getegid();
    for (bool unnamed : {true, false}) {
        if (unnamed && !tryUnnamed)
            continue;
        NewFile file(dir.get(), info.fileName());
        if (const int error = file.create(unnamed)) {
            if (error == EACCES || error == EPERM)
                return writeInPlace(shown, target, bytes);
            failCreate(shown, systemText(error));
        }
        if (!sameOwner && ::fchown(file.fd(), old.st_uid, old.st_gid) != 0) {
            // Only root may give a file away; a copy owned by us would shut
            // out the owner's display program.
            file.discard();
            return writeInPlace(shown, target, bytes);
        }
        if (::fchmod(file.fd(), old.st_mode & 07777) != 0)
            failCreate(shown, systemText(errno));
        fill(file, shown, bytes);
        const int named = file.name();
        if (named == EXDEV && unnamed)
            continue; // no way to name an unnamed file here: start over with a named one
        if (named != 0)
            failCreate(shown, systemText(named));
        if (const int error = file.renameOver())
            failCreate(shown, systemText(error));
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
        failCreate(shown, systemText(errno));
    removeLeftovers(dir.get(), info.fileName());
    for (bool unnamed : {true, false}) {
        if (unnamed && !tryUnnamed)
            continue;
        NewFile file(dir.get(), info.fileName());
        if (const int error = file.create(unnamed))
            failCreate(shown, systemText(error));
        fill(file, shown, bytes);
        const int error = file.linkAsNew();
        if (error == EEXIST)
            return false;
        if (error == EXDEV && unnamed)
            continue;
        if (error != 0)
            failCreate(shown, systemText(error));
        syncDirectory(dir.get());
        return true;
    }
    return true;
}

} // namespace

bool OptionReader::ReadOptionFlag(const QString &key, const QString &def) const
{
    return IsTrueFlag(ReadOption(key, def));
}

void OptionWriter::WriteOptionFlag(const QString &key, bool flag)
{
    WriteOption(key, FlagText(flag));
}

QString SettingsSnapshot::ReadOption(const QString &key, const QString &def) const
{
    return readOption(m_document, key, def);
}

void SettingsEdit::WriteOption(const QString &key, const QString &value)
{
    if (hasLineBreakOrNul(value))
        throw Failure(QStringLiteral("Der Wert für %1 enthält einen Zeilenumbruch oder ein NUL-Zeichen und "
                                     "wird deshalb nicht gespeichert. Bitte den Wert im Feld korrigieren")
                          .arg(key));
    // Reading the file back trims the value written before this one.
    if (m_lastWritten)
        m_document.normaliseLine(*m_lastWritten);
    m_lastWritten = m_document.setValue(QString::fromLatin1(SettingsFile::kSection), key, value);
}

QString SettingsEdit::ReadOption(const QString &key, const QString &def) const
{
    return readOption(m_document, key, def);
}

QByteArray ApplyWrites(IniDocument document, const SaveWrites &writes)
{
    SettingsEdit edit(document);
    writes(edit);
    return document.toBytes();
}

QByteArray ApplyWritesToFile(QByteArrayView file, const SaveWrites &writes)
{
    QByteArray built;
    QByteArray out;
    for (QByteArrayView piece : planSave(file, writes, built))
        out += piece;
    return out;
}

SettingsFile::SettingsFile(QString path) : m_path(std::move(path)) {}

SettingsFile SettingsFile::beside(const QString &directory)
{
    return SettingsFile(QDir(directory).absoluteFilePath(QString::fromLatin1(kFileName)));
}

QString SettingsFile::TempPrefix(const QString &fileName)
{
    return u'.' + fileName + QStringLiteral(".neu-");
}

SettingsSnapshot SettingsFile::Load() const
{
    LockedFile file;
    if (!openLocked(m_path, false, m_lockWaitMs, file))
        return SettingsSnapshot();
    const QByteArrayView bytes = readAll(m_path, file.fd.get(), file.st.st_size);
    IniDocument document = IniDocument::fromBytes(QByteArray::fromRawData(bytes.data(), bytes.size()));
    // Under the lock no save of ours is under way: what carries our
    // temporary pattern was left by one that was killed.
    const QFileInfo target(realTarget(m_path));
    const Fd dir = openDirectory(target.absolutePath());
    if (dir.valid())
        removeLeftovers(dir.get(), target.fileName());
    return SettingsSnapshot(std::move(document));
}

void SettingsFile::Update(const SaveWrites &writes)
{
    for (int attempt = 0;; ++attempt) {
        LockedFile file;
        if (openLocked(m_path, true, m_lockWaitMs, file)) {
            // Another program may have changed the file since the start:
            // the writes go into what it holds now.
            QByteArray built;
            const Pieces bytes = planSave(readAll(m_path, file.fd.get(), file.st.st_size), writes, built);
            const QString target = realTarget(m_path);
            // A file without its owner's write bit is read-only for everyone,
            // root included; the rest of its protection the system checks.
            if (!(file.st.st_mode & S_IWUSR))
                failCreate(m_path, systemText(EACCES));
            if (::faccessat(AT_FDCWD, QFile::encodeName(target).constData(), W_OK, AT_EACCESS) != 0)
                failCreate(m_path, systemText(errno));
            replaceExisting(m_path, target, file.st, bytes, m_unnamedTemp);
            return;
        }
        const QByteArray built = ApplyWrites(IniDocument(), writes);
        if (createNew(m_path, realTarget(m_path), {built}, m_unnamedTemp))
            return;
        if (attempt >= 3)
            failCreate(m_path, systemText(EEXIST));
    }
}

QString SettingsFile::ReadOption(const QString &key, const QString &def) const
{
    return Load().ReadOption(key, def);
}

void SettingsFile::WriteOption(const QString &key, const QString &value)
{
    Update([&](SettingsEdit &edit) { edit.WriteOption(key, value); });
}
