#include "EditHistory.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>

namespace
{

// Another look at whether a step has ended, while the operator still holds
// a button or a dialog is open.
constexpr int kRetryMs = 40;

bool TypesText(const QWidget *w)
{
    if (const auto *edit = qobject_cast<const QLineEdit *>(w))
        return !edit->isReadOnly();
    if (const auto *combo = qobject_cast<const QComboBox *>(w))
        return combo->isEditable();
    return qobject_cast<const QAbstractSpinBox *>(w) || qobject_cast<const QPlainTextEdit *>(w);
}

bool IsHistoryKey(const QKeyEvent *key)
{
    const QKeyCombination combo = key->keyCombination();
    const QKeySequence pressed(combo);
    return pressed == QKeySequence(Qt::CTRL | Qt::Key_Z) ||
           pressed == QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z) ||
           pressed == QKeySequence(Qt::CTRL | Qt::Key_Y);
}

} // namespace

// One step: the state before and after it.
class EditHistory::Step : public QUndoCommand
{
  public:
    Step(EditHistory &history, EditorSnapshot before, EditorSnapshot after)
        : m_history(history), m_before(std::move(before)), m_after(std::move(after))
    {
    }
    void undo() override { m_history.apply(m_before); }
    void redo() override
    {
        // Pushed after the step was made: the first redo has nothing to do.
        if (std::exchange(m_pushed, true))
            m_history.apply(m_after);
    }

  private:
    EditHistory &m_history;
    EditorSnapshot m_before;
    EditorSnapshot m_after;
    bool m_pushed = false;
};

EditHistory::EditHistory(EditorState &state, QWidget &window, GuardFn guard)
    : QObject(&window), m_state(state), m_window(window), m_guard(std::move(guard))
{
    m_stack = new QUndoStack(this);

    m_undo = new QAction(tr("Rückgängig"), this);
    m_undo->setObjectName(QStringLiteral("a_rueckgaengig"));
    m_undo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    m_undo->setToolTip(tr("Rückgängig (Strg+Z)"));
    m_undo->setEnabled(false);
    m_redo = new QAction(tr("Wiederholen"), this);
    m_redo->setObjectName(QStringLiteral("a_wiederholen"));
    m_redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    m_redo->setToolTip(tr("Wiederholen (Strg+Umschalt+Z, Strg+Y)"));
    m_redo->setEnabled(false);
    connect(m_undo, &QAction::triggered, this, &EditHistory::undo);
    connect(m_redo, &QAction::triggered, this, &EditHistory::redo);
    connect(m_stack, &QUndoStack::canUndoChanged, m_undo, &QAction::setEnabled);
    connect(m_stack, &QUndoStack::canRedoChanged, m_redo, &QAction::setEnabled);
    addWindow(&window);

    const auto button = [&](QAction *action, const char *name) {
        auto *b = new QToolButton(&window);
        b->setObjectName(QString::fromLatin1(name));
        b->setDefaultAction(action);
        b->setAccessibleName(action->text());
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setFocusPolicy(Qt::TabFocus);
        b->setPalette(QApplication::palette());
        return b;
    };
    m_undoButton = button(m_undo, "b_rueckgaengig");
    m_redoButton = button(m_redo, "b_wiederholen");

    connect(&m_state, &EditorState::valueChanged, this, &EditHistory::changed);
    connect(&m_state, &EditorState::tableChanged, this, &EditHistory::changed);
    // The keyboard leaving a field ends the typing in it.
    connect(qApp, &QApplication::focusChanged, this, [this] { tryCheckpoint(true); });
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    m_retry->setInterval(kRetryMs);
    connect(m_retry, &QTimer::timeout, this, [this] { tryCheckpoint(false); });
    qApp->installEventFilter(this);
}

EditHistory::~EditHistory()
{
    qApp->removeEventFilter(this);
    // Steps refer to the history; they go first.
    m_stack->disconnect(this);
    m_stack->clear();
}

