#include "cli/Console.h"

#include "base/Failure.h"

#include <cstdio>

namespace
{

void writeTo(std::FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

bool isEscapedByte(char16_t c)
{
    return c >= 0xDC80 && c <= 0xDCFF;
}

} // namespace

Console Console::standard()
{
    return Console([](const QByteArray &b) { writeTo(stdout, b); },
                   [](const QByteArray &b) { writeTo(stderr, b); });
}

QByteArray OutputBytes(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        // A lone low surrogate, not the second half of a pair.
        if (!isEscapedByte(c) || (i > 0 && text.at(i - 1).isHighSurrogate()))
            continue;
        bytes += QStringView(text).sliced(from, i - from).toUtf8();
        bytes += char(c - 0xDC00);
        from = i + 1;
    }
    bytes += QStringView(text).sliced(from).toUtf8();
    return bytes;
}

void Console::value(const QString &line) const
{
    m_out(OutputBytes(line) + '\n');
}

void Console::text(const QString &text) const
{
    m_out(text.toUtf8());
}

void Console::bytes(const QByteArray &bytes) const
{
    m_out(bytes);
}

void Console::message(const QString &line) const
{
    m_err(OutputBytes(FailureDisplayText(line)) + '\n');
}

void Console::hint(const QString &line) const
{
    m_err(OutputBytes(line) + '\n');
}
