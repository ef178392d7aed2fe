// Any bytes as logo.png: either a picture within the memory budget, or a
// Failure carrying one of the operator's messages. The run is started with
// -malloc_limit_mb just above the budget, so one allocation beyond it is a
// finding too.
#include "FuzzSupport.h"

#include "logo/PngDecoder.h"
#include "settings/Failure.h"

#include <QStringList>

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    LogoImage image;
    try {
        image = DecodePng(FuzzBytes(data, size));
    } catch (const Failure &failure) {
        if (!IsKnown(failure.message())) {
            std::fprintf(stderr, "unknown message: %s\n", failure.what());
            std::abort();
        }
        return 0;
    }
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
    return 0;
}
