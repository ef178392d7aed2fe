#include "editor/EditorState.h"

#include "base/NumberText.h"
#include "columns/ColumnSync.h"
#include "columns/FormatTableReader.h"
#include "columns/FormatTableWriter.h"
#include "settings/SettingsFile.h"

#include <QScopeGuard>

#include <algorithm>

namespace
{

// The load sequence: the connection, then the look. The stored formats of
// the detection line and the heading row come before their formula line,
// the start-number info's before its own.
constexpr std::array<Key, 23> kLoadOrder = {
    Key::ZQHost,
    Key::ZQHostOLS,
    Key::ZQKundennummer,
    Key::ZQKDPasswort,
    Key::ZQVAPasswort,
    Key::ZQVANummer,
    Key::VollBild,
    Key::AnzahlZeilen,
    Key::TimeoutleereZeile,
    Key::HintergrundFarbe,
    Key::TimeoutLogo,
    Key::TransparenzLogo,
    Key::ZweiteZeileFarbe,
    Key::InfoZeileFormat,
    Key::UeberschriftFormat,
    Key::InfoZeile,
    Key::mitUeberschrift,
    Key::mitStartNrInfo,
    Key::SNRInfoFelderFormat,
    Key::SNRInfoFelder,
    Key::StartNrInFeld,
    Key::erstesEF,
    Key::letztesEF,
};

constexpr bool LoadsEveryKeyOnce()
{
    for (const KeyInfo &info : kKeys) {
        int seen = 0;
        for (Key key : kLoadOrder)
            seen += key == info.key ? 1 : 0;
        if (seen != 1)
            return false;
    }
    return true;
}
static_assert(LoadsEveryKeyOnce(), "the load sequence sets every key once");

// Tables in the order detection line, heading row, start-number info.
size_t formatIndex(Key formatKey)
{
    return size_t(FormatKindOf(formatKey));
}

bool isFormulaLine(Key key)
{
    return key == Key::InfoZeile || key == Key::SNRInfoFelder;
}

} // namespace

EditorState::EditorState()
{
    // The tables are open for the state's whole life; the heading table
    // follows the detection table's view link.
    mt_spalten.Open();
    mt_ueberschrift.Open();
    mt_snrInfo.Open();
    mt_ueberschrift.setMasterSource(&ds_spalten);
    for (TableWatch &watch : m_watches)
        link(watch.key()).addObserver(&watch);
}

EditorState::~EditorState()
{
    for (TableWatch &watch : m_watches)
        link(watch.key()).removeObserver(&watch);
    mt_spalten.setAfterScroll({});
    mt_ueberschrift.setAfterScroll({});
    mt_snrInfo.setAfterScroll({});
    mt_ueberschrift.setMasterSource(nullptr);
}

const QString &EditorState::value(Key key) const
{
    return m_values[size_t(key)];
}

bool EditorState::flag(Key key) const
{
    return IsTrueFlag(value(key));
}

int EditorState::integer(Key key) const
{
    return ParseIntOrDefault(value(key), ParseIntOrDefault(keyDefault(key), 0));
}

void EditorState::setValue(Key key, const QString &text)
{
    putValue(key, text, false);
}

bool EditorSnapshot::Table::sameRows(const Table &o) const
{
    if (rows.size() != o.rows.size())
        return false;
    for (size_t r = 0; r < rows.size(); ++r)
        if (rows[r] != o.rows[r] && *rows[r] != *o.rows[r])
            return false;
    return true;
}

bool EditorSnapshot::operator==(const EditorSnapshot &o) const
{
    if (!sameContent(o))
        return false;
    for (size_t t = 0; t < tables.size(); ++t)
        if (tables[t]->current != o.tables[t]->current)
            return false;
    return true;
}

bool EditorSnapshot::sameContent(const EditorSnapshot &o) const
{
    if (values != o.values)
        return false;
    for (size_t t = 0; t < tables.size(); ++t)
        if (tables[t] != o.tables[t] && !tables[t]->sameRows(*o.tables[t]))
            return false;
    return true;
}

EditorSnapshot EditorState::snapshot(const EditorSnapshot *previous) const
{
    EditorSnapshot s;
    s.values = m_values;
    for (Key key : kFormatKeys) {
        const size_t index = formatIndex(key);
        const FormatTable &t = table(key);
        const EditorSnapshot::Table *before = previous ? previous->tables[index].get() : nullptr;
        auto now = std::make_shared<EditorSnapshot::Table>();
        now->current = t.currentIndex();
        std::vector<EditorSnapshot::Row> rows = t.effectiveRows();
        now->rows.reserve(rows.size());
        bool same = before && before->current == now->current && before->rows.size() == rows.size();
        for (size_t r = 0; r < rows.size(); ++r) {
            if (before && r < before->rows.size() && *before->rows[r] == rows[r]) {
                now->rows.push_back(before->rows[r]);
            } else {
                now->rows.push_back(std::make_shared<const EditorSnapshot::Row>(std::move(rows[r])));
                same = false;
            }
        }
        if (same)
            s.tables[index] = previous->tables[index];
        else
            s.tables[index] = std::move(now);
    }
    return s;
}

