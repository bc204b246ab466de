#pragma once

#include "sites/address_manager.h"

#include <QDialog>

#include <memory>
#include <string>

class Dialogs;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class SiteConnectionTarget;

// "Server Address manager": the user's FTP sites, edited in place. Created
// once at program start (which loads the site list) and shown modally from
// the main window's "Addr" button.
class Tmidlform : public QDialog {
    Q_OBJECT
public:
    Tmidlform(Dialogs& dialogs, SiteConnectionTarget& mainWindow, const std::string& dataDirectory,
              QWidget* parent = nullptr);
    ~Tmidlform() override;

    AddressManager& manager() { return *manager_; }

    // Every way of closing (the buttons, Escape, the close box) ends here.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void wireControls();

    // Every control under the name the window gives it (its objectName).
    struct Controls {
        QListWidget* ListBox1 = nullptr;  // site names
        QLineEdit* Edit7 = nullptr;       // name
        QLineEdit* Edit1 = nullptr;       // host
        QLineEdit* Edit2 = nullptr;       // login
        QLineEdit* Edit3 = nullptr;       // password
        QLineEdit* Edit4 = nullptr;       // port
        QLineEdit* Edit5 = nullptr;       // local directory
        QLineEdit* Edit6 = nullptr;       // remote directory
        QCheckBox* CheckBox1 = nullptr;   // passive
        QPushButton* Button1 = nullptr;   // "Connect"
        QPushButton* Button2 = nullptr;   // "Cancel" (closes the window)
        QPushButton* server = nullptr;    // "Add server"
        QPushButton* Delete = nullptr;    // "Delete"
        QPushButton* OK = nullptr;        // add mode "OK"
        QPushButton* Cancel = nullptr;    // add mode "Cancel"
    };
    AddressManagerView view() const;

    Controls c_;
    std::unique_ptr<AddressManager> manager_;
};
