#include "DisplayPreview.h"

#include "ColumnPanel.h"
#include "CueLineEdit.h"
#include "DarstellungPage.h"
#include "Dialogs.h"
#include "PageWidgets.h"
#include "PanelGrid.h"
#include "SampleParticipants.h"
#include "StartnummernInfoPage.h"
#include "Tf_root.h"
#include "UeberschriftPage.h"
#include "settings/ColorCodec.h"
#include "base/NumberText.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QSet>
#include <QSlider>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace
{

const QColor kLetterbox(0x30, 0x30, 0x30);
// More lines than a screen has pixel rows for text make no picture; the
// display's own limit is far below this.
constexpr int kMaxLines = 200;
constexpr int kMaxHeadingLines = 4;
constexpr int kMaxInfoLines = 10;
// Blank space inside a column's box, left and right, in screen pixels.
constexpr qreal kCellPadding = 2;
// The width of a column that expects no number of characters: the display's
// layout must not hang on the sample texts.
constexpr int kDefaultCharacters = 10;

using SampleParticipants::TrimControls;

QColor ColourOf(const QString &text)
{
    return ToQColor(HexToColor(text));
}

bool Installed(const QString &family)
{
    static const QSet<QString> families = [] {
        QSet<QString> set;
        for (const QString &f : QFontDatabase::families())
            set.insert(f.toCaseFolded());
        return set;
    }();
    return !family.isEmpty() && families.contains(family.toCaseFolded());
}

// The value a bound control holds as typed but not yet written to its row.
std::optional<FieldValue> HeldInput(const ColumnPanel &panel, int pos, const FieldDef &def)
{
    const auto lineEdit = [&](const BoundLineEdit *e) -> std::optional<FieldValue> {
        if (!e || e->fieldPos() != pos || !e->holdsInput())
            return std::nullopt;
        FieldValue v;
        if (def.type == FieldType::Integer) {
            if (e->text().isEmpty())
                return v; // an empty text makes the field unset
            const std::optional<int32_t> n = ParseInt(e->text());
            if (!n)
                return std::nullopt; // not storable: the row keeps its value
            v.isNull = false;
            v.integer = *n;
            return v;
        }
        v.isNull = false;
        v.text = e->text();
        return v;
    };
    for (const BoundLineEdit *e : {panel.farbe, panel.anzahlzeichen, panel.text})
        if (std::optional<FieldValue> v = lineEdit(e))
            return v;
    if (panel.fett && panel.fett->fieldPos() == pos && panel.fett->holdsInput()) {
        FieldValue v;
        v.isNull = panel.fett->checkState() == Qt::PartiallyChecked;
        v.flag = panel.fett->checkState() == Qt::Checked;
        return v;
    }
    if (panel.ausrichtung && panel.ausrichtung->fieldPos() == pos && panel.ausrichtung->holdsInput()) {
        FieldValue v;
        v.isNull = panel.ausrichtung->currentText().isEmpty();
        v.text = panel.ausrichtung->currentText();
        return v;
    }
    return std::nullopt;
}

// The rows of one format table as the operator sees them in the panels:
// posted rows, the current row's edit buffer, and input the live panel holds
// but has not written yet. Reads only.
class RowReader
{
  public:
    RowReader(const FormatTable &table, ColumnPanel *panel)
        : m_table(table), m_panel(panel && panel->binding().table() == &table ? panel : nullptr)
    {
        const TableState state = table.State();
        m_editing = state == TableState::Edit || state == TableState::Insert;
        m_current = state == TableState::Insert ? int(table.rows().size()) : table.RecNo() - 1;
        m_count = int(table.rows().size()) + (state == TableState::Insert ? 1 : 0);
        m_schriftname = table.fieldIndex(QStringLiteral("schriftname"));
        m_schriftgroesse = table.fieldIndex(QStringLiteral("schriftgroesse"));
        m_farbe = table.fieldIndex(QStringLiteral("farbe"));
        m_fett = table.fieldIndex(QStringLiteral("fett"));
        m_ausrichtung = table.fieldIndex(QStringLiteral("ausrichtung"));
        m_anzahl = table.fieldIndex(QStringLiteral("anzahlzeichen"));
        m_spalte = table.fieldIndex(QStringLiteral("spalte"));
        m_text = table.fieldIndex(QStringLiteral("text"));
    }

    int count() const { return m_count; }

    FieldValue at(int row, int pos) const
    {
        if (pos < 0)
            return {};
        if (row == m_current) {
            if (m_panel)
                if (std::optional<FieldValue> held = HeldInput(*m_panel, pos, m_table.field(pos)))
                    return *held;
            if (m_editing)
                return m_table.value(pos);
        }
        const auto &rows = m_table.rows();
        if (row < 0 || row >= int(rows.size()))
            return {};
        return rows[size_t(row)][size_t(pos)];
    }
    QString text(int row, int pos) const { return pos < 0 ? QString() : FieldText(m_table.field(pos), at(row, pos)); }
    int integer(int row, int pos) const
    {
        const FieldValue v = at(row, pos);
        return v.isNull ? 0 : v.integer;
    }
    bool flag(int row, int pos) const
    {
        const FieldValue v = at(row, pos);
        return !v.isNull && v.flag;
    }

    QString fontName(int row) const { return text(row, m_schriftname); }
    int fontSize(int row) const { return integer(row, m_schriftgroesse); }
    QColor colour(int row) const { return ColourOf(text(row, m_farbe)); }
    bool bold(int row) const { return flag(row, m_fett); }
    Qt::Alignment alignment(int row) const
    {
        const QString a = text(row, m_ausrichtung);
        if (a.compare(QLatin1String("mitte"), Qt::CaseInsensitive) == 0)
            return Qt::AlignHCenter;
        if (a.compare(QLatin1String("rechts"), Qt::CaseInsensitive) == 0)
            return Qt::AlignRight;
        return Qt::AlignLeft;
    }
    int characters(int row) const { return integer(row, m_anzahl); }
    QString formula(int row) const { return text(row, m_spalte); }
    QString headingText(int row) const { return text(row, m_text); }

  private:
    const FormatTable &m_table;
    ColumnPanel *m_panel;
    bool m_editing = false;
    int m_current = -1;
    int m_count = 0;
    int m_schriftname, m_schriftgroesse, m_farbe, m_fett, m_ausrichtung, m_anzahl, m_spalte, m_text;
};

QString RowName(const DisplayLayout::Row &row)
{
    switch (row.kind) {
    case DisplayLayout::RowKind::Heading:
        return QStringLiteral("Überschrift");
    case DisplayLayout::RowKind::Detection:
        return QStringLiteral("Zeile %1").arg(row.index + 1);
    case DisplayLayout::RowKind::Info:
        break;
    }
    return QStringLiteral("Startnummern Info %1").arg(row.index + 1);
}

} // namespace

