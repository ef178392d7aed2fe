#include "columns/FormatTable.h"

#include "base/Failure.h"
#include "base/NumberText.h"

#include <QLocale>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>

namespace
{

const QString kNotEditing = QStringLiteral("Datenmenge weder im Editier- noch im Einfügemodus");
const QString kEmpty = QStringLiteral("Operation bei leerer Datenmenge nicht ausführbar");
const QString kClosed = QStringLiteral("Operation bei geschlossener Datenmenge nicht ausführbar");

// Optional sign and decimal digits, nothing else.
bool isWholeDecimal(const QString &text)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i)
        if (text[i] < u'0' || text[i] > u'9')
            return false;
    return true;
}

bool hasNonZeroDigit(const QString &text)
{
    for (QChar c : text)
        if (c >= u'1' && c <= u'9')
            return true;
    return false;
}

QString numberText(double number)
{
    return QString::number(number, 'g', QLocale::FloatingPointShortest);
}

// Nearest whole number, halves to the even neighbour; nothing outside 32 bits.
std::optional<int32_t> roundToInt32(double number)
{
    if (!std::isfinite(number))
        return std::nullopt;
    double r = std::round(number); // halves away from zero
    if (std::fabs(number - std::trunc(number)) == 0.5 && std::fmod(r, 2.0) != 0.0)
        r -= std::copysign(1.0, number);
    if (r < -2147483648.0 || r > 2147483647.0)
        return std::nullopt;
    return int32_t(r);
}

FieldValue unsetValue()
{
    return FieldValue();
}

} // namespace

// ---------------------------------------------------------------- ViewLink

ViewLink::ViewLink(FormatTable *table)
{
    setTable(table);
}

ViewLink::~ViewLink()
{
    for (FormatTable *detail : std::vector<FormatTable *>(m_details))
        detail->masterLinkGone();
    if (m_table)
        m_table->detachLink(this);
}

void ViewLink::setTable(FormatTable *table)
{
    if (table == m_table)
        return;
    const bool wasActive = isActive();
    if (m_table)
        m_table->detachLink(this);
    m_table = table;
    if (m_table)
        m_table->attachLink(this);
    const bool active = isActive();
    if (active != wasActive)
        for (FormatTableObserver *o : std::vector<FormatTableObserver *>(m_observers))
            o->linkChanged(active);
}

bool ViewLink::isActive() const
{
    return m_table && m_table->State() != TableState::Inactive;
}

void ViewLink::addObserver(FormatTableObserver *o)
{
    if (o && std::find(m_observers.begin(), m_observers.end(), o) == m_observers.end())
        m_observers.push_back(o);
}

void ViewLink::removeObserver(FormatTableObserver *o)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), o), m_observers.end());
}

void ViewLink::notify(void (FormatTableObserver::*event)())
{
    // An observer may detach itself or others while being told.
    for (FormatTableObserver *o : std::vector<FormatTableObserver *>(m_observers))
        (o->*event)();
}

// ---------------------------------------------------------------- FormatTable

// The heading table watches the detection table's view link: commits there
// commit the heading row first, and the link going on or off rewinds it.
class MasterFollower : public FormatTableObserver
{
  public:
    explicit MasterFollower(FormatTable &detail) : m_detail(detail) {}
    void commitPendingEdit() override;
    void linkChanged(bool) override { m_detail.First(); }

  private:
    FormatTable &m_detail;
};

struct FormatTable::Impl {
    TableState state = TableState::Browse;
    std::vector<std::vector<FieldValue>> rows;
    int cur = -1; // index of the current row, -1 for none
    bool bof = true;
    bool eof = true;
    std::vector<FieldValue> buffer;
    bool modified = false;
    int insertAt = 0; // where a new row in insert state goes when posted
    std::function<void()> afterScroll;
    std::vector<ViewLink *> links;
    ViewLink *master = nullptr;
    std::unique_ptr<MasterFollower> follower;
};

void MasterFollower::commitPendingEdit()
{
    m_detail.commitStep();
}

FormatTable::FormatTable(QString name, std::vector<FieldDef> fields)
    : m_name(std::move(name)), m_fields(std::move(fields)), d(std::make_unique<Impl>())
{
}

FormatTable::~FormatTable()
{
    setMasterSource(nullptr);
    for (ViewLink *link : std::vector<ViewLink *>(d->links))
        link->m_table = nullptr;
}

// ---------------------------------------------------------------- notifications

void FormatTable::fail(const QString &message) const
{
    throw Failure(QStringLiteral("%1: %2").arg(m_name, message));
}

