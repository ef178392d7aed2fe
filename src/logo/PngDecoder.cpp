// The logo decoder reads the chunks itself, because the operator's messages
// depend on which check fails first, and reconstructs the pixels itself too:
// inflating row by row straight into the final image keeps the peak near the
// decoded size, and it is as fast as libpng's reader (Adam7 faster: each pass
// row goes straight to its pixels, where libpng revisits every image row in
// every pass).
#include "logo/PngDecoder.h"

#include "base/Failure.h"
#include "base/FileSystem.h"

#include <QFile>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace
{

const char kSignatureText[] =
    "Die gerade gelesene Datei ist kein gültiges PNG-Bild (\"Portable Network Graphics\"), weil sie keinen "
    "gültigen Header enthält. Diese Datei ist möglicherweise beschädigt. Versuchen Sie, eine neue Version "
    "davon zu bekommen";
const char kUnexpectedEndText[] = "Dieses \"Portable Network Graphics\" Bild ist ungültig: Der Dekoder ist "
                                  "unerwartete auf das Ende der Datei gestoßen.";
const char kMissingHeaderText[] =
    "Dieses \"Portable Network Graphics\" Bild wird nicht unterstützt oder ist "
    "ungültig.\n(Der IHDR-Abschnitt ist nicht der erste Abschnitt in der Datei).";
const char kUnknownCriticalText[] = "Dieses \"Portable Network Graphics\" Bild enhält einen unbekannten aber "
                                    "notwendigen Teil, welcher nicht entschlüsselt werden kann.";
const char kNoImageDataText[] = "Dieses \"Portable Network Graphics\" Bild enthält keine Daten.";
const char kCrcText[] = "Dieses \"Portable Network Graphics\" Bild ist ungültig, weil Teile der Daten "
                        "fehlerhaft sind (CRC-Fehler)";
const char kHeaderText[] = "Dieses \"Portable Network Graphics\" Bild konnte nicht geladen werden, weil "
                           "wahrscheinlich einer der Hauptdatenbreiche (IHDR) beschädigt ist";
const char kSizeText[] =
    "Dieses PNG-Bild (Portable Network Graphics) wird nicht unterstützt, weil die Breite "
    "oder Höhe die maximale Größe von 65535 Pixel überschreitet.";
const char kCompressionText[] = "Dieses \"Portable Network Graphics\" Bild wurde mit einem unbekannten "
                                "Komprimierungsalgorithmus kodiert, welcher nicht entschlüsselt werden kann.";
const char kInterlaceText[] = "Dieses \"Portable Network Graphics\" Bild benutzt ein unbekanntes "
                              "Interlace-Schema, welches nicht entschlüsselt werden kann.";
const char kPaletteText[] = "Das \"Portable Network Graphics\" Bild enthält eine ungültige Palette.";
const char kMissingDataText[] =
    "Dieses \"Portable Network Graphics\" Bild ist ungültig, weil Grafikdaten fehlen.";
const char kInflateText[] = "Die Grafik konnte nicht entpackt werden, weil Teile der komprimierten Daten "
                            "fehlerhaft sind. \nBeschreibung: ";

[[noreturn]] void Fail(const char *text)
{
    throw Failure(QString::fromUtf8(text));
}

// zlib's own texts for its codes, with the code in brackets.
[[noreturn]] void FailInflate(int code)
{
    const char *text = nullptr;
    switch (code) {
    case Z_ERRNO:
        text = "file error";
        break;
    case Z_STREAM_ERROR:
        text = "stream error";
        break;
    case Z_MEM_ERROR:
        text = "insufficient memory";
        break;
    case Z_BUF_ERROR:
        text = "buffer error";
        break;
    case Z_VERSION_ERROR:
        text = "incompatible version";
        break;
    default: // Z_DATA_ERROR, and a stream that wants a preset dictionary
        code = Z_DATA_ERROR;
        text = "data error";
        break;
    }
    throw Failure(QString::fromUtf8(kInflateText) + QLatin1String(text) + QStringLiteral(" (") +
                  QString::number(code) + QLatin1Char(')'));
}

uint32_t ReadBe32(const uchar *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

uint32_t ChunkType(const char (&name)[5])
{
    return ReadBe32(reinterpret_cast<const uchar *>(name));
}

const uint32_t kIHDR = ChunkType("IHDR");
const uint32_t kPLTE = ChunkType("PLTE");
const uint32_t kIDAT = ChunkType("IDAT");
const uint32_t kIEND = ChunkType("IEND");
const uint32_t kTRNS = ChunkType("tRNS");

enum ColorType { Grey = 0, Rgb = 2, Indexed = 3, GreyAlpha = 4, Rgba = 6 };

struct Header {
    uint32_t width = 0;
    uint32_t height = 0;
    int depth = 0;
    int colorType = 0;
    bool interlaced = false;
};

int Channels(int colorType)
{
    switch (colorType) {
    case Rgb:
        return 3;
    case GreyAlpha:
        return 2;
    case Rgba:
        return 4;
    default:
        return 1;
    }
}

bool ValidDepth(int colorType, int depth)
{
    switch (colorType) {
    case Grey:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case Indexed:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case Rgb:
    case GreyAlpha:
    case Rgba:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

Header ReadHeader(const uchar *d, uint32_t length)
{
    if (length < 13)
        Fail(kHeaderText);
    Header h;
    h.width = ReadBe32(d);
    h.height = ReadBe32(d + 4);
    h.depth = d[8];
    h.colorType = d[9];
    if (h.width == 0 || h.height == 0)
        Fail(kHeaderText);
    if (h.width > 65535 || h.height > 65535)
        Fail(kSizeText);
    if (!ValidDepth(h.colorType, h.depth))
        Fail(kHeaderText);
    if (d[10] != 0)
        Fail(kCompressionText);
    if (d[11] != 0)
        Fail(kHeaderText);
    if (d[12] > 1)
        Fail(kInterlaceText);
    h.interlaced = d[12] == 1;
    // Refused before anything is allocated, with the message an allocation
    // failure would give.
    if (qint64(h.width) * h.height * 4 > kLogoMemoryBudget)
        FailInflate(Z_MEM_ERROR);
    return h;
}

inline uint32_t Premultiply(uint32_t c, uint32_t a)
{
    // c * a / 255 rounded to the nearest, exact for all 8-bit c and a.
    const uint32_t t = c * a + 128;
    return (t + (t >> 8)) >> 8;
}

inline uint32_t Opaque(uint32_t r, uint32_t g, uint32_t b)
{
    return 0xFF000000u | r << 16 | g << 8 | b;
}

inline uint32_t Blend(uint32_t r, uint32_t g, uint32_t b, uint32_t a)
{
    if (a == 255)
        return Opaque(r, g, b);
    if (a == 0)
        return 0;
    return a << 24 | Premultiply(r, a) << 16 | Premultiply(g, a) << 8 | Premultiply(b, a);
}

inline uint32_t Be16(const uchar *p)
{
    return uint32_t(p[0]) << 8 | p[1];
}

// What the ancillary chunks say about the pixels.
struct Extras {
    std::array<uint32_t, 256> palette{}; // 0x00RRGGBB
    int paletteCount = -1;               // -1: no PLTE yet
    uchar trns[256];
    uint32_t trnsLength = 0;
    bool haveTrns = false;
};

// A colour key sample with bits above the depth is cut to the depth, as
// libpng does, so such a file looks the same to us as to other viewers.
uint32_t SampleMask(int depth)
{
    return depth < 16 ? (1u << depth) - 1 : 0xFFFFu;
}

// Turns one reconstructed row of any colour type and depth into 32-bit pixels.
class RowConverter
{
  public:
    RowConverter(const Header &h, const Extras &extras) : m_colorType(h.colorType), m_depth(h.depth)
    {
        if (m_colorType == Indexed) {
            m_hasAlpha = extras.haveTrns && extras.trnsLength > 0;
            for (int i = 0; i < 256; ++i) {
                const uint32_t rgb = i < extras.paletteCount ? extras.palette[size_t(i)] : 0;
                const uint32_t a =
                    i < extras.paletteCount && uint32_t(i) < extras.trnsLength ? extras.trns[i] : 255;
                m_lut[size_t(i)] = Blend(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF, a);
            }
        } else if (m_colorType == Grey) {
            m_hasKey = extras.haveTrns && extras.trnsLength == 2;
            if (m_hasKey)
                m_key[0] = Be16(extras.trns) & SampleMask(m_depth);
            if (m_depth <= 8) {
                const uint32_t max = (1u << m_depth) - 1;
                for (uint32_t v = 0; v <= max; ++v) {
                    const uint32_t g = v * 255 / max;
                    m_lut[v] = m_hasKey && v == m_key[0] ? 0 : Opaque(g, g, g);
                }
            }
            m_hasAlpha = m_hasKey;
        } else if (m_colorType == Rgb) {
            m_hasKey = extras.haveTrns && extras.trnsLength == 6;
            if (m_hasKey) {
                for (int i = 0; i < 3; ++i)
                    m_key[i] = Be16(extras.trns + 2 * i) & SampleMask(m_depth);
            }
            m_hasAlpha = m_hasKey;
        } else {
            m_hasAlpha = true;
        }
    }

    bool hasAlpha() const { return m_hasAlpha; }

    // n pixels from src to dst, dst advancing by step words per pixel.
    void convert(const uchar *src, uint32_t n, uint32_t *dst, ptrdiff_t step) const
    {
        if (step == 1)
            convertRow<true>(src, n, dst, 1);
        else
            convertRow<false>(src, n, dst, step);
    }

  private:
    template <bool Unit> void convertRow(const uchar *src, uint32_t n, uint32_t *dst, ptrdiff_t step) const
    {
        if (Unit)
            step = 1;
        switch (m_colorType) {
        case Indexed:
        case Grey:
            if (m_depth == 8) {
                for (uint32_t i = 0; i < n; ++i)
                    dst[i * step] = m_lut[src[i]];
            } else if (m_depth < 8) {
                const int perByte = 8 / m_depth;
                const uint32_t mask = (1u << m_depth) - 1;
                for (uint32_t i = 0; i < n; ++i) {
                    const int shift = 8 - m_depth * (int(i % perByte) + 1);
                    dst[i * step] = m_lut[src[i / perByte] >> shift & mask];
                }
            } else {
                for (uint32_t i = 0; i < n; ++i) {
                    const uchar *p = src + 2 * i;
                    dst[i * step] = m_hasKey && Be16(p) == m_key[0] ? 0 : Opaque(p[0], p[0], p[0]);
                }
            }
            break;
        case Rgb:
            if (m_depth == 8) {
                for (uint32_t i = 0; i < n; ++i) {
                    const uchar *p = src + 3 * i;
                    const bool keyed = m_hasKey && p[0] == m_key[0] && p[1] == m_key[1] && p[2] == m_key[2];
                    dst[i * step] = keyed ? 0 : Opaque(p[0], p[1], p[2]);
                }
            } else {
                for (uint32_t i = 0; i < n; ++i) {
                    const uchar *p = src + 6 * i;
                    const bool keyed =
                        m_hasKey && Be16(p) == m_key[0] && Be16(p + 2) == m_key[1] && Be16(p + 4) == m_key[2];
                    dst[i * step] = keyed ? 0 : Opaque(p[0], p[2], p[4]);
                }
            }
            break;
        case GreyAlpha: {
            const int stride = m_depth == 8 ? 2 : 4;
            const int alpha = m_depth == 8 ? 1 : 2;
            for (uint32_t i = 0; i < n; ++i) {
                const uchar *p = src + stride * i;
                dst[i * step] = Blend(p[0], p[0], p[0], p[alpha]);
            }
            break;
        }
        case Rgba:
            if (m_depth == 8) {
                for (uint32_t i = 0; i < n; ++i) {
                    const uchar *p = src + 4 * i;
                    dst[i * step] = Blend(p[0], p[1], p[2], p[3]);
                }
            } else {
                for (uint32_t i = 0; i < n; ++i) {
                    const uchar *p = src + 8 * i;
                    dst[i * step] = Blend(p[0], p[2], p[4], p[6]);
                }
            }
            break;
        }
    }

    int m_colorType;
    int m_depth;
    bool m_hasAlpha = false;
    bool m_hasKey = false;
    uint32_t m_key[3] = {0, 0, 0};
    std::array<uint32_t, 256> m_lut{};
};

inline uchar PaethPredictor(int a, int b, int c)
{
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    return uchar(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Undoes a row's filter in place; prev is the reconstructed row above (zeros
// for the first row of a pass). Bpp is the byte distance to the pixel on the
// left, at least 1.
template <int Bpp> void Unfilter(int filter, uchar *row, const uchar *prev, size_t n)
{
    switch (filter) {
    case 1: // Sub
        for (size_t i = Bpp; i < n; ++i)
            row[i] = uchar(row[i] + row[i - Bpp]);
        break;
    case 2: // Up
        for (size_t i = 0; i < n; ++i)
            row[i] = uchar(row[i] + prev[i]);
        break;
    case 3: // Average
        for (size_t i = 0; i < Bpp && i < n; ++i)
            row[i] = uchar(row[i] + (prev[i] >> 1));
        for (size_t i = Bpp; i < n; ++i)
            row[i] = uchar(row[i] + ((row[i - Bpp] + prev[i]) >> 1));
        break;
    case 4: // Paeth
        for (size_t i = 0; i < Bpp && i < n; ++i)
            row[i] = uchar(row[i] + prev[i]);
        for (size_t i = Bpp; i < n; ++i)
            row[i] = uchar(row[i] + PaethPredictor(row[i - Bpp], prev[i], prev[i - Bpp]));
        break;
    default: // 0, and unknown filter types, which we read as unfiltered
        break;
    }
}

void UnfilterRow(int bpp, int filter, uchar *row, const uchar *prev, size_t n)
{
    switch (bpp) {
    case 1:
        Unfilter<1>(filter, row, prev, n);
        break;
    case 2:
        Unfilter<2>(filter, row, prev, n);
        break;
    case 3:
        Unfilter<3>(filter, row, prev, n);
        break;
    case 4:
        Unfilter<4>(filter, row, prev, n);
        break;
    case 6:
        Unfilter<6>(filter, row, prev, n);
        break;
    default:
        Unfilter<8>(filter, row, prev, n);
        break;
    }
}

struct Pass {
    uint32_t x0, y0, dx, dy;
};
constexpr Pass kWholeImage = {0, 0, 1, 1};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

// What a decode builds: the image, or only the verdict.
enum class Mode { Image, CheckOnly };

// Inflates the image data as it arrives and reconstructs it row by row into
// the final pixels, so besides the image we hold only two rows and zlib's
// window. Checking only, the rows are inflated exactly as for the image (the
// same calls, so zlib finds the same faults at the same place) and then
// dropped: no image is allocated, no row unfiltered or converted.
class ImageData
{
  public:
    ImageData(const Header &h, const Extras &extras, Mode mode)
        : m_header(h), m_converter(h, extras), m_build(mode == Mode::Image)
    {
        if (m_build)
            m_pixels = QByteArray(qsizetype(h.width) * h.height * 4, Qt::Uninitialized);
        const int bitsPerPixel = Channels(h.colorType) * h.depth;
        m_bitsPerPixel = uint32_t(bitsPerPixel);
        m_bpp = bitsPerPixel < 8 ? 1 : bitsPerPixel / 8;
        const size_t maxRow = rowBytes(h.width) + 1;
        m_rows.reset(new uchar[2 * maxRow]);
        m_cur = m_rows.get();
        m_prev = m_rows.get() + maxRow;
        m_out = reinterpret_cast<uint32_t *>(m_pixels.data());

        std::memset(&m_z, 0, sizeof m_z);
        const int rc = inflateInit(&m_z);
        if (rc != Z_OK)
            FailInflate(rc);
        m_zOpen = true;
        m_pass = -1;
        nextPass();
    }
    ~ImageData()
    {
        if (m_zOpen)
            inflateEnd(&m_z);
    }
    ImageData(const ImageData &) = delete;
    ImageData &operator=(const ImageData &) = delete;

    bool complete() const { return m_complete; }

    void feed(const uchar *data, uint32_t length)
    {
        m_z.next_in = const_cast<Bytef *>(data);
        m_z.avail_in = length;
        while (!m_complete) {
            m_z.next_out = m_cur + m_filled;
            m_z.avail_out = uInt(m_need - m_filled);
            const int rc = inflate(&m_z, Z_NO_FLUSH);
            if (rc == Z_BUF_ERROR && m_z.avail_in == 0)
                return; // wants the next IDAT
            if (rc != Z_OK && rc != Z_STREAM_END)
                FailInflate(rc);
            m_filled = m_need - m_z.avail_out;
            if (m_filled == m_need)
                finishRow();
            if (rc == Z_STREAM_END && !m_complete)
                Fail(kMissingDataText);
        }
    }

    // An empty image when only checking.
    LogoImage take()
    {
        if (!m_build)
            return {};
        return LogoImage(int(m_header.width), int(m_header.height), m_pixels, m_converter.hasAlpha());
    }

  private:
    size_t rowBytes(uint32_t pixels) const { return (size_t(pixels) * m_bitsPerPixel + 7) / 8; }

    void nextPass()
    {
        const int passes = m_header.interlaced ? 7 : 1;
        while (++m_pass < passes) {
            m_geometry = m_header.interlaced ? kAdam7[m_pass] : kWholeImage;
            const Pass &g = m_geometry;
            m_passWidth = m_header.width > g.x0 ? (m_header.width - g.x0 + g.dx - 1) / g.dx : 0;
            m_passRows = m_header.height > g.y0 ? (m_header.height - g.y0 + g.dy - 1) / g.dy : 0;
            if (m_passWidth == 0 || m_passRows == 0)
                continue; // empty pass: no bytes, not even filter bytes
            m_passRow = 0;
            m_need = rowBytes(m_passWidth) + 1;
            m_filled = 0;
            std::memset(m_prev, 0, m_need);
            return;
        }
        m_complete = true;
    }

    void finishRow()
    {
        if (m_build)
            buildRow();
        m_filled = 0;
        if (++m_passRow == m_passRows)
            nextPass();
    }

    void buildRow()
    {
        const size_t n = m_need - 1;
        UnfilterRow(m_bpp, m_cur[0], m_cur + 1, m_prev + 1, n);
        const Pass &g = m_geometry;
        const size_t y = g.y0 + size_t(m_passRow) * g.dy;
        m_converter.convert(m_cur + 1, m_passWidth, m_out + y * m_header.width + g.x0, ptrdiff_t(g.dx));
        std::swap(m_cur, m_prev);
    }

    Header m_header;
    RowConverter m_converter;
    bool m_build;
    QByteArray m_pixels;
    uint32_t *m_out = nullptr;
    uint32_t m_bitsPerPixel = 0;
    int m_bpp = 1;
    std::unique_ptr<uchar[]> m_rows;
    uchar *m_cur = nullptr;
    uchar *m_prev = nullptr;
    z_stream m_z;
    bool m_zOpen = false;

    int m_pass = 0;
    Pass m_geometry = kWholeImage;
    uint32_t m_passWidth = 0;
    uint32_t m_passRows = 0;
    uint32_t m_passRow = 0;
    size_t m_need = 0;
    size_t m_filled = 0;
    bool m_complete = false;
};

LogoImage Decode(const QByteArray &bytes, Mode mode)
{
    static const uchar kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const size_t size = size_t(bytes.size());
    if (size < 8 || std::memcmp(data, kSignature, 8) != 0)
        Fail(kSignatureText);

    Header header;
    Extras extras;
    std::unique_ptr<ImageData> image;
    bool first = true;
    size_t pos = 8;
    for (;;) {
        if (size - pos < 8)
            Fail(kUnexpectedEndText);
        const uint32_t length = ReadBe32(data + pos);
        const uint32_t type = ReadBe32(data + pos + 4);
        if (first && type != kIHDR)
            Fail(kMissingHeaderText);
        if (length > 0x7FFFFFFFu || size - pos - 8 < size_t(length) + 4)
            Fail(kUnexpectedEndText);
        const uchar *body = data + pos + 8;
        const uLong crc = crc32(crc32(0L, Z_NULL, 0), data + pos + 4, length + 4);
        if (crc != ReadBe32(body + length))
            Fail(kCrcText);
        pos += size_t(length) + 12;

        // Rows still missing and the data stops being IDAT.
        if (image && !image->complete() && type != kIDAT)
            Fail(kMissingDataText);

        if (type == kIHDR) {
            if (!first)
                Fail(kHeaderText);
            header = ReadHeader(body, length);
        } else if (type == kPLTE) {
            if (!image) {
                if (length % 3 != 0 || length > 768 || length == 0 || extras.paletteCount >= 0)
                    Fail(kPaletteText);
                extras.paletteCount = int(length / 3);
                for (uint32_t i = 0; i < length / 3; ++i) {
                    const uchar *e = body + 3 * i;
                    extras.palette[i] = uint32_t(e[0]) << 16 | uint32_t(e[1]) << 8 | e[2];
                }
            }
        } else if (type == kTRNS) {
            if (length > 256)
                Fail(kPaletteText);
            if (!image) {
                std::memcpy(extras.trns, body, length);
                extras.trnsLength = length;
                extras.haveTrns = true;
            }
        } else if (type == kIDAT) {
            if (!image) {
                if (header.colorType == Indexed && extras.paletteCount < 0)
                    Fail(kPaletteText);
                image = std::make_unique<ImageData>(header, extras, mode);
            }
            if (!image->complete())
                image->feed(body, length);
        } else if (type == kIEND) {
            if (!image)
                Fail(kNoImageDataText);
            return image->take();
        } else if ((type & 0x20000000u) == 0) {
            Fail(kUnknownCriticalText); // critical: bit 5 of the first letter clear
        }
        first = false;
    }
}

} // namespace

LogoImage DecodePng(const QByteArray &bytes)
{
    try {
        return Decode(bytes, Mode::Image);
    } catch (const std::bad_alloc &) {
        FailInflate(Z_MEM_ERROR);
    }
}

void CheckPng(const QByteArray &bytes)
{
    try {
        Decode(bytes, Mode::CheckOnly);
    } catch (const std::bad_alloc &) {
        FailInflate(Z_MEM_ERROR);
    }
}

LogoImage DecodePngFile(const QString &path)
{
    const auto failOpen = [&path](const QString &cause) {
        throw Failure(QStringLiteral("Datei \"%1\" kann nicht geöffnet werden. %2").arg(path, cause));
    };
    // A link is followed only when it is the user's own or root's, and the
    // file opened is the one the links led to, not one swapped in since.
    QString refusal;
    const QString target = files::FollowTrustedLinks(path, refusal);
    if (!refusal.isEmpty())
        failOpen(refusal);
    const int fd =
        ::open(QFile::encodeName(target).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        failOpen(files::SystemText(errno));
    // A device or a FIFO in the logo's place would be read without end.
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        failOpen(QStringLiteral("Keine reguläre Datei"));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        failOpen(file.errorString());
    }
    // One buffer of the file's size: readAll would grow its buffer while reading.
    QByteArray bytes;
    try {
        const qint64 size = file.size();
        // No logo needs a file larger than the pixels it may decode to.
        if (size > 2 * kLogoMemoryBudget)
            FailInflate(Z_MEM_ERROR);
        if (size > 0) {
            bytes = QByteArray(qsizetype(size), Qt::Uninitialized); // exact: resize() would round up
            const qint64 got = file.read(bytes.data(), size);
            bytes.resize(qsizetype(std::max<qint64>(got, 0)));
        } else {
            bytes = file.readAll(); // an empty file, or one that does not tell its size
        }
    } catch (const std::bad_alloc &) {
        FailInflate(Z_MEM_ERROR);
    }
    return DecodePng(bytes);
}
