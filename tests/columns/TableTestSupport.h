#pragma once
#include "columns/FormatTable.h"

#include <QString>
#include <QStringList>

#include <ostream>

// An observer that writes down what it is told, in order.
class RecordingObserver : public FormatTableObserver
{
  public:
    explicit RecordingObserver(QString tag = QString()) : m_tag(std::move(tag)) {}
    QStringList *log = &m_own;
    void dataChanged() override { add("data"); }
    void rowChanged() override { add("row"); }
    void stateChanged() override { add("state"); }
    void commitPendingEdit() override { add("commit"); }
    void writePendingInput() override { add("input"); }
    void linkChanged(bool active) override { add(active ? "on" : "off"); }
    int count(const QString &event) const { return int(log->count(m_tag + event)); }
    QStringList m_own;

  private:
    void add(const QString &event) { log->append(m_tag + event); }
    QString m_tag;
};

// Appends a posted row with the given field texts (an empty text leaves the field unset).
inline void AddRow(FormatTable &table, const QStringList &texts)
{
    table.Append();
    for (int i = 0; i < texts.size(); ++i)
        if (!texts[i].isEmpty())
            table.setText(i, texts[i]);
    table.Post();
}

inline QStringList RowTexts(const FormatTable &table, int row)
{
    QStringList out;
    const auto &r = table.rows().at(size_t(row));
    for (int i = 0; i < table.fieldCount(); ++i) {
        const FieldValue &v = r[size_t(i)];
        if (v.isNull)
            out << "<unset>";
        else if (table.field(i).type == FieldType::Integer)
            out << QString::number(v.integer);
        else if (table.field(i).type == FieldType::Flag)
            out << (v.flag ? "true" : "false");
        else
            out << v.text;
    }
    return out;
}

// Readable failure output for the values compared in these tests.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const FieldValue &v, std::ostream *os)
{
    if (v.isNull)
        *os << "<unset>";
    else
        *os << "{" << v.text.toStdString() << "|" << v.integer << "|" << v.flag << "}";
}
