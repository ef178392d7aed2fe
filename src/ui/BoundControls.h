#pragma once
#include "GuardFn.h"
#include "columns/FormatTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <functional>
#include <optional>

// Runs an event's work under the window's failure handler; false when it
// failed.

// What the controls of one panel share: the view link through which they
// reach their table, and the failure handler their reactions run under.
struct PanelBinding {
    ViewLink *link = nullptr;
    GuardFn guard;
    FormatTable *table() const { return link && link->isActive() ? link->table() : nullptr; }
};

// A control bound to one field of the current row. Operator input stays in
// the control until the table asks for it (writePending), at the next
// commit; until then a reload from the row leaves it alone.
class BoundControl
{
  public:
    BoundControl(PanelBinding &binding, int pos) : m_binding(binding), m_pos(pos) {}
    virtual ~BoundControl() = default;

    int fieldPos() const { return m_pos; }
    bool holdsInput() const { return m_modified; }
    FormatTable *table() const { return m_binding.table(); }

    // Forget the input and show the field again (cursor moves, posts).
    void reset();
    // Show the field again unless the control holds input.
    void refresh();
    // Write held input into the edit buffer; a failure keeps the input.
    void writePending();
    // The held input as the text writePending stores; nothing while the
    // control holds none.
    std::optional<QString> heldText() const;

  protected:
    virtual void display() = 0;
    // The operator's input as the text the field stores.
    virtual QString inputText() const { return QString(); }
    // Puts the row into edit state before input is taken; the control's
    // text is left alone meanwhile. False when that failed or no table.
    bool beginEdit();
    void markModified() { m_modified = true; }

  private:
    PanelBinding &m_binding;
    int m_pos;
    bool m_modified = false;
    bool m_hold = false;
};

// Read-only text of a field; unset shows nothing.
class BoundText : public QLabel, public BoundControl
{
  public:
    BoundText(PanelBinding &binding, int pos, QWidget *parent = nullptr);

  protected:
    void display() override;
};

// A text field written at the next commit; Escape puts the row's text back.
class BoundLineEdit : public QLineEdit, public BoundControl
{
    Q_OBJECT
  public:
    // integer: only digits, "+" and "-" can be typed.
    BoundLineEdit(PanelBinding &binding, int pos, int maxLength, bool integer, QWidget *parent = nullptr);

    // Text put in by the program as if typed (the colour chooser): the row
    // enters edit state and the text is written at the next commit.
    void setChosenText(const QString &text);

  signals:
    void clicked();

  protected:
    void display() override;
    QString inputText() const override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

  private:
    void edited();
    bool m_integer;
};

// The flag "fett": checked, unchecked, or indeterminate while unset. A click
// goes to checked, or from checked to unchecked.
class BoundCheckBox : public QCheckBox, public BoundControl
{
  public:
    BoundCheckBox(PanelBinding &binding, int pos, const QString &text, QWidget *parent = nullptr);

  protected:
    void display() override;
    QString inputText() const override;
    void nextCheckState() override;
};

// A drop-down of fixed entries; the field's text selects its entry without
// regard to letter case, anything else selects nothing.
class BoundComboBox : public QComboBox, public BoundControl
{
  public:
    BoundComboBox(PanelBinding &binding, int pos, const QStringList &items, QWidget *parent = nullptr);

  protected:
    void display() override;
    QString inputText() const override;

  private:
    void chosen();
};
