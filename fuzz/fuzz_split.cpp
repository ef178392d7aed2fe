// Any text through SplitColumnList: the items joined with commas give back
// the text, up to its first U+0000, minus only what the splitting rules drop:
// the leading run of U+0001..U+0020 (with what the steps over it carry
// along) and, right after each separating comma, a low surrogate and the
// non-spacing marks that the step over the comma carries along.
#include "FuzzSupport.h"

#include "columns/ColumnList.h"

namespace
{

qsizetype EndOf(const QString &text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text.size() : nul;
}

// One step forward as the splitting rules define it, written out here on its
// own so that NextCharPos is checked against it.
qsizetype Step(const QString &text, qsizetype end, qsizetype pos)
{
    if (pos >= end)
        return pos;
    ++pos;
    if (pos < end && text[pos].unicode() >= 0xDC00 && text[pos].unicode() <= 0xDFFF)
        ++pos;
    while (pos < end && QChar::category(char32_t(text[pos].unicode())) == QChar::Mark_NonSpacing)
        ++pos;
    return pos;
}

void Check(const QString &text)
{
    const qsizetype end = EndOf(text);
    for (qsizetype pos = 0; pos <= text.size(); ++pos) {
        FUZZ_CHECK(NextCharPos(text, pos) == Step(text, end, std::min(pos, end)) || pos > end,
                   "NextCharPos steps as the rules say");
    }

    qsizetype pos = 0;
    while (pos < end && text[pos].unicode() >= 1 && text[pos].unicode() <= 0x20)
        pos = Step(text, end, pos);

    // Separators are the commas with an even number of double quotes before
    // them; the steps never carry a comma or a quote along, so counting is
    // enough.
    QString expected;
    int separators = 0;
    bool inQuotes = false;
    const qsizetype first = pos;
    while (pos < end) {
        const QChar c = text[pos];
        expected += c;
        if (c == u'"')
            inQuotes = !inQuotes;
        if (c == u',' && !inQuotes) {
            ++separators;
            pos = Step(text, end, pos); // drops what the step carries along
        } else {
            ++pos;
        }
    }

    ColumnList list;
    list.add(QStringLiteral("stale"));
    SplitColumnList(text, list);
    FUZZ_CHECK(list.count() == (first == end ? 0 : separators + 1), "one item more than separators");
    FUZZ_CHECK(list.items().join(u',') == expected, "joined items are the text minus the dropped characters");
    for (const QString &item : list.items())
        FUZZ_CHECK(!item.contains(QChar(0)), "items end at the first U+0000");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Check(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    Check(FuzzUtf16(data, size));
    return 0;
}
