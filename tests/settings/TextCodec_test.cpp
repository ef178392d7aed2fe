#include "settings/IniDocument.h"
#include "settings/TextCodec.h"

#include <gtest/gtest.h>

namespace
{

QByteArray allBytes()
{
    QByteArray b;
    for (int i = 0; i < 256; ++i)
        b.append(char(i));
    return b;
}

TEST(Windows1252, EveryByteRoundTrips)
{
    const QByteArray bytes = allBytes();
    const QString text = DecodeWindows1252(bytes);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(EncodeWindows1252(text), bytes);
    // The five unassigned bytes map to the C1 controls of the same value.
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(text[b].unicode(), b);
    EXPECT_EQ(text[0x80].unicode(), 0x20AC); // euro sign
    EXPECT_EQ(text[0xE4].unicode(), 0xE4);   // ä
}

TEST(Windows1252, MissingCharactersBecomeQuestionMark)
{
    EXPECT_EQ(EncodeWindows1252(QStringLiteral("a\u4E2Db\U0001F600")), QByteArray("a?b??"));
    EXPECT_EQ(EncodeWindows1252(QStringLiteral("\u20AC\u0178")), QByteArray("\x80\x9F"));
}

struct MarkCase {
    const char *name;
    QByteArray bytes;
    TextEncoding encoding;
    QString text;
};

TEST(SettingsText, EncodingFromMark)
{
    const MarkCase cases[] = {
        {"utf8", QByteArray("\xEF\xBB\xBF\xC3\xA4=\xE2\x82\xAC"), TextEncoding::Utf8, QStringLiteral("ä=€")},
        {"utf16le", QByteArray("\xFF\xFE\xE4\x00=\x00", 6), TextEncoding::Utf16LE, QStringLiteral("ä=")},
        {"utf16be", QByteArray("\xFE\xFF\x00\xE4\x00=", 6), TextEncoding::Utf16BE, QStringLiteral("ä=")},
        {"ansi", QByteArray("\xE4=\x80"), TextEncoding::Ansi, QStringLiteral("ä=€")},
        {"empty", QByteArray(), TextEncoding::Ansi, QString()},
        // A lone EF BB is no mark.
        {"half mark", QByteArray("\xEF\xBB"), TextEncoding::Ansi, QStringLiteral("ï»")},
    };
    for (const MarkCase &c : cases) {
        const DecodedText d = DecodeSettingsText(c.bytes);
        EXPECT_EQ(d.encoding, c.encoding) << c.name;
        EXPECT_EQ(d.text, c.text) << c.name;
        EXPECT_EQ(EncodeSettingsText(d.text, d.encoding), c.bytes) << c.name;
    }
}

TEST(SettingsText, NoEncodingIsWrittenAsAnsiWithoutMark)
{
    EXPECT_EQ(EncodeSettingsText(QStringLiteral("ä"), TextEncoding::None), QByteArray("\xE4"));
}

TEST(SettingsText, BrokenUtf8KeepsEveryByte)
{
    // Stray bytes, an overlong form, a cut sequence and an encoded surrogate.
    const QByteArray bytes("\xEF\xBB\xBF"
                           "a\xFF"
                           "b\xC0\xAF"
                           "c\xED\xA0\x80"
                           "d\xE2\x82");
    const DecodedText d = DecodeSettingsText(bytes);
    EXPECT_EQ(d.encoding, TextEncoding::Utf8);
    EXPECT_TRUE(d.text.startsWith(u'a'));
    EXPECT_EQ(EncodeSettingsText(d.text, d.encoding), bytes);
}

TEST(SettingsText, Utf16KeepsLoneSurrogatesAndOddByte)
{
    const QByteArray bytes("\xFF\xFE\x3D\xD8\x00\xDC\x00\xDC\x41", 9); // pair, lone low, odd byte
    const DecodedText d = DecodeSettingsText(bytes);
    ASSERT_EQ(d.text.size(), 3);
    EXPECT_EQ(d.text[0].unicode(), 0xD83D);
    EXPECT_EQ(d.text[2].unicode(), 0xDC00);
    // The odd byte is no code unit: it is carried beside the text.
    EXPECT_EQ(d.trailing, QByteArray("\x41"));
    EXPECT_EQ(EncodeSettingsText(d.text, d.encoding) + d.trailing, bytes);
}

// A UTF-16 file of odd length keeps its last byte exactly through a save,
// in either byte order, and only UTF-16 has one.
TEST(SettingsText, OddUtf16FileKeepsItsLastByteThroughASave)
{
    const struct {
        QByteArray before, after;
    } cases[] = {
        {QByteArray("\xFF\xFE[\0O\0]\0A", 9), QByteArray("\xFF\xFE[\0O\0]\0\r\0\n\0\r\0\n\0A", 17)},
        {QByteArray("\xFE\xFF\0[\0O\0]\x41", 9), QByteArray("\xFE\xFF\0[\0O\0]\0\r\0\n\0\r\0\n\x41", 17)},
        {QByteArray("[O]\r\nAB=C"), QByteArray("[O]\r\nAB=C\r\n\r\n")},
    };
    for (const auto &c : cases) {
        const IniDocument doc = IniDocument::fromBytes(c.before);
        EXPECT_EQ(doc.toBytes(), c.after) << c.before.toHex().constData();
        EXPECT_EQ(IniDocument::fromBytes(doc.toBytes()).toBytes(), c.after);
    }
}

TEST(SettingsText, Utf8OfSupplementaryCharacters)
{
    const QString text = QStringLiteral("\U0001F600x");
    const QByteArray bytes = EncodeSettingsText(text, TextEncoding::Utf8);
    EXPECT_EQ(bytes, QByteArray("\xEF\xBB\xBF\xF0\x9F\x98\x80x"));
    EXPECT_EQ(DecodeSettingsText(bytes).text, text);
}

} // namespace
