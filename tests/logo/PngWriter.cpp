#include "PngWriter.h"

#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <stdexcept>

namespace PngWriter
{
namespace
{

int Channels(int colorType)
{
    return colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
}

void PutBe32(QByteArray &out, uint32_t v)
{
    out.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
}

// Bits of pixel x of a packed row.
uint32_t PixelBits(const uchar *row, uint32_t x, int bitsPerPixel)
{
    const size_t bit = size_t(x) * bitsPerPixel;
    const int shift = 8 - int(bit % 8) - bitsPerPixel;
    return uint32_t(row[bit / 8] >> shift) & ((1u << bitsPerPixel) - 1);
}

void SetPixelBits(uchar *row, uint32_t x, int bitsPerPixel, uint32_t v)
{
    const size_t bit = size_t(x) * bitsPerPixel;
    const int shift = 8 - int(bit % 8) - bitsPerPixel;
    row[bit / 8] = uchar(row[bit / 8] | v << shift);
}

int Paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

void FilterRow(int filter, const uchar *row, const uchar *prev, size_t n, int bpp, uchar *out)
{
    for (size_t i = 0; i < n; ++i) {
        const int a = i >= size_t(bpp) ? row[i - bpp] : 0;
        const int b = prev[i];
        const int c = i >= size_t(bpp) ? prev[i - bpp] : 0;
        int pred = 0;
        switch (filter) {
        case 1:
            pred = a;
            break;
        case 2:
            pred = b;
            break;
        case 3:
            pred = (a + b) / 2;
            break;
        case 4:
            pred = Paeth(a, b, c);
            break;
        default:
            break;
        }
        out[i] = uchar(row[i] - pred);
    }
}

// Appends the filtered rows of one (sub)image.
void AppendFiltered(QByteArray &out, const QByteArray &rows, uint32_t height, size_t rowBytes, int bpp,
                    Filters filters)
{
    QByteArray zero(qsizetype(rowBytes), '\0');
    QByteArray trial(qsizetype(rowBytes), '\0');
    for (uint32_t y = 0; y < height; ++y) {
        const auto *row = reinterpret_cast<const uchar *>(rows.constData()) + y * rowBytes;
        const auto *prev = y ? row - rowBytes : reinterpret_cast<const uchar *>(zero.constData());
        int filter = 0;
        if (filters == Filters::Cycle) {
            filter = int(y % 5);
        } else if (filters == Filters::Adaptive) {
            long best = -1;
            for (int f = 0; f < 5; ++f) {
                FilterRow(f, row, prev, rowBytes, bpp, reinterpret_cast<uchar *>(trial.data()));
                long sum = 0;
                for (size_t i = 0; i < rowBytes; ++i)
                    sum += std::abs(int(static_cast<signed char>(trial[qsizetype(i)])));
                if (best < 0 || sum < best) {
                    best = sum;
                    filter = f;
                }
            }
        }
        out.append(char(filter));
        const qsizetype at = out.size();
        out.resize(at + qsizetype(rowBytes));
        FilterRow(filter, row, prev, rowBytes, bpp, reinterpret_cast<uchar *>(out.data() + at));
    }
}

} // namespace

size_t RowBytes(uint32_t width, int depth, int colorType)
{
    return (size_t(width) * Channels(colorType) * depth + 7) / 8;
}

QByteArray Signature()
{
    return QByteArray("\x89PNG\r\n\x1a\n", 8);
}

QByteArray Chunk(const char *type, const QByteArray &data, std::optional<uint32_t> crc)
{
    QByteArray out;
    PutBe32(out, uint32_t(data.size()));
    out.append(type, 4).append(data);
    const uint32_t good =
        uint32_t(crc32(0, reinterpret_cast<const Bytef *>(out.constData() + 4), uInt(data.size() + 4)));
    PutBe32(out, crc.value_or(good));
    return out;
}

QByteArray HeaderData(uint32_t width, uint32_t height, int depth, int colorType, int interlace,
                      int compression, int filter)
{
    QByteArray d;
    PutBe32(d, width);
    PutBe32(d, height);
    d.append(char(depth)).append(char(colorType)).append(char(compression)).append(char(filter));
    d.append(char(interlace));
    return d;
}

QByteArray Scanlines(const Image &image, bool interlaced, Filters filters)
{
    const int bitsPerPixel = Channels(image.colorType) * image.depth;
    const int bpp = bitsPerPixel < 8 ? 1 : bitsPerPixel / 8;
    const size_t rowBytes = RowBytes(image.width, image.depth, image.colorType);
    QByteArray out;
    if (!interlaced) {
        AppendFiltered(out, image.rows, image.height, rowBytes, bpp, filters);
        return out;
    }
    static const uint32_t passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                          {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    for (const auto &p : passes) {
        const uint32_t w = image.width > p[0] ? (image.width - p[0] + p[2] - 1) / p[2] : 0;
        const uint32_t h = image.height > p[1] ? (image.height - p[1] + p[3] - 1) / p[3] : 0;
        if (!w || !h)
            continue;
        const size_t passRowBytes = RowBytes(w, image.depth, image.colorType);
        QByteArray sub(qsizetype(passRowBytes * h), '\0');
        for (uint32_t j = 0; j < h; ++j) {
            const auto *src =
                reinterpret_cast<const uchar *>(image.rows.constData()) + (p[1] + j * p[3]) * rowBytes;
            auto *dst = reinterpret_cast<uchar *>(sub.data()) + j * passRowBytes;
            for (uint32_t i = 0; i < w; ++i) {
                const uint32_t x = p[0] + i * p[2];
                if (bitsPerPixel < 8) {
                    SetPixelBits(dst, i, bitsPerPixel, PixelBits(src, x, bitsPerPixel));
                } else {
                    for (int k = 0; k < bpp; ++k)
                        dst[i * bpp + k] = src[x * bpp + k];
                }
            }
        }
        AppendFiltered(out, sub, h, passRowBytes, bpp, filters);
    }
    return out;
}

QByteArray Compress(const QByteArray &bytes, int level)
{
    uLongf size = compressBound(uLong(bytes.size()));
    QByteArray out(qsizetype(size), '\0');
    if (compress2(reinterpret_cast<Bytef *>(out.data()), &size,
                  reinterpret_cast<const Bytef *>(bytes.constData()), uLong(bytes.size()), level) != Z_OK)
        throw std::runtime_error("compress2 failed");
    out.resize(qsizetype(size));
    return out;
}

QByteArray Encode(const Image &image, const Options &options)
{
    QByteArray out = Signature();
    out += Chunk("IHDR", HeaderData(image.width, image.height, image.depth, image.colorType,
                                    options.interlaced ? 1 : 0));
    if (!options.plte.isEmpty())
        out += Chunk("PLTE", options.plte);
    if (!options.trns.isEmpty())
        out += Chunk("tRNS", options.trns);
    const QByteArray z = Compress(Scanlines(image, options.interlaced, options.filters), options.level);
    const qsizetype step = options.idatSize > 0 ? options.idatSize : z.size();
    for (qsizetype at = 0; at < z.size(); at += step)
        out += Chunk("IDAT", z.mid(at, step));
    out += Chunk("IEND", QByteArray());
    return out;
}

Image Noise(uint32_t width, uint32_t height, int depth, int colorType, uint32_t seed, int indexLimit)
{
    Image image{width, height, depth, colorType, QByteArray()};
    const size_t rowBytes = RowBytes(width, depth, colorType);
    image.rows.resize(qsizetype(rowBytes * height));
    std::mt19937 random(seed);
    auto *bytes = reinterpret_cast<uchar *>(image.rows.data());
    if (colorType == 3 && indexLimit > 0) {
        std::fill(bytes, bytes + rowBytes * height, uchar(0));
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                SetPixelBits(bytes + y * rowBytes, x, depth, uint32_t(random() % uint32_t(indexLimit)));
        return image;
    }
    for (size_t i = 0; i < rowBytes * height; ++i)
        bytes[i] = uchar(random());
    return image;
}

Image Photo(uint32_t width, uint32_t height, uint32_t seed)
{
    Image image{width, height, 8, 6, QByteArray()};
    image.rows.resize(qsizetype(size_t(width) * height * 4));
    std::mt19937 random(seed);
    auto *p = reinterpret_cast<uchar *>(image.rows.data());
    const double cx = width / 2.0, cy = height / 2.0, radius = std::min(width, height) * 0.45;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x, p += 4) {
            const int noise = int(random() % 9) - 4;
            const double d = std::hypot(x - cx, y - cy);
            p[0] = uchar(std::clamp(int(255.0 * x / width) + noise, 0, 255));
            p[1] = uchar(std::clamp(int(127.5 + 127.5 * std::sin(y * 0.01 + x * 0.003)) + noise, 0, 255));
            p[2] = uchar(std::clamp(int(255.0 * y / height) - noise, 0, 255));
            p[3] = uchar(std::clamp(int((radius - d) * 0.5 * 255.0 / 16), 0, 255));
        }
    }
    return image;
}

} // namespace PngWriter
