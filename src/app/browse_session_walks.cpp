// The browsing session's walks down the tree (to the login directory and to a
// link's target), the remote file selection and the handling of links.
#include "app/browse_session.h"

#include "app/control_hint.h"
#include "app/remote_tree.h"

#include <QPushButton>
#include <QTreeWidget>

using namespace remote_tree;

// --- walks ------------------------------------------------------------------------------

void BrowseSession::printDirDone()
{
    if (linkDirectoryPending_) {
        // The link led here: walk the tree to it from the root.
        linkWalk_.target = client_.DirResult();
        linkTakenForDirectory();
        return;
    }
    startLoginWalk(client_.DirResult());
}

void BrowseSession::walkStep()
{
    const int k = ++walk_.step;
    if (k == 1) {
        if (walk_.target.size() < 2) {
            walkActive_ = false;
            refresh();
            return;
        }
        walk_.splitTarget();
        walkActive_ = walk_.componentCount >= 2;
        selectChild(walk_.component(1), false);
    } else if (k <= 6) {
        walkActive_ = walk_.componentCount >= k + 1;
        selectChild(walk_.component(k), false);
    } else {
        walkActive_ = false;
        if (k == 7)
            selectChild(walk_.component(7), false);
    }
}

void BrowseSession::linkWalkStep()
{
    const int k = ++linkWalk_.step;
    if (k == 1) {
        if (linkWalk_.target.size() < 2) {
            linkWalkActive_ = false;
            refresh();
            return;
        }
        linkWalk_.splitTarget();
        linkWalkActive_ = linkWalk_.componentCount >= 2;
        selectChild(linkWalk_.component(1), true);
    } else if (k <= 6) {
        linkWalkActive_ = linkWalk_.componentCount >= k + 1;
        selectChild(linkWalk_.component(k), true);
    } else {
        linkWalkActive_ = false;
        if (k == 7)
            selectChild(linkWalk_.component(7), true);
    }
}

void BrowseSession::selectChild(const std::string& name, bool addWhenMissing)
{
    QTreeWidgetItem* selected = c_.TreeView1->currentItem();
    if (!selected || name.empty())
        return;
    QTreeWidgetItem* child = findChild(selected, name, false);
    if (!child && addWhenMissing)
        child = addNode(selected, name, c_.ImageList1, kDirectoryImage, kSelectedDirectoryImage);
    // Selecting the node starts its directory change, whose listing takes
    // the walk's next step. Without such a node the walk waits.
    if (child)
        c_.TreeView1->setCurrentItem(child);
}

// --- remote file selection and links ----------------------------------------------------

void BrowseSession::ListView1SelectItem()
{
    QTreeWidgetItem* item = selectedItem(c_.ListView1);
    // One side's file is selected at a time. A remote selection that was
    // only taken away (the local side does that when the user picks a local
    // file) must leave the local selection alone. The local panel follows
    // the loss of its selection itself (upload button off).
    if (item && c_.ListView2)
        c_.ListView2->clearSelection();
    linkSizeKnown_ = false;
    if (item) {
        linkSizeState_ = 0;
        if (tables_.linkCount() > 0) {
            stopParsing_ = true;
            handleLink();
        }
    }
    c_.BitBtn3->setEnabled(item != nullptr);
    c_.BitBtn4->setEnabled(item != nullptr);
    if (item) {
        setHint(c_.BitBtn5, QStringLiteral("Delete file ") + item->text(0));
        setHint(c_.BitBtn8, QStringLiteral("Rename file ") + item->text(0));
    } else {
        const QTreeWidgetItem* node = c_.TreeView1->currentItem();
        const QString nodeText = node ? node->text(0) : QString();
        setHint(c_.BitBtn5, QStringLiteral("Delete Directory ") + nodeText);
        setHint(c_.BitBtn8, QStringLiteral("Rename Directory ") + nodeText);
    }
}

void BrowseSession::handleLink()
{
    linkWalk_.step = 0;
    if (linkSizeState_ == -1) {
        linkTakenForDirectory();
        return;
    }
    if (linkSizeState_ != 0)
        return;
    QTreeWidgetItem* item = selectedItem(c_.ListView1);
    if (!item)
        return;
    const RemoteListingTables::Link* link =
        tables_.linkAtPosition(c_.ListView1->indexOfTopLevelItem(item) + 1);
    if (!link)
        return;
    // A link to a file answers SIZE; one to a directory does not, and is
    // then followed into (linkTakenForDirectory).
    linkWalk_.target = link->target;
    linkSizePending_ = true;
    client_.SetHostFileName(rawName(item));
    prepareRequest();
    requestGate(&TCustomFtpCli::BeginFileSize);
}

void BrowseSession::fileSizeDone()
{
    const std::int64_t size = client_.SizeResult();
    linkSizeState_ = size == 0 ? 1 : size;
    linkSizePending_ = false;
    QTreeWidgetItem* item = selectedItem(c_.ListView1);
    if (!item)
        return;
    linkName_ = rawName(item);
    tables_.recordSize(static_cast<std::size_t>(c_.ListView1->indexOfTopLevelItem(item)), linkSizeState_);
    linkSizeKnown_ = true;
}

void BrowseSession::linkTakenForDirectory()
{
    linkWalkActive_ = true;
    if (linkDirectoryPending_) {
        // Second pass: the target is known; list the root, whose listing
        // starts the link walk.
        linkDirectoryPending_ = false;
        if (root_)
            c_.TreeView1->setCurrentItem(root_);
        refresh();
        return;
    }
    // First pass: step into the link and ask the server where that is.
    linkWalkActive_ = false;
    QTreeWidgetItem* item = selectedItem(c_.ListView1);
    if (!item)
        return;
    linkDirectoryPending_ = true;
    client_.SetHostDirName(rawName(item));
    prepareRequest();
    requestGate(&TCustomFtpCli::BeginChangeDir);
}
