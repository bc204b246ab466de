#include "app/folder_tree_transfer.h"

#include "app/local_tree_scan.h"
#include "core/data_paths.h"
#include "services/dialogs.h"
#include "transfer/queue_store.h"

#include <QDir>
#include <QFile>

namespace {

QString qs(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString filesText(std::size_t count)
{
    return count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count);
}

bool makeLocalFolder(const std::string& path)
{
    return QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(path)));
}

// The folder's path below `root` ("/www/img/icons" below "/www/img" is
// "icons").
std::string pathBelow(const std::string& root, const std::string& path)
{
    if (path.size() <= root.size())
        return {};
    return path.substr(root.back() == '/' ? root.size() : root.size() + 1);
}

}  // namespace

std::string lastPathPart(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

FolderTreeTransfer::FolderTreeTransfer(TransferQueue& queue, Dialogs& dialogs, RemoteTreeScan& scan,
                                       FolderTransferSources sources)
    : queue_(queue), dialogs_(dialogs), scan_(scan), sources_(std::move(sources))
{
}

std::size_t FolderTreeTransfer::uploadLocalFolder(const std::string& localFolder)
{
    const std::string name = lastPathPart(localFolder);
    if (name.empty() || name == "/")
        return 0;
    LocalTree tree = scanLocalTree(localFolder);
    for (const std::string& link : tree.skippedLinks)
        sources_.log("! " + joinPath(localFolder, link) + " left out: a link to a folder is not followed");
    // A tree that holds the data directory would otherwise send every
    // site's password along.
    const std::size_t found = tree.files.size();
    std::erase_if(tree.files, [&](const LocalTreeFile& file) {
        return sources_.ownDataFile
               && sources_.ownDataFile(file.relativeFolder.empty() ? localFolder
                                                                   : joinPath(localFolder, file.relativeFolder),
                                       file.name);
    });
    if (tree.files.size() < found)
        sources_.showMessage(QStringLiteral("%1 of the program's own data files left out of %2")
                                 .arg(found - tree.files.size())
                                 .arg(qs(localFolder)));
    const std::string remoteFolder = remoteChildPath(sources_.remoteFolder(), name);
    if (tree.files.empty()) {
        sources_.showMessage(QStringLiteral("No files to upload in %1").arg(qs(localFolder)));
        return 0;
    }
    const QueueSite site = sources_.site();
    if (dialogs_.askYesNo(QStringLiteral("Upload folder"),
                          QStringLiteral("Upload %1 from %2 and the folders inside it to %3 on %4?")
                              .arg(filesText(tree.files.size()), qs(localFolder), qs(remoteFolder), qs(site.host)))
        != DialogAnswer::Yes)
        return 0;
    std::size_t queued = 0;
    for (const LocalTreeFile& file : tree.files) {
        const std::string localDirectory = file.relativeFolder.empty() ? localFolder
                                                                       : joinPath(localFolder, file.relativeFolder);
        const std::string remoteDirectory = file.relativeFolder.empty()
                                                ? remoteFolder
                                                : remoteChildPath(remoteFolder, file.relativeFolder);
        if (queue_.queueUpload(site, remoteDirectory, localDirectory, file.name, std::to_string(file.size),
                               sources_.decideMode(file.name))
            != TransferQueue::Queued::Yes)
            break;
        ++queued;
    }
    return queued;
}

void FolderTreeTransfer::downloadRemoteFolder(const std::string& remoteFolder)
{
    // The folder's name becomes a local folder, as a file's name becomes a
    // local file: one that would lead out of the local folder is refused.
    if (!isSafeLocalName(lastPathPart(remoteFolder))) {
        sources_.log("! Download of \"" + remoteFolder +
                     "\" refused: that name would be written outside the local folder");
        return;
    }
    downloadsWaiting_.push_back(remoteFolder);
    if (!scan_.running())
        scanNextDownload();
}

void FolderTreeTransfer::scanNextDownload()
{
    if (downloadsWaiting_.empty())
        return;
    const std::string folder = downloadsWaiting_.front();
    downloadsWaiting_.pop_front();
    const bool started = scan_.start(
        folder, [this, folder](const RemoteTree& tree) { downloadScanned(folder, tree); },
        [this](const std::string& failedFolder, const std::string& reply) {
            downloadsWaiting_.clear();
            sources_.showMessage(
                QStringLiteral("Could not read the folder %1: %2").arg(qs(failedFolder), qs(reply)));
            sources_.showRemoteFolderAgain();
        });
    if (!started) {
        downloadsWaiting_.clear();
        sources_.showMessage(QStringLiteral("The server is busy; try the folder %1 again").arg(qs(folder)));
    }
}

void FolderTreeTransfer::downloadScanned(const std::string& remoteFolder, const RemoteTree& tree)
{
    const std::string localFolder = joinPath(sources_.localFolder(), lastPathPart(remoteFolder));
    std::size_t files = 0;
    for (const RemoteTreeEntry& entry : tree.entries)
        if (entry.link)
            sources_.log("! " + remoteChildPath(entry.folder, entry.name) + " left out: a link is not followed");
        else
            ++files;
    const bool confirmed =
        dialogs_.askYesNo(QStringLiteral("Download folder"),
                          QStringLiteral("Download %1 from %2 and the folders inside it into %3?")
                              .arg(filesText(files), qs(remoteFolder), qs(localFolder)))
        == DialogAnswer::Yes;
    if (confirmed) {
        const QueueSite site = sources_.site();
        // Every folder is made, the empty ones too, so the copy has the
        // shape of the original.
        bool made = true;
        for (const std::string& folder : tree.folders) {
            const std::string below = pathBelow(remoteFolder, folder);
            if (!makeLocalFolder(below.empty() ? localFolder : joinPath(localFolder, below))) {
                sources_.showMessage(QStringLiteral("Could not make the local folder %1")
                                         .arg(qs(joinPath(localFolder, below))));
                made = false;
                break;
            }
        }
        TransferQueue::OverwriteAnswers answers;
        for (const RemoteTreeEntry& entry : tree.entries) {
            if (!made || entry.link)
                continue;
            const std::string below = pathBelow(remoteFolder, entry.folder);
            const std::string localDirectory = below.empty() ? localFolder : joinPath(localFolder, below);
            const TransferQueue::Queued queued =
                queue_.queueDownload(site, entry.folder, localDirectory, entry.name, std::to_string(entry.size),
                                     sources_.decideMode(entry.name), &answers);
            if (queued == TransferQueue::Queued::Cancelled)
                break;
        }
    }
    if (!downloadsWaiting_.empty()) {
        scanNextDownload();
        return;
    }
    sources_.showRemoteFolderAgain();
}
