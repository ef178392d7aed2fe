#pragma once
#include <QWidget>

class DisplayPreview;

// The drawn display of the preview window. Its events are the preview's;
// for screen readers it is a picture whose children are the cells drawn,
// each with its text, its place and whether its column is selected.
class PreviewCanvas : public QWidget
{
    Q_OBJECT
  public:
    PreviewCanvas(DisplayPreview &preview, QWidget *parent);

    DisplayPreview &preview() const { return m_preview; }
    // The picture changed: cells told to screen readers are let go.
    void cellsChanged();
    // The selected column changed.
    void selectionChanged();

  protected:
    bool event(QEvent *event) override;

  private:
    DisplayPreview &m_preview;
};
