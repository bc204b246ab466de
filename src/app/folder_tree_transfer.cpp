#include "app/folder_tree_transfer.h"

#include "core/amount_text.h"
#include "core/data_paths.h"
#include "services/dialogs.h"
#include "transfer/queue_store.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdlib>

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

std::uint64_t ChosenFiles::bytes() const
{
    std::uint64_t total = 0;
    for (const TransferQueue::LocalFile& file : files)
        total += static_cast<std::uint64_t>(std::max<long long>(0, std::atoll(file.size.c_str())));
    return total;
}

QString selectionText(std::size_t folders, std::size_t files)
{
    const QString folderText = folders == 1 ? QStringLiteral("1 folder") : QStringLiteral("%1 folders").arg(folders);
    if (files == 0)
        return folderText;
    return folderText + QStringLiteral(" and ") + filesText(files);
}

std::optional<FolderTreeTransfer::UploadFolder> FolderTreeTransfer::prepareUpload(const std::string& localFolder)
{
    const std::string name = lastPathPart(localFolder);
    if (name.empty() || name == "/")
        return std::nullopt;
    UploadFolder folder{localFolder, remoteChildPath(sources_.remoteFolder(), name), scanLocalTree(localFolder)};
    LocalTree& tree = folder.tree;
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
    return folder;
}

bool FolderTreeTransfer::queueUploadFolder(const QueueSite& site, const UploadFolder& folder, std::size_t& queued)
{
    for (const LocalTreeFile& file : folder.tree.files) {
        const std::string localDirectory = file.relativeFolder.empty()
                                               ? folder.localFolder
                                               : joinPath(folder.localFolder, file.relativeFolder);
        const std::string remoteDirectory = file.relativeFolder.empty()
                                                ? folder.remoteFolder
                                                : remoteChildPath(folder.remoteFolder, file.relativeFolder);
        if (queue_.queueUpload(site, remoteDirectory, localDirectory, file.name, std::to_string(file.size),
                               sources_.decideMode(file.name))
            != TransferQueue::Queued::Yes)
            return false;
        ++queued;
    }
    return true;
}

std::size_t FolderTreeTransfer::uploadLocalFolder(const std::string& localFolder)
{
    const std::optional<UploadFolder> folder = prepareUpload(localFolder);
    if (!folder)
        return 0;
    if (folder->tree.files.empty()) {
        sources_.showMessage(QStringLiteral("No files to upload in %1").arg(qs(localFolder)));
        return 0;
    }
    const QueueSite site = sources_.site();
    if (dialogs_.askYesNo(QStringLiteral("Upload folder"),
                          QStringLiteral("Upload %1 from %2 and the folders inside it to %3 on %4?")
                              .arg(filesText(folder->tree.files.size()), qs(localFolder), qs(folder->remoteFolder),
                                   qs(site.host)))
        != DialogAnswer::Yes)
        return 0;
    std::size_t queued = 0;
    queueUploadFolder(site, *folder, queued);
    return queued;
}

bool FolderTreeTransfer::uploadLocalFolders(const std::vector<std::string>& localFolders, const ChosenFiles& besides)
{
    if (localFolders.empty())
        return true;
    if (localFolders.size() == 1 && besides.files.empty())
        return uploadLocalFolder(localFolders.front()) > 0;
    std::vector<UploadFolder> folders;
    std::size_t files = besides.files.size();
    std::uint64_t bytes = besides.bytes();
    for (const std::string& localFolder : localFolders) {
        std::optional<UploadFolder> folder = prepareUpload(localFolder);
        if (!folder)
            continue;
        files += folder->tree.files.size();
        for (const LocalTreeFile& file : folder->tree.files)
            bytes += file.size;
        folders.push_back(std::move(*folder));
    }
    if (files == 0) {
        sources_.showMessage(QStringLiteral("No files to upload in the chosen folders"));
        return false;
    }
    // One question for the whole selection: seven folders chosen at once
    // are one action, not seven.
    const QueueSite site = sources_.site();
    if (dialogs_.askYesNo(QStringLiteral("Upload folders"),
                          QStringLiteral("Upload %1 to %2 on %3? %4, %5 in all, with the folders inside them.")
                              .arg(selectionText(localFolders.size(), besides.files.size()),
                                   qs(sources_.remoteFolder()), qs(site.host), filesText(files),
                                   qs(byteAmountText(static_cast<double>(bytes), ByteUnits::Short))))
        != DialogAnswer::Yes)
        return false;
    std::size_t queued = 0;
    for (const UploadFolder& folder : folders)
        if (!queueUploadFolder(site, folder, queued))
            return false;
    return true;
}