// ---------------------------------------------------------------- DisplayLayout

bool DisplayLayout::operator==(const DisplayLayout &o) const
{
    return target == o.target && screenSize == o.screenSize && background == o.background && rows == o.rows &&
           cells == o.cells && logo.cacheKey() == o.logo.cacheKey() && logoBox == o.logoBox &&
           (logo.isNull() || logoOpacity == o.logoOpacity);
}

QStringList DisplayLayout::describe() const
{
    QStringList lines;
    lines.reserve(qsizetype(rows.size()));
    size_t c = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        QStringList texts;
        for (; c < cells.size() && cells[c].row == int(r); ++c)
            texts << QString(cells[c].text).replace(u'\n', u' ');
        lines << RowName(rows[r]) + QStringLiteral(": ") + texts.join(QStringLiteral(" | "));
    }
    return lines;
}

QRegion DisplayLayout::changedArea(const DisplayLayout &o) const
{
    const QRect everything = QRectF(QPointF(0, 0), target).toAlignedRect() | QRectF(QPointF(0, 0), o.target).toAlignedRect();
    if (target != o.target || screenSize != o.screenSize || background != o.background || rows != o.rows ||
        cells.size() != o.cells.size() || logo.cacheKey() != o.logo.cacheKey() || logoBox != o.logoBox ||
        (!logo.isNull() && logoOpacity != o.logoOpacity))
        return everything;
    QRegion area;
    for (size_t i = 0; i < cells.size(); ++i)
        if (!(cells[i] == o.cells[i]))
            area += cells[i].box.toAlignedRect().adjusted(-1, -1, 1, 1) |
                    o.cells[i].box.toAlignedRect().adjusted(-1, -1, 1, 1);
    return area;
}

const DisplayLayout::Cell *DisplayLayout::cellAt(const QPointF &pos) const
{
    for (const Cell &cell : cells)
        if (cell.box.contains(pos))
            return &cell;
    return nullptr;
}

// ---------------------------------------------------------------- DisplayPreview

QString DisplayPreview::NoteText()
{
    return QStringLiteral("Vorschau mit Beispieldaten – das Anzeigeprogramm kann im Detail anders aussehen.");
}

