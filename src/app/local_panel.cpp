#include "app/local_panel.h"
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
    localSizes_.reserve(kLocalSizeTableCapacity);
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
    localSizes_.clear();

    lastSearchPattern_ = localSearchPattern(folders_.directory(), lastFilter_);
    // The filter is a pattern for names in the local directory: the listed
    // names are opened and uploaded from there. One naming another folder
    // ("../*.*", "sub/*.htm") would list that folder's files under names
    // that here mean other files, or none, so it matches nothing.
    if (lastFilter_.find('/') != std::string::npos) {
        list->setUpdatesEnabled(true);
        return;
    }
    QList<QTreeWidgetItem*> items;
    DirectorySearch search(lastSearchPattern_, true);
    DirectoryEntry entry;
    while (search.next(entry)) {
        // Sub-folders are shown in the folder list only.
        if (entry.attributes == kAttrDirectory)
            continue;
        const QString name = QFile::decodeName(bytesOf(entry.name));
        const auto type = icons_.typeOfName(name);
        auto* item = new QTreeWidgetItem;
        item->setText(0, name);
        item->setData(0, kFileNameRole, bytesOf(entry.name));
        item->setIcon(0, icons_.icon(type.iconIndex));
        item->setText(2, type.typeName);
        // A link that leads nowhere has no size or date of its own.
        if (entry.statusKnown) {
            item->setText(1, QString::fromStdString(localSizeText(entry.size)));
            item->setText(3, QString::fromStdString(localDateText(entry.lastWrite)));
        }
        if (fileCounter_ < kLocalSizeTableCapacity)
            localSizes_.push_back(entry.statusKnown ? entry.size : 0);
        ++fileCounter_;
        items.append(item);
    }
    list->addTopLevelItems(items);
    // Sizes of many gigabytes must show whole; the other columns keep the
    // widths the narrow panel gives them.
    widenColumnToContents(list, 1);
    list->setUpdatesEnabled(true);
}

std::optional<std::uint64_t> LocalPanel::localFileSize(int position) const
{
    if (position < 0 || position >= static_cast<int>(localSizes_.size()))
        return std::nullopt;
    return localSizes_[static_cast<std::size_t>(position)];
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

void LocalPanel::openSelectedFile()
{
    const QList<QTreeWidgetItem*> selected = v_.localFileList->selectedItems();
    if (selected.isEmpty())
        return;
    executeFile(fileNameOf(selected.first()), " ", folders_.directory(), kShowWindowAsIs);
    v_.localFileList->clearSelection();
}

void LocalPanel::clearSelections()
{
    v_.localFileList->clearSelection();
    v_.remoteFileList->clearSelection();
}
