#include "cli/LogoFile.h"

#include "base/Failure.h"
#include "base/FileWriter.h"
#include "layout/LayoutFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

[[noreturn]] void failOpen(const QString &path, const QString &cause)
{
    throw Failure(QStringLiteral("Datei %1 kann nicht geöffnet werden. %2").arg(path, cause));
}

} // namespace

QString LogoBeside(const QString &settingsPath)
{
    return QFileInfo(settingsPath).absoluteDir().absoluteFilePath(QStringLiteral("logo.png"));
}

QByteArray ReadLogoFile(const QString &path)
{
    // Non-blocking: a FIFO put in the logo's place must not hang us.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        failOpen(path, QString::fromLocal8Bit(std::strerror(errno)));
    QFile file;
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFile::AutoCloseHandle)) {
        ::close(fd);
        failOpen(path, QStringLiteral("Keine reguläre Datei"));
    }
    const qint64 budget = LayoutLogoBudget();
    if (st.st_size > budget)
        throw Failure(
            QStringLiteral("Das Logo %1 ist mit %2 Bytes zu groß für ein Layout (höchstens %3 Bytes)")
                .arg(path)
                .arg(qint64(st.st_size))
                .arg(budget));
    // One byte over the budget at most, should the file grow meanwhile.
    const QByteArray bytes = file.read(budget + 1);
    if (bytes.size() > budget)
        throw Failure(QStringLiteral("Das Logo %1 ist zu groß für ein Layout").arg(path));
    return bytes;
}

void WriteLogoFile(const QString &path, QByteArrayView png)
{
    WriteFileAtomically(path, png);
}
