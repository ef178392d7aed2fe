#include "PageWidgets.h"

#include "CueLineEdit.h"

#include <QLabel>
#include <QVariant>

QFont PageFont(int pixelHeight, bool bold)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(pixelHeight);
    f.setBold(bold);
    return f;
}

QLabel *MakeLabel(QWidget *parent, const QString &text, int x, int y, int w, int h, int pixelHeight)
{
    auto *label = new QLabel(text, parent);
    label->setFont(PageFont(pixelHeight));
    // Designed widths are for Tahoma; a wider substitute font must not cut
    // a one-line caption.
    if (h <= 16)
        w = std::max(w, label->sizeHint().width());
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

CueLineEdit *MakeField(QWidget *parent, const QString &objectName, const QString &accessibleName, int x, int y,
                       int w, int h)
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
