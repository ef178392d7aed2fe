#pragma once
#include "editor/EditorState.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsKeys.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The key of the catalogue named `name`, without regard to the case of the
// letters A to Z, as the settings file finds keys.
std::optional<Key> FindKey(const QString &name);

struct Assignment {
    Key key;
    QString value;
};

// The "KEY=VALUE" lines of a values file (set --values-from), read whole
// before anything else happens. `name` names the file in messages. On a
// refusal `status` is not 0 and `message` says why.
struct ValueLines {
    int status = 0;
    QString message;
    QString name;
    QStringList lines; // as in the file, numbered from 1, empty ones kept
};
// The most a values file may hold: 23 values, column formats among them,
// fit many times over.
constexpr qsizetype kValuesFileBudget = 4 * 1024 * 1024;
// `path` "-" is standard input. A FIFO or a pipe is read to its end.
ValueLines ReadValueLines(const QString &path);
// The file's bytes: UTF-8 (an opening byte-order mark is skipped), lines
// ended by LF or CR LF. No more than the budget; any other byte than valid
// UTF-8 refuses the whole file.
ValueLines ValueLinesFromBytes(QByteArrayView bytes, const QString &name);

// "KEY=VALUE" arguments and lines of a values file, checked together: each
// known key at most once over both, each value one its control can hold and
// a save writes. Empty lines (or blanks only) of the file are skipped; a
// line is never repeated in a message, as it may hold a password. On a
// refusal `status` is not 0 and `message` says why; nothing is to be written
// then.
struct Assignments {
    int status = 0;
    QString message;
    std::vector<Assignment> items;
};
Assignments ParseAssignments(const QStringList &arguments, const ValueLines &file = {});

// A save refuses such a value: it would end its line in the file.
bool HasLineBreakOrNul(const QString &text);

// Why the value cannot be set for the key, or nothing when it can.
std::optional<QString> ValueProblem(Key key, const QString &value);

// A file read through `base` with the assigned values in place of the stored
// ones: what the start reads from a file holding them.
class AssignedReader : public OptionReader
{
  public:
    AssignedReader(const OptionReader &base, std::vector<Assignment> assigned)
        : m_base(base), m_assigned(std::move(assigned))
    {
    }
    QString ReadOption(const QString &key, const QString &def) const override;

  private:
    const OptionReader &m_base;
    std::vector<Assignment> m_assigned;
};

// What the window's save writes right after its start on `file` when the
// operator has put `assigned` into the controls, through the window's own
// editor state: the load, the typed values, the values a save writes.
// Numbers are typed in decimal (an emptied field stays empty), flags as
// "ja"/"nein". Column formats cannot be typed: they are taken as a file
// holding them, and so is a formula line set with them.
struct WindowSave {
    SaveValues values;
    // Stored column formats the reader refused: a save keeps them as stored.
    std::vector<Key> unreadableFormats;
    // "Fehler bei ZeilenFormat ..." for records whose row could not be stored.
    QStringList rowMessages;
};
WindowSave SaveAfterStart(const OptionReader &file, const std::vector<Assignment> &assigned = {});
