#include "columns/ColumnSync.h"

#include "TableTestSupport.h"

#include <gtest/gtest.h>

namespace
{

class ColumnSyncTest : public testing::Test
{
  protected:
    FormatTable spalten{"mt_spalten", FormatTable::SpaltenSchema()};
    FormatTable ueberschrift{"mt_ueberschrift", FormatTable::UeberschriftSchema()};
    FormatTable snrInfo{"mt_snrInfo", FormatTable::SnrInfoSchema()};
    ViewLink dsSpalten{&spalten};
    ViewLink dsUeberschrift{&ueberschrift};
    ViewLink dsSnrInfo{&snrInfo};
    ColumnList infoColumns;
    ColumnList snrInfoColumns;
    QString label;
    int labelSets = 0;
    QString snrLabel;

    void SetUp() override { ueberschrift.setMasterSource(&dsSpalten); }

    void type(const QString &line)
    {
        SyncInfoZeile(line, infoColumns, spalten, ueberschrift, dsSpalten, dsUeberschrift,
                      [this](const QString &t) {
                          label = t;
                          ++labelSets;
                      });
    }
    void typeSnr(const QString &line)
    {
        SyncSnrInfoFelder(line, snrInfoColumns, snrInfo, dsSnrInfo,
                          [this](const QString &t) { snrLabel = t; });
    }
    static QStringList column(const FormatTable &t, int pos)
    {
        QStringList out;
        for (int r = 0; r < int(t.rows().size()); ++r)
            out << RowTexts(t, r).at(pos);
        return out;
    }
};

TEST_F(ColumnSyncTest, FirstFormulaCreatesTheOneFieldRows)
{
    type("Startnr");
    EXPECT_EQ(label, "(Anzahl Spalten = 1)");
    ASSERT_EQ(spalten.RecordCount(), 1);
    ASSERT_EQ(ueberschrift.RecordCount(), 1);
    EXPECT_EQ(RowTexts(spalten, 0),
              QStringList({"1", "<unset>", "<unset>", "<unset>", "<unset>", "<unset>", "Startnr"}));
    EXPECT_EQ(RowTexts(ueberschrift, 0),
              QStringList({"1", "<unset>", "<unset>", "<unset>", "Startnr", "<unset>"}));
    EXPECT_EQ(spalten.RecNo(), 1);
    EXPECT_EQ(ueberschrift.RecNo(), 1);
    EXPECT_EQ(dsSpalten.table(), &spalten);
    EXPECT_EQ(dsUeberschrift.table(), &ueberschrift);
}

TEST_F(ColumnSyncTest, NewColumnCopiesThePreviousLastRow)
{
    type("A");
    spalten.First();
    spalten.Edit();
    spalten.setText(0, "Arial");
    spalten.setInteger(1, 24);
    spalten.setText(4, "rechts");
    spalten.Post();
    ueberschrift.First();
    ueberschrift.Edit();
    ueberschrift.setText(5, "Nummer");
    ueberschrift.Post();

    type("A,B");
    EXPECT_EQ(label, "(Anzahl Spalten = 2)");
    ASSERT_EQ(spalten.RecordCount(), 2);
    EXPECT_EQ(RowTexts(spalten, 1),
              QStringList({"Arial", "24", "<unset>", "<unset>", "rechts", "<unset>", "B"}));
    EXPECT_EQ(RowTexts(ueberschrift, 1), QStringList({"1", "<unset>", "<unset>", "<unset>", "B", "Nummer"}));
    EXPECT_EQ(column(spalten, 6), QStringList({"A", "B"}));
    EXPECT_EQ(spalten.RecNo(), 2);
    EXPECT_EQ(ueberschrift.RecNo(), 1);
}

TEST_F(ColumnSyncTest, RemovedColumnDropsTheLastRowAndShiftsFormulas)
{
    type("A,B,C");
    for (int r = 1; r <= 3; ++r) {
        spalten.First();
        for (int i = 1; i < r; ++i)
            spalten.Next();
        spalten.Edit();
        spalten.setText(0, QStringLiteral("Font%1").arg(r));
        spalten.Post();
    }
    type("B,C");
    EXPECT_EQ(label, "(Anzahl Spalten = 2)");
    EXPECT_EQ(column(spalten, 0), QStringList({"Font1", "Font2"}));
    EXPECT_EQ(column(spalten, 6), QStringList({"B", "C"}));
    EXPECT_EQ(column(ueberschrift, 4), QStringList({"B", "C"}));
}

TEST_F(ColumnSyncTest, SameCountOnlyRewritesChangedFormulas)
{
    type("A,B");
    ueberschrift.First();
    ueberschrift.Edit();
    ueberschrift.setText(4, "von Hand");
    ueberschrift.Post();
    const int setsBefore = labelSets;
    label = "unberührt";

    type("A,X");
    EXPECT_EQ(labelSets, setsBefore);
    EXPECT_EQ(label, "unberührt");
    EXPECT_EQ(column(spalten, 6), QStringList({"A", "X"}));
    // heading row 1 is written only together with its detection row
    EXPECT_EQ(column(ueberschrift, 4), QStringList({"von Hand", "X"}));
}

TEST_F(ColumnSyncTest, BlankLineEmptiesTablesAndRetypingRestarts)
{
    type("A,B");
    type("   ");
    EXPECT_EQ(label, "(Anzahl Spalten = 0)");
    EXPECT_EQ(spalten.RecordCount(), 0);
    EXPECT_EQ(ueberschrift.RecordCount(), 0);
    EXPECT_EQ(infoColumns.count(), 0);
    type("A");
    EXPECT_EQ(label, "(Anzahl Spalten = 1)");
    ASSERT_EQ(spalten.RecordCount(), 1);
    EXPECT_EQ(RowTexts(spalten, 0).at(0), "1");
    EXPECT_EQ(RowTexts(spalten, 0).at(6), "A");
}

TEST_F(ColumnSyncTest, EmptiedFieldChangesNothing)
{
    type("A,B");
    const auto rows = spalten.rows();
    const int sets = labelSets;
    type("");
    EXPECT_EQ(spalten.rows(), rows);
    EXPECT_EQ(infoColumns.count(), 2);
    EXPECT_EQ(labelSets, sets);
    type("C,D"); // compared with the two items from before the field was emptied
    EXPECT_EQ(labelSets, sets);
    EXPECT_EQ(column(spalten, 6), QStringList({"C", "D"}));
}

TEST_F(ColumnSyncTest, LongFormulaIsCutAndRewrittenOnEveryChange)
{
    const QString longFormula(1030, 'x');
    type(longFormula + ",B");
    EXPECT_EQ(RowTexts(spalten, 0).at(6), QString(1024, 'x'));
    EXPECT_EQ(RowTexts(ueberschrift, 0).at(4), QString(1024, 'x'));
    ueberschrift.First();
    ueberschrift.Edit();
    ueberschrift.setText(4, "überschrieben");
    ueberschrift.Post();
    type(longFormula + ",C");
    EXPECT_EQ(RowTexts(ueberschrift, 0).at(4), QString(1024, 'x'));
}

TEST_F(ColumnSyncTest, CommaInQuotesAddsNoRow)
{
    type("\"a, b\",Startnr");
    EXPECT_EQ(spalten.RecordCount(), 2);
    EXPECT_EQ(column(spalten, 6), QStringList({"\"a, b\"", "Startnr"}));
}

TEST_F(ColumnSyncTest, LoadedRowsAreCutToTheLineAndGetTheirFormulas)
{
    for (int r = 1; r <= 3; ++r) {
        AddRow(spalten, {QStringLiteral("Font%1").arg(r)});
        AddRow(ueberschrift, {QStringLiteral("Kopf%1").arg(r)});
    }
    type("Startnr,[Name]");
    EXPECT_EQ(column(spalten, 0), QStringList({"Font1", "Font2"}));
    EXPECT_EQ(column(spalten, 6), QStringList({"Startnr", "[Name]"}));
    EXPECT_EQ(column(ueberschrift, 0), QStringList({"Kopf1", "Kopf2"}));
    EXPECT_EQ(column(ueberschrift, 4), QStringList({"Startnr", "[Name]"}));
}

TEST_F(ColumnSyncTest, BlankLineOverLoadedRowsLeavesThemAlone)
{
    AddRow(spalten, {"Font1"});
    AddRow(spalten, {"Font2"});
    type("  ");
    EXPECT_EQ(label, "");
    EXPECT_EQ(spalten.RecordCount(), 2);
    EXPECT_EQ(column(spalten, 6), QStringList({"<unset>", "<unset>"}));
}

TEST_F(ColumnSyncTest, PanelsAreDetachedDuringTheChange)
{
    type("A");
    RecordingObserver panel;
    dsSpalten.addObserver(&panel);
    type("A,B,C");
    EXPECT_EQ(*panel.log, QStringList({"off", "on"}));
}

TEST_F(ColumnSyncTest, FailuresAreSwallowedAndLinksComeBack)
{
    type("A");
    ueberschrift.Close(); // every move of the heading table now fails
    EXPECT_NO_THROW(type("A,B"));
    EXPECT_EQ(dsSpalten.table(), &spalten);
    EXPECT_EQ(dsUeberschrift.table(), &ueberschrift);
    // detaching the detection link already failed, so the line was not split
    EXPECT_EQ(label, "(Anzahl Spalten = 1)");
    EXPECT_EQ(infoColumns.count(), 1);
    EXPECT_EQ(spalten.RecordCount(), 1);
}

TEST_F(ColumnSyncTest, StartNumberInfoFollowsItsOwnLine)
{
    int scrolls = 0;
    snrInfo.setAfterScroll([&] { ++scrolls; });
    typeSnr("Startnr,[Name],[Verein]");
    EXPECT_EQ(snrLabel, "(Anzahl Spalten = 3)");
    EXPECT_EQ(label, "");
    EXPECT_EQ(column(snrInfo, 4), QStringList({"Startnr", "[Name]", "[Verein]"}));
    EXPECT_EQ(column(snrInfo, 0), QStringList({"1", "1", "1"}));
    EXPECT_EQ(snrInfo.RecNo(), 3);
    EXPECT_GT(scrolls, 0);
    EXPECT_EQ(spalten.RecordCount(), 0);
    typeSnr("[Name]");
    EXPECT_EQ(snrLabel, "(Anzahl Spalten = 1)");
    EXPECT_EQ(column(snrInfo, 4), QStringList({"[Name]"}));
    EXPECT_EQ(dsSnrInfo.table(), &snrInfo);
}

} // namespace
