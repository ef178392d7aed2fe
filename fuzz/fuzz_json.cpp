// Any text through the lenient JSON reader, read once as UTF-8 and once as
// UTF-16 code units: no crash, leak or hang, nesting within the limit, and
// the answers of a parsed tree agree with each other.
#include "FuzzSupport.h"

#include "settings/Failure.h"
#include "json/JsonValue.h"

#include <algorithm>
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
    return 0;
}
