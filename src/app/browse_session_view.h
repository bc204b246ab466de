#pragma once

#include <QIcon>
#include <QtCore/qcontainerfwd.h>

class QAction;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class MessagePanel;
class QTreeWidget;
class QWidget;

// The controls the browsing session works with, by what each is for. The
// main window fills it in.
struct BrowseSessionView {
    // Shows the wait cursor while the client works.
    QWidget* window = nullptr;

    QLineEdit* hostField = nullptr;
    QLineEdit* loginField = nullptr;
    QLineEdit* passwordField = nullptr;
    QLineEdit* portField = nullptr;
    QPushButton* connectButton = nullptr;
    // The connect button's pictures: what a press does now.
    QIcon connectPicture;
    QIcon disconnectPicture;
    QPushButton* addressManagerButton = nullptr;
    // Read at every connect.
    QAction* passiveModeItem = nullptr;

    // The remote side.
    QPushButton* deleteButton = nullptr;
    QPushButton* renameButton = nullptr;
    QPushButton* makeDirectoryButton = nullptr;
    QPushButton* abortButton = nullptr;
    QTreeWidget* remoteTree = nullptr;
    QTreeWidget* remoteFileList = nullptr;
    // Shows the server path of the folder shown; a path typed into it is
    // gone to with goToTypedDirectory.
    QLineEdit* remotePathField = nullptr;
    // Root (host) node, selected directory, directory, link marker; by index.
    const QList<QIcon>* treeImages = nullptr;

    // The local side's list and the transfer buttons between the sides.
    QTreeWidget* localFileList = nullptr;
    QPushButton* uploadButton = nullptr;
    QPushButton* downloadButton = nullptr;
    QPushButton* unselectButton = nullptr;
    QPushButton* directoryTransferButton = nullptr;

    QPlainTextEdit* log = nullptr;
    // Says when a session ended that the user did not end, and that a
    // server cut a listing short.
    MessagePanel* messagePanel = nullptr;
};

// The controls the remote file operations work with.
struct RemoteOperationsView {
    QTreeWidget* remoteTree = nullptr;
    QTreeWidget* remoteFileList = nullptr;
    QPushButton* addressManagerButton = nullptr;
    QPushButton* directoryTransferButton = nullptr;
    // Shows what the server answered to a refused delete, rename or new
    // directory, which the log alone would hide.
    MessagePanel* messagePanel = nullptr;
};
