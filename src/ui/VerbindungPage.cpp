#include "VerbindungPage.h"

#include "StateBinding.h"
#include "base/NumberText.h"
#include "editor/EditorState.h"

#include "CueLineEdit.h"
#include "PageWidgets.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>

namespace
{

// The two connection modes are two tab stops, like every other control:
// Qt's exclusive radio buttons are one stop, the checked one. So the pair
// keeps its exclusivity itself, and a click on the checked button leaves it
// checked. The arrow keys go to the neighbour and, from the checked button,
// choose it, as in a radio group.
class ModeButton : public QRadioButton
{
  public:
    ModeButton(const QString &text, QWidget *parent) : QRadioButton(text, parent) { setAutoExclusive(false); }

    static void pair(ModeButton *left, ModeButton *right)
    {
        left->m_next = right;
        right->m_previous = left;
    }

  protected:
    void nextCheckState() override
    {
        if (!isChecked())
            setChecked(true);
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        QRadioButton *target = nullptr;
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up:
            target = m_previous;
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
            target = m_next;
            break;
        default:
            QRadioButton::keyPressEvent(event);
            return;
        }
        if (!target || !target->isVisibleTo(window()) || !target->isEnabled()) {
            event->ignore();
            return;
        }
        const bool choose = isChecked();
        target->setFocus(Qt::OtherFocusReason);
        if (choose)
            target->click();
    }

  private:
    QRadioButton *m_previous = nullptr;
    QRadioButton *m_next = nullptr;
};

} // namespace

VerbindungPage::VerbindungPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheet1"));
    setFont(PageFont());

    e_server = MakeLabelledField(this, QStringLiteral("e_server"), tr("Server"), tr("ZQ Server Name oder IP"),
                                 3, 64, 230, 25);
    auto *lokal = new ModeButton(tr("lokal"), this);
    rb_lokal = lokal;
    rb_lokal->setObjectName(QStringLiteral("rb_lokal"));
    rb_lokal->setGeometry(3, 16, 54, 22);
    rb_lokal->setAccessibleName(rb_lokal->text());
    auto *imInet = new ModeButton(QStringLiteral("zeitquell-online.de"), this);
    rb_imInet = imInet;
    rb_imInet->setObjectName(QStringLiteral("rb_imInet"));
    rb_imInet->setGeometry(63, 16, 170, 23);
    rb_imInet->setAccessibleName(rb_imInet->text());
    ModeButton::pair(lokal, imInet);
    e_kundennummer = MakeLabelledField(this, QStringLiteral("e_kundennummer"), tr("Kundennummer"),
                                       tr("Kundennummer"), 15, 64, 98, 25);
    e_kdpasswort = MakeLabelledField(this, QStringLiteral("e_kdpasswort"), tr("Passwort"), tr("Passwort"),
                                     119, 64, 98, 25);
    e_kdpasswort->setMasked(true);
    e_vapasswort = MakeLabelledField(this, QStringLiteral("e_vapasswort"), tr("Veranstaltungs Passwort"),
                                     tr("Passwort (nur wenn gesetzt)"), 3, 112, 230, 25, 3);
    e_vapasswort->setMasked(true);
    e_vanr = MakeLabelledField(this, QStringLiteral("e_vanr"), tr("Veranstaltungs ID"),
                               tr("VA ID (wenn leer dann auto)"), 3, 160, 230, 25);
    e_vanr->setToolTip(
        tr("wenn die VA ID leer bleibt, wird die erste Veranstaltung auf dem Server genommen"));

    setFieldVisible(e_kundennummer, false);
    setFieldVisible(e_kdpasswort, false);

    QWidget::setTabOrder(e_server, rb_lokal);
    QWidget::setTabOrder(rb_lokal, rb_imInet);
    QWidget::setTabOrder(rb_imInet, e_kundennummer);
    QWidget::setTabOrder(e_kundennummer, e_kdpasswort);
    QWidget::setTabOrder(e_kdpasswort, e_vapasswort);
    QWidget::setTabOrder(e_vapasswort, e_vanr);

    // Checking a button runs its click reaction, by the operator or the
    // program alike; a click on the checked button changes nothing.
    connect(rb_lokal, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            rb_imInet->setChecked(false);
            rb_lokalClick();
        }
    });
    connect(rb_imInet, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            rb_lokal->setChecked(false);
            rb_imInetClick();
        }
    });
}

void VerbindungPage::bind(EditorState &state)
{
    auto *b = new StateBinding(state, this);
    b->text(Key::ZQHost, e_server);
    // The mode shown runs its click reaction, also when it was already
    // checked.
    b->custom(Key::ZQHostOLS, FlagText(rb_imInet->isChecked()), [this, &state] {
        if (state.flag(Key::ZQHostOLS)) {
            rb_imInet->setChecked(true);
            rb_imInetClick();
        } else {
            rb_lokal->setChecked(true);
            rb_lokalClick();
        }
    });
    for (QRadioButton *mode : {rb_lokal, rb_imInet})
        connect(mode, &QRadioButton::toggled, b,
                [this, b] { b->put(Key::ZQHostOLS, FlagText(rb_imInet->isChecked())); });
    b->text(Key::ZQKundennummer, e_kundennummer);
    b->text(Key::ZQKDPasswort, e_kdpasswort);
    b->text(Key::ZQVAPasswort, e_vapasswort);
    b->text(Key::ZQVANummer, e_vanr);
}

void VerbindungPage::setFieldVisible(CueLineEdit *field, bool visible)
{
    field->setVisible(visible);
    if (QLabel *label = FieldLabel(field))
        label->setVisible(visible);
}

void VerbindungPage::rb_lokalClick()
{
    setFieldVisible(e_kundennummer, false);
    setFieldVisible(e_kdpasswort, false);
    setFieldVisible(e_server, true);
}

void VerbindungPage::rb_imInetClick()
{
    setFieldVisible(e_kundennummer, true);
    setFieldVisible(e_kdpasswort, true);
    setFieldVisible(e_server, false);
}

void VerbindungPage::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0xC0, 0xC0, 0xC0));
    p.setPen(QPen(QColor(0x00, 0x80, 0x80), 2));
    p.drawRect(rect().adjusted(1, 1, -1, -1));
}
