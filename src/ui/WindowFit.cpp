#include "WindowFit.h"

#include <QGuiApplication>
#include <QWidget>
#include <QtMath>

#include <algorithm>

namespace
{

constexpr int kButtonGap = 8;

} // namespace

WindowFit WindowFitFor(const QSize &room, int scrollBar)
{
    const QSize designed(794, 574);
    const QSize pageArea(794, 533);
    const int buttonRow = 41; // the button and the gaps around it
    WindowFit l;
    if (room.width() >= designed.width() && room.height() >= designed.height()) {
        l.window = designed;
        l.pages = QRect(QPoint(0, 0), pageArea);
        l.button = kSaveButtonPlace;
        l.previewButton = kPreviewButtonPlace;
        return l;
    }
    l.scrolls = true;
    QSize window = designed.boundedTo(room);
    // A scroll bar in one direction takes room from the other.
    const bool down = window.height() < designed.height();
    if (down)
        window.setWidth(std::min(room.width(), designed.width() + scrollBar));
    const bool across = window.width() - (down ? scrollBar : 0) < pageArea.width();
    if (across)
        window.setHeight(std::min(room.height(), designed.height() + scrollBar));
    // Below this nothing useful shows; the window then needs the screen's
    // own scrolling of the window manager.
    const QSize smallest(240, 160);
    l.window = window.expandedTo(smallest);
    l.pages = QRect(0, 0, l.window.width(), l.window.height() - buttonRow);
    const int buttonWidth = std::min(211, l.window.width() - 8);
    l.button = QRect((l.window.width() - buttonWidth) / 2, l.window.height() - buttonRow, buttonWidth, 36);
    // "Vorschau" to its right; where the row is too narrow for both, the
    // pair is centred and both give up width.
    const int previewWidth = kPreviewButtonPlace.width();
    const int besideButton = l.window.width() - 4 - (l.button.right() + 1 + kButtonGap);
    if (besideButton >= previewWidth) {
        l.previewButton = QRect(l.button.right() + 1 + kButtonGap, l.button.top(), previewWidth, 36);
        return l;
    }
    const int row = l.window.width() - 8;
    const int first = std::min(211, (row - kButtonGap) * 211 / (211 + previewWidth));
    const int second = std::min(previewWidth, row - kButtonGap - first);
    const int left = (l.window.width() - (first + kButtonGap + second)) / 2;
    l.button = QRect(left, l.button.top(), first, 36);
    l.previewButton = QRect(left + first + kButtonGap, l.button.top(), second, 36);
    return l;
}

QMargins WindowFrame(const QWidget &w, qreal ratio)
{
    const QRect frame = w.frameGeometry();
    const QRect inner = w.geometry();
    QMargins margins(frame.left() - inner.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                     frame.bottom() - inner.bottom());
    if (margins.isNull() && w.testAttribute(Qt::WA_WState_Created) &&
        QGuiApplication::platformName() == u"xcb")
        margins = QMargins(qCeil(6 / ratio), qCeil(30 / ratio), qCeil(6 / ratio), qCeil(6 / ratio));
    return margins;
}
