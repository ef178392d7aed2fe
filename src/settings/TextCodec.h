#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

// How a settings file's bytes become text and back. Decoding never loses a
// byte: what cannot be decoded is carried as a lone surrogate U+DC80..U+DCFF
// (one per byte) and encoded back to the same byte, so an open-and-save of a
// damaged file keeps what the operator did not touch.
enum class TextEncoding { None, Ansi, Utf8, Utf16LE, Utf16BE };

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::None;
    // A UTF-16 file of odd length: its last byte, which is no code unit.
    // It is written back after the text, so the file keeps it exactly.
    QByteArray trailing;
};

// Encoding from the byte order mark (EF BB BF, FF FE, FE FF, in that order),
// otherwise Windows-1252.
DecodedText DecodeSettingsText(const QByteArray &bytes);
// The encoding DecodeSettingsText reads the bytes in, from their mark.
TextEncoding SettingsTextEncoding(QByteArrayView bytes);
// A piece of a file in Windows-1252 or UTF-8 (after its mark) as text, as
// DecodeSettingsText decodes it.
QString DecodeSettingsBytes(QByteArrayView bytes, TextEncoding encoding);

// Text in the given encoding, with its mark for UTF-8 and UTF-16.
// TextEncoding::None is written like Ansi (no mark).
QByteArray EncodeSettingsText(const QString &text, TextEncoding encoding);

// Windows-1252 with its five unassigned bytes (81, 8D, 8F, 90, 9D) mapped to
// the C1 controls of the same value, so every byte has a character.
QString DecodeWindows1252(QByteArrayView bytes);
// Characters the code page lacks become "?", its default character.
QByteArray EncodeWindows1252(const QString &text);

// The characters EncodeSettingsText(text, encoding) writes as "?" although
// they are none: in Windows-1252 (Ansi, and None, which is written like it)
// those the code page lacks; in UTF-8 and UTF-16 none, as they hold every
// character. Each is named once, in the order of its first appearance, and
// one beyond U+FFFF counts as the one character it is (its two "?" too).
// Collect appends those not in `lost` yet, for a text in many pieces.
void CollectUnencodable(QStringView text, TextEncoding encoding, QList<char32_t> &lost);
QList<char32_t> UnencodableCharacters(QStringView text, TextEncoding encoding);

// Characters as a message lists them, "日, 本, 語": each as itself, one
// that shows nothing (a space other than " ", a control, a zero-width
// character, a lone surrogate) as U+XXXX, so that it is seen at all.
QString NameCharacters(const QList<char32_t> &characters);
