#pragma once

#include "app/remote_tree_scan.h"
#include "transfer/transfer_queue.h"

#include <QString>

#include <deque>
#include <functional>
#include <string>

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
    // The remote folder at that server path: read on the browsing session
    // first (asking when the files are counted), so the files are queued
    // later. Folders given while one is read wait their turn.
    void downloadRemoteFolder(const std::string& remoteFolder);

private:
    void scanNextDownload();
    void downloadScanned(const std::string& remoteFolder, const RemoteTree& tree);

    TransferQueue& queue_;
    Dialogs& dialogs_;
    RemoteTreeScan& scan_;
    FolderTransferSources sources_;
    std::deque<std::string> downloadsWaiting_;
};

// The last part of a path ("/www/img" gives "img").
std::string lastPathPart(const std::string& path);
