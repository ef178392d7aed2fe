#include "columns/ColumnSync.h"

namespace
{

int spalteOf(const FormatTable &table)
{
    return table.fieldIndex(QStringLiteral("spalte"));
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
    if (text.isEmpty())
        return;
    try {
        dsSpalten.setTable(nullptr);
        dsUeberschrift.setTable(nullptr);
        const int before = infoColumns.count();
        SplitColumnList(text, infoColumns);
        if (infoColumns.count() != before) {
            if (setCountLabel)
                setCountLabel(ColumnCountText(infoColumns.count()));
            SyncRows(spalten, infoColumns.count());
            SyncRows(ueberschrift, infoColumns.count());
        }
        spalten.First();
        ueberschrift.First();
        const int spalte = spalteOf(spalten);
        const int kopfSpalte = spalteOf(ueberschrift);
        bool complete = true;
        do {
            const int index = spalten.RecNo() - 1;
            if (index < 0 || index >= infoColumns.count()) {
                complete = false;
                break;
            }
            if (infoColumns.item(index) != spalten.asText(spalte)) {
                spalten.Edit();
                spalten.setText(spalte, infoColumns.item(spalten.RecNo() - 1));
                spalten.Post();
                ueberschrift.Edit();
                ueberschrift.setText(kopfSpalte, spalten.asText(spalte));
                ueberschrift.Post();
            }
            spalten.Next();
            ueberschrift.Next();
        } while (!spalten.Eof());
        if (complete) {
            spalten.Refresh();
            ueberschrift.Refresh();
        }
    } catch (...) {
        // A formula line being typed must never interrupt the operator.
    }
    attachQuietly(dsSpalten, spalten);
    attachQuietly(dsUeberschrift, ueberschrift);
}

void SyncSnrInfoFelder(const QString &text, ColumnList &snrInfoColumns, FormatTable &snrInfo,
                       ViewLink &dsSnrInfo, const CountLabelSetter &setCountLabel)
{
    if (text.isEmpty())
        return;
    try {
        dsSnrInfo.setTable(nullptr);
        const int before = snrInfoColumns.count();
        SplitColumnList(text, snrInfoColumns);
        if (snrInfoColumns.count() != before) {
            if (setCountLabel)
                setCountLabel(ColumnCountText(snrInfoColumns.count()));
            SyncRows(snrInfo, snrInfoColumns.count());
        }
        snrInfo.First();
        const int spalte = spalteOf(snrInfo);
        bool complete = true;
        do {
            const int index = snrInfo.RecNo() - 1;
            if (index < 0 || index >= snrInfoColumns.count()) {
                complete = false;
                break;
            }
            if (snrInfoColumns.item(index) != snrInfo.asText(spalte)) {
                snrInfo.Edit();
                snrInfo.setText(spalte, snrInfoColumns.item(snrInfo.RecNo() - 1));
                snrInfo.Post();
            }
            snrInfo.Next();
        } while (!snrInfo.Eof());
        if (complete)
            snrInfo.Refresh();
    } catch (...) {
    }
    attachQuietly(dsSnrInfo, snrInfo);
}
