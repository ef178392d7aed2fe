#include "ColumnPanel.h"

#include "FieldTexts.h"
#include "FontLists.h"
#include "PageWidgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

namespace
{

const QColor kCurrentPanel(0x80, 0x80, 0x80);
// Digits the operator can type for the expected number of characters.
constexpr int kCharacterDigits = 4;

PanelLayout SpaltenLayout()
{
    PanelLayout l;
    l.height = 259;
    l.spalte = {2, 6, 143, 25};
    l.fontNameLabel = {2, 31, 99, 16};
    l.fontName = {2, 47, 145 - 2, 23};
    l.fontNameText = {26, 51, 113, 22};
    l.fontSizeLabel = {2, 72, 99, 16};
    l.fontSize = {2, 88, 145 - 2, 24};
    l.sizeText = {5, 91, 113, 22};
    l.fett = {5, 119, 97, 17};
    l.ausrichtungLabel = {5, 137, 99, 16};
    l.ausrichtung = {2, 153, 145 - 2, 24};
    l.farbeLabel = {2, 176, 99, 16};
    l.farbe = {10, 192, 121, 24};
    l.anzahlLabel = {2, 218, 143, 16};
    l.anzahl = {38, 230, 56, 24};
    return l;
}

PanelLayout UeberschriftLayout()
{
    PanelLayout l;
    l.height = 234;
    l.spalte = {2, 6, 143, 25};
    l.textLabel = {2, 33, 99, 16};
    l.text = {2, 48, 143, 24};
    l.fontNameLabel = {2, 75, 99, 16};
    l.fontName = {2, 91, 145 - 2, 23};
    l.fontNameText = {26, 92, 113, 22};
    l.fontSizeLabel = {2, 117, 99, 16};
    l.fontSize = {2, 133, 145 - 2, 24};
    l.sizeText = {5, 134, 113, 22};
    l.fett = {5, 163, 97, 17};
    l.farbeLabel = {2, 183, 99, 16};
    l.farbe = {10, 199, 121, 24};
    return l;
}

PanelLayout SnrInfoLayout()
{
    PanelLayout l;
    l.height = 259;
    l.spalte = {2, 6, 143, 25};
    l.fontNameLabel = {2, 31, 99, 16};
    l.fontName = {2, 47, 145 - 2, 23};
    l.fontNameText = {26, 51, 113, 22};
    l.fontSizeLabel = {2, 72, 99, 16};
    l.fontSize = {2, 88, 145 - 2, 24};
    l.sizeText = {5, 91, 113, 22};
    l.fett = {5, 119, 97, 17};
    l.farbeLabel = {2, 144, 99, 16};
    l.farbe = {10, 160, 121, 24};
    return l;
}

QLabel *PanelLabel(QWidget *parent, const QString &name, const QString &text, const QRect &r,
                   int pixelHeight = 13)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(PageFont(pixelHeight));
    label->setGeometry(r);
    return label;
}

} // namespace

ColumnPanel::Names ColumnPanel::namesOf(PanelKind kind)
{
    switch (kind) {
    case PanelKind::Spalten:
        return {"dbt_spalte",  "cb_fontname", "dbt_fontname", "cb_fontgroesse",
                "dbt_groesse", "DBCheckBox1", "Label11",      "e_spalten_farbe"};
    case PanelKind::Ueberschrift:
        return {"DBText2", "cb_fontname_ue", "DBText1", "cb_fontgroesse_ue",
                "DBText3", "DBCheckBox2",    "Label16", "DBEdit1"};
    case PanelKind::SnrInfo:
        break;
    }
    return {"DBText5", "cb_fontname_snri", "DBText4", "cb_fontgroesse_snri",
            "DBText6", "DBCheckBox3",      "Label19", "DBEdit3"};
}

const PanelLayout &PanelLayout::of(PanelKind kind)
{
    static const PanelLayout spalten = SpaltenLayout();
    static const PanelLayout ueberschrift = UeberschriftLayout();
    static const PanelLayout snrInfo = SnrInfoLayout();
    switch (kind) {
    case PanelKind::Spalten:
        return spalten;
    case PanelKind::Ueberschrift:
        return ueberschrift;
    case PanelKind::SnrInfo:
        break;
    }
    return snrInfo;
}

ColumnPanel::ColumnPanel(PanelKind kind, QWidget *parent) : QWidget(parent), m_kind(kind)
{
    const Names names = namesOf(kind);
    setObjectName(QStringLiteral("panel_") + QString::fromLatin1(names.fontName));
    setFont(PageFont());
    resize(layout().width, layout().height);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kCurrentPanel);
    setPalette(pal);

    placeHead(names);
    placeFontLists(names);
    placeInputs(names);

    switch (kind) {
    case PanelKind::Spalten:
        m_tabChain = {fontName, fontSize, fett, ausrichtung, farbe, anzahlzeichen};
        break;
    case PanelKind::Ueberschrift:
        m_tabChain = {fontName, fontSize, fett, farbe, text};
        break;
    case PanelKind::SnrInfo:
        m_tabChain = {fontName, fontSize, fett, farbe};
        break;
    }
}

template <typename Control>
Control *ColumnPanel::placeBound(Control *control, const QString &name, const QRect &geometry,
                                 const QString &accessibleName)
{
    control->setObjectName(name);
    control->setGeometry(geometry);
    if (!accessibleName.isEmpty())
        control->setAccessibleName(accessibleName);
    m_bound.push_back(control);
    return control;
}

