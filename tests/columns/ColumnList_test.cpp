#include "columns/ColumnList.h"

#include <gtest/gtest.h>

namespace
{

struct SplitCase {
    const char *name;
    QString input;
    QStringList items;
};

const QString kAcute = QString(QChar(0x0301));
const QString kEmoji = QString::fromUtf16(u"\U0001F600");

std::vector<SplitCase> splitCases()
{
    return {
        {"single", "Startnr", {"Startnr"}},
        {"sample", "Startnr,\"Team \"&&[Verein]", {"Startnr", "\"Team \"&&[Verein]"}},
        {"three", "A,B,C", {"A", "B", "C"}},
        {"commaInQuotes", "\"a, b\",Startnr", {"\"a, b\"", "Startnr"}},
        {"leadingBlanksDropped", "  Startnr, Name", {"Startnr", " Name"}},
        {"blankBeforeComma", "Startnr ,Name", {"Startnr ", "Name"}},
        {"doubleComma", "A,,B", {"A", "", "B"}},
        {"trailingComma", "A,", {"A", ""}},
        {"leadingComma", ",A", {"", "A"}},
        {"onlyComma", ",", {"", ""}},
        {"blankThenComma", " ,A", {"", "A"}},
        {"blanksOnly", "   ", {}},
        {"empty", "", {}},
        {"unmatchedQuote", "\"a, b,Startnr", {"\"a, b,Startnr"}},
        {"emptyQuotes", "\"\",Startnr", {"\"\"", "Startnr"}},
        {"tabBeforeComma", "x\t,y", {"x\t", "y"}},
        {"leadingTab", "\tStartnr", {"Startnr"}},
        {"markAfterComma", "A," + kAcute + "B", {"A", "B"}},
        {"markInItem", "e" + kAcute + ",f", {"e" + kAcute, "f"}},
        {"surrogatePairKept", "A" + kEmoji + ",B", {"A" + kEmoji, "B"}},
        {"nulEndsText", QString("A,B") + QChar(0) + ",C", {"A", "B"}},
        {"markAfterTrailingComma", "A," + kAcute, {"A", ""}},
    };
}

class SplitColumnListTest : public testing::TestWithParam<SplitCase>
{
};

TEST_P(SplitColumnListTest, GivesTheItemsAsTyped)
{
    ColumnList list;
    list.add("stale");
    SplitColumnList(GetParam().input, list);
    EXPECT_EQ(list.items(), GetParam().items);
    EXPECT_EQ(list.count(), GetParam().items.size());
}

INSTANTIATE_TEST_SUITE_P(Examples, SplitColumnListTest, testing::ValuesIn(splitCases()),
                         [](const testing::TestParamInfo<SplitCase> &info) { return info.param.name; });

struct NextCase {
    QString text;
    qsizetype from;
    qsizetype expected;
};

TEST(NextCharPos, StepsOverSurrogatesAndMarksButNeverPastTheEnd)
{
    const QString lone = QString(QChar(0xDC00));
    const std::vector<NextCase> cases = {
        {"ab", 0, 1},
        {"ab", 2, 2},                          // at the end
        {"a" + kEmoji + "b", 1, 3},            // high surrogate, then its low surrogate
        {"a" + kAcute + kAcute + "b", 0, 3},   // marks after the character
        {"," + lone + "x", 0, 2},              // a lone low surrogate is stepped over too
        {"a" + kAcute, 0, 2},                  // the mark at the end, then stop
        {QString("a") + QChar(0) + "b", 1, 1}, // U+0000 is the end
        {"a,", 0, 1},                          // a comma is never skipped
    };
    for (const NextCase &c : cases)
        EXPECT_EQ(NextCharPos(c.text, c.from), c.expected) << c.text.toStdString() << " from " << c.from;
}

TEST(SplitColumnList, LongLineKeepsEveryColumn)
{
    QStringList expected;
    QString line;
    for (int i = 0; i < 300; ++i) {
        expected << QStringLiteral("[F%1]").arg(i);
        line += (i ? "," : "") + expected.back();
    }
    ColumnList list;
    SplitColumnList(line, list);
    EXPECT_EQ(list.items(), expected);
}

} // namespace
