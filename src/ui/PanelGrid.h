#pragma once
#include "ColumnPanel.h"
#include "editor/EditorState.h"

#include <QWidget>

#include <functional>

class FontNameModel;
class QScrollBar;

// One panel per row of a format table, side by side, five in view, with a
// horizontal scroll bar under them. The current row's panel is the live
// ColumnPanel; the others are only painted from their rows, so the cost of
// the grid does not depend on how many rows the table has. Clicks and the
// navigation keys move the table's cursor; rows are never added or removed
// here.
class PanelGrid : public QWidget, public FormatTableObserver, public PendingInput
{
    Q_OBJECT
  public:
    static constexpr int VisiblePanels = 5;
    static constexpr int ScrollBarHeight = 17;

    PanelGrid(PanelKind kind, QWidget *parent = nullptr);
    ~PanelGrid() override;

    // Follows the table behind link from now on.
    void bind(ViewLink *link, GuardFn guard, FontNameModel *fonts);
    // Stops following; the link may die after this.
    void unbind();
    // How a click or key moves the cursor to a row (0-based); by default
    // First and Next under the guard.
    void setMover(std::function<void(int)> mover) { m_mover = std::move(mover); }

    ColumnPanel *livePanel() const { return m_panel; }
    QScrollBar *scrollBar() const { return m_scrollBar; }
    int panelWidth() const { return m_panel->layout().width; }
    int panelHeight() const { return m_panel->layout().height; }
    int rowCount() const;   // panels, a new row in insert state included
    int currentRow() const; // 0-based; -1 without rows
    int firstVisibleRow() const { return m_first; }
    int panelsPainted() const { return m_painted; } // by the last paint
    // The grid followed by the live controls, for the page's tab order.
    QList<QWidget *> tabChain() const;

    void moveToRow(int row);
    // While quiet, cursor notifications are ignored; leaving it catches up.
    void setQuiet(bool quiet);

    // PendingInput: what the live panel holds for a field of its row.
    std::optional<QString> heldText(const FormatTable &table, int pos) const override
    {
        if (m_panel->binding().table() != &table)
            return std::nullopt;
        return m_panel->heldInput(pos);
    }

    // FormatTableObserver
    void dataChanged() override;
    void rowChanged() override;
    void stateChanged() override;
    void writePendingInput() override;
    void linkChanged(bool active) override;

  protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    FormatTable *table() const;
    void follow(bool resetInput);
    void setFirst(int first);
    void placePanel();
    void paintPanel(QPainter &p, const QRect &r, const std::vector<FieldValue> &row);
    void paintLineEdit(QPainter &p, const QRect &rect, const QString &value);
    void paintCheckBox(QPainter &p, const QRect &rect, const QString &caption, const FieldValue &value);
    void paintComboBox(QPainter &p, const QRect &rect, const QStringList &choices, const QString &value);

    PanelKind m_kind;
    ColumnPanel *m_panel;
    QScrollBar *m_scrollBar;
    ViewLink *m_link = nullptr;
    std::function<void(int)> m_mover;
    int m_first = 0;
    int m_count = 0;
    int m_current = -1;
    int m_painted = 0;
    bool m_quiet = false;
    bool m_missed = false; // a notification came while quiet
};
