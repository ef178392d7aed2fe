#include "columns/ColumnList.h"

namespace
{

bool atEnd(const QString &text, qsizetype pos)
{
    return pos >= text.size() || text[pos].unicode() == 0;
}

} // namespace

qsizetype NextCharPos(const QString &text, qsizetype position)
{
    if (atEnd(text, position))
        return position;
    ++position;
    if (!atEnd(text, position) && text[position].isLowSurrogate())
        ++position;
    while (!atEnd(text, position) && text[position].category() == QChar::Mark_NonSpacing)
        ++position;
    return position;
}

void SplitColumnList(const QString &text, ColumnList &list)
{
    list.clear();
    qsizetype pos = 0;
    while (!atEnd(text, pos) && text[pos].unicode() <= 0x20)
        pos = NextCharPos(text, pos);
    bool inQuotes = false;
    while (!atEnd(text, pos)) {
        const qsizetype start = pos;
        while (!atEnd(text, pos) && (inQuotes || text[pos] != u',')) {
            if (text[pos] == u'"')
                inQuotes = !inQuotes;
            pos = NextCharPos(text, pos);
        }
        list.add(text.mid(start, pos - start));
        if (!atEnd(text, pos) && text[pos] == u',') {
            const qsizetype next = NextCharPos(text, pos);
            if (atEnd(text, next))
                list.add(QString());
            pos = next;
        }
    }
}
