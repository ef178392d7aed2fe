#include "layout/LayoutFile.h"

#include "base/Failure.h"
#include "base/FileSystem.h"
#include "base/FileWriter.h"
#include "columns/FormatTable.h"
#include "columns/FormatTableReader.h"
#include "layout/Base64.h"
#include "logo/PngDecoder.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

const QString kFormat = QStringLiteral("format");
const QString kVersion = QStringLiteral("version");
const QString kName = QStringLiteral("name");
const QString kCreated = QStringLiteral("created");
const QString kValues = QStringLiteral("values");
const QString kLogo = QStringLiteral("logo");

// Room for the 17 values beside the logo: formats of hundreds of columns
// take some ten kilobytes each.
constexpr qint64 kValuesBudget = qint64(4) * 1024 * 1024;

[[noreturn]] void refuse(const QString &message)
{
    throw Failure(message);
}

QString notALayout(const QString &why)
{
    return QStringLiteral("Die Datei ist keine Layout-Datei (%1)").arg(why);
}

// A stored column format must be one the format reader reads whole: read
// it into a scratch table of the right kind.
void checkFormat(Key key, const QString &text)
{
    const StoredFormatCheck check = CheckStoredFormat(text, FormatKindOf(key));
    const QString what =
        QStringLiteral("Das Spaltenformat \"%1\" im Layout kann nicht gelesen werden: ").arg(keyName(key));
    if (!check.readable)
        refuse(what + QStringLiteral("der Text ist kein gültiges Spaltenformat"));
    if (!check.rowErrors.isEmpty())
        refuse(what + check.rowErrors.first());
}

QString checkedValue(Key key, const QJsonValue &value)
{
    if (!value.isString())
        refuse(QStringLiteral("Die Einstellung \"%1\" im Layout ist kein Text").arg(keyName(key)));
    const QString text = value.toString();
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return c == u'\r' || c == u'\n' || c == u'\0'; }))
        refuse(QStringLiteral(
                   "Die Einstellung \"%1\" im Layout enthält einen Zeilenumbruch oder ein NUL-Zeichen")
                   .arg(keyName(key)));
    if (keyInfo(key).conversion == Conversion::Format)
        checkFormat(key, text);
    return text;
}

std::vector<std::pair<Key, QString>> readValues(const QJsonValue &member)
{
    if (!member.isObject())
        refuse(notALayout(QStringLiteral("die Einstellungen \"values\" fehlen")));
    const QJsonObject object = member.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const auto known = std::find_if(kLayoutKeys.begin(), kLayoutKeys.end(),
                                        [&](Key key) { return keyName(key) == it.key(); });
        if (known != kLayoutKeys.end())
            continue;
        const bool connection = std::any_of(kKeys.begin(), kKeys.end(), [&](const KeyInfo &info) {
            return !IsLayoutKey(info.key) && it.key() == QLatin1String(info.name);
        });
        refuse(connection
                   ? QStringLiteral("Das Layout enthält die Verbindungseinstellung \"%1\", die in kein "
                                    "Layout gehört")
                         .arg(it.key())
                   : QStringLiteral("Das Layout enthält die unbekannte Einstellung \"%1\"").arg(it.key()));
    }
    std::vector<std::pair<Key, QString>> values;
    for (Key key : kLayoutKeys) {
        const auto found = object.constFind(keyName(key));
        if (found == object.constEnd())
            refuse(QStringLiteral("Im Layout fehlt die Einstellung \"%1\"").arg(keyName(key)));
        values.emplace_back(key, checkedValue(key, *found));
    }
    return values;
}

QByteArray readLogo(const QJsonValue &member)
{
    if (member.isUndefined())
        return {};
    const QString prefix = QStringLiteral("Das Logo im Layout ");
    if (!member.isString())
        refuse(prefix + QStringLiteral("ist kein Base64-Text"));
    // Decoded from the parsed text itself: no Latin-1 copy of tens of
    // megabytes first.
    const QString encoded = member.toString();
    // Checked before decoding, so a huge text is not decoded for nothing.
    if (encoded.size() / 4 * 3 > LayoutLogoBudget() + 2)
        refuse(prefix +
               QStringLiteral("ist größer als erlaubt (höchstens %1 Bytes)").arg(LayoutLogoBudget()));
    QByteArray png;
    if (!DecodeBase64(encoded, png))
        refuse(prefix + QStringLiteral("ist kein gültiger Base64-Text"));
    if (png.isEmpty())
        return {};
    if (png.size() > LayoutLogoBudget())
        refuse(prefix +
               QStringLiteral("ist größer als erlaubt (höchstens %1 Bytes)").arg(LayoutLogoBudget()));
    try {
        CheckPng(png);
    } catch (const Failure &f) {
        refuse(prefix + QStringLiteral("ist kein lesbares PNG-Bild: ") + f.message());
    }
    return png;
}

