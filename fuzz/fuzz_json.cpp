// Any text through the lenient JSON reader, read once as UTF-8 and once as
// UTF-16 code units: no crash, leak or hang, nesting within the limit, and
// the answers of a parsed tree agree with each other.
#include "FuzzSupport.h"

#include "base/Failure.h"
#include "json/JsonValue.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace
{

// Documents nested deeper than this are refused by the reader.
constexpr int kMaxDepth = 512;

bool HasUpperAscii(const QString &name)
{
    for (QChar c : name)
        if (c >= u'A' && c <= u'Z')
            return true;
    return false;
}

QString UpperAscii(QString name)
{
    for (QChar &c : name)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    return name;
}

// Depth of the tree (a scalar is 0, a container one more than its deepest
// child), checking the accessors on the way.
int Walk(const JsonValue &v, int depth)
{
    FUZZ_CHECK(depth <= kMaxDepth + 1, "nesting limit");
    const qsizetype count = v.Count();
    const JsonVariant value = v.Value();
    switch (v.kind()) {
    case JsonValue::Kind::Object:
    case JsonValue::Kind::List:
        FUZZ_CHECK(count >= 0, "count");
        FUZZ_CHECK(value.kind == JsonVariant::Kind::Null, "a container's Value is null");
        FUZZ_CHECK(v.Item(count) == nullptr && v.Item(-1) == nullptr, "Item out of range");
        break;
    case JsonValue::Kind::String:
        FUZZ_CHECK(count == 0 && value.kind == JsonVariant::Kind::Text && value.text == v.Text(), "string");
        break;
    case JsonValue::Kind::Number:
        FUZZ_CHECK(count == 0 && value.kind == JsonVariant::Kind::Number, "number");
        FUZZ_CHECK(std::isfinite(value.number), "numbers beyond the double range are refused");
        break;
    case JsonValue::Kind::Boolean:
        FUZZ_CHECK(count == 0 && value.kind == JsonVariant::Kind::Boolean, "boolean");
        break;
    case JsonValue::Kind::Null:
        FUZZ_CHECK(count == 0 && value.kind == JsonVariant::Kind::Null, "null");
        break;
    }

    if (v.kind() != JsonValue::Kind::Object) {
        // Every other kind answers a lookup with itself.
        FUZZ_CHECK(v.Field(QStringLiteral("x")) == &v, "Field on a non-object");
        if (v.kind() == JsonValue::Kind::List) {
            bool threw = false;
            try {
                v.FieldByIndex(0);
            } catch (const Failure &) {
                threw = true;
            }
            FUZZ_CHECK(threw, "FieldByIndex on a list fails");
        } else {
            FUZZ_CHECK(v.FieldByIndex(0) == nullptr, "FieldByIndex on a scalar");
        }
    } else {
        FUZZ_CHECK(v.FieldByIndex(count) == nullptr && v.FieldByIndex(-1) == nullptr,
                   "FieldByIndex out of range");
    }

    int deepest = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const JsonValue *child = v.Item(i);
        FUZZ_CHECK(child != nullptr, "every member or element exists");
        if (v.kind() == JsonValue::Kind::Object) {
            const QString name = v.MemberName(i);
            FUZZ_CHECK(!HasUpperAscii(name), "member names are stored with A-Z folded");
            const JsonValue *found = v.Field(name);
            FUZZ_CHECK(found != nullptr, "a member's name finds a member");
            FUZZ_CHECK(v.Field(UpperAscii(name)) == found, "lookups ignore the case of A-Z");
            // The first member bearing the name answers for all of them.
            qsizetype first = 0;
            while (v.MemberName(first) != name)
                ++first;
            FUZZ_CHECK(found == v.Item(first), "Field finds the first member of that name");
            FUZZ_CHECK(v.FieldByIndex(i) == (name.isEmpty() ? nullptr : found),
                       "FieldByIndex goes through Field");
        } else {
            FUZZ_CHECK(v.MemberName(i).isEmpty(), "list elements have no names");
        }
        deepest = std::max(deepest, Walk(*child, depth + 1));
    }
    const int own = (v.kind() == JsonValue::Kind::Object || v.kind() == JsonValue::Kind::List) ? 1 : 0;
    return own + deepest;
}

int StrictDepth(const QJsonValue &v)
{
    int deepest = 0;
    if (v.isArray()) {
        for (const QJsonValue &e : v.toArray())
            deepest = std::max(deepest, StrictDepth(e));
        return deepest + 1;
    }
    if (v.isObject()) {
        for (const QJsonValue &e : v.toObject())
            deepest = std::max(deepest, StrictDepth(e));
        return deepest + 1;
    }
    return 0;
}

bool PlainText(const QString &s)
{
    return s.isValidUtf16() && !s.contains(QChar::ReplacementCharacter);
}

