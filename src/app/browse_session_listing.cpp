// The browsing session's listing: the LIST file parsed into tree nodes
// (directories) and file list items (files and links), letting the event
// loop run between entries so the window stays responsive.
#include "app/browse_session.h"
#include "app/list_columns.h"

#include "app/file_list_item.h"
#include "app/remote_tree.h"
#include "core/text_line_list.h"
#include "remote/listing_date.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QStringList>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <optional>

using namespace remote_tree;

namespace {
constexpr int kEntriesBetweenEvents = 200;
constexpr qint64 kMillisecondsBetweenEvents = 30;

// Zero for a date of a form the listing parser does not know, which sorts
// such entries together.
std::int64_t dateKeyOf(const std::string& listedDate)
{
    const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    const std::optional<ListingTime> listed = listingTime(listedDate, now);
    return listed ? listed->start.time_since_epoch().count() : 0;
}
} // namespace

void BrowseSession::listDirDone()
{
    v_.makeDirectoryButton->setEnabled(true);
    // The node the walk guessed at has been entered: it is a real folder.
    walkAddedNode_ = nullptr;
    if (directoryChangeWaiting_) {
        // Another node was selected while this listing came in: it is not
        // the listing of the node shown, so it goes unread.
        takeUpWaitingDirectoryChange();
        return;
    }
    parseListing();
    // Sizes of several gigabytes must show whole.
    for (int column = 0; column < v_.remoteFileList->columnCount(); ++column)
        widenColumnToContents(v_.remoteFileList, column);
    setWaitCursor(false);
    // Aborted or disconnected while the listing was shown: the window has
    // been reset already and must stay so.
    if (!channel_.connected())
        return;
    // A node selected while the listing was shown has started its own
    // change, and with it ended any walk.
    if (channel_.requestRunning() || directoryChangeWaiting_) {
        walk_ = Walk::None;
        return;
    }
    if (walk_ == Walk::ToLoginDirectory) {
        walkStep();
    } else if (walk_ == Walk::ToLinkTarget) {
        linkWalkStep();
    } else {
        // A server that cut the listing short says so only in its reply.
        if (const QString notice = listingCutNotice(); !notice.isEmpty())
            showStatus(notice);
        QCoreApplication::processEvents();
        // The login folder is listed without a directory change of its own;
        // its files are deleted and renamed like those of any other folder.
        v_.deleteButton->setEnabled(true);
        v_.renameButton->setEnabled(true);
        v_.abortButton->setEnabled(true);
        v_.addressManagerButton->setEnabled(true);
    }
}

QString BrowseSession::listingCutNotice() const
{
    // Servers end a listing with texts of their own ("Directory send OK",
    // "3 matches total", options they used); only one that says it cut the
    // output is worth the user's attention.
    QStringList finalReply;
    bool cut = false;
    for (const std::string& line : repliesToLastCommand_) {
        if (!line.empty() && line[0] == '1')
            continue;  // the preliminary "150 Here comes the listing"
        finalReply << fromBytes(line);
        cut = cut || finalReply.last().contains(QStringLiteral("truncat"), Qt::CaseInsensitive);
    }
    return cut ? finalReply.join(QLatin1Char(' ')) : QString();
}

bool BrowseSession::parseMustStop(std::uint64_t generation) const
{
    // Beside the user's stop and abort: a session that ended while events
    // ran has emptied the views, and a newer parse owns them now.
    return channel_.aborted() || !channel_.connected() || generation != parseGeneration_;
}

void BrowseSession::parseListing()
{
    TextLineList& lines = listingLines_;
    if (!lines.loadFromFile(services_.listingFilePath))
        lines.clear();
    setWaitCursor(true);
    tables_.reset();
    folderItems_ = 0;
    const std::uint64_t generation = ++parseGeneration_;
    if (channel_.aborted())
        return;
    // A sorting list would sort itself again at every turn of the event
    // loop while a long listing comes in; it is sorted once, at the end.
    struct SortedOnceAtEnd {
        QTreeWidget* list;
        bool sorting = list->isSortingEnabled();
        ~SortedOnceAtEnd() { list->setSortingEnabled(sorting); }
    } sortedOnceAtEnd{v_.remoteFileList};
    v_.remoteFileList->setSortingEnabled(false);

    ListingParser parser(lines.lines());
    // An empty directory brings no node for a walk's next step; the walk
    // adds it itself.
    if (parser.emptyListing())
        return;
    // The window stays responsive during long listings: user actions and
    // network events run between entries. Each run of the event loop lays
    // the views out anew, so it runs every so many entries or milliseconds
    // rather than after every entry, which would make a long listing take
    // time growing with the square of its length.
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    int entriesSinceEvents = 0;
    while (auto entry = parser.next()) {
        addListingEntry(*entry);
        if (parseMustStop(generation))
            return;
        if (++entriesSinceEvents >= kEntriesBetweenEvents || sinceEvents.elapsed() >= kMillisecondsBetweenEvents) {
            QCoreApplication::processEvents();
            entriesSinceEvents = 0;
            sinceEvents.restart();
            if (parseMustStop(generation))
                return;
        }
    }
    if (parser.leftOutCount() > 0)
        log("! " + std::to_string(parser.leftOutCount()) +
            " listing lines left out: too long, or not a usable file name");
    if (parser.truncatedAtLineLimit())
        log("! Listing shown up to line " + std::to_string(kListingMaxLines));
    log("Done...");
}

