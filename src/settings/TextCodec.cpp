#include "TextCodec.h"

#include <QStringList>

#include <array>

namespace
{

// 0x80..0x9F of Windows-1252; the unassigned ones map to themselves.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char16_t kEscapeBase = 0xDC00; // byte b is carried as U+DC00 + b (b >= 0x80)

// The byte of u in Windows-1252, or -1 when the code page lacks it.
int windows1252Byte(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int k = 0; k < 32; ++k) {
        if (kHigh[k] == u)
            return 0x80 + k;
    }
    return -1;
}

bool isEscapedByte(char16_t u)
{
    return u >= 0xDC80 && u <= 0xDCFF;
}

QString decodeUtf8(const char *p, qsizetype n)
{
    QString out;
    out.reserve(n);
    const auto *s = reinterpret_cast<const unsigned char *>(p);
    qsizetype i = 0;
    while (i < n) {
        const unsigned char b = s[i];
        if (b < 0x80) {
            out.append(QChar(b));
            ++i;
            continue;
        }
        int len = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if ((b & 0xE0) == 0xC0) {
            len = 2, cp = b & 0x1F, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3, cp = b & 0x0F, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4, cp = b & 0x07, min = 0x10000;
        }
        bool ok = len > 0 && i + len <= n;
        for (int k = 1; ok && k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
            ok = false;
        if (!ok) {
            out.append(QChar(char16_t(kEscapeBase + b)));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out.append(QChar(QChar::highSurrogate(cp)));
            out.append(QChar(QChar::lowSurrogate(cp)));
        } else {
            out.append(QChar(char16_t(cp)));
        }
        i += len;
    }
    return out;
}

QByteArray encodeUtf8(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 4);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        char32_t cp = u;
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            cp = QChar::surrogateToUcs4(u, text[i + 1].unicode());
            ++i;
        } else if (isEscapedByte(u)) {
            out.append(char(u - kEscapeBase));
            continue;
        } else if (QChar::isSurrogate(u)) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.append(char(cp));
        } else if (cp < 0x800) {
            out.append(char(0xC0 | (cp >> 6)));
            out.append(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.append(char(0xE0 | (cp >> 12)));
            out.append(char(0x80 | ((cp >> 6) & 0x3F)));
            out.append(char(0x80 | (cp & 0x3F)));
        } else {
            out.append(char(0xF0 | (cp >> 18)));
            out.append(char(0x80 | ((cp >> 12) & 0x3F)));
            out.append(char(0x80 | ((cp >> 6) & 0x3F)));
            out.append(char(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

QString decodeUtf16(const char *p, qsizetype n, bool bigEndian)
{
    n &= ~qsizetype(1); // an odd last byte is carried beside the text
    QString out;
    out.reserve(n / 2 + 1);
    const auto *s = reinterpret_cast<const unsigned char *>(p);
    qsizetype i = 0;
    for (; i + 1 < n; i += 2) {
        const char16_t u = bigEndian ? char16_t((s[i] << 8) | s[i + 1]) : char16_t((s[i + 1] << 8) | s[i]);
        out.append(QChar(u));
    }
    return out;
}

QByteArray encodeUtf16(const QString &text, bool bigEndian)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        const char hi = char(u >> 8), lo = char(u & 0xFF);
        if (bigEndian) {
            out.append(hi);
            out.append(lo);
        } else {
            out.append(lo);
            out.append(hi);
        }
    }
    return out;
}

} // namespace

QString DecodeWindows1252(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        d[i] = QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b));
    }
    return out;
}

QByteArray EncodeWindows1252(const QString &text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char *d = out.data();
    const QChar *s = text.constData();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = windows1252Byte(s[i].unicode());
        d[i] = b < 0 ? '?' : char(b);
    }
    return out;
}

TextEncoding SettingsTextEncoding(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return TextEncoding::Utf8;
    if (bytes.startsWith("\xFF\xFE"))
        return TextEncoding::Utf16LE;
    if (bytes.startsWith("\xFE\xFF"))
        return TextEncoding::Utf16BE;
    return TextEncoding::Ansi;
}

QString DecodeSettingsBytes(QByteArrayView bytes, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return decodeUtf8(bytes.data(), bytes.size());
    return DecodeWindows1252(bytes);
}

DecodedText DecodeSettingsText(const QByteArray &bytes)
{
    const char *p = bytes.constData();
    const qsizetype n = bytes.size();
    switch (const TextEncoding encoding = SettingsTextEncoding(bytes)) {
    case TextEncoding::Utf8:
        return {decodeUtf8(p + 3, n - 3), encoding, {}};
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        const QByteArray odd = n % 2 ? bytes.right(1) : QByteArray();
        return {decodeUtf16(p + 2, n - 2, encoding == TextEncoding::Utf16BE), encoding, odd};
    }
    case TextEncoding::Ansi:
    case TextEncoding::None:
        break;
    }
    return {DecodeWindows1252(bytes), TextEncoding::Ansi, {}};
}

QByteArray EncodeSettingsText(const QString &text, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return QByteArray("\xEF\xBB\xBF") + encodeUtf8(text);
    case TextEncoding::Utf16LE:
        return QByteArray("\xFF\xFE") + encodeUtf16(text, false);
    case TextEncoding::Utf16BE:
        return QByteArray("\xFE\xFF") + encodeUtf16(text, true);
    case TextEncoding::Ansi:
    case TextEncoding::None:
        break;
    }
    return EncodeWindows1252(text);
}

void CollectUnencodable(QStringView text, TextEncoding encoding, QList<char32_t> &lost)
{
    if (encoding != TextEncoding::Ansi && encoding != TextEncoding::None)
        return;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        if (windows1252Byte(u) >= 0)
            continue;
        char32_t cp = u;
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            cp = QChar::surrogateToUcs4(u, text[i + 1].unicode());
            ++i;
        }
        if (!lost.contains(cp))
            lost.append(cp);
    }
}

QList<char32_t> UnencodableCharacters(QStringView text, TextEncoding encoding)
{
    QList<char32_t> lost;
    CollectUnencodable(text, encoding, lost);
    return lost;
}

QString NameCharacters(const QList<char32_t> &characters)
{
    QStringList names;
    for (const char32_t cp : characters) {
        const bool shows =
            QChar::isPrint(cp) && !QChar::isSpace(cp) && QChar::category(cp) != QChar::Other_Format &&
            QChar::category(cp) != QChar::Mark_NonSpacing && QChar::category(cp) != QChar::Mark_Enclosing;
        if (shows)
            names.append(QString::fromUcs4(&cp, 1));
        else
            names.append(QStringLiteral("U+%1").arg(uint(cp), 4, 16, QLatin1Char('0')).toUpper());
    }
    return names.join(QStringLiteral(", "));
}
