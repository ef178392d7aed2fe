#pragma once
#include "editor/EditorState.h"
#include "preview/DisplayDescription.h"
#include "preview/DisplayFonts.h"
#include "preview/DisplayLayout.h"
#include "preview/DisplayLayouter.h"

#include <QAccessible>
#include <QImage>
#include <QStringList>
#include <QWidget>

class QLabel;
class QMenu;
class PreviewCanvas;

// A column of one of the three layouts: the format table that holds it and
// its row there (from 0).
struct ColumnRef {
    Key formatKey = Key::InfoZeileFormat;
    int row = -1;
    bool isValid() const { return row >= 0; }
    bool operator==(const ColumnRef &o) const { return formatKey == o.formatKey && row == o.row; }
    bool operator!=(const ColumnRef &o) const { return !(*this == o); }
};

// What an edit on the picture asks of the window. Every change goes through
// the same table rows the column panels write.
class ColumnEdits
{
  public:
    virtual ~ColumnEdits() = default;
    // Makes the column the current one: its page in front, its panel
    // current and in view; keyboardToPanel also puts the keyboard in the
    // panel's first field.
    virtual void select(const ColumnRef &column, bool keyboardToPanel) = 0;
    // "Anzahl der erwarteten Zeichen" of a detection-line column.
    virtual void setCharacters(int row, int characters) = 0;
    virtual void setAlignment(const ColumnRef &column, const QString &stored) = 0;
    virtual void setBold(const ColumnRef &column, bool bold) = 0;
    // One step of the panel's size list up (+1) or down (-1).
    virtual void stepFontSize(const ColumnRef &column, int step) = 0;
    // Opens the colour chooser for the column's colour.
    virtual void chooseColour(const ColumnRef &column) = 0;
    // One operator step on the picture is complete (a drag released, a
    // menu entry chosen, a key), or about to begin.
    virtual void stepDone() = 0;
    // Puts back what the step begun since the last stepDone changed (Escape
    // during a drag).
    virtual void cancelStep() = 0;
};

// "Vorschau der Anzeige": a window beside the main window that draws one
// screen of the display from the settings as they stand in the editor, with
// sample participants in the cells. It only watches the editor state: its
// values, its tables and the input the panels hold. It never writes to a
// table, never moves a cursor and has no part in a save.
class DisplayPreview : public QWidget, private QAccessible::ActivationObserver
{
    Q_OBJECT
  public:
    static QString Caption() { return QStringLiteral("Vorschau der Anzeige"); }
    static QString NoteText();
    // Pixels of a font of `points` on the display's screen.
    static int PixelSize(int points);

    // A window of its own beside parent.
    DisplayPreview(const EditorState &state, QWidget *parent);
    ~DisplayPreview() override;

    QWidget *canvas() const;
    QLabel *note() const { return m_note; }

    // The display's screen in pixels: the primary screen's unless set.
    QSize screenSize() const;
    void setScreenSize(const QSize &size);

    // The logo as logo.png holds it (null: none).
    void setLogo(const QImage &logo);

    // What the display shows as the editor holds it now: the state's
    // values, the tables' rows and what the live panels hold but have not
    // written.
    DisplayDescription description() const;
    // The same with at most `columns` detection-line columns and headings,
    // those from the left; `cut` says whether the tables hold more.
    DisplayDescription description(int columns, bool *cut) const;
    // Lays the display out for a target of that size (no drawing).
    DisplayLayout layoutFor(const QSizeF &target) const;
    // Draws the display into an image of that size, as the window does;
    // with the selected column's frame, which only the window shows, when
    // asked for.
    QImage render(const QSize &size, bool withSelection = false) const;
    // What the window drew last.
    const DisplayLayout &drawnLayout() const { return m_layout; }
    // How often the window has laid its picture out: once per change (or
    // new size), never for a mere repaint.
    int canvasLayouts() const { return m_canvasLayouts; }
    // The tooltip of the picture at a point: a cell whose font is not
    // installed says which one is drawn instead; empty elsewhere.
    QString toolTipAt(const QPointF &pos) const;

    // Editing on the picture: without edits it only shows.
    void setColumnEdits(ColumnEdits *edits) { m_edits = edits; }
    // The column marked on the picture (the window's current panel).
    void setSelection(const ColumnRef &column);
    const ColumnRef &selection() const { return m_selection; }
    // Whether a drawn cell belongs to the selected column.
    bool isSelected(const DisplayLayout::Cell &cell) const;
    // The column a drawn cell shows.
    ColumnRef columnOf(const DisplayLayout::Cell &cell) const;
    // The widest a column may expect ("Anzahl der erwarteten Zeichen").
    static constexpr int MaxCharacters = 9999;
    // A resize drag in progress.
    bool dragging() const { return m_drag.column >= 0; }
    // The context menu of a cell, as a right click opens it (for tests:
    // built, not shown).
    QMenu *contextMenuFor(const DisplayLayout::Cell &cell, QWidget *parent);

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void watchState();
    // Many notifications of one change make one new picture, once the
    // change is complete.
    void changed();
    void refresh();
    // Draws what of l lies in area (in the target).
    void paintLayout(QPainter &p, const DisplayLayout &l, const QRegion &area) const;
    void paintLogo(QPainter &p, const DisplayLayout &l) const;
    void paintCells(QPainter &p, const DisplayLayout &l, const QRegion &area) const;
    DisplayLayout layOutCanvas();
    void publish(DisplayLayout l);
    void describe();
    friend class PreviewCanvas;
    bool canvasEvent(QEvent *event);
    void mousePressed(QMouseEvent *event);
    void mouseMoved(QMouseEvent *event);
    void mouseReleased(QMouseEvent *event);
    bool keyPressed(QKeyEvent *event);
    void contextMenu(QContextMenuEvent *event);
    // Expected characters of a detection-line column as the panels hold
    // them; what a column without any shows (DefaultCharacters) for none.
    int charactersShown(int row) const;
    void dragTo(const QPointF &pos);
    void endDrag(bool putBack);
    void addMenuEntries(QMenu &menu, const ColumnRef &column);
    // The target area of the selected column's frame, or empty.
    QRect selectionFrame(const DisplayLayout &l) const;
    void paintSelection(QPainter &p, const DisplayLayout &l) const;
    // QAccessible::ActivationObserver
    void accessibilityActiveChanged(bool active) override
    {
        m_listening = active;
        if (active)
            describe();
    }

    const EditorState &m_state;
    QImage m_logo;
    PreviewCanvas *m_canvas = nullptr;
    ColumnEdits *m_edits = nullptr;
    ColumnRef m_selection;
    struct Drag {
        int column = -1;    // the detection-line column resized
        int characters = 0; // as the drag set them last
    } m_drag;
    ColumnRef m_pressed; // the column a left button went down on
    QLabel *m_note = nullptr;
    QSize m_screenSize;
    DisplayLayout m_layout;
    bool m_layoutValid = false;
    int m_canvasLayouts = 0;
    bool m_refreshPosted = false;
    QStringList m_described;
    bool m_listening = QAccessible::isActive(); // a screen reader listens
    mutable InstalledFonts m_fonts;
    mutable DisplayLayouter m_layouter{m_fonts};
    mutable QImage m_scaledLogo; // the logo at the size it was drawn last
    mutable qint64 m_scaledLogoKey = 0;
};
