#pragma once

#include "app/browse_session_view.h"
#include "core/text_line_list.h"
#include "remote/directory_walk.h"
#include "remote/listing_parser.h"
#include "remote/remote_listing_tables.h"
#include "services/session_channel.h"

#include <QIcon>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class Dialogs;
class QTreeWidgetItem;

// What the browsing session needs from the rest of the main window beside its
// controls: the listing file, the address manager's directory fields, the
// local panel, and the icons of remote files. The window fills it in.
struct BrowseSessionServices {
    Dialogs* dialogs = nullptr;
    // Full path of FTPDIRL.TXT, where every LIST is stored.
    std::string listingFilePath;
    // The file-type icon table that gives each remote file its icon.
    const TextLineList* iconTable = nullptr;
    // The address manager's remote and local directory fields, and the
    // site (as siteKey gives it) they were chosen for: only a log-in to that
    // site starts in them. The local one is gone to once, at the first such
    // log-in after it was chosen; localDirectoryTaken says it was.
    std::function<std::string()> remoteDirectoryField;
    std::function<void(const std::string&)> setRemoteDirectoryField;
    std::function<std::string()> localDirectoryField;
    std::function<std::string()> directoryFieldsSite;
    std::function<void()> localDirectoryTaken;
    // The remote folder a site showed last, by the site's text (login, host
    // and port), and the keeping of it; either may be left empty.
    std::function<std::string(const std::string& site)> rememberedRemoteDirectory;
    std::function<void(const std::string& site, const std::string& directory)> rememberRemoteDirectory;
    // Points the local panel at a directory; a failure is ignored.
    std::function<void(const std::string&)> changeLocalDirectory;
    // The icon of a remote file by its index from the file-type icon table.
    std::function<QIcon(int)> fileIcon;
    // Told whenever the session becomes connected or stops being so.
    std::function<void(bool)> connectedChanged;
};

// The interactive FTP session of the main window on the session channel's
// client: connect and log in with the connection fields, walk to the login
// directory, show the server's directories as a tree and the files of the
// selected directory as a list, follow links, and log the conversation.
//
// Every step is one request asked of the channel; its end comes back to
// requestDone, which starts the next. Where a walk is, is the Walk below.
class BrowseSession : public SessionAsker, public SessionListener, public SessionBrowser {
public:
    BrowseSession(const BrowseSessionView& view, SessionChannel& channel, BrowseSessionServices services);
    ~BrowseSession() override;
    BrowseSession(const BrowseSession&) = delete;
    BrowseSession& operator=(const BrowseSession&) = delete;

    // --- user actions --------------------------------------------------------
    // The connect button: connects, or quits a connected session.
    void connectOrDisconnect();
    // The address manager closed with OK: a running session is quit and the
    // new site connected, a stopped one connects at once.
    void connectFromAddressManager();
    // The selected tree node changed: change to its directory and list it.
    void showDirectory() override;
    // The remote file selection changed.
    void fileSelectionChanged();
    // A server path typed by the user: absolute, or relative to the login
    // folder. The server is asked first; a folder it refuses leaves the
    // view as it was and says why, one it takes is walked to from the root.
    void goToTypedDirectory(const std::string& typed);

    // SessionBrowser
    void connectWithFields() override { connectOrDisconnect(); }

    // While connected: the connection fields name another server, user or
    // port than the session's, so the connect button goes there.
    bool fieldsNameAnotherSite() const;
    // The connect button says what a press does: connect, or disconnect
    // (and where it connects then). Called when a field changes.
    void showConnectButton();
    // The text a site is known by (login, host and port) for folders kept
    // for it; the same host typed with or without "ftp://" is one site.
    static std::string siteKey(const std::string& hostText, const std::string& user, const std::string& port);
    // The site the connection fields name now; empty when their port is
    // not a number.
    std::string fieldsSite() const;

    // --- offered to the other handlers ----------------------------------------
    // Clears the tree and the file list and disables the session's buttons;
    // what every way of ending a session shares.
    void resetWindowAfterSession();
    // Asks the server where it is and walks the tree there from the root.
    void showServerDirectory();
    QTreeWidgetItem* rootNode() const { return root_; }

    // The link a folder was opened through, while that folder is shown: a
    // delete then means the link, not the folder it leads to.
    struct ShownLink {
        std::string name;          // as the server knows it
        QString shownName;
        std::string folderPath;    // of the folder holding the link, as the tree gives it
        const QTreeWidgetItem* node = nullptr;
        std::string nodePath;
    };
    const ShownLink* linkShown() const;
    SessionChannel& channel() { return channel_; }

    bool connected() const { return channel_.connected(); }
    bool requestRunning() const { return channel_.requestRunning(); }
    const RemoteListingTables& listingTables() const { return tables_; }
    // The remote folder the file list shows, as a path of the tree ("./www").
    const std::string& shownRemotePath() const { return currentRemotePath_; }
    // 0 after a file was selected, the size of a sized link, -1 for a link
    // taken for a directory.
    std::int64_t linkSizeState() const { return linkSizeState_; }
    const std::string& linkName() const { return linkName_; }
    bool linkSizeKnown() const { return linkSizeKnown_; }

