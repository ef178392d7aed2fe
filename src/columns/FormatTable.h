#pragma once
#include "columns/FormatFields.h"

#include <QString>
#include <QStringList>

#include <cstdint>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// One row store per column layout: a handful of rows in column order, a
// cursor, an edit buffer for the current row and the notifications through
// which the column panels follow it.

// A generic value handed to writeVariant by the stored-format reader.
struct GenericValue {
    enum class Kind { Null, Text, Number, Boolean } kind = Kind::Null;
    QString text;
    double number = 0;
    bool boolean = false;
};

enum class TableState { Inactive, Browse, Edit, Insert };

class FormatTable;

// Observers of a table reached through an active view link (bound panels,
// and the heading table's master link).
class FormatTableObserver
{
  public:
    virtual ~FormatTableObserver() = default;
    virtual void dataChanged() {}                // after cursor moves, resyncs, row count changes
    virtual void rowChanged() {}                 // a field of the current row changed
    virtual void stateChanged() {}               // browse/edit/insert changed
    virtual void commitPendingEdit() {}          // sent first by every commit step
    virtual void writePendingInput() {}          // bound controls copy unsaved input into the edit buffer
    virtual void linkChanged(bool /*active*/) {} // the view link was set to a table or to none
};

// A view link refers to its table or to nothing; observers attach to the
// link, so detaching the link silences them all at once.
class ViewLink
{
  public:
    explicit ViewLink(FormatTable *table = nullptr);
    ~ViewLink();
    ViewLink(const ViewLink &) = delete;
    ViewLink &operator=(const ViewLink &) = delete;

    FormatTable *table() const { return m_table; }
    void setTable(FormatTable *table); // nullptr detaches
    bool isActive() const;             // refers to an open table
    void addObserver(FormatTableObserver *o);
    void removeObserver(FormatTableObserver *o);
    const std::vector<FormatTableObserver *> &observers() const { return m_observers; }

  private:
    friend class FormatTable;
    void notify(void (FormatTableObserver::*event)());

    FormatTable *m_table = nullptr;
    std::vector<FormatTableObserver *> m_observers;
    std::vector<FormatTable *> m_details; // tables that use this link as their master source
};

class FormatTable
{
  public:
    FormatTable(QString name, std::vector<FieldDef> fields);
    ~FormatTable();
    FormatTable(const FormatTable &) = delete;
    FormatTable &operator=(const FormatTable &) = delete;

    // The three schemas, fields in their fixed order (see FormatFields).
    static std::vector<FieldDef> SpaltenSchema() { return Schema(FormatKind::Spalten); }
    static std::vector<FieldDef> UeberschriftSchema() { return Schema(FormatKind::Ueberschrift); }
    static std::vector<FieldDef> SnrInfoSchema() { return Schema(FormatKind::SnrInfo); }
    static std::vector<FieldDef> Schema(FormatKind kind) { return FormatFields::of(kind).defs(); }

    const QString &name() const { return m_name; }

    // Cursor and row operations. Failures throw Failure with
    // "<table name>: <message>".
    void Open();
    void First();
    void Next();
    void Last();
    bool Eof() const;
    bool Bof() const;
    void Close();            // never used by the window; makes the table inactive
    int RecNo() const;       // 1-based; -1 when empty or in insert state
    int RecordCount() const; // posted rows
    void Append();
    void InsertRecord(const QStringList &values);
    bool CopyRecord(int source, int destination);
    void Delete();
    void Edit();
    void Post();
    void Cancel();
    void Refresh();
    void EmptyTable();
    // Edit, the writes of `write` (the field setters) and Post of the
    // current row in one: the same row results, but observers hear only
    // rowChanged, as for a field typed, since no other row and not the
    // cursor can change. A write that throws leaves the row as it was.
    void EditCurrent(const std::function<void()> &write);
    TableState State() const;
    bool isModified() const; // the edit buffer's modified flag

    // Field access on the current row (the edit buffer while editing).
    int fieldCount() const;
    const FieldDef &field(int pos) const;
    int fieldIndex(const QString &name) const; // -1 when there is none
    int fieldIndex(Field meaning) const;       // -1 when there is none
    bool isNull(int pos) const;
    QString asText(int pos) const;    // unset reads as ""
    int32_t asInteger(int pos) const; // unset reads as 0
    bool asFlag(int pos) const;       // unset reads as false
    FieldValue value(int pos) const;
    void setText(int pos, const QString &text);
    void setInteger(int pos, int32_t value);
    void setFlag(int pos, bool value);
    void setNull(int pos);
    void setGeneric(int pos, const GenericValue &value);

    // Row-change reaction of the panels; an empty function disables it.
    void setAfterScroll(std::function<void()> handler);
    bool hasAfterScroll() const;

    // The heading table follows the detection table's view link.
    void setMasterSource(ViewLink *master);

    // Rows as stored, for tests and the writer.
    const std::vector<std::vector<FieldValue>> &rows() const;
    // The rows as an edit left them, the current row's edit buffer posted
    // (a row in insert state at its place), and the cursor (0-based, -1 for
    // none): what an undo step keeps.
    std::vector<std::vector<FieldValue>> effectiveRows() const;
    int currentIndex() const;
    // Puts rows and cursor back as effectiveRows/currentIndex gave them,
    // dropping an edit in progress. Observers hear one dataChanged; the
    // row-change reaction runs when the current row is another one or
    // holds other values. Nothing is announced when nothing differs.
    void RestoreRows(std::vector<std::vector<FieldValue>> rows, int current);

  private:
    friend class ViewLink;
    void attachLink(ViewLink *link);
    void detachLink(ViewLink *link);
    void masterLinkGone();
    friend class MasterFollower;

    [[noreturn]] void fail(const QString &message) const;
    void notify(void (FormatTableObserver::*event)());
    void fireAfterScroll();
    void setState(TableState state);
    bool editing() const;
    void checkOpen() const;
    void commitStep(); // commit of a pending edit, run first by the cursor moves
    void placeCursor(int index);
    const FieldValue &current(int pos) const;
    FieldValue &writable(int pos);
    void fieldWritten();
    static void assignText(FieldValue &target, const FieldDef &def, const QString &text);

    QString m_name;
    std::vector<FieldDef> m_fields;
    // Storage and state are the implementation's.
    struct Impl;
    std::unique_ptr<Impl> d;
};
