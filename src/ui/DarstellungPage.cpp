#include "DarstellungPage.h"

#include "TrackBar.h"

#include "CueLineEdit.h"
#include "Dialogs.h"
#include "FontPanels.h"
#include "PageWidgets.h"
#include "PanelGrid.h"
#include "PictureBox.h"
#include "Shape.h"
#include "StateBinding.h"
#include "editor/EditorState.h"
#include "logo/LogoBlend.h"
#include "logo/LogoPlace.h"
#include "logo/PngDecoder.h"
#include "settings/ColorCodec.h"

#include <QFileInfo>

#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QSlider>
#include <cstring>

namespace
{

Shape *MakeShape(QWidget *parent, const char *name, int x, int y, int w, int h,
                 Shape::Kind kind = Shape::Kind::Filled)
{
    auto *s = new Shape(kind, parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setGeometry(x, y, w, h);
    return s;
}

CueLineEdit *MakeDigitField(QWidget *parent, const char *name, const char *accessibleName, int x, int y,
                            int w, int h, int limit)
{
    CueLineEdit *f =
        MakeField(parent, QString::fromLatin1(name), DarstellungPage::tr(accessibleName), x, y, w, h);
    f->setDigitsOnly(true);
    f->setLimit(limit);
    f->setText(QStringLiteral("0"));
    return f;
}

} // namespace

DarstellungPage::DarstellungPage(Dialogs &dialogs, QWidget *parent) : QWidget(parent), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("TabSheet2"));
    setFont(PageFont());
    // Rectangles first, each shadow beneath its rectangle; images over their
    // backdrops; texts and focusable controls on top.
    buildSwatches();
    buildLogoPreviews();
    buildLabels();
    buildControls();
    orderControls();
    connectReactions();
}

void DarstellungPage::buildSwatches()
{
    const QColor grey(0x80, 0x80, 0x80);
    Shape2 = MakeShape(this, "Shape2", 178, 39, 65, 65);
    sh_hintergrund = MakeShape(this, "sh_hintergrund", 175, 36, 65, 65);
    Shape1 = MakeShape(this, "Shape1", 341, 43, 116, 65);
    sh_logo = MakeShape(this, "sh_logo", 337, 39, 117, 65);
    Shape3 = MakeShape(this, "Shape3", 463, 43, 116, 65);
    sh_logo_trans = MakeShape(this, "sh_logo_trans", 459, 39, 117, 65);
    Shape8 = MakeShape(this, "Shape8", 600, 39, 65, 27);
    sh_zweitezeile = MakeShape(this, "sh_zweitezeile", 597, 36, 65, 27);
    for (Shape *shadow : {Shape2, Shape1, Shape3, Shape8})
        shadow->setFill(grey);
    sh_hintergrund->setAccessibleName(tr("Hintergrundfarbe"));
    sh_zweitezeile->setAccessibleName(tr("Hintergrundfarbe zweite Zeile"));
    Shape2->setAccessibleName(tr("Hintergrundfarbe"));
    Shape8->setAccessibleName(tr("Hintergrundfarbe zweite Zeile"));
    MakeShape(this, "Shape4", 157, 16, 3, 111, Shape::Kind::Separator);
    MakeShape(this, "Shape5", 265, 16, 3, 111, Shape::Kind::Separator);
    MakeShape(this, "Shape11", 588, 16, 3, 111, Shape::Kind::Separator);
    MakeShape(this, "Shape6", 3, 133, 767, 3, Shape::Kind::Separator);
    MakeShape(this, "Shape7", 597, 69, 173, 3, Shape::Kind::Separator);
}

