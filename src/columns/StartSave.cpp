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

const QString *typedText(const TypedValues &typed, Key key)
{
    for (const auto &[k, text] : typed) {
        if (k == key)
            return &text;
    }
    return nullptr;
}

// A formula line typed after the start: its change reaction runs when the
// text differs from the loaded one.
void typeFormulaLines(const OptionReader &file, const TypedValues &typed, Tables &t)
{
    const QString *info = typedText(typed, Key::InfoZeile);
    if (info && *info != readText(file, Key::InfoZeile))
        SyncInfoZeile(*info, t.infoColumns, t.spalten, t.ueberschrift, t.dsSpalten, t.dsUeberschrift, {});
    const QString *snr = typedText(typed, Key::SNRInfoFelder);
    if (snr && *snr != readText(file, Key::SNRInfoFelder))
        SyncSnrInfoFelder(*snr, t.snrInfoColumns, t.snrInfo, t.dsSnrInfo, {});
}

FormatTable &tableOf(Tables &t, Key key)
{
    if (key == Key::InfoZeileFormat)
        return t.spalten;
    return key == Key::UeberschriftFormat ? t.ueberschrift : t.snrInfo;
}

// A stored format the reader refused, with what its table held after the
// load: the save keeps the stored text as long as the table still holds that.
struct Kept {
    Key key;
    QString asLoaded;
};

QString valueOf(const OptionReader &file, Key key, Tables &t, const std::vector<Kept> &kept)
{
    switch (keyInfo(key).conversion) {
    case Conversion::Flag:
        return FlagText(readFlag(file, key));
    case Conversion::Format: {
        const QString document = FormatTableToJson(tableOf(t, key));
        for (const Kept &k : kept) {
            if (k.key == key && k.asLoaded == document)
                return readText(file, key);
        }
        return document;
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

StartSave ValuesAfterStart(const OptionReader &file, const TypedValues &typed)
{
    StartSave out;
    Tables tables;
    loadTables(file, tables, out);
    std::vector<Kept> kept;
    for (Key key : out.unreadableFormats) {
        FormatTable &table = tableOf(tables, key);
        kept.push_back({key, FormatTableToJson(table)});
        table.First(); // where the window leaves it
    }
    typeFormulaLines(file, typed, tables);
    for (const KeyInfo &info : kKeys) {
        const QString *text = typedText(typed, info.key);
        const bool typable = info.conversion != Conversion::Format;
        out.values.emplace_back(info.key, text && typable ? *text : valueOf(file, info.key, tables, kept));
    }
    return out;
}

void WriteSaveValues(OptionWriter &out, const SaveValues &values)
{
    for (const auto &[key, value] : values)
        out.WriteOption(keyName(key), value);
}
