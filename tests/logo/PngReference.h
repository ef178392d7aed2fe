#pragma once
#include <QByteArray>
#include <cstdint>
#include <vector>

// libpng's decode of a PNG in memory to 8-bit RGBA (straight alpha): palette
// and tRNS expanded, 16-bit samples cut to their high byte, grey widened,
// opaque images filled with alpha 255. The yardstick for our decoder.
struct ReferenceImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;
};

// False when libpng reports an error.
bool ReadWithLibpng(const QByteArray &bytes, ReferenceImage &out);
