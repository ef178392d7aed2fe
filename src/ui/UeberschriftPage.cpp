#include "UeberschriftPage.h"

#include "FontPanels.h"
#include "PageWidgets.h"
#include "PanelGrid.h"
#include "StateBinding.h"
#include "editor/EditorState.h"

#include <QCheckBox>
#include <QPainter>

UeberschriftPage::UeberschriftPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheet3"));
    setFont(PageFont());
    DBCtrlGrid2 = new PanelGrid(PanelKind::Ueberschrift, this);
    DBCtrlGrid2->setObjectName(QStringLiteral("DBCtrlGrid2"));
    DBCtrlGrid2->setGeometry(20, 38, 735, 251);
    // The page has no formula field of its own; the grid takes its name.
    DBCtrlGrid2->setAccessibleName(tr("Überschrift"));
    cb_mitueberschrift = new QCheckBox(tr("Überschrift anzeigen"), this);
    cb_mitueberschrift->setObjectName(QStringLiteral("cb_mitueberschrift"));
    cb_mitueberschrift->setGeometry(25, 7, 168, 25);
    cb_mitueberschrift->setAccessibleName(cb_mitueberschrift->text());
    const QList<QWidget *> chain = DBCtrlGrid2->tabChain() + QList<QWidget *>{cb_mitueberschrift};
    for (qsizetype i = 0; i + 1 < chain.size(); ++i)
        QWidget::setTabOrder(chain[i], chain[i + 1]);
}

void UeberschriftPage::bind(EditorState &state, FontPanels &panels)
{
    auto *b = new StateBinding(state, this);
    b->flag(Key::mitUeberschrift, cb_mitueberschrift);
    panels.bind(Key::UeberschriftFormat, DBCtrlGrid2);
}

void UeberschriftPage::paintEvent(QPaintEvent *)
{
    QPainter(this).fillRect(rect(), QColor(0xC0, 0xC0, 0xC0));
}
