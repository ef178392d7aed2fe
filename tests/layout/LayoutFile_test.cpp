#include "base/Failure.h"
#include "layout/LayoutFile.h"
#include "logo/PngDecoder.h"
#include "logo/PngWriter.h"
#include "support/FailureOf.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace
{

QByteArray SmallPng()
{
    return PngWriter::Encode(PngWriter::Noise(4, 3, 8, 6, 7));
}

Layout HallWithLogo()
{
    Layout layout = BuiltInLayouts().at(1);
    layout.logoPng = SmallPng();
    return layout;
}

QJsonObject ValidObject()
{
    return QJsonDocument::fromJson(LayoutToJson(HallWithLogo())).object();
}

QByteArray Bytes(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

using Change = std::function<void(QJsonObject &)>;

Change SetValue(const QString &key, const QJsonValue &value)
{
    return [=](QJsonObject &root) {
        QJsonObject values = root.value(QStringLiteral("values")).toObject();
        values.insert(key, value);
        root.insert(QStringLiteral("values"), values);
    };
}

Change RemoveValue(const QString &key)
{
    return [=](QJsonObject &root) {
        QJsonObject values = root.value(QStringLiteral("values")).toObject();
        values.remove(key);
        root.insert(QStringLiteral("values"), values);
    };
}

Change Set(const QString &member, const QJsonValue &value)
{
    return [=](QJsonObject &root) { root.insert(member, value); };
}

Change Remove(const QString &member)
{
    return [=](QJsonObject &root) { root.remove(member); };
}

struct HostileCase {
    const char *name;
    std::function<QByteArray()> bytes;
    const char *message; // a part of the German message that names the fault
};

std::function<QByteArray()> Changed(const Change &change)
{
    return [change] {
        QJsonObject root = ValidObject();
        change(root);
        return Bytes(root);
    };
}

std::function<QByteArray()> Raw(const QByteArray &bytes)
{
    return [bytes] { return bytes; };
}

QString Base64(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toBase64());
}

QByteArray HugeDeclaredPng()
{
    using namespace PngWriter;
    return Signature() + Chunk("IHDR", HeaderData(60000, 60000, 8, 6)) + Chunk("IDAT", Compress("\0")) +
           Chunk("IEND", {});
}

const HostileCase kHostile[] = {
    {"NotJson", Raw("hello"), "keine Layout-Datei (kein gültiges JSON"},
    {"TruncatedJson", [] { return LayoutToJson(HallWithLogo()).left(100); }, "kein gültiges JSON"},
    {"JsonList", Raw("[1,2]"), "kein JSON-Objekt"},
    {"SettingsFile", Raw("[Optionen]\r\nVollBild=ja\r\n"), "keine Layout-Datei"},
    {"OtherMarker", Changed(Set("format", "Irgendwas")), "die Kennung \"VADaroradarAdadad-Layout\" fehlt"},
    {"NoMarker", Changed(Remove("format")), "Kennung"},
    {"NewerVersion", Changed(Set("version", 2)), "Version 2, dieses Programm liest Layouts bis Version 1"},
    {"VersionAsText", Changed(Set("version", "1")), "Version fehlt oder ist keine ganze Zahl"},
    {"VersionFraction", Changed(Set("version", 1.5)), "Version fehlt"},
    {"VersionZero", Changed(Set("version", 0)), "Version fehlt"},
    {"VersionHuge", Raw(R"({"format":"VADaroradarAdadad-Layout","version":1e300})"), "Version 1000000"},
    {"VersionNegative", Changed(Set("version", -3)), "Version fehlt"},
    {"UnknownMember", Changed(Set("passwort", "geheim")), "unbekannten Eintrag \"passwort\""},
    {"NameMissing", Changed(Remove("name")), "Name des Layouts fehlt"},
    {"NameNumber", Changed(Set("name", 3)), "Name des Layouts fehlt"},
    {"CreatedNoDate", Changed(Set("created", "gestern")), "\"gestern\" im Layout ist keine Zeitangabe"},
    {"CreatedMissing", Changed(Remove("created")), "keine Zeitangabe nach ISO 8601"},
    {"ValuesMissing", Changed(Remove("values")), "\"values\" fehlen"},
    {"ValuesList", Changed(Set("values", QJsonValue(QJsonValue::Array))), "\"values\" fehlen"},
    {"KeyMissing", Changed(RemoveValue("AnzahlZeilen")), "fehlt die Einstellung \"AnzahlZeilen\""},
    {"KeyUnknown", Changed(SetValue("Farbe", "#FFFFFF")), "unbekannte Einstellung \"Farbe\""},
    {"KeyOtherCase", Changed(SetValue("vollbild", "ja")), "unbekannte Einstellung \"vollbild\""},
    {"ConnectionKey", Changed(SetValue("ZQKDPasswort", "geheim")), "Verbindungseinstellung \"ZQKDPasswort\""},
    {"ValueNumber", Changed(SetValue("AnzahlZeilen", 20)), "\"AnzahlZeilen\" im Layout ist kein Text"},
    {"ValueNull", Changed(SetValue("VollBild", QJsonValue::Null)), "\"VollBild\" im Layout ist kein Text"},
    {"ValueLineFeed", Changed(SetValue("InfoZeile", "Startnr\n[Name]")),
     "\"InfoZeile\" im Layout enthält einen Zeilenumbruch"},
    {"ValueCarriageReturn", Changed(SetValue("StartNrInFeld", "a\rb")),
     "enthält einen Zeilenumbruch oder ein NUL"},
    {"ValueNul", Changed(SetValue("HintergrundFarbe", QString(QChar(0)))), "NUL-Zeichen"},
    {"FormatUnreadable", Changed(SetValue("InfoZeileFormat", "kaputt")),
     "Spaltenformat \"InfoZeileFormat\" im Layout kann nicht gelesen werden"},
    {"HeadingFormatUnreadable", Changed(SetValue("UeberschriftFormat", "{\"1\":")),
     "Spaltenformat \"UeberschriftFormat\""},
    {"LogoNotText", Changed(Set("logo", 5)), "Logo im Layout ist kein Base64-Text"},
    {"LogoNotBase64", Changed(Set("logo", "!!nicht base64!!")), "kein gültiger Base64-Text"},
    {"LogoNotPng", Changed(Set("logo", Base64("GIF89a"))),
     "kein lesbares PNG-Bild: Die gerade gelesene Datei ist kein gültiges PNG-Bild"},
    {"LogoTruncated", Changed(Set("logo", Base64(SmallPng().left(40)))), "kein lesbares PNG-Bild"},
    {"LogoOverMemoryBudget", Changed(Set("logo", Base64(HugeDeclaredPng()))), "kein lesbares PNG-Bild"},
};

class HostileLayout : public ::testing::TestWithParam<HostileCase>
{
};

TEST_P(HostileLayout, IsRefusedWithAMessageNamingTheFault)
{
    const QString message = FailureOf([] { LayoutFromJson(GetParam().bytes()); });
    EXPECT_TRUE(message.contains(QString::fromUtf8(GetParam().message))) << message.toStdString();
}

TEST_P(HostileLayout, AsAFileIsRefusedWithItsPathAndLeftAlone)
{
    TempDir dir;
    const QByteArray bytes = GetParam().bytes();
    dir.write("x.vadlayout", bytes);
    const QString message = FailureOf([&] { ReadLayoutFile(dir.path("x.vadlayout")); });
    EXPECT_TRUE(message.contains(dir.path("x.vadlayout"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromUtf8(GetParam().message))) << message.toStdString();
    EXPECT_EQ(dir.read("x.vadlayout"), bytes);
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileLayout, ::testing::ValuesIn(kHostile),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(LayoutFile, ValidFixtureIsRead)
{
    // The hostile cases all start from this one.
    const Layout read = LayoutFromJson(Bytes(ValidObject()));
    EXPECT_EQ(read.values, HallWithLogo().values);
    EXPECT_EQ(read.logoPng, SmallPng());
}

TEST(LayoutFile, EveryBuiltInRoundTripsThroughAFile)
{
    TempDir dir;
    for (const Layout &layout : BuiltInLayouts()) {
        SCOPED_TRACE(layout.name.toStdString());
        const QString path = dir.path(layout.name + QLatin1String(kLayoutSuffix));
        WriteLayoutFile(path, layout);
        const Layout read = ReadLayoutFile(path);
        EXPECT_EQ(read.name, layout.name);
        EXPECT_EQ(read.created, layout.created);
        EXPECT_EQ(read.values, layout.values);
        EXPECT_TRUE(read.logoPng.isEmpty());
        ASSERT_EQ(read.values.size(), kLayoutKeys.size());
        for (size_t i = 0; i < kLayoutKeys.size(); ++i)
            EXPECT_EQ(read.values[i].first, kLayoutKeys[i]);
    }
}

TEST(LayoutFile, StandardHoldsTheKeyTableDefaults)
{
    const Layout standard = BuiltInLayouts().front();
    EXPECT_EQ(standard.name, "Standard");
    for (const auto &[key, value] : standard.values)
        EXPECT_EQ(value, keyDefault(key)) << keyName(key).toStdString();
}

TEST(LayoutFile, FileHoldsMarkerVersionUtcTimeAndValuesUnderTheirNames)
{
    Layout layout = HallWithLogo();
    layout.name = QStringLiteral("Halle Süd €");
    layout.created = QDateTime(QDate(2026, 12, 11), QTime(8, 30, 5), Qt::UTC);
    const QJsonObject root = QJsonDocument::fromJson(LayoutToJson(layout)).object();
    EXPECT_EQ(root.value("format").toString(), "VADaroradarAdadad-Layout");
    EXPECT_EQ(root.value("version").toInt(), 1);
    EXPECT_EQ(root.value("name").toString(), "Halle Süd €");
    EXPECT_EQ(root.value("created").toString(), "2026-12-11T08:30:05Z");
    EXPECT_EQ(root.value("values").toObject().value("InfoZeile").toString(), "Startnr,[Name]");
    EXPECT_EQ(root.value("values").toObject().size(), 17);
    EXPECT_EQ(QByteArray::fromBase64(root.value("logo").toString().toLatin1()), SmallPng());
}

// The logo is put into the text beside Qt's writer: the file must still be
// what Qt's writer would make of the whole, whatever the name and values.
TEST(LayoutFile, FileWithALogoIsWhatQtsWriterWouldWrite)
{
    for (const QString &name : {QStringLiteral("Halle"), QStringLiteral("x\",\n    \"name\": \"y"),
                                QStringLiteral("\n    \"name\": "), QString()}) {
        for (const QByteArray &png : {SmallPng(), QByteArray("P"), QByteArray("PN"), QByteArray("PNG")}) {
            Layout layout = HallWithLogo();
            layout.name = name;
            layout.logoPng = png;
            Layout plain = layout;
            plain.logoPng.clear();
            QJsonObject whole = QJsonDocument::fromJson(LayoutToJson(plain)).object();
            whole.insert(QStringLiteral("logo"), QString::fromLatin1(png.toBase64()));
            EXPECT_EQ(LayoutToJson(layout), QJsonDocument(whole).toJson(QJsonDocument::Indented))
                << name.toStdString();
        }
    }
}

// A logo is checked without being decoded: whatever the decoder refuses is
// refused, with the decoder's own words.
TEST(LayoutFile, LogoTheDecoderRefusesIsRefusedWithItsMessage)
{
    const QByteArray good = PngWriter::Encode(PngWriter::Photo(40, 30, 3));
    QByteArray badCrc = good;
    badCrc[good.size() - 20] = char(badCrc[good.size() - 20] ^ 1);
    QByteArray shortData = PngWriter::Encode(PngWriter::Photo(40, 30, 3));
    // The IHDR declares one row more than the data holds; its CRC mended.
    shortData[8 + 8 + 7] = char(31);
    const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const uchar *>(shortData.constData()) + 12, 17));
    for (int k = 0; k < 4; ++k)
        shortData[8 + 8 + 13 + k] = char(crc >> (24 - 8 * k));
    for (const QByteArray &png : {good.left(good.size() / 2), badCrc, shortData, QByteArray("GIF89a")}) {
        QString decoderSays;
        try {
            DecodePng(png);
        } catch (const Failure &f) {
            decoderSays = f.message();
        }
        ASSERT_FALSE(decoderSays.isEmpty());
        Layout layout = HallWithLogo();
        layout.logoPng = png;
        EXPECT_EQ(FailureOf([&] { LayoutFromJson(LayoutToJson(layout)); }),
                  QStringLiteral("Das Logo im Layout ist kein lesbares PNG-Bild: ") + decoderSays);
    }
    Layout layout = HallWithLogo();
    layout.logoPng = good;
    EXPECT_EQ(LayoutFromJson(LayoutToJson(layout)).logoPng, good);
}

TEST(LayoutFile, CreationTimeWithAnOffsetIsReadAsUtc)
{
    QJsonObject root = ValidObject();
    root.insert("created", "2026-12-11T09:30:00+01:00");
    EXPECT_EQ(LayoutFromJson(Bytes(root)).created, QDateTime(QDate(2026, 12, 11), QTime(8, 30), Qt::UTC));
}

TEST(LayoutFile, ConnectionKeysNeverEnterTheFile)
{
    Layout layout = BuiltInLayouts().at(1);
    // Even a layout put together by hand with them: only the 17 are written.
    layout.values.emplace_back(Key::ZQKDPasswort, QStringLiteral("geheim"));
    const QByteArray bytes = LayoutToJson(layout);
    for (const KeyInfo &info : kKeys) {
        if (!IsLayoutKey(info.key)) {
            EXPECT_FALSE(bytes.contains(info.name)) << info.name;
        }
    }
    EXPECT_FALSE(bytes.contains("geheim"));
}

TEST(LayoutFile, LayoutKeysAreThe17OfTheThreeLookPages)
{
    int count = 0;
    for (const KeyInfo &info : kKeys) {
        const bool connection = QByteArray(info.name).startsWith("ZQ");
        EXPECT_EQ(IsLayoutKey(info.key), !connection) << info.name;
        count += IsLayoutKey(info.key) ? 1 : 0;
    }
    EXPECT_EQ(count, 17);
}

TEST(LayoutFile, ValuesReadAsASettingsFileHoldingThemReadsThem)
{
    Layout layout = BuiltInLayouts().front();
    layout.values[1].second = QStringLiteral("  $1F\t"); // AnzahlZeilen
    const SettingsSnapshot settings = LayoutAsSettings(layout);
    EXPECT_EQ(settings.ReadOption("AnzahlZeilen", "x"), "$1F");
    EXPECT_EQ(readText(settings, Key::AnzahlZeilen), "31");
    EXPECT_EQ(settings.ReadOption("InfoZeile", "x"), "Startnr");
    EXPECT_EQ(settings.ReadOption("ZQHost", "keiner"), "keiner");
}

// Things in the file's place that are no layout file; none may block.
struct PlaceCase {
    const char *name;
    std::function<void(const QString &path, const TempDir &dir)> make;
    const char *message;
};

const PlaceCase kPlaces[] = {
    {"Missing", [](const QString &, const TempDir &) {}, "kann nicht geöffnet werden"},
    {"Directory", [](const QString &p, const TempDir &) { QDir().mkpath(p); }, "ist ein Ordner, keine Datei"},
    {"Fifo", [](const QString &p, const TempDir &) { ::mkfifo(QFile::encodeName(p).constData(), 0600); },
     "keine gewöhnliche Datei"},
    {"SymlinkToFifo",
     [](const QString &p, const TempDir &dir) {
         ::mkfifo(QFile::encodeName(dir.path("fifo")).constData(), 0600);
         QFile::link(dir.path("fifo"), p);
     },
     "keine gewöhnliche Datei"},
    {"SymlinkToDirectory",
     [](const QString &p, const TempDir &dir) {
         QDir().mkpath(dir.path("sub"));
         QFile::link(dir.path("sub"), p);
     },
     "ist ein Ordner, keine Datei"},
    {"Empty",
     [](const QString &p, const TempDir &) {
         QFile f(p);
         f.open(QIODevice::WriteOnly);
     },
     "ist leer"},
    {"TwoGigabytesSparse",
     [](const QString &p, const TempDir &) {
         QFile f(p);
         if (f.open(QIODevice::WriteOnly))
             f.resize(qint64(2) * 1024 * 1024 * 1024);
     },
     "Bytes zu groß"},
};

class LayoutPlace : public ::testing::TestWithParam<PlaceCase>
{
};

TEST_P(LayoutPlace, IsRefusedAtOnce)
{
    TempDir dir;
    const QString path = dir.path("x.vadlayout");
    GetParam().make(path, dir);
    const QString message = FailureOf([&] { ReadLayoutFile(path); });
    EXPECT_TRUE(message.contains(QString::fromUtf8(GetParam().message))) << message.toStdString();
    EXPECT_TRUE(message.contains(path)) << message.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cases, LayoutPlace, ::testing::ValuesIn(kPlaces),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(LayoutFile, WriteReplacesAnOldFileWhole)
{
    TempDir dir;
    const QString path = dir.path("a.vadlayout");
    dir.write("a.vadlayout", QByteArray(100000, 'x'));
    WriteLayoutFile(path, BuiltInLayouts().front());
    EXPECT_EQ(dir.read("a.vadlayout"), LayoutToJson(BuiltInLayouts().front()));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.vadlayout"});
}

// A layout holds no secret: it is created with the mode the umask gives,
// so a layout one user exported another can import where the umask lets
// them read it; a logo written from a layout alike.
TEST(LayoutFile, NewFilesTakeTheModeTheUmaskGives)
{
    for (mode_t mask : {mode_t(022), mode_t(002), mode_t(077)}) {
        TempDir dir;
        const mode_t old = ::umask(mask);
        WriteLayoutFile(dir.path("halle.vadlayout"), BuiltInLayouts().at(1));
        WriteLogoFile(dir.path("logo.png"), SmallPng());
        ::umask(old);
        for (const char *name : {"halle.vadlayout", "logo.png"}) {
            struct stat st {
            };
            ASSERT_EQ(::stat(QFile::encodeName(dir.path(name)).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0666u & ~mask) << name << " umask " << std::oct << mask;
        }
    }
}

TEST(LayoutFile, WriteIntoAMissingFolderFailsWithAMessage)
{
    TempDir dir;
    const QString message =
        FailureOf([&] { WriteLayoutFile(dir.path("nein/a.vadlayout"), BuiltInLayouts().front()); });
    EXPECT_TRUE(message.contains("kann nicht erstellt werden")) << message.toStdString();
}

} // namespace

namespace
{

TEST(LayoutFile, FilesInAFolderAreTheLayoutFilesSortedByName)
{
    TempDir dir;
    dir.write("b.vadlayout", "x");
    dir.write("A.vadlayout", "x");
    dir.write("c.txt", "x");
    QDir().mkpath(dir.path("d.vadlayout"));
    EXPECT_EQ(LayoutFilesIn(dir.path()), (QStringList{dir.path("A.vadlayout"), dir.path("b.vadlayout")}));
    EXPECT_TRUE(LayoutFilesIn(dir.path("fehlt")).isEmpty());
}

TEST(LayoutFile, LogoToCarryMustBeADecodablePng)
{
    TempDir dir;
    dir.write("logo.png", SmallPng());
    EXPECT_EQ(ReadLogoForLayout(dir.path("logo.png")), SmallPng());
    dir.write("text.png", "kein Bild");
    EXPECT_TRUE(
        FailureOf([&] { ReadLogoForLayout(dir.path("text.png")); }).contains("kein lesbares PNG-Bild"));
    ::mkfifo(QFile::encodeName(dir.path("fifo.png")).constData(), 0600);
    EXPECT_TRUE(
        FailureOf([&] { ReadLogoForLayout(dir.path("fifo.png")); }).contains("keine gewöhnliche Datei"));
}

} // namespace
