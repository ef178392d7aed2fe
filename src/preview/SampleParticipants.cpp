#include "SampleParticipants.h"

#include <array>
#include <vector>

namespace SampleParticipants
{
namespace
{

constexpr int kFields = 12;
using Participant = std::array<const char *, kFields>;

// Startnr, Name, Vorname, Verein, Zeit, Rang, Nation, Jahrgang, Klasse,
// Geschlecht, Ort, Team.
const Participant kParticipants[] = {
    {"17", "Müller", "Anna", "SC Ötztal", "0:41:07,3", "1", "AUT", "1994", "W30", "w", "Sölden",
     "Team Gipfel"},
    {"203", "Schneider", "Jonas", "LG Nord Berlin", "0:41:52,8", "2", "GER", "1988", "M35", "m", "Berlin",
     "Laufwerk"},
    {"5", "Fischer", "Lea", "TSV Grünwald", "0:42:15,0", "3", "GER", "2001", "WHK", "w", "Grünwald",
     "Team Isar"},
    {"88", "Weber", "Lukas", "SV Zürich-Höngg", "0:43:30,4", "4", "SUI", "1979", "M45", "m", "Zürich",
     "Limmat Runners"},
    {"1042", "Wagner", "Sophie", "Post SV Graz", "0:44:02,9", "5", "AUT", "1990", "W30", "w", "Graz",
     "Murtal"},
    {"311", "Becker", "Maximilian", "ASV Köln", "0:44:48,1", "6", "GER", "1985", "M35", "m", "Köln",
     "Domläufer"},
    {"64", "Hoffmann", "Marie", "LAC Quelle Fürth", "0:45:11,6", "7", "GER", "1998", "WHK", "w", "Fürth",
     "Team Franken"},
    {"7", "Schäfer", "Felix", "TV Bühl", "0:46:20,2", "8", "GER", "1969", "M55", "m", "Bühl", "Bühlertal"},
    {"150", "Koch", "Emma", "LC Vaduz", "0:47:03,7", "9", "LIE", "2003", "WU20", "w", "Vaduz", "Rheintal"},
    {"99", "Bauer", "Paul", "SU Klagenfurt", "0:47:59,5", "10", "AUT", "1974", "M50", "m", "Klagenfurt",
     "Wörthersee"},
    {"420", "Richter", "Hannah", "TG Würzburg", "0:48:44,0", "11", "GER", "1992", "W30", "w", "Würzburg",
     "Main Team"},
    {"12", "Klein", "Noah", "LV Bern", "0:49:31,8", "12", "SUI", "2006", "MU20", "m", "Bern", "Aare"},
};

bool IsControl(QChar c)
{
    return c.unicode() <= 0x20;
}

} // namespace

const QStringList &FieldNames()
{
    static const QStringList names = {
        QStringLiteral("Startnr"),    QStringLiteral("Name"),     QStringLiteral("Vorname"),
        QStringLiteral("Verein"),     QStringLiteral("Zeit"),     QStringLiteral("Rang"),
        QStringLiteral("Nation"),     QStringLiteral("Jahrgang"), QStringLiteral("Klasse"),
        QStringLiteral("Geschlecht"), QStringLiteral("Ort"),      QStringLiteral("Team"),
    };
    return names;
}

int Count()
{
    return int(std::size(kParticipants));
}

QString TrimControls(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsControl(text.at(begin)))
        ++begin;
    while (end > begin && IsControl(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

int FieldIndex(const QString &formula)
{
    QString name = TrimControls(formula);
    if (name.size() >= 2 && name.front() == u'[' && name.back() == u']')
        name = TrimControls(name.mid(1, name.size() - 2));
    if (name.isEmpty())
        return -1;
    const QStringList &names = FieldNames();
    for (int field = 0; field < int(names.size()); ++field)
        if (name.compare(names.at(field), Qt::CaseInsensitive) == 0)
            return field;
    return -1;
}

QString FieldValue(int field, int row)
{
    if (field < 0 || field >= kFields)
        return QString();
    // Converted once: every line of every column asks for them.
    static const std::vector<std::array<QString, kFields>> values = [] {
        std::vector<std::array<QString, kFields>> all;
        for (const Participant &p : kParticipants) {
            all.emplace_back();
            for (size_t f = 0; f < size_t(kFields); ++f)
                all.back()[f] = QString::fromUtf8(p[f]);
        }
        return all;
    }();
    const int n = Count();
    const int index = ((row % n) + n) % n;
    return values[size_t(index)][size_t(field)];
}

std::optional<QString> Value(const QString &formula, int row)
{
    const int field = FieldIndex(formula);
    if (field < 0)
        return std::nullopt;
    return FieldValue(field, row);
}

QString CellText(const QString &formula, int row)
{
    if (std::optional<QString> value = Value(formula, row))
        return *value;
    return formula;
}

} // namespace SampleParticipants
