#pragma once
#include "logo/LogoImage.h"
#include <QByteArray>
#include <QString>
#include <cstdint>

// The largest decoded logo we accept, width * height * 4 bytes. A 33-byte
// file can declare 65535 x 65535 pixels (16 GiB); such a declaration is
// refused before anything is allocated.
constexpr qint64 kLogoMemoryBudget = qint64(256) * 1024 * 1024;

// Decodes a PNG file held in memory. Every colour type, bit depth, filter and
// the Adam7 interlace are read; 16-bit samples keep their high byte, smaller
// ones are scaled to 8 bits; palette and colour-key transparency apply.
//
// Throws Failure with the operator's message for the first problem found,
// reading the chunks front to back. For every chunk: a file that ends inside
// its length, type, data or checksum gives "unexpected end"; then the first
// chunk must be IHDR; then its CRC must match; then its contents are checked.
// Choices where the file is odd rather than plainly broken:
//  - zero width or height, a bad colour type / bit depth pair, a filter
//    method other than 0 or a second IHDR get the IHDR message;
//  - a palette image without PLTE before its first IDAT, a PLTE with no
//    entries and a second PLTE get the palette message; palette indices past
//    the last entry are opaque black;
//  - a tRNS of the wrong length for grey or RGB, or on an image with an alpha
//    channel, is ignored; PLTE and tRNS after the image data are ignored;
//  - colour key samples with bits above the bit depth are cut to it, as
//    libpng does;
//  - the image data ending (zlib stream end, or IEND) before the last row, or
//    any other chunk between two IDATs while rows are still missing, gives
//    "Grafikdaten fehlen";
//  - once the last row is complete, inflating stops: the rest of the stream,
//    later IDATs and everything after IEND are not looked at (later chunks
//    still need a valid CRC up to IEND);
//  - a zlib stream asking for a preset dictionary is a "data error (-3)".
// The inflate message breaks its line with "\n".
LogoImage DecodePng(const QByteArray &bytes);

// Throws exactly the Failure DecodePng would throw for `bytes`, and nothing
// where it would decode them, but builds no image: the data is inflated and
// checked as for decoding, its rows dropped: no unfiltering, no pixels and
// no image-sized memory (some two thirds of a decode's time remain, nearly
// all of it zlib's inflate), for callers that only need the verdict (a logo
// taken into or out of a layout).
void CheckPng(const QByteArray &bytes);

// Reads the whole file and decodes it. A file that cannot be opened gives
// 'Datei "<path>" kann nicht geöffnet werden. ' and the system's text.
LogoImage DecodePngFile(const QString &path);
