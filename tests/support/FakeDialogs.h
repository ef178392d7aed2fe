#pragma once
#include "ui/Dialogs.h"

#include <QStringList>

#include <deque>

// Answers the program's dialogs in tests: records every message and hands
// out queued colour choices (nothing queued: the operator cancels).
class FakeDialogs : public Dialogs
{
public:
    void showFailure(QWidget *, const QString &message) override { failures.append(FailureDisplayText(message)); }
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

    QStringList failures;
    int closeQuestions = 0;
    CloseAnswer closeAnswer = CloseAnswer::Cancel;
    QStringList messages;
    std::vector<uint32_t> chooserStarts;
    std::deque<std::optional<uint32_t>> choices;
};
