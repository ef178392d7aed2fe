#pragma once
#include "base/Failure.h"

#include <QString>

#include <cstdint>
#include <optional>

class QColor;
class QWidget;

// Colour values (red in bits 0-7, green 8-15, blue 16-23) and Qt's colours.
QColor ToQColor(uint32_t color);
uint32_t FromQColor(const QColor &color);

// Everything modal the program shows goes through here, so tests answer
// message boxes and the colour chooser without a real modal loop.
class Dialogs
{
  public:
    virtual ~Dialogs() = default;
    // The default failure handler's box: caption "Zeitquell Detektion",
    // error icon, OK.
    virtual void showFailure(QWidget *owner, const QString &message) = 0;
    // A plain message box with the application title as caption.
    virtual void showMessage(QWidget *owner, const QString &message) = 0;
    // The colour chooser on start (colour value 0x00BBGGRR); nothing when
    // the operator cancels.
    virtual std::optional<uint32_t> chooseColor(QWidget *owner, uint32_t start) = 0;
    // Asked when the window is closed with changes not saved: "Speichern",
    // "Verwerfen" or "Abbrechen" (also Escape).
    enum class CloseAnswer { Save, Discard, Cancel };
    virtual CloseAnswer askUnsavedChanges(QWidget *owner) = 0;
    // Asked by a save that finds the file changed by another program since
    // the load; `changes` lists what changed: "Zusammenführen" (the default),
    // "Überschreiben" or "Abbrechen" (also Escape).
    enum class ConflictAnswer { Merge, Overwrite, Cancel };
    virtual ConflictAnswer askFileChanged(QWidget *owner, const QString &question,
                                          const QString &changes) = 0;
    // Asked by a save that would write characters as "?" (a settings file
    // without byte-order mark is Windows-1252); `characters` names them.
    // "Trotzdem speichern" (true) or "Abbrechen" (the default, also Escape).
    virtual bool askReplaceUnsupported(QWidget *owner, const QString &characters) = 0;
    // A question answered "Ja" (true) or "Nein"; `yesFirst` makes "Ja" the
    // default button.
    virtual bool askYesNo(QWidget *owner, const QString &question, bool yesFirst) = 0;
    // The layout file dialogs, opened in `folder`: the chosen path, or
    // nothing when the operator cancels. Saving suggests `name`.
    virtual std::optional<QString> chooseLayoutToSave(QWidget *owner, const QString &folder,
                                                      const QString &name) = 0;
    virtual std::optional<QString> chooseLayoutToLoad(QWidget *owner, const QString &folder) = 0;
};

// The real dialogs. The chooser's custom colours live as long as the
// program, shared by every picker.
class QtDialogs : public Dialogs
{
  public:
    void showFailure(QWidget *owner, const QString &message) override;
    void showMessage(QWidget *owner, const QString &message) override;
    std::optional<uint32_t> chooseColor(QWidget *owner, uint32_t start) override;
    CloseAnswer askUnsavedChanges(QWidget *owner) override;
    ConflictAnswer askFileChanged(QWidget *owner, const QString &question, const QString &changes) override;
    bool askReplaceUnsupported(QWidget *owner, const QString &characters) override;
    bool askYesNo(QWidget *owner, const QString &question, bool yesFirst) override;
    std::optional<QString> chooseLayoutToSave(QWidget *owner, const QString &folder,
                                              const QString &name) override;
    std::optional<QString> chooseLayoutToLoad(QWidget *owner, const QString &folder) override;
};

// The question on closing with unsaved changes.
QString UnsavedChangesQuestion();
// The question before a save that would write `characters` as "?".
QString ReplaceUnsupportedQuestion(const QString &characters);

// The program's title, caption of every message box.
QString ApplicationTitle();
