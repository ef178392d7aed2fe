#include "base/InterfaceLanguage.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace
{

struct EnvCase {
    const char *language; // LANGUAGE
    const char *lcAll;    // LC_ALL
    const char *lcMessages;
    const char *lang;
    const char *expected; // "de" or "en"
};

// nullptr: the variable is not set.
const EnvCase kEnvCases[] = {
    {nullptr, nullptr, nullptr, nullptr, "de"},
    {nullptr, nullptr, nullptr, "", "de"},
    {nullptr, nullptr, nullptr, "C", "de"},
    {nullptr, nullptr, nullptr, "POSIX", "de"},
    {nullptr, nullptr, nullptr, "C.UTF-8", "de"},
    {nullptr, nullptr, nullptr, "de_DE.UTF-8", "de"},
    {nullptr, nullptr, nullptr, "de_AT.UTF-8", "de"},
    {nullptr, nullptr, nullptr, "fr_FR.UTF-8", "de"},
    {nullptr, nullptr, nullptr, "en_US.UTF-8", "en"},
    {nullptr, nullptr, nullptr, "en_GB.UTF-8", "en"},
    {nullptr, nullptr, nullptr, "en", "en"},
    {"en_GB:de", nullptr, nullptr, "de_DE.UTF-8", "en"},
    {"de", nullptr, nullptr, "en_US.UTF-8", "de"},
    {"fr:en", nullptr, nullptr, "en_US.UTF-8", "de"},
    {"en", nullptr, nullptr, "C", "de"},
    {nullptr, "C", nullptr, "en_US.UTF-8", "de"},
    {nullptr, "en_US.UTF-8", nullptr, "de_DE.UTF-8", "en"},
    {nullptr, "de_DE.UTF-8", "en_US.UTF-8", "en_US.UTF-8", "de"},
    {nullptr, nullptr, "en_US.UTF-8", "de_DE.UTF-8", "en"},
    {nullptr, nullptr, "de_DE.UTF-8", "en_US.UTF-8", "de"},
    {nullptr, nullptr, "POSIX", "en_US.UTF-8", "de"},
};

class EnvironmentTest : public ::testing::TestWithParam<EnvCase>
{
};

TEST_P(EnvironmentTest, ChoosesTheLanguage)
{
    const EnvCase &c = GetParam();
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    const std::pair<const char *, const char *> vars[] = {
        {"LANGUAGE", c.language}, {"LC_ALL", c.lcAll}, {"LC_MESSAGES", c.lcMessages}, {"LANG", c.lang}};
    for (const auto &[name, value] : vars) {
        if (value)
            env.insert(QString::fromLatin1(name), QString::fromLatin1(value));
    }
    QProcess probe;
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(VAD_LANGUAGE_PROBE), {});
    ASSERT_TRUE(probe.waitForFinished(60000)) << qPrintable(probe.errorString());
    EXPECT_EQ(probe.exitCode(), 0);
    EXPECT_EQ(probe.readAllStandardOutput().toStdString(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Environments, EnvironmentTest, ::testing::ValuesIn(kEnvCases));

struct ListCase {
    QLocale::Language system;
    QStringList uiLanguages;
    InterfaceLanguage expected;
};

TEST(InterfaceLanguageFor, TakesTheFirstLanguageOnly)
{
    const ListCase cases[] = {
        {QLocale::English, {QStringLiteral("en-US"), QStringLiteral("de")}, InterfaceLanguage::English},
        {QLocale::English, {QStringLiteral("EN")}, InterfaceLanguage::English},
        {QLocale::German, {QStringLiteral("de-DE"), QStringLiteral("en")}, InterfaceLanguage::German},
        {QLocale::English, {QStringLiteral("eng")}, InterfaceLanguage::German},
        {QLocale::English, {QStringLiteral("es-ES"), QStringLiteral("en")}, InterfaceLanguage::German},
        {QLocale::English, {}, InterfaceLanguage::German},
        {QLocale::C, {QStringLiteral("en")}, InterfaceLanguage::German},
    };
    for (const ListCase &c : cases)
        EXPECT_EQ(InterfaceLanguageFor(QLocale(c.system), c.uiLanguages), c.expected)
            << qPrintable(c.uiLanguages.join(u','));
}

} // namespace
