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

    QWidget *canvas() const { return m_canvas; }
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
    // Lays the display out for a target of that size (no drawing).
    DisplayLayout layoutFor(const QSizeF &target) const;
    // Draws the display into an image of that size, as the window does.
    QImage render(const QSize &size) const;
    // What the window drew last.
    const DisplayLayout &drawnLayout() const { return m_layout; }
    // How often the window has laid its picture out: once per change (or
    // new size), never for a mere repaint.
    int canvasLayouts() const { return m_canvasLayouts; }
    // The tooltip of the picture at a point: a cell whose font is not
    // installed says which one is drawn instead; empty elsewhere.
    QString toolTipAt(const QPointF &pos) const;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
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
    // QAccessible::ActivationObserver
    void accessibilityActiveChanged(bool active) override
    {
        m_listening = active;
        if (active)
            describe();
    }

    const EditorState &m_state;
    QImage m_logo;
    QWidget *m_canvas = nullptr;
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
