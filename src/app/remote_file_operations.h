#pragma once

#include "app/browse_session_view.h"
#include "services/session_channel.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

class BrowseSession;
class Dialogs;
class RemoteTreeDeletion;

// The remote file operations of the main window: delete a file, delete a
// directory with the files it holds, rename a file or a directory, make a
// directory, and abort everything at once. Each asks in the name dialog
// where it needs a name or a confirmation, asks the session channel for its
// requests and ends by having the browsing session list the affected
// directory again.
//
//   directory deletion: confirm, DELE each listed file in list order, CDUP,
//                       RMD of the directory's name, then the root is listed
//   directory rename:   name entered, CDUP, RNFR old name, RNTO new name,
//                       then the root is listed
//   link deletion:      (a folder opened through a link) confirm, CWD to the
//                       folder holding the link, DELE of the link, then the
//                       root is listed
//   chosen folders:     handed with the files chosen beside them to the
//                       folder-tree deletion
//
// It uses the browsing session; the session knows nothing of it.
class RemoteFileOperations : public SessionAsker, public SessionListener {
public:
    RemoteFileOperations(const RemoteOperationsView& view, SessionChannel& channel, BrowseSession& session,
                         Dialogs& dialogs);
    ~RemoteFileOperations() override;

    // The selected file, or the selected directory with its files.
    void deleteSelection();
    // Takes chosen folders of the list with everything in them.
    void setTreeDeletion(RemoteTreeDeletion* deletion) { treeDeletion_ = deletion; }
    // Whether one chosen file is asked about before it goes, as several
    // are; read at each delete. Without it one file goes at once.
    void setAskBeforeDeletingOne(std::function<bool()> ask) { askBeforeDeletingOne_ = std::move(ask); }
    void renameSelection();
    void makeDirectory();
    // Stops whatever runs and ends the session.
    void abortAll();

    bool directoryDeletionRunning() const { return directoryDeletion_ || filesRemoved_ || linkDeletion_ != LinkDeletion::None; }

    // SessionAsker
    void requestDone(TFtpRequest request) override;
    void requestFailed(TFtpRequest request, std::uint16_t error) override;
    // SessionListener: any failed request ends a deletion or rename.
    void anyRequestFailed() override;

private:
    bool idle() const { return channel_.connected() && !channel_.requestRunning(); }
    void ask(SessionChannel::Request request) { channel_.ask(*this, request); }

    void deleteSelectedFile();
    // Several selected files: one question, then one DELE each in list
    // order; a refusal stops the rest.
    void deleteSelectedFiles(const std::vector<std::string>& names);
    void deleteNextSelectedFile();
    // The name dialog was answered with a name, not left empty.
    bool nameGiven();
    void nextDeletionStep();
    void parentDirDone();
    void directoryGone();
    void renameSecondStage();
    void showRootAfterDirectoryChange();
    void showRootAfterLinkDeletion();

    RemoteOperationsView v_;
    RemoteTreeDeletion* treeDeletion_ = nullptr;
    std::function<bool()> askBeforeDeletingOne_;
    SessionChannel& channel_;
    BrowseSession& session_;
    Dialogs& dialogs_;

    // The selected files still to delete, in list order.
    std::deque<std::string> filesToDelete_;
    bool selectionDeletion_ = false;
    bool directoryDeletion_ = false;
    bool filesRemoved_ = false;
    int deletionIndex_ = 0;
    // Deleting the link a folder was opened through: to the folder holding
    // the link, DELE of the link.
    enum class LinkDeletion { None, ToFolder, Deleting };
    LinkDeletion linkDeletion_ = LinkDeletion::None;
    std::string linkName_;
    bool directoryRename_ = false;
    // A folder chosen in the list is being renamed.
    bool listedFolderRename_ = false;
    std::string oldDirectoryName_;
};
