#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QRegion>
#include <QStringList>

#include <vector>

// One screen of the display as the preview draws it, in the coordinates of
// the widget or image it is drawn into. Only what lies on the screen is in
// it: columns that start beyond the right edge are neither measured nor
// drawn.
struct DisplayLayout {
    enum class RowKind { Heading, Detection, Info };
    struct Row {
        RowKind kind = RowKind::Detection;
        int index = 0;    // detection line or info line, from 0
        QRectF box;       // in the target
        QRectF screenBox; // on the display's screen
        QColor fill;      // the row's background
        bool operator==(const Row &o) const
        {
            return kind == o.kind && index == o.index && box == o.box && fill == o.fill;
        }
    };
    struct Cell {
        int row = 0;      // index into rows
        int column = 0;   // column of its layout (detection line or start-number info)
        QRectF box;       // the column's box in this row, in the target
        QRectF screenBox; // the same on the display's screen
        QString text;
        QFont font; // at the display's own size
        QColor colour;
        Qt::Alignment alignment = Qt::AlignLeft;
        QString fontName;  // as stored
        QString fontShown; // the family drawn; differs when the name is not installed
        bool substituted = false;
        bool operator==(const Cell &o) const
        {
            return row == o.row && column == o.column && box == o.box && text == o.text &&
                   colour == o.colour && alignment == o.alignment && font == o.font;
        }
    };

    // A detection-line column as measured, on the display's screen.
    struct ColumnSpan {
        qreal x = 0, width = 0;
        qreal charWidth = 0; // the width of one expected character in its font
    };

    // Blank space inside a column's box, left and right, in screen pixels.
    static constexpr qreal CellPadding = 2;

    QSizeF target;     // the widget or image drawn into
    QSizeF screenSize; // the display's screen
    QRectF screen;     // where it lies in the target
    qreal scale = 1;   // target pixels per screen pixel
    QColor background;
    std::vector<Row> rows;
    std::vector<Cell> cells;
    QImage logo;    // null without one
    QRectF logoBox; // in screen coordinates
    int logoOpacity = 0;
    int columnsLaidOut = 0;          // detection-line columns measured for this picture
    std::vector<ColumnSpan> columns; // those columns, left to right

    bool operator==(const DisplayLayout &o) const;
    bool operator!=(const DisplayLayout &o) const { return !(*this == o); }

    // Where a picture of o differs from this one, in the target drawn at
    // that device pixel ratio.
    QRegion changedArea(const DisplayLayout &o, qreal devicePixelRatio = 1) const;
    // The pixels of the target a cell's drawing may touch at that device
    // pixel ratio. At ratio 1 these are the pixels its box clips to, rounded
    // as the raster engine rounds a clip rectangle, so a neighbour whose box
    // only shares an edge is mostly left out; otherwise every pixel the box
    // touches, and one around.
    static QRect pixelsOf(const Cell &cell, qreal devicePixelRatio);
    // One line per drawn row, its cells' texts in order.
    QStringList describe() const;
    // The cell at a point of the target, or nullptr.
    const Cell *cellAt(const QPointF &pos) const;
    // The detection-line column whose right edge lies within `reach` target
    // pixels of pos, over the heading or detection rows; -1 for none. The
    // nearest edge wins.
    int columnEdgeAt(const QPointF &pos, qreal reach) const;
    // A point on the screen (in the target) in display pixels from the
    // screen's left edge.
    qreal screenX(const QPointF &pos) const { return scale > 0 ? (pos.x() - screen.x()) / scale : 0; }
};
