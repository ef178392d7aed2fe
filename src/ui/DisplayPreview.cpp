#include "DisplayPreview.h"

#include "Dialogs.h"
#include "FieldTexts.h"
#include "PageWidgets.h"
#include "PreviewCanvas.h"
#include "base/NumberText.h"
#include "columns/FormatTableReader.h"
#include "settings/ColorCodec.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>

namespace
{

const QColor kLetterbox(0x30, 0x30, 0x30);

QColor ColourOf(const QString &text)
{
    return ToQColor(HexToColor(text));
}

// The rows of one format table as the operator sees them in the panels:
// posted rows, the current row's edit buffer, and input the live panel holds
// but has not written yet. Reads only.
class RowReader
{
  public:
    RowReader(const EditorState &editor, Key formatKey)
        : m_fields(FormatFields::of(FormatKindOf(formatKey))), m_table(editor.table(formatKey)),
          m_pending(editor.pendingInput(formatKey))
    {
        const FormatTable &table = m_table;
        const TableState state = table.State();
        m_editing = state == TableState::Edit || state == TableState::Insert;
        m_current = state == TableState::Insert ? int(table.rows().size()) : table.RecNo() - 1;
        m_count = int(table.rows().size()) + (state == TableState::Insert ? 1 : 0);
    }

    int count() const { return m_count; }

    FieldValue at(int row, Field meaning) const
    {
        const int pos = m_fields.pos(meaning);
        if (pos < 0)
            return {};
        if (row == m_current) {
            if (m_pending)
                if (const std::optional<QString> held = m_pending->heldText(m_table, pos))
                    if (std::optional<FieldValue> v = m_fields.at(pos).fromText(*held))
                        return *v; // a held text the field does not take leaves the row's value
            if (m_editing)
                return m_table.value(pos);
        }
        const auto &rows = m_table.rows();
        if (row < 0 || row >= int(rows.size()) || pos >= int(rows[size_t(row)].size()))
            return {};
        return rows[size_t(row)][size_t(pos)];
    }
    QString text(int row, Field meaning) const
    {
        const int pos = m_fields.pos(meaning);
        return pos < 0 ? QString() : m_fields.at(pos).toText(at(row, meaning));
    }
    int integer(int row, Field meaning) const
    {
        const FieldValue v = at(row, meaning);
        return v.isNull ? 0 : v.integer;
    }

    DisplayDescription::Format format(int row) const
    {
        const FieldValue fett = at(row, Field::Fett);
        return {text(row, Field::Schriftname), integer(row, Field::Schriftgroesse),
                ColourOf(text(row, Field::Farbe)), !fett.isNull && fett.flag};
    }

  private:
    const FormatFields &m_fields;
    const FormatTable &m_table;
    const PendingInput *m_pending;
    bool m_editing = false;
    int m_current = -1;
    int m_count = 0;
};

std::vector<DisplayDescription::Column> Columns(const RowReader &rows, int limit)
{
    std::vector<DisplayDescription::Column> columns;
    const int count = std::min(rows.count(), limit);
    columns.reserve(size_t(count));
    for (int r = 0; r < count; ++r)
        columns.push_back({rows.format(r), rows.text(r, Field::Ausrichtung),
                           rows.integer(r, Field::Anzahlzeichen), rows.text(r, Field::Spalte)});
    return columns;
}

std::vector<DisplayDescription::Heading> Headings(const RowReader &rows, int limit)
{
    std::vector<DisplayDescription::Heading> headings;
    const int count = std::min(rows.count(), limit);
    headings.reserve(size_t(count));
    for (int r = 0; r < count; ++r)
        headings.push_back({rows.format(r), rows.text(r, Field::Text)});
    return headings;
}

std::vector<DisplayDescription::InfoColumn> InfoColumns(const RowReader &rows)
{
    std::vector<DisplayDescription::InfoColumn> columns;
    columns.reserve(size_t(rows.count()));
    for (int r = 0; r < rows.count(); ++r)
        columns.push_back({rows.format(r), rows.text(r, Field::Spalte)});
    return columns;
}

Key FormatKeyOf(DisplayLayout::RowKind kind)
{
    switch (kind) {
    case DisplayLayout::RowKind::Heading:
        return Key::UeberschriftFormat;
    case DisplayLayout::RowKind::Info:
        return Key::SNRInfoFelderFormat;
    case DisplayLayout::RowKind::Detection:
        break;
    }
    return Key::InfoZeileFormat;
}

ColumnRef ColumnOfCell(const DisplayLayout &l, const DisplayLayout::Cell &cell)
{
    if (cell.row < 0 || cell.row >= int(l.rows.size()))
        return {};
    return {FormatKeyOf(l.rows[size_t(cell.row)].kind), cell.column};
}

// The reach of a column's right edge for the pointer, either side.
constexpr qreal kEdgeReach = 4;

} // namespace

