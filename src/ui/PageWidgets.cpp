#include "PageWidgets.h"

#include "CueLineEdit.h"

#include <QAbstractButton>
#include <QLabel>
#include <QRegularExpression>
#include <QVariant>

QFont PageFont(int pixelHeight, bool bold)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(pixelHeight);
    f.setBold(bold);
    return f;
}

void SubstituteTahoma()
{
    QFont::insertSubstitutions(
        QStringLiteral("Tahoma"),
        {QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")});
}

namespace
{

// The width the caption's text needs, and whether it may only shrink.
int neededWidth(QWidget *w)
{
    if (auto *label = qobject_cast<QLabel *>(w)) {
        if (label->wordWrap()) {
            // Word-wrapped: the widest word must fit, and all lines the height.
            int widest = 0;
            for (const QString &word :
                 label->text().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
                widest = std::max(widest, label->fontMetrics().horizontalAdvance(word));
            const int frame = label->width() - label->contentsRect().width();
            return label->heightForWidth(label->width()) > label->height() ? label->width() + 1
                                                                           : widest + frame;
        }
        return label->text().isEmpty() ? 0 : label->sizeHint().width();
    }
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return button->sizeHint().width();
    return 0;
}

bool mayOnlyShrink(QWidget *w)
{
    auto *label = qobject_cast<QLabel *>(w);
    return label &&
           (label->wordWrap() || label->text().contains(u'\n') || (label->alignment() & Qt::AlignHCenter));
}

} // namespace

void FitCaptions(QWidget *page, const QSize &pageSize)
{
    for (QWidget *w : page->findChildren<QWidget *>()) {
        if (!qobject_cast<QLabel *>(w) && !qobject_cast<QAbstractButton *>(w))
            continue;
        QRect r = w->geometry();
        if (w->parentWidget() != page)
            continue; // inside panels: laid out by the panel
        const int room = pageSize.width() - r.x();
        if (r.width() > room)
            r.setWidth(room);
        if (!mayOnlyShrink(w) && neededWidth(w) > r.width())
            r.setWidth(std::min(neededWidth(w), room));
        w->setGeometry(r);
        for (QFont f = w->font(); neededWidth(w) > w->width() && f.pixelSize() > 6;) {
            f.setPixelSize(f.pixelSize() - 1);
            w->setFont(f);
        }
    }
}

QLabel *MakeLabel(QWidget *parent, const QString &text, int x, int y, int w, int h, int pixelHeight)
{
    auto *label = new QLabel(text, parent);
    label->setFont(PageFont(pixelHeight));
    // Designed widths are for Tahoma; FitCaptions widens what a substitute
    // font needs once the page is complete.
    label->setGeometry(x, y, w, h);
    return label;
}

CueLineEdit *MakeLabelledField(QWidget *parent, const QString &objectName, const QString &label,
                               const QString &cue, int x, int y, int w, int h, int gap)
{
    auto *field = new CueLineEdit(parent);
    field->setObjectName(objectName);
    field->setGeometry(x, y, w, h);
    field->setCueText(cue);
    QLabel *caption = MakeLabel(parent, label, x, y - 16 - gap);
    caption->setObjectName(objectName + QStringLiteral("_label"));
    caption->setBuddy(field);
    field->setAccessibleName(label);
    field->setProperty("captionLabel", QVariant::fromValue<QObject *>(caption));
    return field;
}

CueLineEdit *MakeField(QWidget *parent, const QString &objectName, const QString &accessibleName, int x,
                       int y, int w, int h)
{
    auto *field = new CueLineEdit(parent);
    field->setObjectName(objectName);
    field->setGeometry(x, y, w, h);
    field->setAccessibleName(accessibleName);
    return field;
}

QLabel *FieldLabel(const QWidget *field)
{
    return qobject_cast<QLabel *>(field->property("captionLabel").value<QObject *>());
}
