#include "preview/SampleParticipants.h"

#include <gtest/gtest.h>

void PrintTo(const QString &text, std::ostream *os)
{
    *os << text.toStdString();
}

// Which formulas the preview fills with a sample participant's value and
// which it shows as written.

namespace
{

struct Case {
    const char *formula;
    int row;
    const char *shown; // nullptr: the formula itself
};

class SampleTextTest : public ::testing::TestWithParam<Case>
{
};

TEST_P(SampleTextTest, PlainFieldsTakeTheSampleOthersShowThemselves)
{
    const Case &c = GetParam();
    const QString formula = QString::fromUtf8(c.formula);
    const QString shown = SampleParticipants::CellText(formula, c.row);
    EXPECT_EQ(shown, c.shown ? QString::fromUtf8(c.shown) : formula) << c.formula;
    EXPECT_EQ(SampleParticipants::Value(formula, c.row).has_value(), c.shown != nullptr) << c.formula;
}

INSTANTIATE_TEST_SUITE_P(Formulas, SampleTextTest,
                         ::testing::Values(Case{"Startnr", 0, "17"}, Case{"[Startnr]", 0, "17"},
                                           Case{"STARTNR", 1, "203"}, Case{"[name]", 0, "Müller"},
                                           Case{" Name ", 2, "Fischer"}, Case{"\t[Vorname]", 0, "Anna"},
                                           Case{"[ Verein ]", 0, "SC Ötztal"}, Case{"Zeit", 0, "0:41:07,3"},
                                           Case{"Rang", 3, "4"}, Case{"Nation", 0, "AUT"},
                                           Case{"Jahrgang", 0, "1994"}, Case{"Klasse", 0, "W30"},
                                           // Participants repeat after the last one.
                                           Case{"Name", 12, "Müller"}, Case{"Name", -1, "Klein"},
                                           Case{"\"Team \"&&[Verein]", 0, nullptr}, Case{"[Name", 0, nullptr},
                                           Case{"Startnummer", 0, nullptr}, Case{"", 0, nullptr},
                                           Case{"[]", 0, nullptr},
                                           // A no-break space is part of the text, not a blank around it.
                                           Case{"\u00A0Name", 0, nullptr}));

TEST(SampleParticipants, EveryFieldHasAValueForEveryParticipant)
{
    ASSERT_GE(SampleParticipants::Count(), 8);
    for (const QString &field : SampleParticipants::FieldNames())
        for (int row = 0; row < SampleParticipants::Count(); ++row) {
            const std::optional<QString> value = SampleParticipants::Value(field, row);
            ASSERT_TRUE(value.has_value()) << field.toStdString();
            EXPECT_FALSE(value->isEmpty()) << field.toStdString() << " " << row;
        }
}

TEST(SampleParticipants, TrimControlsKeepsOtherSpaces)
{
    EXPECT_EQ(SampleParticipants::TrimControls(QStringLiteral(" \t\x01"
                                                              "a b\r\n")),
              "a b");
    EXPECT_EQ(SampleParticipants::TrimControls(QStringLiteral("\u2003a\u00A0")),
              QStringLiteral("\u2003a\u00A0"));
    EXPECT_EQ(SampleParticipants::TrimControls(QStringLiteral("   ")), "");
}

} // namespace