// ---------------------------------------------------------------- DisplayPreview

QString DisplayPreview::NoteText()
{
    return tr("Vorschau mit Beispieldaten – das Anzeigeprogramm kann im Detail anders aussehen.");
}

int DisplayPreview::PixelSize(int points)
{
    return InstalledFonts::PixelSize(points);
}

DisplayPreview::DisplayPreview(const EditorState &state, QWidget *parent)
    : QWidget(parent, Qt::Window), m_state(state)
{
    setObjectName(QStringLiteral("f_vorschau"));
    setWindowTitle(Caption());
    setAccessibleName(Caption());
    setFont(PageFont());

    m_canvas = new PreviewCanvas(*this, this);
    m_canvas->setObjectName(QStringLiteral("vorschau_anzeige"));
    m_canvas->setAccessibleName(tr("Anzeige"));
    m_canvas->setAttribute(Qt::WA_OpaquePaintEvent);
    m_canvas->setMinimumSize(160, 90);
    m_canvas->setMouseTracking(true);
    m_canvas->setFocusPolicy(Qt::ClickFocus);

    m_note = new QLabel(NoteText(), this);
    m_note->setObjectName(QStringLiteral("l_vorschau_hinweis"));
    m_note->setFont(PageFont(11));
    m_note->setWordWrap(true);
    m_note->setContentsMargins(6, 3, 6, 3);
    QPalette grey = m_note->palette();
    grey.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    m_note->setPalette(grey);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_canvas, 1);
    layout->addWidget(m_note);

    const QSize screen = screenSize();
    const int width = 640;
    resize(width, width * screen.height() / std::max(1, screen.width()) + m_note->sizeHint().height());

    watchState();
    QAccessible::installActivationObserver(this);
}

DisplayPreview::~DisplayPreview()
{
    QAccessible::removeActivationObserver(this);
    // The picture hands its events to this object: it goes while this
    // object is still whole.
    delete m_canvas;
    m_canvas = nullptr;
}

QWidget *DisplayPreview::canvas() const
{
    return m_canvas;
}

void DisplayPreview::watchState()
{
    // The values the picture shows; every change of a table, held input
    // included.
    static constexpr Key kShown[] = {Key::HintergrundFarbe, Key::ZweiteZeileFarbe, Key::AnzahlZeilen,
                                     Key::InfoZeile,        Key::SNRInfoFelder,    Key::TransparenzLogo,
                                     Key::mitUeberschrift,  Key::mitStartNrInfo};
    connect(&m_state, &EditorState::valueChanged, this, [this](Key key) {
        if (std::find(std::begin(kShown), std::end(kShown), key) != std::end(kShown))
            changed();
    });
    connect(&m_state, &EditorState::tableChanged, this, [this] { changed(); });
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, [this] { changed(); });
}

void DisplayPreview::setLogo(const QImage &logo)
{
    m_logo = logo;
    changed();
}

QSize DisplayPreview::screenSize() const
{
    if (m_screenSize.isValid() && !m_screenSize.isEmpty())
        return m_screenSize;
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        if (!screen->size().isEmpty())
            return screen->size();
    return QSize(1920, 1080);
}

void DisplayPreview::setScreenSize(const QSize &size)
{
    m_screenSize = size;
    changed();
}

void DisplayPreview::changed()
{
    if (m_refreshPosted)
        return;
    m_refreshPosted = true;
    QMetaObject::invokeMethod(
        this, [this] { refresh(); }, Qt::QueuedConnection);
}

