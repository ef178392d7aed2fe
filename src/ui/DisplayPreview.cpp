#include "DisplayPreview.h"

#include "Dialogs.h"
#include "PageWidgets.h"
#include "base/NumberText.h"
#include "columns/FormatTableReader.h"
#include "settings/ColorCodec.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>
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

std::vector<DisplayDescription::Column> Columns(const RowReader &rows)
{
    std::vector<DisplayDescription::Column> columns;
    columns.reserve(size_t(rows.count()));
    for (int r = 0; r < rows.count(); ++r)
        columns.push_back({rows.format(r), rows.text(r, Field::Ausrichtung),
                           rows.integer(r, Field::Anzahlzeichen), rows.text(r, Field::Spalte)});
    return columns;
}

std::vector<DisplayDescription::Heading> Headings(const RowReader &rows)
{
    std::vector<DisplayDescription::Heading> headings;
    headings.reserve(size_t(rows.count()));
    for (int r = 0; r < rows.count(); ++r)
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

} // namespace

// ---------------------------------------------------------------- DisplayPreview

QString DisplayPreview::NoteText()
{
    return QStringLiteral("Vorschau mit Beispieldaten – das Anzeigeprogramm kann im Detail anders aussehen.");
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

    m_canvas = new QWidget(this);
    m_canvas->setObjectName(QStringLiteral("vorschau_anzeige"));
    m_canvas->setAccessibleName(QStringLiteral("Anzeige"));
    m_canvas->setAttribute(Qt::WA_OpaquePaintEvent);
    m_canvas->setMinimumSize(160, 90);
    m_canvas->installEventFilter(this);

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
    const QRegion dirty =
        m_layoutValid ? m_layout.changedArea(l, m_canvas->devicePixelRatioF()) : QRegion(m_canvas->rect());
    publish(std::move(l));
    if (!dirty.isEmpty())
        m_canvas->update(dirty);
}

void DisplayPreview::publish(DisplayLayout l)
{
    m_layout = std::move(l);
    m_layoutValid = true;
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

bool DisplayPreview::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_canvas) {
        switch (event->type()) {
        case QEvent::Paint: {
            if (!m_layoutValid || m_layout.target != QSizeF(m_canvas->size()))
                publish(layOutCanvas());
            const QRegion area = static_cast<QPaintEvent *>(event)->region();
            QPainter p(m_canvas);
            p.fillRect(area.boundingRect(), kLetterbox);
            paintLayout(p, m_layout, area);
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
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString DisplayPreview::toolTipAt(const QPointF &pos) const
{
    const DisplayLayout::Cell *cell = m_layoutValid ? m_layout.cellAt(pos) : nullptr;
    if (!cell || !cell->substituted)
        return QString();
    const QString shown = QStringLiteral("gezeigt wird „%1“").arg(cell->fontShown);
    if (cell->fontName.isEmpty())
        return QStringLiteral("Keine Schriftart angegeben, ") + shown;
    return QStringLiteral("Die Schriftart „%1“ ist nicht installiert, ").arg(cell->fontName) + shown;
}

DisplayDescription DisplayPreview::description() const
{
    DisplayDescription d;
    d.screen = screenSize();
    d.background = ColourOf(m_state.value(Key::HintergrundFarbe));
    d.secondLine = ColourOf(m_state.value(Key::ZweiteZeileFarbe));
    d.lines = m_state.integer(Key::AnzahlZeilen);
    d.detectionFormulas = m_state.value(Key::InfoZeile);
    d.columns = Columns(RowReader(m_state, Key::InfoZeileFormat));
    d.heading = m_state.flag(Key::mitUeberschrift);
    if (d.heading)
        d.headings = Headings(RowReader(m_state, Key::UeberschriftFormat));
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

DisplayLayout DisplayPreview::layoutFor(const QSizeF &target) const
{
    return m_layouter.layout(description(), target);
}

QImage DisplayPreview::render(const QSize &size) const
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(kLetterbox);
    QPainter p(&image);
    paintLayout(p, layoutFor(size), QRegion(image.rect()));
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
