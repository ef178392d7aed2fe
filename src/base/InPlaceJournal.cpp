#include "InPlaceJournal.h"

#include "FileSystem.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>
#include <vector>

using files::Fd;
using files::SystemText;

namespace journal
{
namespace
{

constexpr char kMagic[8] = {'V', 'A', 'D', 'J', 'O', 'U', 'R', 'N'};
constexpr quint32 kVersion = 1;
constexpr qsizetype kHeaderSize = 64;
const char kSuffix[] = ".journal";
const char kTempSuffix[] = ".journal.neu";

// What a journal holds besides the new text.
struct Header {
    quint32 version = kVersion;
    quint64 dev = 0, ino = 0;
    quint64 oldSize = 0, oldSum = 0, newSize = 0, newSum = 0;
    QByteArray path; // the file's path, as the system spells it
};

QByteArray encode(const Header &h)
{
    QByteArray out(kHeaderSize, '\0');
    char *p = out.data();
    std::memcpy(p, kMagic, 8);
    qToLittleEndian<quint32>(h.version, p + 8);
    qToLittleEndian<quint32>(quint32(h.path.size()), p + 12);
    const quint64 fields[] = {h.dev, h.ino, h.oldSize, h.oldSum, h.newSize, h.newSum};
    for (int i = 0; i < 6; ++i)
        qToLittleEndian<quint64>(fields[i], p + 16 + 8 * i);
    out += h.path;
    char sum[8];
    qToLittleEndian<quint64>(files::Checksum(out), sum);
    return out + QByteArray(sum, 8);
}

// Empty, or why the journal cannot be replayed; `text` is its new text.
QString decode(QByteArrayView bytes, Header &h, QByteArrayView &text)
{
    if (bytes.size() < kHeaderSize)
        return QStringLiteral("es ist abgeschnitten.");
    const char *p = bytes.data();
    if (std::memcmp(p, kMagic, 8) != 0)
        return QStringLiteral("es ist beschädigt.");
    h.version = qFromLittleEndian<quint32>(p + 8);
    if (h.version > kVersion)
        return QStringLiteral("es stammt von einer neueren Version des Programms.");
    const quint32 pathSize = qFromLittleEndian<quint32>(p + 12);
    quint64 *fields[] = {&h.dev, &h.ino, &h.oldSize, &h.oldSum, &h.newSize, &h.newSum};
    for (int i = 0; i < 6; ++i)
        *fields[i] = qFromLittleEndian<quint64>(p + 16 + 8 * i);
    if (pathSize > 65536 || bytes.size() < kHeaderSize + qsizetype(pathSize) + 8)
        return QStringLiteral("es ist abgeschnitten.");
    const qsizetype headerEnd = kHeaderSize + qsizetype(pathSize);
    if (files::Checksum(bytes.first(headerEnd)) != qFromLittleEndian<quint64>(p + headerEnd))
        return QStringLiteral("es ist beschädigt.");
    h.path = bytes.sliced(kHeaderSize, pathSize).toByteArray();
    text = bytes.sliced(headerEnd + 8);
    if (quint64(text.size()) < h.newSize)
        return QStringLiteral("es ist abgeschnitten.");
    if (quint64(text.size()) != h.newSize || files::Checksum(text) != h.newSum)
        return QStringLiteral("es ist beschädigt.");
    return QString();
}

void note(const QString &journal, const QString &why)
{
    const QByteArray line =
        QStringLiteral("Hinweis: Das Journal %1 wird nicht übernommen: %2\n").arg(journal, why).toUtf8();
    std::fputs(line.constData(), stderr);
}

QByteArray hex(quint64 value)
{
    return QByteArray::number(value, 16);
}

// Journals of one file's path start with this.
QByteArray prefixFor(const QString &target)
{
    return hex(files::Checksum(QFile::encodeName(target))) + '-';
}

// The state folder, created when `create`; invalid with `problem` set when
// it cannot be had or is not the user's own.
Fd openFolder(bool create, QString &problem)
{
    const QString folder = StateFolder();
    const QByteArray native = QFile::encodeName(folder);
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    Fd dir(::open(native.constData(), flags));
    if (!dir.valid() && errno == ENOENT && create) {
        const int madeParent = QDir().mkpath(QFileInfo(folder).path()) ? 0 : EACCES;
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
            problem = SystemText(madeParent ? madeParent : errno);
            return Fd();
        }
        dir = Fd(::open(native.constData(), flags));
    }
    struct stat st {
    };
    if (!dir.valid()) {
        problem = SystemText(errno);
        return Fd();
    }
    if (::fstat(dir.get(), &st) != 0 || st.st_uid != ::geteuid() || (st.st_mode & 022) != 0) {
        problem =
            QStringLiteral("Der Ordner gehört einem anderen Benutzer, oder andere dürfen in ihn schreiben.");
        return Fd();
    }
    return dir;
}

std::vector<QByteArray> namesWith(int dirFd, const QByteArray &prefix)
{
    std::vector<QByteArray> names;
    const int scanFd = ::dup(dirFd);
    DIR *dir = scanFd >= 0 ? ::fdopendir(scanFd) : nullptr;
    if (!dir) {
        if (scanFd >= 0)
            ::close(scanFd);
        return names;
    }
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name.startsWith(prefix) && (name.endsWith(kSuffix) || name.endsWith(kTempSuffix)))
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

// The whole journal, or empty with `why` set when it is not ours to read.
QByteArray readJournal(int dirFd, const QByteArray &name, QString &why)
{
    const Fd fd(::openat(dirFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {
    };
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
        why = SystemText(errno);
        return {};
    }
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 07777) != 0600) {
        why = QStringLiteral("es gehört nicht dem angemeldeten Benutzer, oder andere dürfen es lesen.");
        return {};
    }
    QByteArray bytes(qsizetype(st.st_size), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += n;
    }
    bytes.resize(got);
    return bytes;
}