void FolderTreeTransfer::downloadRemoteFolders(const std::vector<std::string>& remoteFolders,
                                               const ChosenFiles& besides)
{
    Download download;
    download.besides = besides;
    for (const std::string& folder : remoteFolders) {
        // The folder's name becomes a local folder, as a file's name becomes
        // a local file: one that would lead out of the local folder is
        // refused.
        if (!isSafeLocalName(lastPathPart(folder))) {
            sources_.log("! Download of \"" + folder +
                         "\" refused: that name would be written outside the local folder");
            continue;
        }
        download.folders.push_back(folder);
    }
    if (download.folders.empty()) {
        askAndQueueDownload(download);
        return;
    }
    downloadsWaiting_.push_back(std::move(download));
    if (downloadsWaiting_.size() == 1 && !scan_.running())
        scanNextDownload();
}

void FolderTreeTransfer::scanNextDownload()
{
    if (downloadsWaiting_.empty())
        return;
    const Download& download = downloadsWaiting_.front();
    const std::string folder = download.folders[download.scanned.size()];
    const bool started = scan_.start(
        folder, [this](const RemoteTree& tree) { downloadScanned(tree); },
        [this](const std::string& why) {
            downloadsWaiting_.clear();
            sources_.showMessage(qs(why));
            sources_.showRemoteFolderAgain();
        });
    if (!started) {
        downloadsWaiting_.clear();
        sources_.showMessage(QStringLiteral("The server is busy; try the folder %1 again").arg(qs(folder)));
    }
}

void FolderTreeTransfer::downloadScanned(const RemoteTree& tree)
{
    if (downloadsWaiting_.empty())
        return;
    Download& download = downloadsWaiting_.front();
    download.scanned.push_back(tree);
    if (download.scanned.size() < download.folders.size()) {
        scanNextDownload();
        return;
    }
    const Download done = std::move(download);
    downloadsWaiting_.pop_front();
    askAndQueueDownload(done);
    if (!downloadsWaiting_.empty()) {
        scanNextDownload();
        return;
    }
    sources_.showRemoteFolderAgain();
}

void FolderTreeTransfer::askAndQueueDownload(const Download& download)
{
    const std::string localShown = sources_.localFolder();
    std::size_t files = download.besides.files.size();
    std::uint64_t bytes = download.besides.bytes();
    for (const RemoteTree& tree : download.scanned)
        for (const RemoteTreeEntry& entry : tree.entries)
            if (entry.link) {
                sources_.log("! " + remoteChildPath(entry.folder, entry.name) + " left out: a link is not followed");
            } else {
                ++files;
                bytes += entry.size;
            }
    QString question;
    if (download.folders.size() == 1 && download.besides.files.empty())
        question = QStringLiteral("Download %1 from %2 and the folders inside it into %3?")
                       .arg(filesText(files), qs(download.folders.front()),
                            qs(joinPath(localShown, lastPathPart(download.folders.front()))));
    else if (!download.folders.empty())
        question = QStringLiteral("Download %1 from %2 into %3? %4, %5 in all, with the folders inside them.")
                       .arg(selectionText(download.folders.size(), download.besides.files.size()),
                            qs(sources_.remoteFolder()), qs(localShown), filesText(files),
                            qs(byteAmountText(static_cast<double>(bytes), ByteUnits::Short)));
    // Files alone (every folder refused) are queued as the download button
    // queues files, without a question of their own.
    if (!question.isEmpty()
        && dialogs_.askYesNo(download.folders.size() == 1 && download.besides.files.empty()
                                 ? QStringLiteral("Download folder")
                                 : QStringLiteral("Download folders"),
                             question)
               != DialogAnswer::Yes)
        return;

    const QueueSite site = sources_.site();
    TransferQueue::OverwriteAnswers answers;
    for (const TransferQueue::LocalFile& file : download.besides.files)
        if (queue_.queueDownload(site, download.besides.directory, localShown, file.name, file.size,
                                 sources_.decideMode(file.name), &answers)
            == TransferQueue::Queued::Cancelled)
            return;
    for (std::size_t i = 0; i < download.scanned.size(); ++i) {
        const std::string& remoteFolder = download.folders[i];
        const RemoteTree& tree = download.scanned[i];
        const std::string localFolder = joinPath(localShown, lastPathPart(remoteFolder));
        // Every folder is made, the empty ones too, so the copy has the
        // shape of the original.
        for (const std::string& folder : tree.folders) {
            const std::string below = pathBelow(remoteFolder, folder);
            if (!makeLocalFolder(below.empty() ? localFolder : joinPath(localFolder, below))) {
                sources_.showMessage(QStringLiteral("Could not make the local folder %1")
                                         .arg(qs(joinPath(localFolder, below))));
                return;
            }
        }
        for (const RemoteTreeEntry& entry : tree.entries) {
            if (entry.link)
                continue;
            const std::string below = pathBelow(remoteFolder, entry.folder);
            const std::string localDirectory = below.empty() ? localFolder : joinPath(localFolder, below);
            if (queue_.queueDownload(site, entry.folder, localDirectory, entry.name, std::to_string(entry.size),
                                     sources_.decideMode(entry.name), &answers)
                == TransferQueue::Queued::Cancelled)
                return;
        }
    }
}
