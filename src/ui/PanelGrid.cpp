#include "PanelGrid.h"

#include "FieldTexts.h"
#include "FontLists.h"
#include "PageWidgets.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QWheelEvent>
#include <qdrawutil.h>

namespace
{

const QColor kPage(0xC0, 0xC0, 0xC0);

} // namespace

PanelGrid::PanelGrid(PanelKind kind, QWidget *parent) : QWidget(parent), m_kind(kind)
{
    setFocusPolicy(Qt::StrongFocus);
    setFont(PageFont());
    m_panel = new ColumnPanel(kind, this);
    m_panel->move(0, 0);
    m_scrollBar = new QScrollBar(Qt::Horizontal, this);
    m_scrollBar->setObjectName(QStringLiteral("scrollBar"));
    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    m_scrollBar->setRange(0, 0);
    m_scrollBar->setPageStep(VisiblePanels);
    m_scrollBar->setGeometry(0, panelHeight(), VisiblePanels * panelWidth(), ScrollBarHeight);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int value) { setFirst(value); });
    connect(m_panel, &ColumnPanel::pressed, this, [this] { setFocus(Qt::MouseFocusReason); });
    // A live control getting the focus brings its panel into view.
    for (QWidget *w : m_panel->findChildren<QWidget *>())
        w->installEventFilter(this);
}

PanelGrid::~PanelGrid()
{
    unbind();
}

void PanelGrid::bind(ViewLink *link, GuardFn guard, FontNameModel *fonts)
{
    unbind();
    m_link = link;
    m_panel->binding().link = link;
    m_panel->binding().guard = guard;
    m_panel->fontName->setFontModel(fonts);
    m_panel->fontSize->setFontModel(fonts);
    m_panel->fontSize->setGuard(guard);
    if (!m_mover)
        m_mover = [this, guard](int row) {
            FormatTable *t = table();
            if (!t)
                return;
            guard([&] {
                const int cur = currentRow();
                if (row > cur && cur >= 0 && t->State() != TableState::Insert) {
                    for (int i = cur; i < row; ++i)
                        t->Next();
                } else {
                    t->First();
                    for (int i = 0; i < row; ++i)
                        t->Next();
                }
            });
        };
    link->addObserver(this);
    follow(true);
}

void PanelGrid::unbind()
{
    if (m_link)
        m_link->removeObserver(this);
    m_link = nullptr;
    m_panel->binding().link = nullptr;
}

FormatTable *PanelGrid::table() const
{
    return m_link && m_link->isActive() ? m_link->table() : nullptr;
}

int PanelGrid::rowCount() const
{
    const FormatTable *t = table();
    if (!t)
        return 0;
    return int(t->rows().size()) + (t->State() == TableState::Insert ? 1 : 0);
}

int PanelGrid::currentRow() const
{
    const FormatTable *t = table();
    if (!t)
        return -1;
    if (t->State() == TableState::Insert)
        return int(t->rows().size()); // new rows go after the last one
    return t->RecNo() - 1;
}

QList<QWidget *> PanelGrid::tabChain() const
{
    QList<QWidget *> chain{const_cast<PanelGrid *>(this)};
    for (QWidget *w : m_panel->tabChain())
        chain.append(w);
    return chain;
}

void PanelGrid::moveToRow(int row)
{
    if (row < 0 || row >= rowCount() || row == currentRow())
        return;
    if (m_mover)
        m_mover(row);
}

void PanelGrid::setQuiet(bool quiet)
{
    if (m_quiet == quiet)
        return;
    m_quiet = quiet;
    if (!quiet && std::exchange(m_missed, false))
        follow(true);
}

// ---------------------------------------------------------------- following the table

