#include "TrackBar.h"

#include <QProxyStyle>
#include <QWheelEvent>

namespace
{

// Qt's sliders page towards a click on the track unless the style says the
// button sets the position absolutely.
class AbsoluteClickStyle : public QProxyStyle
{
  public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_Slider_AbsoluteSetButtons)
            return Qt::LeftButton;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

TrackBar::TrackBar(QWidget *parent) : QSlider(Qt::Horizontal, parent)
{
    auto *style = new AbsoluteClickStyle;
    style->setParent(this);
    setStyle(style);
}

void TrackBar::wheelEvent(QWheelEvent *event)
{
    const QPoint angle = event->angleDelta();
    int delta = std::abs(angle.x()) > std::abs(angle.y()) ? -angle.x() : angle.y();
    if (event->inverted())
        delta = -delta;
    // 120 is one notch; high-resolution wheels send parts of it.
    m_wheelRemainder += delta;
    int steps = m_wheelRemainder / QWheelEvent::DefaultDeltasPerStep;
    m_wheelRemainder -= steps * QWheelEvent::DefaultDeltasPerStep;
    if (invertedControls())
        steps = -steps;
    const int before = value();
    if (steps != 0)
        setValue(before + steps * singleStep());
    // At an end the wheel goes on to the parent, a scroll area may want it.
    if (steps != 0 && value() == before) {
        m_wheelRemainder = 0;
        event->ignore();
        return;
    }
    event->accept();
}