// What the file holds now tells whether the journal's text is still to be
// written: a killed rewrite leaves the old size, the new one, or the
// larger of both (room taken first); anything else another program wrote.
enum class State { Done, Unfinished, ChangedByOthers };

State stateOf(int fd, const struct stat &st, const Header &h)
{
    // The size alone tells most cases: a file of any other size is never
    // read, however large it has grown.
    const quint64 size = quint64(st.st_size);
    if (size != h.oldSize && size != h.newSize && size != std::max(h.oldSize, h.newSize))
        return State::ChangedByOthers;
    if (size != h.newSize)
        return State::Unfinished;
    QByteArrayView now;
    if (::lseek(fd, 0, SEEK_SET) != 0 || files::ReadBuffer::ReadAll(fd, st.st_size, now) != 0)
        return State::Unfinished;
    const State state = quint64(now.size()) == h.newSize && files::Checksum(now) == h.newSum
                            ? State::Done
                            : State::Unfinished;
    files::ReadBuffer::WipeLast();
    ::lseek(fd, 0, SEEK_SET);
    return state;
}

// One journal of the file's path; true when its text was written.
bool recoverOne(int dirFd, const QByteArray &name, const QString &target, int fd, const struct stat &st,
                const Fail &fail)
{
    const QString where = StateFolder() + u'/' + QFile::decodeName(name);
    QString why;
    QByteArray bytes = readJournal(dirFd, name, why);
    const files::WipeOnExit wipe(bytes);
    if (!why.isEmpty()) {
        note(where, why);
        return false;
    }
    Header h;
    QByteArrayView text;
    why = decode(bytes, h, text);
    if (h.path != QFile::encodeName(target) && why.isEmpty())
        return false; // another path whose name sums alike
    if (!why.isEmpty()) {
        note(where, why);
        if (h.version <= kVersion) // a newer version may still need it
            ::unlinkat(dirFd, name.constData(), 0);
        return false;
    }
    if (fd < 0) {
        note(where, QStringLiteral("die Datei %1 gibt es nicht mehr.").arg(target));
        return false;
    }
    State state = h.dev != quint64(st.st_dev) || h.ino != quint64(st.st_ino) ? State::ChangedByOthers
                                                                             : stateOf(fd, st, h);
    if (state == State::ChangedByOthers)
        note(where, QStringLiteral("die Datei %1 ist inzwischen ersetzt oder geändert worden.").arg(target));
    if (state == State::Unfinished) {
        Fd out;
        int error = files::OpenSameForWriting(target, st, out);
        if (error == 0)
            error = files::Overwrite(out.get(), text);
        if (error != 0)
            fail(SystemText(error) +
                 QStringLiteral(" Die Datei ist möglicherweise beschädigt; die neuen Einstellungen liegen im "
                                "Journal %1.")
                     .arg(where));
    }
    ::unlinkat(dirFd, name.constData(), 0);
    return state == State::Unfinished;
}

} // namespace

