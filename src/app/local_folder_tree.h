#pragma once

#include <QIcon>

#include <string>
#include <vector>

class QComboBox;
class QIcon;
class QListWidget;
class QListWidgetItem;

// The drive list and the folder list of the local side. The "drives" are the
// mounted file systems, "/" first; the folder list shows the path from the
// chosen drive's root down to the local directory, then the folders inside
// it. Changing the local directory also makes it the process's current
// directory, so file names in the local list open relative to it.
//
// Paths are kept as the bytes the file system uses; names that are not valid
// UTF-8 are only decoded for display.
class LocalFolderTree {
public:
    // `openFolder` marks the folders of the path down to the local directory,
    // `folder` the folders inside it.
    LocalFolderTree(QComboBox* driveList, QListWidget* folderList, const QIcon& openFolder, const QIcon& folder);

    // Fills the drive list and shows `directory` (normally the current
    // directory at program start).
    void start(const std::string& directory);

    // Changes to `directory`. False (and nothing changes) when it cannot be
    // entered.
    bool changeTo(const std::string& directory);
    // Changes to the folder of a clicked folder-list item.
    bool changeToItem(const QListWidgetItem* item);
    // Changes to the root of the chosen drive.
    bool changeToChosenDrive();

    const std::string& directory() const { return directory_; }
    const std::string& driveRoot() const { return driveRoot_; }

    // The folder a folder-list item stands for.
    static std::string pathOf(const QListWidgetItem* item);

    // The mounted file systems' roots, "/" first, each once.
    static std::vector<std::string> mountedRoots();

private:
    void fillDriveList();
    void showDrive();
    void fillFolderList();
    std::string driveRootOf(const std::string& directory) const;

    QComboBox* driveList_;
    QListWidget* folderList_;
    QIcon openFolder_;
    QIcon folder_;
    std::vector<std::string> roots_;
    std::string driveRoot_ = "/";
    std::string directory_ = "/";
};
