#include "PreviewEditing.h"

#include "ColumnPanel.h"
#include "EditHistory.h"
#include "FontPanels.h"
#include "PanelGrid.h"

#include <QTabWidget>

namespace
{

FieldValue Integer(int n)
{
    FieldValue v;
    v.isNull = false;
    v.integer = n;
    return v;
}

} // namespace

PreviewEditing::PreviewEditing(EditorState &state, FontPanels &panels, EditHistory &history,
                               QTabWidget &pages, std::function<QWidget *(Key)> pageOf, QObject *parent)
    : QObject(parent), m_state(state), m_panels(panels), m_history(history), m_pages(pages),
      m_pageOf(std::move(pageOf))
{
    connect(&m_pages, &QTabWidget::currentChanged, this, &PreviewEditing::pageShown);
    // Many notifications of one change mark the column once.
    connect(&m_state, &EditorState::tableChanged, this, [this] {
        if (!m_preview || std::exchange(m_showPosted, true))
            return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_showPosted = false;
                showSelection();
            },
            Qt::QueuedConnection);
    });
}

void PreviewEditing::attach(DisplayPreview *preview)
{
    m_preview = preview;
    preview->setColumnEdits(this);
    m_history.addWindow(preview);
    showSelection();
}

void PreviewEditing::pageShown()
{
    for (Key key : kFormatKeys)
        if (m_pageOf(key) == m_pages.currentWidget())
            m_kind = key;
    showSelection();
}

ColumnRef PreviewEditing::selection() const
{
    const int row = m_state.table(m_kind).currentIndex();
    return row >= 0 ? ColumnRef{m_kind, row} : ColumnRef{};
}

void PreviewEditing::showSelection()
{
    if (m_preview)
        m_preview->setSelection(selection());
}

void PreviewEditing::select(const ColumnRef &column, bool keyboardToPanel)
{
    if (!column.isValid())
        return;
    m_kind = column.formatKey;
    if (QWidget *page = m_pageOf(column.formatKey))
        m_pages.setCurrentWidget(page);
    m_panels.selectRow(column.formatKey, column.row);
    showSelection();
    PanelGrid *grid = m_panels.grid(column.formatKey);
    if (!keyboardToPanel || !grid || m_state.table(column.formatKey).currentIndex() != column.row)
        return;
    QWidget *window = m_pages.window();
    window->activateWindow();
    for (QWidget *field : grid->livePanel()->tabChain()) {
        if (field->isEnabled() && field->focusPolicy() != Qt::NoFocus) {
            field->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
}

void PreviewEditing::setCharacters(int row, int characters)
{
    m_panels.writeField(Key::InfoZeileFormat, row, Field::Anzahlzeichen, Integer(characters));
}

void PreviewEditing::setAlignment(const ColumnRef &column, const QString &stored)
{
    FieldValue v;
    v.isNull = false;
    v.text = stored;
    m_panels.writeField(column.formatKey, column.row, Field::Ausrichtung, v);
}

void PreviewEditing::setBold(const ColumnRef &column, bool bold)
{
    FieldValue v;
    v.isNull = false;
    v.flag = bold;
    m_panels.writeField(column.formatKey, column.row, Field::Fett, v);
}

void PreviewEditing::stepFontSize(const ColumnRef &column, int step)
{
    m_panels.stepFontSize(column.formatKey, column.row, step);
}

void PreviewEditing::chooseColour(const ColumnRef &column)
{
    const EditHistory::Hold oneStep(m_history);
    m_panels.chooseColour(column.formatKey, column.row);
}

void PreviewEditing::stepDone()
{
    m_history.checkpoint();
}

void PreviewEditing::cancelStep()
{
    m_history.cancelStep();
}
