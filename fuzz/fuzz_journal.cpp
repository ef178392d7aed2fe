// The journal a killed rewrite in place left for a file, built from fuzzed
// fields with the checksums written right around them (unless a field says
// otherwise), so the replay's decisions themselves are fuzzed: the file's
// identity, the sizes, the version, the path, the text, the state the file
// is in by the next start. Whatever the journal holds, the file afterwards
// holds its old bytes or exactly the journal's text, the journal's text
// only when the journal was made for this very file and the file is in a
// state a killed rewrite leaves, and then always.
//
// The input, read front to back (missing bytes read as zero, so an empty
// input is a journal made right for a file that still holds its old text):
//   byte   what is fuzzed (a set bit: the field comes from the input, not
//          from the file): 0 identity, 1 path, 2 version, 3 header
//          checksum, 4 new size, 5 new checksum, 6 magic, 7 others may read
//          the journal
//   byte   bits 0-2 what the file holds by then (0 the old text, 1 the new
//          text, 2 the new text torn over the old, 3 the old text with room
//          for the new taken, 4 other bytes, 5 no file, 6 the old text in
//          another file moved into its place); 3 the journal has the name of
//          one cut off before it was complete; 4 the journal is cut short;
//          5 bytes follow the journal's text; 6 the path's length field is
//          fuzzed; 7 the old size is fuzzed
//   then, for each field fuzzed, in this order: dev, ino (8 bytes each),
//   version (4), header checksum (8), new size (8), new checksum (8), magic
//   (8), path (1 length byte and the bytes), path length (4), old size (8),
//   the cut (2), the bytes after the text (1 length byte and the bytes);
//   the torn length (2) for state 2, the other bytes (1 length byte and
//   the bytes) for state 4; the old text (1 length byte and the bytes); the
//   new text: the rest.
#include "FuzzSupport.h"

#include "base/Failure.h"
#include "base/FileSystem.h"
#include "base/FileWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// The journal's form, as the writer lays it out.
constexpr char kMagic[8] = {'V', 'A', 'D', 'J', 'O', 'U', 'R', 'N'};
constexpr quint32 kVersion = 1;
constexpr qsizetype kHeaderSize = 64;

class Input
{
  public:
    Input(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    quint8 byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    quint64 number(int bytes)
    {
        quint64 value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= quint64(byte()) << (8 * i);
        return value;
    }
    QByteArray bytes(size_t count)
    {
        const size_t n = std::min(count, m_size - m_at);
        const QByteArray out(reinterpret_cast<const char *>(m_data + m_at), qsizetype(n));
        m_at += n;
        return out;
    }
    QByteArray counted() { return bytes(byte()); }
    QByteArray rest() { return bytes(m_size - m_at); }

  private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_at = 0;
};

enum Fuzzed : quint8 {
    Identity = 1,
    Path = 2,
    Version = 4,
    HeaderSum = 8,
    NewSize = 16,
    NewSum = 32,
    Magic = 64,
    OthersMayRead = 128,
};

enum Shape : quint8 {
    TempName = 8,
    Cut = 16,
    Trailing = 32,
    PathLength = 64,
    OldSize = 128,
};

enum class FileState { Old, New, Torn, RoomTaken, Other, None, Moved };

bool WriteFile(const QString &path, QByteArrayView bytes, mode_t mode = 0600)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    const bool written =
        fd >= 0 && ::write(fd, bytes.data(), size_t(bytes.size())) == bytes.size() && ::fchmod(fd, mode) == 0;
    if (fd >= 0)
        ::close(fd);
    return written;
}

std::optional<QByteArray> ReadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

struct Setup {
    QTemporaryDir dir;
    QString target;
    QString moved;    // a file moved over the target for FileState::Moved
    QString journals; // the state folder's journal folder
};

// The notes about journals not replayed go to stderr: -close_fd_mask=2
// keeps them out of the fuzzer's own output.
const Setup &Once()
{
    static Setup setup = [] {
        Setup s;
        qputenv("XDG_STATE_HOME", QFile::encodeName(s.dir.path()));
        s.target = s.dir.path() + QStringLiteral("/DAZovozoved.ini");
        s.moved = s.dir.path() + QStringLiteral("/anderes.ini");
        s.journals = s.dir.path() + QStringLiteral("/VADaroradarAdadad");
        if (!QDir().mkpath(s.journals) || ::chmod(QFile::encodeName(s.journals).constData(), 0700) != 0)
            std::abort();
        return s;
    }();
    return setup;
}

