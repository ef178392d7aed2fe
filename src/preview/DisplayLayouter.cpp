#include "preview/DisplayLayouter.h"

#include "preview/SampleParticipants.h"

#include <algorithm>

namespace
{

using SampleParticipants::TrimControls;

Qt::Alignment AlignmentOf(const QString &stored)
{
    if (stored.compare(QLatin1String("mitte"), Qt::CaseInsensitive) == 0)
        return Qt::AlignHCenter;
    if (stored.compare(QLatin1String("rechts"), Qt::CaseInsensitive) == 0)
        return Qt::AlignRight;
    return Qt::AlignLeft;
}

// A detection-line column as measured: where it starts and how wide it is.
struct Column {
    const DisplayDescription::Column *source = nullptr;
    const DisplayFont *font = nullptr;
    qreal x = 0, width = 0;
    Qt::Alignment alignment;
    int field = -1; // the sample participants' field it shows, or -1
    QString text(int line) const
    {
        return field < 0 ? source->formula : SampleParticipants::FieldValue(field, line);
    }
};

// A heading cell over the column of its place.
struct HeadCell {
    const DisplayDescription::Heading *source = nullptr;
    const DisplayFont *font = nullptr;
    QString text;
};

// A cell of the start-number info block.
struct InfoCell {
    const DisplayDescription::InfoColumn *source = nullptr;
    const DisplayFont *font = nullptr;
    qreal x = 0, width = 0;
    QString text;
    int column = 0;
};

// One layout in the making.
class Builder
{
  public:
    Builder(DisplayFonts &fonts, const DisplayDescription &d) : m_fonts(fonts), m_d(d) {}
    DisplayLayout build(const QSizeF &target);

  private:
    const DisplayFont &fontOf(const DisplayDescription::Format &f)
    {
        return m_fonts.font(f.fontName, f.fontSize, f.bold);
    }
    void frame(const QSizeF &target);
    void measureColumns();
    void measureHeadings();
    void measureInfo();
    void placeRows();
    int addRow(DisplayLayout::RowKind kind, int index, qreal y, qreal height, const QColor &fill);
    void addCell(int row, int column, qreal x, qreal width, const DisplayFont &font,
                 const DisplayDescription::Format &format, Qt::Alignment alignment, const QString &text);
    void placeLogo();
    QRectF toTarget(const QRectF &r) const
    {
        return QRectF(l.screen.x() + r.x() * l.scale, l.screen.y() + r.y() * l.scale, r.width() * l.scale,
                      r.height() * l.scale);
    }

