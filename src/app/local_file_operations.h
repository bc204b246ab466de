#pragma once

#include <QString>

#include <optional>

#include <string>
#include <vector>

class Dialogs;

// Rename, delete and new folder on the local side. Each asks its question
// through the dialogs service, acts on the file system and says what came
// of it; the window reads the local folder again when something changed and
// shows the failure, if any, in its message panel.
//
// Names are the file system's own spelling (bytes), as the local list keeps
// them; `folder` is the folder the list shows.
class LocalFileOperations {
public:
    struct Outcome {
        bool changed = false;  // something on disk is different now
        QString failure;       // why the last step did not happen; empty when all went
    };

    explicit LocalFileOperations(Dialogs& dialogs) : dialogs_(dialogs) {}

    Outcome rename(const std::string& folder, const std::string& name);
    // Folders go with everything in them, after the one question. Items go
    // to the desktop's trash, so a slip can be undone there.
    Outcome remove(const std::string& folder, const std::vector<std::string>& names);
    Outcome makeFolder(const std::string& folder);

private:
    // The name typed into the name dialog, or nothing when it was cancelled
    // or refused (told to the user).
    std::optional<std::string> askName(const std::string& folder, const QString& caption, const QString& panelText,
                                       const QString& suggested);

    Dialogs& dialogs_;
};
