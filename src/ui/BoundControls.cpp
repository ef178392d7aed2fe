#include "BoundControls.h"

#include "FieldTexts.h"
#include "FirstLineValidator.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpressionValidator>

namespace
{

bool Editing(const FormatTable &table)
{
    return table.State() == TableState::Edit || table.State() == TableState::Insert;
}

} // namespace

void BoundControl::reset()
{
    m_modified = false;
    display();
}

void BoundControl::refresh()
{
    if (!m_modified && !m_hold)
        display();
}

void BoundControl::writePending()
{
    FormatTable *t = table();
    if (!m_modified || !t || !Editing(*t))
        return;
    t->setText(m_pos, inputText()); // throws on text the field does not take; the input stays
    m_modified = false;
}

std::optional<QString> BoundControl::heldText() const
{
    if (!m_modified)
        return std::nullopt;
    return inputText();
}

bool BoundControl::beginEdit()
{
    FormatTable *t = table();
    if (!t)
        return false;
    if (Editing(*t))
        return true;
    m_hold = true;
    const bool ok = m_binding.guard ? m_binding.guard([t] { t->Edit(); }) : (t->Edit(), true);
    m_hold = false;
    return ok && Editing(*t);
}

// ---------------------------------------------------------------- BoundText

BoundText::BoundText(PanelBinding &binding, int pos, QWidget *parent)
    : QLabel(parent), BoundControl(binding, pos)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void BoundText::display()
{
    const FormatTable *t = table();
    const QString value = t ? t->asText(fieldPos()) : QString();
    if (text() != value)
        setText(value);
}

// ---------------------------------------------------------------- BoundLineEdit

BoundLineEdit::BoundLineEdit(PanelBinding &binding, int pos, int maxLength, bool integer, QWidget *parent)
    : QLineEdit(parent), BoundControl(binding, pos), m_integer(integer)
{
    setMaxLength(maxLength);
    if (integer)
        setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9+-]*")), this));
    else
        setValidator(new FirstLineValidator(this));
    connect(this, &QLineEdit::textEdited, this, [this] { edited(); });
}

void BoundLineEdit::edited()
{
    markModified();
    if (!beginEdit())
        reset();
}

void BoundLineEdit::setChosenText(const QString &text)
{
    if (!beginEdit())
        return;
    setText(text);
    markModified();
}

void BoundLineEdit::display()
{
    const FormatTable *t = table();
    const QString value = t ? t->asText(fieldPos()) : QString();
    if (text() != value)
        setText(value);
}

QString BoundLineEdit::inputText() const
{
    return text();
}

void BoundLineEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && holdsInput()) {
        reset();
        selectAll();
        event->accept();
        return;
    }
    if (m_integer && !event->text().isEmpty() && event->text().at(0).isPrint()) {
        for (QChar c : event->text())
            if (!c.isDigit() && c != u'+' && c != u'-') {
                QApplication::beep();
                event->accept();
                return;
            }
    }
    QLineEdit::keyPressEvent(event);
}

void BoundLineEdit::mouseReleaseEvent(QMouseEvent *event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

// ---------------------------------------------------------------- BoundCheckBox

BoundCheckBox::BoundCheckBox(PanelBinding &binding, int pos, const QString &text, QWidget *parent)
    : QCheckBox(text, parent), BoundControl(binding, pos)
{
    setTristate(true);
    setCheckState(Qt::PartiallyChecked);
}

void BoundCheckBox::display()
{
    const FormatTable *t = table();
    Qt::CheckState state = Qt::PartiallyChecked;
    if (t && !t->isNull(fieldPos()))
        state = t->asFlag(fieldPos()) ? Qt::Checked : Qt::Unchecked;
    if (checkState() != state)
        setCheckState(state);
}

QString BoundCheckBox::inputText() const
{
    return checkState() == Qt::Checked ? QStringLiteral("true") : QStringLiteral("false");
}

void BoundCheckBox::nextCheckState()
{
    if (!beginEdit())
        return;
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    markModified();
}

// ---------------------------------------------------------------- BoundComboBox

BoundComboBox::BoundComboBox(PanelBinding &binding, int pos, const QStringList &items, QWidget *parent)
    : QComboBox(parent), BoundControl(binding, pos)
{
    // The entries show the operator's language and hold the stored text.
    for (const QString &item : items)
        addItem(ChoiceText(item), item);
    setMaxVisibleItems(int(items.size()));
    setCurrentIndex(-1);
    connect(this, &QComboBox::activated, this, [this] { chosen(); });
}

void BoundComboBox::chosen()
{
    markModified();
    if (!beginEdit())
        reset();
}

void BoundComboBox::display()
{
    const FormatTable *t = table();
    const QString value = t ? t->asText(fieldPos()) : QString();
    int index = -1;
    if (!value.isEmpty())
        for (int i = 0; i < count(); ++i)
            if (itemData(i).toString().compare(value, Qt::CaseInsensitive) == 0) {
                index = i;
                break;
            }
    if (currentIndex() != index)
        setCurrentIndex(index);
}

QString BoundComboBox::inputText() const
{
    return currentIndex() < 0 ? currentText() : currentData().toString();
}
