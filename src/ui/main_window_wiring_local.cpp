// The local panel.
#include "ui/main_window.h"

#include "app/local_panel.h"
#include "app/message_panel.h"
#include "core/data_paths.h"
#include "services/program_settings.h"

#include <QComboBox>
#include <QStringList>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>

void Thovedform::wireLocalPanel()
{
    LocalPanelView view;
    view.driveList = c_.DriveComboBox1;
    view.folderList = c_.DirectoryListBox1;
    view.filterBox = c_.ComboBox1;
    view.localFileList = c_.ListView2;
    view.remoteFileList = c_.ListView1;
    view.remoteTree = c_.TreeView1;
    view.deleteButton = c_.BitBtn5;
    view.renameButton = c_.BitBtn8;
    view.uploadButton = c_.BitBtn2;
    view.unselectButton = c_.BitBtn4;
    view.directoryTransferButton = c_.BitBtn11;
    view.hostField = c_.Edit1;
    // The folder list uses the remote tree's folder images: open for the
    // path, plain for the folders inside.
    view.openFolderImage = treeImages_[1];
    view.folderImage = treeImages_[2];
    localPanel_ = std::make_unique<LocalPanel>(view, fileIcons_);

    connect(c_.DriveComboBox1, &QComboBox::activated, this, &Thovedform::DriveComboBox1Change);
    // A click (or Enter) opens a folder; moving the highlight with the arrow
    // keys does not, so the list does not change under the user's keys.
    connect(c_.DirectoryListBox1, &QListWidget::itemClicked, this, &Thovedform::DirectoryListBox1Change);
    connect(c_.DirectoryListBox1, &QListWidget::itemActivated, this, &Thovedform::DirectoryListBox1Change);
    connect(c_.ComboBox1->lineEdit(), &QLineEdit::returnPressed, this, &Thovedform::ComboBox1Enter);
    connect(c_.ComboBox1, &QComboBox::activated, this, &Thovedform::ComboBox1Change);
    connect(c_.ListView2, &QTreeWidget::itemSelectionChanged, this, &Thovedform::ListView2SelectItem);
    connect(c_.ListView2, &QTreeWidget::itemDoubleClicked, this, &Thovedform::ListView2DblClick);
    connect(c_.BitBtn4, &QPushButton::clicked, this, &Thovedform::BitBtn4Click);

    // The folder shown is remembered for the next start. The start-up
    // sequence fills the file list.
    localPanel_->setFolderShownHandler(
        [this](const std::string& folder) { settings_->setLastLocalFolder(folder); });
    localPanel_->showStartDirectory(localStartFolder());
}

std::string Thovedform::localStartFolder() const
{
    // Never the data directory just because the program was started there:
    // it holds every site's password, one "Dir" click away from a server.
    if (const std::optional<std::string> last = settings_->lastLocalFolder()) {
        const QFileInfo folder(QFile::decodeName(QByteArray::fromStdString(*last)));
        if (folder.isDir() && folder.isExecutable())
            return *last;
    }
    return QFile::encodeName(QDir::homePath()).toStdString();
}

void Thovedform::DriveComboBox1Change() { localPanel_->driveChosen(); }
void Thovedform::DirectoryListBox1Change() { localPanel_->folderChosen(c_.DirectoryListBox1->currentItem()); }
void Thovedform::ComboBox1Enter() { localPanel_->filterEntered(); }
void Thovedform::ComboBox1Change() { localPanel_->filterChosen(); }
void Thovedform::ListView2SelectItem() { localPanel_->fileSelectionChanged(); }
void Thovedform::ListView2DblClick() { localPanel_->openSelectedFile(); }
void Thovedform::BitBtn4Click() { localPanel_->clearSelections(); }

// The first fill of the local file list, during start-up.
void Thovedform::fillLocalFileList() { localPanel_->fillLocalFileList(); }

bool Thovedform::isOwnDataFileShown(const std::string& name) const
{
    return ownDataFiles_->contains(localPanel_->localDirectory(), name);
}

std::vector<std::string> Thovedform::withoutOwnDataFiles(std::vector<std::string> names, const char* action)
{
    QStringList leftOut;
    const auto own = std::stable_partition(names.begin(), names.end(),
                                           [this](const std::string& name) { return !isOwnDataFileShown(name); });
    for (auto name = own; name != names.end(); ++name)
        leftOut << QFile::decodeName(QByteArray::fromStdString(*name));
    names.erase(own, names.end());
    if (leftOut.size() == 1) {
        c_.MessagePanel1->showMessage(QStringLiteral("%1 was not %2: it is one of the program's own data files")
                                          .arg(leftOut.first(), QLatin1String(action)));
    } else if (leftOut.size() > 1) {
        const QString last = leftOut.takeLast();
        c_.MessagePanel1->showMessage(QStringLiteral("%1 and %2 were not %3: they are the program's own data files")
                                          .arg(leftOut.join(QStringLiteral(", ")), last, QLatin1String(action)));
    }
    return names;
}
