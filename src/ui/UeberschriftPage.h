#pragma once
#include <QWidget>

class PanelGrid;
class QCheckBox;

// "Überschrift": whether the heading row is shown, and its column panels.
class UeberschriftPage : public QWidget
{
    Q_OBJECT
  public:
    explicit UeberschriftPage(QWidget *parent = nullptr);

    PanelGrid *DBCtrlGrid2;
    QCheckBox *cb_mitueberschrift;

  protected:
    void paintEvent(QPaintEvent *event) override;
};
