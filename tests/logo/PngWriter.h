#pragma once
#include <QByteArray>
#include <cstdint>
#include <optional>

// Builds PNG files for the logo tests and benchmarks with zlib, well formed or
// broken on purpose.
namespace PngWriter
{

enum class Filters {
    None,     // every row unfiltered
    Cycle,    // row i of each pass uses filter i % 5, so all five are exercised
    Adaptive, // the filter with the smallest sum of absolute differences, as encoders pick
};

// Raw samples: height rows of RowBytes(...) bytes, packed as in the file
// (sub-byte samples from the high bit, 16-bit samples big-endian).
struct Image {
    uint32_t width = 0;
    uint32_t height = 0;
    int depth = 8;
    int colorType = 6;
    QByteArray rows;
};

struct Options {
    bool interlaced = false;
    Filters filters = Filters::Cycle;
    int level = 6;
    QByteArray plte;  // written before the image data when not empty
    QByteArray trns;  // likewise, after PLTE
    int idatSize = 0; // split the compressed data into IDATs of this size; 0: one IDAT
};

size_t RowBytes(uint32_t width, int depth, int colorType);

QByteArray Signature();
// A chunk with its length, type and CRC; crc replaces the correct one.
QByteArray Chunk(const char *type, const QByteArray &data, std::optional<uint32_t> crc = std::nullopt);
QByteArray HeaderData(uint32_t width, uint32_t height, int depth, int colorType, int interlace = 0,
                      int compression = 0, int filter = 0);
// The scanlines with their filter bytes, pass after pass when interlaced.
QByteArray Scanlines(const Image &image, bool interlaced, Filters filters);
QByteArray Compress(const QByteArray &bytes, int level = 6);
// Signature, IHDR, PLTE, tRNS, IDATs, IEND.
QByteArray Encode(const Image &image, const Options &options = {});

// Deterministic noise. For palette images the indices stay below
// indexLimit when it is given.
Image Noise(uint32_t width, uint32_t height, int depth, int colorType, uint32_t seed, int indexLimit = 0);
// Smooth gradients with a little noise and a soft alpha edge: compresses like a
// photo-style logo rather than like noise.
Image Photo(uint32_t width, uint32_t height, uint32_t seed);

} // namespace PngWriter
