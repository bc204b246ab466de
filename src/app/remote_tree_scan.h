#pragma once

#include "services/session_channel.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One entry below a remote folder: a file or a link, with the server path
// of the folder that holds it.
struct RemoteTreeEntry {
    std::string folder;
    std::string name;
    std::uint64_t size = 0;
    bool link = false;
};

// What a scan found under a remote folder. Folders are in the order they
// were visited, each before the folders inside it, the scanned one first;
// taken from the back, every folder comes before the one holding it.
struct RemoteTree {
    std::vector<std::string> folders;
    std::vector<RemoteTreeEntry> entries;
    std::size_t linkCount() const;
};

// Reads a remote folder and every folder inside it on the browsing session,
// one CWD (to the folder's server path) and one LIST each, into the listing
// file. A link is listed as what it is and never entered, whatever it leads
// to. A server may still list a folder inside itself as a plain folder: the
// scan stops, with nothing found, at a level or a path length no real site
// reaches.
class RemoteTreeScan : public SessionAsker, public SessionListener {
public:
    using Finished = std::function<void(const RemoteTree&)>;
    // Why the scan ended without a tree, for the status bar: a folder that
    // could not be read, a tree too deep to be real, or the user's stop.
    using Failed = std::function<void(const std::string& why)>;

    RemoteTreeScan(SessionChannel& channel, std::string listingFilePath);
    ~RemoteTreeScan() override;
    RemoteTreeScan(const RemoteTreeScan&) = delete;
    RemoteTreeScan& operator=(const RemoteTreeScan&) = delete;

    // Starts with the folder at that server path. False when the session is
    // not free for it; the callbacks are then never called.
    bool start(const std::string& folder, Finished finished, Failed failed);
    bool running() const { return running_; }
    // The user's Abort: the scan ends when the command under way does, and
    // the session stays. False when no scan runs or it is stopping already.
    bool stop();

    void requestDone(TFtpRequest request) override;
    void requestFailed(TFtpRequest request, std::uint16_t error) override;
    void connectedChanged(bool connected) override;

private:
    struct Folder {
        std::string path;
        int level = 0;  // below the folder scanned
    };
    void visitNext();
    void readListing();
    void fail(const std::string& why);

    SessionChannel& channel_;
    std::string listingFilePath_;
    Finished finished_;
    Failed failed_;
    bool running_ = false;
    bool stopping_ = false;
    std::string scanned_;
    std::vector<Folder> toVisit_;
    Folder visiting_;
    RemoteTree tree_;
};

// The server path of `name` inside the folder at `folder`.
std::string remoteChildPath(const std::string& folder, const std::string& name);
