#pragma once

#include "sites/address_manager.h"

#include <QDialog>

#include <memory>
#include <string>

class Dialogs;
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
    const AddressManagerControls& controls() const { return c_; }

    // Every way of closing (the buttons, Escape, the close box) ends here.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void wireControls();

    AddressManagerControls c_;
    std::unique_ptr<AddressManager> manager_;
};
