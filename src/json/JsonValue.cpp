#include "json/JsonValue.h"

#include "settings/Failure.h"

#include <charconv>
#include <string>

namespace
{

// Stored documents are edited by hand; one nested that deep is garbage, and
// refusing it keeps the recursion far away from the end of the stack.
constexpr int kMaxDepth = 512;

bool IsBlank(char16_t c)
{
    return c <= 0x20;
}
bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

int HexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Member names are compared with only the letters A to Z folded.
QString FoldAsciiCase(QString name)
{
    const qsizetype n = name.size();
    qsizetype i = 0;
    const QChar *data = name.constData();
    while (i < n && !(data[i].unicode() >= u'A' && data[i].unicode() <= u'Z'))
        ++i;
    if (i == n)
        return name; // nothing to fold, keep the shared data
    QChar *out = name.data();
    for (; i < n; ++i) {
        const char16_t c = out[i].unicode();
        if (c >= u'A' && c <= u'Z')
            out[i] = QChar(char16_t(c - u'A' + u'a'));
    }
    return name;
}

// Decimal exponent of the leading digit of a number that the converter
// reported as out of range: positive means too large, otherwise too small.
long long LeadingMagnitude(const std::string &number)
{
    size_t i = 0;
    if (i < number.size() && number[i] == '-')
        ++i;
    long long position = 0; // exponent of the digit at i, counted as we go
    size_t intDigits = 0;
    size_t j = i;
    while (j < number.size() && number[j] >= '0' && number[j] <= '9')
        ++j, ++intDigits;
    long long magnitude = 0;
    bool found = false;
    for (size_t k = i; k < i + intDigits; ++k) {
        if (number[k] != '0') {
            magnitude = static_cast<long long>(i + intDigits - k) - 1;
            found = true;
            break;
        }
    }
    if (j < number.size() && number[j] == '.') {
        ++j;
        position = -1;
        for (; j < number.size() && number[j] >= '0' && number[j] <= '9'; ++j, --position) {
            if (!found && number[j] != '0') {
                magnitude = position;
                found = true;
            }
        }
    }
    long long exponent = 0;
    if (j < number.size() && (number[j] == 'e' || number[j] == 'E')) {
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
    JsonParser(const QChar *data, qsizetype size) : m_data(data), m_size(size) {}

    // Parses one value at pos; nullptr (pos unchanged) when no form matches.
    std::unique_ptr<JsonValue> ParseValue(qsizetype &pos)
    {
        const qsizetype start = pos;
        SkipBlanks(pos);
        std::unique_ptr<JsonValue> value;
        if (Matches(pos, u"true")) {
            value = Make(JsonValue::Kind::Boolean);
            value->m_boolean = true;
            pos += 4;
        } else if (Matches(pos, u"false")) {
            value = Make(JsonValue::Kind::Boolean);
            pos += 5;
        } else if (Matches(pos, u"null")) {
            value = Make(JsonValue::Kind::Null);
            pos += 4;
        } else if (pos < m_size) {
            const char16_t c = At(pos);
            if (c == u'+' || c == u'-' || IsDigit(c))
                value = ParseNumber(pos);
            else if (c == u'"')
                value = ParseString(pos);
            else if (c == u'[')
                value = ParseList(pos);
            else if (c == u'{')
                value = ParseObject(pos);
        }
        if (!value)
            pos = start;
        return value;
    }

  private:
    char16_t At(qsizetype pos) const { return m_data[pos].unicode(); }

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

    static std::unique_ptr<JsonValue> Make(JsonValue::Kind kind)
    {
        return std::unique_ptr<JsonValue>(new JsonValue(kind));
    }

    // [+-] digits [. digits] [(e|E) [+-] digits], "." independent of the locale.
    std::unique_ptr<JsonValue> ParseNumber(qsizetype &pos)
    {
        qsizetype p = pos;
        m_number.clear();
        if (At(p) == u'+' || At(p) == u'-') {
            if (At(p) == u'-')
                m_number.push_back('-');
            ++p;
        }
        if (!ScanDigits(p))
            return nullptr;
        if (p < m_size && At(p) == u'.') {
            m_number.push_back('.');
            ++p;
            if (!ScanDigits(p))
                return nullptr;
        }
        if (p < m_size && (At(p) == u'e' || At(p) == u'E')) {
            m_number.push_back('e');
            ++p;
            if (p < m_size && (At(p) == u'+' || At(p) == u'-')) {
                m_number.push_back(char(At(p)));
                ++p;
            }
            if (!ScanDigits(p))
                return nullptr;
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
            return nullptr; // cannot happen after the scan above
        }
        auto value = Make(JsonValue::Kind::Number);
        value->m_number = number;
        pos = p;
        return value;
    }

    bool ScanDigits(qsizetype &p)
    {
        const qsizetype first = p;
        while (p < m_size && IsDigit(At(p)))
            m_number.push_back(char(At(p++)));
        return p > first;
    }

    std::unique_ptr<JsonValue> ParseString(qsizetype &pos)
    {
        QString text;
        if (!ScanString(pos, text))
            return nullptr;
        auto value = Make(JsonValue::Kind::String);
        value->m_text = std::move(text);
        return value;
    }

    // At a double quote: finds the end (a backslash always takes the next
    // character with it), then decodes the escapes of the raw content.
    bool ScanString(qsizetype &pos, QString &out)
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
        if (escaped)
            out = Decode(begin, end);
        else
            out = QString(m_data + begin, end - begin);
        pos = end + 1;
        return true;
    }

    QString Decode(qsizetype p, qsizetype end) const
    {
        QString out;
        out.reserve(end - p);
        while (p < end) {
            const char16_t c = At(p);
            if (c != u'\\') {
                out.append(QChar(c));
                ++p;
                continue;
            }
            if (p + 1 >= end) // cannot happen: the end scan pairs every backslash
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
                    const int d = HexDigit(At(p + i));
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
        return out;
    }

    void Enter()
    {
        if (++m_depth > kMaxDepth)
            throw Abort{};
    }

    std::unique_ptr<JsonValue> ParseList(qsizetype &pos)
    {
        Enter();
        qsizetype p = pos + 1;
        auto list = Make(JsonValue::Kind::List);
        while (auto element = ParseValue(p)) {
            list->m_items.push_back(std::move(element));
            StepOverComma(p);
        }
        --m_depth;
        SkipBlanks(p);
        if (p >= m_size || At(p) != u']')
            return nullptr;
        pos = p + 1;
        return list;
    }

    std::unique_ptr<JsonValue> ParseObject(qsizetype &pos)
    {
        Enter();
        qsizetype p = pos + 1;
        auto object = Make(JsonValue::Kind::Object);
        while (ParseMember(p, *object))
            StepOverComma(p);
        --m_depth;
        SkipBlanks(p);
        if (p >= m_size || At(p) != u'}')
            return nullptr;
        pos = p + 1;
        return object;
    }

    // name ':' value; on failure p stays where the member began.
    bool ParseMember(qsizetype &pos, JsonValue &object)
    {
        qsizetype p = pos;
        SkipBlanks(p);
        if (p >= m_size || At(p) != u'"')
            return false;
        QString name;
        if (!ScanString(p, name))
            return false;
        SkipBlanks(p);
        if (p >= m_size || At(p) != u':')
            return false;
        ++p;
        auto value = ParseValue(p);
        if (!value)
            return false;
        name = FoldAsciiCase(std::move(name));
        const qsizetype index = qsizetype(object.m_items.size());
        if (!object.m_index.contains(name))
            object.m_index.insert(name, index);
        object.m_names.push_back(std::move(name));
        object.m_items.push_back(std::move(value));
        pos = p;
        return true;
    }

    void StepOverComma(qsizetype &p) const
    {
        SkipBlanks(p);
        if (p < m_size && At(p) == u',')
            ++p;
    }

    const QChar *m_data;
    qsizetype m_size;
    int m_depth = 0;
    std::string m_number; // digits of the number being converted, reused
};

qsizetype JsonValue::Count() const
{
    return (m_kind == Kind::Object || m_kind == Kind::List) ? qsizetype(m_items.size()) : 0;
}

const JsonValue *JsonValue::Field(const QString &name) const
{
    if (m_kind != Kind::Object)
        return this;
    const auto it = m_index.constFind(FoldAsciiCase(name));
    return it == m_index.cend() ? nullptr : m_items[size_t(*it)].get();
}

const JsonValue *JsonValue::FieldByIndex(qsizetype pos) const
{
    switch (m_kind) {
    case Kind::Object:
        if (pos < 0 || pos >= qsizetype(m_names.size()) || m_names[size_t(pos)].isEmpty())
            return nullptr;
        return Field(m_names[size_t(pos)]);
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
        v.text = m_text;
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

const JsonValue *JsonValue::Item(qsizetype pos) const
{
    if (Count() == 0 || pos < 0 || pos >= Count())
        return nullptr;
    return m_items[size_t(pos)].get();
}

QString JsonValue::MemberName(qsizetype pos) const
{
    if (m_kind != Kind::Object || pos < 0 || pos >= qsizetype(m_names.size()))
        return {};
    return m_names[size_t(pos)];
}

std::unique_ptr<JsonValue> ParseText(const QString &text)
{
    qsizetype pos = 0;
    // A UTF-8 byte order mark that was read as three single-byte characters.
    if (text.startsWith(QStringView(u"\u00EF\u00BB\u00BF")))
        pos = 3;
    if (pos >= text.size())
        return nullptr;
    try {
        JsonParser parser(text.constData(), text.size());
        return parser.ParseValue(pos); // whatever follows the value is ignored
    } catch (const Abort &) {
        return nullptr;
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
