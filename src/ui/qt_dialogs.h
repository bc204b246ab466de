#pragma once

#include "services/dialogs.h"

class QWidget;
class TMakedir;
class Tsaveform;

// The dialogs service on real windows. The name dialog and the OK/Cancel
// window exist once for the whole run, as children of the main window.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* owner);

    void message(const QString& text, const QString& caption = {}) override;
    DialogAnswer askYesNo(const QString& caption, const QString& text) override;
    DialogAnswer askYesNoWithDetails(const QString& caption, const QString& text, const QString& details) override;
    DialogAnswer askYesNoCancel(const QString& caption, const QString& text) override;
    bool confirmOkCancel(const QString& question) override;
    int askChoice(const QString& caption, const QString& text, const QStringList& choices) override;
    int askChoiceWithCheckBox(const QString& caption, const QString& text, const QStringList& choices,
                              const QString& checkBoxText, bool& ticked) override;
    std::optional<QString> askSaveFileName(const SaveFileRequest& request) override;

    TMakedir* Makedir() const { return makedir_; }
    Tsaveform* saveform() const { return saveform_; }

protected:
    bool showNameDialog(NameDialogState& state) override;

private:
    QWidget* owner_;
    TMakedir* makedir_;
    Tsaveform* saveform_;
};

// The caption of plain messages, as the program names itself.
inline constexpr const char* kProgramTitle = "Tavlinftp";
