#pragma once

#include "sites/site_connection_target.h"
#include "sites/site_list_store.h"

#include <QObject>

#include <array>
#include <string>

class Dialogs;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

// The controls of the address manager window, by what each is for.
struct AddressManagerView {
    QListWidget* siteList = nullptr;  // site names
    QLineEdit* nameField = nullptr;
    QLineEdit* hostField = nullptr;
    QLineEdit* loginField = nullptr;
    QLineEdit* passwordField = nullptr;
    QLineEdit* portField = nullptr;
    QLineEdit* localDirectoryField = nullptr;
    QLineEdit* remoteDirectoryField = nullptr;
    QCheckBox* passiveBox = nullptr;
    QPushButton* connectButton = nullptr;
    QPushButton* closeButton = nullptr;      // "Cancel": closes the window
    QPushButton* addButton = nullptr;        // "Add server"
    QPushButton* deleteButton = nullptr;
    QPushButton* confirmAddButton = nullptr; // add mode "OK"
    QPushButton* cancelAddButton = nullptr;  // add mode "Cancel"
};

// The logic of the address manager: the site list in "serv3.adr", the
// selected site (remembered between openings), direct editing that saves a
// field as soon as it loses the focus, adding and deleting sites, and what
// closing the window hands to the main window.
class AddressManager : public QObject, public SiteDirectoryFields {
    Q_OBJECT
public:
    AddressManager(const AddressManagerView& view, Dialogs& dialogs,
                   SiteConnectionTarget& mainWindow, QObject* parent = nullptr);

    // At program start: loads the site list and shows the remembered site.
    void loadAtStart(const std::string& dataDirectory);
    // Each time the window is shown: leaves an unfinished add and shows the
    // remembered site's stored values again.
    void windowShown();
    // Closing by any button or the close box: offers to save unsaved edits,
    // then either hands the site's settings to the main window (once
    // "Connect" has been used) or clears the fields a later connect reads.
    void windowClosing();

    // A site was clicked (or chosen with the keyboard) in the list.
    void siteChosen();
    // The user changed the text of a field of an existing site.
    void fieldEdited();
    // A field lost the focus: an edited field of an existing site is saved.
    void fieldLeft(QLineEdit* field);
    void passiveBoxLeft();
    // Enter and Down move on through the fields to "Connect", Up moves back.
    // Returns whether the key was used.
    bool moveBetweenFields(QLineEdit* field, int key);

    // "Connect": the window then closes with OK.
    void connectChosen();
    void startAdding();
    void confirmAdding();
    void cancelAdding();
    void deleteSite();

    // SiteDirectoryFields
    QString localDirectory() const override;
    QString remoteDirectory() const override;
    void setLocalDirectory(const QString& directory) override;
    void setRemoteDirectory(const QString& directory) override;

    const SiteListStore& store() const { return store_; }
    // The remembered site, or -1 when none is selected.
    int selectedIndex() const { return selectedIndex_; }
    bool modified() const { return modified_; }
    bool connectRequested() const { return connectRequested_; }
    bool addMode() const { return addMode_; }

private:
    static constexpr std::size_t kTextFields = 7;

    void fillSiteList();
    // The site list's selected row, or -1. The selection, not the current
    // row, counts: a list that gains the focus makes its first row current
    // without anyone choosing a site.
    int selectedRow() const;
    void selectRow(int row);
    void showSite(int index);
    void setAddModeButtons(bool adding);
    bool hasSelectedSite() const;
    SiteRecord recordFromFields() const;
    // The text of the field as it goes into the file.
    std::string storedText(const QLineEdit* field, SiteField line) const;
    // Tells the user when the site list could not be written.
    void reportIfNotSaved(bool ok);

    AddressManagerView v_;
    std::array<QLineEdit*, kTextFields> textFields_;  // in record order
    Dialogs& dialogs_;
    SiteConnectionTarget& mainWindow_;
    SiteListStore store_;
    int selectedIndex_ = 0;
    bool modified_ = false;
    bool connectRequested_ = false;
    bool addMode_ = false;
};
