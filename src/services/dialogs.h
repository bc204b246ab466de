#pragma once

#include <QString>
#include <QStringList>

#include <optional>

enum class DialogAnswer { Ok, Cancel, Yes, No };

// The one name dialog of the run ("Write name"): the operations that use it
// set the texts before showing it, and what the user typed stays in the
// field for the next use unless an operation clears it.
struct NameDialogState {
    QString caption = QStringLiteral("Write name");
    QString panelText = QStringLiteral("Insert new directory name");  // the bold line above the field
    QString editText;                                                 // the field
    bool editVisible = true;
};

// What the save-file dialog starts with.
struct SaveFileRequest {
    QString directory;
    QString fileName;
    QString defaultExtension;  // without the dot; empty for none
};

// Every question and message the program puts to the user goes through this
// service: the windows get the real dialogs, tests a scripted stand-in that
// answers from a list of expected prompts.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A plain message with an OK button. An empty caption shows the
    // program's title.
    virtual void message(const QString& text, const QString& caption = {}) = 0;
    // Returns Yes or No.
    virtual DialogAnswer askYesNo(const QString& caption, const QString& text) = 0;
    // The same question with a longer text behind it (a list of names) that
    // the user may open; a service without room for it asks without.
    virtual DialogAnswer askYesNoWithDetails(const QString& caption, const QString& text, const QString& details)
    {
        (void)details;
        return askYesNo(caption, text);
    }
    // Returns Yes, No or Cancel.
    virtual DialogAnswer askYesNoCancel(const QString& caption, const QString& text) = 0;
    // The small OK/Cancel window whose panel shows the question; true for OK.
    virtual bool confirmOkCancel(const QString& question) = 0;
    // A question answered with one of the given buttons, named by what they
    // do; the last one is the way out (Escape). Returns the index of the
    // button chosen.
    virtual int askChoice(const QString& caption, const QString& text, const QStringList& choices) = 0;
    // The same question with a check box under its text (such as "Apply to
    // all"), shown unticked; `ticked` comes back as the user left it. A
    // service without room for the box asks without it and leaves it
    // unticked.
    virtual int askChoiceWithCheckBox(const QString& caption, const QString& text, const QStringList& choices,
                                      const QString& checkBoxText, bool& ticked)
    {
        (void)checkBoxText;
        ticked = false;
        return askChoice(caption, text, choices);
    }
    // The save-file dialog: the chosen full path, or nothing when cancelled.
    virtual std::optional<QString> askSaveFileName(const SaveFileRequest& request) = 0;

    // The name dialog as the next showing will present it. Change its texts
    // before runNameDialog(); read editText afterwards.
    NameDialogState& nameDialog() { return nameDialog_; }
    const NameDialogState& nameDialog() const { return nameDialog_; }
    // Shows the name dialog modally; true when closed with OK. Whatever the
    // answer, nameDialog().editText then holds the field's text.
    bool runNameDialog() { return showNameDialog(nameDialog_); }

protected:
    virtual bool showNameDialog(NameDialogState& state) = 0;

private:
    NameDialogState nameDialog_;
};
