#include "logo/LogoBlend.h"

#include <algorithm>

namespace
{

// x / 65025 rounded to the nearest. Capped at 255 so a pixel whose colour
// exceeds its alpha (not premultiplied) cannot spill into the next channel.
inline uint32_t Div65025(uint32_t x)
{
    return std::min<uint32_t>((x + 65025 / 2) / 65025, 255);
}

} // namespace

LogoImage BlendLogo(const LogoImage &logo, uint32_t background, int opacity)
{
    if (logo.isNull())
        return LogoImage();
    const uint32_t p = uint32_t(std::clamp(opacity, 0, 255));
    const uint32_t bgR = background & 0xFF;
    const uint32_t bgG = background >> 8 & 0xFF;
    const uint32_t bgB = background >> 16 & 0xFF;
    const uint32_t bgPixel = 0xFF000000u | bgR << 16 | bgG << 8 | bgB;

    const qsizetype count = qsizetype(logo.width()) * logo.height();
    QByteArray pixels(count * 4, Qt::Uninitialized);
    auto *out = reinterpret_cast<uint32_t *>(pixels.data());
    const uint32_t *in = logo.row(0);
    for (qsizetype i = 0; i < count; ++i) {
        const uint32_t s = in[i];
        const uint32_t sa = s >> 24;
        if (sa == 0 || p == 0) {
            out[i] = bgPixel;
            continue;
        }
        // In units of 1/65025: the logo's share S * p * 255, the background's D * (65025 - Sa * p).
        const uint32_t keep = 65025 - sa * p;
        const uint32_t r = Div65025((s >> 16 & 0xFF) * p * 255 + bgR * keep);
        const uint32_t g = Div65025((s >> 8 & 0xFF) * p * 255 + bgG * keep);
        const uint32_t b = Div65025((s & 0xFF) * p * 255 + bgB * keep);
        out[i] = 0xFF000000u | r << 16 | g << 8 | b;
    }
    return LogoImage(logo.width(), logo.height(), std::move(pixels), false);
}
