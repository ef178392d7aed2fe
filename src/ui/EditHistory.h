#pragma once
#include "GuardFn.h"
#include "editor/EditorState.h"

#include <QObject>
#include <QRect>

class QAction;
class QTimer;
class QToolButton;
class QUndoStack;
class QWidget;

// Undo and redo for every edit in the window: one entry per operator step,
// each the editor state before and after it. A step ends when the keyboard
// leaves the field typed in, when a click, a key, a drag or a menu choice
// is done, or when a caller says so; a step that leaves the state as it was
// makes no entry. Undo never reaches past start(), and nothing of it
// outlives the window.
class EditHistory : public QObject
{
    Q_OBJECT
  public:
    EditHistory(EditorState &state, QWidget &window, GuardFn guard);
    ~EditHistory() override;

    // The state as it is now is the start: every step before is forgotten.
    void start();
    bool started() const { return m_started; }
    // Ends the step in progress now.
    void checkpoint();
    // Puts back what the step in progress changed.
    void cancelStep();
    void undo();
    void redo();

    // While a step is held, nothing ends it; the last release ends it (a
    // layout load with its messages, a colour chosen in a dialog).
    class Hold
    {
      public:
        explicit Hold(EditHistory &history) : m_history(history) { ++m_history.m_holds; }
        ~Hold()
        {
            if (--m_history.m_holds == 0)
                m_history.checkpoint();
        }
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;

      private:
        EditHistory &m_history;
    };

    QUndoStack *stack() const { return m_stack; }
    QAction *undoAction() const { return m_undo; }
    QAction *redoAction() const { return m_redo; }
    QToolButton *undoButton() const { return m_undoButton; }
    QToolButton *redoButton() const { return m_redoButton; }
    // Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y in another window too (the preview).
    void addWindow(QWidget *window);
    // The two buttons go left of "speichern + schliessen", on its row;
    // without room they hide and the keys still work.
    void placeButtons(const QRect &saveButton);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    class Step;
    void changed();
    void postCheckpoint();
    // Ends the step unless it goes on: typing in a field, a button held, a
    // dialog or menu open.
    void tryCheckpoint(bool focusMoved);
    void commitHeldInput();
    void apply(const EditorSnapshot &snapshot);

    EditorState &m_state;
    QWidget &m_window;
    GuardFn m_guard;
    QUndoStack *m_stack = nullptr;
    QAction *m_undo = nullptr;
    QAction *m_redo = nullptr;
    QToolButton *m_undoButton = nullptr;
    QToolButton *m_redoButton = nullptr;
    EditorSnapshot m_last; // the state when the last step ended
    bool m_started = false;
    bool m_restoring = false;
    bool m_dirty = false;  // a change since the last step ended
    bool m_posted = false; // a check for the step's end is on its way
    int m_holds = 0;
    QTimer *m_retry = nullptr;
};
