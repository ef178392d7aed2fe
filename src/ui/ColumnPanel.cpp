#include "ColumnPanel.h"

#include "FontLists.h"
#include "PageWidgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

namespace
{

const QColor kCurrentPanel(0x80, 0x80, 0x80);

PanelLayout SpaltenLayout()
{
    PanelLayout l;
    l.height = 259;
    l.posSpalte = 6;
    l.posAusrichtung = 4;
    l.posAnzahl = 5;
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
    l.posSpalte = 4;
    l.posText = 5;
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
    l.posSpalte = 4;
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

struct Names {
    const char *spalte, *fontName, *fontNameText, *fontSize, *sizeText, *fett, *farbeLabel, *farbe;
};

Names NamesOf(PanelKind kind)
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

QString FieldText(const FieldDef &def, const FieldValue &value)
{
    if (value.isNull)
        return QString();
    switch (def.type) {
    case FieldType::Text:
        return value.text;
    case FieldType::Integer:
        return QString::number(value.integer);
    case FieldType::Flag:
        return value.flag ? QStringLiteral("true") : QStringLiteral("false");
    }
    return QString();
}

ColumnPanel::ColumnPanel(PanelKind kind, QWidget *parent) : QWidget(parent), m_kind(kind)
{
    const PanelLayout &l = layout();
    const Names names = NamesOf(kind);
    setObjectName(QStringLiteral("panel_") + QString::fromLatin1(names.fontName));
    setFont(PageFont());
    resize(l.width, l.height);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kCurrentPanel);
    setPalette(pal);

    spalte = new BoundText(m_binding, l.posSpalte, this);
    spalte->setObjectName(QString::fromLatin1(names.spalte));
    spalte->setFont(PageFont(11, true));
    spalte->setGeometry(l.spalte);
    m_bound.push_back(spalte);

    if (kind == PanelKind::Ueberschrift) {
        PanelLabel(this, QStringLiteral("Label17"), QStringLiteral("Text"), l.textLabel);
        text = new BoundLineEdit(m_binding, l.posText, 1024, false, this);
        text->setObjectName(QStringLiteral("DBEdit2"));
        text->setGeometry(l.text);
        text->setAccessibleName(QStringLiteral("Text"));
        m_bound.push_back(text);
    }

    // The bound texts of name and size lie under the unbound lists.
    fontNameText = new BoundText(m_binding, l.posSchriftname, this);
    fontNameText->setObjectName(QString::fromLatin1(names.fontNameText));
    fontNameText->setFont(PageFont(13, true));
    fontNameText->setGeometry(l.fontNameText);
    m_bound.push_back(fontNameText);
    sizeText = new BoundText(m_binding, l.posSchriftgroesse, this);
    sizeText->setObjectName(QString::fromLatin1(names.sizeText));
    sizeText->setFont(PageFont(13, true));
    sizeText->setGeometry(l.sizeText);
    m_bound.push_back(sizeText);

    QLabel *nameLabel = PanelLabel(this, QString::fromLatin1(names.fontName) + QStringLiteral("_label"),
                                   QStringLiteral("Schriftart"), l.fontNameLabel);
    fontName = new FontNameList(this);
    fontName->setObjectName(QString::fromLatin1(names.fontName));
    fontName->setGeometry(l.fontName);
    fontName->setAccessibleName(QStringLiteral("Schriftart"));
    nameLabel->setBuddy(fontName);

    QLabel *sizeLabel = PanelLabel(this, QString::fromLatin1(names.fontSize) + QStringLiteral("_label"),
                                   QStringLiteral("Schriftgröße"), l.fontSizeLabel);
    fontSize = new FontSizeList(this);
    fontSize->setObjectName(QString::fromLatin1(names.fontSize));
    fontSize->setGeometry(l.fontSize);
    fontSize->setAccessibleName(QStringLiteral("Schriftgröße"));
    sizeLabel->setBuddy(fontSize);

    fett = new BoundCheckBox(m_binding, l.posFett, QStringLiteral("Fett"), this);
    fett->setObjectName(QString::fromLatin1(names.fett));
    fett->setGeometry(l.fett);
    fett->setAccessibleName(QStringLiteral("Fett"));
    m_bound.push_back(fett);

    if (kind == PanelKind::Spalten) {
        PanelLabel(this, QStringLiteral("Label10"), QStringLiteral("Ausrichtung"), l.ausrichtungLabel);
        ausrichtung = new BoundComboBox(
            m_binding, l.posAusrichtung,
            {QStringLiteral("links"), QStringLiteral("mitte"), QStringLiteral("rechts")}, this);
        ausrichtung->setObjectName(QStringLiteral("dbc_ausrichtung"));
        ausrichtung->setGeometry(l.ausrichtung);
        ausrichtung->setAccessibleName(QStringLiteral("Ausrichtung"));
        m_bound.push_back(ausrichtung);
    }

    PanelLabel(this, QString::fromLatin1(names.farbeLabel), QStringLiteral("Farbe"), l.farbeLabel);
    farbe = new BoundLineEdit(m_binding, l.posFarbe, 7, false, this);
    farbe->setObjectName(QString::fromLatin1(names.farbe));
    farbe->setGeometry(l.farbe);
    farbe->setAccessibleName(QStringLiteral("Farbe"));
    m_bound.push_back(farbe);

    if (kind == PanelKind::Spalten) {
        PanelLabel(this, QStringLiteral("Label12"), QStringLiteral("Anzahl der erwarteten Zeichen"),
                   l.anzahlLabel, 9);
        anzahlzeichen = new BoundLineEdit(m_binding, l.posAnzahl, 4, true, this);
        anzahlzeichen->setObjectName(QStringLiteral("dbe_anzahlzeichen"));
        anzahlzeichen->setGeometry(l.anzahl);
        anzahlzeichen->setAccessibleName(QStringLiteral("Anzahl der erwarteten Zeichen"));
        m_bound.push_back(anzahlzeichen);
    }

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