    DisplayFonts &m_fonts;
    const DisplayDescription &m_d;
    DisplayLayout l;
    qreal W = 0, H = 0;
    std::vector<Column> m_columns;
    std::vector<HeadCell> m_headCells;
    int m_headLines = 0; // 0 without a heading row
    std::vector<std::vector<InfoCell>> m_infoLines;
};

DisplayLayout Builder::build(const QSizeF &target)
{
    frame(target);
    measureColumns();
    measureHeadings();
    measureInfo();
    placeRows();
    placeLogo();
    return std::move(l);
}

// The screen as large as the target allows, centred in it.
void Builder::frame(const QSizeF &target)
{
    W = m_d.screen.width();
    H = m_d.screen.height();
    l.target = target;
    l.screenSize = m_d.screen;
    l.scale = std::max<qreal>(0, std::min(target.width() / W, target.height() / H));
    l.screen = QRectF((target.width() - W * l.scale) / 2, (target.height() - H * l.scale) / 2, W * l.scale,
                      H * l.scale);
    l.background = m_d.background;
}

// The detection line's columns, left to right, as far as the screen
// reaches: each as wide as its expected number of characters in its own
// font, or as DefaultCharacters when it expects none.
void Builder::measureColumns()
{
    if (TrimControls(m_d.detectionFormulas).isEmpty())
        return;
    qreal x = 0;
    for (size_t c = 0; c < m_d.columns.size() && x < W; ++c) {
        const DisplayDescription::Column &source = m_d.columns[c];
        Column col;
        col.source = &source;
        col.font = &fontOf(source);
        col.alignment = AlignmentOf(source.alignment);
        col.field = SampleParticipants::FieldIndex(source.formula);
        const int characters = source.characters > 0 ? source.characters : DisplayLayouter::DefaultCharacters;
        col.width = std::min(characters, 9999) * col.font->averageCharWidth;
        col.x = x;
        x += col.width;
        l.columns.push_back({col.x, col.width, col.font->averageCharWidth});
        m_columns.push_back(col);
    }
    l.columnsLaidOut = int(m_columns.size());
}

// One heading cell over each detection-line column; the row is as many
// lines high as its tallest cell.
void Builder::measureHeadings()
{
    if (!m_d.heading)
        return;
    m_headLines = 1;
    for (size_t c = 0; c < m_columns.size() && c < m_d.headings.size(); ++c) {
        HeadCell h;
        h.source = &m_d.headings[c];
        h.font = &fontOf(*h.source);
        h.text = QString(h.source->text).replace(QLatin1String("\\n"), QLatin1String("\n"));
        const int lines = std::min<int>(int(h.text.count(u'\n')) + 1, DisplayLayouter::MaxHeadingLines);
        m_headLines = std::max(m_headLines, lines);
        m_headCells.push_back(std::move(h));
    }
}

// The start-number info block: its own columns side by side, each as wide
// as its text and one average character, a column whose formula is "\n"
// starting a new line.
void Builder::measureInfo()
{
    if (!m_d.info || TrimControls(m_d.infoFormulas).isEmpty())
        return;
    m_infoLines.emplace_back();
    qreal x = 0;
    for (size_t c = 0; c < m_d.infoColumns.size(); ++c) {
        const DisplayDescription::InfoColumn &source = m_d.infoColumns[c];
        if (TrimControls(source.formula) == QLatin1String("\\n")) {
            if (int(m_infoLines.size()) == DisplayLayouter::MaxInfoLines)
                break;
            m_infoLines.emplace_back();
            x = 0;
            continue;
        }
        if (x >= W)
            continue;
        InfoCell cell;
        cell.source = &source;
        cell.font = &fontOf(source);
        cell.text = SampleParticipants::CellText(source.formula, 0);
        cell.width = m_fonts.advance(*cell.font, cell.text) + cell.font->averageCharWidth +
                     2 * DisplayLayout::CellPadding;
        cell.x = x;
        cell.column = int(c);
        x += cell.width;
        m_infoLines.back().push_back(std::move(cell));
    }
}

// The lines share the screen's height: heading row, detection lines, info
// lines.
void Builder::placeRows()
{
    using Kind = DisplayLayout::RowKind;
    const int lines = std::clamp(m_d.lines, 1, DisplayLayouter::MaxLines);
    const qreal slot = H / (m_headLines + lines + int(m_infoLines.size()));
    l.rows.reserve(size_t(1 + lines) + m_infoLines.size());
    l.cells.reserve(m_headCells.size() + size_t(lines) * m_columns.size() + 2 * m_columns.size());
    if (m_d.heading) {
        const int row = addRow(Kind::Heading, 0, 0, m_headLines * slot, l.background);
        for (size_t c = 0; c < m_headCells.size(); ++c) {
            const Column &col = m_columns[c];
            const HeadCell &h = m_headCells[c];
            addCell(row, int(c), col.x, col.width, *h.font, *h.source, col.alignment, h.text);
        }
    }
    for (int i = 0; i < lines; ++i) {
        const QColor &fill = i % 2 ? m_d.secondLine : l.background;
        const int row = addRow(Kind::Detection, i, (m_headLines + i) * slot, slot, fill);
        for (size_t c = 0; c < m_columns.size(); ++c) {
            const Column &col = m_columns[c];
            addCell(row, int(c), col.x, col.width, *col.font, *col.source, col.alignment, col.text(i));
        }
    }
    for (size_t k = 0; k < m_infoLines.size(); ++k) {
        const int row = addRow(Kind::Info, int(k), (m_headLines + lines + int(k)) * slot, slot, l.background);
        for (const InfoCell &cell : m_infoLines[k])
            addCell(row, cell.column, cell.x, cell.width, *cell.font, *cell.source, Qt::AlignLeft, cell.text);
    }
}

int Builder::addRow(DisplayLayout::RowKind kind, int index, qreal y, qreal height, const QColor &fill)
{
    DisplayLayout::Row row;
    row.kind = kind;
    row.index = index;
    row.screenBox = QRectF(0, y, W, height);
    row.box = toTarget(row.screenBox);
    row.fill = fill;
    l.rows.push_back(row);
    return int(l.rows.size()) - 1;
}

void Builder::addCell(int row, int column, qreal x, qreal width, const DisplayFont &font,
                      const DisplayDescription::Format &format, Qt::Alignment alignment, const QString &text)
{
    DisplayLayout::Cell cell;
    cell.row = row;
    cell.column = column;
    const QRectF &r = l.rows[size_t(row)].screenBox;
    cell.screenBox = QRectF(x, r.y(), std::min(width, W - x), r.height());
    cell.box = toTarget(cell.screenBox);
    cell.text = text;
    cell.font = font.font;
    cell.colour = format.colour;
    cell.alignment = alignment;
    cell.fontName = format.fontName;
    cell.fontShown = font.shown;
    cell.substituted = font.substituted;
    l.cells.push_back(std::move(cell));
}

// The logo, centred as the background, as large as the screen allows.
void Builder::placeLogo()
{
    l.logo = m_d.logo;
    if (l.logo.isNull())
        return;
    const QSizeF fitted = QSizeF(l.logo.size()).scaled(QSizeF(W, H), Qt::KeepAspectRatio);
    l.logoBox = QRectF(QPointF((W - fitted.width()) / 2, (H - fitted.height()) / 2), fitted);
    l.logoOpacity = m_d.logoOpacity;
}

} // namespace

DisplayLayout DisplayLayouter::layout(const DisplayDescription &d, const QSizeF &target)
{
    m_fonts.startLayout();
    return Builder(m_fonts, d).build(target);
}
