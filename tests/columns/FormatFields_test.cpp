#include "columns/FormatFields.h"

#include <gtest/gtest.h>

// The one description of each format table's fields: the stored names in
// their places, the panel captions, and the conversion between a value and
// the text a panel shows.

void PrintTo(const QString &text, std::ostream *os)
{
    *os << text.toStdString();
}

namespace
{

struct TableCase {
    FormatKind kind;
    std::vector<const char *> names; // stored names in stored order
};

class FieldPlaces : public ::testing::TestWithParam<TableCase>
{
};

TEST_P(FieldPlaces, StoredNamesInTheirPlaces)
{
    const FormatFields &f = FormatFields::of(GetParam().kind);
    ASSERT_EQ(f.count(), int(GetParam().names.size()));
    for (int pos = 0; pos < f.count(); ++pos) {
        EXPECT_EQ(f.at(pos).name, QLatin1String(GetParam().names[size_t(pos)])) << pos;
        // Every field is found where it lies.
        EXPECT_EQ(f.pos(f.at(pos).meaning), pos) << pos;
    }
    // The font fields lead every table.
    EXPECT_EQ(f.pos(Field::Schriftname), FontField::Schriftname);
    EXPECT_EQ(f.pos(Field::Schriftgroesse), FontField::Schriftgroesse);
    EXPECT_EQ(f.pos(Field::Farbe), FontField::Farbe);
    EXPECT_EQ(f.pos(Field::Fett), FontField::Fett);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, FieldPlaces,
    ::testing::Values(TableCase{FormatKind::Spalten,
                                {"schriftname", "schriftgroesse", "farbe", "fett", "ausrichtung",
                                 "anzahlzeichen", "spalte"}},
                      TableCase{FormatKind::Ueberschrift,
                                {"schriftname", "schriftgroesse", "farbe", "fett", "spalte", "text"}},
                      TableCase{FormatKind::SnrInfo,
                                {"schriftname", "schriftgroesse", "farbe", "fett", "spalte"}}));

TEST(FormatFields, TypedPlacesMatchTheDescription)
{
    const FormatFields &spalten = FormatFields::of(FormatKind::Spalten);
    EXPECT_EQ(spalten.pos(Field::Ausrichtung), SpaltenField::Ausrichtung);
    EXPECT_EQ(spalten.pos(Field::Anzahlzeichen), SpaltenField::Anzahlzeichen);
    EXPECT_EQ(spalten.pos(Field::Spalte), SpaltenField::Spalte);
    EXPECT_FALSE(spalten.has(Field::Text));
    const FormatFields &kopf = FormatFields::of(FormatKind::Ueberschrift);
    EXPECT_EQ(kopf.pos(Field::Spalte), UeberschriftField::Spalte);
    EXPECT_EQ(kopf.pos(Field::Text), UeberschriftField::Text);
    EXPECT_FALSE(kopf.has(Field::Ausrichtung));
    const FormatFields &snr = FormatFields::of(FormatKind::SnrInfo);
    EXPECT_EQ(snr.pos(Field::Spalte), SnrInfoField::Spalte);
    EXPECT_EQ(snr.pos(Field::Anzahlzeichen), -1);
}

TEST(FormatFields, KindsSizesCaptionsAndChoices)
{
    const FormatFields &f = FormatFields::of(FormatKind::Spalten);
    const struct {
        Field meaning;
        FieldType type;
        int size;
        const char *caption;
    } expected[] = {
        {Field::Schriftname, FieldType::Text, 100, "Schriftart"},
        {Field::Schriftgroesse, FieldType::Integer, 0, "Schriftgröße"},
        {Field::Farbe, FieldType::Text, 7, "Farbe"},
        {Field::Fett, FieldType::Flag, 0, "Fett"},
        {Field::Ausrichtung, FieldType::Text, 6, "Ausrichtung"},
        {Field::Anzahlzeichen, FieldType::Integer, 0, "Anzahl der erwarteten Zeichen"},
        {Field::Spalte, FieldType::Text, 1024, ""},
    };
    for (const auto &e : expected) {
        const FieldDef &def = f.at(f.pos(e.meaning));
        EXPECT_EQ(def.type, e.type) << def.name.toStdString();
        EXPECT_EQ(def.size, e.size) << def.name.toStdString();
        EXPECT_EQ(def.caption, QString::fromUtf8(e.caption)) << def.name.toStdString();
    }
    EXPECT_EQ(f.at(SpaltenField::Ausrichtung).choices, (QStringList{"links", "mitte", "rechts"}));
    const FormatFields &kopf = FormatFields::of(FormatKind::Ueberschrift);
    EXPECT_EQ(kopf.at(UeberschriftField::Text).caption, "Text");
    EXPECT_EQ(kopf.at(UeberschriftField::Text).size, 1024);
}

// ---------------------------------------------------------------- conversions

FieldValue Unset()
{
    return FieldValue();
}
FieldValue Text(const QString &t)
{
    FieldValue v;
    v.isNull = false;
    v.text = t;
    return v;
}
FieldValue Number(int32_t n)
{
    FieldValue v;
    v.isNull = false;
    v.integer = n;
    return v;
}
FieldValue Flag(bool b)
{
    FieldValue v;
    v.isNull = false;
    v.flag = b;
    return v;
}

struct FromTextCase {
    const char *name;
    int pos; // in the detection line's table
    QString text;
    std::optional<FieldValue> expected;
};

class FromText : public ::testing::TestWithParam<FromTextCase>
{
};

TEST_P(FromText, StoresWhatTheFieldTakes)
{
    const FieldDef &def = FormatFields::of(FormatKind::Spalten).at(GetParam().pos);
    const std::optional<FieldValue> v = def.fromText(GetParam().text);
    ASSERT_EQ(v.has_value(), GetParam().expected.has_value());
    if (v) {
        EXPECT_EQ(*v, *GetParam().expected);
    }
}

const QString kSmiley = QString::fromUtf8("#12345\xF0\x9F\x98\x80"); // a surrogate pair at places 7 and 8

INSTANTIATE_TEST_SUITE_P(
    Cases, FromText,
    ::testing::Values(FromTextCase{"text", SpaltenField::Farbe, "#FF0000", Text("#FF0000")},
                      FromTextCase{"emptyTextIsSet", SpaltenField::Farbe, "", Text("")},
                      FromTextCase{"textCutToSize", SpaltenField::Farbe, "#FF00001", Text("#FF0000")},
                      FromTextCase{"pairNotSplitAtTheCut", SpaltenField::Farbe, kSmiley, Text("#12345")},
                      FromTextCase{"number", SpaltenField::Anzahlzeichen, "12", Number(12)},
                      FromTextCase{"signedNumber", SpaltenField::Anzahlzeichen, "-7", Number(-7)},
                      FromTextCase{"emptyNumberIsUnset", SpaltenField::Anzahlzeichen, "", Unset()},
                      FromTextCase{"notANumber", SpaltenField::Anzahlzeichen, "12a", std::nullopt},
                      FromTextCase{"beyond32Bits", SpaltenField::Anzahlzeichen, "2147483648", std::nullopt},
                      FromTextCase{"flagTrue", SpaltenField::Fett, "TRUE", Flag(true)},
                      FromTextCase{"flagFalse", SpaltenField::Fett, "false", Flag(false)},
                      FromTextCase{"emptyFlagIsUnset", SpaltenField::Fett, "", Unset()},
                      FromTextCase{"flagOne", SpaltenField::Fett, "1", std::nullopt}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(FormatFields, ValueToTextAndBack)
{
    const FormatFields &f = FormatFields::of(FormatKind::Spalten);
    const struct {
        int pos;
        FieldValue value;
        const char *text;
    } cases[] = {
        {SpaltenField::Farbe, Text("#00FF00"), "#00FF00"},
        {SpaltenField::Farbe, Unset(), ""},
        {SpaltenField::Anzahlzeichen, Number(42), "42"},
        {SpaltenField::Anzahlzeichen, Unset(), ""},
        {SpaltenField::Fett, Flag(true), "true"},
        {SpaltenField::Fett, Flag(false), "false"},
        {SpaltenField::Fett, Unset(), ""},
    };
    for (const auto &c : cases) {
        const FieldDef &def = f.at(c.pos);
        EXPECT_EQ(def.toText(c.value), QLatin1String(c.text)) << def.name.toStdString();
        // What a panel shows stores the same value again (an unset text
        // field stores an empty text).
        if (def.type != FieldType::Text || !c.value.isNull) {
            EXPECT_EQ(def.fromText(def.toText(c.value)), c.value) << def.name.toStdString();
        }
    }
}

} // namespace
