#pragma once
#include "BoundControls.h"

#include <QRect>
#include <QWidget>

#include <vector>

class FontNameList;
class FontSizeList;
class QLabel;

// The three kinds of column panel: detection line, heading row, start-number
// info.
enum class PanelKind { Spalten, Ueberschrift, SnrInfo };

// Where everything of one panel kind lies, inside the panel. A rectangle
// that is empty is not on this kind of panel.
struct PanelLayout {
    int width = 147;
    int height = 0;
    // field positions in the table
    int posSchriftname = 0, posSchriftgroesse = 1, posFarbe = 2, posFett = 3;
    int posSpalte = -1, posAusrichtung = -1, posAnzahl = -1, posText = -1;
    QRect spalte, fontNameLabel, fontName, fontNameText, fontSizeLabel, fontSize, sizeText, fett;
    QRect ausrichtungLabel, ausrichtung, farbeLabel, farbe, anzahlLabel, anzahl, textLabel, text;

    static const PanelLayout &of(PanelKind kind);
};

// The live panel of a grid: the controls of the current row, bound to it
// through the table's view link, and the two unbound font lists.
class ColumnPanel : public QWidget
{
    Q_OBJECT
  public:
    ColumnPanel(PanelKind kind, QWidget *parent = nullptr);

    PanelKind kind() const { return m_kind; }
    const PanelLayout &layout() const { return PanelLayout::of(m_kind); }
    PanelBinding &binding() { return m_binding; }

    // The controls in the panel's tab order.
    const std::vector<QWidget *> &tabChain() const { return m_tabChain; }

    void resetAll();   // the row changed: show it, dropping held input
    void refreshAll(); // a field changed: show it where nothing is held
    void writePending();
    void setFocusFrame(bool on);

    BoundText *spalte = nullptr;
    BoundText *fontNameText = nullptr;
    BoundText *sizeText = nullptr;
    FontNameList *fontName = nullptr;
    FontSizeList *fontSize = nullptr;
    BoundCheckBox *fett = nullptr;
    BoundComboBox *ausrichtung = nullptr; // detection line only
    BoundLineEdit *farbe = nullptr;
    BoundLineEdit *anzahlzeichen = nullptr; // detection line only
    BoundLineEdit *text = nullptr;          // heading row only

  signals:
    void pressed();

  protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

  private:
    PanelKind m_kind;
    PanelBinding m_binding;
    std::vector<BoundControl *> m_bound;
    std::vector<QWidget *> m_tabChain;
    bool m_focusFrame = false;
};

// The field of a stored row as its bound control shows it.
QString FieldText(const FieldDef &def, const FieldValue &value);
