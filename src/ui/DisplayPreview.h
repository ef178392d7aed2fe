#pragma once
#include "columns/FormatTable.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QRectF>
#include <QRegion>
#include <QStringList>
#include <QWidget>

#include <unordered_map>
#include <vector>

class QLabel;
class Tf_root;

// One screen of the display as the preview draws it, in the coordinates of
// the widget or image it is drawn into. Only what lies on the screen is in
// it: columns that start beyond the right edge are neither measured nor
// drawn.
struct DisplayLayout {
    enum class RowKind { Heading, Detection, Info };
    struct Row {
        RowKind kind = RowKind::Detection;
        int index = 0;   // detection line or info line, from 0
        QRectF box;      // in the target
        QRectF screenBox; // on the display's screen
        QColor fill;     // the row's background
        bool operator==(const Row &o) const
        {
            return kind == o.kind && index == o.index && box == o.box && fill == o.fill;
        }
    };
    struct Cell {
        int row = 0;    // index into rows
        int column = 0; // column of its layout (detection line or start-number info)
        QRectF box;     // the column's box in this row, in the target
        QRectF screenBox; // the same on the display's screen
        QString text;
        QFont font;     // at the display's own size
        QColor colour;
        Qt::Alignment alignment = Qt::AlignLeft;
        QString fontName;  // as stored
        QString fontShown; // the family drawn; differs when the name is not installed
        bool substituted = false;
        bool operator==(const Cell &o) const
        {
            return row == o.row && column == o.column && box == o.box && text == o.text && font == o.font &&
                   colour == o.colour && alignment == o.alignment;
        }
    };

    QSizeF target;     // the widget or image drawn into
    QSizeF screenSize; // the display's screen
    QRectF screen;     // where it lies in the target
    qreal scale = 1;   // target pixels per screen pixel
    QColor background;
    std::vector<Row> rows;
    std::vector<Cell> cells;
    QImage logo;       // null without one
    QRectF logoBox;    // in screen coordinates
    int logoOpacity = 0;
    int columnsLaidOut = 0; // detection-line columns measured for this picture

    bool operator==(const DisplayLayout &o) const;
    bool operator!=(const DisplayLayout &o) const { return !(*this == o); }

    // Where a picture of o differs from this one, in the target.
    QRegion changedArea(const DisplayLayout &o) const;
    // One line per drawn row, its cells' texts in order.
    QStringList describe() const;
    // The cell at a point of the target, or nullptr.
    const Cell *cellAt(const QPointF &pos) const;
};

// "Vorschau der Anzeige": a window beside the main window that draws one
// screen of the display from the settings as they stand in the editor, with
// sample participants in the cells. It only watches: the format tables
// through their view links, the fields through their change signals. It
// never writes to a table, never moves a cursor and has no part in a save.
class DisplayPreview : public QWidget, private FormatTableObserver
{
    Q_OBJECT
public:
    static QString Caption() { return QStringLiteral("Vorschau der Anzeige"); }
    static QString NoteText();
    // Pixels of a font of `points` on the display's screen.
    static int PixelSize(int points);

    explicit DisplayPreview(Tf_root &window);
    ~DisplayPreview() override;

    QWidget *canvas() const { return m_canvas; }
    QLabel *note() const { return m_note; }

    // The display's screen in pixels: the primary screen's unless set.
    QSize screenSize() const;
    void setScreenSize(const QSize &size);

    // Lays the display out for a target of that size (no drawing).
    DisplayLayout layoutFor(const QSizeF &target) const;
    // Draws the display into an image of that size, as the window does.
    QImage render(const QSize &size) const;
    // What the window drew last.
    const DisplayLayout &drawnLayout() const { return m_layout; }
    // The tooltip of the picture at a point: a cell whose font is not
    // installed says which one is drawn instead; empty elsewhere.
    QString toolTipAt(const QPointF &pos) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // FormatTableObserver: every change of a table shows at once.
    void dataChanged() override { changed(); }
    void rowChanged() override { changed(); }
    void stateChanged() override { changed(); }
    void linkChanged(bool) override { changed(); }

    void watchFields();
    // Many notifications of one change make one new picture, once the
    // change is complete.
    void changed();
    void refresh();
    void paintCanvas(QPainter &p);
    // Draws what of l lies in area (in the target).
    void paintLayout(QPainter &p, const DisplayLayout &l, const QRegion &area) const;
    void publish(DisplayLayout l);

    // A cell's font at the display's size, with what it takes to measure it.
    struct FontChoice {
        QFont font;
        QFontMetricsF metrics;
        QString shown;            // the family really drawn
        bool substituted = false; // the stored name is not installed
    };
    const FontChoice &fontFor(const QString &name, int points, bool bold) const;

    Tf_root &w;
    QWidget *m_canvas = nullptr;
    QLabel *m_note = nullptr;
    QSize m_screenSize;
    DisplayLayout m_layout;
    bool m_layoutValid = false;
    bool m_refreshPosted = false;
    QStringList m_described;
    mutable std::unordered_map<QString, FontChoice> m_fonts;
    mutable QImage m_scaledLogo; // the logo at the size it was drawn last
    mutable qint64 m_scaledLogoKey = 0;
};
