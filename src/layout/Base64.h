#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

// Base64 (RFC 4648 alphabet, padded) for the logo a layout file carries,
// tens of megabytes: written straight into the file's bytes and read
// straight from the parsed JSON text, without the copies and the per-byte
// work of QByteArray::toBase64() and fromBase64().

// The length of `size` bytes in padded base64.
qsizetype Base64Length(qsizetype size);
// Writes the padded base64 of `bytes` to `out`, which holds
// Base64Length(bytes.size()) characters.
void EncodeBase64(QByteArrayView bytes, char *out);

// Decodes exactly what QByteArray::fromBase64Encoding() with
// AbortOnBase64DecodingErrors decodes, to the same bytes, and refuses what
// it refuses: any character outside the alphabet (white space and
// characters past U+007F too), '=' anywhere but as one or two last
// characters of a text whose length is a multiple of 4. A text without
// padding may have any length; leftover bits are dropped. False: refused,
// `out` then undefined.
bool DecodeBase64(QStringView text, QByteArray &out);
