#include "layout/LayoutFile.h"

#include "base/Failure.h"
#include "base/FileWriter.h"
#include "columns/FormatTable.h"
#include "columns/FormatTableReader.h"
#include "logo/PngDecoder.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const std::array<Key, 17> kLayoutKeys = {
    Key::VollBild,           Key::AnzahlZeilen,        Key::TimeoutleereZeile, Key::HintergrundFarbe,
    Key::TimeoutLogo,        Key::TransparenzLogo,     Key::ZweiteZeileFarbe,  Key::InfoZeileFormat,
    Key::UeberschriftFormat, Key::SNRInfoFelderFormat, Key::InfoZeile,         Key::mitUeberschrift,
    Key::mitStartNrInfo,     Key::SNRInfoFelder,       Key::StartNrInFeld,     Key::erstesEF,
    Key::letztesEF,
};

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

std::vector<FieldDef> schemaFor(Key key)
{
    switch (key) {
    case Key::InfoZeileFormat:
        return FormatTable::SpaltenSchema();
    case Key::UeberschriftFormat:
        return FormatTable::UeberschriftSchema();
    default:
        return FormatTable::SnrInfoSchema();
    }
}

// A stored column format must be one the format reader reads whole: read
// it into a scratch table of the right kind.
void checkFormat(Key key, const QString &text)
{
    if (text.isEmpty())
        return;
    FormatTable scratch(keyName(key), schemaFor(key));
    scratch.Open();
    QStringList rowErrors;
    const bool read = LoadFormatTable(text, scratch, [&](const QString &m) { rowErrors.append(m); });
    const QString what =
        QStringLiteral("Das Spaltenformat \"%1\" im Layout kann nicht gelesen werden: ").arg(keyName(key));
    if (!read)
        refuse(what + QStringLiteral("der Text ist kein gültiges Spaltenformat"));
    if (!rowErrors.isEmpty())
        refuse(what + rowErrors.first());
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
    const QByteArray encoded = member.toString().toLatin1();
    // Checked before decoding, so a huge text is not decoded for nothing.
    if (encoded.size() / 4 * 3 > LayoutLogoBudget() + 2)
        refuse(prefix +
               QStringLiteral("ist größer als erlaubt (höchstens %1 Bytes)").arg(LayoutLogoBudget()));
    const auto decoded = QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        refuse(prefix + QStringLiteral("ist kein gültiger Base64-Text"));
    const QByteArray &png = decoded.decoded;
    if (png.isEmpty())
        return {};
    if (png.size() > LayoutLogoBudget())
        refuse(prefix +
               QStringLiteral("ist größer als erlaubt (höchstens %1 Bytes)").arg(LayoutLogoBudget()));
    try {
        DecodePng(png);
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
    if (!version.isDouble() || v < 1 || v != double(qint64(v)))
        refuse(notALayout(QStringLiteral("die Version fehlt oder ist keine ganze Zahl ab 1")));
    if (v > kLayoutVersion)
        refuse(QStringLiteral(
                   "Das Layout hat die Version %1, dieses Programm liest Layouts bis Version %2. Bitte "
                   "eine neuere Version des Programms verwenden")
                   .arg(qint64(v))
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

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

class Fd
{
  public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return m_fd; }

  private:
    int m_fd;
};

// The whole of a regular file of a size a layout can have.
QByteArray readLayoutBytes(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    // Non-blocking: opening a FIFO for reading would otherwise wait for a
    // writer forever.
    const Fd fd(::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        refuse(QStringLiteral("Datei \"%1\" kann nicht geöffnet werden. %2").arg(path, systemText(errno)));
    struct stat st {
    };
    if (::fstat(fd.get(), &st) != 0)
        refuse(QStringLiteral("Datei \"%1\" kann nicht geöffnet werden. %2").arg(path, systemText(errno)));
    if (S_ISDIR(st.st_mode))
        refuse(QStringLiteral("\"%1\" ist ein Ordner, keine Layout-Datei").arg(path));
    if (!S_ISREG(st.st_mode))
        refuse(QStringLiteral("\"%1\" ist keine gewöhnliche Datei (sondern z. B. eine Pipe oder ein Gerät)")
                   .arg(path));
    if (st.st_size == 0)
        refuse(QStringLiteral("Die Layout-Datei \"%1\" ist leer").arg(path));
    if (st.st_size > LayoutFileBudget())
        refuse(QStringLiteral(
                   "Die Datei \"%1\" ist mit %2 Bytes zu groß für eine Layout-Datei (höchstens %3 Bytes)")
                   .arg(path)
                   .arg(qint64(st.st_size))
                   .arg(LayoutFileBudget()));
    // One byte more than the size told: a file that grows meanwhile is cut
    // at the budget and then fails as JSON, never read without end.
    QByteArray bytes(qsizetype(st.st_size) + 1, Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            refuse(QStringLiteral("Datei \"%1\" kann nicht gelesen werden. %2").arg(path, systemText(errno)));
        if (n == 0)
            break;
        got += n;
    }
    bytes.resize(got);
    return bytes;
}

} // namespace

bool IsLayoutKey(Key key)
{
    return std::find(kLayoutKeys.begin(), kLayoutKeys.end(), key) != kLayoutKeys.end();
}

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
    if (!layout.logoPng.isEmpty())
        root.insert(kLogo, QString::fromLatin1(layout.logoPng.toBase64()));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

Layout LayoutFromJson(QByteArrayView bytes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes.toByteArray(), &error);
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

Layout ReadLayoutFile(const QString &path)
{
    const QByteArray bytes = readLayoutBytes(path);
    try {
        return LayoutFromJson(bytes);
    } catch (const Failure &f) {
        refuse(QStringLiteral("Das Layout \"%1\" kann nicht geladen werden. %2").arg(path, f.message()));
    }
}

void WriteLayoutFile(const QString &path, const Layout &layout)
{
    WriteFileAtomically(path, LayoutToJson(layout));
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
