#include "Dialogs.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

QColor ToQColor(uint32_t c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

uint32_t FromQColor(const QColor &c)
{
    return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}

QString ApplicationTitle()
{
    return QStringLiteral("Zeitquell Detektion");
}

void QtDialogs::showFailure(QWidget *owner, const QString &message)
{
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), FailureDisplayText(message), QMessageBox::Ok,
                    owner);
    box.exec();
}

void QtDialogs::showMessage(QWidget *owner, const QString &message)
{
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), message, QMessageBox::Ok, owner);
    box.exec();
}

std::optional<uint32_t> QtDialogs::chooseColor(QWidget *owner, uint32_t start)
{
    const QColor initial = ToQColor(start);
    // Solid colours only; QColorDialog keeps its custom colours for the
    // whole run of the program.
    QColorDialog dialog(initial, owner);
    dialog.setOption(QColorDialog::ShowAlphaChannel, false);
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return FromQColor(dialog.selectedColor());
}

QString UnsavedChangesQuestion()
{
    return QCoreApplication::translate("Dialogs",
                                       "Die Änderungen an den Einstellungen wurden nicht gespeichert.");
}

Dialogs::CloseAnswer QtDialogs::askUnsavedChanges(QWidget *owner)
{
    // Qt's standard buttons, in German through Qt's own translation.
    QMessageBox box(QMessageBox::Question, ApplicationTitle(), UnsavedChangesQuestion(),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, owner);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return CloseAnswer::Save;
    case QMessageBox::Discard:
        return CloseAnswer::Discard;
    default:
        return CloseAnswer::Cancel;
    }
}

Dialogs::ConflictAnswer QtDialogs::askFileChanged(QWidget *owner, const QString &question,
                                                  const QString &changes)
{
    QMessageBox box(QMessageBox::Warning, ApplicationTitle(), question, QMessageBox::NoButton, owner);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(changes);
    // Values are shown as stored: a "<" in one must not turn the list into
    // markup. The box's text format does not reach its informative label.
    if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextFormat(Qt::PlainText);
    QPushButton *merge =
        box.addButton(QCoreApplication::translate("Dialogs", "&Zusammenführen"), QMessageBox::AcceptRole);
    QPushButton *overwrite =
        box.addButton(QCoreApplication::translate("Dialogs", "Ü&berschreiben"), QMessageBox::DestructiveRole);
    QPushButton *cancel =
        box.addButton(QCoreApplication::translate("Dialogs", "&Abbrechen"), QMessageBox::RejectRole);
    box.setDefaultButton(merge);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == merge)
        return ConflictAnswer::Merge;
    if (box.clickedButton() == overwrite)
        return ConflictAnswer::Overwrite;
    return ConflictAnswer::Cancel;
}

QString ReplaceUnsupportedQuestion(const QString &characters)
{
    return QCoreApplication::translate(
               "Dialogs",
               "Die Einstellungsdatei hat keine Byte-Order-Mark und wird deshalb in Windows-1252 "
               "gespeichert, wie die Anzeige sie liest. Diese Zeichen gibt es dort nicht, sie würden "
               "zu „?“: %1\n\nTrotzdem speichern?")
        .arg(characters);
}

bool QtDialogs::askReplaceUnsupported(QWidget *owner, const QString &characters)
{
    QMessageBox box(QMessageBox::Warning, ApplicationTitle(), ReplaceUnsupportedQuestion(characters),
                    QMessageBox::NoButton, owner);
    // The characters come from the operator's values: never markup.
    box.setTextFormat(Qt::PlainText);
    QPushButton *save = box.addButton(QCoreApplication::translate("Dialogs", "&Trotzdem speichern"),
                                      QMessageBox::DestructiveRole);
    QPushButton *cancel =
        box.addButton(QCoreApplication::translate("Dialogs", "&Abbrechen"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == save;
}

bool QtDialogs::askYesNo(QWidget *owner, const QString &question, bool yesFirst)
{
    QMessageBox box(QMessageBox::Question, ApplicationTitle(), question, QMessageBox::Yes | QMessageBox::No,
                    owner);
    box.setDefaultButton(yesFirst ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

namespace
{

std::optional<QString> runLayoutDialog(QFileDialog &dialog, const QString &folder)
{
    dialog.setDirectory(folder);
    dialog.setNameFilters({QCoreApplication::translate("Dialogs", "Layouts (*.vadlayout)"),
                           QCoreApplication::translate("Dialogs", "Alle Dateien (*)")});
    dialog.setDefaultSuffix(QStringLiteral("vadlayout"));
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

std::optional<QString> QtDialogs::chooseLayoutToSave(QWidget *owner, const QString &folder,
                                                     const QString &name)
{
    QFileDialog dialog(owner, QCoreApplication::translate("Dialogs", "Layout speichern"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setLabelText(QFileDialog::Accept, QCoreApplication::translate("Dialogs", "Speichern"));
    dialog.setLabelText(QFileDialog::FileName, QCoreApplication::translate("Dialogs", "Name:"));
    dialog.selectFile(name);
    return runLayoutDialog(dialog, folder);
}

std::optional<QString> QtDialogs::chooseLayoutToLoad(QWidget *owner, const QString &folder)
{
    QFileDialog dialog(owner, QCoreApplication::translate("Dialogs", "Layout laden"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setLabelText(QFileDialog::Accept, QCoreApplication::translate("Dialogs", "Laden"));
    dialog.setLabelText(QFileDialog::FileName, QCoreApplication::translate("Dialogs", "Datei:"));
    return runLayoutDialog(dialog, folder);
}
