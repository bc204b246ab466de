// The folders both file lists show above their files: a double click or
// Enter opens one, as the tree or the folder list would, and the upload and
// download buttons take a chosen folder with everything under it.
#include "ui/main_window.h"

#include "app/browse_session.h"
#include "app/file_list_item.h"
#include "app/folder_tree_transfer.h"
#include "app/local_panel.h"
#include "app/message_panel.h"
#include "app/remote_tree.h"
#include "app/remote_file_operations.h"
#include "app/remote_tree_deletion.h"
#include "app/remote_tree_scan.h"
#include "core/data_paths.h"
#include "core/own_data_files.h"
#include "transfer/transfer_mode_options.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include <utility>

void Thovedform::wireFolders()
{
    treeScan_ = std::make_unique<RemoteTreeScan>(channel_, startup_.paths.ftpdirlTxt);
    FolderTransferSources sources;
    sources.site = [this] {
        return QueueSite{c_.Edit1->text().toStdString(), c_.Edit2->text().toStdString(),
                         c_.Edit3->text().toStdString(), c_.Edit4->text().toStdString()};
    };
    sources.remoteFolder = [this] { return remote_tree::serverPathOf(session_->shownRemotePath()); };
    sources.localFolder = [this] { return localPanel_->localDirectory(); };
    sources.decideMode = [this](const std::string& name) { return transferModes_->decideMode(name); };
    sources.ownDataFile = [this](const std::string& directory, const std::string& name) {
        return ownDataFiles_->contains(directory, name);
    };
    sources.log = [this](const std::string& line) { c_.Memo1->appendPlainText(remote_tree::fromBytes(line)); };
    sources.showMessage = [this](const QString& text) { c_.MessagePanel1->showMessage(text); };
    sources.showRemoteFolderAgain = [this] { session_->showDirectory(); };
    folderTransfer_ = std::make_unique<FolderTreeTransfer>(*transferQueue_, *dialogs_, *treeScan_, std::move(sources));
    treeDeletion_ = std::make_unique<RemoteTreeDeletion>(channel_, *treeScan_, *session_, *dialogs_, c_.TreeView1,
                                                         c_.MessagePanel1);
    remoteOperations_->setTreeDeletion(treeDeletion_.get());

    // What a click on a column header does, for the keyboard too: each
    // list's context menu (the menu key) sorts by a column, again the other
    // way round.
    const std::pair<const char*, const char*> sortItems[] = {
        {"Sort by name", "Name"}, {"Sort by size", "Size"}, {"Sort by type", "Type"}, {"Sort by date", "Date"}};
    for (QTreeWidget* list : {c_.ListView1, c_.ListView2}) {
        auto* separator = new QAction(list);
        separator->setSeparator(true);
        list->addAction(separator);
        const QString side = list == c_.ListView1 ? QStringLiteral("SortRemoteBy") : QStringLiteral("SortLocalBy");
        for (int column = 0; column < 4; ++column) {
            auto* action = new QAction(QString::fromLatin1(sortItems[column].first), list);
            action->setObjectName(side + QLatin1String(sortItems[column].second));
            connect(action, &QAction::triggered, this, [list, column] {
                const bool again = list->sortColumn() == column
                                   && list->header()->sortIndicatorOrder() == Qt::AscendingOrder;
                list->sortByColumn(column, again ? Qt::DescendingOrder : Qt::AscendingOrder);
            });
            list->addAction(action);
        }
    }

    connect(c_.ListView2, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { localPanel_->openFolder(item); });
    connect(c_.ListView1, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (file_list::isFolder(item))
            openRemoteFolder(remote_tree::rawName(item));
    });
}

void Thovedform::openRemoteFolder(const std::string& name)
{
    // The list is read again for the folder opened, which takes the item
    // the event came from: the node is chosen once that event is done.
    QMetaObject::invokeMethod(
        this,
        [this, name] {
            QTreeWidgetItem* shown = c_.TreeView1->currentItem();
            if (!shown)
                return;
            QTreeWidgetItem* node = remote_tree::findChild(shown, name, false);
            if (!node)
                node = remote_tree::addNode(shown, name, &treeImages_, remote_tree::kDirectoryImage,
                                            remote_tree::kSelectedDirectoryImage);
            c_.TreeView1->setCurrentItem(node);
        },
        Qt::QueuedConnection);
}

std::vector<std::string> Thovedform::selectedLocalFolders()
{
    std::vector<std::string> folders;
    for (int row = 0; row < c_.ListView2->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = c_.ListView2->topLevelItem(row);
        if (!item->isSelected() || !file_list::isFolder(item))
            continue;
        const std::string path = joinPath(localPanel_->localDirectory(), LocalPanel::fileNameOf(item));
        if (LocalPanel::isFolderLink(item))
            c_.Memo1->appendPlainText(QStringLiteral("! %1 left out: a link to a folder is not followed")
                                          .arg(QFile::decodeName(QByteArray::fromStdString(path))));
        else
            folders.push_back(path);
    }
    return folders;
}

std::vector<std::string> Thovedform::selectedRemoteFolders() const
{
    std::vector<std::string> folders;
    const std::string shown = remote_tree::serverPathOf(session_->shownRemotePath());
    for (int row = 0; row < c_.ListView1->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = c_.ListView1->topLevelItem(row);
        if (item->isSelected() && file_list::isFolder(item))
            folders.push_back(remoteChildPath(shown, remote_tree::rawName(item)));
    }
    return folders;
}

std::vector<TransferQueue::LocalFile> Thovedform::chosenLocalFiles()
{
    std::vector<std::string> names;
    std::vector<const QTreeWidgetItem*> items;
    for (int row = 0; row < c_.ListView2->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = c_.ListView2->topLevelItem(row);
        if (item->isSelected() && !file_list::isFolder(item)) {
            names.push_back(LocalPanel::fileNameOf(item));
            items.push_back(item);
        }
    }
    std::vector<TransferQueue::LocalFile> files;
    const std::vector<std::string> kept = withoutOwnDataFiles(names, "queued");
    for (std::size_t i = 0, k = 0; i < names.size() && k < kept.size(); ++i) {
        if (names[i] != kept[k])
            continue;
        ++k;
        const std::optional<std::uint64_t> size = LocalPanel::localFileSize(items[i]);
        files.push_back({names[i], std::to_string(size.value_or(0))});
    }
    return files;
}

std::vector<TransferQueue::LocalFile> Thovedform::chosenRemoteFiles() const
{
    std::vector<TransferQueue::LocalFile> files;
    for (int row = 0; row < c_.ListView1->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = c_.ListView1->topLevelItem(row);
        if (item->isSelected() && !file_list::isFolder(item))
            files.push_back({remote_tree::rawName(item), std::to_string(file_list::sizeOf(item).value_or(0))});
    }
    return files;
}
