#pragma once
#include <QWidget>

// A filled rectangle without outline (swatches, backdrops, shadows) or a
// separator (black dash-dot-dot outline, grey fill). Reports mouse presses.
class Shape : public QWidget
{
    Q_OBJECT
  public:
    enum class Kind { Filled, Separator };
    explicit Shape(Kind kind, QWidget *parent = nullptr);

    void setFill(const QColor &color);
    QColor fill() const { return m_fill; }

  signals:
    void pressed(Qt::MouseButton button);

  protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

  private:
    Kind m_kind;
    QColor m_fill;
};
