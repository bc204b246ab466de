// The browsing session's walks down the tree (to the login directory and to a
// link's target), the remote file selection and the handling of links.
#include "app/browse_session.h"

#include "app/control_hint.h"
#include "app/file_list_item.h"
#include "app/remote_tree.h"
#include "core/remote_directory.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>
#include <utility>

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
    if (loginFolder_.empty())
        loginFolder_ = channel_.client().DirResult();
    if (!directoryInLoginFolder_.empty()) {
        const std::string directory = std::exchange(directoryInLoginFolder_, std::string());
        walkToStartDirectory(absoluteRemoteDirectory(directory, channel_.client().DirResult()));
        return;
    }
    startLoginWalk(channel_.client().DirResult());
}

void BrowseSession::walkStep()
{
    takeWalkStep(loginWalk_, Walk::ToLoginDirectory);
}

void BrowseSession::linkWalkStep()
{
    takeWalkStep(linkWalk_, Walk::ToLinkTarget);
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

void BrowseSession::takeWalkStep(DirectoryWalk& walk, Walk kind)
{
    const int k = ++walk.step;
    if (k == 1)
        walk.splitTarget();
    if (k == 1 && walk.component(1).empty()) {
        // The target is the root: show its files.
        walk_ = Walk::None;
        showDirectory();
        return;
    }
    walk_ = walk.componentCount > k ? kind : Walk::None;
    lastStepOf_ = walk_ == Walk::None ? kind : Walk::None;
    selectChild(walk.component(k));
}

void BrowseSession::selectChild(const std::string& name)
{
    QTreeWidgetItem* selected = v_.remoteTree->currentItem();
    walkAddedNode_ = nullptr;
    if (!selected || name.empty())
        return;
    QTreeWidgetItem* child = findChild(selected, name, false);
    if (!child)
        child = findChild(selected, name, true);
    if (!child) {
        // A folder the server did not list (one it will not list for us,
        // above a home folder, or a link) may still be entered: try it.
        child = addNode(selected, name, v_.treeImages, kDirectoryImage, kSelectedDirectoryImage);
        walkAddedNode_ = child;
    }
    // Selecting the node starts its directory change, whose listing takes
    // the walk's next step.
    v_.remoteTree->setCurrentItem(child);
}

void BrowseSession::walkRefused()
{
    // The server would not let us into the folder the walk tried: stop
    // there and show the last folder reached instead, with its files.
    walk_ = Walk::None;
    QTreeWidgetItem* refused = v_.remoteTree->currentItem();
    const QString reply = fromBytes(channel_.client().LastResponse());
    showStatus(QStringLiteral("Could not open the folder %1: %2")
                   .arg(fromBytes(absoluteRemoteDirectory(currentRemotePath_, "/")), reply));
    QTreeWidgetItem* reached = refused ? refused->parent() : nullptr;
    if (!reached)
        return;
    v_.remoteTree->setCurrentItem(reached);
    // A node the walk only guessed at is not a folder of the server.
    if (refused == walkAddedNode_)
        delete refused;
    walkAddedNode_ = nullptr;
}

void BrowseSession::goToTypedDirectory(const std::string& typed)
{
    if (!channel_.connected() || channel_.requestRunning())
        return;
    // A session that started in a named folder never asked where the
    // log-in left it; relative paths then start at the root, as the walk's
    // own fallback does.
    typedDirectory_ = absoluteRemoteDirectory(typed, loginFolder_.empty() ? std::string("/") : loginFolder_);
    channel_.client().SetHostDirName(typedDirectory_);
    walk_ = Walk::ToTypedDirectory;
    if (!channel_.ask(*this, &TCustomFtpCli::BeginChangeDir))
        walk_ = Walk::None;
}

void BrowseSession::typedDirectoryRefused()
{
    walk_ = Walk::None;
    // Queued files read the shown folder from the client: it stays the
    // folder the tree shows.
    channel_.client().SetHostDirName(currentRemotePath_);
    showStatus(QStringLiteral("Could not open the folder %1: %2")
                   .arg(fromBytes(typedDirectory_), fromBytes(channel_.client().LastResponse())));
    showRemotePath();
}

void BrowseSession::showRemotePath()
{
    QLineEdit* field = v_.remotePathField;
    if (!field || field->isModified())
        return;
    field->setText(currentRemotePath_.empty() ? QString() : fromBytes(serverPathOf(currentRemotePath_)));
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
        // A link is looked into when it is the one file chosen; among
        // several it is taken as the file the listing shows.
        if (tables_.linkCount() > 0 && v_.remoteFileList->selectedItems().size() == 1) {
            stopParsing();
            handleLink();
        }
    }
    v_.downloadButton->setEnabled(item != nullptr);
    v_.unselectButton->setEnabled(item != nullptr);
    if (item && file_list::isFolder(item)) {
        setHint(v_.deleteButton, QStringLiteral("Delete folder ") + item->text(0));
        setHint(v_.renameButton, QStringLiteral("Rename folder ") + item->text(0));
    } else if (item) {
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
    const std::optional<std::string> target = file_list::linkTargetOf(item);
    if (!target)
        return;
    // A link to a file answers SIZE; one to a directory does not, and is
    // then followed into (linkTakenForDirectory).
    linkWalk_.target = *target;
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
    file_list::setSize(item, static_cast<std::uint64_t>(std::max<std::int64_t>(linkSizeState_, 0)));
    linkSizeKnown_ = true;
}

void BrowseSession::linkTakenForDirectory()
{
    if (walk_ == Walk::IntoLink) {
        // Second pass: the target is known; list the root, whose listing
        // starts the link walk.
        walk_ = Walk::ToLinkTarget;
        // Selecting the root starts its change; only a root selected
        // already needs the change started here.
        if (root_ && v_.remoteTree->currentItem() != root_)
            v_.remoteTree->setCurrentItem(root_);
        else
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
