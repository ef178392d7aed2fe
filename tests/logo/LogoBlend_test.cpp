#include "logo/LogoBlend.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace
{

// One pixel of straight colour and alpha, stored premultiplied as decoded logos are.
LogoImage OnePixel(uint32_t r, uint32_t g, uint32_t b, uint32_t a)
{
    auto mul = [a](uint32_t c) { return (2 * c * a + 255) / 510; };
    const uint32_t word = a << 24 | mul(r) << 16 | mul(g) << 8 | mul(b);
    return LogoImage(1, 1, QByteArray(reinterpret_cast<const char *>(&word), 4), a < 255);
}

struct BlendCase {
    const char *name;
    uint32_t r, g, b, a; // logo pixel, straight
    uint32_t background; // colour value 0x00BBGGRR
    int opacity;
    uint32_t want; // 0xAARRGGBB
};

void PrintTo(const BlendCase &c, std::ostream *os)
{
    *os << c.name;
}

class BlendTest : public ::testing::TestWithParam<BlendCase>
{
};

TEST_P(BlendTest, FollowsTheRule)
{
    const BlendCase c = GetParam();
    const LogoImage out = BlendLogo(OnePixel(c.r, c.g, c.b, c.a), c.background, c.opacity);
    ASSERT_EQ(out.width(), 1);
    ASSERT_EQ(out.height(), 1);
    EXPECT_EQ(out.pixel(0, 0), c.want) << std::hex << out.pixel(0, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Pixels, BlendTest,
    ::testing::ValuesIn(std::vector<BlendCase>{
        // 200 * 128 / 255 = 100.4
        {"red200_opaque_over_black_at_128", 200, 0, 0, 255, 0x000000, 128, 0xFF640000},
        // premultiplied 100, then 100 * 128 / 255 = 50.2
        {"red200_alpha128_over_black_at_128", 200, 0, 0, 128, 0x000000, 128, 0xFF320000},
        // p = 255 is plain "over": 100 + 255 * 127 / 255 on red, 0 + 127 on green and blue
        {"red200_alpha128_over_white_at_255", 200, 0, 0, 128, 0xFFFFFF, 255, 0xFFE37F7F},
        {"opaque_at_255_is_the_logo", 12, 34, 56, 255, 0xFFFFFF, 255, 0xFF0C2238},
        {"p0_is_the_background", 12, 34, 56, 255, 0x563412, 0, 0xFF123456},
        {"transparent_pixel_is_the_background", 255, 255, 255, 0, 0x0000FF, 200, 0xFFFF0000},
        // background colour value: red in the low byte, blue in the third
        {"background_channels", 0, 0, 0, 0, 0x30201A, 255, 0xFF1A2030},
        // opaque red over blue at 128: red 255 * 128 / 255 = 128, blue 255 * (1 - 128 / 255) = 127
        {"half_opacity_opaque", 255, 0, 0, 255, 0xFF0000, 128, 0xFF80007F},
        {"opacity_above_range_is_255", 12, 34, 56, 255, 0, 999, 0xFF0C2238},
        {"opacity_below_range_is_0", 12, 34, 56, 255, 0x563412, -4, 0xFF123456},
    }),
    [](const auto &info) { return std::string(info.param.name); });

// At full opacity the composite is the logo drawn over the background with
// its own transparency, for every alpha.
TEST(LogoBlend, FullOpacityIsPlainOver)
{
    const uint32_t background = 0x2080F0; // r 0xF0, g 0x80, b 0x20
    const uint32_t bg[3] = {0xF0, 0x80, 0x20};
    for (uint32_t a = 0; a <= 255; a += 5) {
        const uint32_t c[3] = {200, 17, 255};
        const LogoImage out = BlendLogo(OnePixel(c[0], c[1], c[2], a), background, 255);
        for (int ch = 0; ch < 3; ++ch) {
            const double want = c[ch] * a / 255.0 + bg[ch] * (1 - a / 255.0);
            const int got = int(out.pixel(0, 0) >> (16 - 8 * ch) & 0xFF);
            EXPECT_NEAR(got, want, 1.0) << "alpha " << a << " channel " << ch;
        }
    }
}

TEST(LogoBlend, KeepsSizeAndIsOpaque)
{
    std::vector<uint32_t> words(6 * 4);
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = uint32_t(i * 10) << 24; // transparent to nearly opaque black
    const LogoImage logo(
        6, 4, QByteArray(reinterpret_cast<const char *>(words.data()), int(words.size() * 4)), true);
    const LogoImage out = BlendLogo(logo, 0xFFFFFF, 255);
    ASSERT_EQ(out.width(), 6);
    ASSERT_EQ(out.height(), 4);
    EXPECT_FALSE(out.hasAlpha());
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            const uint32_t a = uint32_t(y * 6 + x) * 10;
            const uint32_t grey = (255 * (255 - a) + 127) / 255;
            EXPECT_EQ(out.pixel(x, y), 0xFF000000u | grey << 16 | grey << 8 | grey) << x << "," << y;
        }
    }
}

TEST(LogoBlend, NullLogoGivesNullImage)
{
    EXPECT_TRUE(BlendLogo(LogoImage(), 0, 128).isNull());
}

} // namespace
