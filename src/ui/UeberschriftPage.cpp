#include "UeberschriftPage.h"

#include "PageWidgets.h"

#include <QCheckBox>
#include <QPainter>

UeberschriftPage::UeberschriftPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheet3"));
    setFont(PageFont());
    DBCtrlGrid2 = new QWidget(this);
    DBCtrlGrid2->setObjectName(QStringLiteral("DBCtrlGrid2"));
    DBCtrlGrid2->setGeometry(20, 38, 735, 251);
    cb_mitueberschrift = new QCheckBox(QStringLiteral("Überschrift anzeigen"), this);
    cb_mitueberschrift->setObjectName(QStringLiteral("cb_mitueberschrift"));
    cb_mitueberschrift->setGeometry(25, 7, 168, 25);
    cb_mitueberschrift->setAccessibleName(cb_mitueberschrift->text());
    QWidget::setTabOrder(DBCtrlGrid2, cb_mitueberschrift);
}

void UeberschriftPage::paintEvent(QPaintEvent *)
{
    QPainter(this).fillRect(rect(), QColor(0xC0, 0xC0, 0xC0));
}
