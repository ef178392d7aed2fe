#pragma once
#include "logo/LogoImage.h"

#include <QImage>
#include <QWidget>

class CueLineEdit;
class Dialogs;
class EditorState;
class FontPanels;
class PanelGrid;
class PictureBox;
class QCheckBox;
class QLabel;
class QSlider;
class Shape;

// "Darstellung": full screen, lines, background colour, logo preview,
// second-line colour and result fields above; the detection line's formulas
// and its column panels below.
class DarstellungPage : public QWidget
{
    Q_OBJECT
  public:
    DarstellungPage(Dialogs &dialogs, QWidget *parent = nullptr);

    QCheckBox *cb_vollbild;
    CueLineEdit *e_hintergrund;
    QSlider *tb_trans;
    CueLineEdit *e_zweitezeile;
    CueLineEdit *e_erstesEF;
    CueLineEdit *e_letztesEF;
    CueLineEdit *e_anzahlzeilen;
    CueLineEdit *e_InfoZeile;
    PanelGrid *dbcg_spalten;
    CueLineEdit *e_timeoutleereZeile;
    CueLineEdit *e_timeoutlogo;
    QLabel *l_anzahlspalten;

    Shape *sh_hintergrund;
    Shape *Shape2;
    Shape *sh_logo;
    Shape *Shape1;
    Shape *sh_logo_trans;
    Shape *Shape3;
    Shape *sh_zweitezeile;
    Shape *Shape8;
    PictureBox *img_logo;
    PictureBox *img_logo_trans;

    // Shows the state's look values and detection-line columns and puts
    // edits into it.
    void bind(EditorState &state, FontPanels &panels);

    // Colour texts and swatches.
    void e_hintergrundChange();
    void e_zweitezeileChange();
    void sh_hintergrundMouseDown();
    void sh_zweitezeileMouseDown();

    // The blended preview; does nothing while no logo is loaded.
    void BuildTransparentLogo(int opacity);
    void tb_transChange();
    // Leaving the page reloads logo.png from the working directory; a
    // failure to decode it escapes to the failure handler and the previous
    // logo stays.
    void TabSheet2Hide();

    // The last loaded logo at no more than kDisplayLogoSize, for the display
    // preview; null until a logo has been loaded.
    static constexpr QSize kDisplayLogoSize{1280, 1280};
    const QImage &displayLogo() const { return m_displayLogo; }

  signals:
    // A logo was loaded (TabSheet2Hide found and decoded logo.png).
    void logoLoaded();

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    // The constructor's parts, in the order they run (the order stacks them).
    void buildSwatches();
    void buildLogoPreviews();
    void buildLabels();
    void buildControls();
    void orderControls();
    void connectReactions();

    Dialogs &m_dialogs;
    // The loaded logo scaled once to the preview's size in device pixels:
    // both previews show it, and every track bar step blends only this copy.
    LogoImage m_previewLogo;
    QImage m_displayLogo;
};
