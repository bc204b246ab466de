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
// to, so a scan can neither leave the tree nor go round in a circle.
class RemoteTreeScan : public SessionAsker, public SessionListener {
public:
    using Finished = std::function<void(const RemoteTree&)>;
    // The folder that could not be read, and the server's reply.
    using Failed = std::function<void(const std::string& folder, const std::string& reply)>;

    RemoteTreeScan(SessionChannel& channel, std::string listingFilePath);
    ~RemoteTreeScan() override;
    RemoteTreeScan(const RemoteTreeScan&) = delete;
    RemoteTreeScan& operator=(const RemoteTreeScan&) = delete;

    // Starts with the folder at that server path. False when the session is
    // not free for it; the callbacks are then never called.
    bool start(const std::string& folder, Finished finished, Failed failed);
    bool running() const { return running_; }

    void requestDone(TFtpRequest request) override;
    void requestFailed(TFtpRequest request, std::uint16_t error) override;
    void connectedChanged(bool connected) override;

private:
    void visitNext();
    void readListing();

    SessionChannel& channel_;
    std::string listingFilePath_;
    Finished finished_;
    Failed failed_;
    bool running_ = false;
    std::vector<std::string> toVisit_;
    std::string visiting_;
    RemoteTree tree_;
};

// The server path of `name` inside the folder at `folder`.
std::string remoteChildPath(const std::string& folder, const std::string& name);
