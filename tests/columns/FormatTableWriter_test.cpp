#include "columns/FormatTableWriter.h"

#include "TableTestSupport.h"

#include <gtest/gtest.h>

namespace
{

enum class Schema { Spalten, Ueberschrift, SnrInfo };

struct WriterCase {
    const char *name;
    Schema schema;
    std::vector<QStringList> rows; // field texts in field order, "" = unset
    QString document;
};

std::unique_ptr<FormatTable> makeTable(Schema s)
{
    switch (s) {
    case Schema::Spalten:
        return std::make_unique<FormatTable>("mt_spalten", FormatTable::SpaltenSchema());
    case Schema::Ueberschrift:
        return std::make_unique<FormatTable>("mt_ueberschrift", FormatTable::UeberschriftSchema());
    case Schema::SnrInfo:
        break;
    }
    return std::make_unique<FormatTable>("mt_snrInfo", FormatTable::SnrInfoSchema());
}

std::vector<WriterCase> writerCases()
{
    return {
        {"spaltenOneRow",
         Schema::Spalten,
         {{"Arial", "24", "#FFFFFF", "true", "links", "5", "Startnr"}},
         R"({"1":{"schriftname":"Arial","schriftgroesse":"24","farbe":"#FFFFFF","fett":"true","ausrichtung":"links","anzahlzeichen":"5"}})"},
        {"spaltenTwoRows",
         Schema::Spalten,
         {{"Arial", "24", "#FFFFFF", "true", "links", "5", "Startnr"},
          {"Arial", "24", "#000000", "false", "rechts", "20", "[Name]"}},
         R"({"1":{"schriftname":"Arial","schriftgroesse":"24","farbe":"#FFFFFF","fett":"true","ausrichtung":"links","anzahlzeichen":"5"}"2":{"schriftname":"Arial","schriftgroesse":"24","farbe":"#000000","fett":"false","ausrichtung":"rechts","anzahlzeichen":"20"}})"},
        {"ueberschriftOneRow",
         Schema::Ueberschrift,
         {{"Tahoma", "14", "#FFFFFF", "false", "Startnr", "Startnr"}},
         R"({"1":{"schriftname":"Tahoma","schriftgroesse":"14","farbe":"#FFFFFF","fett":"false","text":"Startnr"}})"},
        {"ueberschriftTwoRows",
         Schema::Ueberschrift,
         {{"Tahoma", "14", "#FFFFFF", "false", "x", "Startnr"},
          {"Tahoma", "14", "#FFFFFF", "true", "y", "Name"}},
         R"({"1":{"schriftname":"Tahoma","schriftgroesse":"14","farbe":"#FFFFFF","fett":"false","text":"Startnr"}"2":{"schriftname":"Tahoma","schriftgroesse":"14","farbe":"#FFFFFF","fett":"true","text":"Name"}})"},
        {"snrInfoOneRow",
         Schema::SnrInfo,
         {{"Tahoma", "12", "#FFFFFF", "false"}},
         R"({"1":{"schriftname":"Tahoma","schriftgroesse":"12","farbe":"#FFFFFF","fett":"false"}})"},
        {"snrInfoTwoRows",
         Schema::SnrInfo,
         {{"Tahoma", "12", "#FFFFFF", "false"}, {"Tahoma", "12", "#000000", "true"}},
         R"({"1":{"schriftname":"Tahoma","schriftgroesse":"12","farbe":"#FFFFFF","fett":"false"}"2":{"schriftname":"Tahoma","schriftgroesse":"12","farbe":"#000000","fett":"true"}})"},
        {"snrInfoNoRows",
         Schema::SnrInfo,
         {},
         R"({"-1":{"schriftname":"","schriftgroesse":"","farbe":"","fett":"false"}})"},
        {"spaltenNoRows",
         Schema::Spalten,
         {},
         R"({"-1":{"schriftname":"","schriftgroesse":"","farbe":"","fett":"false","ausrichtung":"","anzahlzeichen":""}})"},
        {"unsetFieldsAndNegative",
         Schema::Spalten,
         {{"", "-3", "", "", "", "", "F"}},
         R"({"1":{"schriftname":"","schriftgroesse":"-3","farbe":"","fett":"false","ausrichtung":"","anzahlzeichen":""}})"},
        {"escapesOnlyQuoteBackslashAndLineBreaks",
         Schema::Ueberschrift,
         {{" Arial ", "0", "#ffffff", "false", "s",
           QString::fromUtf16(u"a\"b\\c\nd\re\tf ä € \U0001F600") + QChar(0) + "g"}},
         QString::fromUtf16(
             uR"({"1":{"schriftname":" Arial ","schriftgroesse":"0","farbe":"#ffffff","fett":"false","text":"a\"b\\c\nd\re)"
             u"\tf ä € \U0001F600\\u0000g\"}}")},
    };
}

class FormatTableToJsonTest : public testing::TestWithParam<WriterCase>
{
};

TEST_P(FormatTableToJsonTest, WritesTheDocumentByteForByte)
{
    auto table = makeTable(GetParam().schema);
    for (const QStringList &row : GetParam().rows)
        AddRow(*table, row);
    EXPECT_EQ(FormatTableToJson(*table), GetParam().document);
    if (!GetParam().rows.empty()) {
        EXPECT_EQ(table->RecNo(), table->RecordCount());
        EXPECT_TRUE(table->Eof());
    }
}

INSTANTIATE_TEST_SUITE_P(Documents, FormatTableToJsonTest, testing::ValuesIn(writerCases()),
                         [](const testing::TestParamInfo<WriterCase> &info) { return info.param.name; });

TEST(FormatTableToJson, PendingEditIsPostedAndNewUnchangedRowDiscarded)
{
    FormatTable t("mt_snrInfo", FormatTable::SnrInfoSchema());
    AddRow(t, {"A", "1", "", "true"});
    t.First();
    t.Edit();
    t.setText(0, "B");
    EXPECT_EQ(FormatTableToJson(t),
              R"({"1":{"schriftname":"B","schriftgroesse":"1","farbe":"","fett":"true"}})");
    t.Append();
    EXPECT_EQ(FormatTableToJson(t),
              R"({"1":{"schriftname":"B","schriftgroesse":"1","farbe":"","fett":"true"}})");
    EXPECT_EQ(t.RecordCount(), 1);
}

TEST(FormatTableToJson, AfterScrollFiresForEveryMove)
{
    FormatTable t("mt_snrInfo", FormatTable::SnrInfoSchema());
    AddRow(t, {"A"});
    AddRow(t, {"B"});
    AddRow(t, {"C"});
    int scrolls = 0;
    t.setAfterScroll([&] { ++scrolls; });
    FormatTableToJson(t);
    EXPECT_EQ(scrolls, 4); // First, then Next three times (the last one sets Eof)
}

} // namespace