void EditorState::restore(const EditorSnapshot &snapshot)
{
    // Formula lines first: their synchronisation walks the tables, whose
    // rows are then put back as they were.
    for (Key key : {Key::InfoZeile, Key::SNRInfoFelder})
        setValue(key, snapshot.values[size_t(key)]);
    for (const KeyInfo &info : kKeys)
        if (!isFormulaLine(info.key) && info.conversion != Conversion::Format)
            setValue(info.key, snapshot.values[size_t(info.key)]);
    for (Key key : kFormatKeys) {
        const EditorSnapshot::Table &t = *snapshot.tables[formatIndex(key)];
        std::vector<EditorSnapshot::Row> rows;
        rows.reserve(t.rows.size());
        for (const auto &row : t.rows)
            rows.push_back(*row);
        table(key).RestoreRows(std::move(rows), t.current);
    }
}

void EditorState::setDesignedValue(Key key, const QString &text)
{
    m_values[size_t(key)] = text;
}

void EditorState::putValue(Key key, const QString &text, bool announceAlways)
{
    QString &held = m_values[size_t(key)];
    const bool differs = held != text;
    if (differs)
        held = text;
    if (differs && isFormulaLine(key))
        synchronise(key);
    if (differs || announceAlways)
        emit valueChanged(key);
}

void EditorState::synchronise(Key formulaKey)
{
    if (formulaKey == Key::InfoZeile) {
        SyncInfoZeile(value(Key::InfoZeile), InfoColumns, mt_spalten, mt_ueberschrift, ds_spalten,
                      ds_ueberschrift, [this](const QString &text) {
                          m_infoCount = text;
                          emit columnCountChanged(Key::InfoZeile);
                      });
    } else {
        SyncSnrInfoFelder(value(Key::SNRInfoFelder), SnrInfoColumns, mt_snrInfo, ds_snrinfo,
                          [this](const QString &text) {
                              m_snrInfoCount = text;
                              emit columnCountChanged(Key::SNRInfoFelder);
                          });
    }
    emit synchronised(formulaKey);
}

FormatTable &EditorState::table(Key formatKey)
{
    return const_cast<FormatTable &>(std::as_const(*this).table(formatKey));
}

const FormatTable &EditorState::table(Key formatKey) const
{
    const FormatTable *tables[] = {&mt_spalten, &mt_ueberschrift, &mt_snrInfo};
    return *tables[formatIndex(formatKey)];
}

ViewLink &EditorState::link(Key formatKey)
{
    ViewLink *links[] = {&ds_spalten, &ds_ueberschrift, &ds_snrinfo};
    return *links[formatIndex(formatKey)];
}

const QString &EditorState::columnCountText(Key formulaKey) const
{
    return formulaKey == Key::InfoZeile ? m_infoCount : m_snrInfoCount;
}

void EditorState::setRowReaction(Key formatKey, std::function<void()> reaction)
{
    m_rowReactions[formatIndex(formatKey)] = std::move(reaction);
    if (formatKey == Key::SNRInfoFelderFormat || m_spaltenAttached)
        table(formatKey).setAfterScroll(m_rowReactions[formatIndex(formatKey)]);
}

const std::function<void()> &EditorState::rowReaction(Key formatKey) const
{
    return m_rowReactions[formatIndex(formatKey)];
}

void EditorState::setSpaltenReactionsAttached(bool attached)
{
    m_spaltenAttached = attached;
    for (Key key : {Key::InfoZeileFormat, Key::UeberschriftFormat})
        table(key).setAfterScroll(attached ? rowReaction(key) : std::function<void()>());
}

void EditorState::setPendingInput(Key formatKey, const PendingInput *input)
{
    m_pending[formatIndex(formatKey)] = input;
}

const PendingInput *EditorState::pendingInput(Key formatKey) const
{
    return m_pending[formatIndex(formatKey)];
}

void EditorState::pendingInputChanged(Key formatKey)
{
    emit tableChanged(formatKey);
}

void EditorState::load(const OptionReader &file, KeySet keys, const LoadMessages &messages)
{
    m_kept.clear();
    mt_spalten.Open();
    mt_ueberschrift.Open();
    mt_snrInfo.Open();
    for (Key key : kLoadOrder) {
        if (keys == KeySet::Layout && !IsLayoutKey(key))
            continue;
        loadKey(file, key, keys, messages);
    }
    mt_spalten.First();
    mt_ueberschrift.First();
    mt_snrInfo.First();
    for (KeptFormat &kept : m_kept)
        kept.asLoaded = formatDocument(table(kept.key));
}

