#include "IniDocument.h"

#include <algorithm>
#include <cstring>

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

namespace
{

char16_t unitOf(QChar c)
{
    return c.unicode();
}

char16_t unitOf(char c)
{
    return static_cast<unsigned char>(c);
}

// Splits the units into lines and keeps the sections and their lines. CR,
// LF and every unit up to U+0020 mean the same in text as in the bytes of
// Windows-1252 or UTF-8 (no byte of a longer UTF-8 sequence lies that low),
// so bytes are parsed as they are and each kept piece decoded on its own:
// the file's text is never held whole beside its bytes. `decode` turns a
// piece of units into text.
template <typename Unit, typename Decode>
void parseLines(const Unit *p, qsizetype n, const Decode &decode, std::vector<IniDocument::Section> &sections)
{
    IniDocument::Section *current = nullptr;
    qsizetype start = 0;
    while (start <= n) {
        qsizetype end = start;
        while (end < n && unitOf(p[end]) != u'\r' && unitOf(p[end]) != u'\n')
            ++end;
        // CR LF ends one line, a lone CR or LF one line each.
        qsizetype next = end + 1;
        if (end < n && unitOf(p[end]) == u'\r' && end + 1 < n && unitOf(p[end + 1]) == u'\n')
            next = end + 2;
        qsizetype b = start, e = end;
        start = next;
        while (b < e && unitOf(p[b]) <= 0x20)
            ++b;
        while (e > b && unitOf(p[e - 1]) <= 0x20)
            --e;

        if (b == e || unitOf(p[b]) == u';')
            continue;
        if (unitOf(p[b]) == u'[' && unitOf(p[e - 1]) == u']' && e - b >= 2) {
            sections.push_back({TrimControl(decode(p + b + 1, e - b - 2)), {}});
            current = &sections.back();
            continue;
        }
        if (!current)
            continue; // text before the first section is not kept
        current->lines.append(NormaliseLine(decode(p + b, e - b)));
    }
}

} // namespace

IniDocument IniDocument::parse(const QString &text, TextEncoding encoding)
{
    IniDocument doc;
    doc.m_encoding = encoding;
    parseLines(
        text.constData(), text.size(), [](const QChar *p, qsizetype n) { return QStringView(p, n); },
        doc.m_sections);
    return doc;
}

namespace
{

// The normal form of `line` as a copy, or nothing when `line` is in that
// form already.
std::optional<QString> normalisedCopy(QStringView line)
{
    const QChar *p = line.data();
    qsizetype b = 0, e = line.size();
    while (b < e && p[b].unicode() <= 0x20)
        ++b;
    while (e > b && p[e - 1].unicode() <= 0x20)
        --e;
    const qsizetype eq = QStringView(p + b, e - b).indexOf(u'=');
    qsizetype nameEnd = b + eq, valueStart = b + eq + 1;
    if (eq >= 0) {
        while (nameEnd > b && p[nameEnd - 1].unicode() <= 0x20)
            --nameEnd;
        while (valueStart < e && p[valueStart].unicode() <= 0x20)
            ++valueStart;
    }
    if (eq < 0 || (nameEnd == b + eq && valueStart == b + eq + 1)) {
        if (b == 0 && e == line.size())
            return std::nullopt;
        return QStringView(p + b, e - b).toString();
    }
    QString out(nameEnd - b + 1 + e - valueStart, Qt::Uninitialized);
    QChar *d = out.data();
    std::copy(p + b, p + nameEnd, d);
    d[nameEnd - b] = u'=';
    std::copy(p + valueStart, p + e, d + (nameEnd - b) + 1);
    return out;
}

} // namespace

QString NormaliseLine(QStringView line)
{
    std::optional<QString> copy = normalisedCopy(line);
    return copy ? std::move(*copy) : line.toString();
}

QString NormaliseLine(QString &&line)
{
    // Most lines are in this form already: kept as they are, no copy.
    std::optional<QString> copy = normalisedCopy(line);
    return copy ? std::move(*copy) : std::move(line);
}

