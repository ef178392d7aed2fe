#include "json/JsonValue.h"

#include "base/Failure.h"
#include "base/NumberText.h"

#include <QHashFunctions>

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string>
#include <vector>

// Storage of one parsed document. Values refer to their texts and children
// by position, so the whole tree lives in a few arrays that grow in one pass
// and are released at once.
// The document's values own nothing (only a root owns its document), so
// releasing them needs no destructor calls.
template <typename T> struct NoDestroyAllocator : std::allocator<T> {
    template <typename U> struct rebind {
        using other = NoDestroyAllocator<U>;
    };
    NoDestroyAllocator() = default;
    template <typename U> NoDestroyAllocator(const NoDestroyAllocator<U> &) noexcept {}
    template <typename U> void destroy(U *) noexcept {}
};

struct JsonDocument {
    QString source;  // the parsed text (shared, not copied)
    QString decoded; // texts with escapes decoded, names with A-Z folded
    std::vector<JsonValue, NoDestroyAllocator<JsonValue>>
        values;                         // children of every container, each container's contiguous
    std::vector<qsizetype> nameIndexes; // name indexes of all objects
};

namespace
{

// Stored documents are edited by hand; one nested that deep is garbage, and
// refusing it keeps the recursion far away from the end of the stack.
constexpr int kMaxDepth = 512;

constexpr qsizetype kEmptySlot = -1;

bool IsBlank(char16_t c)
{
    return c <= 0x20;
}
bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}
bool IsAsciiUpper(char16_t c)
{
    return c >= u'A' && c <= u'Z';
}

bool HasAsciiUpper(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return IsAsciiUpper(c.unicode()); });
}

// Member names are compared with only the letters A to Z folded.
QString FoldAsciiCase(QString name)
{
    if (!HasAsciiUpper(name))
        return name;
    for (QChar &c : name) {
        if (IsAsciiUpper(c.unicode()))
            c = QChar(char16_t(c.unicode() - u'A' + u'a'));
    }
    return name;
}

// Size of an object's name index: a power of two at least twice the member
// count, so probes stay short and always reach an empty slot.
size_t SlotCount(size_t members)
{
    size_t slotCount = 4;
    while (slotCount < 2 * members)
        slotCount *= 2;
    return slotCount;
}

size_t NameHash(QStringView name)
{
    return qHash(name, QHashSeed::globalSeed());
}

// Decimal exponent of the leading digit of a number that the converter
// reported as out of range: positive means too large, otherwise too small.
long long LeadingMagnitude(const std::string &number)
{
    size_t j = number.empty() || number[0] != '-' ? 0 : 1;
    const size_t intBegin = j;
    while (j < number.size() && number[j] >= '0' && number[j] <= '9')
        ++j;
    const size_t intEnd = j;
    long long magnitude = 0;
    bool found = false;
    for (size_t k = intBegin; k < intEnd && !found; ++k) {
        if (number[k] != '0') {
            magnitude = static_cast<long long>(intEnd - k) - 1;
            found = true;
        }
    }
    if (j < number.size() && number[j] == '.') {
        long long position = -1;
        for (++j; j < number.size() && number[j] >= '0' && number[j] <= '9'; ++j, --position) {
            if (!found && number[j] != '0') {
                magnitude = position;
                found = true;
            }
        }
    }
    long long exponent = 0;
    if (j < number.size() && number[j] == 'e') {
        ++j;
        bool negative = false;
        if (j < number.size() && (number[j] == '+' || number[j] == '-'))
            negative = number[j++] == '-';
        for (; j < number.size(); ++j) {
            if (exponent < 1000000000LL)
                exponent = exponent * 10 + (number[j] - '0');
        }
        if (negative)
            exponent = -exponent;
    }
    return magnitude + exponent;
}

// Thrown for the errors that discard the whole document at once: a number
// beyond the double range, a bad \u escape, nesting beyond kMaxDepth.
struct Abort {
};

} // namespace

class JsonParser
{
  public:
    explicit JsonParser(JsonDocument &doc)
        : m_doc(doc), m_data(doc.source.constData()), m_size(doc.source.size())
    {
    }

