#include "ColorCodec.h"

#include "base/NumberText.h"

QString ColorToHex(uint32_t color)
{
    return QStringLiteral("#%1%2%3")
        .arg(color & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((color >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((color >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

uint32_t HexToColor(const QString &text)
{
    const QString rest = text.mid(1);
    // Blue, green, red pairs in that order behind "$00"; short texts simply
    // yield shorter pieces, as the operator's half-typed colours do.
    const QString value = QStringLiteral("$00") + rest.mid(4, 2) + rest.mid(2, 2) + rest.mid(0, 2);
    return uint32_t(ParseIntOrDefault(value, 0xFFFFFF)) & 0xFFFFFFu;
}
