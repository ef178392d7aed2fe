// Any bytes as logo.png: either a picture within the memory budget, or a
// Failure carrying one of the operator's messages. The run is started with
// -malloc_limit_mb just above the budget, so one allocation beyond it is a
// finding too.
#include "FuzzSupport.h"

#include "PngReference.h"
#include "base/Failure.h"
#include "logo/PngDecoder.h"

#include <QStringList>

#include <zlib.h>

namespace
{

const QStringList &KnownMessages()
{
    static const QStringList messages = {
        QStringLiteral(
            "Die gerade gelesene Datei ist kein gültiges PNG-Bild (\"Portable Network Graphics\"), weil "
            "sie keinen gültigen Header enthält. Diese Datei ist möglicherweise beschädigt. Versuchen "
            "Sie, eine neue Version davon zu bekommen"),
        QStringLiteral(
            "Dieses \"Portable Network Graphics\" Bild ist ungültig: Der Dekoder ist unerwartete auf das "
            "Ende der Datei gestoßen."),
        QStringLiteral(
            "Dieses \"Portable Network Graphics\" Bild wird nicht unterstützt oder ist ungültig.\n(Der "
            "IHDR-Abschnitt ist nicht der erste Abschnitt in der Datei)."),
        QStringLiteral(
            "Dieses \"Portable Network Graphics\" Bild enhält einen unbekannten aber notwendigen Teil, "
            "welcher nicht entschlüsselt werden kann."),
        QStringLiteral("Dieses \"Portable Network Graphics\" Bild enthält keine Daten."),
        QStringLiteral(
            "Dieses \"Portable Network Graphics\" Bild ist ungültig, weil Teile der Daten fehlerhaft sind "
            "(CRC-Fehler)"),
        QStringLiteral(
            "Dieses \"Portable Network Graphics\" Bild konnte nicht geladen werden, weil wahrscheinlich "
            "einer der Hauptdatenbreiche (IHDR) beschädigt ist"),
        QStringLiteral(
            "Dieses PNG-Bild (Portable Network Graphics) wird nicht unterstützt, weil die Breite oder "
            "Höhe die maximale Größe von 65535 Pixel überschreitet."),
        QStringLiteral("Dieses \"Portable Network Graphics\" Bild wurde mit einem unbekannten "
                       "Komprimierungsalgorithmus kodiert, welcher nicht entschlüsselt werden kann."),
        QStringLiteral(
            "Dieses \"Portable Network Graphics\" Bild benutzt ein unbekanntes Interlace-Schema, welches "
            "nicht entschlüsselt werden kann."),
        QStringLiteral("Das \"Portable Network Graphics\" Bild enthält eine ungültige Palette."),
        QStringLiteral("Dieses \"Portable Network Graphics\" Bild ist ungültig, weil Grafikdaten fehlen."),
    };
    return messages;
}

bool IsKnown(const QString &message)
{
    if (KnownMessages().contains(message))
        return true;
    const QString inflate =
        QStringLiteral("Die Grafik konnte nicht entpackt werden, weil Teile der komprimierten "
                       "Daten fehlerhaft sind. \nBeschreibung: ");
    static const QStringList causes = {
        QStringLiteral("file error (-1)"),   QStringLiteral("stream error (-2)"),
        QStringLiteral("data error (-3)"),   QStringLiteral("insufficient memory (-4)"),
        QStringLiteral("buffer error (-5)"), QStringLiteral("incompatible version (-6)"),
    };
    return message.startsWith(inflate) && causes.contains(message.mid(inflate.size()));
}

uint32_t Be32(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const uchar *>(b.constData()) + at;
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

QByteArray Be32Bytes(uint32_t v)
{
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(b, 4);
}

QByteArray Chunk(const QByteArray &type, const QByteArray &data)
{
    const QByteArray body = type + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size()));
    return Be32Bytes(uint32_t(data.size())) + body + Be32Bytes(uint32_t(crc));
}