void FormatTable::notify(void (FormatTableObserver::*event)())
{
    for (ViewLink *link : std::vector<ViewLink *>(d->links))
        if (link->isActive())
            link->notify(event);
}

void FormatTable::fireAfterScroll()
{
    if (d->afterScroll) {
        const std::function<void()> handler = d->afterScroll;
        handler();
    }
}

void FormatTable::setState(TableState state)
{
    if (d->state == state)
        return;
    d->state = state;
    notify(&FormatTableObserver::stateChanged);
}

bool FormatTable::editing() const
{
    return d->state == TableState::Edit || d->state == TableState::Insert;
}

void FormatTable::checkOpen() const
{
    if (d->state == TableState::Inactive)
        fail(kClosed);
}

void FormatTable::commitStep()
{
    notify(&FormatTableObserver::commitPendingEdit);
    if (editing()) {
        notify(&FormatTableObserver::writePendingInput);
        if (d->modified)
            Post();
        else
            Cancel();
    }
}

void FormatTable::placeCursor(int index)
{
    const int n = int(d->rows.size());
    if (n == 0) {
        d->cur = -1;
        d->bof = d->eof = true;
        return;
    }
    d->cur = std::clamp(index, 0, n - 1);
    d->bof = d->cur == 0;
    d->eof = false;
}

// ---------------------------------------------------------------- operations

void FormatTable::Open()
{
    if (d->state != TableState::Inactive)
        return;
    d->state = TableState::Browse;
    placeCursor(0);
    for (ViewLink *link : std::vector<ViewLink *>(d->links))
        for (FormatTableObserver *o : std::vector<FormatTableObserver *>(link->m_observers))
            o->linkChanged(true);
    notify(&FormatTableObserver::dataChanged);
}

void FormatTable::Close()
{
    if (d->state == TableState::Inactive)
        return;
    d->buffer.clear();
    d->modified = false;
    d->state = TableState::Inactive;
    for (ViewLink *link : std::vector<ViewLink *>(d->links))
        for (FormatTableObserver *o : std::vector<FormatTableObserver *>(link->m_observers))
            o->linkChanged(false);
}

void FormatTable::First()
{
    checkOpen();
    commitStep();
    placeCursor(0);
    d->bof = true;
    notify(&FormatTableObserver::dataChanged);
    fireAfterScroll();
}

void FormatTable::Next()
{
    checkOpen();
    commitStep();
    if (d->eof)
        return;
    if (d->cur + 1 < int(d->rows.size())) {
        ++d->cur;
        d->bof = false;
    } else {
        d->eof = true;
    }
    notify(&FormatTableObserver::dataChanged);
    fireAfterScroll();
}

void FormatTable::Last()
{
    checkOpen();
    commitStep();
    placeCursor(int(d->rows.size()) - 1);
    d->eof = true;
    notify(&FormatTableObserver::dataChanged);
    fireAfterScroll();
}

bool FormatTable::Eof() const
{
    return d->eof;
}

bool FormatTable::Bof() const
{
    return d->bof;
}

int FormatTable::RecNo() const
{
    if (d->state == TableState::Insert || d->cur < 0)
        return -1;
    return d->cur + 1;
}

int FormatTable::RecordCount() const
{
    checkOpen();
    return int(d->rows.size());
}

void FormatTable::Append()
{
    checkOpen();
    commitStep();
    d->buffer.assign(m_fields.size(), unsetValue());
    d->modified = false;
    d->insertAt = int(d->rows.size());
    setState(TableState::Insert);
    notify(&FormatTableObserver::dataChanged);
    fireAfterScroll();
}

void FormatTable::InsertRecord(const QStringList &values)
{
    checkOpen();
    commitStep();
    // Fill the new row in a scratch buffer first: a value that does not
    // convert leaves the table as it was.
    std::vector<FieldValue> row(m_fields.size(), unsetValue());
    for (int i = 0; i < values.size() && i < int(m_fields.size()); ++i)
        assignText(row[i], m_fields[i], values[i]);
    const int at = std::max(d->cur, 0);
    d->rows.insert(d->rows.begin() + at, std::move(row));
    placeCursor(at);
    notify(&FormatTableObserver::dataChanged);
}

bool FormatTable::CopyRecord(int source, int destination)
{
    const int n = int(d->rows.size());
    if (source == destination || source < 1 || source > n || destination < -1 || destination > n)
        return false;
    const int at = destination == -1 ? n : std::max(destination, 1) - 1;
    std::vector<FieldValue> copy = d->rows[source - 1];
    d->rows.insert(d->rows.begin() + at, std::move(copy));
    // The cursor keeps its row; a copy inserted before it pushes it down.
    if (d->cur >= 0 && at <= d->cur)
        ++d->cur;
    if (d->state == TableState::Insert && at <= d->insertAt)
        ++d->insertAt;
    return true;
}

