#pragma once
#include "columns/ColumnList.h"
#include "columns/FormatTable.h"

#include <QString>

#include <functional>

// Keeps the format tables at one row per column of their formula line and
// writes each column's formula into its row's `spalte`. Widget-free: the
// window's change reactions hand in the field text, and the count label is
// set through a callback.

// "(Anzahl Spalten = N)"
QString ColumnCountText(int count);

// Grows the table by copies of its last row (or, when empty, by the one-field
// row "1") or shrinks it from the end until it has `count` rows.
void SyncRows(FormatTable &table, int count);

using CountLabelSetter = std::function<void(const QString &)>;

// The change reaction of the detection-line field e_InfoZeile: mt_spalten and
// mt_ueberschrift follow InfoColumns. Never lets a failure out; the view
// links are re-attached in every case.
void SyncInfoZeile(const QString &text, ColumnList &infoColumns, FormatTable &spalten,
                   FormatTable &ueberschrift, ViewLink &dsSpalten, ViewLink &dsUeberschrift,
                   const CountLabelSetter &setCountLabel);

// The change reaction of the start-number info field e_SNRInfoFelder.
void SyncSnrInfoFelder(const QString &text, ColumnList &snrInfoColumns, FormatTable &snrInfo,
                       ViewLink &dsSnrInfo, const CountLabelSetter &setCountLabel);
