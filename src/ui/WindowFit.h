#pragma once
#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

// Where the main window's parts go when `room` is what the screen offers
// inside the window manager's frame: the designed 794 x 574 whenever it
// fits; on a smaller screen (a netbook, a high scale factor) the largest
// size that fits, the pages in a scroll area and the button below them, so
// that it stays visible. scrollBar is the width of a scroll bar: a window
// too low for the pages gets that much wider, where there is room, so that
// only the vertical one is needed.
struct WindowFit {
    QSize window;
    QRect pages;         // the scroll area holding the page control
    QRect button;        // "speichern + schliessen"
    QRect previewButton; // "Vorschau", to its right
    bool scrolls = false;
};
WindowFit WindowFitFor(const QSize &room, int scrollBar);

// The designed places of "speichern + schliessen" and "Vorschau".
inline constexpr QRect kSaveButtonPlace(288, 533, 211, 36);
inline constexpr QRect kPreviewButtonPlace(507, 533, 100, 36);

// The frame the window manager puts around `window`; before the window is
// framed, on X11, a usual frame (title bar and borders, in device pixels).
QMargins WindowFrame(const QWidget &window, qreal devicePixelRatio);
