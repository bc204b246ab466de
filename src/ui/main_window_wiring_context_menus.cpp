// What a right click (or the menu key) on a file list offers: the actions
// of the buttons beside it, with the keys a file manager uses for them (F2
// renames, Del deletes), opening a local file, and the chosen files' paths
// for the clipboard. Each action does what its button does, and nothing
// while the button is disabled.
#include "ui/main_window.h"

#include "app/browse_session.h"
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
    local->insertActions(c_.Refresh, {upload, open, separatorFor(local)});
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
