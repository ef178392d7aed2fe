#include "base/Failure.h"
#include "logo/PngDecoder.h"

#include "AllocationCounter.h"
#include "PngReference.h"
#include "PngWriter.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

using PngWriter::Chunk;
using PngWriter::HeaderData;
using PngWriter::Signature;

namespace
{

// The operator's messages, spelled out here on their own so a slip in the
// decoder's copy shows.
const QString kSignature = QString::fromUtf8(
    "Die gerade gelesene Datei ist kein gültiges PNG-Bild (\"Portable Network Graphics\"), weil sie keinen "
    "gültigen Header enthält. Diese Datei ist möglicherweise beschädigt. Versuchen Sie, eine neue Version "
    "davon "
    "zu bekommen");
const QString kEnd = QString::fromUtf8("Dieses \"Portable Network Graphics\" Bild ist ungültig: Der Dekoder "
                                       "ist unerwartete auf das Ende der Datei "
                                       "gestoßen.");
const QString kNotFirst =
    QString::fromUtf8("Dieses \"Portable Network Graphics\" Bild wird nicht unterstützt "
                      "oder ist ungültig.\n(Der IHDR-Abschnitt ist nicht der erste "
                      "Abschnitt in der Datei).");
const QString kUnknown =
    QString::fromUtf8("Dieses \"Portable Network Graphics\" Bild enhält einen unbekannten "
                      "aber notwendigen Teil, welcher nicht entschlüsselt werden kann.");
const QString kNoData = QString::fromUtf8("Dieses \"Portable Network Graphics\" Bild enthält keine Daten.");
const QString kCrc = QString::fromUtf8("Dieses \"Portable Network Graphics\" Bild ist ungültig, weil Teile "
                                       "der Daten fehlerhaft sind (CRC-Fehler)");
const QString kIhdr =
    QString::fromUtf8("Dieses \"Portable Network Graphics\" Bild konnte nicht geladen werden, "
                      "weil wahrscheinlich einer der Hauptdatenbreiche (IHDR) beschädigt ist");
const QString kSize =
    QString::fromUtf8("Dieses PNG-Bild (Portable Network Graphics) wird nicht unterstützt, weil "
                      "die Breite oder Höhe die maximale Größe von 65535 Pixel überschreitet.");
const QString kCompression = QString::fromUtf8("Dieses \"Portable Network Graphics\" Bild wurde mit einem "
                                               "unbekannten Komprimierungsalgorithmus kodiert, "
                                               "welcher nicht entschlüsselt werden kann.");
const QString kInterlace =
    QString::fromUtf8("Dieses \"Portable Network Graphics\" Bild benutzt ein unbekanntes "
                      "Interlace-Schema, welches nicht entschlüsselt werden kann.");
const QString kPalette =
    QString::fromUtf8("Das \"Portable Network Graphics\" Bild enthält eine ungültige Palette.");
const QString kMissing =
    QString::fromUtf8("Dieses \"Portable Network Graphics\" Bild ist ungültig, weil Grafikdaten fehlen.");
QString Inflate(const char *code)
{
    return QString::fromUtf8("Die Grafik konnte nicht entpackt werden, weil Teile der komprimierten Daten "
                             "fehlerhaft sind. \nBeschreibung: ") +
           QLatin1String(code);
}

const char kDecoded[] = "(decoded)";

QString Outcome(const QByteArray &bytes)
{
    try {
        const LogoImage image = DecodePng(bytes);
        return image.isNull() ? QStringLiteral("(null image)") : QString::fromLatin1(kDecoded);
    } catch (const Failure &failure) {
        return failure.message();
    }
}

// What CheckPng says of the bytes, in Outcome's terms: it must say the same.
QString CheckOutcome(const QByteArray &bytes)
{
    try {
        CheckPng(bytes);
        return QString::fromLatin1(kDecoded);
    } catch (const Failure &failure) {
        return failure.message();
    }
}

// A small valid RGBA image, and the pieces to assemble broken variants of it.
PngWriter::Image Small()
{
    return PngWriter::Noise(5, 4, 8, 6, 7);
}
QByteArray SmallIhdr()
{
    return Chunk("IHDR", HeaderData(5, 4, 8, 6));
}
QByteArray SmallData()
{
    return PngWriter::Compress(PngWriter::Scanlines(Small(), false, PngWriter::Filters::Cycle));
}
QByteArray Iend()
{
    return Chunk("IEND", QByteArray());
}
QByteArray Valid()
{
    return Signature() + SmallIhdr() + Chunk("IDAT", SmallData()) + Iend();
}
QByteArray WithHeader(const QByteArray &ihdrData)
{
    return Signature() + Chunk("IHDR", ihdrData) + Chunk("IDAT", SmallData()) + Iend();
}
QByteArray BadCrc(const char *type, const QByteArray &data)
{
    QByteArray chunk = Chunk(type, data);
    chunk[chunk.size() - 1] = char(chunk[chunk.size() - 1] ^ 0x01);
    return chunk;
}
QByteArray PaletteImage(const QByteArray &plte, const QByteArray &trns = QByteArray())
{
    PngWriter::Options options;
    options.plte = plte;
    options.trns = trns;
    return PngWriter::Encode(PngWriter::Noise(6, 3, 8, 3, 5, 2), options);
}
QByteArray Rgb(int r, int g, int b)
{
    QByteArray e;
    e.append(char(r)).append(char(g)).append(char(b));
    return e;
}

struct BadFile {
    const char *name;
    std::function<QByteArray()> bytes;
    QString message;
};

void PrintTo(const BadFile &c, std::ostream *os)
{
    *os << c.name;
}

std::vector<BadFile> BadFiles()
{
    const QByteArray data = SmallData();
    return {
        {"text_file", [] { return QByteArray("Dies ist kein Bild, nur eine Textdatei.\r\n"); }, kSignature},
        {"empty_file", [] { return QByteArray(); }, kSignature},
        {"signature_cut_short", [] { return Signature().left(7); }, kSignature},
        {"signature_one_byte_off",
         [] {
             QByteArray bytes = Valid();
             bytes[1] = 'p';
             return bytes;
         },
         kSignature},

        {"signature_only", [] { return Signature(); }, kEnd},
        {"cut_in_chunk_length", [] { return Signature() + SmallIhdr().left(3); }, kEnd},
        {"cut_in_ihdr_data", [] { return Signature() + SmallIhdr().left(15); }, kEnd},
        {"cut_in_image_data", [] { return Valid().left(Valid().size() - 20); }, kEnd},
        {"cut_in_iend_crc", [] { return Valid().left(Valid().size() - 2); }, kEnd},
        {"no_iend", [data] { return Signature() + SmallIhdr() + Chunk("IDAT", data); }, kEnd},
        {"length_beyond_file",
         [data] {
             return Signature() + SmallIhdr() +
                    Chunk("IDAT", data).replace(0, 4, QByteArray("\x00\x10\x00\x00", 4));
         },
         kEnd},

        {"ihdr_not_first", [] { return Signature() + Chunk("tEXt", "Comment") + Valid().mid(8); }, kNotFirst},
        {"idat_first", [data] { return Signature() + Chunk("IDAT", data) + Iend(); }, kNotFirst},

        {"unknown_critical_chunk",
         [data] { return Signature() + SmallIhdr() + Chunk("ZZZZ", "x") + Chunk("IDAT", data) + Iend(); },
         kUnknown},

        {"no_image_data", [] { return Signature() + SmallIhdr() + Iend(); }, kNoData},

        {"crc_of_ihdr",
         [data] {
             return Signature() + BadCrc("IHDR", HeaderData(5, 4, 8, 6)) + Chunk("IDAT", data) + Iend();
         },
         kCrc},
        {"crc_of_idat", [data] { return Signature() + SmallIhdr() + BadCrc("IDAT", data) + Iend(); }, kCrc},
        {"crc_of_ancillary_chunk",
         [data] {
             return Signature() + SmallIhdr() + BadCrc("tEXt", "Comment") + Chunk("IDAT", data) + Iend();
         },
         kCrc},
        {"crc_of_iend",
         [data] { return Signature() + SmallIhdr() + Chunk("IDAT", data) + BadCrc("IEND", {}); }, kCrc},

        {"ihdr_12_bytes", [] { return WithHeader(HeaderData(5, 4, 8, 6).left(12)); }, kIhdr},
        {"zero_width", [] { return WithHeader(HeaderData(0, 4, 8, 6)); }, kIhdr},
        {"zero_height", [] { return WithHeader(HeaderData(5, 0, 8, 6)); }, kIhdr},
        {"colour_type_5", [] { return WithHeader(HeaderData(5, 4, 8, 5)); }, kIhdr},
        {"rgb_depth_4", [] { return WithHeader(HeaderData(5, 4, 4, 2)); }, kIhdr},
        {"palette_depth_16", [] { return WithHeader(HeaderData(5, 4, 16, 3)); }, kIhdr},
        {"filter_method_1", [] { return WithHeader(HeaderData(5, 4, 8, 6, 0, 0, 1)); }, kIhdr},
        {"second_ihdr",
         [data] { return Signature() + SmallIhdr() + SmallIhdr() + Chunk("IDAT", data) + Iend(); }, kIhdr},

        {"width_65536", [] { return WithHeader(HeaderData(65536, 4, 8, 6)); }, kSize},
        {"height_70000", [] { return WithHeader(HeaderData(5, 70000, 8, 6)); }, kSize},
        {"width_4294967295", [] { return WithHeader(HeaderData(0xFFFFFFFFu, 4, 8, 6)); }, kSize},

        {"compression_method_1", [] { return WithHeader(HeaderData(5, 4, 8, 6, 0, 1)); }, kCompression},

        {"interlace_method_2", [] { return WithHeader(HeaderData(5, 4, 8, 6, 2)); }, kInterlace},

        {"palette_4_bytes", [] { return PaletteImage(Rgb(1, 2, 3) + "x"); }, kPalette},
        {"palette_257_entries", [] { return PaletteImage(QByteArray(257 * 3, 'p')); }, kPalette},
        {"palette_empty", [] { return PaletteImage(QByteArray()); }, kPalette},
        {"transparency_257_bytes",
         [] { return PaletteImage(Rgb(1, 2, 3) + Rgb(4, 5, 6), QByteArray(257, 'a')); }, kPalette},

        {"other_chunk_between_idats",
         [data] {
             return Signature() + SmallIhdr() + Chunk("IDAT", data.left(10)) + Chunk("tEXt", "Comment") +
                    Chunk("IDAT", data.mid(10)) + Iend();
         },
         kMissing},
        {"iend_before_last_row",
         [data] { return Signature() + SmallIhdr() + Chunk("IDAT", data.left(10)) + Iend(); }, kMissing},
        {"stream_ends_before_last_row",
         [] {
             const QByteArray lines = PngWriter::Scanlines(Small(), false, PngWriter::Filters::None);
             return Signature() + SmallIhdr() +
                    Chunk("IDAT", PngWriter::Compress(lines.left(lines.size() - 3))) + Iend();
         },
         kMissing},

        {"zlib_header_check",
         [data] {
             return Signature() + SmallIhdr() + Chunk("IDAT", data.left(1) + '\x00' + data.mid(2)) + Iend();
         },
         Inflate("data error (-3)")},
        {"invalid_block_type",
         [data] {
             return Signature() + SmallIhdr() + Chunk("IDAT", data.left(2) + QByteArray(8, '\xFF')) + Iend();
         },
         Inflate("data error (-3)")},
        {"preset_dictionary",
         [] {
             // 0x78 0xBB: 32K window, dictionary flag set, header checksum valid.
             return Signature() + SmallIhdr() +
                    Chunk("IDAT", QByteArray("\x78\xBB\x00\x00\x00\x01", 6) + SmallData().mid(2)) + Iend();
         },
         Inflate("data error (-3)")},
        {"declares_65535_square", [] { return Signature() + Chunk("IHDR", HeaderData(65535, 65535, 8, 6)); },
         Inflate("insufficient memory (-4)")},
        {"over_budget_by_one_row", [] { return WithHeader(HeaderData(8192, 8193, 8, 6)); },
         Inflate("insufficient memory (-4)")},
        // At the budget exactly the declaration passes, and the missing data is what stops it.
        {"at_budget_without_data",
         [] { return Signature() + Chunk("IHDR", HeaderData(8192, 8192, 8, 6)) + Iend(); }, kNoData},
    };
}

class BadFileTest : public ::testing::TestWithParam<BadFile>
{
};

TEST_P(BadFileTest, GivesItsMessage)
{
    EXPECT_EQ(Outcome(GetParam().bytes()), GetParam().message);
    EXPECT_EQ(CheckOutcome(GetParam().bytes()), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Messages, BadFileTest, ::testing::ValuesIn(BadFiles()),
                         [](const auto &info) { return std::string(info.param.name); });

// Odd but readable files: each still decodes.
struct OddFile {
    const char *name;
    std::function<QByteArray()> bytes;
};

void PrintTo(const OddFile &c, std::ostream *os)
{
    *os << c.name;
}

class OddFileTest : public ::testing::TestWithParam<OddFile>
{
};

TEST_P(OddFileTest, Decodes)
{
    const QByteArray bytes = GetParam().bytes();
    ReferenceImage reference;
    ASSERT_TRUE(ReadWithLibpng(bytes, reference)) << "libpng refuses the fixture";
    EXPECT_EQ(Outcome(bytes), QString::fromLatin1(kDecoded));
    EXPECT_EQ(CheckOutcome(bytes), QString::fromLatin1(kDecoded));
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, OddFileTest,
    ::testing::ValuesIn(std::vector<OddFile>{
        {"unknown_ancillary_chunk",
         [] { return Signature() + SmallIhdr() + Chunk("zzZZ", "x") + Chunk("IDAT", SmallData()) + Iend(); }},
        {"ancillary_chunk_after_complete_data",
         [] {
             const QByteArray data = SmallData();
             return Signature() + SmallIhdr() + Chunk("IDAT", data) + Chunk("tEXt", "Comment") + Iend();
         }},
        {"empty_idats_around_data",
         [] {
             return Signature() + SmallIhdr() + Chunk("IDAT", {}) + Chunk("IDAT", SmallData()) +
                    Chunk("IDAT", {}) + Iend();
         }},
        {"bytes_after_iend", [] { return Valid() + "trailing garbage"; }},
        {"tRNS_with_alpha_channel",
         [] {
             return Signature() + SmallIhdr() + Chunk("tRNS", QByteArray(6, '\0')) +
                    Chunk("IDAT", SmallData()) + Iend();
         }},
    }),
    [](const auto &info) { return std::string(info.param.name); });

// Every colour type and bit depth, plain and Adam7, against libpng.
struct PixelCase {
    int colorType;
    int depth;
    bool interlaced;
    uint32_t width;
    uint32_t height;
    const char *transparency; // "none", "trns" (palette alpha or colour key)
};

void PrintTo(const PixelCase &c, std::ostream *os)
{
    *os << "type" << c.colorType << "_depth" << c.depth << (c.interlaced ? "_adam7" : "") << "_" << c.width
        << "x" << c.height << "_" << c.transparency;
}

class PixelTest : public ::testing::TestWithParam<PixelCase>
{
};

uint32_t Premultiplied(const uint8_t *rgba)
{
    const uint32_t a = rgba[3];
    auto mul = [a](uint32_t c) { return (2 * c * a + 255) / 510; }; // nearest of c * a / 255
    return a << 24 | mul(rgba[0]) << 16 | mul(rgba[1]) << 8 | mul(rgba[2]);
}

TEST_P(PixelTest, MatchesLibpng)
{
    const PixelCase c = GetParam();
    const int maxIndex = 1 << std::min(c.depth, 8);
    // Palettes one entry short of full, so out-of-range indices appear too.
    const int entries = std::max(1, maxIndex - 1);
    PngWriter::Image image =
        PngWriter::Noise(c.width, c.height, c.depth, c.colorType, 1000 + c.depth * 10 + c.colorType,
                         c.colorType == 3 ? maxIndex : 0);
    PngWriter::Options options;
    options.interlaced = c.interlaced;
    options.idatSize = 37; // rows straddle IDAT boundaries
    const bool transparent = std::string(c.transparency) == "trns";
    if (c.colorType == 3) {
        for (int i = 0; i < entries; ++i)
            options.plte += Rgb(i * 7, 255 - i, i * 13);
        if (transparent) {
            for (int i = 0; i < entries / 2 + 1; ++i)
                options.trns.append(char(i * 37));
        }
    } else if (transparent) {
        // The key is the first pixel's samples, so some pixels match it.
        const auto *first = reinterpret_cast<const uchar *>(image.rows.constData());
        const int sampleBytes = c.depth == 16 ? 2 : 1;
        const int samples = c.colorType == 2 ? 3 : 1;
        for (int s = 0; s < samples; ++s) {
            uint32_t v = 0;
            if (c.depth < 8)
                v = uint32_t(first[0] >> (8 - c.depth)) & ((1u << c.depth) - 1);
            else
                v = sampleBytes == 2 ? uint32_t(first[2 * s]) << 8 | first[2 * s + 1] : first[s];
            options.trns.append(char(v >> 8)).append(char(v));
        }
        // Repeat the first row's start so more pixels carry the key.
        if (c.depth >= 8 && c.width > 1)
            std::copy_n(image.rows.constData(), sampleBytes * samples,
                        image.rows.data() + sampleBytes * samples);
    }
    const QByteArray file = PngWriter::Encode(image, options);

    ReferenceImage reference;
    ASSERT_TRUE(ReadWithLibpng(file, reference));
    LogoImage decoded;
    try {
        decoded = DecodePng(file);
    } catch (const Failure &failure) {
        FAIL() << failure.message().toStdString();
    }
    EXPECT_EQ(CheckOutcome(file), QString::fromLatin1(kDecoded));
    ASSERT_EQ(decoded.width(), int(c.width));
    ASSERT_EQ(decoded.height(), int(c.height));
    const bool hasAlphaChannel = c.colorType == 4 || c.colorType == 6;
    EXPECT_EQ(decoded.hasAlpha(), hasAlphaChannel || transparent);
    int mismatches = 0;
    bool sawTransparent = false;
    for (uint32_t y = 0; y < c.height; ++y) {
        for (uint32_t x = 0; x < c.width; ++x) {
            const uint8_t *ref = reference.rgba.data() + (size_t(y) * c.width + x) * 4;
            const uint32_t want = Premultiplied(ref);
            sawTransparent = sawTransparent || ref[3] < 255;
            if (decoded.pixel(int(x), int(y)) != want && ++mismatches <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex
                              << decoded.pixel(int(x), int(y)) << " instead of " << want;
        }
    }
    EXPECT_EQ(mismatches, 0);
    if (transparent) {
        EXPECT_TRUE(sawTransparent) << "the fixture should exercise transparency";
    }
}

std::vector<PixelCase> PixelCases()
{
    const std::vector<std::pair<int, int>> kinds = {{0, 1}, {0, 2},  {0, 4},  {0, 8}, {0, 16},
                                                    {2, 8}, {2, 16}, {3, 1},  {3, 2}, {3, 4},
                                                    {3, 8}, {4, 8},  {4, 16}, {6, 8}, {6, 16}};
    std::vector<PixelCase> cases;
    for (const auto &[type, depth] : kinds) {
        for (bool interlaced : {false, true}) {
            cases.push_back({type, depth, interlaced, 37, 23, "none"});
            if (type == 0 || type == 2 || type == 3)
                cases.push_back({type, depth, interlaced, 37, 23, "trns"});
        }
        // Tiny images leave some Adam7 passes empty.
        cases.push_back({type, depth, true, 1, 1, "none"});
        cases.push_back({type, depth, true, 3, 2, "none"});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(AllKinds, PixelTest, ::testing::ValuesIn(PixelCases()), [](const auto &info) {
    const PixelCase &c = info.param;
    return "type" + std::to_string(c.colorType) + "_depth" + std::to_string(c.depth) +
           (c.interlaced ? "_adam7_" : "_") + std::to_string(c.width) + "x" + std::to_string(c.height) + "_" +
           c.transparency;
});

TEST(PngDecoder, OpaqueImagesHaveFullAlpha)
{
    PngWriter::Options options;
    const LogoImage rgb = DecodePng(PngWriter::Encode(PngWriter::Noise(9, 4, 8, 2, 3), options));
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            ASSERT_EQ(rgb.pixel(x, y) >> 24, 255u);
    EXPECT_FALSE(rgb.hasAlpha());
}

TEST(PngDecoder, TransparentPixelsAreZeroAndPremultiplied)
{
    PngWriter::Image image{3, 1, 8, 6,
                           QByteArray("\xC8\x10\x20\x00"
                                      "\xC8\x10\x20\x80"
                                      "\xC8\x10\x20\xFF",
                                      12)};
    const LogoImage decoded = DecodePng(PngWriter::Encode(image));
    EXPECT_EQ(decoded.pixel(0, 0), 0u);
    EXPECT_EQ(decoded.pixel(1, 0), 0x80640810u); // 200, 16, 32 at alpha 128 give 100, 8, 16
    EXPECT_EQ(decoded.pixel(2, 0), 0xFFC81020u);
}

// A colour key with bits above the image's depth (found by fuzzing): libpng
// cuts the key to the depth, and so do we; pixels equal to the cut key are
// transparent.
TEST(PngDecoder, ColourKeyWiderThanTheDepthIsCutToIt)
{
    struct KeyCase {
        int colorType, depth;
        QByteArray rows, trns;
    };
    const KeyCase cases[] = {
        {0, 1, QByteArray("\x80", 1), QByteArray("\x31\x01", 2)},     // key 1 of 0..1
        {0, 4, QByteArray("\x5A", 1), QByteArray("\x00\x35", 2)},     // key 5 of 0..15
        {0, 8, QByteArray("\x80\x81", 2), QByteArray("\x01\x80", 2)}, // key 0x80
        {2, 8, QByteArray("\x01\x02\x03\x01\x02\x04", 6), QByteArray("\xFF\x01\x02\x02\x7F\x03", 6)},
    };
    for (const KeyCase &c : cases) {
        const uint32_t width = c.colorType == 0 ? uint32_t(8 * c.rows.size() / c.depth) : 2;
        PngWriter::Options options;
        options.trns = c.trns;
        const QByteArray file =
            PngWriter::Encode(PngWriter::Image{width, 1, c.depth, c.colorType, c.rows}, options);
        ReferenceImage reference;
        ASSERT_TRUE(ReadWithLibpng(file, reference));
        const LogoImage decoded = DecodePng(file);
        ASSERT_EQ(decoded.width(), int(width));
        EXPECT_EQ(decoded.pixel(0, 0), 0u) << "type " << c.colorType << " depth " << c.depth;
        for (uint32_t x = 0; x < width; ++x)
            EXPECT_EQ(decoded.pixel(int(x), 0), Premultiplied(reference.rgba.data() + 4 * x))
                << "type " << c.colorType << " depth " << c.depth << " pixel " << x;
    }
}

TEST(PngDecoder, RefusesHugeDeclarationWithoutAllocatingIt)
{
    if (!AllocationCounter::Available())
        GTEST_SKIP() << "no allocation counting in sanitizer builds";
    // IHDR only: 65535 x 65535 RGBA would be 16 GiB.
    const QByteArray file = Signature() + Chunk("IHDR", HeaderData(65535, 65535, 8, 6));
    AllocationCounter::Reset();
    EXPECT_EQ(Outcome(file), Inflate("insufficient memory (-4)"));
    EXPECT_LT(AllocationCounter::Largest(), 64 * 1024);
}

TEST(PngDecoder, PeakMemoryStaysNearTheDecodedSize)
{
    if (!AllocationCounter::Available())
        GTEST_SKIP() << "no allocation counting in sanitizer builds";
    PngWriter::Options options;
    options.idatSize = 8192;
    for (bool interlaced : {false, true}) {
        options.interlaced = interlaced;
        const QByteArray file = PngWriter::Encode(PngWriter::Photo(512, 384, 1), options);
        const int64_t decodedSize = 512 * 384 * 4;
        AllocationCounter::Reset();
        const LogoImage image = DecodePng(file);
        ASSERT_FALSE(image.isNull());
        // The image, two rows and zlib's state, nothing the size of the whole data stream.
        EXPECT_LT(AllocationCounter::Peak(), decodedSize + 64 * 1024) << "interlaced " << interlaced;
    }
}

TEST(PngDecoder, CheckingAllocatesNoImage)
{
    if (!AllocationCounter::Available())
        GTEST_SKIP() << "no allocation counting in sanitizer builds";
    PngWriter::Options options;
    options.idatSize = 8192;
    for (bool interlaced : {false, true}) {
        options.interlaced = interlaced;
        const QByteArray file = PngWriter::Encode(PngWriter::Photo(512, 384, 1), options);
        AllocationCounter::Reset();
        CheckPng(file);
        // Two rows and zlib's state; the image would be 768 KiB.
        EXPECT_LT(AllocationCounter::Peak(), 64 * 1024) << "interlaced " << interlaced;
    }
}

TEST(PngDecoder, ReadsFromFile)
{
    TempDir dir;
    dir.write("logo.png", Valid());
    const LogoImage image = DecodePngFile(dir.path("logo.png"));
    EXPECT_EQ(image.width(), 5);
    EXPECT_EQ(image.height(), 4);
    EXPECT_EQ(image.pixel(0, 0), DecodePng(Valid()).pixel(0, 0));
}

TEST(PngDecoder, FileThatCannotBeOpened)
{
    TempDir dir;
    try {
        DecodePngFile(dir.path("logo.png"));
        FAIL() << "no failure";
    } catch (const Failure &failure) {
        EXPECT_TRUE(failure.message().startsWith(
            QString::fromUtf8("Datei \"%1\" kann nicht geöffnet werden. ").arg(dir.path("logo.png"))))
            << failure.message().toStdString();
    }
}

// A device in the logo's place (here through the user's own link) never
// ends; it is refused before a byte is read, as a folder is.
TEST(PngDecoder, DeviceOrFolderIsNoLogo)
{
    TempDir dir;
    const QByteArray link = QFile::encodeName(dir.path("logo.png"));
    ASSERT_EQ(::symlink("/dev/zero", link.constData()), 0);
    const QString refused =
        QString::fromUtf8("Datei \"%1\" kann nicht geöffnet werden. Keine reguläre Datei");
    for (const char *name : {"logo.png", "ordner.png"}) {
        if (QByteArray(name) == "ordner.png") {
            ASSERT_TRUE(QDir(dir.path()).mkdir(name));
        }
        try {
            DecodePngFile(dir.path(name));
            FAIL() << name << " was read as a logo";
        } catch (const Failure &failure) {
            EXPECT_EQ(failure.message(), refused.arg(dir.path(name)));
        }
    }
}

// logo.png may be a link, but only the user's own or root's is followed:
// another user's link could show any picture file of ours.
TEST(PngDecoder, LinkOfAnotherUserIsNotFollowed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a link to another user";
    TempDir dir;
    dir.write("real.png", Valid());
    const QByteArray link = QFile::encodeName(dir.path("logo.png"));
    ASSERT_EQ(::symlink("real.png", link.constData()), 0);
    EXPECT_EQ(DecodePngFile(dir.path("logo.png")).width(), 5) << "root's own link is followed";
    ASSERT_EQ(::lchown(link.constData(), 4321, 4321), 0);
    try {
        DecodePngFile(dir.path("logo.png"));
        FAIL() << "another user's link was followed";
    } catch (const Failure &failure) {
        EXPECT_TRUE(failure.message().startsWith(
            QString::fromUtf8("Datei \"%1\" kann nicht geöffnet werden. Sie ist ein symbolischer Verweis")
                .arg(dir.path("logo.png"))))
            << failure.message().toStdString();
    }
}

TEST(PngDecoder, BrokenFilesFromDisk)
{
    TempDir dir;
    dir.write("empty.png", QByteArray());
    dir.write("cut.png", Valid().left(40));
    const auto messageOf = [&dir](const char *name) {
        try {
            DecodePngFile(dir.path(QLatin1String(name)));
            return QString::fromLatin1(kDecoded);
        } catch (const Failure &failure) {
            return failure.message();
        }
    };
    EXPECT_EQ(messageOf("empty.png"), kSignature);
    EXPECT_EQ(messageOf("cut.png"), kEnd);
}

// Damage inside chunks whose CRC is then made to match again, so the
// damage reaches the header checks, the palette and the inflater: every
// outcome is a picture or one of the operator's messages.
TEST(PngDecoder, DamagedFilesGiveAMessageOrAPicture)
{
    const QStringList known = {kSignature,
                               kEnd,
                               kNotFirst,
                               kUnknown,
                               kNoData,
                               kCrc,
                               kIhdr,
                               kSize,
                               kCompression,
                               kInterlace,
                               kPalette,
                               kMissing,
                               Inflate("data error (-3)"),
                               Inflate("insufficient memory (-4)")};
    PngWriter::Options options;
    options.idatSize = 50;
    const QByteArray sources[] = {
        PngWriter::Encode(PngWriter::Noise(21, 13, 8, 6, 1), options),
        [&] {
            PngWriter::Options palette = options;
            palette.interlaced = true;
            palette.plte = QByteArray(12 * 3, '\x40');
            palette.trns = QByteArray(5, '\x80');
            return PngWriter::Encode(PngWriter::Noise(19, 11, 4, 3, 2, 16), palette);
        }(),
    };
    std::mt19937 random(99);
    int decoded = 0;
    for (const QByteArray &source : sources) {
        for (int round = 0; round < 1500; ++round) {
            QByteArray bytes = source;
            const int flips = 1 + int(random() % 3);
            for (int i = 0; i < flips; ++i) {
                const int at = 8 + int(random() % uint32_t(bytes.size() - 8));
                bytes[at] = char(random());
            }
            if (round % 2 == 0) { // mend every CRC
                for (qsizetype pos = 8; pos + 12 <= bytes.size();) {
                    const auto *p = reinterpret_cast<const uchar *>(bytes.constData() + pos);
                    const uint32_t length =
                        uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
                    if (length > uint32_t(bytes.size() - pos - 12))
                        break;
                    const uint32_t crc = uint32_t(crc32(0, p + 4, length + 4));
                    for (int k = 0; k < 4; ++k)
                        bytes[pos + 8 + qsizetype(length) + k] = char(crc >> (24 - 8 * k));
                    pos += qsizetype(length) + 12;
                }
            }
            const QString outcome = Outcome(bytes);
            ASSERT_EQ(CheckOutcome(bytes), outcome) << "round " << round;
            if (outcome == QLatin1String(kDecoded))
                ++decoded;
            else
                ASSERT_TRUE(known.contains(outcome)) << "round " << round << ": " << outcome.toStdString();
        }
    }
    EXPECT_GT(decoded, 0);
}

} // namespace