int DisplayPreview::PixelSize(int points)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const qreal dpi = screen ? screen->logicalDotsPerInchY() : 96;
    return std::max(1, qRound(points * dpi / 72));
}

DisplayPreview::DisplayPreview(Tf_root &window) : QWidget(&window, Qt::Window), w(window)
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

    w.ds_spalten.addObserver(this);
    w.ds_ueberschrift.addObserver(this);
    w.ds_snrinfo.addObserver(this);
    watchFields();
}

DisplayPreview::~DisplayPreview()
{
    w.ds_spalten.removeObserver(this);
    w.ds_ueberschrift.removeObserver(this);
    w.ds_snrinfo.removeObserver(this);
}

void DisplayPreview::watchFields()
{
    DarstellungPage &d = *w.TabSheet2;
    const auto follow = [this](auto *sender, auto signal) { connect(sender, signal, this, [this] { changed(); }); };
    for (QLineEdit *field : {static_cast<QLineEdit *>(d.e_hintergrund), static_cast<QLineEdit *>(d.e_zweitezeile),
                             static_cast<QLineEdit *>(d.e_anzahlzeilen), static_cast<QLineEdit *>(d.e_InfoZeile),
                             static_cast<QLineEdit *>(w.TabSheet4->e_SNRInfoFelder)})
        follow(field, &QLineEdit::textChanged);
    follow(d.tb_trans, &QSlider::valueChanged);
    follow(&d, &DarstellungPage::logoLoaded);
    follow(w.TabSheet3->cb_mitueberschrift, &QCheckBox::toggled);
    follow(w.TabSheet4->cb_startnummerninfo, &QCheckBox::toggled);
    // What a live panel holds before it is written to its row.
    for (PanelGrid *grid : {d.dbcg_spalten, w.TabSheet3->DBCtrlGrid2, w.TabSheet4->DBCtrlGrid1}) {
        ColumnPanel *panel = grid->livePanel();
        for (BoundLineEdit *field : {panel->farbe, panel->anzahlzeichen, panel->text})
            if (field)
                follow(field, &QLineEdit::textChanged);
        follow(panel->fett, &QCheckBox::stateChanged);
        if (panel->ausrichtung)
            follow(panel->ausrichtung, &QComboBox::currentIndexChanged);
    }
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, [this] { changed(); });
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
    QMetaObject::invokeMethod(this, [this] { refresh(); }, Qt::QueuedConnection);
}

void DisplayPreview::refresh()
{
    m_refreshPosted = false;
    if (!isVisible()) {
        m_layoutValid = false;
        return;
    }
    DisplayLayout l = layoutFor(m_canvas->size());
    // A change that leaves the picture as it is (a column beyond the right
    // edge) costs no drawing; one that changes some cells redraws those.
    const QRegion dirty = m_layoutValid ? m_layout.changedArea(l) : QRegion(m_canvas->rect());
    publish(std::move(l));
    if (!dirty.isEmpty())
        m_canvas->update(dirty);
}

