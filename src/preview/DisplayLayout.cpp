#include "preview/DisplayLayout.h"

#include <algorithm>
#include <cmath>

namespace
{

// The row's name and a colon, as the description starts its line.
QString RowName(const DisplayLayout::Row &row)
{
    const QString number = QString::number(row.index + 1);
    switch (row.kind) {
    case DisplayLayout::RowKind::Heading:
        return QStringLiteral("Überschrift: ");
    case DisplayLayout::RowKind::Detection:
        return QStringLiteral("Zeile ") + number + QStringLiteral(": ");
    case DisplayLayout::RowKind::Info:
        break;
    }
    return QStringLiteral("Startnummern Info ") + number + QStringLiteral(": ");
}

} // namespace

bool DisplayLayout::operator==(const DisplayLayout &o) const
{
    return target == o.target && screenSize == o.screenSize && background == o.background && rows == o.rows &&
           cells == o.cells && logo.cacheKey() == o.logo.cacheKey() && logoBox == o.logoBox &&
           (logo.isNull() || logoOpacity == o.logoOpacity);
}

QStringList DisplayLayout::describe() const
{
    // Once per change of the picture: built with plain appends.
    static const QString separator = QStringLiteral(" | ");
    QStringList lines;
    lines.reserve(qsizetype(rows.size()));
    size_t c = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        QString line = RowName(rows[r]);
        for (size_t first = c; c < cells.size() && cells[c].row == int(r); ++c) {
            if (c != first)
                line += separator;
            const qsizetype at = line.size();
            line += cells[c].text;
            if (cells[c].text.contains(u'\n'))
                std::replace(line.begin() + at, line.end(), QChar(u'\n'), QChar(u' '));
        }
        lines << line;
    }
    return lines;
}

QRegion DisplayLayout::changedArea(const DisplayLayout &o, qreal devicePixelRatio) const
{
    const QRect everything =
        QRectF(QPointF(0, 0), target).toAlignedRect() | QRectF(QPointF(0, 0), o.target).toAlignedRect();
    if (target != o.target || screenSize != o.screenSize || background != o.background || rows != o.rows ||
        cells.size() != o.cells.size() || logo.cacheKey() != o.logo.cacheKey() || logoBox != o.logoBox ||
        (!logo.isNull() && logoOpacity != o.logoOpacity))
        return everything;
    QRegion area;
    for (size_t i = 0; i < cells.size(); ++i)
        if (!(cells[i] == o.cells[i]))
            area += pixelsOf(cells[i], devicePixelRatio) | pixelsOf(o.cells[i], devicePixelRatio);
    return area;
}

QRect DisplayLayout::pixelsOf(const Cell &cell, qreal devicePixelRatio)
{
    if (devicePixelRatio != 1)
        return cell.box.toAlignedRect().adjusted(-1, -1, 1, 1);
    // The raster engine clips to the box mapped to the device, rounded by
    // QRectF::toRect(); the box it maps may differ from this one in the last
    // bits, so the rounding of slightly moved and resized boxes is taken
    // in too.
    constexpr qreal hair = 1e-6;
    const QRectF &b = cell.box;
    QRect pixels = b.toRect();
    for (const qreal d : {-hair, hair})
        for (const qreal e : {-2 * hair, 2 * hair})
            pixels |= QRectF(b.x() + d, b.y() + d, b.width() + e, b.height() + e).toRect();
    return pixels;
}

const DisplayLayout::Cell *DisplayLayout::cellAt(const QPointF &pos) const
{
    for (const Cell &cell : cells)
        if (cell.box.contains(pos))
            return &cell;
    return nullptr;
}

int DisplayLayout::columnEdgeAt(const QPointF &pos, qreal reach) const
{
    bool overColumns = false;
    for (const Row &row : rows)
        if (row.kind != RowKind::Info && pos.y() >= row.box.top() && pos.y() < row.box.bottom())
            overColumns = true;
    if (!overColumns)
        return -1;
    int found = -1;
    qreal best = reach;
    for (size_t c = 0; c < columns.size(); ++c) {
        const qreal edge = screen.x() + (columns[c].x + columns[c].width) * scale;
        const qreal distance = std::abs(pos.x() - edge);
        if (distance <= best) {
            best = distance;
            found = int(c);
        }
    }
    return found;
}