void EditorState::loadKey(const OptionReader &file, Key key, KeySet keys, const LoadMessages &messages)
{
    switch (keyInfo(key).conversion) {
    case Conversion::Format:
        // The detection line's and the heading row's formats go in with the
        // panels' row reactions detached, until their formula line is set.
        if (key == Key::InfoZeileFormat)
            setSpaltenReactionsAttached(false);
        loadFormat(file, key, keys, messages);
        return;
    case Conversion::Flag:
        putValue(key, FlagText(readFlag(file, key)), true);
        return;
    case Conversion::Integer:
        // The track bar holds 0 to 255 and takes the nearer end for the rest.
        if (key == Key::TransparenzLogo) {
            putValue(key, QString::number(std::clamp(readInteger(file, key), 0, 255)), true);
            return;
        }
        break;
    case Conversion::None:
        break;
    }
    // The detection line's formula line ends the detached stretch.
    const auto reattach = qScopeGuard([this, key] {
        if (key == Key::InfoZeile)
            setSpaltenReactionsAttached(true);
    });
    putValue(key, readText(file, key), true);
}

void EditorState::loadFormat(const OptionReader &file, Key key, KeySet keys, const LoadMessages &messages)
{
    const QString stored = readText(file, key);
    const RowErrorReporter report = [&messages](const QString &message) {
        if (messages.rowError)
            messages.rowError(message);
    };
    if (LoadFormatTable(stored, table(key), report) || stored.isEmpty())
        return;
    m_kept.push_back({key, stored, QString(), keys == KeySet::All});
    if (messages.unreadableFormat)
        messages.unreadableFormat(key);
}

void EditorState::clearColumns()
{
    // The start meets empty tables and blank formula lines; a layout must
    // too: an empty stored format leaves a table as it is, and a formula
    // line equal to the one held would run no synchronisation.
    for (FormatTable *t : {&mt_spalten, &mt_ueberschrift, &mt_snrInfo}) {
        if (t->State() != TableState::Browse)
            t->Cancel(); // edits of a layout that is being replaced
    }
    setSpaltenReactionsAttached(false);
    const auto reattach = qScopeGuard([this] { setSpaltenReactionsAttached(true); });
    m_values[size_t(Key::InfoZeile)].clear();
    m_values[size_t(Key::SNRInfoFelder)].clear();
    m_infoCount.clear();
    m_snrInfoCount.clear();
    InfoColumns.clear();
    SnrInfoColumns.clear();
    mt_spalten.EmptyTable();
    mt_ueberschrift.EmptyTable();
    mt_snrInfo.EmptyTable();
    for (Key key : {Key::InfoZeile, Key::SNRInfoFelder}) {
        emit valueChanged(key);
        emit columnCountChanged(key);
    }
}

std::vector<Key> EditorState::unreadableFormats() const
{
    std::vector<Key> keys;
    for (const KeptFormat &kept : m_kept)
        keys.push_back(kept.key);
    return keys;
}

QString EditorState::formatDocument(FormatTable &t)
{
    // Walking a table must not move the panels' font lists.
    const int row = t.RecNo();
    const bool attached = m_spaltenAttached;
    setSpaltenReactionsAttached(false);
    const auto reattach = qScopeGuard([this, attached] { setSpaltenReactionsAttached(attached); });
    const QString text = FormatTableToJson(t);
    t.First();
    for (int r = 1; r < row && !t.Eof(); ++r)
        t.Next();
    return text;
}

QString EditorState::formatValue(Key key, FormatTable &t, const OptionReader &stored)
{
    const QString document = formatDocument(t);
    for (const KeptFormat &kept : m_kept) {
        // A stored format that could not be read stays as the file has it,
        // unless the operator changed that layout.
        if (kept.key == key && document == kept.asLoaded)
            return kept.inFile ? stored.ReadOption(keyName(key), kept.stored) : kept.stored;
    }
    return document;
}

SaveValues EditorState::valuesToSave(const OptionReader &stored)
{
    SaveValues values;
    values.reserve(kKeys.size());
    for (const KeyInfo &info : kKeys) {
        if (info.conversion == Conversion::Format)
            values.emplace_back(info.key, formatValue(info.key, table(info.key), stored));
        else
            values.emplace_back(info.key, value(info.key));
    }
    return values;
}

SaveValues EditorState::valuesWithoutKeptFormats(const OptionReader &stored)
{
    SaveValues values = valuesToSave(stored);
    for (const KeptFormat &kept : m_kept) {
        for (auto &[key, text] : values) {
            if (key == kept.key)
                text = formatDocument(table(kept.key));
        }
    }
    return values;
}

void EditorState::WriteValues(OptionWriter &out, const SaveValues &values)
{
    for (const auto &[key, text] : values)
        out.WriteOption(keyName(key), text);
}
