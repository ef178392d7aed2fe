#pragma once
// The journal that makes rewriting a file in place crash-safe.
//
// Before the first byte of a file is overwritten in place, the full new
// text, the file's identity (device and inode) and checksums of the old and
// the new text go into a journal in the user's state folder
// ($XDG_STATE_HOME/VADaroradarAdadad, by default ~/.local/state/...), named
// after the file's path and identity, mode 0600, synced. Once the file holds
// the new text and is synced, the journal goes. The next read or write of
// the file finds a journal left by a process that was killed and writes its
// text again before anything else. A journal that is cut, damaged, from a
// newer version, not the user's own, or for a file that is gone or another
// by now is never replayed; stderr says why.
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <sys/stat.h>

namespace journal
{

// Throws the operator's message for the file with the cause given.
using Fail = std::function<void(const QString &cause)>;

// The folder journals live in.
QString StateFolder();

// Whether a journal for the file at `target` may be waiting; cheap, and
// without creating anything.
bool Waiting(const QString &target);

// Finishes what a killed rewrite of the file left: `fd` is the file open
// and locked exclusively (`st` what it was then), or -1 when there is no
// file. Journals that cannot be replayed are noted on stderr. When a
// journal's text cannot be written, `fail` is called. True when the file
// was rewritten.
bool Recover(const QString &target, int fd, const struct stat &st, const Fail &fail);

// A journal written and synced, removed by remove() once the file holds the
// new text; a journal not removed stays for the next start.
class Entry
{
  public:
    // Throws through `fail` when the journal cannot be written; nothing
    // has changed then.
    Entry(const QString &target, const struct stat &st, QByteArrayView oldText, QByteArrayView newText,
          const Fail &fail);
    const QString &path() const { return m_path; }
    void remove();

  private:
    QString m_path;
};

} // namespace journal
