#pragma once

#include "remote/directory_walk.h"
#include "remote/listing_parser.h"
#include "app/main_window_controls.h"
#include "remote/remote_listing_tables.h"
#include "ftp/ftp_client.h"

#include <QIcon>

#include <cstdint>
#include <functional>
#include <string>

class Dialogs;
class QTreeWidgetItem;
class RemoteOperationHandlers;

// What the browsing session needs from the rest of the main window beside its
// controls: the listing file, the address manager's directory fields, the
// local panel, and the icons of remote files. The window fills it in.
struct BrowseSessionServices {
    Dialogs* dialogs = nullptr;
    // Full path of FTPDIRL.TXT, where every LIST is stored.
    std::string listingFilePath;
    // The address manager's remote and local directory fields.
    std::function<std::string()> remoteDirectoryField;
    std::function<void(const std::string&)> setRemoteDirectoryField;
    std::function<std::string()> localDirectoryField;
    // Points the local panel at a directory; a failure is ignored.
    std::function<void(const std::string&)> changeLocalDirectory;
    // The icon of a remote file by its index from the file-type icon table.
    std::function<QIcon(int)> fileIcon;
    // Told whenever the session becomes connected or stops being so.
    std::function<void(bool)> connectedChanged;
};

// The interactive FTP session of the main window on its first client,
// FtpClient1: connect and log in with the connection fields, walk to the
// login directory, show the server's directories as a tree and the files of
// the selected directory as a list, follow links, and log the conversation.
//
// Every step is started by one asynchronous request and continued from
// FtpClient1RequestDone, so the session is a state machine over the flags
// below. Requests go through the request gate, which starts one only when
// none is outstanding (or the user aborted).
//
// The remote file operations (delete, rename, make directory, abort) are
// handlers of their own that share this session's gate and flags; their
// request-done entries are reached through RemoteOperationHandlers.
class BrowseSession {
public:
    using Request = void (TCustomFtpCli::*)();

    BrowseSession(const MainWindowControls& controls, BrowseSessionServices services);
    ~BrowseSession();
    BrowseSession(const BrowseSession&) = delete;
    BrowseSession& operator=(const BrowseSession&) = delete;

    TFtpClient& FtpClient1() { return client_; }
    void setOperationHandlers(RemoteOperationHandlers* handlers) { operations_ = handlers; }

    // --- user actions --------------------------------------------------------
    void connectknapClick();
    // The address manager closed with OK: a running session is quit and the
    // new site connected, a stopped one connects at once.
    void connectFromAddressManager();
    void TreeView1Change();
    void ListView1SelectItem();

    // --- client events -------------------------------------------------------
    void FtpClient1RequestDone(TFtpRequest RqType, std::uint16_t Error);
    void FtpClient1StateChange();
    void FtpClient1Display(std::string& Msg);

    // --- offered to the other handlers ----------------------------------------
    // Starts the request if none is outstanding, or when the user aborted.
    void requestGate(Request request);
    // Runs the directory change for the selected tree node.
    void refresh() { TreeView1Change(); }
    void log(const std::string& line);
    // Clears the tree and the file list and disables the session's buttons;
    // what every way of ending a session shares.
    void resetWindowAfterSession();
    // Remembers that the session was ended by the user's abort.
    void markAborted();

    bool connected() const { return connected_; }
    bool requestRunning() const { return requestRunning_; }
    void clearRequestRunning() { requestRunning_ = false; }
    void clearConnected() { setConnected(false); }
    QTreeWidgetItem* rootNode() const { return root_; }
    // Makes the client log to Memo1 and receive listings into the file, as
    // before every browsing request.
    void prepareRequest();

    // The transfer client's open resets the login walk too.
    void resetWalkStep() { walk_.step = 0; }
    const RemoteListingTables& listingTables() const { return tables_; }
    // 0 after a file was selected, the size of a sized link, -1 for a link
    // taken for a directory.
    std::int64_t linkSizeState() const { return linkSizeState_; }
    const std::string& linkName() const { return linkName_; }
    bool linkSizeKnown() const { return linkSizeKnown_; }

private:
    // Log-in and directory changes.
    void connectAction();
    void disconnectAction();
    void openDone();
    void userDone();
    void passDone();
    void changeDirDone();
    void listDirDone();
    void printDirDone();
    void fileSizeDone();
    void quitDone();
    void requestFailed();
    void startLoginWalk(const std::string& target);

    // The listing.
    void parseListing();
    void addListingEntry(const ListingEntry& entry);
    void addDirectoryNode(const std::string& name);
    void addFileItem(const ListingEntry& entry);
    void handleEmptyListing();
    bool parseMustStop(std::uint64_t generation) const;

    // Walks.
    void walkStep();
    void linkWalkStep();
    void selectChild(const std::string& name, bool addWhenMissing);
    void handleLink();
    void linkTakenForDirectory();

    void setConnected(bool connected);
    void setWaitCursor(bool waiting);
    void disableSessionButtons();

    MainWindowControls c_;
    BrowseSessionServices services_;
    RemoteOperationHandlers* operations_ = nullptr;
    TFtpClient client_;
    QTreeWidgetItem* root_ = nullptr;

    // Session flags.
    bool connected_ = false;
    bool requestRunning_ = false;
    bool abortRequested_ = false;
    bool stopParsing_ = false;
    bool rootFirst_ = false;
    bool reconnectAfterQuit_ = false;
    bool closedSeen_ = false;
    bool walkActive_ = false;
    bool linkWalkActive_ = false;
    bool linkSizePending_ = false;
    bool linkDirectoryPending_ = false;

    std::string currentRemotePath_;
    DirectoryWalk walk_;
    DirectoryWalk linkWalk_;
    RemoteListingTables tables_;
    std::int64_t linkSizeState_ = 0;
    std::string linkName_;
    bool linkSizeKnown_ = false;
    bool usageErrorSeen_ = false;
    // Counts parses; a parse that lets events run stops when another began.
    std::uint64_t parseGeneration_ = 0;
};

// The request-done entries and failure handling of the remote file
// operations, which run on the session's client and gate.
class RemoteOperationHandlers {
public:
    virtual ~RemoteOperationHandlers() = default;
    // ftpRqDelete, ftpRqParentDir, ftpRqRemoveDir, ftpRqRename, ftpRqMakeDir.
    virtual void operationDone(TFtpRequest RqType) = 0;
    // Any request of the session ended with an error.
    virtual void requestFailed() = 0;
};
