#pragma once
#include <QString>

class IniDocument;

// The settings file DAZovozoved.ini shared with the display program. Nothing
// is cached: every read loads the whole file, every write loads it, changes
// one value and replaces the file, so changes another program makes between
// two operations survive. Failures throw Failure with the operator's message.
class SettingsFile
{
public:
    static constexpr const char *kFileName = "DAZovozoved.ini";
    static constexpr const char *kSection = "Optionen";

    explicit SettingsFile(QString path);
    // The settings file in the given directory (the executable's).
    static SettingsFile beside(const QString &directory);

    const QString &path() const { return m_path; }

    QString ReadOption(const QString &key, const QString &def) const;
    bool ReadOptionFlag(const QString &key, const QString &def) const;
    void WriteOption(const QString &key, const QString &value);
    void WriteOptionFlag(const QString &key, bool flag);

private:
    QString m_path;
};
