#include "Shape.h"

#include <QMouseEvent>
#include <QPainter>

Shape::Shape(Kind kind, QWidget *parent)
    : QWidget(parent), m_kind(kind), m_fill(kind == Kind::Separator ? QColor(0x80, 0x80, 0x80) : Qt::white)
{
}

void Shape::setFill(const QColor &color)
{
    m_fill = color;
    update();
}

void Shape::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), m_fill);
    if (m_kind == Kind::Separator) {
        p.setPen(QPen(Qt::black, 1, Qt::DashDotDotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void Shape::mousePressEvent(QMouseEvent *event)
{
    emit pressed(event->button());
    event->accept();
}
