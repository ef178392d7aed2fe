#include "cli/Assignments.h"

#include "base/FileSystem.h"
#include "base/NumberText.h"
#include "cli/Command.h"
#include "columns/FormatTableReader.h"
#include "settings/IniDocument.h"

#include <QFile>
#include <QStringDecoder>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace
{

char16_t foldAscii(QChar c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c.unicode() + 32) : c.unicode();
}

// Only A to Z fold: "ſ" or the Kelvin sign must not pass for a key's letter.
bool sameAsciiCase(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i]))
            return false;
    }
    return true;
}

// Flag words beyond those read as true: what an operator means by "no".
bool isFalseFlag(const QString &text)
{
    for (const char *word : {"nein", "false", "0", "falsch"}) {
        if (sameAsciiCase(text, QString::fromLatin1(word)))
            return true;
    }
    return false;
}

std::optional<QString> integerProblem(Key key, const QString &value)
{
    const QString name = keyName(key);
    if (key == Key::TransparenzLogo) {
        const std::optional<int32_t> n = ParseInt(value);
        if (!n || *n < 0 || *n > 255)
            return QStringLiteral("%1 muss eine ganze Zahl von 0 bis 255 sein, nicht „%2“")
                .arg(name, Shown(value));
        return std::nullopt;
    }
    // An empty number field is stored empty; the next start takes the default.
    if (!value.isEmpty() && !ParseInt(value))
        return QStringLiteral("%1 muss eine ganze Zahl sein (oder leer), nicht „%2“").arg(name, Shown(value));
    return std::nullopt;
}

std::optional<QString> formatProblem(Key key, const QString &value)
{
    // Rows the reader refuses are left out as at a start, with its message;
    // a text that is no format at all the window could not take.
    if (CheckStoredFormat(value, FormatKindOf(key)).readable)
        return std::nullopt;
    return QStringLiteral("Der Wert für %1 ist kein lesbares Spaltenformat").arg(keyName(key));
}

} // namespace

bool HasLineBreakOrNul(const QString &text)
{
    for (QChar c : text) {
        if (c == u'\r' || c == u'\n' || c.unicode() == 0)
            return true;
    }
    return false;
}

std::optional<Key> FindKey(const QString &name)
{
    for (const KeyInfo &info : kKeys) {
        if (sameAsciiCase(name, QString::fromLatin1(info.name)))
            return info.key;
    }
    return std::nullopt;
}

std::optional<QString> ValueProblem(Key key, const QString &value)
{
    if (HasLineBreakOrNul(value))
        return QStringLiteral(
                   "Der Wert für %1 enthält einen Zeilenumbruch oder ein NUL-Zeichen und wird deshalb "
                   "nicht gespeichert")
            .arg(keyName(key));
    switch (keyInfo(key).conversion) {
    case Conversion::Flag:
        if (IsTrueFlag(value) || isFalseFlag(value))
            return std::nullopt;
        return QStringLiteral("%1 ist ein Schalter: „ja“ oder „nein“, nicht „%2“")
            .arg(keyName(key), Shown(value));
    case Conversion::Integer:
        return integerProblem(key, value);
    case Conversion::Format:
        return formatProblem(key, value);
    case Conversion::None:
        break;
    }
    return std::nullopt;
}

namespace
{

ValueLines refusedLines(const QString &name, const QString &message)
{
    ValueLines out;
    out.status = kRefused;
    out.name = name;
    out.message = message;
    return out;
}

bool isBlankLine(const QString &line)
{
    for (QChar c : line) {
        if (c != u' ' && c != u'\t')
            return false;
    }
    return true;
}

// Where an assignment came from, for its messages: an argument (line 0) or
// a line of the values file.
struct AssignmentText {
    const QString &text;
    int line;
};

} // namespace

