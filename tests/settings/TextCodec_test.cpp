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

// The characters a save would write as "?", named before it happens.
struct LostCase {
    const char *name;
    QString text;
    TextEncoding encoding;
    QList<char32_t> lost;
};

void PrintTo(const LostCase &c, std::ostream *os)
{
    *os << c.name;
}

class Unencodable : public ::testing::TestWithParam<LostCase>
{
};

TEST_P(Unencodable, NamesWhatBecomesQuestionMarks)
{
    const LostCase &c = GetParam();
    const QList<char32_t> lost = UnencodableCharacters(c.text, c.encoding);
    EXPECT_EQ(lost, c.lost);
    // Exactly those: without them the text comes back from its bytes.
    QString kept;
    for (qsizetype i = 0; i < c.text.size(); ++i) {
        const QChar u = c.text[i];
        const bool pair = u.isHighSurrogate() && i + 1 < c.text.size() && c.text[i + 1].isLowSurrogate();
        const char32_t cp = pair ? QChar::surrogateToUcs4(u, c.text[i + 1]) : u.unicode();
        if (!lost.contains(cp))
            kept += pair ? c.text.mid(i, 2) : QString(u);
        i += pair ? 1 : 0;
    }
    EXPECT_EQ(DecodeSettingsText(EncodeSettingsText(kept, c.encoding)).text, kept);
    EXPECT_EQ(EncodeSettingsText(c.text, c.encoding).count('?') -
                  EncodeSettingsText(kept, c.encoding).count('?'),
              c.encoding == TextEncoding::Utf8 || c.encoding == TextEncoding::Utf16LE ||
                      c.encoding == TextEncoding::Utf16BE
                  ? 0
                  : c.text.size() - kept.size());
}

const LostCase kLostCases[] = {
    {"Latin1AndCodePageHigh", QStringLiteral("Startnr ä ß € Ÿ Š – „x“"), TextEncoding::Ansi, {}},
    {"QuestionMarksOfTheTextItself", QStringLiteral("Wer? ??"), TextEncoding::Ansi, {}},
    {"UnassignedBytesKeepTheirControls",
     QStringLiteral("\u0081\u008D\u008F\u0090\u009D"),
     TextEncoding::Ansi,
     {}},
    {"Japanese", QStringLiteral("日本語"), TextEncoding::Ansi, {0x65E5, 0x672C, 0x8A9E}},
    {"EachOnceInOrderOfFirstAppearance",
     QStringLiteral("Łączny czas, Łódź, Łączny"),
     TextEncoding::Ansi,
     {0x141, 0x105, 0x17A}},
    {"BeyondTheBmpIsOneCharacter", QStringLiteral("a\U0001F600b\U0001F600"), TextEncoding::Ansi, {0x1F600}},
    {"LoneSurrogate", QString(QChar(0xD800)) + u'x', TextEncoding::Ansi, {0xD800}},
    {"C1ControlWithoutByte", QStringLiteral("a\u0080\u0099"), TextEncoding::Ansi, {0x80, 0x99}},
    {"InvisibleCharacters", QStringLiteral("a\u200Bb\u00A0c\u3000"), TextEncoding::Ansi, {0x200B, 0x3000}},
    {"NoneIsWrittenAsAnsi", QStringLiteral("日"), TextEncoding::None, {0x65E5}},
    {"Utf8HoldsEverything", QStringLiteral("日本語 Ł \U0001F600"), TextEncoding::Utf8, {}},
    {"Utf16LEHoldsEverything", QStringLiteral("日本語 Ł \U0001F600"), TextEncoding::Utf16LE, {}},
    {"Utf16BEHoldsEverything", QStringLiteral("日本語 Ł \U0001F600"), TextEncoding::Utf16BE, {}},
};

INSTANTIATE_TEST_SUITE_P(Texts, Unencodable, ::testing::ValuesIn(kLostCases),
                         [](const auto &info) { return std::string(info.param.name); });

// Every UTF-16 code unit alone: named exactly when the code page writes it
// as a "?" that it is not.
TEST(Unencodable, AgreesWithTheEncoderOnEveryCodeUnit)
{
    for (char32_t u = 0; u <= 0xFFFF; ++u) {
        const QString one{QChar(char16_t(u))};
        const bool becomesQuestionMark = u != u'?' && EncodeWindows1252(one) == "?";
        EXPECT_EQ(UnencodableCharacters(one, TextEncoding::Ansi),
                  becomesQuestionMark ? QList<char32_t>{u} : QList<char32_t>{})
            << std::hex << u;
    }
}

TEST(Unencodable, NamesShowEveryCharacter)
{
    const struct {
        QList<char32_t> characters;
        QString named;
    } cases[] = {
        {{0x65E5, 0x672C, 0x8A9E}, QStringLiteral("日, 本, 語")},
        {{0x141, 0x1F600}, QStringLiteral("Ł, \U0001F600")},
        // What shows nothing on its own is named by its code point.
        {{0x200B, 0x3000, 0x80, 0xD800, 0x301}, QStringLiteral("U+200B, U+3000, U+0080, U+D800, U+0301")},
        {{}, QString()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(NameCharacters(c.characters), c.named);
}

} // namespace
