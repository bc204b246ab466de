#pragma once

#include "app/remote_tree_scan.h"

#include <deque>
#include <string>
#include <vector>

class BrowseSession;
class Dialogs;
class MessagePanel;
class QTreeWidget;

// Deletes chosen remote folders with everything in them, and any files
// chosen beside them, on the browsing session. Each folder is read first,
// folder by folder, so the one question can say how many files and folders
// go; then every folder is emptied and removed, the deepest first, each
// file (and link) with a DELE of its server path and each folder with an
// RMD. A link is deleted as a link and never entered. The first refusal
// stops the deletion; the message panel gives the server's answer and the
// list shows what is left.
class RemoteTreeDeletion : public SessionAsker, public SessionListener {
public:
    RemoteTreeDeletion(SessionChannel& channel, RemoteTreeScan& scan, BrowseSession& session, Dialogs& dialogs,
                       QTreeWidget* remoteTree, MessagePanel* messagePanel);
    ~RemoteTreeDeletion() override;

    // `folders` and `files` are server paths; `chosen` is how many items
    // the user chose in the list.
    void start(const std::vector<std::string>& folders, const std::vector<std::string>& files, std::size_t chosen);
    // The folder the tree shows, at that server path: once it is gone its
    // parent is shown.
    void startWithShownFolder(const std::string& folder);
    bool running() const { return scanning_ || !steps_.empty(); }

    void requestDone(TFtpRequest request) override;
    void requestFailed(TFtpRequest request, std::uint16_t error) override;
    void connectedChanged(bool connected) override;

private:
    struct Step {
        enum Kind { DeleteFile, RemoveFolder } kind;
        std::string path;
    };

    void scanNext();
    void scanned(const RemoteTree& tree);
    void askAndDelete();
    void nextStep();
    void finish(bool completed);

    SessionChannel& channel_;
    RemoteTreeScan& scan_;
    BrowseSession& session_;
    Dialogs& dialogs_;
    QTreeWidget* remoteTree_;
    MessagePanel* messagePanel_;

    std::deque<std::string> toScan_;
    std::vector<std::string> firstFolders_;
    std::vector<std::string> files_;
    std::size_t chosen_ = 0;
    bool scanning_ = false;
    bool shownFolder_ = false;
    std::size_t filesFound_ = 0;
    std::size_t foldersFound_ = 0;
    std::vector<Step> planned_;
    std::deque<Step> steps_;
};
