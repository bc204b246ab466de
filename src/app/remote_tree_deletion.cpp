#include "app/remote_tree_deletion.h"

#include "app/browse_session.h"
#include "app/folder_tree_transfer.h"
#include "app/message_panel.h"
#include "app/remote_tree.h"
#include "services/dialogs.h"

#include <QTreeWidget>

namespace {

QString qs(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString counted(std::size_t count, const char* one, const char* many)
{
    return count == 1 ? QStringLiteral("1 %1").arg(QLatin1String(one))
                      : QStringLiteral("%1 %2").arg(count).arg(QLatin1String(many));
}

}  // namespace

RemoteTreeDeletion::RemoteTreeDeletion(SessionChannel& channel, RemoteTreeScan& scan, BrowseSession& session,
                                       Dialogs& dialogs, QTreeWidget* remoteTree, MessagePanel* messagePanel)
    : channel_(channel), scan_(scan), session_(session), dialogs_(dialogs), remoteTree_(remoteTree),
      messagePanel_(messagePanel)
{
    channel_.addListener(this);
}

RemoteTreeDeletion::~RemoteTreeDeletion()
{
    channel_.removeListener(this);
}

void RemoteTreeDeletion::start(const std::vector<std::string>& folders, const std::vector<std::string>& files,
                               std::size_t chosen)
{
    if (running() || folders.empty())
        return;
    toScan_.assign(folders.begin(), folders.end());
    firstFolders_ = folders;
    files_ = files;
    chosen_ = chosen;
    shownFolder_ = false;
    filesFound_ = files.size();
    foldersFound_ = 0;
    planned_.clear();
    scanning_ = true;
    scanNext();
}

void RemoteTreeDeletion::startWithShownFolder(const std::string& folder)
{
    start({folder}, {}, 1);
    shownFolder_ = running();
}

void RemoteTreeDeletion::scanNext()
{
    if (toScan_.empty()) {
        scanning_ = false;
        askAndDelete();
        return;
    }
    const std::string folder = toScan_.front();
    toScan_.pop_front();
    const bool started = scan_.start(
        folder, [this](const RemoteTree& tree) { scanned(tree); },
        [this](const std::string& why) {
            scanning_ = false;
            toScan_.clear();
            planned_.clear();
            if (messagePanel_)
                messagePanel_->showMessage(qs(why));
            session_.showDirectory();
        });
    if (!started)
        scanning_ = false;
}

void RemoteTreeDeletion::scanned(const RemoteTree& tree)
{
    // The deepest folders first: taken from the back, a folder comes
    // before the one holding it; each is emptied before it is removed.
    for (auto folder = tree.folders.rbegin(); folder != tree.folders.rend(); ++folder) {
        for (const RemoteTreeEntry& entry : tree.entries)
            if (entry.folder == *folder)
                planned_.push_back({Step::DeleteFile, remoteChildPath(entry.folder, entry.name)});
        planned_.push_back({Step::RemoveFolder, *folder});
    }
    filesFound_ += tree.entries.size();
    // The folder chosen is not counted among the folders found in it.
    foldersFound_ += tree.folders.size() - 1;
    scanNext();
}

void RemoteTreeDeletion::askAndDelete()
{
    QString question;
    if (chosen_ == 1 && firstFolders_.size() == 1)
        question = QStringLiteral("Delete the folder %1 with the %2 and %3 in it from the server?")
                       .arg(qs(firstFolders_.front()), counted(filesFound_, "file", "files"),
                            counted(foldersFound_, "folder", "folders"));
    else
        // One question for the whole selection, with what it comes to.
        question = QStringLiteral("Delete %1 from the server? %2 and %3 in all.")
                       .arg(selectionText(firstFolders_.size(), chosen_ - firstFolders_.size()),
                            counted(filesFound_, "file", "files"),
                            counted(foldersFound_ + firstFolders_.size(), "folder", "folders"));
    if (dialogs_.askYesNo(QStringLiteral("Delete folder"), question) != DialogAnswer::Yes) {
        planned_.clear();
        session_.showDirectory();
        return;
    }
    for (const std::string& file : files_)
        steps_.push_back({Step::DeleteFile, file});
    steps_.insert(steps_.end(), planned_.begin(), planned_.end());
    planned_.clear();
    nextStep();
}

void RemoteTreeDeletion::nextStep()
{
    if (steps_.empty()) {
        finish(true);
        return;
    }
    const Step& step = steps_.front();
    channel_.client().SetHostFileName(step.path);
    const bool asked = channel_.ask(*this, step.kind == Step::DeleteFile ? &TCustomFtpCli::BeginDelete
                                                                        : &TCustomFtpCli::BeginRemoveDir);
    if (!asked) {
        steps_.clear();
        finish(false);
    }
}

void RemoteTreeDeletion::requestDone(TFtpRequest request)
{
    if (steps_.empty() || (request != ftpRqDelete && request != ftpRqRemoveDir))
        return;
    steps_.pop_front();
    nextStep();
}

void RemoteTreeDeletion::requestFailed(TFtpRequest, std::uint16_t)
{
    if (steps_.empty())
        return;
    const Step refused = steps_.front();
    steps_.clear();
    const TFtpClient& client = channel_.client();
    const std::string& reply = client.ErrorMessage().empty() ? client.LastResponse() : client.ErrorMessage();
    if (messagePanel_)
        messagePanel_->showMessage(QStringLiteral("Could not %1 %2: %3; the rest was left as it is")
                                       .arg(refused.kind == Step::DeleteFile ? QStringLiteral("delete")
                                                                             : QStringLiteral("remove the folder"),
                                            qs(refused.path), qs(reply)));
    finish(false);
}

void RemoteTreeDeletion::connectedChanged(bool connected)
{
    if (!connected) {
        steps_.clear();
        planned_.clear();
        toScan_.clear();
        scanning_ = false;
    }
}

void RemoteTreeDeletion::finish(bool completed)
{
    QTreeWidgetItem* shown = remoteTree_ ? remoteTree_->currentItem() : nullptr;
    if (completed && shownFolder_ && shown && shown->parent()) {
        // The folder shown is gone: its parent is shown instead, and its
        // nodes are read again with the parent's listing.
        QTreeWidgetItem* parent = shown->parent();
        remoteTree_->setCurrentItem(parent);
        remote_tree::removeChildren(parent);
        shownFolder_ = false;
        return;
    }
    shownFolder_ = false;
    // The folder's nodes are read again with its listing: the ones that
    // went are gone from the tree, those left stay.
    if (shown)
        remote_tree::removeChildren(shown);
    session_.showDirectory();
}
