#pragma once
#include "base/NumberText.h"
#include "columns/ColumnList.h"
#include "columns/FormatTable.h"
#include "settings/SettingsKeys.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class OptionReader;
class OptionWriter;

// The editor's values at one moment, as an undo step keeps them: the 20
// texts and each table's rows (an edit in progress posted) and cursor.
// Snapshots taken one after the other share the rows and tables that did not
// change, so a step costs what it changed.
struct EditorSnapshot {
    using Row = std::vector<FieldValue>;
    struct Table {
        std::vector<std::shared_ptr<const Row>> rows;
        int current = -1;
        bool sameRows(const Table &o) const;
    };
    std::array<QString, kKeys.size()> values;
    std::array<std::shared_ptr<const Table>, 3> tables;
    bool operator==(const EditorSnapshot &o) const;
    bool operator!=(const EditorSnapshot &o) const { return !(*this == o); }
    // The same values and rows; the cursors may differ.
    bool sameContent(const EditorSnapshot &o) const;
};

// The values of a save, one per key, in the order the save writes them.
using SaveValues = std::vector<std::pair<Key, QString>>;

// What a control holds but has not written to its table's row yet (a live
// column panel's typing); the preview shows it before it is committed.
class PendingInput
{
  public:
    virtual ~PendingInput() = default;
    // The text held for the field at pos of the row being edited; nothing
    // when no control holds input for it.
    virtual std::optional<QString> heldText(const FormatTable &table, int pos) const = 0;
};

// The editor's values, whatever shows them: the 20 texts of the settings as
// the controls hold them (flags as "ja"/"nein", the transparency as a
// decimal number), the three column format tables with their view links and
// the two formula lists. The window's pages, the display preview, the layout
// load and the command line all read and change the settings here; the load
// sequence and the values a save writes are told here once.
//
// Every change is announced: valueChanged once per value that changed (and
// for every key a load sets), tableChanged for a change of a table's rows,
// columnCountChanged when a formula line's synchronisation counted anew.
class EditorState : public QObject
{
    Q_OBJECT
  public:
    EditorState();
    ~EditorState() override;
    EditorState(const EditorState &) = delete;
    EditorState &operator=(const EditorState &) = delete;

    // ---- values (every key but the three column formats)
    const QString &value(Key key) const;
    bool flag(Key key) const;
    // The number a value stands for, the key's default when it is none.
    int integer(Key key) const;
    // An edit: announced when the text differs; a formula line then keeps
    // its tables in step, as typing it does.
    void setValue(Key key, const QString &text);
    void setFlag(Key key, bool on) { setValue(key, FlagText(on)); }
    // What a control shows before anything was loaded: taken quietly, with
    // no reaction.
    void setDesignedValue(Key key, const QString &text);

    // ---- the column formats
    FormatTable mt_spalten{QStringLiteral("mt_spalten"), FormatTable::SpaltenSchema()};
    FormatTable mt_ueberschrift{QStringLiteral("mt_ueberschrift"), FormatTable::UeberschriftSchema()};
    FormatTable mt_snrInfo{QStringLiteral("mt_snrInfo"), FormatTable::SnrInfoSchema()};
    ViewLink ds_spalten{&mt_spalten};
    ViewLink ds_ueberschrift{&mt_ueberschrift};
    ViewLink ds_snrinfo{&mt_snrInfo};
    ColumnList InfoColumns;
    ColumnList SnrInfoColumns;

    // The table and view link of a format key (InfoZeileFormat,
    // UeberschriftFormat, SNRInfoFelderFormat).
    FormatTable &table(Key formatKey);
    const FormatTable &table(Key formatKey) const;
    ViewLink &link(Key formatKey);
    // "(Anzahl Spalten = N)" of a formula line (InfoZeile, SNRInfoFelder)
    // since its last synchronisation; empty before and after clearColumns.
    const QString &columnCountText(Key formulaKey) const;

    // Row-change reactions of the tables (the panels' font lists follow the
    // row). The detection and heading tables' reactions are detached while
    // the load puts their formats in.
    void setRowReaction(Key formatKey, std::function<void()> reaction);
    const std::function<void()> &rowReaction(Key formatKey) const;
    void setSpaltenReactionsAttached(bool attached);

