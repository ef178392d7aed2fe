#pragma once
#include "IniDocument.h"
#include "base/FileWriter.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Reads values of section "Optionen".
class OptionReader
{
  public:
    virtual ~OptionReader() = default;
    // The stored text, or def when the file, the section or the key is
    // missing; a key present with an empty value gives the empty text.
    virtual QString ReadOption(const QString &key, const QString &def) const = 0;
    bool ReadOptionFlag(const QString &key, const QString &def) const;
};

// Sets values of section "Optionen". A value with a line break or a NUL is
// refused with a Failure: it would end the line in the file and turn the
// rest of it into lines or sections of their own.
class OptionWriter
{
  public:
    virtual ~OptionWriter() = default;
    virtual void WriteOption(const QString &key, const QString &value) = 0;
    void WriteOptionFlag(const QString &key, bool flag);
};

// The settings file as it was read once: the start takes every key from it.
class SettingsSnapshot : public OptionReader
{
  public:
    explicit SettingsSnapshot(IniDocument document = {}, bool fromFile = false)
        : m_document(std::move(document)), m_fromFile(fromFile)
    {
    }
    QString ReadOption(const QString &key, const QString &def) const override;
    const IniDocument &document() const { return m_document; }
    // Whether a file was read; false where there was none (nor a link that
    // leads to one), and the document is empty.
    bool fromFile() const { return m_fromFile; }

  private:
    IniDocument m_document;
    bool m_fromFile = false;
};

// The writes of one save, applied in order to one document in memory. Each
// value written is kept in the form that reading the file back gives it
// (trimmed) once the next value is written, so a save of many keys stores
// exactly what that many separate writes of the file would. Reads see the
// file as read for the save, with the writes made so far.
class SettingsEdit : public OptionWriter, public OptionReader
{
  public:
    explicit SettingsEdit(IniDocument &document) : m_document(document) {}
    void WriteOption(const QString &key, const QString &value) override;
    QString ReadOption(const QString &key, const QString &def) const override;
    // The document with the writes made so far.
    const IniDocument &document() const { return m_document; }

  private:
    IniDocument &m_document;
    std::optional<IniDocument::LinePosition> m_lastWritten;
};

// The characters a save of `document` writes as "?" although they are none
// (UnencodableCharacters): none for a file with a UTF-8 or UTF-16 mark; for
// a file without one, and a new file, which is written without one too,
// those Windows-1252 lacks. A document as read from a file holds none of
// them: only values written since can. A message may name the characters,
// except those of a password (a key whose name contains "Passwort"): of a
// password only its key is named.
struct ReplacedCharacters {
    QList<char32_t> characters; // in the order of their first appearance
    QStringList passwordKeys;
    bool isEmpty() const { return characters.isEmpty() && passwordKeys.isEmpty(); }
    // Whether everything `other` replaces is replaced here too.
    bool covers(const ReplacedCharacters &other) const;
};
ReplacedCharacters CharactersASaveReplaces(const IniDocument &document);
// As a message names them: "日, 本, 語", "Ł und Zeichen in ZQKDPasswort"
// (NameCharacters).
QString NameReplacedCharacters(const ReplacedCharacters &replaced);

using SaveWrites = std::function<void(SettingsEdit &)>;

// The bytes a save of `writes` onto `document` (as it was read) produces.
QByteArray ApplyWrites(IniDocument document, const SaveWrites &writes);
// The same from the file's bytes, the way a save builds them: a file already
// in the form a save writes keeps all but its section "Optionen" as it is.
QByteArray ApplyWritesToFile(QByteArrayView file, const SaveWrites &writes);

// The settings file DAZovozoved.ini shared with the display program.
// A load reads it once under a shared lock. A save is one transaction: under
// an exclusive lock the file is read afresh, every write is applied to that
// document in memory, and the result replaces the file in one step (a new
// file beside it, synced, then renamed over it), so a reader sees the old
// or the new file, never a mixture, and changes another program made before
// the save survive. How the file is locked, replaced or rewritten in place
// under a journal is FileWriter's; this class knows sections and keys.
// Failures throw Failure with the operator's message.
class SettingsFile : public OptionReader, public OptionWriter
{
  public:
    static constexpr const char *kFileName = "DAZovozoved.ini";
    static constexpr const char *kSection = "Optionen";
    // How long a load or a save waits for another program's lock to go.
    static constexpr int kDefaultLockWaitMs = FileWriter::kDefaultLockWaitMs;
    // The largest settings file read. Real ones are kilobytes (a layout's
    // columns included); a larger file is refused before it is read, so a
    // stray huge file neither takes the memory nor is replaced by a save.
    static constexpr qint64 kMaxFileBytes = qint64(64) * 1024 * 1024;

    explicit SettingsFile(QString path);
    // The settings file in the given directory (the executable's).
    static SettingsFile beside(const QString &directory);

    const QString &path() const { return m_path; }
    void setLockWait(int milliseconds) { m_lockWaitMs = milliseconds; }
    // Off: new files are named from the start, as on filesystems without
    // unnamed temporary files (O_TMPFILE).
    void setUnnamedTempFiles(bool on) { m_unnamedTemp = on; }
    // On: the file is always rewritten in place, journaled, as where its
    // folder lets us create no file.
    void setRewriteInPlace(bool on) { m_inPlace = on; }

    // Reads the whole file once; no file gives an empty document.
    SettingsSnapshot Load() const;
    // One save: `writes` runs on the document read afresh under the lock;
    // when it throws, nothing is written. False when the bytes it gives are
    // the file's own: then nothing is written at all (FileWriter), the file
    // keeps its inode and modification time.
    bool Update(const SaveWrites &writes);
    // The save's dry run: `writes` runs on the document as the file holds
    // it now, and the answer is whether Update would write; nothing is
    // written. `writes` may run more than once in either.
    bool Preview(const SaveWrites &writes) const;

    // Single operations, each a load or a save of its own.
    QString ReadOption(const QString &key, const QString &def) const override;
    void WriteOption(const QString &key, const QString &value) override;

    // Prefix of the names of the new files a save writes beside the settings
    // file before it renames one over it; leftovers of a killed save carry
    // it and are removed by the next load or save.
    static QString TempPrefix(const QString &fileName);

  private:
    FileWriter writer() const;

    QString m_path;
    int m_lockWaitMs = kDefaultLockWaitMs;
    bool m_unnamedTemp = true;
    bool m_inPlace = false;
};
