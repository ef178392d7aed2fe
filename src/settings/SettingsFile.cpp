#include "SettingsFile.h"

#include "base/Failure.h"
#include "base/FileSystem.h"
#include "base/FileWriter.h"
#include "base/NumberText.h"

#include <QDir>

#include <algorithm>

namespace
{

QString readOption(const IniDocument &document, const QString &key, const QString &def)
{
    return document.value(QString::fromLatin1(SettingsFile::kSection), key).value_or(def);
}

bool hasLineBreakOrNul(const QString &text)
{
    for (QChar c : text) {
        if (c == u'\r' || c == u'\n' || c.unicode() == 0)
            return true;
    }
    return false;
}

using Pieces = FileWriter::Pieces;

// The bytes a save writes over `old`. A file already in the form a save
// writes keeps every byte outside its first section "Optionen": only that
// section is read, changed and written anew, so a save costs little more
// than writing the file. Any other file is read whole and written as the
// document it gives.
Pieces planSave(QByteArrayView old, const SaveWrites &writes, QByteArray &built)
{
    if (const auto span = FindSectionInNormalFile(old, SettingsFile::kSection)) {
        const QByteArrayView section = old.sliced(span->begin, span->end - span->begin);
        if (span->encoding == TextEncoding::Utf8) {
            built = ApplyWrites(IniDocument::fromBytes("\xEF\xBB\xBF" + section.toByteArray()), writes);
            built.remove(0, 3); // the mark stays where it is, at the start of the file
        } else {
            built = ApplyWrites(IniDocument::fromBytes(section.toByteArray()), writes);
        }
        return {old.first(span->begin), built, old.sliced(span->end)};
    }
    built = ApplyWrites(IniDocument::fromBytes(QByteArray::fromRawData(old.data(), old.size())), writes);
    return {built};
}

} // namespace

bool OptionReader::ReadOptionFlag(const QString &key, const QString &def) const
{
    return IsTrueFlag(ReadOption(key, def));
}

void OptionWriter::WriteOptionFlag(const QString &key, bool flag)
{
    WriteOption(key, FlagText(flag));
}

QString SettingsSnapshot::ReadOption(const QString &key, const QString &def) const
{
    return readOption(m_document, key, def);
}

void SettingsEdit::WriteOption(const QString &key, const QString &value)
{
    if (hasLineBreakOrNul(value))
        throw Failure(QStringLiteral("Der Wert für %1 enthält einen Zeilenumbruch oder ein NUL-Zeichen und "
                                     "wird deshalb nicht gespeichert. Bitte den Wert im Feld korrigieren")
                          .arg(key));
    // Reading the file back trims the value written before this one.
    if (m_lastWritten)
        m_document.normaliseLine(*m_lastWritten);
    m_lastWritten = m_document.setValue(QString::fromLatin1(SettingsFile::kSection), key, value);
}

QString SettingsEdit::ReadOption(const QString &key, const QString &def) const
{
    return readOption(m_document, key, def);
}

bool ReplacedCharacters::covers(const ReplacedCharacters &other) const
{
    return std::all_of(other.characters.begin(), other.characters.end(),
                       [this](char32_t c) { return characters.contains(c); }) &&
           std::all_of(other.passwordKeys.begin(), other.passwordKeys.end(), [this](const QString &key) {
               return passwordKeys.contains(key, Qt::CaseInsensitive);
           });
}

ReplacedCharacters CharactersASaveReplaces(const IniDocument &document)
{
    ReplacedCharacters out;
    const TextEncoding encoding = document.encoding();
    for (const IniDocument::Section &section : document.sections()) {
        CollectUnencodable(section.name, encoding, out.characters);
        for (const QString &line : section.lines) {
            const qsizetype eq = line.indexOf(u'=');
            const QStringView name = eq < 0 ? QStringView() : QStringView(line).first(eq).trimmed();
            if (!name.contains(u"Passwort", Qt::CaseInsensitive)) {
                CollectUnencodable(line, encoding, out.characters);
                continue;
            }
            CollectUnencodable(name, encoding, out.characters);
            if (!UnencodableCharacters(QStringView(line).sliced(eq + 1), encoding).isEmpty() &&
                !out.passwordKeys.contains(name.toString(), Qt::CaseInsensitive))
                out.passwordKeys.append(name.toString());
        }
    }
    return out;
}

QString NameReplacedCharacters(const ReplacedCharacters &replaced)
{
    QStringList parts;
    if (!replaced.characters.isEmpty())
        parts.append(NameCharacters(replaced.characters));
    if (!replaced.passwordKeys.isEmpty())
        parts.append(QStringLiteral("Zeichen in %1").arg(replaced.passwordKeys.join(QStringLiteral(", "))));
    return parts.join(QStringLiteral(" und "));
}

QByteArray ApplyWrites(IniDocument document, const SaveWrites &writes)
{
    SettingsEdit edit(document);
    writes(edit);
    return document.toBytes();
}

QByteArray ApplyWritesToFile(QByteArrayView file, const SaveWrites &writes)
{
    QByteArray built;
    QByteArray out;
    for (QByteArrayView piece : planSave(file, writes, built))
        out += piece;
    return out;
}

SettingsFile::SettingsFile(QString path) : m_path(std::move(path)) {}

SettingsFile SettingsFile::beside(const QString &directory)
{
    return SettingsFile(QDir(directory).absoluteFilePath(QString::fromLatin1(kFileName)));
}

QString SettingsFile::TempPrefix(const QString &fileName)
{
    return FileWriter::TempPrefix(fileName);
}

FileWriter SettingsFile::writer() const
{
    FileWriter writer(m_path);
    writer.setLockWait(m_lockWaitMs);
    writer.setUnnamedTempFiles(m_unnamedTemp);
    writer.setRewriteInPlace(m_inPlace);
    writer.setSizeLimit(kMaxFileBytes);
    return writer;
}

SettingsSnapshot SettingsFile::Load() const
{
    IniDocument document;
    const bool found = writer().Read([&document](QByteArrayView bytes) {
        document = IniDocument::fromBytes(QByteArray::fromRawData(bytes.data(), bytes.size()));
    });
    return SettingsSnapshot(std::move(document), found);
}

namespace
{

// The file's new content, built by `writes` on what it holds (the save plan),
// for a save or its dry run alike.
FileWriter::Build buildSave(const SaveWrites &writes, QByteArray &built)
{
    return [&writes, &built](std::optional<QByteArrayView> old) -> Pieces {
        files::Wipe(built.data(), size_t(built.size()));
        if (old)
            return planSave(*old, writes, built);
        built = ApplyWrites(IniDocument(), writes);
        return {built};
    };
}

} // namespace

bool SettingsFile::Update(const SaveWrites &writes)
{
    // The new section (or file) holds the passwords too: it is overwritten
    // before its memory goes back.
    QByteArray built;
    const files::WipeOnExit wiper(built);
    return writer().Update(buildSave(writes, built));
}

bool SettingsFile::Preview(const SaveWrites &writes) const
{
    QByteArray built;
    const files::WipeOnExit wiper(built);
    return writer().WouldChange(buildSave(writes, built));
}

QString SettingsFile::ReadOption(const QString &key, const QString &def) const
{
    return Load().ReadOption(key, def);
}

void SettingsFile::WriteOption(const QString &key, const QString &value)
{
    Update([&](SettingsEdit &edit) { edit.WriteOption(key, value); });
}
