#include "StateBinding.h"

#include "CueLineEdit.h"
#include "base/NumberText.h"
#include "editor/EditorState.h"

#include <QCheckBox>
#include <QLabel>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QSlider>

StateBinding::StateBinding(EditorState &state, QObject *parent) : QObject(parent), m_state(state)
{
    connect(&m_state, &EditorState::valueChanged, this, &StateBinding::shown);
}

void StateBinding::shown(Key key)
{
    // An edit coming back from the state is already shown.
    if (!m_putting && m_show[size_t(key)])
        m_show[size_t(key)]();
}

void StateBinding::put(Key key, const QString &text)
{
    const QScopedValueRollback<bool> putting(m_putting, true);
    m_state.setValue(key, text);
}

void StateBinding::custom(Key key, const QString &designed, std::function<void()> show)
{
    m_state.setDesignedValue(key, designed);
    m_show[size_t(key)] = std::move(show);
}

// The state's "(Anzahl Spalten = N)" in the window's language.
QString StateBinding::shownCount(const QString &countText)
{
    static const QRegularExpression count(QStringLiteral("^\\(Anzahl Spalten = (\\d+)\\)$"));
    const QRegularExpressionMatch m = count.match(countText);
    return m.hasMatch() ? tr("(Anzahl Spalten = %1)").arg(m.captured(1)) : countText;
}

void StateBinding::columnCount(Key formulaKey, QLabel *label)
{
    connect(&m_state, &EditorState::columnCountChanged, label, [this, formulaKey, label](Key key) {
        if (key == formulaKey)
            label->setText(shownCount(m_state.columnCountText(key)));
    });
}

void StateBinding::text(Key key, CueLineEdit *field)
{
    custom(key, field->text(), [this, key, field] { field->setProgramText(m_state.value(key)); });
    connect(field, &QLineEdit::textChanged, this, [this, key, field] { put(key, field->text()); });
}

void StateBinding::flag(Key key, QCheckBox *box)
{
    custom(key, FlagText(box->isChecked()), [this, key, box] { box->setChecked(m_state.flag(key)); });
    connect(box, &QCheckBox::toggled, this, [this, key](bool on) { put(key, FlagText(on)); });
}

void StateBinding::number(Key key, QSlider *slider)
{
    custom(key, QString::number(slider->value()),
           [this, key, slider] { slider->setValue(ParseIntOrDefault(m_state.value(key), 0)); });
    connect(slider, &QSlider::valueChanged, this, [this, key](int v) { put(key, QString::number(v)); });
}
