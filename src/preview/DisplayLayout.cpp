#include "preview/DisplayLayout.h"

namespace
{

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
    const QRect everything =
        QRectF(QPointF(0, 0), target).toAlignedRect() | QRectF(QPointF(0, 0), o.target).toAlignedRect();
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
