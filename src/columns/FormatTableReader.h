#pragma once
#include "columns/FormatTable.h"
#include "settings/SettingsKeys.h"

#include <QString>

#include <functional>

// Shown to the operator (the window puts it in a message box) for a record
// whose row could not be stored: "Fehler bei ZeilenFormat <r> -> <message>".
using RowErrorReporter = std::function<void(const QString &message)>;

// First UTF-16 code unit of a text that is not empty.
QChar FirstCharOf(const QString &text);

// Restores `table` from a column format document. Text that does not parse
// (the empty text included) leaves the table untouched and gives false;
// otherwise the table is emptied and gets one row per record, in document
// order, whatever the record keys. `spalte` stays unset: the formula line
// fills it later.
bool LoadFormatTable(const QString &text, FormatTable &table, const RowErrorReporter &report);

// What reading a stored format of table kind `kind` into a scratch table
// finds: nothing for the empty text and for one read whole; otherwise
// `readable` false when the text is no format at all, or the row faults.
struct StoredFormatCheck {
    bool readable = true;
    QStringList rowErrors;
    bool whole() const { return readable && rowErrors.isEmpty(); }
};
StoredFormatCheck CheckStoredFormat(const QString &text, FormatKind kind);
// The table kind of a stored format key (InfoZeileFormat, UeberschriftFormat,
// SNRInfoFelderFormat).
FormatKind FormatKindOf(Key formatKey);
