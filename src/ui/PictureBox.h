#pragma once
#include <QImage>
#include <QWidget>

// An image scaled to fit its box, keeping its aspect ratio, centred. In
// key-colour mode the pixels that have the colour of the picture's
// bottom-left pixel are left out, so the backdrop shows through there.
class PictureBox : public QWidget
{
    Q_OBJECT
  public:
    explicit PictureBox(QWidget *parent = nullptr);

    void setPicture(const QImage &image);
    const QImage &picture() const { return m_image; }
    bool hasPicture() const { return !m_image.isNull(); }
    void setKeyColorTransparent(bool on);
    // The box a picture of that size is drawn into.
    QRect targetRect(const QSize &pictureSize) const;

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    QImage m_image;
    QImage m_drawn; // m_image with its key colour left out
    bool m_keyColor = false;
};
