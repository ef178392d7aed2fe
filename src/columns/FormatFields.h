#pragma once
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The fields of the three format tables, described once: name in the stored
// format, kind, size, caption on the column panel and place in the row, with
// the one conversion between a value and the text the panels show. The
// tables, the panels, the panel grid and the display preview all read it
// from here.

enum class FieldType { Text, Integer, Flag };

// A field value; std::nullopt-like "unset" is expressed by isNull.
struct FieldValue {
    bool isNull = true;
    QString text;        // Text fields
    int32_t integer = 0; // Integer fields
    bool flag = false;   // Flag fields
    bool operator==(const FieldValue &o) const
    {
        return isNull == o.isNull && text == o.text && integer == o.integer && flag == o.flag;
    }
    bool operator!=(const FieldValue &o) const { return !(*this == o); }
};

// What a field means, whichever table holds it.
enum class Field { Schriftname, Schriftgroesse, Farbe, Fett, Ausrichtung, Anzahlzeichen, Spalte, Text };
constexpr int kFieldMeanings = int(Field::Text) + 1;

struct FieldDef {
    QString name; // in the stored format
    FieldType type;
    int size = 0;        // text fields: maximum length in UTF-16 code units
    QString caption;     // on the column panel; empty where the panel shows the value alone
    QStringList choices; // the entries a panel offers; empty for free input
    Field meaning = Field::Text;

    // The text a panel shows for a value: unset shows nothing, flags
    // "true"/"false".
    QString toText(const FieldValue &value) const;
    // The value a text stores: text fields cut to size, an empty text leaves
    // a number or flag unset; nothing when the text is no value of this
    // field (not a whole number, not "true"/"false").
    std::optional<FieldValue> fromText(const QString &text) const;
};

// Cuts to `size` UTF-16 code units (no cut for 0); a surrogate pair that
// would be split at the cut is dropped whole.
QString CutToSize(const QString &text, int size);
// "true" or "false" in any letter case; nothing for other texts.
std::optional<bool> TrueFalseWord(const QString &text);

// Places of each table's fields in a row, in stored order. Every table
// begins with the four font fields, at the same places.
namespace FontField
{
enum Pos : int { Schriftname, Schriftgroesse, Farbe, Fett };
}
namespace SpaltenField
{
enum Pos : int { Schriftname, Schriftgroesse, Farbe, Fett, Ausrichtung, Anzahlzeichen, Spalte, Count };
}
namespace UeberschriftField
{
enum Pos : int { Schriftname, Schriftgroesse, Farbe, Fett, Spalte, Text, Count };
}
namespace SnrInfoField
{
enum Pos : int { Schriftname, Schriftgroesse, Farbe, Fett, Spalte, Count };
}

// The three format tables: detection line, heading row, start-number info.
enum class FormatKind { Spalten, Ueberschrift, SnrInfo };

// The fields of one format table in stored order.
class FormatFields
{
  public:
    static const FormatFields &of(FormatKind kind);

    const std::vector<FieldDef> &defs() const { return m_defs; }
    int count() const { return int(m_defs.size()); }
    const FieldDef &at(int pos) const { return m_defs.at(size_t(pos)); }
    // Where this table holds the field of that meaning; -1 when it has none.
    int pos(Field meaning) const { return m_pos[size_t(meaning)]; }
    bool has(Field meaning) const { return pos(meaning) >= 0; }

  private:
    explicit FormatFields(std::vector<FieldDef> defs);
    std::vector<FieldDef> m_defs;
    std::array<int, kFieldMeanings> m_pos;
};
