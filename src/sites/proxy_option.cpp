#include "sites/proxy_option.h"

#include "ftp/ftp_custom_client.h"
#include "services/dialogs.h"
#include "sites/browsing_connection_state.h"
#include "sites/passive_mode_option.h"
#include "sites/proxy_file.h"


ProxyOption::ProxyOption(std::vector<TCustomFtpCli*> clients, PassiveModeOption& passiveMode, Dialogs& dialogs,
                         const BrowsingConnectionState& session, std::string proxPath, QObject* parent)
    : QObject(parent),
      clients_(std::move(clients)),
      passiveMode_(passiveMode),
      dialogs_(dialogs),
      session_(session),
      proxPath_(std::move(proxPath))
{
}

void ProxyOption::loadAtStart()
{
    proxy_ = proxy_file::readProxy(proxPath_);
    apply();
}

bool ProxyOption::mayChange() const
{
    bool connected = session_.browsingConnected();
    for (const TCustomFtpCli* client : clients_)
        connected = connected || client->Connected();
    if (connected && showMessage_)
        showMessage_(QStringLiteral("The proxy stays as it is while connected; disconnect to change it"));
    return !connected;
}

void ProxyOption::change(const FtpProxy& proxy)
{
    proxy_ = proxy;
    apply();
    switch (proxy_file::storeProxy(proxPath_, proxy)) {
    case proxy_file::StoreResult::Saved:
        break;
    case proxy_file::StoreResult::FileMissing:
        dialogs_.message(QStringLiteral("Cannot open file \"%1\". The proxy setting holds for this session only.")
                             .arg(QString::fromStdString(proxPath_)));
        break;
    case proxy_file::StoreResult::WriteFailed:
        dialogs_.message(QStringLiteral("Cannot write file \"%1\". The proxy setting holds for this session only.")
                             .arg(QString::fromStdString(proxPath_)));
        break;
    }
}

void ProxyOption::apply()
{
    for (TCustomFtpCli* client : clients_)
        client->SetProxy(proxy_);
    passiveMode_.setProxyInUse(proxy_.Enabled());
}
