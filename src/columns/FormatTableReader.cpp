#include "columns/FormatTableReader.h"

#include "base/Failure.h"
#include "json/JsonValue.h"

#include <QLocale>

namespace
{

GenericValue toGeneric(const JsonVariant &v)
{
    GenericValue g;
    switch (v.kind) {
    case JsonVariant::Kind::Null:
        g.kind = GenericValue::Kind::Null;
        break;
    case JsonVariant::Kind::Text:
        g.kind = GenericValue::Kind::Text;
        g.text = v.text;
        break;
    case JsonVariant::Kind::Number:
        g.kind = GenericValue::Kind::Number;
        g.number = v.number;
        break;
    case JsonVariant::Kind::Boolean:
        g.kind = GenericValue::Kind::Boolean;
        g.boolean = v.boolean;
        break;
    }
    return g;
}

// The member value as text, as the alignment rule sees it; empty for null,
// objects and lists.
QString variantText(const JsonVariant &v)
{
    switch (v.kind) {
    case JsonVariant::Kind::Text:
        return v.text;
    case JsonVariant::Kind::Number:
        return QString::number(v.number, 'g', QLocale::FloatingPointShortest);
    case JsonVariant::Kind::Boolean:
        return v.boolean ? QStringLiteral("true") : QStringLiteral("false");
    case JsonVariant::Kind::Null:
        break;
    }
    return QString();
}

QString lowerAsciiLetters(QString text)
{
    for (QChar &c : text)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return text;
}

const JsonValue *memberOf(const JsonValue &root, qsizetype record, const QString &name)
{
    const JsonValue *value = root.FieldByIndex(record);
    return value ? value->Field(name) : nullptr;
}

void readField(const JsonValue &root, qsizetype record, FormatTable &table, int pos)
{
    const FieldDef &def = table.field(pos);
    const QString &name = def.name;
    if (def.meaning == Field::Spalte)
        return;
    const JsonValue *member = memberOf(root, record, name);
    if (!member)
        return;
    if (def.meaning == Field::Ausrichtung) {
        const QString text = variantText(member->Value());
        if (text.isEmpty())
            return;
        const QChar first = FirstCharOf(lowerAsciiLetters(text));
        if (first == u'm')
            table.setText(pos, QStringLiteral("mitte"));
        else if (first == u'r')
            table.setText(pos, QStringLiteral("rechts"));
        else
            table.setText(pos, QStringLiteral("links"));
        return;
    }
    table.setGeneric(pos, toGeneric(member->Value()));
}

} // namespace

QChar FirstCharOf(const QString &text)
{
    return text.at(0);
}

bool LoadFormatTable(const QString &text, FormatTable &table, const RowErrorReporter &report)
{
    const std::unique_ptr<JsonValue> root = ParseText(text);
    if (!root)
        return false;
    table.EmptyTable();
    const qsizetype records = root->Count();
    for (qsizetype r = 0; r < records; ++r) {
        try {
            table.Append();
            for (int pos = 0; pos < table.fieldCount(); ++pos) {
                try {
                    readField(*root, r, table, pos);
                } catch (const Failure &) {
                    // a value that does not fit leaves its field unset
                }
            }
            table.Post();
        } catch (const Failure &failure) {
            // Drop the half-filled row so the next record starts clean.
            try {
                table.Cancel();
            } catch (const Failure &) {
            }
            if (report)
                report(QStringLiteral("Fehler bei ZeilenFormat ") + QString::number(r) +
                       QStringLiteral(" -> ") + failure.message());
        }
    }
    return true;
}

StoredFormatCheck CheckStoredFormat(const QString &text, FormatKind kind)
{
    StoredFormatCheck check;
    if (text.isEmpty())
        return check;
    FormatTable scratch(QStringLiteral("scratch"), FormatTable::Schema(kind));
    scratch.Open();
    check.readable =
        LoadFormatTable(text, scratch, [&check](const QString &message) { check.rowErrors.append(message); });
    return check;
}

FormatKind FormatKindOf(Key formatKey)
{
    switch (formatKey) {
    case Key::InfoZeileFormat:
        return FormatKind::Spalten;
    case Key::UeberschriftFormat:
        return FormatKind::Ueberschrift;
    default:
        return FormatKind::SnrInfo;
    }
}
