#pragma once
#include <QString>
#include <cstdint>
#include <optional>

// Whole-number syntax shared by the settings file, the colour codec and the
// format tables: leading blanks, one sign, decimal digits, or hexadecimal
// digits after "$", "x", "X", "0x" or "0X". Nothing else, not even a
// trailing blank.
std::optional<int32_t> ParseInt(const QString &text);

// Value of an ASCII hexadecimal digit (either case), -1 for any other character.
int HexDigitValue(QChar c);

// ParseInt with a fallback for every text it does not accept.
int32_t ParseIntOrDefault(const QString &text, int32_t def);

// "ja", "true", "1" and "wahr" are true, with only A to Z folded to lower
// case; every other text, the empty one included, is false.
bool IsTrueFlag(const QString &text);

// How flags are stored.
inline QString FlagText(bool flag)
{
    return flag ? QStringLiteral("ja") : QStringLiteral("nein");
}