void DisplayPreview::refresh()
{
    m_refreshPosted = false;
    if (!isVisible()) {
        m_layoutValid = false;
        return;
    }
    DisplayLayout l = layOutCanvas();
    // A change that leaves the picture as it is (a column beyond the right
    // edge) costs no drawing; one that changes some cells redraws those.
    QRegion dirty =
        m_layoutValid ? m_layout.changedArea(l, m_canvas->devicePixelRatioF()) : QRegion(m_canvas->rect());
    const QRect oldFrame = m_layoutValid ? selectionFrame(m_layout) : QRect();
    const QRect newFrame = selectionFrame(l);
    if (oldFrame != newFrame)
        dirty += QRegion(oldFrame.adjusted(-2, -2, 2, 2)) + QRegion(newFrame.adjusted(-2, -2, 2, 2));
    else if (!dirty.isEmpty() && dirty.intersects(newFrame.adjusted(-2, -2, 2, 2)))
        dirty += QRegion(newFrame.adjusted(-2, -2, 2, 2)); // cells redrawn under the frame
    publish(std::move(l));
    if (!dirty.isEmpty())
        m_canvas->update(dirty);
}

void DisplayPreview::publish(DisplayLayout l)
{
    const bool sameCells = m_layout.cells.size() == l.cells.size();
    m_layout = std::move(l);
    m_layoutValid = true;
    if (!sameCells)
        m_canvas->cellsChanged();
    if (m_listening)
        describe();
}

// A screen reader reads the picture as one line per drawn row. The lines are
// made only while one listens, and at once when one starts to.
void DisplayPreview::describe()
{
    if (!m_layoutValid)
        return;
    QStringList lines = m_layout.describe();
    if (lines != m_described) {
        m_described = std::move(lines);
        const QString text = m_described.join(u'\n');
        setAccessibleDescription(text);
        m_canvas->setAccessibleDescription(text);
    }
}

void DisplayPreview::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_layoutValid = false;
    changed();
}

bool DisplayPreview::canvasEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Paint: {
        if (!m_layoutValid || m_layout.target != QSizeF(m_canvas->size()))
            publish(layOutCanvas());
        const QRegion area = static_cast<QPaintEvent *>(event)->region();
        QPainter p(m_canvas);
        p.fillRect(area.boundingRect(), kLetterbox);
        paintLayout(p, m_layout, area);
        paintSelection(p, m_layout);
        return true;
    }
    case QEvent::ToolTip: {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QString tip = toolTipAt(help->pos());
        if (tip.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), tip, m_canvas);
        }
        return true;
    }
    case QEvent::MouseButtonPress:
        mousePressed(static_cast<QMouseEvent *>(event));
        return true;
    case QEvent::MouseMove:
        mouseMoved(static_cast<QMouseEvent *>(event));
        return true;
    case QEvent::MouseButtonRelease:
        mouseReleased(static_cast<QMouseEvent *>(event));
        return true;
    case QEvent::KeyPress:
        return keyPressed(static_cast<QKeyEvent *>(event));
    case QEvent::ContextMenu:
        contextMenu(static_cast<QContextMenuEvent *>(event));
        return true;
    default:
        return false;
    }
}

QString DisplayPreview::toolTipAt(const QPointF &pos) const
{
    const DisplayLayout::Cell *cell = m_layoutValid ? m_layout.cellAt(pos) : nullptr;
    if (!cell || !cell->substituted)
        return QString();
    const QString shown = tr("gezeigt wird „%1“").arg(cell->fontShown);
    if (cell->fontName.isEmpty())
        return tr("Keine Schriftart angegeben, ") + shown;
    return tr("Die Schriftart „%1“ ist nicht installiert, ").arg(cell->fontName) + shown;
}

DisplayDescription DisplayPreview::description() const
{
    return description(std::numeric_limits<int>::max(), nullptr);
}

DisplayDescription DisplayPreview::description(int columns, bool *cut) const
{
    DisplayDescription d;
    d.screen = screenSize();
    d.background = ColourOf(m_state.value(Key::HintergrundFarbe));
    d.secondLine = ColourOf(m_state.value(Key::ZweiteZeileFarbe));
    d.lines = m_state.integer(Key::AnzahlZeilen);
    d.detectionFormulas = m_state.value(Key::InfoZeile);
    const RowReader detection(m_state, Key::InfoZeileFormat);
    d.columns = Columns(detection, columns);
    if (cut)
        *cut = detection.count() > columns;
    d.heading = m_state.flag(Key::mitUeberschrift);
    if (d.heading)
        d.headings = Headings(RowReader(m_state, Key::UeberschriftFormat), columns);
    d.info = m_state.flag(Key::mitStartNrInfo);
    d.infoFormulas = m_state.value(Key::SNRInfoFelder);
    if (d.info)
        d.infoColumns = InfoColumns(RowReader(m_state, Key::SNRInfoFelderFormat));
    d.logo = m_logo;
    d.logoOpacity = m_state.integer(Key::TransparenzLogo);
    return d;
}

