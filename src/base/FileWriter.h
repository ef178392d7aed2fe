#pragma once
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

// Replaces (or creates) the file at `path` with `bytes` in one step, crash-safe: a new file
// beside it, synced, renamed over it; mode/owner of an existing file kept, a new file gets
// the mode the umask gives (a document, no secret: a layout, a logo). Throws Failure
// with "Datei \"<path>\" kann nicht erstellt werden. <cause>" on failure; nothing changed then.
// Where no new file can take the old one's place, the file is rewritten in place under a
// journal, as FileWriter does; links are followed only as FileWriter follows them.
// False when the file held exactly these bytes already: nothing was written.
bool WriteFileAtomically(const QString &path, QByteArrayView bytes);

// A file other programs read and write too, read and replaced whole.
//
// Content the file holds already, byte for byte, is not written again: no
// new file, no journal; the file keeps its inode and modification time, and
// a program watching it sees nothing happen. Update and Replace say whether
// they wrote.
//
// A read takes a shared flock on the file, a write an exclusive one, so a
// reader never sees a half-written file and two writers never mix. A write
// is a transaction: under the lock the file is read afresh, the caller
// builds the new content from it, and the new content replaces the file in
// one step: a new file beside it (unnamed until it is complete where the
// filesystem allows), synced, given the old file's mode, owner and group,
// renamed over it, the folder synced. A killed process leaves the old or
// the new complete file; a failed sync of the folder is reported like any
// other failed step, as the new file may not outlive a power cut. Where no new file can take the old one's
// place (a folder we may not create files in, an owner a new file could not keep), the file is rewritten in
// place, journaled: the new text goes into a journal in the user's state folder first, synced, and a rewrite
// a killed process left unfinished is finished by the next read or write of the file (under the exclusive
// lock) before anything else.
//
// The file may be a symbolic link; it is followed only when it belongs to
// the user running the program or to root. Leftover new files of a killed
// write are removed only under an exclusive flock on the folder, which
// every write holds while its new file exists.
//
// Failures throw Failure with the operator's message: reading
// "Datei <path> kann nicht geöffnet werden. <cause>", writing
// "Datei \"<path>\" kann nicht erstellt werden. <cause>".
class FileWriter
{
  public:
    // How long a read or a write waits for another program's lock to go.
    static constexpr int kDefaultLockWaitMs = 2000;

    explicit FileWriter(QString path);

    const QString &path() const { return m_path; }
    void setLockWait(int milliseconds) { m_lockWaitMs = milliseconds; }
    // Off: new files are named from the start, as on filesystems without
    // unnamed temporary files (O_TMPFILE).
    void setUnnamedTempFiles(bool on) { m_unnamedTemp = on; }
    // On: the file is always rewritten in place, journaled, as where its
    // folder lets us create no file.
    void setRewriteInPlace(bool on) { m_inPlace = on; }
    // The largest file Read and Update read: a larger one is refused with
    // "Sie ist größer als ..." before a byte of it is read. Negative (the
    // default): no bound.
    void setSizeLimit(qint64 bytes) { m_sizeLimit = bytes; }
    // On (the default): a file this writer creates is the owner's alone,
    // 0600, as a file that holds passwords must be. Off: it gets the mode
    // the umask gives (0666 & ~umask), as any document. A replaced file
    // keeps its mode either way.
    void setNewFilesPrivate(bool on) { m_private = on; }

    // Reads the whole file once and hands its bytes to `use`; they are valid
    // during the call only and overwritten afterwards (they may hold
    // passwords). False, without calling `use`, when there is no file. A
    // journal left for the file is finished first, under the exclusive lock.
    bool Read(const std::function<void(QByteArrayView bytes)> &use) const;

    // The new content, as pieces written one after the other; they may point
    // into the old content and must stay valid until the write is done.
    using Pieces = std::vector<QByteArrayView>;
    // `old` is the file's content read under the lock, none when there is no
    // file. It may be called more than once (a file another program created
    // meanwhile is read and built on instead); when it throws, nothing is
    // written.
    using Build = std::function<Pieces(std::optional<QByteArrayView> old)>;
    // False when the content built is the old one: nothing was written.
    bool Update(const Build &build);
    // Replaces the file's content with `bytes`, as an Update that ignores the
    // old content; the old file is not read unless it must be rewritten in
    // place or is as long as `bytes`. False when it held them already.
    bool Replace(QByteArrayView bytes);
    // What Update would do, without writing: whether the content built on
    // the file as it is now (read under the shared lock) differs from it.
    // True when there is no file; `build` is then given none.
    bool WouldChange(const Build &build) const;

    // Prefix of the names of the new files a write puts beside the file
    // before it renames one over it; leftovers of a killed write carry it
    // and are removed by the next read or write.
    static QString TempPrefix(const QString &fileName);

    // Where the journals of rewrites in place are kept: the user's state
    // folder, $XDG_STATE_HOME/VADaroradarAdadad (~/.local/state/...).
    static QString JournalFolder();

  private:
    bool write(const Build &build, bool buildOnOld);

    QString m_path;
    int m_lockWaitMs = kDefaultLockWaitMs;
    bool m_unnamedTemp = true;
    bool m_inPlace = false;
    qint64 m_sizeLimit = -1;
    bool m_private = true;
};
