// Any bytes as a settings file: decode, parse, write, read again. The second
// reading must give the same document, and writing that again the same bytes.
#include "FuzzSupport.h"

#include "settings/IniDocument.h"
#include "settings/SettingsFile.h"
#include "settings/TextCodec.h"

namespace
{

bool SameDocument(const IniDocument &a, const IniDocument &b)
{
    if (a.encoding() != b.encoding() || a.sections().size() != b.sections().size())
        return false;
    for (size_t i = 0; i < a.sections().size(); ++i) {
        if (a.sections()[i].name != b.sections()[i].name || a.sections()[i].lines != b.sections()[i].lines)
            return false;
    }
    return true;
}

IniDocument Read(const QByteArray &bytes)
{
    const DecodedText decoded = DecodeSettingsText(bytes);
    return IniDocument::parse(decoded.text, decoded.encoding);
}

QByteArray Write(const IniDocument &doc)
{
    return EncodeSettingsText(doc.toText(), doc.encoding());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray original = FuzzBytes(data, size);
    const IniDocument first = Read(original);
    for (const IniDocument::Section &s : first.sections()) {
        for (const QString &line : s.lines) {
            FUZZ_CHECK(!line.isEmpty() && line.front().unicode() > 0x20 && line.back().unicode() > 0x20,
                       "a stored line is trimmed and not empty");
            FUZZ_CHECK(!line.startsWith(u';'), "comments are dropped");
        }
    }

    // The bytes parsed as they are give the document of their decoded text.
    FUZZ_CHECK(SameDocument(IniDocument::fromBytes(original), first), "the bytes parse as their text does");

    const QByteArray written = Write(first);
    const IniDocument second = Read(written);
    FUZZ_CHECK(SameDocument(first, second), "reading what was written gives the same document");
    FUZZ_CHECK(Write(second) == written, "a file the writer produced is written back byte for byte");

    // A value set through the document reads back after a write and a read,
    // and every other line stays where it was.
    IniDocument changed = second;
    const QString value = QStringLiteral("a b=\u00e9\u20ac");
    changed.setValue(QStringLiteral("Optionen"), QStringLiteral("ZQHost"), value);
    const IniDocument third = Read(Write(changed));
    FUZZ_CHECK(SameDocument(changed, third), "a changed document survives writing");
    const std::optional<QString> back = third.value(QStringLiteral("optionen"), QStringLiteral("zqhost"));
    FUZZ_CHECK(back.has_value(), "the value just set is found");
    // Windows-1252 has every character of the value, so every encoding keeps it.
    FUZZ_CHECK(*back == value, "the value just set reads back unchanged");

    // A save builds the same bytes whether it reads the whole file or keeps
    // all but "Optionen" of a file already in the written form: on the input
    // as it is and on what a first save made of it.
    const SaveWrites writes = [](SettingsEdit &edit) {
        edit.WriteOption(QStringLiteral("ZQHost"), QStringLiteral(" a\u00e9 "));
        edit.WriteOption(QStringLiteral("Neu"), QStringLiteral("\u20ac="));
        edit.WriteOption(QStringLiteral("letztesEF"), QStringLiteral("-1"));
    };
    const QByteArray saved = ApplyWrites(IniDocument::fromBytes(original), writes);
    FUZZ_CHECK(ApplyWritesToFile(original, writes) == saved, "a save of the input: both ways agree");
    FUZZ_CHECK(ApplyWritesToFile(saved, writes) == ApplyWrites(IniDocument::fromBytes(saved), writes),
               "a save of a saved file: both ways agree");
    return 0;
}