void checkHeader(const QJsonObject &root)
{
    if (root.value(kFormat).toString() != QLatin1String(kLayoutFormatMarker))
        refuse(
            notALayout(QStringLiteral("die Kennung \"%1\" fehlt").arg(QLatin1String(kLayoutFormatMarker))));
    const QJsonValue version = root.value(kVersion);
    const double v = version.toDouble(-1);
    // A whole number; tested without converting, which huge values overflow.
    if (!version.isDouble() || !std::isfinite(v) || v < 1 || v != std::floor(v))
        refuse(notALayout(QStringLiteral("die Version fehlt oder ist keine ganze Zahl ab 1")));
    if (v > kLayoutVersion)
        refuse(QStringLiteral(
                   "Das Layout hat die Version %1, dieses Programm liest Layouts bis Version %2. Bitte "
                   "eine neuere Version des Programms verwenden")
                   .arg(v, 0, 'f', 0)
                   .arg(kLayoutVersion));
    const QStringList known{kFormat, kVersion, kName, kCreated, kValues, kLogo};
    for (const QString &member : root.keys()) {
        if (!known.contains(member))
            refuse(QStringLiteral("Das Layout enthält den unbekannten Eintrag \"%1\"").arg(member));
    }
}

QDateTime readCreated(const QJsonValue &member)
{
    const QString text = member.toString();
    const QDateTime created = QDateTime::fromString(text, Qt::ISODate);
    if (!member.isString() || !created.isValid())
        refuse(QStringLiteral("Der Zeitpunkt \"%1\" im Layout ist keine Zeitangabe nach ISO 8601")
                   .arg(member.isString() ? text : QStringLiteral("created")));
    return created.toUTC();
}

// The whole of a regular file of at most `budget` bytes.
QByteArray readRegularFile(const QString &path, qint64 budget)
{
    // A link is followed only when it is the user's own or root's, as for
    // every file the program reads or writes.
    QString refusal;
    const QString target = files::FollowTrustedLinks(path, refusal);
    if (!refusal.isEmpty())
        refuse(QStringLiteral("Datei \"%1\" kann nicht geöffnet werden. %2").arg(path, refusal));
    const QByteArray native = QFile::encodeName(target);
    // Non-blocking: opening a FIFO for reading would otherwise wait for a
    // writer forever.
    const files::Fd fd(::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW));
    if (fd.get() < 0)
        refuse(QStringLiteral("Datei \"%1\" kann nicht geöffnet werden. %2")
                   .arg(path, files::SystemText(errno)));
    struct stat st {
    };
    if (::fstat(fd.get(), &st) != 0)
        refuse(QStringLiteral("Datei \"%1\" kann nicht geöffnet werden. %2")
                   .arg(path, files::SystemText(errno)));
    if (S_ISDIR(st.st_mode))
        refuse(QStringLiteral("\"%1\" ist ein Ordner, keine Datei").arg(path));
    if (!S_ISREG(st.st_mode))
        refuse(QStringLiteral("\"%1\" ist keine gewöhnliche Datei (sondern z. B. eine Pipe oder ein Gerät)")
                   .arg(path));
    if (st.st_size == 0)
        refuse(QStringLiteral("Die Datei \"%1\" ist leer").arg(path));
    if (st.st_size > budget)
        refuse(QStringLiteral("Die Datei \"%1\" ist mit %2 Bytes zu groß (höchstens %3 Bytes)")
                   .arg(path)
                   .arg(qint64(st.st_size))
                   .arg(budget));
    // One byte more than the size told: a file that grows meanwhile is cut
    // at the budget and then fails as JSON, never read without end.
    QByteArray bytes(qsizetype(st.st_size) + 1, Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            refuse(QStringLiteral("Datei \"%1\" kann nicht gelesen werden. %2")
                       .arg(path, files::SystemText(errno)));
        if (n == 0)
            break;
        got += n;
    }
    bytes.resize(got);
    return bytes;
}

