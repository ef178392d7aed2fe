#include "NumberText.h"

int HexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

std::optional<int32_t> ParseInt(const QString &text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i] == u' ')
        ++i;
    if (i == n)
        return std::nullopt;
    bool negative = false;
    if (text[i] == u'-' || text[i] == u'+') {
        negative = text[i] == u'-';
        ++i;
    }
    bool hex = false;
    if (i < n && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i == n)
        return std::nullopt;
    if (hex) {
        uint64_t value = 0;
        for (; i < n; ++i) {
            const int d = HexDigitValue(text[i]);
            if (d < 0)
                return std::nullopt;
            value = value * 16 + uint64_t(d);
            if (value > 0xFFFFFFFFu)
                return std::nullopt;
        }
        // All 32 bits are usable: 80000000 to FFFFFFFF are the negative numbers.
        const uint32_t bits = uint32_t(value);
        return negative ? int32_t(0u - bits) : int32_t(bits);
    }
    int64_t value = 0;
    for (; i < n; ++i) {
        const char16_t u = text[i].unicode();
        if (u < u'0' || u > u'9')
            return std::nullopt;
        value = value * 10 + (u - u'0');
        if (value > int64_t(2147483648))
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > 2147483647)
        return std::nullopt;
    return int32_t(value);
}

int32_t ParseIntOrDefault(const QString &text, int32_t def)
{
    return ParseInt(text).value_or(def);
}

bool IsTrueFlag(const QString &text)
{
    QString lower = text;
    for (QChar &c : lower) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    }
    return lower == u"ja" || lower == u"true" || lower == u"1" || lower == u"wahr";
}