ValueLines ValueLinesFromBytes(QByteArrayView bytes, const QString &name)
{
    if (bytes.size() > kValuesFileBudget)
        return refusedLines(
            name,
            QStringLiteral("%1 ist größer als %2 Bytes; nichts geändert").arg(name).arg(kValuesFileBudget));
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (utf8.hasError())
        return refusedLines(name,
                            QStringLiteral("%1 ist kein gültiger UTF-8-Text; nichts geändert").arg(name));
    ValueLines out;
    out.name = name;
    out.lines = text.split(u'\n');
    if (text.endsWith(u'\n'))
        out.lines.removeLast(); // the end of the last line, no line of its own
    for (QString &line : out.lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return out;
}

ValueLines ReadValueLines(const QString &path)
{
    const bool standardInput = path == u"-";
    const QString name =
        standardInput ? QStringLiteral("Die Standardeingabe") : QStringLiteral("Die Datei \"%1\"").arg(path);
    const int fd = standardInput ? 0 : ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return refusedLines(
            name, QStringLiteral("%1 kann nicht geöffnet werden. %2").arg(name, files::SystemText(errno)));
    // Read in full, but never more than one byte beyond the budget: a
    // device or an endless pipe must not fill the memory.
    QByteArray bytes;
    const files::WipeOnExit wiper(bytes);
    bytes.resize(kValuesFileBudget + 1);
    qsizetype filled = 0;
    int error = 0;
    while (filled < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            error = errno;
        if (n <= 0)
            break;
        filled += n;
    }
    if (!standardInput)
        ::close(fd);
    if (error != 0)
        return refusedLines(
            name, QStringLiteral("%1 kann nicht gelesen werden. %2").arg(name, files::SystemText(error)));
    return ValueLinesFromBytes(QByteArrayView(bytes).first(filled), name);
}

Assignments ParseAssignments(const QStringList &arguments, const ValueLines &file)
{
    Assignments out;
    const auto refuse = [&out](int status, const QString &message) {
        out.status = status;
        out.message = message;
        out.items.clear();
        return out;
    };
    std::vector<AssignmentText> texts;
    for (const QString &argument : arguments)
        texts.push_back({argument, 0});
    for (qsizetype i = 0; i < file.lines.size(); ++i) {
        if (!isBlankLine(file.lines[i]))
            texts.push_back({file.lines[i], int(i + 1)});
    }
    for (const AssignmentText &item : texts) {
        const QString where =
            item.line == 0 ? QString() : QStringLiteral("%1, Zeile %2: ").arg(file.name).arg(item.line);
        const qsizetype eq = item.text.indexOf(u'=');
        if (eq < 0)
            return refuse(
                kWrongUsage,
                item.line == 0
                    ? QStringLiteral("„%1“ hat kein „=“: erwartet wird SCHLÜSSEL=WERT").arg(Shown(item.text))
                    : where + QStringLiteral("kein „=“, erwartet wird SCHLÜSSEL=WERT"));
        const QString name = item.text.first(eq);
        const std::optional<Key> key = FindKey(TrimControl(name));
        if (!key)
            return refuse(kRefused, where + QStringLiteral("Unbekannter Schlüssel „%1“").arg(Shown(name)));
        for (const Assignment &earlier : out.items) {
            if (earlier.key == *key)
                return refuse(kRefused,
                              where + QStringLiteral("%1 ist mehrfach angegeben").arg(keyName(*key)));
        }
        // The file keeps no blanks around a value; the control would be
        // given the value as the file gives it back.
        const QString value = TrimControl(QStringView(item.text).sliced(eq + 1));
        if (const std::optional<QString> problem = ValueProblem(*key, value))
            return refuse(kRefused, where + *problem);
        out.items.push_back({*key, value});
    }
    return out;
}

QString AssignedReader::ReadOption(const QString &key, const QString &def) const
{
    for (const Assignment &a : m_assigned) {
        if (sameAsciiCase(key, keyName(a.key)))
            return a.value;
    }
    return m_base.ReadOption(key, def);
}

namespace
{

bool isGiven(const std::vector<Assignment> &assigned, Key key)
{
    for (const Assignment &a : assigned) {
        if (a.key == key)
            return true;
    }
    return false;
}

// A formula line set together with its column formats belongs to them: both
// are taken as a file holding them, so the rows are the formats' own.
bool comesWithFormats(const std::vector<Assignment> &assigned, Key key)
{
    if (key == Key::InfoZeile)
        return isGiven(assigned, Key::InfoZeileFormat) || isGiven(assigned, Key::UeberschriftFormat);
    return key == Key::SNRInfoFelder && isGiven(assigned, Key::SNRInfoFelderFormat);
}

// The text the value's control holds once it is put in.
QString controlText(Key key, const QString &value)
{
    switch (keyInfo(key).conversion) {
    case Conversion::Flag:
        return FlagText(IsTrueFlag(value));
    case Conversion::Integer:
        return value.isEmpty() ? value : QString::number(*ParseInt(value));
    case Conversion::Format:
    case Conversion::None:
        break;
    }
    return value;
}

} // namespace

WindowSave SaveAfterStart(const OptionReader &file, const std::vector<Assignment> &assigned)
{
    std::vector<Assignment> stored;
    std::vector<Assignment> typed;
    for (const Assignment &a : assigned) {
        if (keyInfo(a.key).conversion == Conversion::Format || comesWithFormats(assigned, a.key))
            stored.push_back(a);
        else
            typed.push_back({a.key, controlText(a.key, a.value)});
    }
    const AssignedReader start(file, std::move(stored));
    WindowSave out;
    EditorState state;
    state.load(start, EditorState::KeySet::All,
               {[&out](const QString &message) { out.rowMessages.append(message); },
                [&out](Key key) { out.unreadableFormats.push_back(key); }});
    for (const Assignment &a : typed)
        state.setValue(a.key, a.value);
    out.values = state.valuesToSave(start);
    return out;
}