    // SessionAsker
    void requestDone(TFtpRequest request) override;
    void requestFailed(TFtpRequest request, std::uint16_t error) override;
    // SessionListener
    void connectedChanged(bool connected) override;
    void anyRequestFailed() override;
    void requestEnded() override;
    void busyChanged(bool busy) override;
    void sessionClosed() override;
    void logLine(const std::string& line) override;

private:
    // Where the session is on its way through the tree. Each walk moves one
    // tree level per listing.
    enum class Walk {
        None,
        // Down from the root to the login directory.
        ToLoginDirectory,
        // SIZE asked for a selected link: a file answers, a directory not.
        LinkSizeAsked,
        // Changed into a link taken for a directory, to ask where it led.
        IntoLink,
        // Down from the root to where the link led.
        ToLinkTarget,
        // A CWD to a typed path, to learn whether the server takes it
        // before the tree is walked there.
        ToTypedDirectory,
    };

    void ask(SessionChannel::Request request) { channel_.ask(*this, request); }
    void log(const std::string& line) { channel_.log(line); }

    // Log-in and directory changes.
    void connectAction();
    // False when the client was not ready to quit, so nothing was done.
    bool disconnectAction();
    // The port a connect with the fields uses; nothing when there is none.
    std::optional<std::string> portOfFields() const;
    void openDone();
    void userDone();
    void passDone();
    void changeDirDone();
    void listDirDone();
    void printDirDone();
    void fileSizeDone();
    void quitDone();
    void startLoginWalk(const std::string& target);
    // The text the site's remembered folder is kept under.
    std::string rememberedSite() const;
    // The address manager's folders belong to the site logged in to.
    bool directoryFieldsApply() const;
    void rememberShownDirectory();
    // The CWD to a node ended, either way.
    void nodeChangeEnded();

    // The listing.
    void parseListing();
    void addListingEntry(const ListingEntry& entry);
    void addDirectoryNode(const std::string& name);
    void addFileItem(const ListingEntry& entry);
    void addFolderItem(const ListingEntry& entry);
    bool parseMustStop(std::uint64_t generation) const;
    void stopParsing() { ++parseGeneration_; }

    // Walks.
    void walkToStartDirectory(const std::string& target);
    void walkStep();
    void linkWalkStep();
    void takeWalkStep(DirectoryWalk& walk, Walk kind);
    void selectChild(const std::string& name);
    void walkRefused();
    void typedDirectoryRefused();
    // The path field shows the folder now shown, unless the user is typing.
    void showRemotePath();
    void walkRequestFailed(TFtpRequest request);
    void takeUpWaitingDirectoryChange();
    void handleLink();
    void linkTakenForDirectory();

    void setWaitCursor(bool waiting);
    void showStatus(const QString& text);
    void disableSessionButtons();

    BrowseSessionView v_;
    SessionChannel& channel_;
    BrowseSessionServices services_;
    QTreeWidgetItem* root_ = nullptr;

    Walk walk_ = Walk::None;
    // The walk whose last folder's change is under way: walk_ is None by
    // then, yet a refusal of that folder still ends the walk as refused.
    Walk lastStepOf_ = Walk::None;
    // A CWD to a node's folder is under way.
    bool changingToNode_ = false;
    // The address manager's connect quits a running session first; the
    // connect follows the quit.
    bool connectAfterQuit_ = false;
    // The user ended the session (or a refused log-in did): its close is
    // expected and not reported.
    bool quitting_ = false;

    // The lines of the last remote listing.
    TextLineList listingLines_;
    // The reply lines received since the last command was sent.
    std::vector<std::string> repliesToLastCommand_;
    // The text of a listing's final reply when it says the server cut the
    // listing short; empty for an ordinary end.
    QString listingCutNotice() const;
    std::string currentRemotePath_;
    DirectoryWalk loginWalk_;
    DirectoryWalk linkWalk_;
    // The address manager's directory when it lies in the login folder,
    // until the server has said where that is.
    std::string directoryInLoginFolder_;
    // Where the log-in left us, as the server said (empty while unknown);
    // typed relative paths start there.
    std::string loginFolder_;
    // The absolute server path a typed path was found to be.
    std::string typedDirectory_;
    // The node the walk added because no listing showed it; removed again
    // when the server will not let us in.
    QTreeWidgetItem* walkAddedNode_ = nullptr;
    // A node was selected while a request ran; its directory change starts
    // when that request ends (the last selection wins).
    bool directoryChangeWaiting_ = false;
    RemoteListingTables tables_;
    // Folder items listed so far: they go in front of the files.
    int folderItems_ = 0;
    std::int64_t linkSizeState_ = 0;
    std::string linkName_;
    ShownLink shownLink_;
    bool linkSizeKnown_ = false;
    // Counts parses and stops; a parse that lets events run stops when the
    // count moved on (a stop was asked or another parse began).
    std::uint64_t parseGeneration_ = 0;
};
