#pragma once
#include <QWidget>

class EditorState;
class FontPanels;
class PanelGrid;
class QCheckBox;

// "Überschrift": whether the heading row is shown, and its column panels.
class UeberschriftPage : public QWidget
{
    Q_OBJECT
  public:
    explicit UeberschriftPage(QWidget *parent = nullptr);

    // Shows the state's heading switch and columns and puts edits into it.
    void bind(EditorState &state, FontPanels &panels);

    PanelGrid *DBCtrlGrid2;
    QCheckBox *cb_mitueberschrift;

  protected:
    void paintEvent(QPaintEvent *event) override;
};
