#pragma once
#include <QSlider>

// A horizontal track bar as the page "Darstellung" uses it: a click on the
// track puts the thumb at the clicked point (instead of paging towards it),
// and one notch of the mouse wheel moves it by one step, whatever the
// desktop's scroll setting. Keys and dragging work as on any slider.
class TrackBar : public QSlider
{
    Q_OBJECT
  public:
    explicit TrackBar(QWidget *parent = nullptr);

  protected:
    void wheelEvent(QWheelEvent *event) override;

  private:
    int m_wheelRemainder = 0; // angle delta of a notch not yet complete
};
