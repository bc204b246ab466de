#pragma once

#include "services/dialogs.h"

#include <functional>

// Dialogs for runs that no user watches (the command line, helper programs,
// benchmarks): every question goes to one function, which gives the answer.
// A save-file question is never answered with a path.
class UnattendedDialogs : public Dialogs {
public:
    enum class Question { Message, YesNo, YesNoCancel, OkCancel, SaveFile, Name, Choice };
    // For a message the answer is not used. `text` is the question's text,
    // the file name for a save-file question, the panel line for the name
    // dialog.
    using Answer = std::function<DialogAnswer(Question, const QString& caption, const QString& text)>;

    explicit UnattendedDialogs(Answer answer) : answer_(std::move(answer)) {}

    // The answer of a program that must be asked nothing: names the question
    // on standard error and ends the process with status 3.
    [[noreturn]] static DialogAnswer refuse(Question, const QString& caption, const QString& text);

    void message(const QString& text, const QString& caption = {}) override
    {
        answer_(Question::Message, caption, text);
    }
    DialogAnswer askYesNo(const QString& caption, const QString& text) override
    {
        return answer_(Question::YesNo, caption, text);
    }
    DialogAnswer askYesNoCancel(const QString& caption, const QString& text) override
    {
        return answer_(Question::YesNoCancel, caption, text);
    }
    bool confirmOkCancel(const QString& question) override
    {
        return answer_(Question::OkCancel, {}, question) == DialogAnswer::Ok;
    }
    // Yes or Ok takes the first button, No the second, anything else the
    // last (the way out).
    int askChoice(const QString& caption, const QString& text, const QStringList& choices) override
    {
        const DialogAnswer answer = answer_(Question::Choice, caption, text);
        if ((answer == DialogAnswer::Yes || answer == DialogAnswer::Ok) && !choices.isEmpty())
            return 0;
        if (answer == DialogAnswer::No && choices.size() > 2)
            return 1;
        return static_cast<int>(choices.size()) - 1;
    }
    std::optional<QString> askSaveFileName(const SaveFileRequest& request) override
    {
        answer_(Question::SaveFile, {}, request.fileName);
        return std::nullopt;
    }

protected:
    bool showNameDialog(NameDialogState& state) override
    {
        return answer_(Question::Name, state.caption, state.panelText) == DialogAnswer::Ok;
    }

private:
    Answer answer_;
};
