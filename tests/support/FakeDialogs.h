#pragma once
#include "ui/Dialogs.h"

#include <QStringList>

#include <deque>
#include <functional>

// Answers the program's dialogs in tests: records every message and hands
// out queued colour choices (nothing queued: the operator cancels).
class FakeDialogs : public Dialogs
{
  public:
    void showFailure(QWidget *, const QString &message) override
    {
        failures.append(FailureDisplayText(message));
    }
    void showMessage(QWidget *, const QString &message) override { messages.append(message); }
    std::optional<uint32_t> chooseColor(QWidget *, uint32_t start) override
    {
        chooserStarts.push_back(start);
        if (choices.empty())
            return std::nullopt;
        const std::optional<uint32_t> c = choices.front();
        choices.pop_front();
        return c;
    }

    CloseAnswer askUnsavedChanges(QWidget *) override
    {
        ++closeQuestions;
        return closeAnswer;
    }

    ConflictAnswer askFileChanged(QWidget *, const QString &question, const QString &changes) override
    {
        conflictQuestions << question;
        conflictLists << changes;
        if (whileAsked)
            whileAsked();
        if (conflictAnswers.empty())
            return ConflictAnswer::Cancel;
        const ConflictAnswer a = conflictAnswers.front();
        conflictAnswers.pop_front();
        return a;
    }

    bool askReplaceUnsupported(QWidget *, const QString &characters) override
    {
        replaceQuestions << characters;
        if (replaceAnswers.empty())
            return false;
        const bool answer = replaceAnswers.front();
        replaceAnswers.pop_front();
        return answer;
    }

    bool askYesNo(QWidget *, const QString &question, bool) override
    {
        questions.append(question);
        if (yesNo.empty())
            return false;
        const bool answer = yesNo.front();
        yesNo.pop_front();
        return answer;
    }
    std::optional<QString> chooseLayoutToSave(QWidget *, const QString &folder, const QString &name) override
    {
        layoutDialogs.append(QStringLiteral("speichern:") + folder + u'/' + name);
        return nextPath();
    }
    std::optional<QString> chooseLayoutToLoad(QWidget *, const QString &folder) override
    {
        layoutDialogs.append(QStringLiteral("laden:") + folder);
        return nextPath();
    }

    QStringList failures;
    // The question when another program changed the file: what was shown,
    // the queued answers (none left: "Abbrechen"), and what happens while
    // the question is open.
    QStringList conflictQuestions;
    QStringList conflictLists;
    std::deque<ConflictAnswer> conflictAnswers;
    std::function<void()> whileAsked;
    int closeQuestions = 0;
    CloseAnswer closeAnswer = CloseAnswer::Cancel;
    QStringList messages;
    std::vector<uint32_t> chooserStarts;
    std::deque<std::optional<uint32_t>> choices;
    // The characters each question before writing "?" named, and the
    // answers to hand out (none left: "Abbrechen").
    QStringList replaceQuestions;
    std::deque<bool> replaceAnswers;
    // Yes/no questions asked, and the answers to hand out (none: "Nein").
    QStringList questions;
    std::deque<bool> yesNo;
    // Layout file dialogs opened, and the paths to choose (none: cancel).
    QStringList layoutDialogs;
    std::deque<std::optional<QString>> layoutPaths;

  private:
    std::optional<QString> nextPath()
    {
        if (layoutPaths.empty())
            return std::nullopt;
        const std::optional<QString> path = layoutPaths.front();
        layoutPaths.pop_front();
        return path;
    }
};
