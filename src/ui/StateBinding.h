#pragma once
#include "settings/SettingsKeys.h"

#include <QObject>

#include <array>
#include <functional>

class CueLineEdit;
class EditorState;
class QCheckBox;
class QLabel;
class QSlider;

// A page's controls bound to values of the editor state: a control shows
// its value whenever the state announces it (each load announces every
// value it sets), and an edit of the control puts the control's text into
// the state. The page that shows a value is the one that binds it.
class StateBinding : public QObject
{
    Q_OBJECT
  public:
    StateBinding(EditorState &state, QObject *parent);

    // The control's present text is taken as the value before any load.
    void text(Key key, CueLineEdit *field);
    void flag(Key key, QCheckBox *box);
    void number(Key key, QSlider *slider);
    // A value shown some other way: show puts the state's value into the
    // controls; put(key, text) hands an edit to the state.
    void custom(Key key, const QString &designed, std::function<void()> show);
    void put(Key key, const QString &text);
    // The "(Anzahl Spalten = N)" of a formula line (InfoZeile, SNRInfoFelder).
    void columnCount(Key formulaKey, QLabel *label);

    EditorState &state() const { return m_state; }

  private:
    void shown(Key key);
    static QString shownCount(const QString &countText);

    EditorState &m_state;
    std::array<std::function<void()>, kKeys.size()> m_show;
    bool m_putting = false;
};
