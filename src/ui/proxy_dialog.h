#pragma once

#include "ftp/ftp_proxy.h"

#include <QDialog>

class Dialogs;
class QComboBox;
class QLineEdit;
class QPushButton;

// Options -> "Proxy...": the kind of SOCKS proxy (none, 4, 4A, 5), its host
// and port, and for SOCKS 5 a user and password. OK checks the fields and
// says what is wrong instead of closing.
class ProxyDialog : public QDialog {
    Q_OBJECT
public:
    ProxyDialog(Dialogs& dialogs, QWidget* parent = nullptr);

    void showProxy(const FtpProxy& proxy);
    FtpProxy proxy() const;

    QComboBox* kindBox = nullptr;
    QLineEdit* hostField = nullptr;
    QLineEdit* portField = nullptr;
    QLineEdit* userField = nullptr;
    QLineEdit* passwordField = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;

private:
    void enableFields();
    void acceptIfValid();

    Dialogs& dialogs_;
};
