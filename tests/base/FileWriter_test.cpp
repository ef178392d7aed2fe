#include "base/FileWriter.h"
#include "support/FailureOf.h"
#include "support/TempDir.h"

#include <QDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace
{

QStringList Entries(const TempDir &dir)
{
    return QDir(dir.path())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

mode_t ModeOf(const QString &path)
{
    struct stat st {
    };
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

// A new file is the owner's alone; a replaced one keeps its mode; nothing
// but the file is left beside it.
TEST(WriteFileAtomically, CreatesAndReplacesKeepingTheMode)
{
    TempDir dir;
    const QString path = dir.path("layout.json");
    WriteFileAtomically(path, "erste");
    EXPECT_EQ(dir.read("layout.json"), "erste");
    EXPECT_EQ(ModeOf(path), 0600u);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    WriteFileAtomically(path, QByteArray(100000, 'z'));
    EXPECT_EQ(dir.read("layout.json"), QByteArray(100000, 'z'));
    EXPECT_EQ(ModeOf(path), 0640u);
    WriteFileAtomically(path, "");
    EXPECT_EQ(dir.read("layout.json"), "");
    EXPECT_EQ(Entries(dir), QStringList{"layout.json"});
}

// Where the file cannot be written, the message names it and its cause.
TEST(WriteFileAtomically, FailureNamesTheFileAndTheCause)
{
    TempDir dir;
    const QString path = dir.path("fehlt/layout.json");
    const QString message = FailureOf([&] { WriteFileAtomically(path, "x"); });
    const QString start = "Datei \"" + path + "\" kann nicht erstellt werden. ";
    EXPECT_TRUE(message.startsWith(start)) << message.toStdString();
    EXPECT_GT(message.size(), start.size());
    EXPECT_TRUE(Entries(dir).isEmpty());
}

} // namespace
