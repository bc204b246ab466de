#pragma once

#include "app/browse_session.h"
#include "app/main_window_controls.h"

#include <string>

class Dialogs;

// The remote file operations of the main window on the browsing session:
// delete a file, delete a directory with the files it holds, rename a file or
// a directory, make a directory, and abort everything at once. Each asks in
// the name dialog where it needs a name or a confirmation, runs its requests
// through the session's gate and ends by listing the affected directory
// again.
//
//   directory deletion: confirm, DELE each listed file in list order, CDUP,
//                       RMD of the directory's name, then the root is listed
//   directory rename:   name entered, CDUP, RNFR old name, RNTO new name,
//                       then the root is listed
class RemoteFileOperations : public RemoteOperationHandlers {
public:
    RemoteFileOperations(const MainWindowControls& controls, BrowseSession& session, Dialogs& dialogs);

    void BitBtn5Click(); // delete
    void BitBtn8Click(); // rename
    void BitBtn6Click(); // make directory
    void BitBtn7Click(); // abort

    // RemoteOperationHandlers
    void operationDone(TFtpRequest RqType) override;
    void requestFailed() override;

    bool directoryDeletionRunning() const { return directoryDeletion_ || filesRemoved_; }

private:
    bool idle() const { return session_.connected() && !session_.requestRunning(); }
    void start(BrowseSession::Request request);

    void deleteSelectedFile();
    void nextDeletionStep();
    void parentDirDone();
    void directoryGone();
    void renameSecondStage();
    void showRootAfterDirectoryChange();

    MainWindowControls c_;
    BrowseSession& session_;
    Dialogs& dialogs_;

    bool directoryDeletion_ = false;
    bool filesRemoved_ = false;
    int deletionIndex_ = 0;
    bool directoryRename_ = false;
    std::string oldDirectoryName_;
};
