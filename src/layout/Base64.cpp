#include "layout/Base64.h"

#include <array>

namespace
{

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr uint8_t kInvalid = 0xFF;

// The 6-bit value of each character below 128; kInvalid for the rest.
constexpr std::array<uint8_t, 128> makeValues()
{
    std::array<uint8_t, 128> values{};
    for (auto &v : values)
        v = kInvalid;
    for (uint8_t i = 0; i < 64; ++i)
        values[size_t(kAlphabet[i])] = i;
    return values;
}
constexpr std::array<uint8_t, 128> kValues = makeValues();

inline uint32_t valueOf(char16_t c)
{
    return c < 128 ? kValues[c] : kInvalid;
}

} // namespace

qsizetype Base64Length(qsizetype size)
{
    return (size + 2) / 3 * 4;
}

void EncodeBase64(QByteArrayView bytes, char *out)
{
    const auto *in = reinterpret_cast<const uint8_t *>(bytes.data());
    const qsizetype whole = bytes.size() / 3 * 3;
    for (qsizetype i = 0; i < whole; i += 3, out += 4) {
        const uint32_t v = uint32_t(in[i]) << 16 | uint32_t(in[i + 1]) << 8 | in[i + 2];
        out[0] = kAlphabet[v >> 18];
        out[1] = kAlphabet[v >> 12 & 63];
        out[2] = kAlphabet[v >> 6 & 63];
        out[3] = kAlphabet[v & 63];
    }
    const qsizetype rest = bytes.size() - whole;
    if (rest == 0)
        return;
    const uint32_t v = uint32_t(in[whole]) << 16 | (rest == 2 ? uint32_t(in[whole + 1]) << 8 : 0);
    out[0] = kAlphabet[v >> 18];
    out[1] = kAlphabet[v >> 12 & 63];
    out[2] = rest == 2 ? kAlphabet[v >> 6 & 63] : '=';
    out[3] = '=';
}

bool DecodeBase64(QStringView text, QByteArray &out)
{
    qsizetype n = text.size();
    // Padding: one or two '=' closing a text of whole groups of four.
    if (n > 0 && text[n - 1] == u'=') {
        if (n % 4 != 0)
            return false;
        n -= n >= 2 && text[n - 2] == u'=' ? 2 : 1;
    }
    out.resize(n * 6 / 8);
    const char16_t *in = text.utf16();
    auto *dst = reinterpret_cast<uint8_t *>(out.data());
    const qsizetype whole = n / 4 * 4;
    for (qsizetype i = 0; i < whole; i += 4, dst += 3) {
        const uint32_t a = valueOf(in[i]), b = valueOf(in[i + 1]), c = valueOf(in[i + 2]),
                       d = valueOf(in[i + 3]);
        // Valid values are below 64; kInvalid has the high bit.
        if ((a | b | c | d) & 0x80)
            return false;
        const uint32_t v = a << 18 | b << 12 | c << 6 | d;
        dst[0] = uint8_t(v >> 16);
        dst[1] = uint8_t(v >> 8);
        dst[2] = uint8_t(v);
    }
    uint32_t bits = 0;
    int count = 0;
    for (qsizetype i = whole; i < n; ++i) {
        const uint32_t v = valueOf(in[i]);
        if (v == kInvalid)
            return false;
        bits = bits << 6 | v;
        count += 6;
        if (count >= 8) {
            count -= 8;
            *dst++ = uint8_t(bits >> count);
        }
    }
    return true;
}