DisplayLayout DisplayPreview::layOutCanvas()
{
    ++m_canvasLayouts;
    return layoutFor(m_canvas->size());
}

// Only the columns that start on the screen are laid out, so only they are
// described: first a few from the left, more while the screen has room.
DisplayLayout DisplayPreview::layoutFor(const QSizeF &target) const
{
    int columns = 32;
    for (;;) {
        bool cut = false;
        DisplayLayout l = m_layouter.layout(description(columns, &cut), target);
        if (!cut || l.columnsLaidOut < columns)
            return l;
        columns *= 2;
    }
}

QImage DisplayPreview::render(const QSize &size, bool withSelection) const
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(kLetterbox);
    QPainter p(&image);
    const DisplayLayout l = layoutFor(size);
    paintLayout(p, l, QRegion(image.rect()));
    if (withSelection)
        paintSelection(p, l);
    return image;
}

void DisplayPreview::paintLayout(QPainter &p, const DisplayLayout &l, const QRegion &area) const
{
    if (l.screen.isEmpty())
        return;
    p.save();
    p.setClipRegion(area & l.screen.toAlignedRect());
    p.fillRect(l.screen, l.background);
    for (const DisplayLayout::Row &row : l.rows)
        if (row.fill != l.background)
            p.fillRect(row.box, row.fill);
    paintLogo(p, l);
    paintCells(p, l, area);
    p.restore();
}

// The logo over the lines with the track bar's opacity, as the blended
// preview lays it over the background; scaled once per size.
void DisplayPreview::paintLogo(QPainter &p, const DisplayLayout &l) const
{
    if (l.logo.isNull() || l.logoOpacity <= 0)
        return;
    const qreal dpr = p.device()->devicePixelRatioF();
    const QRectF box(l.screen.x() + l.logoBox.x() * l.scale, l.screen.y() + l.logoBox.y() * l.scale,
                     l.logoBox.width() * l.scale, l.logoBox.height() * l.scale);
    const QSize pixels = (box.size() * dpr).toSize().expandedTo(QSize(1, 1));
    if (m_scaledLogoKey != l.logo.cacheKey() || m_scaledLogo.size() != pixels) {
        m_scaledLogo = l.logo.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_scaledLogoKey = l.logo.cacheKey();
    }
    p.setOpacity(l.logoOpacity / 255.0);
    p.drawImage(box, m_scaledLogo);
    p.setOpacity(1);
}

// Texts at the display's own size, scaled with the screen, each clipped to
// its cell. Cells far from the area are passed over at a glance; setting the
// same font again would cost a font lookup per cell.
void DisplayPreview::paintCells(QPainter &p, const DisplayLayout &l, const QRegion &area) const
{
    const qreal dpr = p.device()->devicePixelRatioF();
    p.translate(l.screen.topLeft());
    p.scale(l.scale, l.scale);
    const QRect bounds = area.boundingRect().adjusted(-2, -2, 2, 2);
    const QFont *font = nullptr;
    const QColor *colour = nullptr;
    for (const DisplayLayout::Cell &cell : l.cells) {
        if (cell.text.isEmpty() || !bounds.intersects(cell.box.toAlignedRect()) ||
            !area.intersects(DisplayLayout::pixelsOf(cell, dpr)))
            continue;
        p.setClipRect(cell.screenBox);
        if (!font || !(*font == cell.font)) {
            p.setFont(cell.font);
            font = &cell.font;
        }
        if (!colour || *colour != cell.colour) {
            p.setPen(cell.colour);
            colour = &cell.colour;
        }
        const int lineFlag = cell.text.contains(u'\n') ? 0 : int(Qt::TextSingleLine);
        p.drawText(cell.screenBox.adjusted(DisplayLayout::CellPadding, 0, -DisplayLayout::CellPadding, 0),
                   int(cell.alignment | Qt::AlignVCenter) | lineFlag, cell.text);
    }
}

