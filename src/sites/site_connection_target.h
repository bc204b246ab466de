#pragma once

#include <QString>

class QAction;
class QLineEdit;

// What the address manager hands to the main window when it closes after
// "Connect" has been used: the selected site's connection settings.
struct SiteConnectionSettings {
    QString host;
    QString login;
    QString password;
    QString port;
    bool passive = false;
};

class SiteConnectionTarget {
public:
    virtual ~SiteConnectionTarget() = default;
    virtual void takeSiteSettings(const SiteConnectionSettings& settings) = 0;
};

// The main window's connection fields and its "Passive mode" item.
struct ConnectionFieldsView {
    QLineEdit* hostField = nullptr;
    QLineEdit* loginField = nullptr;
    QLineEdit* passwordField = nullptr;
    QLineEdit* portField = nullptr;
    QAction* passiveModeItem = nullptr;
};

// The usual target: the main window's connection fields and the "Passive
// mode" item. Only the mark changes; "prox.dfd" keeps the stored setting, so
// a site's passive flag holds for this run only.
class ConnectionFieldsTarget : public SiteConnectionTarget {
public:
    explicit ConnectionFieldsTarget(const ConnectionFieldsView& view);
    void takeSiteSettings(const SiteConnectionSettings& settings) override;

private:
    ConnectionFieldsView v_;
};

// Asked to connect after the address manager closed with "Connect"; the
// connection fields already hold the site's settings by then. The browsing
// session provides this.
class AddressManagerConnectRequest {
public:
    virtual ~AddressManagerConnectRequest() = default;
    virtual void connectFromAddressManager() = 0;
};

// The local and remote directory fields of the address manager. The
// browsing session reads them after log-in; the transfer queue fills them
// before it makes the browsing session connect.
class SiteDirectoryFields {
public:
    virtual ~SiteDirectoryFields() = default;
    virtual QString localDirectory() const = 0;
    virtual QString remoteDirectory() const = 0;
    virtual void setLocalDirectory(const QString& directory) = 0;
    virtual void setRemoteDirectory(const QString& directory) = 0;
};