// The input with every complete chunk's checksum made right, so mutations
// reach the chunk contents instead of stopping at the CRC test. With
// `compress`, the image data chunks are taken as the raw filtered rows and
// stored as one compressed chunk, so mutations reach the row filters and
// the pixel formats instead of stopping at the inflater.
QByteArray Repaired(const QByteArray &in, bool compress)
{
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    if (!in.startsWith(signature))
        return in;
    QByteArray out = signature;
    QByteArray rows;
    qsizetype firstIdat = -1;
    qsizetype at = 8;
    while (at + 12 <= in.size()) {
        const uint32_t length = Be32(in, at);
        if (length > uint32_t(in.size() - at - 12))
            break;
        const QByteArray type = in.mid(at + 4, 4);
        const QByteArray data = in.mid(at + 8, qsizetype(length));
        at += 12 + qsizetype(length);
        if (compress && type == "IDAT") {
            if (firstIdat < 0)
                firstIdat = out.size();
            rows += data;
            continue;
        }
        out += Chunk(type, data);
    }
    if (compress && firstIdat >= 0) {
        uLongf packedSize = compressBound(uLong(rows.size()));
        QByteArray packed(qsizetype(packedSize), Qt::Uninitialized);
        if (compress2(reinterpret_cast<Bytef *>(packed.data()), &packedSize,
                      reinterpret_cast<const Bytef *>(rows.constData()), uLong(rows.size()), 1) != Z_OK)
            return in;
        packed.resize(qsizetype(packedSize));
        out.insert(firstIdat, Chunk("IDAT", packed));
    }
    return out + in.mid(at); // a cut last chunk stays cut
}

// libpng's picture of the same file, premultiplied as ours, pixel for
// pixel; only where libpng reads the file too, and for pictures of a
// sensible size.
void SameAsLibpng(const QByteArray &file, const LogoImage &image)
{
    if (qint64(image.width()) * image.height() > 1 << 20)
        return;
    ReferenceImage reference;
    if (!ReadWithLibpng(file, reference))
        return;
    FUZZ_CHECK(reference.width == uint32_t(image.width()) && reference.height == uint32_t(image.height()),
               "size as libpng reads it");
    const auto premultiply = [](uint32_t c, uint32_t a) { return (c * a + 127) / 255; };
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const uint8_t *q = reference.rgba.data() + (size_t(y) * image.width() + x) * 4;
            const uint32_t a = q[3];
            const uint32_t expected =
                a << 24 | premultiply(q[0], a) << 16 | premultiply(q[1], a) << 8 | premultiply(q[2], a);
            if (image.pixel(x, y) != expected) {
                std::fprintf(stderr, "pixel %d,%d: ours %08x, libpng %08x\n", x, y, image.pixel(x, y),
                             expected);
                std::abort();
            }
        }
    }
}

// What checking alone says: nothing, or the message.
QString CheckOutcome(const QByteArray &file)
{
    try {
        CheckPng(file);
        return QString();
    } catch (const Failure &failure) {
        return failure.message();
    }
}

void Decode(const QByteArray &file)
{
    LogoImage image;
    const QString checked = CheckOutcome(file);
    try {
        image = DecodePng(file);
    } catch (const Failure &failure) {
        if (!IsKnown(failure.message())) {
            std::fprintf(stderr, "unknown message: %s\n", failure.what());
            std::abort();
        }
        FUZZ_CHECK(checked == failure.message(), "checking refuses as decoding does, with its message");
        return;
    }
    FUZZ_CHECK(checked.isEmpty(), "checking accepts what decoding reads");
    FUZZ_CHECK(!image.isNull(), "a decoded image has pixels");
    FUZZ_CHECK(image.width() <= 65535 && image.height() <= 65535, "size limit");
    const qint64 bytes = qint64(image.width()) * image.height() * 4;
    FUZZ_CHECK(bytes <= kLogoMemoryBudget, "memory budget");
    FUZZ_CHECK(image.data().size() == bytes, "one word per pixel");
    // Premultiplied: no colour channel exceeds the pixel's alpha.
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const uint32_t p = image.pixel(x, y);
            const uint32_t a = p >> 24;
            FUZZ_CHECK(((p >> 16) & 0xFF) <= a && ((p >> 8) & 0xFF) <= a && (p & 0xFF) <= a, "premultiplied");
            if (!image.hasAlpha())
                FUZZ_CHECK(a == 255, "images without transparency are opaque");
        }
    }
    SameAsLibpng(file, image);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    Decode(bytes);
    const QByteArray crcRight = Repaired(bytes, false);
    if (crcRight != bytes)
        Decode(crcRight);
    const QByteArray packed = Repaired(bytes, true);
    if (packed != crcRight)
        Decode(packed);
    return 0;
}