void FormatTable::Delete()
{
    checkOpen();
    if (d->state == TableState::Insert) {
        Cancel();
        return;
    }
    if (d->rows.empty() || d->cur < 0)
        fail(kEmpty);
    notify(&FormatTableObserver::commitPendingEdit);
    const int at = d->cur;
    d->rows.erase(d->rows.begin() + at);
    d->buffer.clear();
    d->modified = false;
    setState(TableState::Browse);
    placeCursor(at);
    notify(&FormatTableObserver::dataChanged);
    fireAfterScroll();
}

void FormatTable::Edit()
{
    checkOpen();
    if (editing())
        return;
    commitStep();
    if (d->rows.empty()) {
        d->buffer.assign(m_fields.size(), unsetValue());
        d->modified = false;
        d->insertAt = 0;
        setState(TableState::Insert);
        notify(&FormatTableObserver::dataChanged);
        fireAfterScroll();
        return;
    }
    d->buffer = d->rows[d->cur < 0 ? 0 : d->cur];
    if (d->cur < 0)
        placeCursor(0);
    d->modified = false;
    setState(TableState::Edit);
}

void FormatTable::Post()
{
    if (!editing())
        fail(kNotEditing);
    notify(&FormatTableObserver::writePendingInput);
    notify(&FormatTableObserver::commitPendingEdit);
    if (!editing()) // an observer's commit already finished the edit
        return;
    if (d->state == TableState::Edit) {
        d->rows[d->cur] = d->buffer;
    } else {
        const int at = std::clamp(d->insertAt, 0, int(d->rows.size()));
        d->rows.insert(d->rows.begin() + at, d->buffer);
        placeCursor(at);
    }
    d->buffer.clear();
    d->modified = false;
    setState(TableState::Browse);
    notify(&FormatTableObserver::dataChanged);
}

void FormatTable::EditCurrent(const std::function<void()> &write)
{
    checkOpen();
    commitStep();
    if (d->rows.empty() || d->cur < 0)
        fail(kEmpty);
    d->buffer = d->rows[size_t(d->cur)];
    d->modified = false;
    d->state = TableState::Edit;
    const auto back = qScopeGuard([this] {
        d->buffer.clear();
        d->modified = false;
        d->state = TableState::Browse;
    });
    write();
    d->rows[size_t(d->cur)] = d->buffer;
}

void FormatTable::Cancel()
{
    if (!editing())
        return;
    const bool wasInsert = d->state == TableState::Insert;
    d->buffer.clear();
    d->modified = false;
    setState(TableState::Browse);
    notify(&FormatTableObserver::dataChanged);
    if (wasInsert)
        fireAfterScroll();
}

void FormatTable::Refresh()
{
    checkOpen();
    commitStep();
    notify(&FormatTableObserver::dataChanged);
}

void FormatTable::EmptyTable()
{
    checkOpen();
    commitStep();
    d->rows.clear();
    placeCursor(-1);
    notify(&FormatTableObserver::dataChanged);
}

std::vector<std::vector<FieldValue>> FormatTable::effectiveRows() const
{
    std::vector<std::vector<FieldValue>> rows = d->rows;
    if (d->state == TableState::Edit && d->cur >= 0 && d->cur < int(rows.size()))
        rows[size_t(d->cur)] = d->buffer;
    else if (d->state == TableState::Insert)
        rows.insert(rows.begin() + std::clamp(d->insertAt, 0, int(rows.size())), d->buffer);
    return rows;
}

int FormatTable::currentIndex() const
{
    if (d->state == TableState::Insert)
        return std::clamp(d->insertAt, 0, int(d->rows.size()));
    return d->cur;
}