    // Parses one value at pos and pushes it onto m_pending; false (pos
    // unchanged, nothing pushed) when no form matches.
    bool ParseValue(qsizetype &pos)
    {
        const qsizetype start = pos;
        SkipBlanks(pos);
        bool ok = false;
        if (Matches(pos, u"true")) {
            Push(JsonValue::Kind::Boolean).m_boolean = true;
            pos += 4;
            ok = true;
        } else if (Matches(pos, u"false")) {
            Push(JsonValue::Kind::Boolean);
            pos += 5;
            ok = true;
        } else if (Matches(pos, u"null")) {
            Push(JsonValue::Kind::Null);
            pos += 4;
            ok = true;
        } else if (pos < m_size) {
            const char16_t c = At(pos);
            if (c == u'+' || c == u'-' || IsDigit(c))
                ok = ParseNumber(pos);
            else if (c == u'"')
                ok = ParseString(pos);
            else if (c == u'[')
                ok = ParseContainer(pos, JsonValue::Kind::List);
            else if (c == u'{')
                ok = ParseContainer(pos, JsonValue::Kind::Object);
        }
        if (!ok)
            pos = start;
        return ok;
    }

    // The single value left after a successful ParseValue at the top.
    JsonValue TakeRoot()
    {
        JsonValue root = std::move(m_pending.back());
        m_pending.pop_back();
        return root;
    }

  private:
    char16_t At(qsizetype pos) const { return m_data[pos].unicode(); }

    JsonValue &Push(JsonValue::Kind kind) { return m_pending.emplace_back(JsonValue(&m_doc, kind)); }

    void SkipBlanks(qsizetype &pos) const
    {
        while (pos < m_size && IsBlank(At(pos)))
            ++pos;
    }

    template <size_t N> bool Matches(qsizetype pos, const char16_t (&word)[N]) const
    {
        constexpr qsizetype len = N - 1;
        if (m_size - pos < len)
            return false;
        for (qsizetype i = 0; i < len; ++i) {
            if (At(pos + i) != word[i])
                return false;
        }
        return true;
    }

    // [+-] digits [. digits] [(e|E) [+-] digits], "." independent of the locale.
    bool ParseNumber(qsizetype &pos)
    {
        qsizetype p = pos;
        m_number.clear();
        if (At(p) == u'+' || At(p) == u'-') {
            if (At(p) == u'-')
                m_number.push_back('-');
            ++p;
        }
        if (!ScanDigits(p))
            return false;
        if (p < m_size && At(p) == u'.') {
            m_number.push_back('.');
            ++p;
            if (!ScanDigits(p))
                return false;
        }
        if (p < m_size && (At(p) == u'e' || At(p) == u'E')) {
            m_number.push_back('e');
            ++p;
            if (p < m_size && (At(p) == u'+' || At(p) == u'-')) {
                m_number.push_back(char(At(p)));
                ++p;
            }
            if (!ScanDigits(p))
                return false;
        }
        double number = 0;
        const char *first = m_number.data();
        const char *last = first + m_number.size();
        const auto [end, ec] = std::from_chars(first, last, number);
        if (ec == std::errc::result_out_of_range) {
            if (LeadingMagnitude(m_number) > 0)
                throw Abort{};
            number = m_number[0] == '-' ? -0.0 : 0.0; // too small: rounds to zero
        } else if (ec != std::errc() || end != last) {
            return false; // cannot happen after the scan above
        }
        Push(JsonValue::Kind::Number).m_number = number;
        pos = p;
        return true;
    }

    bool ScanDigits(qsizetype &p)
    {
        const qsizetype first = p;
        while (p < m_size && IsDigit(At(p)))
            m_number.push_back(char(At(p++)));
        return p > first;
    }

    bool ParseString(qsizetype &pos)
    {
        JsonValue::Span text;
        bool decoded = false;
        if (!ScanString(pos, text, decoded, false))
            return false;
        JsonValue &value = Push(JsonValue::Kind::String);
        value.m_text = text;
        value.m_textDecoded = decoded;
        return true;
    }

    // At a double quote: finds the end (a backslash always takes the next
    // character with it), then decodes the escapes of the raw content. Text
    // that needs no change stays where it is in the parsed text.
    bool ScanString(qsizetype &pos, JsonValue::Span &span, bool &decoded, bool foldCase)
    {
        const qsizetype begin = pos + 1;
        qsizetype end = begin;
        bool escaped = false;
        while (end < m_size && At(end) != u'"') {
            if (At(end) == u'\\') {
                escaped = true;
                end += 2;
            } else {
                ++end;
            }
        }
        if (end >= m_size)
            return false;
        const QStringView raw(m_data + begin, end - begin);
        decoded = escaped || (foldCase && HasAsciiUpper(raw));
        if (!decoded) {
            span = {quint32(begin), quint32(end - begin)};
        } else {
            const auto offset = quint32(m_doc.decoded.size());
            if (escaped)
                Decode(begin, end);
            else
                m_doc.decoded.append(raw);
            if (foldCase) {
                for (qsizetype i = offset; i < m_doc.decoded.size(); ++i) {
                    const char16_t c = m_doc.decoded.at(i).unicode();
                    if (IsAsciiUpper(c))
                        m_doc.decoded[i] = QChar(char16_t(c - u'A' + u'a'));
                }
            }
            span = {offset, quint32(m_doc.decoded.size() - offset)};
        }
        pos = end + 1;
        return true;
    }

