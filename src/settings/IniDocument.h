#pragma once
#include "TextCodec.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The settings file while one operation runs: sections in file order, each
// with its normalised lines ("name=value", or a line without "=" kept as
// it was). Duplicate sections and keys are kept; lookups find the first.
class IniDocument
{
  public:
    struct Section {
        QString name;
        QStringList lines;
    };

    IniDocument() = default;
    static IniDocument parse(const QString &text, TextEncoding encoding);
    // A file's bytes: decoded by their mark (or Windows-1252), then parsed.
    static IniDocument fromBytes(const QByteArray &bytes);
    // The text encoded as the file was, with its mark and any odd last byte
    // of a UTF-16 file.
    QByteArray toBytes() const;

    // The value of the first line named key in the first section named
    // section (both without regard to case), or nothing.
    std::optional<QString> value(const QString &section, const QString &key) const;
    // Where a line stands: its section's and its own index.
    struct LinePosition {
        size_t section = 0;
        qsizetype line = 0;
    };
    // Replaces the first line of that name in place, or appends the line to
    // the section, which is added at the end when missing.
    LinePosition setValue(const QString &section, const QString &key, const QString &value);
    // Puts that line into the form a reading of the file gives it: name and
    // value trimmed like every other line.
    void normaliseLine(const LinePosition &at);

    // "[name]", its lines, one empty line; every line ends with CR LF.
    QString toText() const;

    TextEncoding encoding() const { return m_encoding; }
    const std::vector<Section> &sections() const { return m_sections; }

  private:
    Section *findSection(const QString &name);
    const Section *findSection(const QString &name) const;
    static qsizetype findLine(const Section &section, const QString &key);

    std::vector<Section> m_sections;
    TextEncoding m_encoding = TextEncoding::None;
    QByteArray m_trailing;
};

// Where the first section named `section` (plain ASCII letters) lies in the
// bytes of a settings file that is already in the form toBytes() writes, in
// Windows-1252 or UTF-8: from its header to the empty line after it, or the
// end of the bytes when there is none. A save that changes only that section
// then keeps every other byte as it is. Nothing when the bytes are in any
// other form (comments, blank lines, spaces around "=", other line breaks,
// UTF-16, section names beyond ASCII before the one sought).
struct SectionSpan {
    qsizetype begin = 0;
    qsizetype end = 0;
    TextEncoding encoding = TextEncoding::Ansi;
};
std::optional<SectionSpan> FindSectionInNormalFile(QByteArrayView bytes, const char *section);

// A line of a section as reading stores it: trimmed, and a line with "="
// as name, "=", value with the name and the value trimmed.
QString NormaliseLine(QStringView line);
// The same for a line of its own, which is kept when it is in that form.
QString NormaliseLine(QString &&line);

// Removes every character up to U+0020 from both ends; other Unicode
// spaces stay.
QString TrimControl(QStringView text);
