#pragma once

#include "app/local_folder_tree.h"

#include <QIcon>
#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class FileIconList;
class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The controls the local panel works with, by what each is for.
struct LocalPanelView {
    QComboBox* driveList = nullptr;
    QListWidget* folderList = nullptr;
    // Editable file-name filter.
    QComboBox* filterBox = nullptr;
    QTreeWidget* localFileList = nullptr;
    // The remote side loses its selection when a local file is selected,
    // and its buttons' hints name the remote directory again.
    QTreeWidget* remoteFileList = nullptr;
    QTreeWidget* remoteTree = nullptr;
    QPushButton* deleteButton = nullptr;
    QPushButton* renameButton = nullptr;
    QPushButton* uploadButton = nullptr;
    QPushButton* unselectButton = nullptr;
    QPushButton* directoryTransferButton = nullptr;
    // Named in the directory transfer button's hint.
    QLineEdit* hostField = nullptr;
    // The folder list's images: the folders of the path, the folders inside.
    QIcon openFolderImage;
    QIcon folderImage;
};

// The local side of the main window: drive list, folder list, file-name
// filter and the list of the local directory's files with their sizes,
// types and dates, plus the upload/cancel-selection buttons' state.
//
// The window forwards the controls' events to the methods below.
class LocalPanel : public QObject {
    Q_OBJECT
public:
    LocalPanel(const LocalPanelView& view, const FileIconList& icons, QObject* parent = nullptr);

    // Fills the drive list and shows `directory` (the current directory at
    // program start) in the folder list. The file list is filled by the
    // start-up sequence.
    void showStartDirectory(const std::string& directory);
    // Told of every folder the user (or a restored transfer) moves the
    // panel to.
    void setFolderShownHandler(std::function<void(const std::string&)> handler)
    {
        folderShown_ = std::move(handler);
    }

    // Control events.
    void driveChosen();
    void folderChosen(QListWidgetItem* item);
    // Enter in the filter field, a filter picked from its list, and leaving
    // the field.
    void filterEntered();
    void filterChosen();
    void filterLeft();
    void fileSelectionChanged();
    // Opens the selected file with the program the desktop associates; a
    // folder is opened in the panel instead (openFolder).
    void openSelectedFile();
    // Clears the selections of both sides' file lists.
    void clearSelections();

    // Refills the file list from the local directory and the filter; the
    // transfer code calls it after it changed local files.
    void fillLocalFileList();

    // Changes the local directory (and the process's current directory) and
    // refills the list; false when the folder cannot be entered.
    bool setLocalDirectory(const std::string& directory);
    const std::string& localDirectory() const { return folders_.directory(); }
    // The filter text of the last fill.
    const std::string& lastFilter() const { return lastFilter_; }
    // The pattern the last fill searched.
    const std::string& lastSearchPattern() const { return lastSearchPattern_; }

    // How many files the list shows (its folders not counted), and the size
    // of a listed file; nothing for a folder.
    int fileCounter() const { return fileCounter_; }
    static std::optional<std::uint64_t> localFileSize(const QTreeWidgetItem* item);
    // A folder of the list that is a symbolic link to one: transfers of
    // folder trees do not follow it.
    static bool isFolderLink(const QTreeWidgetItem* item);
    // A folder of the list, opened by a double click or Enter. The list is
    // refilled once the event that asked has been handled, since the item
    // goes with the refill.
    void openFolder(const QTreeWidgetItem* item);

    // The file name of a list item as the file system spells it (the caption
    // may differ for names that are not valid UTF-8).
    static std::string fileNameOf(const QTreeWidgetItem* item);

    // Whether the browsing session is connected and whether uploads are being
    // recorded into a web project; both decide whether selecting a local file
    // enables the upload button. Set by the session and the recorder.
    void setConnected(bool connected) { connected_ = connected; }
    bool connected() const { return connected_; }
    void setRecording(bool recording) { recording_ = recording; }
    bool recording() const { return recording_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void afterDirectoryChange();
    void refillWhenFilterChanged();
    QString filterText() const;

    LocalPanelView v_;
    const FileIconList& icons_;
    LocalFolderTree folders_;
    std::string lastFilter_;
    std::string lastSearchPattern_;
    int fileCounter_ = 0;
    bool connected_ = false;
    bool recording_ = false;
    std::function<void(const std::string&)> folderShown_;
};