// Standard JSON that Qt's strict reader accepts means the same to the lenient
// reader: same kinds, counts, numbers and texts. Objects are compared only
// where no two names fold to the same name (the strict reader keeps the last
// of equal names, the lenient one answers with the first).
void SameAsStrict(const QJsonValue &strict, const JsonValue &v)
{
    switch (strict.type()) {
    case QJsonValue::Null:
        FUZZ_CHECK(v.kind() == JsonValue::Kind::Null, "null as in standard JSON");
        break;
    case QJsonValue::Bool:
        FUZZ_CHECK(v.kind() == JsonValue::Kind::Boolean && v.Boolean() == strict.toBool(),
                   "boolean as in standard JSON");
        break;
    case QJsonValue::Double:
        FUZZ_CHECK(v.kind() == JsonValue::Kind::Number && v.Number() == strict.toDouble(),
                   "number as in standard JSON");
        break;
    case QJsonValue::String:
        FUZZ_CHECK(v.kind() == JsonValue::Kind::String, "string as in standard JSON");
        if (PlainText(strict.toString()) && PlainText(v.Text()))
            FUZZ_CHECK(v.Text() == strict.toString(), "string value as in standard JSON");
        break;
    case QJsonValue::Array: {
        const QJsonArray a = strict.toArray();
        FUZZ_CHECK(v.kind() == JsonValue::Kind::List && v.Count() == a.size(), "list as in standard JSON");
        for (qsizetype i = 0; i < a.size(); ++i)
            SameAsStrict(a.at(i), *v.Item(i));
        break;
    }
    case QJsonValue::Object: {
        const QJsonObject o = strict.toObject();
        FUZZ_CHECK(v.kind() == JsonValue::Kind::Object, "object as in standard JSON");
        QSet<QString> folded;
        for (qsizetype i = 0; i < v.Count(); ++i)
            folded.insert(v.MemberName(i));
        if (v.Count() != o.size() || folded.size() != o.size())
            break;
        for (auto it = o.begin(); it != o.end(); ++it) {
            if (!PlainText(it.key()))
                continue;
            const JsonValue *member = v.Field(it.key());
            FUZZ_CHECK(member != nullptr, "every member of standard JSON is found");
            SameAsStrict(it.value(), *member);
        }
        break;
    }
    case QJsonValue::Undefined:
        break;
    }
}

// Qt's reader also takes numbers such as "1." and "-01", unknown escapes
// and broken UTF-8; only text in the standard form is compared.
bool StandardForm(const QByteArray &bytes)
{
    if (QString::fromUtf8(bytes).toUtf8() != bytes)
        return false;
    static const QRegularExpression number(
        QStringLiteral("^-?(0|[1-9][0-9]*)(\\.[0-9]+)?([eE][+-]?[0-9]+)?$"));
    const auto inNumber = [](char c) {
        return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E';
    };
    bool inString = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (inString) {
            if (c == '\\') {
                // Qt also takes unknown escapes, which the lenient reader drops.
                const char e = i + 1 < bytes.size() ? bytes[i + 1] : '\0';
                if (!std::strchr("\"\\/bfnrtu", e) || e == '\0')
                    return false;
                if (e == 'u') {
                    for (qsizetype k = i + 2; k < i + 6; ++k)
                        if (k >= bytes.size() || !std::isxdigit(static_cast<unsigned char>(bytes[k])))
                            return false;
                }
                ++i;
            } else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
            continue;
        }
        if (!inNumber(c))
            continue;
        qsizetype end = i;
        while (end < bytes.size() && inNumber(bytes[end]))
            ++end;
        const bool inWord = i > 0 && bytes[i - 1] >= 'a' && bytes[i - 1] <= 'z';
        if (!inWord && !number.match(QString::fromLatin1(bytes.mid(i, end - i))).hasMatch())
            return false;
        i = end - 1;
    }
    return true;
}

// Numbers that underflow or overflow a double are refused by the lenient
// reader but rounded by the strict one; a leading byte order mark is skipped
// by the strict reader only in its UTF-8 form (and Qt drops U+FEFF at the
// start of any string too).
bool Comparable(const QByteArray &bytes, const QJsonDocument &strict)
{
    if (bytes.contains("\xEF\xBB\xBF") || bytes.contains("e-") || bytes.contains("E-"))
        return false;
    if (!StandardForm(bytes))
        return false;
    const QJsonValue root = strict.isArray() ? QJsonValue(strict.array()) : QJsonValue(strict.object());
    return StrictDepth(root) <= kMaxDepth;
}

void CheckAgainstStrict(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument strict = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !Comparable(bytes, strict))
        return;
    const std::unique_ptr<JsonValue> root = ParseText(QString::fromUtf8(bytes));
    FUZZ_CHECK(root != nullptr, "standard JSON parses");
    SameAsStrict(strict.isArray() ? QJsonValue(strict.array()) : QJsonValue(strict.object()), *root);
}

void Check(const QString &text)
{
    const std::unique_ptr<JsonValue> root = ParseText(text);
    if (text.isEmpty())
        FUZZ_CHECK(!root, "the empty text yields nothing");
    if (!root)
        return;
    FUZZ_CHECK(Walk(*root, 0) <= kMaxDepth, "nesting limit");
    // Text after the first complete value is ignored.
    const std::unique_ptr<JsonValue> again = ParseText(text + QStringLiteral("}]x\"{"));
    FUZZ_CHECK(again && again->kind() == root->kind() && again->Count() == root->Count(),
               "trailing text does not change the value");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Check(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    Check(FuzzUtf16(data, size));
    CheckAgainstStrict(FuzzBytes(data, size));
    return 0;
}
