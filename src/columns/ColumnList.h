#pragma once
#include <QString>
#include <QStringList>

// The columns of one formula line, each exactly as typed: double quotes
// kept, blanks kept, empty items allowed.
class ColumnList
{
  public:
    int count() const { return int(m_items.size()); }
    const QString &item(int index) const { return m_items.at(index); }
    const QStringList &items() const { return m_items; }
    void clear() { m_items.clear(); }
    void add(const QString &item) { m_items.append(item); }

  private:
    QStringList m_items;
};

// The position after the character at `position`: one code unit, plus a
// following low surrogate, plus any non-spacing marks (tested unit by unit).
// The end of the text (its length or its first U+0000) is never passed.
qsizetype NextCharPos(const QString &text, qsizetype position);

// Replaces the content of `list` with the comma-separated columns of `text`;
// commas inside double quotes do not separate. Only the blanks and control
// characters at the very start of the text are skipped.
void SplitColumnList(const QString &text, ColumnList &list);