void PanelGrid::follow(bool resetInput)
{
    m_count = rowCount();
    m_current = currentRow();
    const int maxFirst = std::max(0, m_count - VisiblePanels);
    {
        const QSignalBlocker quiet(m_scrollBar);
        m_scrollBar->setRange(0, maxFirst);
        m_scrollBar->setEnabled(maxFirst > 0);
    }
    int first = std::clamp(m_first, 0, maxFirst);
    if (m_current >= 0 && m_current < first)
        first = m_current;
    else if (m_current >= first + VisiblePanels)
        first = m_current - VisiblePanels + 1;
    setFirst(first);
    if (resetInput)
        m_panel->resetAll();
    else
        m_panel->refreshAll();
    update();
}

void PanelGrid::setFirst(int first)
{
    if (first != m_first) {
        m_first = first;
        update();
    }
    if (m_scrollBar->value() != first) {
        const QSignalBlocker quiet(m_scrollBar);
        m_scrollBar->setValue(first);
    }
    placePanel();
}

void PanelGrid::placePanel()
{
    // Without rows the live panel stands in the first place, empty. Out of
    // view it keeps existing (and any focus it has), clipped by the grid.
    const int slot = (m_current < 0 ? 0 : m_current) - m_first;
    const bool inView = slot >= 0 && slot < VisiblePanels;
    m_panel->move(inView ? slot * panelWidth() : -2 * panelWidth(), 0);
    if (m_panel->isHidden())
        m_panel->show();
}

void PanelGrid::dataChanged()
{
    if (m_quiet)
        m_missed = true;
    else
        follow(true);
}

void PanelGrid::rowChanged()
{
    if (!m_quiet)
        m_panel->refreshAll();
}

void PanelGrid::stateChanged()
{
    if (!m_quiet)
        follow(false);
}

void PanelGrid::writePendingInput()
{
    m_panel->writePending();
}

void PanelGrid::linkChanged(bool active)
{
    // Column synchronisation detaches and re-attaches the link around its
    // work: catch up once it is back.
    if (m_quiet)
        m_missed = true;
    else if (active)
        follow(true);
    else
        update();
}

// ---------------------------------------------------------------- drawing

void PanelGrid::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const QRect panels(0, 0, VisiblePanels * panelWidth(), panelHeight());
    p.fillRect(event->rect() & panels, kPage);
    m_painted = 0;
    const FormatTable *t = table();
    if (!t)
        return;
    const auto &rows = t->rows();
    for (int slot = 0; slot < VisiblePanels; ++slot) {
        const int row = m_first + slot;
        if (row >= m_count)
            break;
        const QRect r(slot * panelWidth(), 0, panelWidth(), panelHeight());
        if (row == m_current || row >= int(rows.size()) || !event->rect().intersects(r))
            continue;
        paintPanel(p, r, rows[size_t(row)]);
        ++m_painted;
    }
}

// A panel that is not current: the same captions, and each control drawn
// with its row's value, font name and size as bound texts.
void PanelGrid::paintPanel(QPainter &p, const QRect &r, const std::vector<FieldValue> &row)
{
    const PanelLayout &l = m_panel->layout();
    const FormatFields &f = m_panel->fields();
    const auto text = [&](Field meaning) {
        const int pos = f.pos(meaning);
        return pos >= 0 && pos < int(row.size()) ? f.at(pos).toText(row[size_t(pos)]) : QString();
    };
    const auto caption = [&](Field meaning) {
        return f.has(meaning) ? FieldCaption(f.at(f.pos(meaning))) : QString();
    };
    const auto at = [&](const QRect &rect) { return rect.translated(r.topLeft()); };

    p.save();
    p.setClipRect(r);
    qDrawWinPanel(&p, r, palette(), false, nullptr);
    p.setPen(Qt::black);
    const auto label = [&](const QRect &rect, const QString &value, int pixelHeight = 13, bool bold = false) {
        if (rect.isEmpty())
            return;
        p.setFont(PageFont(pixelHeight, bold));
        p.drawText(at(rect), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, value);
    };
    const auto field = [&](const QRect &rect, const QString &value) {
        if (!rect.isEmpty())
            paintLineEdit(p, at(rect), value);
    };

    label(l.spalte, text(Field::Spalte), 11, true);
    label(l.textLabel, caption(Field::Text));
    field(l.text, text(Field::Text));
    label(l.fontNameLabel, caption(Field::Schriftname));
    label(l.fontNameText, text(Field::Schriftname), 13, true);
    label(l.fontSizeLabel, caption(Field::Schriftgroesse));
    label(l.sizeText, text(Field::Schriftgroesse), 13, true);
    paintCheckBox(p, at(l.fett), caption(Field::Fett), row.at(size_t(f.pos(Field::Fett))));
    if (!l.ausrichtung.isEmpty()) {
        label(l.ausrichtungLabel, caption(Field::Ausrichtung));
        paintComboBox(p, at(l.ausrichtung), f.at(f.pos(Field::Ausrichtung)).choices,
                      text(Field::Ausrichtung));
    }
    label(l.farbeLabel, caption(Field::Farbe));
    field(l.farbe, text(Field::Farbe));
    label(l.anzahlLabel, caption(Field::Anzahlzeichen), 9);
    field(l.anzahl, text(Field::Anzahlzeichen));
    p.restore();
}

