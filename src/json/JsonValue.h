#pragma once
#include <QString>
#include <QStringView>

#include <memory>

// A dynamically typed scalar as the column format reader consumes it.
struct JsonVariant {
    enum class Kind { Null, Text, Number, Boolean } kind = Kind::Null;
    QString text;
    double number = 0;
    bool boolean = false;
};

struct JsonDocument;

// One value of a parsed document. The root returned by ParseText owns the
// whole tree; every other value lives as long as its root.
class JsonValue
{
  public:
    enum class Kind : quint8 { Object, List, String, Number, Boolean, Null };

    JsonValue(JsonValue &&) noexcept;
    JsonValue &operator=(JsonValue &&) noexcept;
    ~JsonValue();

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

    // String content; empty for other kinds.
    QString Text() const { return TextView().toString(); }
    QStringView TextView() const;
    double Number() const { return m_kind == Kind::Number ? m_number : 0; }
    bool Boolean() const { return m_boolean; }

  private:
    friend class JsonParser;
    friend std::unique_ptr<JsonValue> ParseText(const QString &text);
    JsonValue(const JsonDocument *doc, Kind kind);

    // A piece of text in the document: in the parsed text itself, or in the
    // document's buffer when escapes had to be decoded or a name folded.
    // Positions fit 32 bits: ParseText refuses texts of 2^32-1 characters or more.
    struct Span {
        quint32 offset;
        quint32 length;
    };
    // The children of an object or a list.
    struct Items {
        quint32 first; // position of the first child in the document
        quint32 count;
        qsizetype nameIndex; // objects: position of the name index in the document
    };
    QStringView View(Span span, bool decoded) const;
    const JsonValue *Find(QStringView key) const;

    const JsonDocument *m_doc;
    union {
        double m_number;
        Span m_text;
        Items m_items;
    };
    Span m_name{0, 0}; // member name when this value is an object member
    Kind m_kind;
    bool m_boolean = false;
    bool m_nameDecoded = false;
    bool m_textDecoded = false;
    std::unique_ptr<JsonDocument> m_owned; // the root only
};

// Parses `text` leniently (optional commas, one trailing comma, text after
// the first value ignored). nullptr when the text is empty or unparsable.
std::unique_ptr<JsonValue> ParseText(const QString &text);