void DisplayPreview::publish(DisplayLayout l)
{
    m_layout = std::move(l);
    m_layoutValid = true;
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
                publish(layoutFor(m_canvas->size()));
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

const DisplayPreview::FontChoice &DisplayPreview::fontFor(const QString &name, int points, bool bold) const
{
    // The font lists show 10 for a size outside 1 to 999; so does the preview.
    const int size = points < 1 || points > 999 ? 10 : points;
    const QString key = name + QChar(0x1F) + QString::number(size) + (bold ? u'b' : u'r');
    const auto found = m_fonts.find(key);
    if (found != m_fonts.end())
        return found->second;
    QFont font;
    bool substituted = false;
    if (name.compare(QLatin1String("Default"), Qt::CaseInsensitive) != 0) {
        font = QFont(name);
        substituted = !Installed(name);
    }
    font.setPixelSize(PixelSize(size));
    font.setBold(bold);
    FontChoice choice{font, QFontMetricsF(font), QFontInfo(font).family(), substituted};
    return m_fonts.emplace(key, std::move(choice)).first->second;
}

DisplayLayout DisplayPreview::layoutFor(const QSizeF &target) const
{
    // Names and sizes of any number of columns pass through here; only the
    // fonts of the drawn ones are kept, so a bound on them is a bound on
    // what a long session collects.
    if (m_fonts.size() > 512)
        m_fonts.clear();

    DisplayLayout l;
    const QSize screen = screenSize();
    const qreal W = screen.width();
    const qreal H = screen.height();
    l.target = target;
    l.screenSize = screen;
    l.scale = std::max<qreal>(0, std::min(target.width() / W, target.height() / H));
    l.screen = QRectF((target.width() - W * l.scale) / 2, (target.height() - H * l.scale) / 2, W * l.scale,
                      H * l.scale);
    const auto toTarget = [&l](const QRectF &r) {
        return QRectF(l.screen.x() + r.x() * l.scale, l.screen.y() + r.y() * l.scale, r.width() * l.scale,
                      r.height() * l.scale);
    };

    DarstellungPage &d = *w.TabSheet2;
    l.background = ColourOf(d.e_hintergrund->text());
    const QColor second = ColourOf(d.e_zweitezeile->text());
    const int lines = std::clamp(ParseIntOrDefault(d.e_anzahlzeilen->text(), 20), 1, kMaxLines);

    // The detection line's columns, left to right, as far as the screen
    // reaches: each as wide as its expected number of characters in its
    // own font, or as its first sample when it expects none.
    struct Column {
        qreal x = 0, width = 0;
        const FontChoice *font = nullptr;
        QColor colour;
        Qt::Alignment alignment;
        QString formula;
        int field = -1; // the sample participants' field it shows, or -1
        QString fontName;
        QString text(int line) const
        {
            return field < 0 ? formula : SampleParticipants::FieldValue(field, line);
        }
    };
    std::vector<Column> columns;
    const RowReader spalten(w.mt_spalten, d.dbcg_spalten->livePanel());
    const int columnCount = TrimControls(d.e_InfoZeile->text()).isEmpty() ? 0 : spalten.count();
    qreal x = 0;
    for (int c = 0; c < columnCount && x < W; ++c) {
        Column col;
        col.fontName = spalten.fontName(c);
        col.font = &fontFor(col.fontName, spalten.fontSize(c), spalten.bold(c));
        col.colour = spalten.colour(c);
        col.alignment = spalten.alignment(c);
        col.formula = spalten.formula(c);
        col.field = SampleParticipants::FieldIndex(col.formula);
        const int characters = spalten.characters(c);
        col.width = std::min(characters > 0 ? characters : kDefaultCharacters, 9999) *
                    col.font->metrics.averageCharWidth();
        col.x = x;
        x += col.width;
        columns.push_back(std::move(col));
    }
    l.columnsLaidOut = int(columns.size());

    // The heading row: one cell over each detection-line column.
    const bool heading = w.TabSheet3->cb_mitueberschrift->isChecked();
    const RowReader kopf(w.mt_ueberschrift, w.TabSheet3->DBCtrlGrid2->livePanel());
    struct HeadCell {
        const FontChoice *font = nullptr;
        QColor colour;
        QString text;
        QString fontName;
    };
    std::vector<HeadCell> headCells;
    int headLines = 0;
    if (heading) {
        headLines = 1;
        for (int c = 0; c < int(columns.size()) && c < kopf.count(); ++c) {
            HeadCell h;
            h.fontName = kopf.fontName(c);
            h.font = &fontFor(h.fontName, kopf.fontSize(c), kopf.bold(c));
            h.colour = kopf.colour(c);
            // "\n" written in a heading text breaks the cell.
            h.text = kopf.headingText(c).replace(QLatin1String("\\n"), QLatin1String("\n"));
            headLines = std::max(headLines, std::min<int>(int(h.text.count(u'\n')) + 1, kMaxHeadingLines));
            headCells.push_back(std::move(h));
        }
    }

    // The start-number info block: its own columns side by side, a column
    // whose formula is "\n" starting a new line.
    struct InfoCell {
        qreal x = 0, width = 0;
        const FontChoice *font = nullptr;
        QColor colour;
        QString text;
        QString fontName;
        int column = 0;
    };
    std::vector<std::vector<InfoCell>> infoLines;
    const RowReader snr(w.mt_snrInfo, w.TabSheet4->DBCtrlGrid1->livePanel());
    if (w.TabSheet4->cb_startnummerninfo->isChecked() && !TrimControls(w.TabSheet4->e_SNRInfoFelder->text()).isEmpty()) {
        infoLines.emplace_back();
        qreal ix = 0;
        for (int c = 0; c < snr.count(); ++c) {
            const QString formula = snr.formula(c);
            if (TrimControls(formula) == QLatin1String("\\n")) {
                if (int(infoLines.size()) == kMaxInfoLines)
                    break;
                infoLines.emplace_back();
                ix = 0;
                continue;
            }
            if (ix >= W)
                continue;
            InfoCell cell;
            cell.fontName = snr.fontName(c);
            cell.font = &fontFor(cell.fontName, snr.fontSize(c), snr.bold(c));
            cell.colour = snr.colour(c);
            cell.text = SampleParticipants::CellText(formula, 0);
            cell.width = cell.font->metrics.horizontalAdvance(cell.text) + cell.font->metrics.averageCharWidth() +
                         2 * kCellPadding;
            cell.x = ix;
            cell.column = c;
            ix += cell.width;
            infoLines.back().push_back(std::move(cell));
        }
    }

    // The lines share the screen's height.
    const int slotCount = headLines + lines + int(infoLines.size());
    const qreal slot = H / slotCount;
    const auto addRow = [&](DisplayLayout::RowKind kind, int index, qreal y, qreal height, const QColor &fill) {
        DisplayLayout::Row row;
        row.kind = kind;
        row.index = index;
        row.screenBox = QRectF(0, y, W, height);
        row.box = toTarget(row.screenBox);
        row.fill = fill;
        l.rows.push_back(row);
        return int(l.rows.size()) - 1;
    };
    const auto addCell = [&](int row, int column, qreal cx, qreal width, const FontChoice &font,
                             const QString &fontName, const QColor &colour, Qt::Alignment alignment,
                             const QString &text) {
        DisplayLayout::Cell cell;
        cell.row = row;
        cell.column = column;
        const QRectF &r = l.rows[size_t(row)].screenBox;
        cell.screenBox = QRectF(cx, r.y(), std::min(width, W - cx), r.height());
        cell.box = toTarget(cell.screenBox);
        cell.text = text;
        cell.font = font.font;
        cell.colour = colour;
        cell.alignment = alignment;
        cell.fontName = fontName;
        cell.fontShown = font.shown;
        cell.substituted = font.substituted;
        l.cells.push_back(std::move(cell));
    };

    if (heading) {
        const int row = addRow(DisplayLayout::RowKind::Heading, 0, 0, headLines * slot, l.background);
        for (size_t c = 0; c < headCells.size(); ++c) {
            const HeadCell &h = headCells[c];
            const Column &col = columns[c];
            addCell(row, int(c), col.x, col.width, *h.font, h.fontName, h.colour, col.alignment, h.text);
        }
    }
    for (int i = 0; i < lines; ++i) {
        const int row = addRow(DisplayLayout::RowKind::Detection, i, (headLines + i) * slot, slot,
                               i % 2 ? second : l.background);
        for (size_t c = 0; c < columns.size(); ++c) {
            const Column &col = columns[c];
            addCell(row, int(c), col.x, col.width, *col.font, col.fontName, col.colour, col.alignment,
                    col.text(i));
        }
    }
    for (size_t k = 0; k < infoLines.size(); ++k) {
        const int row = addRow(DisplayLayout::RowKind::Info, int(k), (headLines + lines + int(k)) * slot, slot,
                               l.background);
        for (const InfoCell &cell : infoLines[k])
            addCell(row, cell.column, cell.x, cell.width, *cell.font, cell.fontName, cell.colour, Qt::AlignLeft,
                    cell.text);
    }

    // The logo, centred as the background, as large as the screen allows.
    l.logo = d.displayLogo();
    if (!l.logo.isNull()) {
        const QSizeF fitted = QSizeF(l.logo.size()).scaled(QSizeF(W, H), Qt::KeepAspectRatio);
        l.logoBox = QRectF(QPointF((W - fitted.width()) / 2, (H - fitted.height()) / 2), fitted);
        l.logoOpacity = d.tb_trans->value();
    }
    return l;
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

    // The logo over the lines with the track bar's opacity, as the blended
    // preview lays it over the background; scaled once per size.
    if (!l.logo.isNull() && l.logoOpacity > 0) {
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

    // Texts at the display's own size, scaled with the screen.
    p.translate(l.screen.topLeft());
    p.scale(l.scale, l.scale);
    for (const DisplayLayout::Cell &cell : l.cells) {
        if (cell.text.isEmpty() || !area.intersects(cell.box.toAlignedRect()))
            continue;
        p.setClipRect(cell.screenBox);
        p.setFont(cell.font);
        p.setPen(cell.colour);
        const int lineFlag = cell.text.contains(u'\n') ? 0 : int(Qt::TextSingleLine);
        p.drawText(cell.screenBox.adjusted(kCellPadding, 0, -kCellPadding, 0),
                   int(cell.alignment | Qt::AlignVCenter) | lineFlag, cell.text);
    }
    p.restore();
}
