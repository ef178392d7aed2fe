#include "base/Failure.h"
#include "columns/FormatTableReader.h"
#include "columns/FormatTableWriter.h"

#include "TableTestSupport.h"

#include <gtest/gtest.h>

namespace
{

const QString U = "<unset>";

struct ReaderCase {
    const char *name;
    QString document;
    std::vector<QStringList> rows; // mt_spalten rows after loading, RowTexts form
};

QStringList spaltenRow(QString name, QString size, QString farbe, QString fett, QString ausrichtung,
                       QString zeichen)
{
    return {name, size, farbe, fett, ausrichtung, zeichen, U};
}

std::vector<ReaderCase> readerCases()
{
    return {
        {"emptyTableDocument",
         R"({"-1":{"schriftname":"","schriftgroesse":"","farbe":"","fett":"false","ausrichtung":"","anzahlzeichen":""}})",
         {spaltenRow("", U, "", "false", U, U)}},
        {"writtenRow",
         R"({"1":{"schriftname":"Arial","schriftgroesse":"24","farbe":"#FFFFFF","fett":"true","ausrichtung":"links","anzahlzeichen":"5"}})",
         {spaltenRow("Arial", "24", "#FFFFFF", "true", "links", "5")}},
        {"noMembers", "{}", {}},
        {"sameKeyTwice",
         R"({"1":{"schriftname":"A"}"1":{"schriftname":"B"}})",
         {spaltenRow("A", U, U, U, U, U), spaltenRow("A", U, U, U, U, U)}},
        {"keysIgnored",
         R"({"7":{"schriftname":"A"},"x":{"schriftname":"B"},"-1":{"schriftname":"C"}})",
         {spaltenRow("A", U, U, U, U, U), spaltenRow("B", U, U, U, U, U), spaltenRow("C", U, U, U, U, U)}},
        {"alignmentWords",
         R"({"a":{"ausrichtung":"Mitte"}"b":{"ausrichtung":"RECHTS"}"c":{"ausrichtung":"zentriert"}"d":{"ausrichtung":" rechts"}"e":{"ausrichtung":5}"f":{"ausrichtung":true}"g":{"ausrichtung":"r"}})",
         {spaltenRow(U, U, U, U, "mitte", U), spaltenRow(U, U, U, U, "rechts", U),
          spaltenRow(U, U, U, U, "links", U), spaltenRow(U, U, U, U, "links", U),
          spaltenRow(U, U, U, U, "links", U), spaltenRow(U, U, U, U, "links", U),
          spaltenRow(U, U, U, U, "rechts", U)}},
        {"alignmentUnset",
         R"({"a":{"schriftname":"A"}"b":{"ausrichtung":null}"c":{"ausrichtung":""}"d":{"ausrichtung":{"x":1}}})",
         {spaltenRow("A", U, U, U, U, U), spaltenRow(U, U, U, U, U, U), spaltenRow(U, U, U, U, U, U),
          spaltenRow(U, U, U, U, U, U)}},
        {"sizes",
         R"({"a":{"schriftgroesse":"abc"}"b":{"schriftgroesse":""}"c":{"schriftgroesse":"12"}"d":{"schriftgroesse":12.5}"e":{"schriftgroesse":13.5}"f":{"schriftgroesse":true}"g":{"schriftgroesse":"False"}"h":{"schriftgroesse":1e12}})",
         {spaltenRow(U, U, U, U, U, U), spaltenRow(U, U, U, U, U, U), spaltenRow(U, "12", U, U, U, U),
          spaltenRow(U, "12", U, U, U, U), spaltenRow(U, "14", U, U, U, U), spaltenRow(U, "-1", U, U, U, U),
          spaltenRow(U, "0", U, U, U, U), spaltenRow(U, U, U, U, U, U)}},
        {"flags",
         R"({"a":{"fett":"TRUE"}"b":{"fett":"ja"}"c":{"fett":"0"}"d":{"fett":"7"}"e":{"fett":0}"f":{"fett":false}"g":{"fett":null}})",
         {spaltenRow(U, U, U, "true", U, U), spaltenRow(U, U, U, U, U, U), spaltenRow(U, U, U, "false", U, U),
          spaltenRow(U, U, U, "true", U, U), spaltenRow(U, U, U, "false", U, U),
          spaltenRow(U, U, U, "false", U, U), spaltenRow(U, U, U, U, U, U)}},
        {"colourCut", R"({"1":{"farbe":"#FFFFFF00"}})", {spaltenRow(U, U, "#FFFFFF", U, U, U)}},
        {"memberCaseIgnored",
         R"({"1":{"Schriftname":"Arial","FETT":"true"}})",
         {spaltenRow("Arial", U, U, "true", U, U)}},
        {"nonTextIntoText",
         R"({"1":{"schriftname":24,"farbe":true}"2":{"schriftname":[1]}})",
         {spaltenRow("24", U, "true", U, U, U), spaltenRow(U, U, U, U, U, U)}},
        {"spalteIgnored",
         R"({"1":{"spalte":"Startnr","anzahlzeichen":"-4"}})",
         {spaltenRow(U, U, U, U, U, "-4")}},
        {"recordIsAString", R"({"1":"x"})", {spaltenRow("x", U, "x", U, "links", U)}},
        {"rootList",
         "[1,{\"schriftname\":\"A\"}]",
         {spaltenRow(U, U, U, U, U, U), spaltenRow(U, U, U, U, U, U)}},
        {"rootString", "\"text\"", {}},
        {"rootNumber", "5", {}},
        {"rootNull", "null", {}},
    };
}

class LoadFormatTableTest : public testing::TestWithParam<ReaderCase>
{
};

TEST_P(LoadFormatTableTest, FillsTheRowsAsStored)
{
    FormatTable t("mt_spalten", FormatTable::SpaltenSchema());
    AddRow(t, {"alt", "1"}); // replaced by every document that parses
    QStringList reports;
    LoadFormatTable(GetParam().document, t, [&](const QString &m) { reports << m; });
    ASSERT_EQ(t.rows().size(), GetParam().rows.size());
    for (size_t r = 0; r < GetParam().rows.size(); ++r)
        EXPECT_EQ(RowTexts(t, int(r)), GetParam().rows[r]) << "row " << r;
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_EQ(t.State(), TableState::Browse);
}

INSTANTIATE_TEST_SUITE_P(Documents, LoadFormatTableTest, testing::ValuesIn(readerCases()),
                         [](const testing::TestParamInfo<ReaderCase> &info) { return info.param.name; });

TEST(LoadFormatTable, UnparsableTextLeavesTheTableAlone)
{
    const QStringList documents = {"", R"({"1":{"text":"a"b"}})", "{", "   "};
    for (const QString &doc : documents) {
        FormatTable t("mt_ueberschrift", FormatTable::UeberschriftSchema());
        AddRow(t, {"A", "1", "#000000", "true", "f", "Kopf"});
        AddRow(t, {"B"});
        t.First();
        const auto before = t.rows();
        LoadFormatTable(doc, t, nullptr);
        EXPECT_EQ(t.rows(), before) << doc.toStdString();
        EXPECT_EQ(t.RecNo(), 1);
    }
}

TEST(LoadFormatTable, EmptyTableDocumentReadsAsEmptyTexts)
{
    FormatTable t("mt_snrInfo", FormatTable::SnrInfoSchema());
    LoadFormatTable(R"({"-1":{"schriftname":"","schriftgroesse":"","farbe":"","fett":"false"}})", t, nullptr);
    ASSERT_EQ(t.RecordCount(), 1);
    t.First();
    for (int pos = 0; pos < t.fieldCount(); ++pos)
        EXPECT_EQ(t.asText(pos), pos == 3 ? "false" : "") << pos;
}

void fillTricky(FormatTable &spalten, FormatTable &kopf)
{
    const QString emoji = QString::fromUtf16(u"\U0001F600");
    AddRow(spalten, {"Arial", "24", "#FFFFFF", "true", "links", "5", "Startnr"});
    AddRow(spalten, {QString(99, 'a') + emoji, "-3", "#00ff80", "false", "rechts", "", "[Name]"});
    AddRow(spalten, {" Segoe \"UI\" \\ ", "", "", "", "", "0", ""});
    AddRow(kopf, {"Tahoma", "14", "#FFFFFF", "false", "x", "Start\"nr\""});
    AddRow(kopf, {"C:\\Fonts\\a.ttf", "", "", "true", "y", "Zeile 1\nZeile 2\r\\n äöü € " + emoji});
    AddRow(kopf, {"", "", "", "", "", QString(1023, 'k') + emoji});
}

// What a stored row reads back as: `spalte` unset, an unset text as the
// empty text, an unset flag as false; integers and an empty alignment stay unset.
std::vector<std::vector<FieldValue>> asStored(const FormatTable &t)
{
    auto rows = t.rows();
    for (auto &row : rows) {
        for (int pos = 0; pos < t.fieldCount(); ++pos) {
            FieldValue &v = row[size_t(pos)];
            if (t.field(pos).name == "spalte")
                v = FieldValue();
            else if (v.isNull && t.field(pos).type != FieldType::Integer &&
                     t.field(pos).name != "ausrichtung")
                v.isNull = false;
        }
    }
    return rows;
}

TEST(LoadFormatTable, WrittenTablesComeBackEqual)
{
    FormatTable spalten("mt_spalten", FormatTable::SpaltenSchema());
    FormatTable kopf("mt_ueberschrift", FormatTable::UeberschriftSchema());
    fillTricky(spalten, kopf);
    // the pair at the limit of schriftname and text was dropped whole
    EXPECT_EQ(spalten.rows()[1][0].text, QString(99, 'a'));
    EXPECT_EQ(kopf.rows()[2][5].text, QString(1023, 'k'));

    for (FormatTable *t : {&spalten, &kopf}) {
        const QString doc = FormatTableToJson(*t);
        FormatTable back(t->name(), t->name() == "mt_spalten" ? FormatTable::SpaltenSchema()
                                                              : FormatTable::UeberschriftSchema());
        QStringList reports;
        LoadFormatTable(doc, back, [&](const QString &m) { reports << m; });
        EXPECT_TRUE(reports.isEmpty());
        EXPECT_EQ(back.rows(), asStored(*t)) << doc.toStdString();
        EXPECT_EQ(FormatTableToJson(back), doc);
    }
}

TEST(LoadFormatTable, MoreThan256RecordsAreReadInFull)
{
    QString doc = "{";
    for (int r = 1; r <= 300; ++r)
        doc += QStringLiteral("\"%1\":{\"schriftname\":\"F%1\",\"schriftgroesse\":\"%1\",\"fett\":\"%2\"}")
                   .arg(r)
                   .arg(r % 2 ? "true" : "false");
    doc += "}";
    FormatTable t("mt_snrInfo", FormatTable::SnrInfoSchema());
    LoadFormatTable(doc, t, nullptr);
    ASSERT_EQ(t.RecordCount(), 300);
    for (int r : {0, 255, 256, 257, 299}) {
        EXPECT_EQ(RowTexts(t, r), QStringList({QStringLiteral("F%1").arg(r + 1), QString::number(r + 1), U,
                                               (r + 1) % 2 ? "true" : "false", U}))
            << r;
    }
    EXPECT_EQ(t.RecNo(), 300);
    EXPECT_EQ(FormatTableToJson(t), QString(doc).replace(",\"fett\"", ",\"farbe\":\"\",\"fett\""));
}

// A bound control that refuses to give up its input for one row.
class RefusingControl : public FormatTableObserver
{
  public:
    explicit RefusingControl(FormatTable &t) : m_table(t) {}
    void writePendingInput() override
    {
        if (m_table.State() == TableState::Insert && m_table.asText(0) == "B")
            throw Failure("'x' ist kein gültiger Integerwert für Feld 'schriftgroesse'");
    }

  private:
    FormatTable &m_table;
};

TEST(LoadFormatTable, RowThatCannotBePostedIsReportedAndReadingGoesOn)
{
    FormatTable t("mt_snrInfo", FormatTable::SnrInfoSchema());
    ViewLink ds(&t);
    RefusingControl control(t);
    ds.addObserver(&control);
    int scrolls = 0;
    t.setAfterScroll([&] { ++scrolls; });
    QStringList reports;
    LoadFormatTable(R"({"1":{"schriftname":"A"}"2":{"schriftname":"B"}"3":{"schriftname":"C"}})", t,
                    [&](const QString &m) { reports << m; });
    EXPECT_EQ(reports, QStringList({"Fehler bei ZeilenFormat 1 -> 'x' ist kein gültiger Integerwert für Feld "
                                    "'schriftgroesse'"}));
    ASSERT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(RowTexts(t, 0).at(0), "A");
    EXPECT_EQ(RowTexts(t, 1).at(0), "C");
    EXPECT_GE(scrolls, 3); // every Append fires the row-change reaction
}

} // namespace
