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
    if (walk_ == Walk::IntoLink) {
        // The link led here: walk the tree to it from the root.
        linkWalk_.target = channel_.client().DirResult();
        linkTakenForDirectory();
        return;
    }
    startLoginWalk(channel_.client().DirResult());
}

void BrowseSession::walkStep()
{
    const auto goOn = [this](bool more) { walk_ = more ? Walk::ToLoginDirectory : Walk::None; };
    const int k = ++loginWalk_.step;
    if (k == 1) {
        if (loginWalk_.target.size() < 2) {
            goOn(false);
            showDirectory();
            return;
        }
        loginWalk_.splitTarget();
        goOn(loginWalk_.componentCount >= 2);
        selectChild(loginWalk_.component(1), false);
    } else if (k <= 6) {
        goOn(loginWalk_.componentCount >= k + 1);
        selectChild(loginWalk_.component(k), false);
    } else {
        goOn(false);
        if (k == 7)
            selectChild(loginWalk_.component(7), false);
    }
}

void BrowseSession::linkWalkStep()
{
    linkWalkStepTaken();
    if (walk_ != Walk::ToLinkTarget && !shownLink_.name.empty()) {
        // Arrived: the folder now shown was opened through the link.
        shownLink_.node = v_.remoteTree->currentItem();
        shownLink_.nodePath = shownLink_.node ? nodePath(shownLink_.node) : std::string();
    }
}

const BrowseSession::ShownLink* BrowseSession::linkShown() const
{
    const QTreeWidgetItem* current = v_.remoteTree->currentItem();
    // The path is compared as well: a node deleted since may have left its
    // address to another one.
    if (!current || current != shownLink_.node || nodePath(current) != shownLink_.nodePath)
        return nullptr;
    return &shownLink_;
}

void BrowseSession::linkWalkStepTaken()
{
    const auto goOn = [this](bool more) { walk_ = more ? Walk::ToLinkTarget : Walk::None; };
    const int k = ++linkWalk_.step;
    if (k == 1) {
        if (linkWalk_.target.size() < 2) {
            goOn(false);
            showDirectory();
            return;
        }
        linkWalk_.splitTarget();
        goOn(linkWalk_.componentCount >= 2);
        selectChild(linkWalk_.component(1), true);
    } else if (k <= 6) {
        goOn(linkWalk_.componentCount >= k + 1);
        selectChild(linkWalk_.component(k), true);
    } else {
        goOn(false);
        if (k == 7)
            selectChild(linkWalk_.component(7), true);
    }
}

void BrowseSession::selectChild(const std::string& name, bool addWhenMissing)
{
    QTreeWidgetItem* selected = v_.remoteTree->currentItem();
    if (!selected || name.empty())
        return;
    QTreeWidgetItem* child = findChild(selected, name, false);
    if (!child && addWhenMissing)
        child = addNode(selected, name, v_.treeImages, kDirectoryImage, kSelectedDirectoryImage);
    // Selecting the node starts its directory change, whose listing takes
    // the walk's next step. Without such a node the walk waits.
    if (child)
        v_.remoteTree->setCurrentItem(child);
}

// --- remote file selection and links ----------------------------------------------------

void BrowseSession::fileSelectionChanged()
{
    QTreeWidgetItem* item = selectedItem(v_.remoteFileList);
    // One side's file is selected at a time. A remote selection that was
    // only taken away (the local side does that when the user picks a local
    // file) must leave the local selection alone. The local panel follows
    // the loss of its selection itself (upload button off).
    if (item && v_.localFileList)
        v_.localFileList->clearSelection();
    linkSizeKnown_ = false;
    if (item) {
        linkSizeState_ = 0;
        if (tables_.linkCount() > 0) {
            stopParsing();
            handleLink();
        }
    }
    v_.downloadButton->setEnabled(item != nullptr);
    v_.unselectButton->setEnabled(item != nullptr);
    if (item) {
        setHint(v_.deleteButton, QStringLiteral("Delete file ") + item->text(0));
        setHint(v_.renameButton, QStringLiteral("Rename file ") + item->text(0));
    } else {
        const QTreeWidgetItem* node = v_.remoteTree->currentItem();
        const QString nodeText = node ? node->text(0) : QString();
        setHint(v_.deleteButton, QStringLiteral("Delete Directory ") + nodeText);
        setHint(v_.renameButton, QStringLiteral("Rename Directory ") + nodeText);
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
    QTreeWidgetItem* item = selectedItem(v_.remoteFileList);
    if (!item)
        return;
    const RemoteListingTables::Link* link =
        tables_.linkAtPosition(v_.remoteFileList->indexOfTopLevelItem(item) + 1);
    if (!link)
        return;
    // A link to a file answers SIZE; one to a directory does not, and is
    // then followed into (linkTakenForDirectory).
    linkWalk_.target = link->target;
    walk_ = Walk::LinkSizeAsked;
    channel_.client().SetHostFileName(rawName(item));
    ask(&TCustomFtpCli::BeginFileSize);
}

void BrowseSession::fileSizeDone()
{
    const std::int64_t size = channel_.client().SizeResult();
    linkSizeState_ = size == 0 ? 1 : size;
    if (walk_ == Walk::LinkSizeAsked)
        walk_ = Walk::None;
    QTreeWidgetItem* item = selectedItem(v_.remoteFileList);
    if (!item)
        return;
    linkName_ = rawName(item);
    tables_.recordSize(static_cast<std::size_t>(v_.remoteFileList->indexOfTopLevelItem(item)), linkSizeState_);
    linkSizeKnown_ = true;
}

void BrowseSession::linkTakenForDirectory()
{
    if (walk_ == Walk::IntoLink) {
        // Second pass: the target is known; list the root, whose listing
        // starts the link walk.
        walk_ = Walk::ToLinkTarget;
        if (root_)
            v_.remoteTree->setCurrentItem(root_);
        showDirectory();
        return;
    }
    // First pass: step into the link and ask the server where that is.
    walk_ = Walk::None;
    QTreeWidgetItem* item = selectedItem(v_.remoteFileList);
    if (!item)
        return;
    walk_ = Walk::IntoLink;
    shownLink_ = ShownLink{rawName(item), item->text(0), currentRemotePath_, nullptr, {}};
    channel_.client().SetHostDirName(rawName(item));
    ask(&TCustomFtpCli::BeginChangeDir);
}
