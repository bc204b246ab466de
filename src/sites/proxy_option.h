#pragma once

#include "ftp/ftp_proxy.h"

#include <QObject>
#include <QString>

#include <functional>

#include <string>
#include <vector>

class BrowsingConnectionState;
class Dialogs;
class PassiveModeOption;
class TCustomFtpCli;

// The SOCKS proxy of the whole program, set under Options -> "Proxy..." and
// kept in "prox.dfd". Both FTP clients of the window get it, so the control
// connection and every data connection go through it; while it is set the
// "Passive mode" mark is held on, since the server cannot connect back
// through a proxy.
class ProxyOption : public QObject {
    Q_OBJECT
public:
    ProxyOption(std::vector<TCustomFtpCli*> clients, PassiveModeOption& passiveMode, Dialogs& dialogs,
                const BrowsingConnectionState& session, std::string proxPath, QObject* parent = nullptr);

    void setMessageShower(std::function<void(const QString&)> show) { showMessage_ = std::move(show); }
    void loadAtStart();

    const FtpProxy& proxy() const { return proxy_; }
    // False (and the status bar says why) while a connection is open: its
    // data connections must keep going the way its control connection went.
    bool mayChange() const;
    // Takes a new setting: stores it and hands it to the clients.
    void change(const FtpProxy& proxy);

private:
    void apply();

    std::vector<TCustomFtpCli*> clients_;
    PassiveModeOption& passiveMode_;
    Dialogs& dialogs_;
    const BrowsingConnectionState& session_;
    std::string proxPath_;
    std::function<void(const QString&)> showMessage_;
    FtpProxy proxy_;
};