// The fields of one journal as the input gives them; a field not fuzzed
// is what the writer would write.
struct Fields {
    quint8 fuzzed = 0, shape = 0;
    std::optional<quint64> dev, ino, headerSum, newSize, newSum, oldSize;
    std::optional<quint32> version, pathLength;
    std::optional<QByteArray> magic, path;
    quint64 cut = 0;
    QByteArray trailing;
    FileState state = FileState::Old;
    quint64 torn = 0;
    QByteArray other;
    QByteArray oldText, newText;
};

Fields Read(Input &in)
{
    Fields f;
    f.fuzzed = in.byte();
    f.shape = in.byte();
    f.state = FileState(std::min<quint8>(f.shape & 7, quint8(FileState::Moved)));
    const auto number = [&in](bool on, int bytes) {
        return on ? std::optional<quint64>(in.number(bytes)) : std::nullopt;
    };
    f.dev = number(f.fuzzed & Identity, 8);
    f.ino = number(f.fuzzed & Identity, 8);
    if (f.fuzzed & Version)
        f.version = quint32(in.number(4));
    f.headerSum = number(f.fuzzed & HeaderSum, 8);
    f.newSize = number(f.fuzzed & NewSize, 8);
    f.newSum = number(f.fuzzed & NewSum, 8);
    if (f.fuzzed & Magic)
        f.magic = in.bytes(8).leftJustified(8, '\0');
    if (f.fuzzed & Path)
        f.path = in.counted();
    if (f.shape & PathLength)
        f.pathLength = quint32(in.number(4));
    f.oldSize = number(f.shape & OldSize, 8);
    if (f.shape & Cut)
        f.cut = in.number(2);
    if (f.shape & Trailing)
        f.trailing = in.counted();
    if (f.state == FileState::Torn)
        f.torn = in.number(2);
    if (f.state == FileState::Other)
        f.other = in.counted();
    f.oldText = in.counted();
    f.newText = in.rest();
    return f;
}

QByteArray Hex(quint64 value)
{
    return QByteArray::number(value, 16);
}

// The journal's bytes, laid out as the writer lays them out.
QByteArray Encode(const Fields &f, const struct stat &st, const QByteArray &realPath)
{
    const QByteArray path = f.path.value_or(realPath);
    QByteArray out(kHeaderSize, '\0');
    char *p = out.data();
    std::memcpy(p, f.magic ? f.magic->constData() : kMagic, 8);
    qToLittleEndian<quint32>(f.version.value_or(kVersion), p + 8);
    qToLittleEndian<quint32>(f.pathLength.value_or(quint32(path.size())), p + 12);
    const quint64 fields[] = {f.dev.value_or(quint64(st.st_dev)),
                              f.ino.value_or(quint64(st.st_ino)),
                              f.oldSize.value_or(quint64(f.oldText.size())),
                              files::Checksum(f.oldText),
                              f.newSize.value_or(quint64(f.newText.size())),
                              f.newSum.value_or(files::Checksum(f.newText))};
    for (int i = 0; i < 6; ++i)
        qToLittleEndian<quint64>(fields[i], p + 16 + 8 * i);
    out += path;
    char sum[8];
    qToLittleEndian<quint64>(f.headerSum.value_or(files::Checksum(out)), sum);
    out += QByteArray(sum, 8) + f.newText + f.trailing;
    if (f.cut > 0 && qsizetype(f.cut) < out.size())
        out.truncate(qsizetype(f.cut));
    return out;
}

// What a journal made for this file holds: one as the writer writes it for
// the file as it is now, every field as it says, the checksums right.
struct Replayable {
    QByteArray text;
    quint64 oldSize = 0;
};

std::optional<Replayable> MadeForThisFile(const QByteArray &journal, const Fields &f, const struct stat &now,
                                          const QByteArray &realPath)
{
    if (f.shape & TempName || f.fuzzed & OthersMayRead)
        return std::nullopt;
    const QByteArrayView bytes(journal);
    if (bytes.size() < kHeaderSize + 8 || std::memcmp(bytes.data(), kMagic, 8) != 0)
        return std::nullopt;
    const char *p = bytes.data();
    const quint32 pathLength = qFromLittleEndian<quint32>(p + 12);
    if (qFromLittleEndian<quint32>(p + 8) > kVersion || pathLength > 65536 ||
        bytes.size() < kHeaderSize + qsizetype(pathLength) + 8)
        return std::nullopt;
    const qsizetype headerEnd = kHeaderSize + qsizetype(pathLength);
    const QByteArrayView text = bytes.sliced(headerEnd + 8);
    const bool made = files::Checksum(bytes.first(headerEnd)) == qFromLittleEndian<quint64>(p + headerEnd) &&
                      bytes.sliced(kHeaderSize, pathLength) == realPath &&
                      qFromLittleEndian<quint64>(p + 16) == quint64(now.st_dev) &&
                      qFromLittleEndian<quint64>(p + 24) == quint64(now.st_ino) &&
                      qFromLittleEndian<quint64>(p + 48) == quint64(text.size()) &&
                      qFromLittleEndian<quint64>(p + 56) == files::Checksum(text);
    if (!made)
        return std::nullopt;
    return Replayable{text.toByteArray(), qFromLittleEndian<quint64>(p + 32)};
}

