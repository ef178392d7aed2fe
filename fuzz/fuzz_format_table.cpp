// Any text as a stored column format document, into each of the three
// tables: what the writer then produces reads back into the same rows and is
// written again as the same text.
#include "FuzzSupport.h"

#include "columns/FormatTableReader.h"
#include "columns/FormatTableWriter.h"
#include "json/JsonValue.h"

#include <vector>

namespace
{

struct Schema {
    const char *name;
    std::vector<FieldDef> (*fields)();
};

const Schema kSchemas[] = {
    {"mt_spalten", &FormatTable::SpaltenSchema},
    {"mt_ueberschrift", &FormatTable::UeberschriftSchema},
    {"mt_snrInfo", &FormatTable::SnrInfoSchema},
};

// The rows as the writer sees them: an unset flag is written as "false" and
// an unset text as "", so they read back as false and as the empty text.
std::vector<std::vector<FieldValue>> AsWritten(const FormatTable &table)
{
    std::vector<std::vector<FieldValue>> rows = table.rows();
    for (std::vector<FieldValue> &row : rows) {
        for (int pos = 0; pos < table.fieldCount() && pos < int(row.size()); ++pos) {
            const FieldType type = table.field(pos).type;
            if (row[pos].isNull && type != FieldType::Integer &&
                table.field(pos).name != QLatin1String("spalte")) {
                row[pos] = FieldValue();
                row[pos].isNull = false;
            }
        }
    }
    return rows;
}

void Check(const QString &text)
{
    for (const Schema &schema : kSchemas) {
        int reports = 0;
        const RowErrorReporter count = [&reports](const QString &) { ++reports; };

        FormatTable table(QString::fromLatin1(schema.name), schema.fields());
        table.Open();
        LoadFormatTable(text, table, count);
        QString written = FormatTableToJson(table);
        FUZZ_CHECK(ParseText(written) != nullptr, "the writer's text parses");
        if (table.RecordCount() == 0) {
            // A table without rows is written as one record keyed -1 with
            // empty values, which reads back as one row: the fixed point is
            // that row's document.
            FormatTable once(QString::fromLatin1(schema.name), schema.fields());
            once.Open();
            LoadFormatTable(written, once, count);
            FUZZ_CHECK(once.RecordCount() == 1, "the document of an empty table reads as one row");
            written = FormatTableToJson(once);
        }

        FormatTable back(QString::fromLatin1(schema.name), schema.fields());
        back.Open();
        reports = 0;
        LoadFormatTable(written, back, count);
        FUZZ_CHECK(reports == 0, "every row the writer wrote can be stored again");
        const QString again = FormatTableToJson(back);
        FUZZ_CHECK(again == written, "written, read and written again is the same text");
        if (table.RecordCount() > 0) {
            FUZZ_CHECK(AsWritten(back) == AsWritten(table), "the rows come back as they were");
        }
        FUZZ_CHECK(!written.contains(u'\n') && !written.contains(u'\r'), "the document is one line");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Check(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
