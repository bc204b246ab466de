#include "app/local_panel.h"
#include "app/file_list_item.h"
#include "app/list_columns.h"

#include "app/control_hint.h"
#include "app/file_helper.h"
#include "app/file_icon_list.h"
#include "app/local_file_texts.h"
#include "core/data_paths.h"
#include "core/directory_search.h"
#include "core/file_attributes.h"

#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

namespace {

constexpr int kFileNameRole = Qt::UserRole;
// A folder of the list that is a symbolic link to one.
constexpr int kFolderLinkRole = Qt::UserRole + 1;

QByteArray bytesOf(const std::string& text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::string stringOf(const QString& text)
{
    const QByteArray bytes = QFile::encodeName(text);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace

LocalPanel::LocalPanel(const LocalPanelView& view, const FileIconList& icons, QObject* parent)
    : QObject(parent),
      v_(view),
      icons_(icons),
      folders_(view.driveList, view.folderList, view.openFolderImage, view.folderImage)
{
    // Leaving the filter field refills the list when its text changed; the
    // combo box has no signal for that, so its line edit is watched.
    if (v_.filterBox->lineEdit())
        v_.filterBox->lineEdit()->installEventFilter(this);
}

void LocalPanel::showStartDirectory(const std::string& directory)
{
    // The directory transfer button keeps its first hint until the user
    // moves to another folder.
    folders_.start(directory);
}

bool LocalPanel::setLocalDirectory(const std::string& directory)
{
    if (!folders_.changeTo(directory))
        return false;
    afterDirectoryChange();
    return true;
}

void LocalPanel::driveChosen()
{
    if (folders_.changeToChosenDrive())
        afterDirectoryChange();
}

void LocalPanel::folderChosen(QListWidgetItem* item)
{
    if (folders_.changeToItem(item))
        afterDirectoryChange();
}

void LocalPanel::afterDirectoryChange()
{
    if (folderShown_)
        folderShown_(folders_.directory());
    fillLocalFileList();
    const QByteArray directory = bytesOf(folders_.directory());
    setHint(v_.directoryTransferButton, QStringLiteral("Transfer ") + QFile::decodeName(directory) + QStringLiteral(" to ")
                             + v_.hostField->text());
}

QString LocalPanel::filterText() const
{
    return v_.filterBox->currentText();
}

void LocalPanel::filterEntered()
{
    fillLocalFileList();
}

void LocalPanel::filterChosen()
{
    refillWhenFilterChanged();
}

void LocalPanel::filterLeft()
{
    refillWhenFilterChanged();
}

void LocalPanel::refillWhenFilterChanged()
{
    if (stringOf(filterText()) != lastFilter_)
        fillLocalFileList();
}

bool LocalPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && watched == v_.filterBox->lineEdit()) {
        // Opening the combo's own drop-down is not leaving the field.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason)
            filterLeft();
    }
    return QObject::eventFilter(watched, event);
}

void LocalPanel::fillLocalFileList()
{
    QTreeWidget* list = v_.localFileList;
    list->setUpdatesEnabled(false);
    list->clear();
    lastFilter_ = stringOf(filterText());
    fileCounter_ = 0;

    lastSearchPattern_ = localSearchPattern(folders_.directory(), lastFilter_);
    // The filter is a pattern for names in the local directory: the listed
    // names are opened and uploaded from there. One naming another folder
    // ("../*.*", "sub/*.htm") would list that folder's files under names
    // that here mean other files, or none, so it matches nothing.
    if (lastFilter_.find('/') != std::string::npos) {
        list->setUpdatesEnabled(true);
        return;
    }
    // The folders of the directory come first, as a file manager shows
    // them, whatever the filter: it picks files, and a folder is opened to
    // reach the files inside.
    QList<QTreeWidgetItem*> folders;
    DirectorySearch folderSearch(localSearchPattern(folders_.directory(), "*.*"), true);
    DirectoryEntry entry;
    while (folderSearch.next(entry)) {
        if (entry.attributes != kAttrDirectory)
            continue;
        auto* item = new file_list::Item(file_list::Kind::Folder);
        item->setText(file_list::kNameColumn, QFile::decodeName(bytesOf(entry.name)));
        item->setData(0, kFileNameRole, bytesOf(entry.name));
        item->setIcon(0, v_.folderImage);
        item->setText(file_list::kTypeColumn, entry.symbolicLink ? QStringLiteral("Link to folder")
                                                                 : QStringLiteral("Folder"));
        item->setText(file_list::kDateColumn, QString::fromStdString(localDateText(entry.lastWrite)));
        file_list::setDateKey(item, entry.lastWrite);
        if (entry.symbolicLink)
            item->setData(0, kFolderLinkRole, true);
        folders.append(item);
    }

    QList<QTreeWidgetItem*> items;
    DirectorySearch search(lastSearchPattern_, true);
    while (search.next(entry)) {
        if (entry.attributes == kAttrDirectory)
            continue;
        const QString name = QFile::decodeName(bytesOf(entry.name));
        const auto type = icons_.typeOfName(name);
        auto* item = new file_list::Item(file_list::Kind::File);
        item->setText(0, name);
        item->setData(0, kFileNameRole, bytesOf(entry.name));
        item->setIcon(0, icons_.icon(type.iconIndex));
        item->setText(2, type.typeName);
        // A link that leads nowhere has no size or date of its own.
        if (entry.statusKnown) {
            item->setText(1, QString::fromStdString(localSizeText(entry.size)));
            item->setText(3, QString::fromStdString(localDateText(entry.lastWrite)));
            file_list::setSize(item, entry.size);
            file_list::setDateKey(item, entry.lastWrite);
        }
        ++fileCounter_;
        items.append(item);
    }
    // A sorting list would insert the items one by one at the same place,
    // which reverses the folder's own order; they go in unsorted, and are
    // sorted after when a column is chosen.
    const bool sorting = list->isSortingEnabled();
    list->setSortingEnabled(false);
    list->addTopLevelItems(folders);
    list->addTopLevelItems(items);
    list->setSortingEnabled(sorting);
    // Sizes of many gigabytes must show whole; the other columns keep the
    // widths the narrow panel gives them.
    widenColumnToContents(list, 1);
    list->setUpdatesEnabled(true);
}

std::optional<std::uint64_t> LocalPanel::localFileSize(const QTreeWidgetItem* item)
{
    // A link that leads nowhere is queued as a file of 0 bytes, as before.
    if (!item || file_list::isFolder(item))
        return std::nullopt;
    return file_list::sizeOf(item).value_or(0);
}

bool LocalPanel::isFolderLink(const QTreeWidgetItem* item)
{
    return item && item->data(0, kFolderLinkRole).toBool();
}

std::string LocalPanel::fileNameOf(const QTreeWidgetItem* item)
{
    if (!item)
        return {};
    const QByteArray bytes = item->data(0, kFileNameRole).toByteArray();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void LocalPanel::fileSelectionChanged()
{
    const bool fileSelected = !v_.localFileList->selectedItems().isEmpty();
    if (connected_) {
        // One side's file is selected at a time. A local selection that was
        // only taken away (the remote list does that when the user picks a
        // remote file) must leave the remote one alone.
        if (fileSelected)
            v_.remoteFileList->clearSelection();
        const QTreeWidgetItem* node = v_.remoteTree->currentItem();
        const QString nodeText = node ? node->text(0) : QString();
        setHint(v_.deleteButton, QStringLiteral("Delete Directory ") + nodeText);
        setHint(v_.renameButton, QStringLiteral("Rename Directory ") + nodeText);
    } else if (!recording_) {
        return;
    }
    v_.uploadButton->setEnabled(fileSelected);
    v_.unselectButton->setEnabled(fileSelected);
}

void LocalPanel::openFolder(const QTreeWidgetItem* item)
{
    if (!file_list::isFolder(item))
        return;
    const std::string folder = joinPath(folders_.directory(), fileNameOf(item));
    QMetaObject::invokeMethod(
        this, [this, folder] { setLocalDirectory(folder); }, Qt::QueuedConnection);
}

void LocalPanel::openSelectedFile()
{
    const QList<QTreeWidgetItem*> selected = v_.localFileList->selectedItems();
    if (selected.isEmpty() || file_list::isFolder(selected.first()))
        return;
    executeFile(fileNameOf(selected.first()), " ", folders_.directory(), kShowWindowAsIs);
    v_.localFileList->clearSelection();
}

void LocalPanel::clearSelections()
{
    v_.localFileList->clearSelection();
    v_.remoteFileList->clearSelection();
}
