#include "SettingsKeys.h"

#include "SettingsFile.h"
#include "base/NumberText.h"

static_assert(kKeys.size() == 23);

QString readText(const OptionReader &file, Key key)
{
    const QString text = file.ReadOption(keyName(key), keyDefault(key));
    if (keyInfo(key).conversion == Conversion::Integer)
        return QString::number(ParseIntOrDefault(text, keyDefault(key).toInt()));
    return text;
}

bool readFlag(const OptionReader &file, Key key)
{
    return file.ReadOptionFlag(keyName(key), keyDefault(key));
}

int readInteger(const OptionReader &file, Key key)
{
    return ParseIntOrDefault(file.ReadOption(keyName(key), keyDefault(key)), keyDefault(key).toInt());
}