// ---------------------------------------------------------------- selection

ColumnRef DisplayPreview::columnOf(const DisplayLayout::Cell &cell) const
{
    return ColumnOfCell(m_layout, cell);
}

bool DisplayPreview::isSelected(const DisplayLayout::Cell &cell) const
{
    return m_selection.isValid() && columnOf(cell) == m_selection;
}

void DisplayPreview::setSelection(const ColumnRef &column)
{
    if (column == m_selection)
        return;
    const QRect before = m_layoutValid ? selectionFrame(m_layout) : QRect();
    m_selection = column;
    if (m_layoutValid) {
        const QRect after = selectionFrame(m_layout);
        m_canvas->update(QRegion(before.adjusted(-2, -2, 2, 2)) + QRegion(after.adjusted(-2, -2, 2, 2)));
    }
    m_canvas->selectionChanged();
}

QRect DisplayPreview::selectionFrame(const DisplayLayout &l) const
{
    if (!m_selection.isValid())
        return QRect();
    QRectF frame;
    for (const DisplayLayout::Cell &cell : l.cells)
        if (ColumnOfCell(l, cell) == m_selection)
            frame |= cell.box;
    return frame.toAlignedRect() & l.screen.toAlignedRect();
}

// A frame on the screen only: render() and what the display shows never
// have it.
void DisplayPreview::paintSelection(QPainter &p, const DisplayLayout &l) const
{
    const QRect frame = selectionFrame(l);
    if (frame.isEmpty())
        return;
    p.save();
    p.setClipping(false);
    p.setBrush(Qt::NoBrush);
    // Solid lines: a dotted pen costs more than the cells under it.
    p.setPen(QPen(QColor(0x1E, 0x90, 0xFF), 2));
    p.drawRect(QRectF(frame).adjusted(1, 1, -1, -1));
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(QRectF(frame).adjusted(2.5, 2.5, -2.5, -2.5));
    p.restore();
}

// ---------------------------------------------------------------- editing on the picture

int DisplayPreview::charactersShown(int row) const
{
    const int stored = RowReader(m_state, Key::InfoZeileFormat).integer(row, Field::Anzahlzeichen);
    return stored > 0 ? std::min(stored, MaxCharacters) : DisplayLayouter::DefaultCharacters;
}

void DisplayPreview::mousePressed(QMouseEvent *event)
{
    m_pressed = {};
    if (event->button() != Qt::LeftButton || !m_edits || !m_layoutValid)
        return;
    const QPointF pos = event->position();
    const int edge = m_layout.columnEdgeAt(pos, kEdgeReach);
    if (edge >= 0) {
        m_edits->stepDone();
        m_drag = {edge, charactersShown(edge)};
        m_edits->select({Key::InfoZeileFormat, edge}, false);
        return;
    }
    if (const DisplayLayout::Cell *cell = m_layout.cellAt(pos)) {
        m_pressed = columnOf(*cell);
        m_edits->select(m_pressed, false);
    }
}

void DisplayPreview::mouseMoved(QMouseEvent *event)
{
    if (dragging()) {
        if (event->buttons() & Qt::LeftButton)
            dragTo(event->position());
        return;
    }
    if (event->buttons() != Qt::NoButton || !m_edits || !m_layoutValid)
        return;
    if (m_layout.columnEdgeAt(event->position(), kEdgeReach) >= 0)
        m_canvas->setCursor(Qt::SplitHCursor);
    else
        m_canvas->unsetCursor();
}

// Whole characters of the column's font, as far as the pointer reaches.
void DisplayPreview::dragTo(const QPointF &pos)
{
    if (m_drag.column >= int(m_layout.columns.size()))
        return;
    const DisplayLayout::ColumnSpan &span = m_layout.columns[size_t(m_drag.column)];
    if (span.charWidth <= 0)
        return;
    const qreal reach = (m_layout.screenX(pos) - span.x) / span.charWidth;
    const int characters = int(std::clamp<qreal>(std::round(reach), 1, MaxCharacters));
    if (characters == m_drag.characters)
        return;
    m_drag.characters = characters;
    m_edits->setCharacters(m_drag.column, characters);
}

