#pragma once
#include <QString>
#include <QStringList>

#include <optional>

// A few made-up participants for the display preview, so that a column whose
// formula is one plain field shows something that looks like a result. No
// widgets here: QtCore only.
namespace SampleParticipants
{

// The fields a sample participant has, in the order of Row().
const QStringList &FieldNames();

// How many participants there are; the preview's lines use them in turn.
int Count();

// The field a formula names alone: with or without brackets around it, in
// any letter case, with blanks and control characters around it; -1 for
// anything else (a text literal, a join, an unknown field).
int FieldIndex(const QString &formula);
// The value of field `field` (from FieldIndex, not -1) for participant
// `row`, taken modulo Count().
QString FieldValue(int field, int row);

// The value of one field for participant `row` (taken modulo Count()), when
// `formula` is that field's name alone: with or without brackets around it,
// in any letter case, with blanks and control characters around it.
// Anything else (a text literal, a join, an unknown field) gives nothing.
std::optional<QString> Value(const QString &formula, int row);

// What a cell of that column shows in the preview: the sample value, or the
// formula itself, so that the operator still sees which column is which.
QString CellText(const QString &formula, int row);

// Blanks and control characters (U+0000 to U+0020) off both ends; other
// Unicode spaces belong to the text.
QString TrimControls(const QString &text);

} // namespace SampleParticipants
