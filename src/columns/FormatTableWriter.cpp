#include "columns/FormatTableWriter.h"

namespace
{

// A heading text is typed freely; a raw double quote or backslash would make
// the stored document unreadable, and a raw line break would cut the
// settings line. Everything else is stored as typed.
void appendValue(QString &out, const QString &value)
{
    for (QChar c : value) {
        switch (c.unicode()) {
        case u'"':
            out += QLatin1String("\\\"");
            break;
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case 0:
            out += QLatin1String("\\u0000");
            break;
        default:
            out += c;
        }
    }
}

} // namespace

QString FormatTableToJson(FormatTable &table)
{
    const int fields = table.fieldCount();
    QString out;
    out += QLatin1Char('{');
    table.First();
    do {
        out += QLatin1Char('"');
        out += QString::number(table.RecNo());
        out += QLatin1String("\":{");
        for (int pos = 0; pos < fields; ++pos) {
            const FieldDef &def = table.field(pos);
            if (def.meaning == Field::Spalte)
                continue;
            out += QLatin1Char('"');
            out += def.name;
            out += QLatin1String("\":\"");
            switch (def.type) {
            case FieldType::Flag:
                out += table.asFlag(pos) ? QLatin1String("true") : QLatin1String("false");
                break;
            case FieldType::Integer:
                if (!table.isNull(pos))
                    out += QString::number(table.asInteger(pos));
                break;
            case FieldType::Text:
                appendValue(out, table.asText(pos));
                break;
            }
            out += QLatin1Char('"');
            // The schemas keep `spalte` last or second to last, so this
            // yields exactly one comma between written fields.
            if (pos < fields - 2)
                out += QLatin1Char(',');
        }
        out += QLatin1Char('}');
        table.Next();
    } while (!table.Eof());
    out += QLatin1Char('}');
    return out;
}