    // Appends the decoded content between p and end to the document's buffer.
    void Decode(qsizetype p, qsizetype end)
    {
        QString &out = m_doc.decoded;
        while (p < end) {
            qsizetype plain = p;
            while (plain < end && At(plain) != u'\\')
                ++plain;
            out.append(m_data + p, plain - p);
            p = plain;
            if (p + 1 >= end) // a lone backslash cannot occur: the end scan pairs them
                break;
            const char16_t e = At(p + 1);
            p += 2;
            switch (e) {
            case u'"':
            case u'\'':
            case u'/':
            case u'\\':
                out.append(QChar(e));
                break;
            case u'b':
                out.append(QChar(u'\b'));
                break;
            case u'f':
                out.append(QChar(u'\f'));
                break;
            case u'n':
                out.append(QChar(u'\n'));
                break;
            case u'r':
                out.append(QChar(u'\r'));
                break;
            case u't':
                out.append(QChar(u'\t'));
                break;
            case u'u': {
                // Up to four digits; a shorter tail of the content is taken as it is.
                const qsizetype digits = std::min<qsizetype>(4, end - p);
                if (digits == 0)
                    throw Abort{};
                char16_t unit = 0;
                for (qsizetype i = 0; i < digits; ++i) {
                    const int d = HexDigitValue(At(p + i));
                    if (d < 0)
                        throw Abort{};
                    unit = char16_t(unit * 16 + d);
                }
                out.append(QChar(unit));
                p += digits;
                break;
            }
            default:
                break; // an unknown escape vanishes with its backslash
            }
        }
    }

    // "[" values "]" or "{" members "}", commas optional, one trailing comma
    // allowed. Children wait on m_pending and move to the document together
    // when their container ends, so they sit side by side there.
    bool ParseContainer(qsizetype &pos, JsonValue::Kind kind)
    {
        if (++m_depth > kMaxDepth)
            throw Abort{};
        const bool object = kind == JsonValue::Kind::Object;
        const auto base = std::ptrdiff_t(m_pending.size());
        qsizetype p = pos + 1;
        while (object ? ParseMember(p) : ParseValue(p))
            StepOverComma(p);
        --m_depth;
        SkipBlanks(p);
        if (p >= m_size || At(p) != (object ? u'}' : u']')) {
            m_pending.erase(m_pending.begin() + base, m_pending.end());
            return false;
        }
        const auto first = quint32(m_doc.values.size());
        const auto count = quint32(m_pending.size() - size_t(base));
        std::move(m_pending.begin() + base, m_pending.end(), std::back_inserter(m_doc.values));
        m_pending.erase(m_pending.begin() + base, m_pending.end());
        JsonValue &container = Push(kind);
        container.m_items = {first, count, object ? BuildIndex(first, count) : 0};
        pos = p + 1;
        return true;
    }

    // Open addressing over the member positions; a repeated name keeps
    // pointing at its first member.
    qsizetype BuildIndex(quint32 first, quint32 count)
    {
        const size_t slotCount = SlotCount(size_t(count));
        const qsizetype start = qsizetype(m_doc.nameIndexes.size());
        m_doc.nameIndexes.resize(m_doc.nameIndexes.size() + slotCount, kEmptySlot);
        qsizetype *table = m_doc.nameIndexes.data() + start;
        for (quint32 i = 0; i < count; ++i) {
            const QStringView name = Name(first + i);
            for (size_t s = NameHash(name) & (slotCount - 1);; s = (s + 1) & (slotCount - 1)) {
                if (table[s] == kEmptySlot) {
                    table[s] = i;
                    break;
                }
                if (Name(first + quint32(table[s])) == name)
                    break;
            }
        }
        return start;
    }

    QStringView Name(quint32 value) const
    {
        const JsonValue &v = m_doc.values[size_t(value)];
        return v.View(v.m_name, v.m_nameDecoded);
    }

    // name ':' value; on failure p stays where the member began.
    bool ParseMember(qsizetype &pos)
    {
        qsizetype p = pos;
        SkipBlanks(p);
        if (p >= m_size || At(p) != u'"')
            return false;
        JsonValue::Span name;
        bool decoded = false;
        if (!ScanString(p, name, decoded, true))
            return false;
        SkipBlanks(p);
        if (p >= m_size || At(p) != u':')
            return false;
        ++p;
        if (!ParseValue(p))
            return false;
        m_pending.back().m_name = name;
        m_pending.back().m_nameDecoded = decoded;
        pos = p;
        return true;
    }