void EditHistory::addWindow(QWidget *window)
{
    for (QAction *action : {m_undo, m_redo}) {
        action->setShortcutContext(Qt::WindowShortcut);
        window->addAction(action);
    }
}

void EditHistory::placeButtons(const QRect &save)
{
    constexpr int gap = 8, width = 104, height = 28;
    const int top = save.top() + (save.height() - height) / 2;
    const QRect redo(save.left() - gap - width, top, width, height);
    const QRect undo(redo.left() - 4 - width, top, width, height);
    const bool room = undo.left() >= 4;
    m_undoButton->setGeometry(undo);
    m_redoButton->setGeometry(redo);
    m_undoButton->setVisible(room);
    m_redoButton->setVisible(room);
}

void EditHistory::start()
{
    m_stack->clear();
    m_last = m_state.snapshot();
    m_dirty = false;
    m_started = true;
}

void EditHistory::changed()
{
    if (!m_started || m_restoring)
        return;
    m_dirty = true;
    postCheckpoint();
}

void EditHistory::postCheckpoint()
{
    if (m_posted)
        return;
    m_posted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_posted = false;
            tryCheckpoint(false);
        },
        Qt::QueuedConnection);
}

void EditHistory::tryCheckpoint(bool focusMoved)
{
    if (!m_dirty || !m_started || m_restoring || m_holds > 0)
        return;
    // A dialog or menu open: the step ends after it, when the keyboard
    // comes back or its choice is made.
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        m_retry->start();
        return;
    }
    if (!focusMoved) {
        // A button held (a drag, a slider) goes on until it is let go;
        // typing until the keyboard leaves the field.
        if (QApplication::mouseButtons() != Qt::NoButton) {
            m_retry->start();
            return;
        }
        if (TypesText(QApplication::focusWidget()))
            return;
    }
    checkpoint();
}

void EditHistory::checkpoint()
{
    if (!m_started || m_restoring || m_holds > 0)
        return;
    m_dirty = false;
    EditorSnapshot now = m_state.snapshot(&m_last);
    if (now.sameContent(m_last)) {
        m_last = std::move(now);
        return;
    }
    EditorSnapshot before = std::exchange(m_last, now);
    m_stack->push(new Step(*this, std::move(before), std::move(now)));
}

void EditHistory::cancelStep()
{
    if (!m_started)
        return;
    apply(m_last);
    m_dirty = false;
}

// Input a panel holds for its row is part of the step it belongs to.
void EditHistory::commitHeldInput()
{
    for (Key key : kFormatKeys) {
        const PendingInput *held = m_state.pendingInput(key);
        FormatTable &table = m_state.table(key);
        if (!held)
            continue;
        bool any = table.State() == TableState::Edit || table.State() == TableState::Insert;
        for (int pos = 0; !any && pos < table.fieldCount(); ++pos)
            any = held->heldText(table, pos).has_value();
        if (any)
            m_guard([&] { table.Refresh(); });
    }
}

void EditHistory::undo()
{
    if (!m_started)
        return;
    commitHeldInput();
    if (m_dirty)
        checkpoint();
    m_stack->undo();
}

void EditHistory::redo()
{
    if (!m_started)
        return;
    commitHeldInput();
    if (m_dirty)
        checkpoint();
    m_stack->redo();
}

void EditHistory::apply(const EditorSnapshot &snapshot)
{
    m_restoring = true;
    const bool restored = m_guard([&] { m_state.restore(snapshot); });
    m_restoring = false;
    m_last = restored ? snapshot : m_state.snapshot(&snapshot);
    m_dirty = false;
}

// Ctrl+Z in a field is the window's undo, not the field's own: one history
// for every edit.
bool EditHistory::eventFilter(QObject *watched, QEvent *event)
{
    // Only in the windows that have the two actions: a dialog's field keeps
    // its own undo.
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType() &&
        IsHistoryKey(static_cast<QKeyEvent *>(event)) &&
        static_cast<QWidget *>(watched)->window()->actions().contains(m_undo)) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
