#pragma once
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Stops the run with a message libFuzzer records together with the input.
#define FUZZ_CHECK(condition, what)                                                                          \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "check failed: %s (%s:%d): %s\n", #condition, __FILE__, __LINE__, what);    \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

inline QByteArray FuzzBytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The bytes as UTF-16 code units in the machine's order (an odd last byte is
// dropped), so lone surrogates and any code unit can occur.
inline QString FuzzUtf16(const uint8_t *data, size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, (size / 2) * 2);
    return text;
}