// The document with the member "logo" added where QJsonDocument would put
// it (members sorted by name: after "created" and "format", before
// "name"), byte for byte as QJsonDocument would write it. Spliced in
// rather than written by it, because its writer would take the tens of
// megabytes of base64 as UTF-16 and escape them character by character;
// base64 characters need no escaping in a JSON string.
QByteArray withLogo(const QByteArray &json, const QByteArray &png)
{
    // Top-level members are indented by four spaces; a newline inside a
    // value is always escaped, so this finds the member "name" itself.
    const QByteArray nameMember = QByteArrayLiteral("\n    \"name\": ");
    const qsizetype at = json.indexOf(nameMember) + 1;
    if (at <= 0) // Qt's writer changed its layout: never write a file we could not read back
        throw Failure(QStringLiteral("Das Layout kann nicht geschrieben werden: unerwartete JSON-Form"));
    const QByteArray head = QByteArrayLiteral("    \"logo\": \"");
    const QByteArray tail = QByteArrayLiteral("\",\n");
    const qsizetype encoded = Base64Length(png.size());
    QByteArray out(json.size() + head.size() + encoded + tail.size(), Qt::Uninitialized);
    char *p = out.data();
    p = std::copy_n(json.constData(), at, p);
    p = std::copy(head.begin(), head.end(), p);
    EncodeBase64(png, p);
    p = std::copy(tail.begin(), tail.end(), p + encoded);
    std::copy(json.constBegin() + at, json.constEnd(), p);
    return out;
}

Layout fromJson(const QByteArray &bytes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        refuse(notALayout(
            QStringLiteral("kein gültiges JSON: %1 bei Byte %2").arg(error.errorString()).arg(error.offset)));
    if (!document.isObject())
        refuse(notALayout(QStringLiteral("kein JSON-Objekt")));
    const QJsonObject root = document.object();
    checkHeader(root);
    Layout layout;
    const QJsonValue name = root.value(kName);
    if (!name.isString())
        refuse(QStringLiteral("Der Name des Layouts fehlt oder ist kein Text"));
    layout.name = name.toString();
    layout.created = readCreated(root.value(kCreated));
    layout.values = readValues(root.value(kValues));
    layout.logoPng = readLogo(root.value(kLogo));
    return layout;
}

} // namespace

qint64 LayoutLogoBudget()
{
    return 2 * kLogoMemoryBudget;
}

qint64 LayoutFileBudget()
{
    return LayoutLogoBudget() / 3 * 4 + 4 + kValuesBudget;
}

QByteArray LayoutToJson(const Layout &layout)
{
    // The 17 and nothing else, whatever the caller put together.
    QJsonObject values;
    for (Key key : kLayoutKeys)
        values.insert(keyName(key), LayoutValue(layout, key));
    QJsonObject root;
    root.insert(kFormat, QLatin1String(kLayoutFormatMarker));
    root.insert(kVersion, kLayoutVersion);
    root.insert(kName, layout.name);
    root.insert(kCreated, layout.created.toUTC().toString(Qt::ISODate));
    root.insert(kValues, values);
    const QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Indented);
    if (layout.logoPng.isEmpty())
        return json;
    return withLogo(json, layout.logoPng);
}

Layout LayoutFromJson(QByteArrayView bytes)
{
    return fromJson(bytes.toByteArray());
}

Layout ReadLayoutFile(const QString &path)
{
    const QByteArray bytes = readRegularFile(path, LayoutFileBudget());
    try {
        return fromJson(bytes);
    } catch (const Failure &f) {
        refuse(QStringLiteral("Das Layout \"%1\" kann nicht geladen werden. %2").arg(path, f.message()));
    }
}

void WriteLayoutFile(const QString &path, const Layout &layout)
{
    WriteFileAtomically(path, LayoutToJson(layout));
}

bool WriteLogoFile(const QString &path, const QByteArray &png)
{
    return WriteFileAtomically(path, png);
}

bool LogoFileWouldChange(const QString &path, const QByteArray &png)
{
    return FileWriter(path).WouldChange(
        [&png](std::optional<QByteArrayView>) { return FileWriter::Pieces{png}; });
}

QString LayoutValue(const Layout &layout, Key key)
{
    for (const auto &[k, value] : layout.values) {
        if (k == key)
            return value;
    }
    return keyDefault(key);
}

SettingsSnapshot LayoutAsSettings(const Layout &layout)
{
    IniDocument document;
    const QString section = QString::fromLatin1(SettingsFile::kSection);
    for (Key key : kLayoutKeys)
        document.normaliseLine(document.setValue(section, keyName(key), LayoutValue(layout, key)));
    return SettingsSnapshot(std::move(document));
}

QString LayoutFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/VADaroradarAdadad/layouts");
}

QStringList LayoutFilesIn(const QString &folder)
{
    QDir dir(folder);
    QStringList files;
    const QStringList names = dir.entryList({QStringLiteral("*") + QLatin1String(kLayoutSuffix)},
                                            QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : names)
        files.append(dir.filePath(name));
    return files;
}

QByteArray ReadLogoForLayout(const QString &path)
{
    const QByteArray png = readRegularFile(path, LayoutLogoBudget());
    try {
        CheckPng(png);
    } catch (const Failure &f) {
        refuse(QStringLiteral("Das Logo \"%1\" ist kein lesbares PNG-Bild: %2").arg(path, f.message()));
    }
    return png;
}
