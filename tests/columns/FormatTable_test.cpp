#include "base/Failure.h"
#include "columns/FormatTable.h"

#include "TableTestSupport.h"

#include <gtest/gtest.h>

namespace
{

class FormatTableTest : public testing::Test
{
  protected:
    FormatTable spalten{"mt_spalten", FormatTable::SpaltenSchema()};
    FormatTable ueberschrift{"mt_ueberschrift", FormatTable::UeberschriftSchema()};
    ViewLink dsSpalten{&spalten};
    ViewLink dsUeberschrift{&ueberschrift};
    int spaltenScrolls = 0;
    int ueberschriftScrolls = 0;

    void SetUp() override
    {
        spalten.setAfterScroll([this] { ++spaltenScrolls; });
        ueberschrift.setAfterScroll([this] { ++ueberschriftScrolls; });
        ueberschrift.setMasterSource(&dsSpalten);
    }
    void fill(FormatTable &t, int n)
    {
        for (int i = 1; i <= n; ++i)
            AddRow(t, {QStringLiteral("Font%1").arg(i), QString::number(10 + i)});
        spaltenScrolls = ueberschriftScrolls = 0;
    }
    QString RowTextsOfBuffer(int pos) const { return spalten.isNull(pos) ? "<unset>" : spalten.asText(pos); }
    static QString failureOf(const std::function<void()> &f)
    {
        try {
            f();
        } catch (const Failure &e) {
            return e.message();
        }
        return "<no failure>";
    }
};

TEST_F(FormatTableTest, FirstOnEmptyTableFiresAfterScrollAndSetsEof)
{
    spalten.First();
    EXPECT_EQ(spaltenScrolls, 1);
    EXPECT_TRUE(spalten.Eof());
    EXPECT_TRUE(spalten.Bof());
    EXPECT_EQ(spalten.RecNo(), -1);
    EXPECT_EQ(spalten.RecordCount(), 0);
}

TEST_F(FormatTableTest, NextOnLastRowSetsEofOnceThenDoesNothing)
{
    fill(spalten, 2);
    spalten.First();
    EXPECT_FALSE(spalten.Eof());
    spalten.Next();
    EXPECT_EQ(spalten.RecNo(), 2);
    EXPECT_FALSE(spalten.Eof());
    spalten.Next();
    EXPECT_EQ(spalten.RecNo(), 2);
    EXPECT_TRUE(spalten.Eof());
    EXPECT_EQ(spaltenScrolls, 3);
    spalten.Next();
    EXPECT_EQ(spaltenScrolls, 3);
}

TEST_F(FormatTableTest, InsertRecordOnEmptyTableGivesTheOneFieldRow)
{
    spalten.InsertRecord({"1"});
    EXPECT_EQ(spalten.RecordCount(), 1);
    EXPECT_EQ(spalten.RecNo(), 1);
    EXPECT_EQ(spalten.State(), TableState::Browse);
    EXPECT_EQ(spaltenScrolls, 0);
    EXPECT_EQ(spalten.asText(0), "1");
    for (int pos = 1; pos < spalten.fieldCount(); ++pos) {
        EXPECT_TRUE(spalten.isNull(pos)) << pos;
        EXPECT_EQ(spalten.asText(pos), "");
        EXPECT_EQ(spalten.asInteger(pos), 0);
        EXPECT_FALSE(spalten.asFlag(pos));
    }
}

TEST_F(FormatTableTest, CopyRecordAppendsAnExactCopySilently)
{
    AddRow(ueberschrift, {"A", "10", "#000000", "true", "f1", "Kopf 1"});
    AddRow(ueberschrift, {"B", "11", "#111111", "false", "f2", "Kopf 2"});
    AddRow(ueberschrift, {"C", "12", "#222222", "true", "f3", "Kopf 3"});
    ueberschrift.First();
    ueberschrift.Next();
    RecordingObserver obs;
    dsUeberschrift.addObserver(&obs);
    ueberschriftScrolls = 0;

    EXPECT_TRUE(ueberschrift.CopyRecord(ueberschrift.RecordCount(), -1));
    EXPECT_EQ(ueberschrift.RecordCount(), 4);
    EXPECT_EQ(RowTexts(ueberschrift, 3), RowTexts(ueberschrift, 2));
    EXPECT_EQ(RowTexts(ueberschrift, 3).at(5), "Kopf 3");
    EXPECT_EQ(ueberschrift.RecNo(), 2);
    EXPECT_EQ(ueberschriftScrolls, 0);
    EXPECT_TRUE(obs.log->isEmpty());
}

TEST_F(FormatTableTest, CopyRecordRejectsBadPositions)
{
    fill(spalten, 3);
    const auto before = spalten.rows();
    const std::vector<std::pair<int, int>> bad = {{0, -1}, {4, -1}, {2, 2}, {1, -2}, {1, 4}, {-1, -1}};
    for (const auto &[source, destination] : bad) {
        EXPECT_FALSE(spalten.CopyRecord(source, destination)) << source << "," << destination;
        EXPECT_EQ(spalten.rows(), before);
    }
    // destination 0 counts as 1
    EXPECT_TRUE(spalten.CopyRecord(3, 0));
    EXPECT_EQ(RowTexts(spalten, 0).at(0), "Font3");
    EXPECT_EQ(RowTexts(spalten, 1).at(0), "Font1");
}

TEST_F(FormatTableTest, LastThenDeleteDropsTheLastRow)
{
    fill(spalten, 3);
    spalten.Last();
    spalten.Delete();
    EXPECT_EQ(spalten.RecordCount(), 2);
    EXPECT_EQ(spalten.RecNo(), 2);
    EXPECT_EQ(spalten.asText(0), "Font2");
    EXPECT_EQ(spaltenScrolls, 2);
}

TEST_F(FormatTableTest, DeleteInTheMiddleKeepsThePosition)
{
    fill(spalten, 3);
    spalten.First();
    spalten.Next();
    spalten.Delete();
    EXPECT_EQ(spalten.RecNo(), 2);
    EXPECT_EQ(spalten.asText(0), "Font3");
}

TEST_F(FormatTableTest, FailuresCarryTheTableNameAndChangeNothing)
{
    EXPECT_EQ(failureOf([&] { spalten.Delete(); }),
              "mt_spalten: Operation bei leerer Datenmenge nicht ausführbar");
    fill(spalten, 2);
    spalten.First();
    const auto before = spalten.rows();
    EXPECT_EQ(failureOf([&] { spalten.Post(); }),
              "mt_spalten: Datenmenge weder im Editier- noch im Einfügemodus");
    EXPECT_EQ(spalten.rows(), before);
    EXPECT_EQ(spalten.State(), TableState::Browse);
    EXPECT_EQ(spalten.RecNo(), 1);
    EXPECT_EQ(failureOf([&] { spalten.setText(0, "x"); }),
              "mt_spalten: Datenmenge weder im Editier- noch im Einfügemodus");
    ueberschrift.Close();
    EXPECT_EQ(failureOf([&] { ueberschrift.RecordCount(); }),
              "mt_ueberschrift: Operation bei geschlossener Datenmenge nicht ausführbar");
}

TEST_F(FormatTableTest, IntegerFieldFromText)
{
    struct Case {
        QString text;
        bool isNull;
        int value;
        QString failure;
    };
    const std::vector<Case> cases = {
        {"24", false, 24, ""},
        {"-3", false, -3, ""},
        {" 12", false, 12, ""},
        {"$1F", false, 31, ""},
        {"0x10", false, 16, ""},
        {"", true, 0, ""},
        {"abc", false, 7, "'abc' ist kein gültiger Integerwert für Feld 'schriftgroesse'"},
        {"12 ", false, 7, "'12 ' ist kein gültiger Integerwert für Feld 'schriftgroesse'"},
        {"99999999999", false, 7, "'99999999999' ist kein gültiger Integerwert für Feld 'schriftgroesse'"},
    };
    for (const Case &c : cases) {
        spalten.Append();
        spalten.setInteger(1, 7);
        EXPECT_EQ(failureOf([&] { spalten.setText(1, c.text); }),
                  c.failure.isEmpty() ? "<no failure>" : c.failure)
            << c.text.toStdString();
        EXPECT_EQ(spalten.isNull(1), c.isNull) << c.text.toStdString();
        EXPECT_EQ(spalten.asInteger(1), c.value) << c.text.toStdString();
        spalten.Cancel();
    }
}

TEST_F(FormatTableTest, TextLimitsCountCodeUnitsAndKeepSurrogatePairs)
{
    const QString emoji = QString::fromUtf16(u"\U0001F600");
    struct Case {
        int pos;
        QString in;
        QString out;
    };
    const std::vector<Case> cases = {
        {6, QString(1030, 'x'), QString(1024, 'x')},
        {0, QString(120, 'f'), QString(100, 'f')},
        {2, "#FFFFFF00", "#FFFFFF"},
        {2, "#FFFFF" + emoji, "#FFFFF"},             // the pair would straddle the limit
        {2, "#FFFF" + emoji + "x", "#FFFF" + emoji}, // the pair fits exactly
        {4, QString::fromUtf8("zentrü"), QString::fromUtf8("zentrü")},
        {6, QString(1023, 'x') + emoji, QString(1023, 'x')}, // spalte
    };
    for (const Case &c : cases) {
        spalten.Append();
        spalten.setText(c.pos, c.in);
        EXPECT_EQ(spalten.asText(c.pos), c.out) << c.pos;
        spalten.Post();
        EXPECT_EQ(spalten.asText(c.pos), c.out) << c.pos;
    }
}

TEST_F(FormatTableTest, GenericValuesFollowTheConversionTable)
{
    using K = GenericValue::Kind;
    auto text = [](const char *t) { return GenericValue{K::Text, t, 0, false}; };
    auto number = [](double n) { return GenericValue{K::Number, {}, n, false}; };
    auto boolean = [](bool b) { return GenericValue{K::Boolean, {}, 0, b}; };
    const GenericValue null;
    const QString bad = "<failure>";
    struct Case {
        int pos;
        GenericValue value;
        QString expected; // RowTexts form; "<failure>" for "Ungültiger Wert"
    };
    // positions: 0 schriftname (text), 1 schriftgroesse (integer), 3 fett (flag)
    const std::vector<Case> cases = {
        {0, text("Arial"), "Arial"}, {0, number(24), "24"},
        {0, boolean(true), "true"},  {0, text(""), ""},
        {0, null, "<unset>"},        {1, text("12"), "12"},
        {1, text("-7"), "-7"},       {1, text("+7"), "7"},
        {1, text("TRUE"), "1"},      {1, text("false"), "0"},
        {1, text("abc"), bad},       {1, text(""), bad},
        {1, text("12.5"), bad},      {1, number(12.5), "12"},
        {1, number(13.5), "14"},     {1, number(-2.5), "-2"},
        {1, number(2.6), "3"},       {1, number(3e10), bad},
        {1, boolean(true), "-1"},    {1, boolean(false), "0"},
        {1, null, "<unset>"},        {1, text("99999999999"), bad},
        {3, text("TRUE"), "true"},   {3, text("0"), "false"},
        {3, text("-3"), "true"},     {3, text("ja"), bad},
        {3, text(""), bad},          {3, number(0), "false"},
        {3, number(0.5), "true"},    {3, boolean(true), "true"},
        {3, null, "<unset>"},
    };
    for (const Case &c : cases) {
        spalten.EmptyTable();
        spalten.Append();
        spalten.setText(0, "old");
        spalten.setInteger(1, 5);
        spalten.setFlag(3, true);
        const QString before = RowTextsOfBuffer(c.pos);
        QString got;
        try {
            spalten.setGeneric(c.pos, c.value);
            got = RowTextsOfBuffer(c.pos);
        } catch (const Failure &e) {
            EXPECT_EQ(e.message(),
                      QStringLiteral("Ungültiger Wert für Feld '%1'").arg(spalten.field(c.pos).name));
            EXPECT_EQ(RowTextsOfBuffer(c.pos), before);
            got = bad;
        }
        EXPECT_EQ(got, c.expected) << "field " << c.pos << " kind " << int(c.value.kind) << " "
                                   << c.value.text.toStdString() << c.value.number;
        spalten.Cancel();
    }
}

TEST_F(FormatTableTest, CommitStepPostsOnlyModifiedEdits)
{
    fill(spalten, 2);
    spalten.First();
    spalten.Edit();
    EXPECT_EQ(spalten.State(), TableState::Edit);
    spalten.Next();
    EXPECT_EQ(spalten.State(), TableState::Browse);
    EXPECT_EQ(RowTexts(spalten, 0).at(0), "Font1");

    spalten.First();
    spalten.Edit();
    spalten.setText(0, "Neu");
    EXPECT_TRUE(spalten.isModified());
    EXPECT_EQ(RowTexts(spalten, 0).at(0), "Font1"); // only in the edit buffer so far
    spalten.Next();
    EXPECT_EQ(RowTexts(spalten, 0).at(0), "Neu");
    EXPECT_EQ(spalten.RecNo(), 2);
}

// A bound field that copies what is typed into the edit buffer only when asked.
class TypingField : public RecordingObserver
{
  public:
    TypingField(FormatTable &t, int pos) : m_table(t), m_pos(pos) {}
    QString pending;
    void writePendingInput() override
    {
        RecordingObserver::writePendingInput();
        if (!pending.isEmpty() &&
            (m_table.State() == TableState::Edit || m_table.State() == TableState::Insert))
            m_table.setText(m_pos, std::exchange(pending, QString()));
    }