void BrowseSession::addListingEntry(const ListingEntry& entry)
{
    if (entry.kind == ListingEntry::Kind::Directory) {
        ++tables_.fileCount;
        ++tables_.directoryCount;
        addDirectoryNode(entry.name);
        if (walk_ != Walk::ToLoginDirectory)
            addFolderItem(entry);
        return;
    }
    if (walk_ != Walk::ToLoginDirectory)
        addFileItem(entry);
    ++tables_.fileCount;
}

void BrowseSession::addDirectoryNode(const std::string& name)
{
    QTreeWidgetItem* selected = v_.remoteTree->currentItem();
    if (selected) {
        if (!findChild(selected, name, true))
            addNode(selected, name, v_.treeImages, kDirectoryImage, kSelectedDirectoryImage);
    } else if (root_) {
        addNode(root_, name, nullptr, -1, -1);
    }
}

void BrowseSession::addFolderItem(const ListingEntry& entry)
{
    // The folders of the shown folder lead its list, as in a file manager;
    // the tree keeps them too.
    auto* item = new file_list::Item(file_list::Kind::Folder);
    item->setText(file_list::kNameColumn, fromBytes(entry.name));
    item->setData(0, kRawNameRole, QByteArray::fromStdString(entry.name));
    item->setText(file_list::kTypeColumn, QStringLiteral("Folder"));
    item->setData(0, kImageIndexRole, kDirectoryImage);
    if (v_.treeImages && v_.treeImages->size() > kDirectoryImage)
        item->setIcon(0, v_.treeImages->at(kDirectoryImage));
    item->setText(file_list::kDateColumn, fromBytes(entry.date));
    file_list::setDateKey(item, dateKeyOf(entry.date));
    // The list sorts once the listing is in; until then the folders go in
    // front of the files, in the order the server listed them.
    QTreeWidget* list = v_.remoteFileList;
    list->insertTopLevelItem(std::min(folderItems_++, list->topLevelItemCount()), item);
}

void BrowseSession::addFileItem(const ListingEntry& entry)
{
    const auto kind = entry.kind == ListingEntry::Kind::Link ? file_list::Kind::Link : file_list::Kind::File;
    auto* item = new file_list::Item(kind);
    item->setText(0, fromBytes(entry.name));
    item->setData(0, kRawNameRole, QByteArray::fromStdString(entry.name));

    file_list::setSize(item, static_cast<std::uint64_t>(std::max<std::int64_t>(entry.size, 0)));
    item->setText(1, QString::fromStdString(remoteSizeText(entry.size)));

    if (kind == file_list::Kind::Link) {
        item->setText(2, QStringLiteral("Link"));
        item->setData(0, kImageIndexRole, kLinkImage);
        if (v_.treeImages && v_.treeImages->size() > kLinkImage)
            item->setIcon(0, v_.treeImages->at(kLinkImage));
        // Only so many links are followed; the rest are listed as files.
        if (tables_.addLink())
            file_list::setLinkTarget(item, entry.linkTarget);
    } else {
        item->setText(2, fromBytes(remoteTypeText(entry.name)));
        const int image = services_.iconTable ? iconIndexForFile(entry.name, services_.iconTable->lines()) : 0;
        item->setData(0, kImageIndexRole, image);
        if (services_.fileIcon)
            item->setIcon(0, services_.fileIcon(image));
    }
    item->setText(3, fromBytes(entry.date));
    file_list::setDateKey(item, dateKeyOf(entry.date));
    v_.remoteFileList->addTopLevelItem(item);
}
