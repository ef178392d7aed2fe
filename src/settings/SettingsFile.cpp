#include "SettingsFile.h"

#include "Failure.h"
#include "IniDocument.h"
#include "NumberText.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

// An open settings file with an advisory lock: shared while reading, so
// others may read but not write; exclusive while a write replaces it.
class LockedFile
{
public:
    LockedFile() = default;
    LockedFile(const LockedFile &) = delete;
    LockedFile &operator=(const LockedFile &) = delete;
    ~LockedFile()
    {
        if (m_fd >= 0)
            ::close(m_fd); // closing drops the lock
    }

    // False when there is no file (a dangling link counts as none).
    bool open(const QString &path)
    {
        const QByteArray native = QFile::encodeName(path);
        struct stat st {};
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
        m_fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (m_fd < 0)
            failOpen(path, systemText(errno));
        if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode))
            failOpen(path, QStringLiteral("Keine reguläre Datei"));
        if (::flock(m_fd, LOCK_SH | LOCK_NB) != 0)
            failOpen(path, systemText(errno));
        return true;
    }

    QByteArray readAll(const QString &path) const
    {
        QByteArray bytes;
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                failOpen(path, systemText(errno));
            }
            if (got == 0)
                break;
            bytes.append(buffer, got);
        }
        return bytes;
    }

    void lockExclusive(const QString &path) const
    {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0)
            failCreate(path, systemText(errno));
    }

private:
    int m_fd = -1;
};

IniDocument load(const QString &path, LockedFile &file)
{
    if (!file.open(path))
        return IniDocument();
    const DecodedText decoded = DecodeSettingsText(file.readAll(path));
    return IniDocument::parse(decoded.text, decoded.encoding);
}

} // namespace

SettingsFile::SettingsFile(QString path) : m_path(std::move(path)) {}

SettingsFile SettingsFile::beside(const QString &directory)
{
    return SettingsFile(QDir(directory).absoluteFilePath(QString::fromLatin1(kFileName)));
}

QString SettingsFile::ReadOption(const QString &key, const QString &def) const
{
    LockedFile file;
    const IniDocument doc = load(m_path, file);
    return doc.value(QString::fromLatin1(kSection), key).value_or(def);
}

bool SettingsFile::ReadOptionFlag(const QString &key, const QString &def) const
{
    return IsTrueFlag(ReadOption(key, def));
}

void SettingsFile::WriteOption(const QString &key, const QString &value)
{
    LockedFile file;
    IniDocument doc = load(m_path, file);
    const bool existed = doc.encoding() != TextEncoding::None;
    doc.setValue(QString::fromLatin1(kSection), key, value);
    const QByteArray bytes = EncodeSettingsText(doc.toText(), doc.encoding());

    // The new text goes to a temporary file beside the old one, which is then
    // replaced in one step: a crash or a full disk leaves the old file whole.
    QString target = m_path;
    if (existed) {
        file.lockExclusive(m_path);
        // Root may write anything; only the file's own protection counts here.
        if (::access(QFile::encodeName(m_path).constData(), W_OK) != 0)
            failCreate(m_path, systemText(errno));
        const QFileInfo info(m_path);
        if (info.isSymLink())
            target = info.canonicalFilePath(); // write through the link to its target
    } else {
        const QFileInfo info(m_path);
        if (info.isSymLink()) // dangling: create the file the link points to
            target = info.symLinkTarget();
    }
    QSaveFile out(target);
    out.setDirectWriteFallback(false);
    // Unbuffered, so a failing write reports at once and with its cause.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        failCreate(m_path, out.errorString());
    if (!existed) // it holds passwords in plain text
        out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // A full disk first cuts a write short without a cause; writing the rest
    // then fails with the system's text (EFBIG, ENOSPC).
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 n = out.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            failCreate(m_path, out.errorString());
        done += n;
    }
    if (!out.commit())
        failCreate(m_path, out.errorString());
}

void SettingsFile::WriteOptionFlag(const QString &key, bool flag)
{
    WriteOption(key, FlagText(flag));
}