    void StepOverComma(qsizetype &p) const
    {
        SkipBlanks(p);
        if (p < m_size && At(p) == u',')
            ++p;
    }

    JsonDocument &m_doc;
    const QChar *m_data;
    qsizetype m_size;
    int m_depth = 0;
    std::vector<JsonValue> m_pending; // finished values whose container is still open
    std::string m_number;             // characters of the number being converted
};

JsonValue::JsonValue(const JsonDocument *doc, Kind kind) : m_doc(doc), m_items{0, 0, 0}, m_kind(kind) {}
JsonValue::JsonValue(JsonValue &&) noexcept = default;
JsonValue &JsonValue::operator=(JsonValue &&) noexcept = default;
JsonValue::~JsonValue() = default;

QStringView JsonValue::View(Span span, bool decoded) const
{
    const QString &chars = decoded ? m_doc->decoded : m_doc->source;
    return QStringView(chars.constData() + span.offset, span.length);
}

qsizetype JsonValue::Count() const
{
    return (m_kind == Kind::Object || m_kind == Kind::List) ? qsizetype(m_items.count) : 0;
}

const JsonValue *JsonValue::Find(QStringView key) const
{
    const size_t slotCount = SlotCount(size_t(m_items.count));
    const qsizetype *table = m_doc->nameIndexes.data() + m_items.nameIndex;
    for (size_t s = NameHash(key) & (slotCount - 1);; s = (s + 1) & (slotCount - 1)) {
        if (table[s] == kEmptySlot)
            return nullptr;
        const JsonValue &member = m_doc->values[m_items.first + size_t(table[s])];
        if (member.View(member.m_name, member.m_nameDecoded) == key)
            return &member;
    }
}

const JsonValue *JsonValue::Field(const QString &name) const
{
    if (m_kind != Kind::Object)
        return this;
    return Find(FoldAsciiCase(name));
}

const JsonValue *JsonValue::FieldByIndex(qsizetype pos) const
{
    switch (m_kind) {
    case Kind::Object: {
        if (pos < 0 || pos >= qsizetype(m_items.count))
            return nullptr;
        const JsonValue &member = m_doc->values[m_items.first + size_t(pos)];
        if (member.m_name.length == 0)
            return nullptr;
        return Find(member.View(member.m_name, member.m_nameDecoded));
    }
    case Kind::List:
        throw Failure(QStringLiteral("Listenelemente haben keinen Namen"));
    default:
        return nullptr;
    }
}

JsonVariant JsonValue::Value() const
{
    JsonVariant v;
    switch (m_kind) {
    case Kind::String:
        v.kind = JsonVariant::Kind::Text;
        v.text = Text();
        break;
    case Kind::Number:
        v.kind = JsonVariant::Kind::Number;
        v.number = m_number;
        break;
    case Kind::Boolean:
        v.kind = JsonVariant::Kind::Boolean;
        v.boolean = m_boolean;
        break;
    default:
        break;
    }
    return v;
}

QStringView JsonValue::TextView() const
{
    return m_kind == Kind::String ? View(m_text, m_textDecoded) : QStringView();
}

const JsonValue *JsonValue::Item(qsizetype pos) const
{
    if (pos < 0 || pos >= Count())
        return nullptr;
    return &m_doc->values[m_items.first + size_t(pos)];
}

QString JsonValue::MemberName(qsizetype pos) const
{
    if (m_kind != Kind::Object || pos < 0 || pos >= qsizetype(m_items.count))
        return {};
    const JsonValue &member = m_doc->values[m_items.first + size_t(pos)];
    return member.View(member.m_name, member.m_nameDecoded).toString();
}

std::unique_ptr<JsonValue> ParseText(const QString &text)
{
    qsizetype pos = 0;
    // A UTF-8 byte order mark that was read as three single-byte characters.
    if (text.startsWith(QStringView(u"\u00EF\u00BB\u00BF")))
        pos = 3;
    if (pos >= text.size() || text.size() >= qsizetype(UINT32_MAX))
        return nullptr;
    try {
        auto doc = std::make_unique<JsonDocument>();
        doc->source = text;
        JsonParser parser(*doc);
        if (!parser.ParseValue(pos))
            return nullptr;
        // Whatever follows the value is ignored.
        auto root = std::make_unique<JsonValue>(parser.TakeRoot());
        root->m_owned = std::move(doc);
        return root;
    } catch (const Abort &) {
        return nullptr;
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
