#pragma once
#include <QByteArray>
#include <cstdint>

// A decoded logo, or a picture made from one.
//
// Pixels are 32-bit words 0xAARRGGBB in the machine's byte order (on the
// little-endian machines we run on the bytes are blue, green, red, alpha),
// rows top to bottom, no padding: bytesPerLine() is width * 4. Colours are
// premultiplied by their alpha (c * a / 255, rounded to the nearest whole
// number), so fully transparent pixels are 0 and opaque ones keep their
// colour with alpha 255. This is exactly QImage::Format_ARGB32_Premultiplied,
// so the UI can wrap bits() in a QImage without converting.
//
// Images without transparency (grey, red-green-blue or palette without a
// transparency chunk) are stored opaque: every alpha is 255.
class LogoImage
{
  public:
    LogoImage() = default;
    // pixels must hold width * height words laid out as above.
    LogoImage(int width, int height, QByteArray pixels, bool hasAlpha)
        : m_width(width), m_height(height), m_hasAlpha(hasAlpha), m_pixels(std::move(pixels))
    {
    }

    bool isNull() const { return m_width <= 0 || m_height <= 0; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    // The file carried transparency: an alpha channel or a transparency chunk.
    bool hasAlpha() const { return m_hasAlpha; }
    qsizetype bytesPerLine() const { return qsizetype(m_width) * 4; }

    const uchar *bits() const { return reinterpret_cast<const uchar *>(m_pixels.constData()); }
    const uint32_t *row(int y) const
    {
        return reinterpret_cast<const uint32_t *>(m_pixels.constData()) + qsizetype(y) * m_width;
    }
    uint32_t pixel(int x, int y) const { return row(y)[x]; }
    // The buffer itself, shared implicitly between copies.
    const QByteArray &data() const { return m_pixels; }

  private:
    int m_width = 0;
    int m_height = 0;
    bool m_hasAlpha = false;
    QByteArray m_pixels;
};