IniDocument IniDocument::fromBytes(const QByteArray &bytes)
{
    const TextEncoding encoding = SettingsTextEncoding(bytes);
    if (encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE) {
        // Its text is no larger than its bytes.
        const DecodedText decoded = DecodeSettingsText(bytes);
        IniDocument doc = parse(decoded.text, decoded.encoding);
        doc.m_trailing = decoded.trailing;
        return doc;
    }
    IniDocument doc;
    doc.m_encoding = encoding;
    const qsizetype mark = encoding == TextEncoding::Utf8 ? 3 : 0;
    parseLines(
        bytes.constData() + mark, bytes.size() - mark,
        [encoding](const char *p, qsizetype n) {
            return DecodeSettingsBytes(QByteArrayView(p, n), encoding);
        },
        doc.m_sections);
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

IniDocument::LinePosition IniDocument::setValue(const QString &section, const QString &key,
                                                const QString &value)
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
    return {size_t(s - m_sections.data()), i};
}

void IniDocument::normaliseLine(const LinePosition &at)
{
    QString &line = m_sections[at.section].lines[at.line];
    line = NormaliseLine(line);
}

QString IniDocument::toText() const
{
    qsizetype size = 0;
    for (const Section &s : m_sections) {
        size += s.name.size() + 6;
        for (const QString &l : s.lines)
            size += l.size() + 2;
    }
    QString out(size, Qt::Uninitialized);
    QChar *d = out.data();
    const auto put = [&d](QStringView piece) { d = std::copy(piece.begin(), piece.end(), d); };
    for (const Section &s : m_sections) {
        *d++ = u'[';
        put(s.name);
        put(u"]\r\n");
        for (const QString &l : s.lines) {
            put(l);
            put(u"\r\n");
        }
        put(u"\r\n");
    }
    return out;
}

std::optional<SectionSpan> FindSectionInNormalFile(QByteArrayView bytes, const char *section)
{
    const char *p = bytes.data();
    const qsizetype n = bytes.size();
    const auto byte = [p](qsizetype i) { return static_cast<unsigned char>(p[i]); };
    SectionSpan found;
    qsizetype i = 0;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        found.encoding = TextEncoding::Utf8;
        i = 3;
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        return std::nullopt;
    }
    const qsizetype wanted = qsizetype(std::strlen(section));
    bool inSection = false, inWanted = false, haveWanted = false;
    while (i < n) {
        // Every line ends with CR LF, and there is no other CR or LF.
        const auto *lf = static_cast<const char *>(std::memchr(p + i, '\n', size_t(n - i)));
        if (!lf)
            return std::nullopt;
        const qsizetype next = lf - p + 1;
        const qsizetype e = next - 2; // the line is [i, e)
        if (e < i || p[e] != '\r' || std::memchr(p + i, '\r', size_t(e - i)))
            return std::nullopt;
        if (!inSection) {
            // A header with its name trimmed.
            if (e - i < 2 || p[i] != '[' || p[e - 1] != ']')
                return std::nullopt;
            const qsizetype nb = i + 1, ne = e - 1;
            if (nb < ne && (byte(nb) <= 0x20 || byte(ne - 1) <= 0x20))
                return std::nullopt;
            inSection = true;
            if (!haveWanted) {
                for (qsizetype k = nb; k < ne; ++k) {
                    if (byte(k) >= 0x80)
                        return std::nullopt; // case rules beyond ASCII: leave it to the full reading
                }
                inWanted = ne - nb == wanted && qstrnicmp(p + nb, section, size_t(wanted)) == 0;
                if (inWanted)
                    found.begin = i;
            }
        } else if (e == i) {
            // The empty line that ends every section.
            inSection = false;
            if (inWanted) {
                found.end = next;
                haveWanted = true;
                inWanted = false;
            }
        } else {
            // A line as reading leaves it: trimmed, no comment, no header,
            // nothing around its first "=".
            if (byte(i) <= 0x20 || byte(e - 1) <= 0x20 || p[i] == ';' || (p[i] == '[' && p[e - 1] == ']'))
                return std::nullopt;
            if (const auto *eq = static_cast<const char *>(std::memchr(p + i, '=', size_t(e - i)))) {
                const qsizetype q = eq - p;
                if ((q > i && byte(q - 1) <= 0x20) || (q + 1 < e && byte(q + 1) <= 0x20))
                    return std::nullopt;
            }
        }
        i = next;
    }
    if (inSection)
        return std::nullopt;
    if (!haveWanted)
        found.begin = found.end = n;
    return found;
}
