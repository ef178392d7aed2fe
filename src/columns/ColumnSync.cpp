#include "columns/ColumnSync.h"

namespace
{

int spalteOf(const FormatTable &table)
{
    return table.fieldIndex(Field::Spalte);
}

// Re-attaching must happen even when the one before it failed, and nothing
// may escape the change reaction.
void attachQuietly(ViewLink &link, FormatTable &table)
{
    try {
        link.setTable(&table);
    } catch (...) {
    }
}

// Both change reactions: `table` follows `columns`, one row per column with
// its formula in `spalte`; a heading table, when given, follows row by row
// and takes each changed formula too. The view links are detached while the
// rows change and re-attached in every case.
void SyncColumnTables(const QString &text, ColumnList &columns, FormatTable &table, ViewLink &link,
                      FormatTable *heading, ViewLink *headingLink, const CountLabelSetter &setCountLabel)
{
    if (text.isEmpty())
        return;
    try {
        link.setTable(nullptr);
        if (headingLink)
            headingLink->setTable(nullptr);
        const int before = columns.count();
        SplitColumnList(text, columns);
        if (columns.count() != before) {
            if (setCountLabel)
                setCountLabel(ColumnCountText(columns.count()));
            SyncRows(table, columns.count());
            if (heading)
                SyncRows(*heading, columns.count());
        }
        table.First();
        if (heading)
            heading->First();
        const int spalte = spalteOf(table);
        const int kopfSpalte = heading ? spalteOf(*heading) : -1;
        bool complete = true;
        do {
            const int index = table.RecNo() - 1;
            if (index < 0 || index >= columns.count()) {
                complete = false;
                break;
            }
            if (columns.item(index) != table.asText(spalte)) {
                table.Edit();
                table.setText(spalte, columns.item(table.RecNo() - 1));
                table.Post();
                if (heading) {
                    heading->Edit();
                    heading->setText(kopfSpalte, table.asText(spalte));
                    heading->Post();
                }
            }
            table.Next();
            if (heading)
                heading->Next();
        } while (!table.Eof());
        if (complete) {
            table.Refresh();
            if (heading)
                heading->Refresh();
        }
    } catch (...) {
        // A formula line being typed must never interrupt the operator.
    }
    attachQuietly(link, table);
    if (heading)
        attachQuietly(*headingLink, *heading);
}

} // namespace

QString ColumnCountText(int count)
{
    return QStringLiteral("(Anzahl Spalten = ") + QString::number(count) + QLatin1Char(')');
}

void SyncRows(FormatTable &table, int count)
{
    if (count > table.RecordCount()) {
        while (table.RecordCount() < count) {
            const int before = table.RecordCount();
            if (before == 0)
                table.InsertRecord({QStringLiteral("1")});
            else
                table.CopyRecord(before, -1);
            if (table.RecordCount() == before) // a copy that adds nothing must not loop forever
                break;
        }
    } else {
        while (table.RecordCount() > count) {
            table.Last();
            table.Delete();
        }
    }
}

void SyncInfoZeile(const QString &text, ColumnList &infoColumns, FormatTable &spalten,
                   FormatTable &ueberschrift, ViewLink &dsSpalten, ViewLink &dsUeberschrift,
                   const CountLabelSetter &setCountLabel)
{
    SyncColumnTables(text, infoColumns, spalten, dsSpalten, &ueberschrift, &dsUeberschrift, setCountLabel);
}

void SyncSnrInfoFelder(const QString &text, ColumnList &snrInfoColumns, FormatTable &snrInfo,
                       ViewLink &dsSnrInfo, const CountLabelSetter &setCountLabel)
{
    SyncColumnTables(text, snrInfoColumns, snrInfo, dsSnrInfo, nullptr, nullptr, setCountLabel);
}
