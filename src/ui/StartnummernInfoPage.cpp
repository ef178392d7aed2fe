#include "StartnummernInfoPage.h"

#include "CueLineEdit.h"
#include "FontPanels.h"
#include "PageWidgets.h"
#include "PanelGrid.h"
#include "StateBinding.h"
#include "editor/EditorState.h"

#include <QCheckBox>
#include <QLabel>
#include <QPainter>

StartnummernInfoPage::StartnummernInfoPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheet4"));
    setFont(PageFont());
    l_anzahlspalten_snri = MakeLabel(this, QString(), 209, 42, 610, 16);
    l_anzahlspalten_snri->setObjectName(QStringLiteral("l_anzahlspalten_snri"));
    cb_startnummerninfo = new QCheckBox(tr("mit Startnummern Info"), this);
    cb_startnummerninfo->setObjectName(QStringLiteral("cb_startnummerninfo"));
    cb_startnummerninfo->setGeometry(33, 15, 168, 25);
    cb_startnummerninfo->setAccessibleName(cb_startnummerninfo->text());
    DBCtrlGrid1 = new PanelGrid(PanelKind::SnrInfo, this);
    DBCtrlGrid1->setObjectName(QStringLiteral("DBCtrlGrid1"));
    DBCtrlGrid1->setGeometry(20, 87, 735, 276);
    // The cue shows a backslash and an "n", not a line break.
    e_SNRInfoFelder = MakeLabelledField(
        this, QStringLiteral("e_SNRInfoFelder"), tr("Daten für Startnummern Info"),
        tr("Daten, es können alle Formeln aus Zeitquell verwendet werden (z.Bsp. Startnr,\"Team "
           "\"&&[Verein]) \\n für neue Zeile"),
        3, 58, 767, 23);
    e_StartNrInFeld = MakeLabelledField(this, QStringLiteral("e_StartNrInFeld"), tr("suche StartNr in Feld"),
                                        tr("Feld"), 25, 385, 94, 25);
    DBCtrlGrid1->setAccessibleName(FieldLabel(e_SNRInfoFelder)->text());
    const QList<QWidget *> chain = QList<QWidget *>{cb_startnummerninfo} + DBCtrlGrid1->tabChain() +
                                   QList<QWidget *>{e_SNRInfoFelder, e_StartNrInFeld};
    for (qsizetype i = 0; i + 1 < chain.size(); ++i)
        QWidget::setTabOrder(chain[i], chain[i + 1]);
}

void StartnummernInfoPage::bind(EditorState &state, FontPanels &panels)
{
    auto *b = new StateBinding(state, this);
    b->flag(Key::mitStartNrInfo, cb_startnummerninfo);
    b->text(Key::SNRInfoFelder, e_SNRInfoFelder);
    b->text(Key::StartNrInFeld, e_StartNrInFeld);
    b->columnCount(Key::SNRInfoFelder, l_anzahlspalten_snri);
    panels.bind(Key::SNRInfoFelderFormat, DBCtrlGrid1);
}

void StartnummernInfoPage::paintEvent(QPaintEvent *)
{
    QPainter(this).fillRect(rect(), QColor(0xC0, 0xC0, 0xC0));
}