void PanelGrid::paintLineEdit(QPainter &p, const QRect &rect, const QString &value)
{
    QStyle *s = style();
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    frame.rect = rect;
    frame.lineWidth = s->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, this);
    frame.state |= QStyle::State_Sunken;
    s->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &p, this);
    p.setFont(PageFont());
    p.setPen(palette().color(QPalette::Text));
    p.drawText(frame.rect.adjusted(4, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               value);
    p.setPen(Qt::black);
}

void PanelGrid::paintCheckBox(QPainter &p, const QRect &rect, const QString &caption, const FieldValue &value)
{
    QStyleOptionButton check;
    check.initFrom(this);
    check.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    check.rect = rect;
    check.text = caption;
    check.state |=
        value.isNull ? QStyle::State_NoChange : (value.flag ? QStyle::State_On : QStyle::State_Off);
    p.setFont(PageFont());
    style()->drawControl(QStyle::CE_CheckBox, &check, &p, this);
}

// The drop-down shows the entry the value selects without regard to letter
// case, as the live one does.
void PanelGrid::paintComboBox(QPainter &p, const QRect &rect, const QStringList &choices,
                              const QString &value)
{
    QStyleOptionComboBox combo;
    combo.initFrom(this);
    combo.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    combo.rect = rect;
    for (const QString &entry : choices)
        if (value.compare(entry, Qt::CaseInsensitive) == 0)
            combo.currentText = ChoiceText(entry);
    style()->drawComplexControl(QStyle::CC_ComboBox, &combo, &p, this);
    style()->drawControl(QStyle::CE_ComboBoxLabel, &combo, &p, this);
}

// ---------------------------------------------------------------- operator

void PanelGrid::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const int slot = pos.x() / panelWidth();
    const int row = pos.y() < panelHeight() && slot >= 0 && slot < VisiblePanels ? m_first + slot : -1;
    setFocus(Qt::MouseFocusReason);
    if (row >= 0)
        moveToRow(row);
    event->accept();
}

void PanelGrid::keyPressEvent(QKeyEvent *event)
{
    const int cur = m_current;
    int target = cur;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        target = cur - 1;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        target = cur + 1;
        break;
    case Qt::Key_PageUp:
        target = cur - VisiblePanels;
        break;
    case Qt::Key_PageDown:
        target = cur + VisiblePanels;
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = m_count - 1;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (m_count > 0)
        moveToRow(std::clamp(target, 0, m_count - 1));
}

void PanelGrid::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (steps != 0 && m_scrollBar->isEnabled())
        m_scrollBar->setValue(m_scrollBar->value() + (steps > 0 ? -1 : 1));
    event->accept();
}

void PanelGrid::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    m_panel->setFocusFrame(true);
}

void PanelGrid::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    m_panel->setFocusFrame(false);
}

bool PanelGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn && !m_quiet)
        follow(false);
    return QWidget::eventFilter(watched, event);
}