  private:
    FormatTable &m_table;
    int m_pos;
};

TEST_F(FormatTableTest, PostTakesOverPendingInputThenCommits)
{
    fill(spalten, 1);
    TypingField field(spalten, 0);
    dsSpalten.addObserver(&field);
    spalten.First();
    spalten.Edit();
    field.pending = "Getippt";
    field.log->clear();
    spalten.Post();
    EXPECT_EQ(RowTexts(spalten, 0).at(0), "Getippt");
    ASSERT_GE(field.log->size(), 3);
    EXPECT_EQ(field.log->at(0), "input");
    EXPECT_EQ(field.log->at(1), "row");
    EXPECT_EQ(field.log->at(2), "commit");
}

TEST_F(FormatTableTest, CommitStepTakesPendingInputIntoAnUnmodifiedEdit)
{
    fill(spalten, 2);
    TypingField field(spalten, 0);
    dsSpalten.addObserver(&field);
    spalten.First();
    spalten.Edit();
    field.pending = "Getippt";
    spalten.Next();
    EXPECT_EQ(RowTexts(spalten, 0).at(0), "Getippt");
}

TEST_F(FormatTableTest, PendingInputThatDoesNotConvertFailsThePost)
{
    fill(spalten, 1);
    TypingField size(spalten, 1);
    dsSpalten.addObserver(&size);
    spalten.First();
    spalten.Edit();
    size.pending = "zwölf";
    EXPECT_EQ(failureOf([&] { spalten.Post(); }),
              "'zwölf' ist kein gültiger Integerwert für Feld 'schriftgroesse'");
    EXPECT_EQ(spalten.State(), TableState::Edit);
    EXPECT_EQ(RowTexts(spalten, 0).at(1), "11");
}

TEST_F(FormatTableTest, AppendAndEditOnEmptyTableStartNewRows)
{
    spalten.Append();
    EXPECT_EQ(spalten.State(), TableState::Insert);
    EXPECT_EQ(spalten.RecNo(), -1);
    EXPECT_EQ(spaltenScrolls, 1);
    spalten.Cancel();
    EXPECT_EQ(spaltenScrolls, 2);
    EXPECT_EQ(spalten.RecordCount(), 0);

    spalten.Append();
    spalten.First(); // unmodified: discarded
    EXPECT_EQ(spalten.RecordCount(), 0);

    spalten.Edit();
    EXPECT_EQ(spalten.State(), TableState::Insert);
    spalten.setText(0, "Arial");
    spalten.First(); // modified: posted
    EXPECT_EQ(spalten.RecordCount(), 1);
    EXPECT_EQ(spalten.asText(0), "Arial");

    AddRow(spalten, {"Tahoma"});
    EXPECT_EQ(RowTexts(spalten, 1).at(0), "Tahoma");
    EXPECT_EQ(spalten.RecNo(), 2);

    spalten.Append();
    spalten.Delete(); // in insert state: discards like Cancel
    EXPECT_EQ(spalten.RecordCount(), 2);
    EXPECT_EQ(spalten.State(), TableState::Browse);
}

TEST_F(FormatTableTest, DetachingTheMasterLinkRewindsTheHeadingTable)
{
    fill(spalten, 3);
    fill(ueberschrift, 3);
    ueberschrift.Last();
    spalten.First();
    ueberschriftScrolls = 0;

    spalten.Next();
    spalten.Next();
    EXPECT_EQ(spalten.RecNo(), 3);
    EXPECT_EQ(ueberschrift.RecNo(), 3);
    EXPECT_EQ(ueberschriftScrolls, 0);

    dsSpalten.setTable(nullptr);
    EXPECT_EQ(ueberschrift.RecNo(), 1);
    EXPECT_EQ(ueberschriftScrolls, 1);
    ueberschrift.Last();
    ueberschriftScrolls = 0;
    dsSpalten.setTable(&spalten);
    EXPECT_EQ(ueberschrift.RecNo(), 1);
    EXPECT_EQ(ueberschriftScrolls, 1);

    // The same table again is no change of the link.
    dsSpalten.setTable(&spalten);
    EXPECT_EQ(ueberschriftScrolls, 1);
}

TEST_F(FormatTableTest, DetailEditIsPostedBeforeTheMasterMoves)
{
    fill(spalten, 2);
    fill(ueberschrift, 2);
    ueberschrift.First();
    ueberschrift.Edit();
    ueberschrift.setText(5, "Kopf");
    TableState stateSeenByScroll = TableState::Inactive;
    spalten.setAfterScroll([&] { stateSeenByScroll = ueberschrift.State(); });
    spalten.First();
    EXPECT_EQ(stateSeenByScroll, TableState::Browse);
    EXPECT_EQ(RowTexts(ueberschrift, 0).at(5), "Kopf");
    EXPECT_EQ(ueberschrift.RecNo(), 1);
}

TEST_F(FormatTableTest, InactiveMasterLinkDoesNotCommitTheHeadingRow)
{
    fill(spalten, 2);
    fill(ueberschrift, 2);
    dsSpalten.setTable(nullptr);
    ueberschrift.First();
    ueberschrift.Edit();
    ueberschrift.setText(5, "Kopf");
    spalten.First();
    spalten.Last();
    EXPECT_EQ(ueberschrift.State(), TableState::Edit);
    EXPECT_EQ(RowTexts(ueberschrift, 0).at(5), "<unset>");
}

TEST_F(FormatTableTest, ObserversHearOnlyThroughAnActiveLink)
{
    fill(spalten, 2);
    RecordingObserver panel;
    dsSpalten.addObserver(&panel);
    spalten.First();
    EXPECT_EQ(panel.count("commit"), 1);
    EXPECT_EQ(panel.count("data"), 1);

    dsSpalten.setTable(nullptr);
    EXPECT_EQ(panel.count("off"), 1);
    spalten.Next();
    spalten.Edit();
    spalten.setText(0, "x");
    spalten.Post();
    EXPECT_EQ(panel.count("data"), 1);
    EXPECT_EQ(panel.count("row"), 0);

    dsSpalten.setTable(&spalten);
    EXPECT_EQ(panel.count("on"), 1);
    spalten.Edit();
    spalten.setText(0, "y");
    EXPECT_EQ(panel.count("state"), 1);
    EXPECT_EQ(panel.count("row"), 1);
}

TEST_F(FormatTableTest, EmptyTableRemovesAllRowsWithoutAfterScroll)
{
    fill(spalten, 3);
    spalten.EmptyTable();
    EXPECT_EQ(spalten.RecordCount(), 0);
    EXPECT_TRUE(spalten.Eof());
    EXPECT_TRUE(spalten.Bof());
    EXPECT_EQ(spalten.RecNo(), -1);
    EXPECT_EQ(spaltenScrolls, 0);
}

TEST_F(FormatTableTest, OpenLeavesAnOpenTableAlone)
{
    fill(spalten, 2);
    spalten.Last();
    spalten.Open();
    EXPECT_EQ(spalten.RecNo(), 2);
    EXPECT_EQ(spalten.RecordCount(), 2);
}

} // namespace

