#include "IniDocument.h"

QString TrimControl(QStringView text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin).toString();
}

namespace
{

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QStringView lineName(const QString &line, bool *hasEquals)
{
    const qsizetype eq = line.indexOf(u'=');
    *hasEquals = eq >= 0;
    return QStringView(line).left(eq < 0 ? 0 : eq);
}

} // namespace

IniDocument IniDocument::parse(const QString &text, TextEncoding encoding)
{
    IniDocument doc;
    doc.m_encoding = encoding;
    Section *current = nullptr;
    const qsizetype n = text.size();
    qsizetype start = 0;
    while (start <= n) {
        qsizetype end = start;
        while (end < n && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QString line = TrimControl(QStringView(text).mid(start, end - start));
        // CR LF ends one line, a lone CR or LF one line each.
        qsizetype next = end + 1;
        if (end < n && text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n')
            next = end + 2;
        start = next;

        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']') && line.size() >= 2) {
            doc.m_sections.push_back({TrimControl(QStringView(line).mid(1, line.size() - 2)), {}});
            current = &doc.m_sections.back();
            continue;
        }
        if (!current)
            continue; // text before the first section is not kept
        current->lines.append(line.contains(u'=') ? NormaliseLine(line) : line);
    }
    return doc;
}

QString NormaliseLine(QStringView line)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return TrimControl(line);
    return TrimControl(line.left(eq)) + u'=' + TrimControl(line.mid(eq + 1));
}

IniDocument IniDocument::fromBytes(const QByteArray &bytes)
{
    const DecodedText decoded = DecodeSettingsText(bytes);
    IniDocument doc = parse(decoded.text, decoded.encoding);
    doc.m_trailing = decoded.trailing;
    return doc;
}

QByteArray IniDocument::toBytes() const
{
    return EncodeSettingsText(toText(), m_encoding) + m_trailing;
}

const IniDocument::Section *IniDocument::findSection(const QString &name) const
{
    for (const Section &s : m_sections) {
        if (sameName(s.name, name))
            return &s;
    }
    return nullptr;
}

IniDocument::Section *IniDocument::findSection(const QString &name)
{
    return const_cast<Section *>(static_cast<const IniDocument *>(this)->findSection(name));
}

qsizetype IniDocument::findLine(const Section &section, const QString &key)
{
    for (qsizetype i = 0; i < section.lines.size(); ++i) {
        bool hasEquals = false;
        const QStringView name = lineName(section.lines[i], &hasEquals);
        if (hasEquals && sameName(name, key))
            return i;
    }
    return -1;
}

std::optional<QString> IniDocument::value(const QString &section, const QString &key) const
{
    const Section *s = findSection(section);
    if (!s)
        return std::nullopt;
    const qsizetype i = findLine(*s, key);
    if (i < 0)
        return std::nullopt;
    const QString &line = s->lines[i];
    return line.mid(line.indexOf(u'=') + 1);
}

void IniDocument::setValue(const QString &section, const QString &key, const QString &value)
{
    Section *s = findSection(section);
    if (!s) {
        m_sections.push_back({section, {}});
        s = &m_sections.back();
    }
    const QString line = key + u'=' + value;
    qsizetype i = findLine(*s, key);
    if (i >= 0) {
        s->lines[i] = line;
    } else {
        i = s->lines.size();
        s->lines.append(line);
    }
    m_lastSection = size_t(s - m_sections.data());
    m_lastLine = i;
}

void IniDocument::normaliseLastSet()
{
    if (m_lastLine < 0)
        return;
    QString &line = m_sections[m_lastSection].lines[m_lastLine];
    line = NormaliseLine(line);
    m_lastLine = -1;
}

QString IniDocument::toText() const
{
    qsizetype size = 0;
    for (const Section &s : m_sections) {
        size += s.name.size() + 6;
        for (const QString &l : s.lines)
            size += l.size() + 2;
    }
    QString out;
    out.reserve(size);
    for (const Section &s : m_sections) {
        out += u'[';
        out += s.name;
        out += u"]\r\n";
        for (const QString &l : s.lines) {
            out += l;
            out += u"\r\n";
        }
        out += u"\r\n";
    }
    return out;
}
