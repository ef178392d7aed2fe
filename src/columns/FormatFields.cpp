#include "columns/FormatFields.h"

#include "base/NumberText.h"

#include <initializer_list>
#include <utility>

namespace
{

FieldDef Def(Field meaning)
{
    switch (meaning) {
    case Field::Schriftname:
        return {
            QStringLiteral("schriftname"), FieldType::Text, 100, QStringLiteral("Schriftart"), {}, meaning};
    case Field::Schriftgroesse:
        return {QStringLiteral("schriftgroesse"),
                FieldType::Integer,
                0,
                QStringLiteral("Schriftgröße"),
                {},
                meaning};
    case Field::Farbe:
        return {QStringLiteral("farbe"), FieldType::Text, 7, QStringLiteral("Farbe"), {}, meaning};
    case Field::Fett:
        return {QStringLiteral("fett"), FieldType::Flag, 0, QStringLiteral("Fett"), {}, meaning};
    case Field::Ausrichtung:
        return {QStringLiteral("ausrichtung"),
                FieldType::Text,
                6,
                QStringLiteral("Ausrichtung"),
                {QStringLiteral("links"), QStringLiteral("mitte"), QStringLiteral("rechts")},
                meaning};
    case Field::Anzahlzeichen:
        return {QStringLiteral("anzahlzeichen"),
                FieldType::Integer,
                0,
                QStringLiteral("Anzahl der erwarteten Zeichen"),
                {},
                meaning};
    case Field::Spalte: // the formula heads its panel without a caption
        return {QStringLiteral("spalte"), FieldType::Text, 1024, QString(), {}, meaning};
    case Field::Text:
        break;
    }
    return {QStringLiteral("text"), FieldType::Text, 1024, QStringLiteral("Text"), {}, Field::Text};
}

// The row of a table from its places; every place is filled exactly once.
std::vector<FieldDef> Row(int count, std::initializer_list<std::pair<int, Field>> places)
{
    std::vector<FieldDef> defs(size_t(count),
                               FieldDef{QString(), FieldType::Text, 0, QString(), {}, Field::Text});
    for (const auto &[pos, meaning] : places)
        defs.at(size_t(pos)) = Def(meaning);
    return defs;
}

std::vector<FieldDef> SpaltenRow()
{
    using namespace SpaltenField;
    return Row(Count, {{Schriftname, Field::Schriftname},
                       {Schriftgroesse, Field::Schriftgroesse},
                       {Farbe, Field::Farbe},
                       {Fett, Field::Fett},
                       {Ausrichtung, Field::Ausrichtung},
                       {Anzahlzeichen, Field::Anzahlzeichen},
                       {Spalte, Field::Spalte}});
}

std::vector<FieldDef> UeberschriftRow()
{
    using namespace UeberschriftField;
    return Row(Count, {{Schriftname, Field::Schriftname},
                       {Schriftgroesse, Field::Schriftgroesse},
                       {Farbe, Field::Farbe},
                       {Fett, Field::Fett},
                       {Spalte, Field::Spalte},
                       {Text, Field::Text}});
}

std::vector<FieldDef> SnrInfoRow()
{
    using namespace SnrInfoField;
    return Row(Count, {{Schriftname, Field::Schriftname},
                       {Schriftgroesse, Field::Schriftgroesse},
                       {Farbe, Field::Farbe},
                       {Fett, Field::Fett},
                       {Spalte, Field::Spalte}});
}

// The font fields lead every table at the same places.
static_assert(int(SpaltenField::Schriftname) == FontField::Schriftname &&
              int(SpaltenField::Schriftgroesse) == FontField::Schriftgroesse &&
              int(SpaltenField::Farbe) == FontField::Farbe && int(SpaltenField::Fett) == FontField::Fett);
static_assert(int(UeberschriftField::Schriftname) == FontField::Schriftname &&
              int(UeberschriftField::Schriftgroesse) == FontField::Schriftgroesse &&
              int(UeberschriftField::Farbe) == FontField::Farbe &&
              int(UeberschriftField::Fett) == FontField::Fett);
static_assert(int(SnrInfoField::Schriftname) == FontField::Schriftname &&
              int(SnrInfoField::Schriftgroesse) == FontField::Schriftgroesse &&
              int(SnrInfoField::Farbe) == FontField::Farbe && int(SnrInfoField::Fett) == FontField::Fett);

} // namespace

QString CutToSize(const QString &text, int size)
{
    if (size <= 0 || text.size() <= size)
        return text;
    qsizetype keep = size;
    if (text[keep - 1].isHighSurrogate() && text[keep].isLowSurrogate())
        --keep;
    return text.left(keep);
}

std::optional<bool> TrueFalseWord(const QString &text)
{
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

QString FieldDef::toText(const FieldValue &value) const
{
    if (value.isNull)
        return QString();
    switch (type) {
    case FieldType::Text:
        return value.text;
    case FieldType::Integer:
        return QString::number(value.integer);
    case FieldType::Flag:
        return value.flag ? QStringLiteral("true") : QStringLiteral("false");
    }
    return QString();
}

std::optional<FieldValue> FieldDef::fromText(const QString &text) const
{
    FieldValue v;
    if (type == FieldType::Text) {
        v.isNull = false;
        v.text = CutToSize(text, size);
        return v;
    }
    if (text.isEmpty())
        return v;
    if (type == FieldType::Integer) {
        const std::optional<int32_t> n = ParseInt(text);
        if (!n)
            return std::nullopt;
        v.integer = *n;
    } else {
        const std::optional<bool> b = TrueFalseWord(text);
        if (!b)
            return std::nullopt;
        v.flag = *b;
    }
    v.isNull = false;
    return v;
}

FormatFields::FormatFields(std::vector<FieldDef> defs) : m_defs(std::move(defs))
{
    m_pos.fill(-1);
    for (size_t i = 0; i < m_defs.size(); ++i)
        m_pos[size_t(m_defs[i].meaning)] = int(i);
}

const FormatFields &FormatFields::of(FormatKind kind)
{
    static const FormatFields spalten(SpaltenRow());
    static const FormatFields ueberschrift(UeberschriftRow());
    static const FormatFields snrInfo(SnrInfoRow());
    switch (kind) {
    case FormatKind::Spalten:
        return spalten;
    case FormatKind::Ueberschrift:
        return ueberschrift;
    case FormatKind::SnrInfo:
        break;
    }
    return snrInfo;
}
