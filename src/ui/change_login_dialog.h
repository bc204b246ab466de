#pragma once

#include "webwatch/login_change.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

// "Change log-in…" of the WebWatch window: the server, login, password and
// port of a project's files, shown as they are stored and given once anew.
class ChangeLoginDialog : public QDialog {
    Q_OBJECT
public:
    ChangeLoginDialog(const SiteLogin& current, QWidget* parent = nullptr);

    // The log-in as the fields hold it now.
    SiteLogin login() const;

private:
    QLineEdit* serverField_ = nullptr;
    QLineEdit* loginField_ = nullptr;
    QLineEdit* passwordField_ = nullptr;
    QLineEdit* portField_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};
