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

} // namespace