// What the file holds when the next start comes; false when it could not
// be made.
bool MakeFile(const Setup &s, const Fields &f)
{
    switch (f.state) {
    case FileState::Old:
        return true;
    case FileState::New:
        return WriteFile(s.target, f.newText);
    case FileState::Torn: {
        const qsizetype at = qsizetype(f.torn % quint64(f.newText.size() + 1));
        return WriteFile(s.target, f.newText.left(at) + f.oldText.mid(at));
    }
    case FileState::RoomTaken:
        return WriteFile(s.target,
                         f.oldText.leftJustified(std::max(f.oldText.size(), f.newText.size()), '\0'));
    case FileState::Other:
        return WriteFile(s.target, f.other);
    case FileState::None:
        return QFile::remove(s.target);
    case FileState::Moved:
        return WriteFile(s.moved, f.oldText) &&
               ::rename(QFile::encodeName(s.moved).constData(), QFile::encodeName(s.target).constData()) == 0;
    }
    return false;
}

void RemoveJournals(const Setup &s)
{
    for (const QString &name : QDir(s.journals).entryList(QDir::Files | QDir::Hidden | QDir::System))
        QFile::remove(s.journals + u'/' + name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Setup &s = Once();
    Input in(data, size);
    const Fields f = Read(in);
    const QByteArray realPath = QFile::encodeName(s.target);
    // The file as the killed rewrite found it, and the journal it wrote.
    struct stat st {
    };
    if (!WriteFile(s.target, f.oldText) || ::stat(realPath.constData(), &st) != 0)
        return 0;
    const QByteArray journal = Encode(f, st, realPath);
    const QByteArray name = Hex(files::Checksum(realPath)) + '-' + Hex(quint64(st.st_dev)) + '-' +
                            Hex(quint64(st.st_ino)) + (f.shape & TempName ? ".journal.neu" : ".journal");
    RemoveJournals(s);
    if (!WriteFile(s.journals + u'/' + QFile::decodeName(name), journal,
                   f.fuzzed & OthersMayRead ? 0644 : 0600))
        return 0;
    // What happened to the file until the next start.
    if (!MakeFile(s, f))
        return 0;
    const std::optional<QByteArray> before = ReadFile(s.target);
    struct stat now {
    };
    const bool exists = ::stat(realPath.constData(), &now) == 0;

    std::optional<QByteArray> read;
    try {
        if (!FileWriter(s.target).Read([&read](QByteArrayView bytes) { read = bytes.toByteArray(); }))
            read.reset();
    } catch (const Failure &) {
        FUZZ_CHECK(false, "a journal, replayed or not, never stops the file from being read");
    }
    const std::optional<QByteArray> after = ReadFile(s.target);
    FUZZ_CHECK(read == after, "the read gives what the file holds");
    if (!exists || !before) {
        FUZZ_CHECK(!after, "no file is made from a journal");
        RemoveJournals(s);
        return 0;
    }
    const std::optional<Replayable> made = MadeForThisFile(journal, f, now, realPath);
    // A killed rewrite leaves the old size, the new one, or the larger of both.
    const auto unfinished = [&before](const Replayable &r) {
        const quint64 oldSize = r.oldSize, newSize = quint64(r.text.size()), size = quint64(before->size());
        return size == oldSize || size == newSize || size == std::max(oldSize, newSize);
    };
    FUZZ_CHECK(after == before || (made && after == made->text),
               "the file holds its old bytes or exactly the text of a journal made for it");
    if (after != before)
        FUZZ_CHECK(unfinished(*made),
                   "the journal's text only onto a file in a state a killed rewrite leaves");
    if (made && unfinished(*made))
        FUZZ_CHECK(after == made->text, "a journal made for this file is replayed");
    RemoveJournals(s);
    return 0;
}
