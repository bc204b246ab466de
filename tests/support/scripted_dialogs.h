#pragma once

#include "services/dialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

// A dialogs service for tests. The test states, in order, every prompt it
// expects and how to answer it; each prompt the code shows is checked
// against the next expectation. A prompt that was not expected, or that
// differs from the expectation, fails the test; expectations left over when
// the object goes away fail it too.
class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Message, YesNo, YesNoCancel, OkCancel, NameDialog, SaveFile, Choice };

    // A prompt as it was shown.
    struct Shown {
        Kind kind;
        QString caption;
        QString text;          // message/question text; for the name dialog its panel line
        NameDialogState name;  // the name dialog as it was shown (before typing)
        QString details;       // a question's details (askYesNoWithDetails)
        QStringList choices;   // a question's own buttons (askChoice)
        QString checkBoxText;  // the check box under it, if it had one
    };

    ScriptedDialogs() = default;
    ~ScriptedDialogs() override;
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    // A plain message; the caption is checked only when given.
    ScriptedDialogs& expectMessage(const QString& text, std::optional<QString> caption = std::nullopt);
    ScriptedDialogs& expectYesNo(const QString& caption, const QString& text, DialogAnswer answer);
    // A Yes/No question whose text begins with textStart.
    ScriptedDialogs& expectYesNoBeginning(const QString& caption, const QString& textStart, DialogAnswer answer);
    ScriptedDialogs& expectYesNoCancel(const QString& caption, const QString& text, DialogAnswer answer);
    // The same for a question whose text contains each of `textParts` (a
    // server's reply that the test cannot know to the letter).
    ScriptedDialogs& expectYesNoCancelContaining(const QString& caption, const QStringList& textParts,
                                                 DialogAnswer answer);
    ScriptedDialogs& expectOkCancel(const QString& question, bool ok);
    // The name dialog showing this panel line (and caption, when given);
    // `typed` replaces the field's text before the answer, as if the user
    // cleared the field and typed it. Without it the field is left as shown.
    ScriptedDialogs& expectNameDialog(const QString& panelText, DialogAnswer answer,
                                      std::optional<QString> typed = std::nullopt,
                                      std::optional<QString> caption = std::nullopt);
    // A question with buttons of its own (askChoice) whose text contains
    // textPart; answered with the button of that index. The whole text is
    // in shown() for the test to look at.
    // With `ticked`, the question must carry a check box
    // (askChoiceWithCheckBox), which the answer leaves ticked or not.
    ScriptedDialogs& expectChoice(const QString& caption, const QString& textPart, int chosen,
                                  std::optional<bool> ticked = std::nullopt);
    // The save-file dialog for this file name; answers with chosenPath, or
    // cancels when it is empty.
    ScriptedDialogs& expectSaveFile(const QString& fileName, std::optional<QString> chosenPath);

    // Expectations not yet met.
    std::size_t pending() const { return expected_.size(); }
    // Every prompt shown so far, in order.
    const std::vector<Shown>& shown() const { return shown_; }

    void message(const QString& text, const QString& caption = {}) override;
    DialogAnswer askYesNo(const QString& caption, const QString& text) override;
    DialogAnswer askYesNoWithDetails(const QString& caption, const QString& text, const QString& details) override;
    DialogAnswer askYesNoCancel(const QString& caption, const QString& text) override;
    bool confirmOkCancel(const QString& question) override;
    int askChoice(const QString& caption, const QString& text, const QStringList& choices) override;
    int askChoiceWithCheckBox(const QString& caption, const QString& text, const QStringList& choices,
                              const QString& checkBoxText, bool& ticked) override;
    std::optional<QString> askSaveFileName(const SaveFileRequest& request) override;

protected:
    bool showNameDialog(NameDialogState& state) override;

private:
    struct Expected {
        Kind kind;
        std::optional<QString> caption;
        QString text;
        DialogAnswer answer = DialogAnswer::Ok;
        std::optional<QString> typed;
        std::optional<QString> chosenPath;
        int chosen = -1;
        std::optional<bool> ticked;
        bool textIsStart = false;
        // Parts the text must contain, in place of the whole text.
        QStringList parts;
    };

    // Takes the next expectation if it is of this kind and matches; reports
    // a failure and returns nothing otherwise.
    std::optional<Expected> take(Kind kind, const QString& caption, const QString& text);

    std::deque<Expected> expected_;
    std::vector<Shown> shown_;
};

const char* toString(ScriptedDialogs::Kind kind);
