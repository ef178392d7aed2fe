#pragma once
#include <QHash>
#include <QString>

#include <memory>
#include <vector>

// A dynamically typed scalar as the column format reader consumes it.
struct JsonVariant {
    enum class Kind { Null, Text, Number, Boolean } kind = Kind::Null;
    QString text;
    double number = 0;
    bool boolean = false;
};

// One value of a parsed document. Objects and lists own their members and
// elements; the root owns the whole tree.
class JsonValue
{
  public:
    enum class Kind { Object, List, String, Number, Boolean, Null };

    Kind kind() const { return m_kind; }

    // Members of an object or elements of a list, repeated names included;
    // 0 for every other kind.
    qsizetype Count() const;

    // Object: the first member whose name equals `name` with A-Z folded to
    // a-z, or nullptr. Every other kind answers with itself.
    const JsonValue *Field(const QString &name) const;

    // Object: Field(name of the member at pos); nullptr when pos is out of
    // range or that name is empty. Scalars: nullptr. List: throws Failure,
    // since list elements have no names.
    const JsonValue *FieldByIndex(qsizetype pos) const;

    // String -> Text, number -> Number, boolean -> Boolean, anything else -> Null.
    JsonVariant Value() const;

    // Direct access by position for objects (member values) and lists
    // (elements); nullptr out of range or for scalars.
    const JsonValue *Item(qsizetype pos) const;
    // Object: the stored (A-Z folded) name of the member at pos; empty text
    // out of range or for other kinds.
    QString MemberName(qsizetype pos) const;

    const QString &Text() const { return m_text; }
    double Number() const { return m_number; }
    bool Boolean() const { return m_boolean; }

  private:
    friend class JsonParser;
    explicit JsonValue(Kind kind) : m_kind(kind) {}

    Kind m_kind;
    bool m_boolean = false;
    double m_number = 0;
    QString m_text;
    std::vector<std::unique_ptr<JsonValue>> m_items; // member values or list elements
    std::vector<QString> m_names;                    // object only, parallel to m_items
    QHash<QString, qsizetype> m_index;               // object only: name -> first position
};

// Parses `text` leniently (optional commas, one trailing comma, text after
// the first value ignored). nullptr when the text is empty or unparsable.
std::unique_ptr<JsonValue> ParseText(const QString &text);
