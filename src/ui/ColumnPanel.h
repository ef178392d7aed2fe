#pragma once
#include "BoundControls.h"

#include <QRect>
#include <QWidget>

#include <optional>
#include <vector>

class FontNameList;
class FontSizeList;
class QLabel;

// The three kinds of column panel, one per format table: detection line,
// heading row, start-number info.
using PanelKind = FormatKind;

// Where everything of one panel kind lies, inside the panel. A rectangle
// that is empty is not on this kind of panel.
struct PanelLayout {
    int width = 147;
    int height = 0;
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
    // The fields of the panel's table: places, captions, conversions.
    const FormatFields &fields() const { return FormatFields::of(m_kind); }
    PanelBinding &binding() { return m_binding; }
    const PanelBinding &binding() const { return m_binding; }

    // The controls in the panel's tab order.
    const std::vector<QWidget *> &tabChain() const { return m_tabChain; }

    void resetAll();   // the row changed: show it, dropping held input
    void refreshAll(); // a field changed: show it where nothing is held
    void writePending();
    // What a control of this panel holds for the field at pos as typed but
    // not yet written to the row, as the control would write it; nothing
    // when no control holds input for it.
    std::optional<QString> heldInput(int pos) const;
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
    // Object names of the controls, as the tests and the tab order know them.
    struct Names {
        const char *spalte, *fontName, *fontNameText, *fontSize, *sizeText, *fett, *farbeLabel, *farbe;
    };

    template <typename Control>
    Control *placeBound(Control *control, const QString &name, const QRect &geometry,
                        const QString &accessibleName = QString());
    static Names namesOf(PanelKind kind);
    void placeHead(const Names &names);
    void placeFontLists(const Names &names);
    void placeInputs(const Names &names);

    PanelKind m_kind;
    PanelBinding m_binding;
    std::vector<BoundControl *> m_bound;
    std::vector<QWidget *> m_tabChain;
    bool m_focusFrame = false;
};
