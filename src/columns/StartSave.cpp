#include "columns/StartSave.h"

#include "base/NumberText.h"
#include "columns/ColumnSync.h"
#include "columns/FormatTableReader.h"
#include "columns/FormatTableWriter.h"
#include "settings/SettingsFile.h"

#include <algorithm>

namespace
{

// The window's three tables, their view links and column lists, wired as the
// window wires them, without the panels (which never change a row by just
// following it).
struct Tables {
    Tables()
    {
        spalten.Open();
        ueberschrift.Open();
        snrInfo.Open();
        ueberschrift.setMasterSource(&dsSpalten);
    }
    ~Tables() { ueberschrift.setMasterSource(nullptr); }
    Tables(const Tables &) = delete;
    Tables &operator=(const Tables &) = delete;

    FormatTable spalten{QStringLiteral("mt_spalten"), FormatTable::SpaltenSchema()};
    FormatTable ueberschrift{QStringLiteral("mt_ueberschrift"), FormatTable::UeberschriftSchema()};
    FormatTable snrInfo{QStringLiteral("mt_snrInfo"), FormatTable::SnrInfoSchema()};
    ViewLink dsSpalten{&spalten};
    ViewLink dsUeberschrift{&ueberschrift};
    ViewLink dsSnrInfo{&snrInfo};
    ColumnList infoColumns;
    ColumnList snrInfoColumns;
};

// The format steps of the load sequence, in its order.
void loadTables(const OptionReader &file, Tables &t, StartSave &out)
{
    const RowErrorReporter report = [&out](const QString &message) { out.rowMessages.append(message); };
    const auto loadFormat = [&](Key key, FormatTable &table) {
        const QString stored = readText(file, key);
        if (!LoadFormatTable(stored, table, report) && !stored.isEmpty())
            out.unreadableFormats.push_back(key);
    };
    loadFormat(Key::InfoZeileFormat, t.spalten);
    loadFormat(Key::UeberschriftFormat, t.ueberschrift);
    // The formula field starts empty, so any other text is a change and runs
    // the synchronisation, as in the window.
    SyncInfoZeile(readText(file, Key::InfoZeile), t.infoColumns, t.spalten, t.ueberschrift, t.dsSpalten,
                  t.dsUeberschrift, {});
    loadFormat(Key::SNRInfoFelderFormat, t.snrInfo);
    SyncSnrInfoFelder(readText(file, Key::SNRInfoFelder), t.snrInfoColumns, t.snrInfo, t.dsSnrInfo, {});
    t.spalten.First();
    t.ueberschrift.First();
    t.snrInfo.First();
}

FormatTable &tableOf(Tables &t, Key key)
{
    if (key == Key::InfoZeileFormat)
        return t.spalten;
    return key == Key::UeberschriftFormat ? t.ueberschrift : t.snrInfo;
}

QString valueOf(const OptionReader &file, Key key, Tables &t, const StartSave &out)
{
    switch (keyInfo(key).conversion) {
    case Conversion::Flag:
        return FlagText(readFlag(file, key));
    case Conversion::Format: {
        const auto &kept = out.unreadableFormats;
        if (std::find(kept.begin(), kept.end(), key) != kept.end())
            return readText(file, key);
        return FormatTableToJson(tableOf(t, key));
    }
    case Conversion::Integer:
        // The track bar holds 0 to 255 and takes the nearer end for the rest.
        if (key == Key::TransparenzLogo)
            return QString::number(std::clamp(readInteger(file, key), 0, 255));
        return readText(file, key);
    case Conversion::None:
        break;
    }
    return readText(file, key);
}

} // namespace

StartSave ValuesAfterStart(const OptionReader &file)
{
    StartSave out;
    Tables tables;
    loadTables(file, tables, out);
    for (const KeyInfo &info : kKeys)
        out.values.emplace_back(info.key, valueOf(file, info.key, tables, out));
    return out;
}

void WriteSaveValues(OptionWriter &out, const SaveValues &values)
{
    for (const auto &[key, value] : values)
        out.WriteOption(keyName(key), value);
}