void DisplayPreview::mouseReleased(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_edits)
        return;
    if (dragging()) {
        const int column = m_drag.column;
        endDrag(!m_canvas->rect().contains(event->position().toPoint()));
        m_edits->select({Key::InfoZeileFormat, column}, true);
        return;
    }
    const DisplayLayout::Cell *cell = m_layoutValid ? m_layout.cellAt(event->position()) : nullptr;
    if (m_pressed.isValid() && cell && columnOf(*cell) == m_pressed)
        m_edits->select(m_pressed, true);
    m_pressed = {};
}

void DisplayPreview::endDrag(bool putBack)
{
    if (!dragging())
        return;
    m_drag = {};
    if (putBack)
        m_edits->cancelStep();
    m_edits->stepDone();
}

bool DisplayPreview::keyPressed(QKeyEvent *event)
{
    if (!m_edits)
        return false;
    if (event->key() == Qt::Key_Escape && dragging()) {
        endDrag(true);
        return true;
    }
    const int step = event->key() == Qt::Key_Left ? -1 : event->key() == Qt::Key_Right ? 1 : 0;
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (step == 0 || dragging() || !m_selection.isValid())
        return false;
    if (mods == Qt::AltModifier) {
        // One character narrower or wider: detection-line columns only.
        if (m_selection.formatKey != Key::InfoZeileFormat)
            return true;
        const int characters = std::clamp(charactersShown(m_selection.row) + step, 1, MaxCharacters);
        m_edits->setCharacters(m_selection.row, characters);
        m_edits->stepDone();
        return true;
    }
    if (mods != Qt::NoModifier)
        return false;
    const int rows = int(m_state.table(m_selection.formatKey).rows().size());
    const int row = std::clamp(m_selection.row + step, 0, std::max(0, rows - 1));
    if (row != m_selection.row)
        m_edits->select({m_selection.formatKey, row}, false);
    return true;
}

void DisplayPreview::contextMenu(QContextMenuEvent *event)
{
    const DisplayLayout::Cell *cell =
        m_edits && m_layoutValid && !dragging() ? m_layout.cellAt(event->pos()) : nullptr;
    if (!cell)
        return;
    const ColumnRef column = columnOf(*cell);
    m_edits->stepDone();
    m_edits->select(column, false);
    std::unique_ptr<QMenu> menu(contextMenuFor(*cell, m_canvas));
    menu->exec(event->globalPos());
}

QMenu *DisplayPreview::contextMenuFor(const DisplayLayout::Cell &cell, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("vorschau_menue"));
    addMenuEntries(*menu, columnOf(cell));
    return menu;
}

// "Ausrichtung" (where the column's table has it), "Fett", one step of the
// size list up or down, "Farbe…"; each entry is one step.
void DisplayPreview::addMenuEntries(QMenu &menu, const ColumnRef &column)
{
    const FormatFields &fields = FormatFields::of(FormatKindOf(column.formatKey));
    const RowReader rows(m_state, column.formatKey);
    const auto entry = [this](QAction *action, std::function<void()> edit) {
        connect(action, &QAction::triggered, this, [this, edit = std::move(edit)] {
            if (!m_edits)
                return;
            edit();
            m_edits->stepDone();
        });
    };
    if (fields.has(Field::Ausrichtung)) {
        QMenu *alignment = menu.addMenu(tr("Ausrichtung"));
        const QString current = rows.text(column.row, Field::Ausrichtung);
        for (const QString &choice : fields.at(fields.pos(Field::Ausrichtung)).choices) {
            QAction *action = alignment->addAction(ChoiceText(choice));
            action->setCheckable(true);
            action->setChecked(choice.compare(current, Qt::CaseInsensitive) == 0);
            entry(action, [this, column, choice] { m_edits->setAlignment(column, choice); });
        }
    }
    QAction *bold = menu.addAction(tr("Fett"));
    bold->setCheckable(true);
    const FieldValue fett = rows.at(column.row, Field::Fett);
    const bool isBold = !fett.isNull && fett.flag;
    bold->setChecked(isBold);
    entry(bold, [this, column, isBold] { m_edits->setBold(column, !isBold); });
    entry(menu.addAction(tr("Schrift größer")), [this, column] { m_edits->stepFontSize(column, 1); });
    entry(menu.addAction(tr("Schrift kleiner")), [this, column] { m_edits->stepFontSize(column, -1); });
    entry(menu.addAction(tr("Farbe…")), [this, column] { m_edits->chooseColour(column); });
}
