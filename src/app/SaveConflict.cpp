#include "SaveConflict.h"

#include "settings/SettingsFile.h"

#include <QCoreApplication>

#include <algorithm>

namespace
{

// Column format documents run to thousands of characters; the list shows
// their beginning.
constexpr int kShownLength = 60;

QString quoted(const QString &value)
{
    const QString shown = value.size() > kShownLength ? value.left(kShownLength - 1) + u'…' : value;
    return u'„' + shown + u'“';
}

QString describe(const DiskChange &c)
{
    QString line = QStringLiteral("• ") + keyName(c.key);
    if (keyIsSecret(c.key))
        line += QCoreApplication::translate("SaveConflict", ": Passwort geändert");
    else
        line += QStringLiteral(": %1 → %2").arg(quoted(c.loaded), quoted(c.now));
    if (c.changedInWindow) {
        line += QCoreApplication::translate("SaveConflict", " – auch im Editor geändert");
        if (!keyIsSecret(c.key))
            line += QCoreApplication::translate("SaveConflict", ", dort ") + quoted(c.window);
    }
    return line;
}

} // namespace

DiskChanges FindDiskChanges(const OptionReader &loaded, const OptionReader &now)
{
    DiskChanges changes;
    for (const KeyInfo &info : kKeys) {
        const QString name = keyName(info.key);
        const QString def = keyDefault(info.key);
        QString before = loaded.ReadOption(name, def);
        QString after = now.ReadOption(name, def);
        if (before != after)
            changes.push_back({info.key, std::move(before), std::move(after), false, QString()});
    }
    return changes;
}

bool SameDiskChanges(const DiskChanges &a, const DiskChanges &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const DiskChange &x, const DiskChange &y) {
        return x.key == y.key && x.now == y.now;
    });
}

QString FileChangedQuestion()
{
    return QCoreApplication::translate("SaveConflict",
                                       "Die Einstellungen in %1 wurden von einem anderen Programm geändert, "
                                       "seit der Editor sie geladen hat.")
        .arg(QString::fromLatin1(SettingsFile::kFileName));
}

QString DescribeDiskChanges(const DiskChanges &changes)
{
    QStringList lines{QCoreApplication::translate("SaveConflict", "Vom anderen Programm geändert:")};
    for (const DiskChange &c : changes)
        lines << describe(c);
    lines << QString()
          << QCoreApplication::translate(
                 "SaveConflict",
                 "Zusammenführen: Die Änderungen im Editor werden gespeichert, alle anderen "
                 "Einstellungen behalten die Werte des anderen Programms. Bei auf beiden Seiten "
                 "geänderten Einstellungen gilt der Wert aus dem Editor.")
          << QCoreApplication::translate(
                 "SaveConflict", "Überschreiben: Alle Einstellungen werden mit den Werten aus dem Editor "
                                 "gespeichert.");
    return lines.join(u'\n');
}