namespace
{

// Edit, a write and Post of the current row, made in one: the same rows,
// heard as a change of the current row only; a refused write changes
// nothing.
TEST_F(FormatTableTest, EditCurrentWritesLikeEditAndPostButAnnouncesOnlyTheRow)
{
    fill(spalten, 3);
    spalten.First();
    spalten.Next();
    FormatTable reference{"mt_spalten", FormatTable::SpaltenSchema()};
    reference.Open();
    for (int i = 1; i <= 3; ++i)
        AddRow(reference, {QStringLiteral("Font%1").arg(i), QString::number(10 + i)});
    reference.First();
    reference.Next();
    reference.Edit();
    reference.setInteger(SpaltenField::Anzahlzeichen, 17);
    reference.Post();

    RecordingObserver panel;
    dsSpalten.addObserver(&panel);
    spalten.EditCurrent([&] { spalten.setInteger(SpaltenField::Anzahlzeichen, 17); });
    EXPECT_EQ(spalten.rows(), reference.rows());
    EXPECT_EQ(spalten.State(), TableState::Browse);
    EXPECT_EQ(spalten.RecNo(), 2);
    EXPECT_EQ(panel.count("row"), 1);
    EXPECT_EQ(panel.count("data"), 0);
    EXPECT_EQ(panel.count("state"), 0);

    EXPECT_NE(
        failureOf([&] { spalten.EditCurrent([&] { spalten.setText(SpaltenField::Anzahlzeichen, "x"); }); }),
        "<no failure>");
    EXPECT_EQ(spalten.rows(), reference.rows());
    EXPECT_EQ(spalten.State(), TableState::Browse);
}

// Rows and cursor put back as an undo step kept them: an edit in progress is
// dropped, the row-change reaction runs only when the current row is
// another or differs, and nothing is heard when nothing differs.
TEST_F(FormatTableTest, RestoreRowsPutsBackRowsAndCursor)
{
    fill(spalten, 3);
    spalten.First();
    const auto kept = spalten.effectiveRows();
    const int keptCursor = spalten.currentIndex();
    spalten.Next();
    spalten.Next();
    spalten.Edit();
    spalten.setText(SpaltenField::Schriftname, "Other");
    ASSERT_NE(spalten.effectiveRows(), kept);

    RecordingObserver panel;
    dsSpalten.addObserver(&panel);
    spaltenScrolls = 0;
    spalten.RestoreRows(kept, keptCursor);
    EXPECT_EQ(spalten.rows(), kept);
    EXPECT_EQ(spalten.RecNo(), 1);
    EXPECT_EQ(spalten.State(), TableState::Browse);
    EXPECT_EQ(panel.count("data"), 1);
    EXPECT_EQ(spaltenScrolls, 1);

    panel.log->clear();
    spalten.RestoreRows(kept, keptCursor);
    EXPECT_TRUE(panel.log->isEmpty());
    EXPECT_EQ(spaltenScrolls, 1);
}

} // namespace
