#include "PictureBox.h"

#include <QPainter>

PictureBox::PictureBox(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
}

void PictureBox::setKeyColorTransparent(bool on)
{
    m_keyColor = on;
    setPicture(m_image);
}

void PictureBox::setPicture(const QImage &image)
{
    m_image = image;
    m_drawn = image;
    if (m_keyColor && !image.isNull()) {
        QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = argb.pixel(0, argb.height() - 1) | 0xFF000000u;
        for (int y = 0; y < argb.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(argb.scanLine(y));
            for (int x = 0; x < argb.width(); ++x) {
                if ((line[x] | 0xFF000000u) == key)
                    line[x] = 0;
            }
        }
        m_drawn = argb;
    }
    update();
}

QRect PictureBox::targetRect(const QSize &pictureSize) const
{
    if (pictureSize.isEmpty())
        return QRect();
    const QSize fitted = pictureSize.scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

void PictureBox::paintEvent(QPaintEvent *)
{
    if (m_drawn.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(targetRect(m_drawn.size()), m_drawn);
}
