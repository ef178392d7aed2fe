#pragma once
#include <QWidget>

class CueLineEdit;
class EditorState;
class FontPanels;
class PanelGrid;
class QCheckBox;
class QLabel;

// "Startnummern Info": whether the start-number info is shown, its
// formulas, their column panels and the field that holds the start number.
class StartnummernInfoPage : public QWidget
{
    Q_OBJECT
  public:
    explicit StartnummernInfoPage(QWidget *parent = nullptr);

    // Shows the state's start-number info values and columns and puts
    // edits into it.
    void bind(EditorState &state, FontPanels &panels);

    QCheckBox *cb_startnummerninfo;
    PanelGrid *DBCtrlGrid1;
    CueLineEdit *e_SNRInfoFelder;
    CueLineEdit *e_StartNrInFeld;
    QLabel *l_anzahlspalten_snri;

  protected:
    void paintEvent(QPaintEvent *event) override;
};
