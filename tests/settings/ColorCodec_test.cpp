#include "settings/ColorCodec.h"

#include <gtest/gtest.h>

namespace
{

TEST(ColorCodec, ColorToHex)
{
    EXPECT_EQ(ColorToHex(0x0080FF), "#FF8000");
    EXPECT_EQ(ColorToHex(0), "#000000");
    EXPECT_EQ(ColorToHex(0x0A0B0C), "#0C0B0A");
    EXPECT_EQ(ColorToHex(0xFF0A0B0C), "#0C0B0A");
}

struct ColorCase {
    const char16_t *text;
    uint32_t expected;
};

const ColorCase kColorCases[] = {
    {u"#FF8000", 0x0080FF},
    {u"#ff8000", 0x0080FF},
    {u"", 0},
    {u"#", 0},
    {u"#FFF", 0x000FFF},
    {u"#12345", 0x053412},
    {u"FF8000", 0x0000F8},
    {u"#1234567", 0x563412},
    {u"#GG0000", 0xFFFFFF},
    {u"#12 456", 0xFFFFFF},
    {u"blau", 0xFFFFFF},
    {u"#000000", 0},
    {u"#FFFFFF", 0xFFFFFF},
    {u"#-12345", 0xFFFFFF},
};

class HexToColorTest : public ::testing::TestWithParam<ColorCase>
{
};

TEST_P(HexToColorTest, Reads)
{
    EXPECT_EQ(HexToColor(QString::fromUtf16(GetParam().text)), GetParam().expected)
        << QString::fromUtf16(GetParam().text).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Table, HexToColorTest, ::testing::ValuesIn(kColorCases));

TEST(ColorCodec, RoundTripClearsTopByte)
{
    for (uint32_t c : {0x00000000u, 0x00FFFFFFu, 0x12345678u, 0xFF0080FFu, 0x00010203u})
        EXPECT_EQ(HexToColor(ColorToHex(c)), c & 0xFFFFFFu);
}

} // namespace
