#pragma once

#include "ui/user_dialogs.hpp"

#include <deque>
#include <functional>
#include <vector>

namespace merolan {

// Answers every dialog from a script and records what the program asked.
class ScriptedDialogs final : public UserDialogs
{
public:
    struct Message {
        Icon icon;
        QString title;
        QString text;
    };

    std::vector<Message> messages;
    std::vector<QString> questions;  // the text of every Yes/No question
    std::deque<bool> yesNoAnswers;   // No once the script runs out
    std::vector<QString> fileTitles; // of both file dialogs
    std::deque<QString> fileAnswers; // for both file dialogs; cancel once the script runs out
    std::vector<QString> openedAddresses;
    // Runs while a message is "on the screen", as a real box runs the event loop until it is
    // closed: a test can see what goes on meanwhile.
    std::function<void(const Message &)> whileMessageShown;

    void showMessage(QWidget *, Icon icon, const QString &title, const QString &text) override
    {
        messages.push_back({icon, title, text});
        if (whileMessageShown)
            whileMessageShown(messages.back());
    }

    bool askYesNo(QWidget *, const QString &, const QString &text) override
    {
        questions.push_back(text);
        if (yesNoAnswers.empty())
            return false;
        const bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }

    QString chooseExistingFile(QWidget *, const QString &title, const QString &) override { return nextFile(title); }

    QString chooseSaveFile(QWidget *, const QString &title, const QString &, const QString &) override
    {
        return nextFile(title);
    }

    void openAddress(const QString &address) override { openedAddresses.push_back(address); }

private:
    QString nextFile(const QString &title)
    {
        fileTitles.push_back(title);
        if (fileAnswers.empty())
            return {};
        QString answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }
};

} // namespace merolan