QString StateFolder()
{
    QString root = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(root)) {
        QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty()) {
            const passwd *pw = ::getpwuid(::geteuid());
            home = pw ? QFile::decodeName(pw->pw_dir) : QStringLiteral("/");
        }
        root = home + QStringLiteral("/.local/state");
    }
    return root + QStringLiteral("/VADaroradarAdadad");
}

bool Waiting(const QString &target)
{
    const Fd dir(::open(QFile::encodeName(StateFolder()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir.valid() && !namesWith(dir.get(), prefixFor(target)).empty();
}

bool Recover(const QString &target, int fd, const struct stat &st, const Fail &fail)
{
    QString problem;
    const Fd dir = openFolder(false, problem);
    if (!dir.valid()) {
        // Journals in a folder others may write are never trusted.
        const Fd open(
            ::open(QFile::encodeName(StateFolder()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        for (const QByteArray &name :
             open.valid() ? namesWith(open.get(), prefixFor(target)) : std::vector<QByteArray>())
            note(StateFolder() + u'/' + QFile::decodeName(name), problem);
        return false;
    }
    bool rewritten = false;
    for (const QByteArray &name : namesWith(dir.get(), prefixFor(target))) {
        if (name.endsWith(kTempSuffix))
            ::unlinkat(dir.get(), name.constData(), 0); // cut off before it was complete
        else
            rewritten = recoverOne(dir.get(), name, target, fd, st, fail) || rewritten;
    }
    return rewritten;
}

namespace
{

// Gives the unnamed journal its name; 0 or the errno.
int linkUnnamed(int fd, int dirFd, const QByteArray &name)
{
    if (::linkat(fd, "", dirFd, name.constData(), AT_EMPTY_PATH) == 0)
        return 0;
    // Without CAP_DAC_READ_SEARCH: through the process's own fd entry.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    return ::linkat(AT_FDCWD, self.constData(), dirFd, name.constData(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

// Writes the journal under `name`; 0 or the errno, and nothing left then.
int writeJournal(int dirFd, const QByteArray &name, const QByteArray &header, QByteArrayView text)
{
    const QByteArray temp = name.left(name.size() - qsizetype(sizeof kSuffix - 1)) + kTempSuffix;
    ::unlinkat(dirFd, name.constData(), 0); // recovered or discarded before we got here
    Fd fd(::openat(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    const bool unnamed = fd.valid();
    if (!unnamed)
        fd = Fd(
            ::openat(dirFd, temp.constData(), O_CREAT | O_TRUNC | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.valid())
        return errno;
    int error = ::fchmod(fd.get(), 0600) == 0 ? files::WriteAll(fd.get(), {header, text}) : errno;
    // Named before it is synced: a journal cut short by a crash fails its
    // checksum, and the file was not touched before the sync below.
    if (error == 0)
        error = unnamed ? linkUnnamed(fd.get(), dirFd, name)
                        : (::renameat(dirFd, temp.constData(), dirFd, name.constData()) == 0 ? 0 : errno);
    if (error == 0 && (::fsync(fd.get()) != 0 || ::fsync(dirFd) != 0))
        error = errno;
    if (error != 0) {
        ::unlinkat(dirFd, unnamed ? name.constData() : temp.constData(), 0);
        ::unlinkat(dirFd, name.constData(), 0);
    }
    return error;
}

} // namespace

Entry::Entry(const QString &target, const struct stat &st, QByteArrayView oldText, QByteArrayView newText,
             const Fail &fail)
{
    QString problem;
    const Fd dir = openFolder(true, problem);
    if (!dir.valid())
        fail(QStringLiteral("Der Ordner %1 für das Journal ist nicht verwendbar: %2 Ohne Journal wird die "
                            "Datei nicht an Ort und Stelle überschrieben.")
                 .arg(StateFolder(), problem.endsWith(u'.') ? problem : problem + u'.'));
    Header h;
    h.dev = quint64(st.st_dev);
    h.ino = quint64(st.st_ino);
    h.oldSize = quint64(oldText.size());
    h.oldSum = files::Checksum(oldText);
    h.newSize = quint64(newText.size());
    h.newSum = files::Checksum(newText);
    h.path = QFile::encodeName(target);
    const QByteArray name = prefixFor(target) + hex(h.dev) + '-' + hex(h.ino) + kSuffix;
    if (const int error = writeJournal(dir.get(), name, encode(h), newText))
        fail(SystemText(error));
    m_path = StateFolder() + u'/' + QFile::decodeName(name);
}

void Entry::remove()
{
    if (!m_path.isEmpty())
        ::unlink(QFile::encodeName(m_path).constData());
    m_path.clear();
}

} // namespace journal
