#include "CueLineEdit.h"

#include "FirstLineValidator.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionFrame>

namespace
{

// Masked fields show every character as "~".
class TildeStyle : public QProxyStyle
{
  public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return u'~';
        if (hint == SH_LineEdit_PasswordMaskDelay)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

CueLineEdit::CueLineEdit(QWidget *parent) : QLineEdit(parent)
{
    setValidator(new FirstLineValidator(this));
    connect(this, &QLineEdit::textEdited, this, [this] { applyLimit(); });
}

void CueLineEdit::setCueText(const QString &cue)
{
    m_cue = cue;
    setAccessibleDescription(cue);
    update();
}

void CueLineEdit::setMasked(bool masked)
{
    if (masked) {
        auto *style = new TildeStyle;
        style->setParent(this);
        setStyle(style);
    }
    setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
}

void CueLineEdit::setLimit(int limit)
{
    m_limit = limit;
    applyLimit();
}

void CueLineEdit::applyLimit()
{
    // A longer text put in by the program stays whole; typing cannot make it
    // longer, and once it is short enough the limit holds again.
    if (m_limit <= 0)
        setMaxLength(32767);
    else
        setMaxLength(std::max<int>(m_limit, int(text().size())));
}

void CueLineEdit::setProgramText(const QString &text)
{
    if (text == this->text())
        return;
    if (maxLength() < text.size())
        setMaxLength(int(text.size()));
    setText(text);
}

bool CueLineEdit::onlyDigits(const QString &text)
{
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

void CueLineEdit::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    if (m_cue.isEmpty() || !text().isEmpty() || hasFocus())
        return;
    QPainter p(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    QRect r = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    r.adjust(2, 0, -2, 0);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, m_cue);
}

void CueLineEdit::keyPressEvent(QKeyEvent *event)
{
    if (m_digitsOnly) {
        if (event->matches(QKeySequence::Paste)) {
            if (!onlyDigits(QApplication::clipboard()->text())) {
                QApplication::beep();
                return;
            }
        } else if (!event->text().isEmpty() && event->text().at(0).isPrint() && !onlyDigits(event->text())) {
            QApplication::beep();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void CueLineEdit::inputMethodEvent(QInputMethodEvent *event)
{
    if (m_digitsOnly && !onlyDigits(event->commitString())) {
        event->ignore();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}
