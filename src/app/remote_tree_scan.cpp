#include "app/remote_tree_scan.h"

#include "core/text_line_list.h"
#include "remote/directory_walk.h"
#include "remote/listing_parser.h"

#include <algorithm>
#include <utility>

std::size_t RemoteTree::linkCount() const
{
    return static_cast<std::size_t>(
        std::count_if(entries.begin(), entries.end(), [](const RemoteTreeEntry& entry) { return entry.link; }));
}

std::string remoteChildPath(const std::string& folder, const std::string& name)
{
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

RemoteTreeScan::RemoteTreeScan(SessionChannel& channel, std::string listingFilePath)
    : channel_(channel), listingFilePath_(std::move(listingFilePath))
{
    channel_.addListener(this);
}

RemoteTreeScan::~RemoteTreeScan()
{
    channel_.removeListener(this);
}

bool RemoteTreeScan::start(const std::string& folder, Finished finished, Failed failed)
{
    if (running_ || !channel_.connected() || channel_.requestRunning())
        return false;
    finished_ = std::move(finished);
    failed_ = std::move(failed);
    tree_ = RemoteTree{};
    scanned_ = folder;
    toVisit_ = {Folder{folder, 0}};
    running_ = true;
    stopping_ = false;
    visitNext();
    return running_;
}

bool RemoteTreeScan::stop()
{
    if (!running_ || stopping_)
        return false;
    // The command under way is let finish: cut off, it would take the
    // session with it.
    stopping_ = true;
    channel_.log("! Reading " + scanned_ + " stops after the command under way");
    return true;
}

void RemoteTreeScan::fail(const std::string& why)
{
    running_ = false;
    stopping_ = false;
    tree_ = RemoteTree{};
    toVisit_.clear();
    if (failed_)
        failed_(why);
}

void RemoteTreeScan::visitNext()
{
    if (toVisit_.empty()) {
        running_ = false;
        // The callback may start the next scan: it gets a tree of its own.
        const RemoteTree tree = std::move(tree_);
        if (finished_)
            finished_(tree);
        return;
    }
    visiting_ = toVisit_.back();
    toVisit_.pop_back();
    tree_.folders.push_back(visiting_.path);
    channel_.client().SetHostDirName(visiting_.path);
    if (!channel_.ask(*this, &TCustomFtpCli::BeginChangeDir))
        fail("Could not read the folder " + visiting_.path + ": the session is busy");
}

void RemoteTreeScan::readListing()
{
    TextLineList lines;
    if (!lines.loadFromFile(listingFilePath_))
        lines.clear();
    ListingParser parser(lines.lines());
    std::vector<Folder> inside;
    while (std::optional<ListingEntry> entry = parser.next()) {
        if (entry->kind == ListingEntry::Kind::Directory) {
            Folder folder{remoteChildPath(visiting_.path, entry->name), visiting_.level + 1};
            std::string tooFar;
            if (folder.level > kDeepestRemoteFolderLevel)
                tooFar = "it goes more than " + std::to_string(kDeepestRemoteFolderLevel) + " folders deep";
            else if (folder.path.size() > kLongestRemoteFolderPath)
                tooFar = "a path inside it is longer than " + std::to_string(kLongestRemoteFolderPath) + " characters";
            if (!tooFar.empty()) {
                channel_.log("! Not entered: " + folder.path);
                fail("Stopped reading the folder " + scanned_ + ": " + tooFar +
                     ", which no real site does; the server may list a folder inside itself");
                return;
            }
            inside.push_back(std::move(folder));
            continue;
        }
        tree_.entries.push_back({visiting_.path, entry->name,
                                 static_cast<std::uint64_t>(std::max<std::int64_t>(entry->size, 0)),
                                 entry->kind == ListingEntry::Kind::Link});
    }
    // Taken from the back: the first folder listed is visited first.
    toVisit_.insert(toVisit_.end(), inside.rbegin(), inside.rend());
    visitNext();
}

void RemoteTreeScan::requestDone(TFtpRequest request)
{
    if (!running_)
        return;
    if (stopping_) {
        fail("Reading the folder " + scanned_ + " was stopped by Abort");
        return;
    }
    if (request == ftpRqChangeDir) {
        channel_.client().SetLocalFileName(listingFilePath_);
        if (!channel_.askListing(*this))
            fail("Could not read the folder " + visiting_.path + ": the session is busy");
    } else if (request == ftpRqListDir) {
        readListing();
    }
}

void RemoteTreeScan::requestFailed(TFtpRequest, std::uint16_t)
{
    if (!running_)
        return;
    if (stopping_) {
        fail("Reading the folder " + scanned_ + " was stopped by Abort");
        return;
    }
    const TFtpClient& client = channel_.client();
    fail("Could not read the folder " + visiting_.path + ": " +
         (client.ErrorMessage().empty() ? client.LastResponse() : client.ErrorMessage()));
}

void RemoteTreeScan::connectedChanged(bool connected)
{
    // An abort or a lost connection ends the scan; nothing more is asked.
    if (!connected) {
        running_ = false;
        stopping_ = false;
    }
}