// The formula at the top, and the heading text under it where the table
// has one.
void ColumnPanel::placeHead(const Names &names)
{
    const PanelLayout &l = layout();
    const FormatFields &f = fields();
    spalte = placeBound(new BoundText(m_binding, f.pos(Field::Spalte), this),
                        QString::fromLatin1(names.spalte), l.spalte);
    spalte->setFont(PageFont(11, true));
    if (f.has(Field::Text)) {
        const FieldDef &def = f.at(f.pos(Field::Text));
        PanelLabel(this, QStringLiteral("Label17"), FieldCaption(def), l.textLabel);
        text = placeBound(new BoundLineEdit(m_binding, f.pos(Field::Text), def.size, false, this),
                          QStringLiteral("DBEdit2"), l.text, FieldCaption(def));
    }
}

// The unbound font lists over the bound texts of name and size.
void ColumnPanel::placeFontLists(const Names &names)
{
    const PanelLayout &l = layout();
    fontNameText = placeBound(new BoundText(m_binding, FontField::Schriftname, this),
                              QString::fromLatin1(names.fontNameText), l.fontNameText);
    fontNameText->setFont(PageFont(13, true));
    sizeText = placeBound(new BoundText(m_binding, FontField::Schriftgroesse, this),
                          QString::fromLatin1(names.sizeText), l.sizeText);
    sizeText->setFont(PageFont(13, true));

    const QString nameCaption = FieldCaption(fields().at(FontField::Schriftname));
    QLabel *nameLabel = PanelLabel(this, QString::fromLatin1(names.fontName) + QStringLiteral("_label"),
                                   nameCaption, l.fontNameLabel);
    fontName = new FontNameList(this);
    fontName->setObjectName(QString::fromLatin1(names.fontName));
    fontName->setGeometry(l.fontName);
    fontName->setAccessibleName(nameCaption);
    nameLabel->setBuddy(fontName);

    const QString sizeCaption = FieldCaption(fields().at(FontField::Schriftgroesse));
    QLabel *sizeLabel = PanelLabel(this, QString::fromLatin1(names.fontSize) + QStringLiteral("_label"),
                                   sizeCaption, l.fontSizeLabel);
    fontSize = new FontSizeList(this);
    fontSize->setObjectName(QString::fromLatin1(names.fontSize));
    fontSize->setGeometry(l.fontSize);
    fontSize->setAccessibleName(sizeCaption);
    sizeLabel->setBuddy(fontSize);
}

// The controls the operator types or clicks in, each where its table has
// the field.
void ColumnPanel::placeInputs(const Names &names)
{
    const PanelLayout &l = layout();
    const FormatFields &f = fields();
    const FieldDef &fettDef = f.at(FontField::Fett);
    fett = placeBound(new BoundCheckBox(m_binding, FontField::Fett, FieldCaption(fettDef), this),
                      QString::fromLatin1(names.fett), l.fett, FieldCaption(fettDef));
    if (f.has(Field::Ausrichtung)) {
        const FieldDef &def = f.at(f.pos(Field::Ausrichtung));
        PanelLabel(this, QStringLiteral("Label10"), FieldCaption(def), l.ausrichtungLabel);
        ausrichtung = placeBound(new BoundComboBox(m_binding, f.pos(Field::Ausrichtung), def.choices, this),
                                 QStringLiteral("dbc_ausrichtung"), l.ausrichtung, FieldCaption(def));
    }
    const FieldDef &farbeDef = f.at(FontField::Farbe);
    PanelLabel(this, QString::fromLatin1(names.farbeLabel), FieldCaption(farbeDef), l.farbeLabel);
    farbe = placeBound(new BoundLineEdit(m_binding, FontField::Farbe, farbeDef.size, false, this),
                       QString::fromLatin1(names.farbe), l.farbe, FieldCaption(farbeDef));
    if (f.has(Field::Anzahlzeichen)) {
        const FieldDef &def = f.at(f.pos(Field::Anzahlzeichen));
        PanelLabel(this, QStringLiteral("Label12"), FieldCaption(def), l.anzahlLabel, 9);
        anzahlzeichen = placeBound(
            new BoundLineEdit(m_binding, f.pos(Field::Anzahlzeichen), kCharacterDigits, true, this),
            QStringLiteral("dbe_anzahlzeichen"), l.anzahl, FieldCaption(def));
    }
}

void ColumnPanel::resetAll()
{
    for (BoundControl *c : m_bound)
        c->reset();
}

void ColumnPanel::refreshAll()
{
    for (BoundControl *c : m_bound)
        c->refresh();
}

std::optional<QString> ColumnPanel::heldInput(int pos) const
{
    for (const BoundControl *c : m_bound)
        if (c->fieldPos() == pos)
            if (std::optional<QString> held = c->heldText())
                return held;
    return std::nullopt;
}

void ColumnPanel::writePending()
{
    for (BoundControl *c : m_bound)
        c->writePending();
}

void ColumnPanel::setFocusFrame(bool on)
{
    if (m_focusFrame == on)
        return;
    m_focusFrame = on;
    update();
}

void ColumnPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    qDrawWinPanel(&p, rect(), palette(), false, &palette().brush(QPalette::Window));
    if (m_focusFrame) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        focus.backgroundColor = kCurrentPanel;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
        // Fusion draws nothing for a plain widget; make the frame visible.
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}

void ColumnPanel::mousePressEvent(QMouseEvent *event)
{
    emit pressed();
    QWidget::mousePressEvent(event);
}