void FormatTable::RestoreRows(std::vector<std::vector<FieldValue>> rows, int current)
{
    checkOpen();
    const int n = int(rows.size());
    const int cur = n == 0 ? -1 : std::clamp(current, 0, n - 1);
    const bool wasEditing = editing();
    if (wasEditing) {
        d->buffer.clear();
        d->modified = false;
        setState(TableState::Browse);
    }
    const bool sameShape = d->cur == cur && int(d->rows.size()) == n;
    // Where only the current row differs (the undo of a field's edit), the
    // panels hear what a field written tells them.
    bool onlyCurrent = sameShape && cur >= 0;
    for (int r = 0; onlyCurrent && r < n; ++r)
        onlyCurrent = r == cur || d->rows[size_t(r)] == rows[size_t(r)];
    if (onlyCurrent) {
        const std::vector<FieldValue> &before = d->rows[size_t(cur)];
        const std::vector<FieldValue> &after = rows[size_t(cur)];
        if (before == after) {
            if (wasEditing)
                notify(&FormatTableObserver::dataChanged);
            return;
        }
        // The font lists follow the row's font, so they hear of a new one.
        const bool fontChanged =
            before[size_t(FontField::Schriftname)] != after[size_t(FontField::Schriftname)] ||
            before[size_t(FontField::Schriftgroesse)] != after[size_t(FontField::Schriftgroesse)];
        d->rows = std::move(rows);
        notify(wasEditing ? &FormatTableObserver::dataChanged : &FormatTableObserver::rowChanged);
        if (fontChanged)
            fireAfterScroll();
        return;
    }
    const bool sameCurrentRow =
        d->cur == cur &&
        (cur < 0 || (cur < int(d->rows.size()) && d->rows[size_t(cur)] == rows[size_t(cur)]));
    d->rows = std::move(rows);
    placeCursor(cur);
    notify(&FormatTableObserver::dataChanged);
    if (!sameCurrentRow)
        fireAfterScroll();
}

TableState FormatTable::State() const
{
    return d->state;
}

bool FormatTable::isModified() const
{
    return editing() && d->modified;
}

// ---------------------------------------------------------------- fields

int FormatTable::fieldCount() const
{
    return int(m_fields.size());
}

const FieldDef &FormatTable::field(int pos) const
{
    return m_fields.at(size_t(pos));
}

int FormatTable::fieldIndex(const QString &name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

int FormatTable::fieldIndex(Field meaning) const
{
    for (size_t i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].meaning == meaning)
            return int(i);
    return -1;
}

const FieldValue &FormatTable::current(int pos) const
{
    static const FieldValue unset;
    if (pos < 0 || pos >= int(m_fields.size()))
        return unset;
    if (editing())
        return d->buffer[size_t(pos)];
    if (d->cur >= 0 && d->cur < int(d->rows.size()))
        return d->rows[size_t(d->cur)][size_t(pos)];
    return unset;
}

bool FormatTable::isNull(int pos) const
{
    return current(pos).isNull;
}

QString FormatTable::asText(int pos) const
{
    if (pos < 0 || pos >= int(m_fields.size()))
        return QString();
    return m_fields[size_t(pos)].toText(current(pos));
}

int32_t FormatTable::asInteger(int pos) const
{
    const FieldValue &v = current(pos);
    if (v.isNull)
        return 0;
    switch (field(pos).type) {
    case FieldType::Text:
        return ParseIntOrDefault(v.text, 0);
    case FieldType::Integer:
        return v.integer;
    case FieldType::Flag:
        return v.flag ? 1 : 0;
    }
    return 0;
}

bool FormatTable::asFlag(int pos) const
{
    const FieldValue &v = current(pos);
    if (v.isNull)
        return false;
    switch (field(pos).type) {
    case FieldType::Text:
        return TrueFalseWord(v.text).value_or(IsTrueFlag(v.text));
    case FieldType::Integer:
        return v.integer != 0;
    case FieldType::Flag:
        return v.flag;
    }
    return false;
}

FieldValue FormatTable::value(int pos) const
{
    return current(pos);
}

FieldValue &FormatTable::writable(int pos)
{
    if (!editing())
        fail(kNotEditing);
    if (pos < 0 || pos >= int(m_fields.size()))
        throw Failure(QStringLiteral("Feld %1 nicht gefunden").arg(pos));
    return d->buffer[size_t(pos)];
}

void FormatTable::fieldWritten()
{
    d->modified = true;
    notify(&FormatTableObserver::rowChanged);
}

void FormatTable::assignText(FieldValue &target, const FieldDef &def, const QString &text)
{
    std::optional<FieldValue> v = def.fromText(text);
    if (!v) {
        if (def.type == FieldType::Integer)
            throw Failure(
                QStringLiteral("'%1' ist kein gültiger Integerwert für Feld '%2'").arg(text, def.name));
        throw Failure(QStringLiteral("Ungültiger Wert für Feld '%1'").arg(def.name));
    }
    target = std::move(*v);
}

void FormatTable::setText(int pos, const QString &text)
{
    FieldValue &target = writable(pos);
    assignText(target, m_fields[size_t(pos)], text);
    fieldWritten();
}