    // Input held by a control for a table's edited row, for readers that
    // show it before the commit (nullptr: none).
    void setPendingInput(Key formatKey, const PendingInput *input);
    const PendingInput *pendingInput(Key formatKey) const;
    // A control's held input changed (announced as a change of its table).
    void pendingInputChanged(Key formatKey);

    // ---- load
    enum class KeySet { All, Layout };
    struct LoadMessages {
        // "Fehler bei ZeilenFormat ..." for a record whose row was left out.
        std::function<void(const QString &)> rowError;
        // A stored format the reader refused; it is kept (see valuesToSave).
        std::function<void(Key)> unreadableFormat;
    };
    // The load sequence for the keys of `file`: all 23, or the 17 a layout
    // carries, in the sequence's order with its conversions (integers in
    // decimal, flags as "ja"/"nein", the transparency within 0 to 255). The
    // stored formats go into the tables before the formula lines are set,
    // whose synchronisation then sizes the tables and fills the formulas.
    void load(const OptionReader &file, KeySet keys, const LoadMessages &messages = {});
    // Back to what the start meets: empty tables, blank formula lines. A
    // layout load begins with it.
    void clearColumns();
    // The stored formats the last load could not read, in load order.
    std::vector<Key> unreadableFormats() const;

    // ---- save
    // The 23 values a save writes now, in key-table order. A stored format
    // the reader refused stays as stored as long as its table holds what the
    // load left in it; `stored` is the file as the save reads it.
    SaveValues valuesToSave(const OptionReader &stored);
    // The same with each kept format replaced by its table's document: what
    // a layout must hold to be read again.
    SaveValues valuesWithoutKeptFormats(const OptionReader &stored);
    // The writes of a save, one per value, in their order.
    static void WriteValues(OptionWriter &out, const SaveValues &values);
    // The column format document of a table; its cursor stays where it was.
    QString formatDocument(FormatTable &table);

    // ---- undo
    // The state now; what did not change since `previous` is shared with it.
    EditorSnapshot snapshot(const EditorSnapshot *previous = nullptr) const;
    // Brings the values and tables back to a snapshot, each through the
    // same announcements an edit makes: a formula line first (its
    // synchronisation sizes the tables), then the rows and cursors exactly.
    void restore(const EditorSnapshot &snapshot);

  signals:
    void valueChanged(Key key);
    void tableChanged(Key formatKey);
    void columnCountChanged(Key formulaKey);
    // A formula line's synchronisation ran (an edit of it, or the load).
    void synchronised(Key formulaKey);

  private:
    // Watches one table's view link and announces its changes.
    class TableWatch : public FormatTableObserver
    {
      public:
        TableWatch(EditorState &state, Key formatKey) : m_state(state), m_key(formatKey) {}
        void dataChanged() override { announce(); }
        void rowChanged() override { announce(); }
        void stateChanged() override { announce(); }
        void linkChanged(bool) override { announce(); }
        Key key() const { return m_key; }

      private:
        void announce() { emit m_state.tableChanged(m_key); }
        EditorState &m_state;
        Key m_key;
    };

    struct KeptFormat {
        Key key;
        QString stored;   // the text as loaded
        QString asLoaded; // the table's document right after the load
        bool inFile;      // read from the settings file (not a layout): a save reads it there
    };

    void loadKey(const OptionReader &file, Key key, KeySet keys, const LoadMessages &messages);
    void loadFormat(const OptionReader &file, Key key, KeySet keys, const LoadMessages &messages);
    // Sets a value and announces it even when it is unchanged; a formula
    // line synchronises only when it differs.
    void putValue(Key key, const QString &text, bool announceAlways);
    void synchronise(Key formulaKey);
    QString formatValue(Key key, FormatTable &table, const OptionReader &stored);

    std::array<QString, kKeys.size()> m_values;
    QString m_infoCount;
    QString m_snrInfoCount;
    std::array<std::function<void()>, 3> m_rowReactions;
    std::array<const PendingInput *, 3> m_pending{};
    bool m_spaltenAttached = true;
    std::vector<KeptFormat> m_kept;
    TableWatch m_watches[3] = {
        {*this, Key::InfoZeileFormat}, {*this, Key::UeberschriftFormat}, {*this, Key::SNRInfoFelderFormat}};
};
