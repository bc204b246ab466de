#include "app/remote_tree_scan.h"

#include "core/text_line_list.h"
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
    toVisit_ = {folder};
    running_ = true;
    visitNext();
    return running_;
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
    tree_.folders.push_back(visiting_);
    channel_.client().SetHostDirName(visiting_);
    if (!channel_.ask(*this, &TCustomFtpCli::BeginChangeDir)) {
        running_ = false;
        if (failed_)
            failed_(visiting_, "the session is busy");
    }
}

void RemoteTreeScan::readListing()
{
    TextLineList lines;
    if (!lines.loadFromFile(listingFilePath_))
        lines.clear();
    ListingParser parser(lines.lines());
    std::vector<std::string> inside;
    while (std::optional<ListingEntry> entry = parser.next()) {
        if (entry->kind == ListingEntry::Kind::Directory) {
            inside.push_back(remoteChildPath(visiting_, entry->name));
            continue;
        }
        tree_.entries.push_back({visiting_, entry->name, static_cast<std::uint64_t>(std::max<std::int64_t>(entry->size, 0)),
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
    if (request == ftpRqChangeDir) {
        channel_.client().SetLocalFileName(listingFilePath_);
        if (!channel_.askListing(*this)) {
            running_ = false;
            if (failed_)
                failed_(visiting_, "the session is busy");
        }
    } else if (request == ftpRqListDir) {
        readListing();
    }
}

void RemoteTreeScan::requestFailed(TFtpRequest, std::uint16_t)
{
    if (!running_)
        return;
    running_ = false;
    const TFtpClient& client = channel_.client();
    if (failed_)
        failed_(visiting_, client.ErrorMessage().empty() ? client.LastResponse() : client.ErrorMessage());
}

void RemoteTreeScan::connectedChanged(bool connected)
{
    // An abort or a lost connection ends the scan; nothing more is asked.
    if (!connected)
        running_ = false;
}
