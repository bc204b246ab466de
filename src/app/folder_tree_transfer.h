#pragma once

#include "app/local_tree_scan.h"
#include "app/remote_tree_scan.h"
#include "transfer/transfer_queue.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class Dialogs;

// What a folder-tree transfer asks of the main window at the moment it is
// used.
struct FolderTransferSources {
    // The site of the connection fields.
    std::function<QueueSite()> site;
    // The remote folder shown, as a server path ("/www"), and the local
    // folder shown.
    std::function<std::string()> remoteFolder;
    std::function<std::string()> localFolder;
    // The transfer mode for a file name ("0" ASCII, "1" binary).
    std::function<std::string(const std::string&)> decideMode;
    // Whether the file of that name in that local folder is one of the
    // program's own data files, which never go to a server.
    std::function<bool(const std::string& directory, const std::string& name)> ownDataFile;
    // A line for the FTP log, and a notice for the status bar.
    std::function<void(const std::string&)> log;
    std::function<void(const QString&)> showMessage;
    // The browsing session moved through the scanned folders: it goes back
    // to the folder it shows and reads it again.
    std::function<void()> showRemoteFolderAgain;
};

// Files chosen beside the folders of one action: they are named in the
// action's one question with the folders.
struct ChosenFiles {
    // Where they are: the local folder shown (uploads), or the remote folder
    // shown as the session names it (downloads).
    std::string directory;
    std::vector<TransferQueue::LocalFile> files;
    std::uint64_t bytes() const;
};

// A folder with everything under it, as one action: uploaded into a folder
// of the same name in the remote folder shown, or downloaded into one in
// the local folder shown. Every file becomes an entry of the transfer queue
// with its own folder, so the queue makes the remote folders an upload
// needs (and enters each with a CWD that decides whether it is there), and
// a download finds its local folders made. Links to folders are never
// followed; they are left out with a log line.
class FolderTreeTransfer {
public:
    FolderTreeTransfer(TransferQueue& queue, Dialogs& dialogs, RemoteTreeScan& scan, FolderTransferSources sources);

    // The local folder at that path. Asks first, naming both folders and the
    // number of files. Returns how many files were queued.
    std::size_t uploadLocalFolder(const std::string& localFolder);
    // Several local folders, and files chosen beside them, as one action:
    // one question names them all with their totals. The folders' files
    // are queued here; true when the user said yes, so the caller queues
    // the chosen files.
    bool uploadLocalFolders(const std::vector<std::string>& localFolders, const ChosenFiles& besides);
    // The remote folder at that server path: read on the browsing session
    // first (asking when the files are counted), so the files are queued
    // later. Folders given while one is read wait their turn.
    void downloadRemoteFolder(const std::string& remoteFolder) { downloadRemoteFolders({remoteFolder}, {}); }
    // Several remote folders, and files chosen beside them, as one action:
    // every folder is read first, then one question names them all with
    // their totals, then the chosen files and the folders' files are
    // queued.
    void downloadRemoteFolders(const std::vector<std::string>& remoteFolders, const ChosenFiles& besides);

private:
    // A local folder read for an upload: its files, the program's own data
    // files left out, and where they go.
    struct UploadFolder {
        std::string localFolder;
        std::string remoteFolder;
        LocalTree tree;
    };
    std::optional<UploadFolder> prepareUpload(const std::string& localFolder);
    // Queues the folder's files; false when the queue took no more.
    bool queueUploadFolder(const QueueSite& site, const UploadFolder& folder, std::size_t& queued);

    struct Download {
        std::vector<std::string> folders;
        ChosenFiles besides;
        std::vector<RemoteTree> scanned;
    };
    void scanNextDownload();
    void downloadScanned(const RemoteTree& tree);
    void askAndQueueDownload(const Download& download);

    TransferQueue& queue_;
    Dialogs& dialogs_;
    RemoteTreeScan& scan_;
    FolderTransferSources sources_;
    // The action being read first, then those given meanwhile.
    std::deque<Download> downloadsWaiting_;
};

// "3 folders and 2 files", "1 folder": what a selection holds, for the
// question about it.
QString selectionText(std::size_t folders, std::size_t files);

// The last part of a path ("/www/img" gives "img").
std::string lastPathPart(const std::string& path);