void DarstellungPage::buildLogoPreviews()
{
    img_logo = new PictureBox(this);
    img_logo->setObjectName(QStringLiteral("img_logo"));
    img_logo->setGeometry(337, 39, 116, 65);
    img_logo->setAccessibleName(tr("Logo"));
    img_logo->hide();
    img_logo_trans = new PictureBox(this);
    img_logo_trans->setObjectName(QStringLiteral("img_logo_trans"));
    img_logo_trans->setGeometry(459, 39, 116, 65);
    img_logo_trans->setKeyColorTransparent(true);
    img_logo_trans->setAccessibleName(tr("Logo transparent"));
    // Presses on the previews reach the shadows' reaction like the backdrops.
    img_logo->setAttribute(Qt::WA_TransparentForMouseEvents);
    img_logo_trans->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void DarstellungPage::buildLabels()
{
    MakeLabel(this, tr("Anzahl der Zeilen"), 35, 33, 99, 16)->setObjectName(QStringLiteral("Label8"));
    QLabel *label13 = MakeLabel(this, tr("alle         Sekunden eine leere Zeile einfügen"), 33, 78, 134, 52);
    label13->setObjectName(QStringLiteral("Label13"));
    label13->setWordWrap(true);
    label13->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    MakeLabel(this, tr("Hintergrundfarbe"), 165, 13)->setObjectName(QStringLiteral("Label2"));
    MakeLabel(this, tr("Logo"), 274, 12)->setObjectName(QStringLiteral("Label3"));
    QLabel *label14 = MakeLabel(this, tr("Logo zeigen nach\nSekunden ohne Detektion"), 274, 42, 61, 85, 11);
    label14->setObjectName(QStringLiteral("Label14"));
    label14->setWordWrap(true);
    label14->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QLabel *label4 = MakeLabel(this, tr("transparent als Hintergrund\nbei Detektion"), 463, 17, 111, 22, 9);
    label4->setObjectName(QStringLiteral("Label4"));
    label4->setAlignment(Qt::AlignCenter);
    MakeLabel(this, tr("Hintergrundfarbe zweite Zeile"), 597, 14)->setObjectName(QStringLiteral("Label5"));
    MakeLabel(this, tr("nur Ergebnise aus den Feldern"), 597, 75)->setObjectName(QStringLiteral("Label1"));
    QLabel *label6 = MakeLabel(this, tr("erstes"), 604, 92, 56, 11, 9);
    label6->setObjectName(QStringLiteral("Label6"));
    label6->setAlignment(Qt::AlignCenter);
    QLabel *label7 = MakeLabel(this, tr("letztes"), 699, 92, 56, 11, 9);
    label7->setObjectName(QStringLiteral("Label7"));
    label7->setAlignment(Qt::AlignCenter);
    l_anzahlspalten = MakeLabel(this, QString(), 160, 142, 610, 16);
    l_anzahlspalten->setObjectName(QStringLiteral("l_anzahlspalten"));
    MakeLabel(this, tr("Einstellungen pro Spalte"), 3, 194, 152, 16)->setObjectName(QStringLiteral("Label9"));
}

void DarstellungPage::buildControls()
{
    cb_vollbild = new QCheckBox(tr("Vollbild"), this);
    cb_vollbild->setObjectName(QStringLiteral("cb_vollbild"));
    cb_vollbild->setGeometry(48, 12, 66, 25);
    cb_vollbild->setAccessibleName(cb_vollbild->text());
    e_hintergrund =
        MakeField(this, QStringLiteral("e_hintergrund"), tr("Hintergrundfarbe"), 176, 105, 66, 24);
    e_hintergrund->setLimit(7);
    e_hintergrund->setText(QStringLiteral("#FFFFFF"));
    tb_trans = new TrackBar(this);
    tb_trans->setObjectName(QStringLiteral("tb_trans"));
    tb_trans->setGeometry(459, 102, 116, 26);
    tb_trans->setRange(0, 255);
    tb_trans->setValue(10);
    tb_trans->setSingleStep(1);
    tb_trans->setPageStep(51);
    tb_trans->setAccessibleName(tr("Transparenz Logo"));
    e_zweitezeile = MakeField(this, QStringLiteral("e_zweitezeile"), tr("Hintergrundfarbe zweite Zeile"), 668,
                              39, 66, 24);
    e_zweitezeile->setLimit(7);
    e_zweitezeile->setText(QStringLiteral("#FFFFFF"));
    e_erstesEF = MakeDigitField(this, "e_erstesEF", QT_TR_NOOP("erstes Ergebnisfeld"), 604, 103, 56, 24, 4);
    e_letztesEF =
        MakeDigitField(this, "e_letztesEF", QT_TR_NOOP("letztes Ergebnisfeld"), 699, 103, 56, 24, 4);
    e_anzahlzeilen =
        MakeDigitField(this, "e_anzahlzeilen", QT_TR_NOOP("Anzahl der Zeilen"), 58, 50, 56, 24, 4);
    e_InfoZeile = MakeLabelledField(this, QStringLiteral("e_InfoZeile"), tr("Daten für Detektions Zeile"),
                                    tr("Daten, es können alle Formeln aus Zeitquell verwendet werden "
                                       "(z.Bsp. Startnr,\"Team \"&&[Verein])"),
                                    3, 160, 767, 23);
    dbcg_spalten = new PanelGrid(PanelKind::Spalten, this);
    dbcg_spalten->setObjectName(QStringLiteral("dbcg_spalten"));
    dbcg_spalten->setGeometry(20, 212, 735, 276);
    dbcg_spalten->setAccessibleName(FieldLabel(e_InfoZeile)->text());
    e_timeoutleereZeile = MakeDigitField(this, "e_timeoutleereZeile",
                                         QT_TR_NOOP("Sekunden bis zur leeren Zeile"), 55, 77, 31, 18, 3);
    e_timeoutlogo =
        MakeDigitField(this, "e_timeoutlogo", QT_TR_NOOP("Sekunden bis zum Logo"), 302, 53, 29, 17, 3);
    e_timeoutlogo->setFont(PageFont(11));
}

// The tab order, with the column panels' controls in their place in it; the
// controls lie above the texts and shapes they overlap.
void DarstellungPage::orderControls()
{
    QWidget *order[] = {cb_vollbild,  e_hintergrund,       tb_trans,       e_zweitezeile,
                        e_erstesEF,   e_letztesEF,         e_anzahlzeilen, e_InfoZeile,
                        dbcg_spalten, e_timeoutleereZeile, e_timeoutlogo};
    QList<QWidget *> chain;
    for (QWidget *w : order)
        chain += w == dbcg_spalten ? dbcg_spalten->tabChain() : QList<QWidget *>{w};
    for (qsizetype i = 0; i + 1 < chain.size(); ++i)
        QWidget::setTabOrder(chain[i], chain[i + 1]);
    for (QWidget *w : order)
        w->raise();
}

void DarstellungPage::connectReactions()
{
    connect(e_hintergrund, &QLineEdit::textChanged, this, [this] { e_hintergrundChange(); });
    connect(e_zweitezeile, &QLineEdit::textChanged, this, [this] { e_zweitezeileChange(); });
    for (Shape *s : {sh_hintergrund, Shape2, Shape1, Shape3})
        connect(s, &Shape::pressed, this, [this] { sh_hintergrundMouseDown(); });
    for (Shape *s : {sh_zweitezeile, Shape8})
        connect(s, &Shape::pressed, this, [this] { sh_zweitezeileMouseDown(); });
    connect(tb_trans, &QSlider::valueChanged, this, [this] { tb_transChange(); });
}

void DarstellungPage::bind(EditorState &state, FontPanels &panels)
{
    auto *b = new StateBinding(state, this);
    b->flag(Key::VollBild, cb_vollbild);
    b->text(Key::AnzahlZeilen, e_anzahlzeilen);
    b->text(Key::TimeoutleereZeile, e_timeoutleereZeile);
    b->text(Key::HintergrundFarbe, e_hintergrund);
    b->text(Key::TimeoutLogo, e_timeoutlogo);
    b->number(Key::TransparenzLogo, tb_trans);
    b->text(Key::ZweiteZeileFarbe, e_zweitezeile);
    b->text(Key::InfoZeile, e_InfoZeile);
    b->text(Key::erstesEF, e_erstesEF);
    b->text(Key::letztesEF, e_letztesEF);
    b->columnCount(Key::InfoZeile, l_anzahlspalten);
    panels.bind(Key::InfoZeileFormat, dbcg_spalten);
}

void DarstellungPage::e_hintergrundChange()
{
    sh_hintergrund->setFill(ToQColor(HexToColor(e_hintergrund->text())));
    sh_logo->setFill(sh_hintergrund->fill());
    sh_logo_trans->setFill(sh_hintergrund->fill());
    BuildTransparentLogo(tb_trans->value());
}

void DarstellungPage::e_zweitezeileChange()
{
    sh_zweitezeile->setFill(ToQColor(HexToColor(e_zweitezeile->text())));
}

void DarstellungPage::sh_hintergrundMouseDown()
{
    const std::optional<uint32_t> chosen =
        m_dialogs.chooseColor(window(), FromQColor(sh_hintergrund->fill()));
    if (!chosen)
        return;
    sh_hintergrund->setFill(ToQColor(*chosen));
    e_hintergrund->setProgramText(ColorToHex(*chosen));
    sh_logo->setFill(ToQColor(*chosen));
    sh_logo_trans->setFill(ToQColor(*chosen));
    BuildTransparentLogo(tb_trans->value());
}

void DarstellungPage::sh_zweitezeileMouseDown()
{
    const std::optional<uint32_t> chosen =
        m_dialogs.chooseColor(window(), FromQColor(sh_zweitezeile->fill()));
    if (!chosen)
        return;
    sh_zweitezeile->setFill(ToQColor(*chosen));
    e_zweitezeile->setProgramText(ColorToHex(*chosen));
}

namespace
{

QImage AsQImage(const LogoImage &logo)
{
    // Shares the logo's buffer; the copy detaches it from the LogoImage's
    // lifetime.
    return QImage(logo.bits(), logo.width(), logo.height(), int(logo.bytesPerLine()),
                  QImage::Format_ARGB32_Premultiplied)
        .copy();
}

LogoImage AsLogoImage(const QImage &image, bool hasAlpha)
{
    const QImage premultiplied = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QByteArray pixels(qsizetype(premultiplied.width()) * premultiplied.height() * 4, Qt::Uninitialized);
    for (int y = 0; y < premultiplied.height(); ++y)
        memcpy(pixels.data() + qsizetype(y) * premultiplied.width() * 4, premultiplied.constScanLine(y),
               size_t(premultiplied.width()) * 4);
    return LogoImage(premultiplied.width(), premultiplied.height(), std::move(pixels), hasAlpha);
}

} // namespace

void DarstellungPage::TabSheet2Hide()
{
    // Only a regular file counts: a directory, a FIFO or a device of that
    // name is no logo (a FIFO would block the window forever).
    const QFileInfo file(LogoInWorkingFolder());
    if (!file.isFile())
        return;
    const LogoImage logo = DecodePngFile(LogoInWorkingFolder());

    const qreal dpr = devicePixelRatioF();
    const QSize box = img_logo->targetRect(QSize(logo.width(), logo.height())).size() * dpr;
    // Scaled straight from the decoded pixels, without a second full-size
    // copy: a photo-sized logo stays within a small multiple of its size.
    const QImage full(logo.bits(), logo.width(), logo.height(), int(logo.bytesPerLine()),
                      QImage::Format_ARGB32_Premultiplied);
    QImage scaled = full.size() == box ? full.copy()
                                       : full.scaled(box.expandedTo(QSize(1, 1)), Qt::IgnoreAspectRatio,
                                                     Qt::SmoothTransformation);
    m_previewLogo = AsLogoImage(scaled, logo.hasAlpha());
    // The display preview draws the logo screen-sized; a copy bounded by a
    // usual preview window's size keeps a photo-sized logo from staying in
    // memory whole.
    const QSize display = full.size().boundedTo(full.size().scaled(kDisplayLogoSize, Qt::KeepAspectRatio));
    m_displayLogo = display == full.size() ? full.copy()
                                           : full.scaled(display.expandedTo(QSize(1, 1)),
                                                         Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(dpr);
    img_logo->setPicture(scaled);
    img_logo->show();
    if (tb_trans->value() > 0)
        BuildTransparentLogo(tb_trans->value());
    img_logo->update();
    img_logo_trans->update();
    emit logoLoaded();
}

void DarstellungPage::BuildTransparentLogo(int opacity)
{
    if (!img_logo->hasPicture())
        return;
    QImage blended = AsQImage(BlendLogo(m_previewLogo, FromQColor(sh_hintergrund->fill()), opacity));
    blended.setDevicePixelRatio(devicePixelRatioF());
    img_logo_trans->setPicture(blended);
}

void DarstellungPage::tb_transChange()
{
    BuildTransparentLogo(tb_trans->value());
}

void DarstellungPage::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0xC0, 0xC0, 0xC0));
}
