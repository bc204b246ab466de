// What a right click (or the menu key) on a file list offers: the actions
// of the buttons beside it, with the keys a file manager uses for them (F2
// renames, Del deletes), opening a local file, and the chosen files' paths
// for the clipboard. Each action does what its button does, and nothing
// while the button is disabled. The local list renames, deletes and makes
// folders itself, with no button of its own behind it.
#include "ui/main_window.h"

#include "app/browse_session.h"
#include "app/local_file_operations.h"
#include "app/message_panel.h"
#include "app/local_panel.h"
#include "app/remote_tree.h"
#include "ui/control_factory.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>

namespace {

QAction* actionFor(QWidget* list, const QString& caption, const char* objectName, const QKeySequence& key = {})
{
    auto* action = named(new QAction(caption, list), objectName);
    if (!key.isEmpty()) {
        action->setShortcut(key);
        // The key acts on the list that has the focus, not on the other side's.
        action->setShortcutContext(Qt::WidgetShortcut);
    }
    return action;
}

QAction* separatorFor(QWidget* list)
{
    auto* separator = new QAction(list);
    separator->setSeparator(true);
    return separator;
}

// The local list's chosen names, in list order.
std::vector<std::string> chosenLocalNames(const QTreeWidget* list)
{
    std::vector<std::string> names;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = list->topLevelItem(row);
        if (item->isSelected())
            names.push_back(LocalPanel::fileNameOf(item));
    }
    return names;
}

// After a local change the folder is read again, its folder list too, since
// a folder may have come or gone; after a failure as well, which often means
// the list no longer matched the disk.
void showLocalOutcome(Thovedform& window, const LocalFileOperations::Outcome& outcome)
{
    if (outcome.changed || !outcome.failure.isEmpty()) {
        LocalPanel& panel = window.localPanel();
        const std::string folder = panel.localDirectory();
        if (!panel.setLocalDirectory(folder))
            panel.fillLocalFileList();
    }
    if (!outcome.failure.isEmpty())
        window.messagePanel().showMessage(outcome.failure);
}

}  // namespace

void Thovedform::wireContextMenus()
{
    const auto clickOn = [](QPushButton* button) {
        // click() does nothing while the button is disabled.
        return [button] { button->click(); };
    };

    QTreeWidget* remote = c_.ListView1;
    QAction* download = actionFor(remote, QStringLiteral("Download"), "DownloadChosen");
    QAction* rename = actionFor(remote, QStringLiteral("Rename"), "RenameChosen", QKeySequence(Qt::Key_F2));
    QAction* remove = actionFor(remote, QStringLiteral("Delete"), "DeleteChosen", QKeySequence(QKeySequence::Delete));
    QAction* newFolder = actionFor(remote, QStringLiteral("New folder"), "NewRemoteFolder");
    QAction* copyRemote = actionFor(remote, QStringLiteral("Copy path"), "CopyRemotePath");
    connect(download, &QAction::triggered, this, clickOn(c_.BitBtn3));
    connect(rename, &QAction::triggered, this, clickOn(c_.BitBtn8));
    connect(remove, &QAction::triggered, this, clickOn(c_.BitBtn5));
    connect(newFolder, &QAction::triggered, this, clickOn(c_.BitBtn6));
    connect(copyRemote, &QAction::triggered, this, [this, remote] {
        copySelectedPaths(remote, remote_tree::fromBytes(remote_tree::serverPathOf(session_->shownRemotePath())), true);
    });
    remote->insertActions(c_.Refresh, {download, rename, remove, newFolder, separatorFor(remote)});
    remote->addAction(copyRemote);

    QTreeWidget* local = c_.ListView2;
    QAction* upload = actionFor(local, QStringLiteral("Upload"), "UploadChosen");
    QAction* open = actionFor(local, QStringLiteral("Open"), "OpenLocalFile");
    QAction* copyLocal = actionFor(local, QStringLiteral("Copy path"), "CopyLocalPath");
    connect(upload, &QAction::triggered, this, clickOn(c_.BitBtn2));
    connect(open, &QAction::triggered, this, [this, local] {
        const QDir folder(QFile::decodeName(QByteArray::fromStdString(localPanel_->localDirectory())));
        for (const QTreeWidgetItem* item : local->selectedItems())
            QDesktopServices::openUrl(QUrl::fromLocalFile(
                folder.filePath(QFile::decodeName(QByteArray::fromStdString(LocalPanel::fileNameOf(item))))));
    });
    connect(copyLocal, &QAction::triggered, this, [this, local] {
        copySelectedPaths(local, QFile::decodeName(QByteArray::fromStdString(localPanel_->localDirectory())), false);
    });
    QAction* renameLocal = actionFor(local, QStringLiteral("Rename"), "RenameLocal", QKeySequence(Qt::Key_F2));
    QAction* removeLocal =
        actionFor(local, QStringLiteral("Delete"), "DeleteLocal", QKeySequence(QKeySequence::Delete));
    QAction* newLocalFolder = actionFor(local, QStringLiteral("New folder"), "NewLocalFolder");
    connect(renameLocal, &QAction::triggered, this, [this, local] {
        const std::vector<std::string> names = chosenLocalNames(local);
        if (names.size() == 1)
            showLocalOutcome(*this, LocalFileOperations(*dialogs_).rename(localPanel_->localDirectory(), names.front()));
    });
    connect(removeLocal, &QAction::triggered, this, [this, local] {
        showLocalOutcome(*this,
                         LocalFileOperations(*dialogs_).remove(localPanel_->localDirectory(), chosenLocalNames(local)));
    });
    connect(newLocalFolder, &QAction::triggered, this, [this] {
        showLocalOutcome(*this, LocalFileOperations(*dialogs_).makeFolder(localPanel_->localDirectory()));
    });
    local->insertActions(c_.Refresh,
                         {upload, open, separatorFor(local), renameLocal, removeLocal, newLocalFolder, separatorFor(local)});
    local->addAction(copyLocal);
}

// The chosen files' full paths, one a line, in list order.
void Thovedform::copySelectedPaths(QTreeWidget* list, const QString& folder, bool remote)
{
    QStringList paths;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = list->topLevelItem(row);
        if (!item->isSelected())
            continue;
        const QString name = remote ? remote_tree::fromBytes(remote_tree::rawName(item))
                                    : QFile::decodeName(QByteArray::fromStdString(LocalPanel::fileNameOf(item)));
        paths << (folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name);
    }
    if (!paths.isEmpty())
        QApplication::clipboard()->setText(paths.join(QLatin1Char('\n')));
}