void FormatTable::setInteger(int pos, int32_t value)
{
    FieldValue &target = writable(pos);
    const FieldDef &def = m_fields[size_t(pos)];
    FieldValue v;
    v.isNull = false;
    switch (def.type) {
    case FieldType::Text:
        v.text = CutToSize(QString::number(value), def.size);
        break;
    case FieldType::Integer:
        v.integer = value;
        break;
    case FieldType::Flag:
        v.flag = value != 0;
        break;
    }
    target = v;
    fieldWritten();
}

void FormatTable::setFlag(int pos, bool value)
{
    FieldValue &target = writable(pos);
    const FieldDef &def = m_fields[size_t(pos)];
    FieldValue v;
    v.isNull = false;
    switch (def.type) {
    case FieldType::Text:
        v.text = CutToSize(value ? QStringLiteral("true") : QStringLiteral("false"), def.size);
        break;
    case FieldType::Integer:
        v.integer = value ? 1 : 0;
        break;
    case FieldType::Flag:
        v.flag = value;
        break;
    }
    target = v;
    fieldWritten();
}

void FormatTable::setNull(int pos)
{
    writable(pos) = FieldValue();
    fieldWritten();
}

void FormatTable::setGeneric(int pos, const GenericValue &value)
{
    FieldValue &target = writable(pos);
    const FieldDef &def = m_fields[size_t(pos)];
    const auto invalid = [&def]() {
        return Failure(QStringLiteral("Ungültiger Wert für Feld '%1'").arg(def.name));
    };
    FieldValue v;
    if (value.kind != GenericValue::Kind::Null) {
        v.isNull = false;
        switch (def.type) {
        case FieldType::Text:
            if (value.kind == GenericValue::Kind::Text)
                v.text = value.text;
            else if (value.kind == GenericValue::Kind::Number)
                v.text = numberText(value.number);
            else
                v.text = value.boolean ? QStringLiteral("true") : QStringLiteral("false");
            v.text = CutToSize(v.text, def.size);
            break;
        case FieldType::Integer:
            if (value.kind == GenericValue::Kind::Text) {
                if (isWholeDecimal(value.text)) {
                    bool ok = false;
                    const int n = value.text.toInt(&ok);
                    if (!ok)
                        throw invalid();
                    v.integer = n;
                } else if (const std::optional<bool> b = TrueFalseWord(value.text)) {
                    v.integer = *b ? 1 : 0;
                } else {
                    throw invalid();
                }
            } else if (value.kind == GenericValue::Kind::Number) {
                const std::optional<int32_t> n = roundToInt32(value.number);
                if (!n)
                    throw invalid();
                v.integer = *n;
            } else {
                v.integer = value.boolean ? -1 : 0;
            }
            break;
        case FieldType::Flag:
            if (value.kind == GenericValue::Kind::Text) {
                if (isWholeDecimal(value.text))
                    v.flag = hasNonZeroDigit(value.text);
                else if (const std::optional<bool> b = TrueFalseWord(value.text))
                    v.flag = *b;
                else
                    throw invalid();
            } else if (value.kind == GenericValue::Kind::Number) {
                if (std::isnan(value.number))
                    throw invalid();
                v.flag = value.number != 0;
            } else {
                v.flag = value.boolean;
            }
            break;
        }
    }
    target = v;
    fieldWritten();
}

// ---------------------------------------------------------------- links

void FormatTable::setAfterScroll(std::function<void()> handler)
{
    d->afterScroll = std::move(handler);
}

bool FormatTable::hasAfterScroll() const
{
    return bool(d->afterScroll);
}

void FormatTable::setMasterSource(ViewLink *master)
{
    if (master == d->master)
        return;
    if (d->master) {
        d->master->removeObserver(d->follower.get());
        auto &details = d->master->m_details;
        details.erase(std::remove(details.begin(), details.end(), this), details.end());
    }
    d->master = master;
    if (master) {
        if (!d->follower)
            d->follower = std::make_unique<MasterFollower>(*this);
        // In front of the panels: the heading row is committed before anything else.
        master->m_observers.insert(master->m_observers.begin(), d->follower.get());
        master->m_details.push_back(this);
    }
}

void FormatTable::masterLinkGone()
{
    d->master = nullptr;
}

const std::vector<std::vector<FieldValue>> &FormatTable::rows() const
{
    return d->rows;
}

void FormatTable::attachLink(ViewLink *link)
{
    if (std::find(d->links.begin(), d->links.end(), link) == d->links.end())
        d->links.push_back(link);
}

void FormatTable::detachLink(ViewLink *link)
{
    d->links.erase(std::remove(d->links.begin(), d->links.end(), link), d->links.end());
}
