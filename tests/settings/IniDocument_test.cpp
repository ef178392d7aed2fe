#include "settings/IniDocument.h"

#include <gtest/gtest.h>

namespace
{

IniDocument parse(const char *text)
{
    return IniDocument::parse(QString::fromUtf8(text), TextEncoding::Ansi);
}

const QString kOpt = QStringLiteral("Optionen");

TEST(IniDocument, CaseInsensitiveLookupAndInPlaceReplace)
{
    IniDocument doc = parse("[optionen]\r\nzqhost = 192.0.2.10\r\nB=2\r\n");
    EXPECT_EQ(doc.value(kOpt, "ZQHost"), QString("192.0.2.10"));
    doc.setValue(kOpt, "ZQHost", "10.0.0.1");
    EXPECT_EQ(doc.toText(), QString("[optionen]\r\nZQHost=10.0.0.1\r\nB=2\r\n\r\n"));
}

struct ValueCase {
    const char *file;
    const char *key;
    std::optional<QString> expected;
};

TEST(IniDocument, Values)
{
    const ValueCase cases[] = {
        {"[Optionen]\nZQHost=", "ZQHost", QString("")},
        {"[Optionen]\nA= \t x y \t", "A", QString("x y")},
        {"[Optionen]\nA=b=c", "A", QString("b=c")},
        {"[Optionen]\nA=\"q\"", "A", QString("\"q\"")},
        {"[Optionen]\nA=1\n[Optionen]\nA=2", "A", QString("1")},
        {"[Optionen]\nA=1\nA=2", "A", QString("1")},
        {"A=1\n[Optionen]", "A", std::nullopt},  // before the first section
        {"[Optionen]\n;A=1", "A", std::nullopt}, // comment
        {"[Optionen]\nA", "A", std::nullopt},    // no "=": never a key
        {"[Andere]\nA=1", "A", std::nullopt},
        {"  [ Optionen ]  \r\n\tA\t=\t1", "A", QString("1")},
        {"[Optionen]\rA=1\rB=2", "B", QString("2")}, // lone CR
        {"[Optionen]\r\n\r\nA=1", "A", QString("1")},
        {"[Optionen]\nA=\u00A0x\u00A0", "A", QString("\u00A0x\u00A0")}, // NBSP is not trimmed
        {"[Optionen]\nA=x\x01", "A", QString("x")},                     // control characters are
    };
    for (const ValueCase &c : cases)
        EXPECT_EQ(parse(c.file).value(kOpt, c.key), c.expected) << c.file;
}

TEST(IniDocument, NormalisedOutput)
{
    const IniDocument doc = parse("junk before\r\n; comment\r\n[Optionen]\r\n  A = 1 \r\n\r\nnoequals\r\n"
                                  "[Optionen]\r\nA=2\r\n[Other]\r\nX=y");
    EXPECT_EQ(doc.toText(), QString("[Optionen]\r\nA=1\r\nnoequals\r\n\r\n"
                                    "[Optionen]\r\nA=2\r\n\r\n[Other]\r\nX=y\r\n\r\n"));
}

TEST(IniDocument, SetValueAddsSectionAndKeys)
{
    IniDocument doc;
    doc.setValue(kOpt, "ZQHost", "h");
    doc.setValue(kOpt, "ZQHostOLS", "nein");
    doc.setValue(kOpt, "zqhost", "g"); // replaces, spelled as given now
    EXPECT_EQ(doc.toText(), QString("[Optionen]\r\nzqhost=g\r\nZQHostOLS=nein\r\n\r\n"));

    IniDocument other = parse("[Other]\nX=1");
    other.setValue(kOpt, "A", "1");
    EXPECT_EQ(other.toText(), QString("[Other]\r\nX=1\r\n\r\n[Optionen]\r\nA=1\r\n\r\n"));
}

TEST(IniDocument, DuplicateKeyReplacesFirstOnly)
{
    IniDocument doc = parse("[Optionen]\nA=1\nA=2\n[Optionen]\nA=3");
    doc.setValue(kOpt, "A", "x");
    EXPECT_EQ(doc.toText(), QString("[Optionen]\r\nA=x\r\nA=2\r\n\r\n[Optionen]\r\nA=3\r\n\r\n"));
}

TEST(IniDocument, NulInsideALineIsKept)
{
    const QString text = QStringLiteral("[Optionen]\nA=x") + QChar(0) + QStringLiteral("y\nB=z");
    const IniDocument doc = IniDocument::parse(text, TextEncoding::Ansi);
    EXPECT_EQ(doc.value(kOpt, "A"), QStringLiteral("x") + QChar(0) + QStringLiteral("y"));
    EXPECT_EQ(doc.value(kOpt, "B"), QString("z"));
}

TEST(IniDocument, TrimControlKeepsUnicodeSpaces)
{
    EXPECT_EQ(TrimControl(u" \t\x01 a b \u2003\x1F"), QStringLiteral("a b \u2003"));
    EXPECT_EQ(TrimControl(u"   "), QString());
}

// A file's bytes are parsed as they are, each kept line decoded on its own,
// without the whole text beside them: the document is the one the whole
// text decoded and then parsed gives, in every encoding and with broken
// sequences next to line breaks, spaces and section brackets.
TEST(IniDocument, BytesParseAsTheirDecodedText)
{
    const QByteArray files[] = {
        QByteArrayLiteral(""),
        QByteArrayLiteral("[Optionen]\r\nZQHost = a\xE4\x80\x81\r\n\r\n[Andere]\rA=1\nB = \t2\r\n"),
        QByteArrayLiteral("\xEF\xBB\xBF[Optionen]\r\nA=\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80\r\nB=\xC3\r\nC="
                          "\xE2\x82\n\xAC\r\n"),
        QByteArrayLiteral(
            "\xEF\xBB\xBF  [ \xC3\xA4 ]  \r\n\xC3 =\xC3\xA4 \x20\r\nD\xC3\x20=\x20\xE2\x82\r\n;\xC3\xA4\r\n"),
        QByteArrayLiteral(
            "\xEF\xBB\xBF[\xE2\x82]\n\xED\xA0\x80=\xC0\xAF\xF4\x90\x80\x80\xF8\x88\x80\x80\x80\r\n"),
        QByteArrayLiteral("vorher=1\r[Optionen]\rA=1\rA=2\r[Optionen]\rB=\xE4\xF6\xFC\x80\x81\r"),
        QByteArrayLiteral("[Optionen]\r\nText=ab\0cd\r\n\0[x]\0\r\n=\x7F\r\n"),
        QByteArrayLiteral("\xFF\xFE[\0O\0]\0\r\0\n\0a\0=\0\xE4\0\x01"),
        QByteArrayLiteral("\xFE\xFF\0[\0O\0]\0\n\0a\0=\xD8\x3D"),
        QByteArrayLiteral("\xEF\xBB\xBF"),
    };
    for (const QByteArray &bytes : files) {
        const DecodedText decoded = DecodeSettingsText(bytes);
        const IniDocument whole = IniDocument::parse(decoded.text, decoded.encoding);
        const IniDocument doc = IniDocument::fromBytes(bytes);
        EXPECT_EQ(doc.encoding(), whole.encoding()) << bytes.toHex().constData();
        ASSERT_EQ(doc.sections().size(), whole.sections().size()) << bytes.toHex().constData();
        for (size_t i = 0; i < doc.sections().size(); ++i) {
            EXPECT_EQ(doc.sections()[i].name, whole.sections()[i].name) << bytes.toHex().constData();
            EXPECT_EQ(doc.sections()[i].lines, whole.sections()[i].lines) << bytes.toHex().constData();
        }
        EXPECT_EQ(doc.toBytes(), EncodeSettingsText(whole.toText(), whole.encoding()) + decoded.trailing)
            << bytes.toHex().constData();
    }
}

} // namespace
