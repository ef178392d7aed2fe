#include "layout/LayoutFile.h"

#include <QStringList>

namespace
{

// One column's look in the stored form of the column formats.
struct Cell {
    const char *font;
    int size;
    const char *colour;
    bool bold;
    const char *alignment; // detection line only
    int characters;        // detection line only
    const char *heading;   // heading row only
};

QString quoted(const QString &name, const QString &value)
{
    return QStringLiteral("\"%1\":\"%2\"").arg(name, value);
}

// Records back to back without a comma, every value quoted, as the format
// writer stores a table.
QString document(const std::vector<Cell> &cells, Key key)
{
    QString text = QStringLiteral("{");
    int record = 0;
    for (const Cell &c : cells) {
        QStringList fields{
            quoted(QStringLiteral("schriftname"), QLatin1String(c.font)),
            quoted(QStringLiteral("schriftgroesse"), QString::number(c.size)),
            quoted(QStringLiteral("farbe"), QLatin1String(c.colour)),
            quoted(QStringLiteral("fett"), c.bold ? QStringLiteral("true") : QStringLiteral("false"))};
        if (key == Key::InfoZeileFormat) {
            fields << quoted(QStringLiteral("ausrichtung"), QLatin1String(c.alignment))
                   << quoted(QStringLiteral("anzahlzeichen"), QString::number(c.characters));
        } else if (key == Key::UeberschriftFormat) {
            fields << quoted(QStringLiteral("text"), QString::fromUtf8(c.heading));
        }
        text += QStringLiteral("\"%1\":{%2}").arg(++record).arg(fields.join(u','));
    }
    return text + u'}';
}

Layout fromDefaults(const QString &name, const std::vector<std::pair<Key, QString>> &changes)
{
    Layout layout;
    layout.name = name;
    layout.created = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
    for (Key key : kLayoutKeys) {
        QString value = keyDefault(key);
        for (const auto &[changed, text] : changes) {
            if (changed == key)
                value = text;
        }
        layout.values.emplace_back(key, value);
    }
    return layout;
}

// Few lines in large bold type, yellow numbers and white names on black:
// readable from the far end of a hall.
Layout hall()
{
    const char *font = "Arial";
    const std::vector<Cell> line{{font, 48, "#FFFF00", true, "rechts", 5, nullptr},
                                 {font, 48, "#FFFFFF", true, "links", 24, nullptr}};
    const std::vector<Cell> heading{{font, 36, "#FFFF00", true, nullptr, 0, "Nr."},
                                    {font, 36, "#FFFFFF", true, nullptr, 0, "Name"}};
    const std::vector<Cell> info{{font, 40, "#FFFF00", true, nullptr, 0, nullptr}};
    return fromDefaults(QStringLiteral("Hallenanzeige (hoher Kontrast)"),
                        {{Key::AnzahlZeilen, QStringLiteral("8")},
                         {Key::HintergrundFarbe, QStringLiteral("#000000")},
                         {Key::ZweiteZeileFarbe, QStringLiteral("#1C1C1C")},
                         {Key::TransparenzLogo, QStringLiteral("40")},
                         {Key::InfoZeileFormat, document(line, Key::InfoZeileFormat)},
                         {Key::UeberschriftFormat, document(heading, Key::UeberschriftFormat)},
                         {Key::SNRInfoFelderFormat, document(info, Key::SNRInfoFelderFormat)},
                         {Key::InfoZeile, QStringLiteral("Startnr,[Name]")}});
}

// Dark type on white for screens in daylight.
Layout dayLight()
{
    const char *font = "Arial";
    const std::vector<Cell> line{{font, 36, "#000080", true, "rechts", 5, nullptr},
                                 {font, 36, "#000000", false, "links", 30, nullptr}};
    const std::vector<Cell> heading{{font, 28, "#000080", true, nullptr, 0, "Nr."},
                                    {font, 28, "#000000", true, nullptr, 0, "Name"}};
    const std::vector<Cell> info{{font, 32, "#000080", true, nullptr, 0, nullptr}};
    return fromDefaults(QStringLiteral("Tageslicht (dunkel auf hell)"),
                        {{Key::AnzahlZeilen, QStringLiteral("12")},
                         {Key::HintergrundFarbe, QStringLiteral("#FFFFFF")},
                         {Key::ZweiteZeileFarbe, QStringLiteral("#E6E6E6")},
                         {Key::InfoZeileFormat, document(line, Key::InfoZeileFormat)},
                         {Key::UeberschriftFormat, document(heading, Key::UeberschriftFormat)},
                         {Key::SNRInfoFelderFormat, document(info, Key::SNRInfoFelderFormat)},
                         {Key::InfoZeile, QStringLiteral("Startnr,[Name]")}});
}

} // namespace

std::vector<Layout> BuiltInLayouts()
{
    // "Standard" is the designed start: every value the key table's default.
    return {fromDefaults(QStringLiteral("Standard"), {}), hall(), dayLight()};
}
