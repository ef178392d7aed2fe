#pragma once
#include <QString>
#include <cstdint>

// Colour value: red in bits 0-7, green in 8-15, blue in 16-23.
// Colour text: "#RRGGBB".
QString ColorToHex(uint32_t color);

// Never fails: unreadable text gives white (0xFFFFFF). The first character
// is dropped whatever it is, so "#", "" and "#0" all read as black.
uint32_t HexToColor(const QString &text);
