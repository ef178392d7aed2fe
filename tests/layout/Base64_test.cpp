#include "layout/Base64.h"

#include <gtest/gtest.h>

#include <QString>

#include <random>

namespace
{

// What Qt's strict decoder says: the bytes, or nothing when it refuses.
std::optional<QByteArray> QtDecode(const QString &text)
{
    const auto result =
        QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return std::nullopt;
    return result.decoded;
}

std::optional<QByteArray> OurDecode(const QString &text)
{
    QByteArray out;
    if (!DecodeBase64(text, out))
        return std::nullopt;
    return out;
}

struct Case {
    const char *name;
    QString text;
    bool accepted;
};

void PrintTo(const Case &c, std::ostream *os)
{
    *os << c.name;
}

class DecodeTest : public ::testing::TestWithParam<Case>
{
};

TEST_P(DecodeTest, AgreesWithQt)
{
    const Case &c = GetParam();
    const auto qt = QtDecode(c.text);
    ASSERT_EQ(qt.has_value(), c.accepted) << "the table's idea of Qt is wrong";
    EXPECT_EQ(OurDecode(c.text), qt);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeTest,
    ::testing::ValuesIn(std::vector<Case>{
        {"empty", QString(), true},
        {"whole_group", QStringLiteral("TWFu"), true},
        {"two_groups", QStringLiteral("TWFuTWFu"), true},
        {"one_pad", QStringLiteral("TWE="), true},
        {"two_pads", QStringLiteral("TQ=="), true},
        {"unpadded_three", QStringLiteral("TWE"), true},
        {"unpadded_two", QStringLiteral("TQ"), true},
        {"unpadded_one", QStringLiteral("T"), true},
        {"leftover_bits_set", QStringLiteral("TR=="), true},
        {"all_of_the_alphabet",
         QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"), true},
        {"three_pads", QStringLiteral("T==="), false},
        {"only_pads", QStringLiteral("===="), false},
        {"lone_pad", QStringLiteral("="), false},
        {"pad_in_the_middle", QStringLiteral("TQ==TWFu"), false},
        {"pad_then_letter", QStringLiteral("TQ=A"), false},
        {"pad_on_odd_length", QStringLiteral("TWFuTQ="), false},
        {"pad_after_whole_group", QStringLiteral("TWFu="), false},
        {"space", QStringLiteral("TW Fu"), false},
        {"newline_at_end", QStringLiteral("TWFu\n"), false},
        {"url_alphabet", QStringLiteral("TW-_"), false},
        {"latin1_letter", QStringLiteral("TWF\u00e4"), false},
        {"beyond_latin1", QStringLiteral("TWF\u20ac"), false},
        {"nul", QString(QLatin1String("TW\0u", 4)), false},
        {"bad_in_second_place", QStringLiteral("T*Fu"), false},
        {"bad_in_tail", QStringLiteral("TWFuT*"), false},
    }),
    [](const auto &info) { return std::string(info.param.name); });

// Random texts over the alphabet, '=' and a few strangers, short enough
// that every kind of tail and padding turns up.
TEST(Base64, DecodesRandomTextsAsQtDoes)
{
    const QString letters = QStringLiteral("ABZaz09+/=== -_\u00e4");
    std::mt19937 random(5);
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        QString text;
        const int length = int(random() % 14);
        for (int i = 0; i < length; ++i)
            text.append(letters[int(random() % uint32_t(letters.size()))]);
        const auto qt = QtDecode(text);
        ASSERT_EQ(OurDecode(text), qt) << text.toStdString();
        accepted += qt.has_value();
    }
    EXPECT_GT(accepted, 1000);
}

TEST(Base64, EncodesAsQtAndDecodesBack)
{
    std::mt19937 random(11);
    for (int size = 0; size < 300; ++size) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (char &b : bytes)
            b = char(random());
        QByteArray encoded(Base64Length(size), Qt::Uninitialized);
        EncodeBase64(bytes, encoded.data());
        ASSERT_EQ(encoded, bytes.toBase64()) << size;
        EXPECT_EQ(OurDecode(QString::fromLatin1(encoded)), bytes) << size;
    }
}

} // namespace
