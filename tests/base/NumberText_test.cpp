#include "base/NumberText.h"

#include <gtest/gtest.h>

namespace
{

struct IntCase {
    const char16_t *text;
    int32_t expected; // with default 99
};

const IntCase kIntCases[] = {
    {u" 12", 12},
    {u"+5", 5},
    {u"-1", -1},
    {u"$1F", 31},
    {u"x1F", 31},
    {u"X1f", 31},
    {u"0x1F", 31},
    {u"0X1F", 31},
    {u"-$10", -16},
    {u"$FFFFFFFF", -1},
    {u"$80000000", INT32_MIN},
    {u"$000000001", 1},
    {u"12 ", 99},
    {u"12abc", 99},
    {u"1 2", 99},
    {u"-", 99},
    {u"$", 99},
    {u"0x", 99},
    {u"", 99},
    {u"   ", 99},
    {u"2147483648", 99},
    {u"99999999999", 99},
    {u"-2147483648", INT32_MIN},
    {u"2147483647", INT32_MAX},
    {u"007", 7},
    {u"$100000000", 99},
    {u"\t5", 99},
    {u"+-5", 99},
    {u"1\u00A0", 99},
    {u"\uFF11", 99},
    {u"0", 0},
    {u"-0", 0},
};

class ParseIntOrDefaultTest : public ::testing::TestWithParam<IntCase>
{
};

TEST_P(ParseIntOrDefaultTest, ConvertsOrFallsBack)
{
    const IntCase &c = GetParam();
    EXPECT_EQ(ParseIntOrDefault(QString::fromUtf16(c.text), 99), c.expected)
        << QString::fromUtf16(c.text).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Table, ParseIntOrDefaultTest, ::testing::ValuesIn(kIntCases));

TEST(HexDigit, AsciiDigitsOfEitherCaseOnly)
{
    const struct {
        char16_t c;
        int value;
    } cases[] = {{u'0', 0},  {u'9', 9},  {u'a', 10}, {u'f', 15}, {u'A', 10}, {u'F', 15}, {u'g', -1},
                 {u'G', -1}, {u'/', -1}, {u':', -1}, {u'@', -1}, {u'`', -1}, {u' ', -1}, {u'\uFF11', -1}};
    for (const auto &c : cases)
        EXPECT_EQ(HexDigitValue(QChar(c.c)), c.value) << int(c.c);
}

TEST(FlagRule, TrueWordsOnly)
{
    for (const char *t : {"ja", "JA", "Ja", "true", "TRUE", "1", "wahr", "WAHR", "jA"})
        EXPECT_TRUE(IsTrueFlag(QString::fromLatin1(t))) << t;
    for (const char *t : {"yes", "j", "0", "nein", "", "ja.", " ja", "ja ", "truE1"})
        EXPECT_FALSE(IsTrueFlag(QString::fromLatin1(t))) << t;
    // Only A to Z are folded: a dotted capital I does not become "i".
    EXPECT_FALSE(IsTrueFlag(QStringLiteral("WAHR\u0130")));
    EXPECT_FALSE(IsTrueFlag(QStringLiteral("W\u00C4HR")));
}

} // namespace
