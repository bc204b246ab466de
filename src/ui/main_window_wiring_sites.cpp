// The address manager, the passive-mode item and the transfer mode items
// with their ASCII-type editor.
#include "ui/main_window.h"

#include "app/message_panel.h"
#include "core/data_files.h"
#include "core/data_paths.h"
#include "sites/passive_mode_option.h"
#include "sites/proxy_option.h"
#include "sites/site_connection_target.h"
#include "transfer/transfer_mode_options.h"
#include "app/browse_session.h"
#include "ui/session_site_links.h"
#include "ui/ascii_types_window.h"
#include "ui/address_manager_window.h"
#include "ui/proxy_dialog.h"

#include <QAction>

void Thovedform::wireSites()
{
    connect(c_.Passivemode1, &QAction::triggered, this, &Thovedform::Passivemode1Click);
    connect(c_.Proxy1, &QAction::triggered, this, &Thovedform::Proxy1Click);
}

void Thovedform::createSiteAndModeWindows()
{
    const DataFilePaths& files = startup_.paths;
    asciitypes_ = new TAsciitypes(*dialogs_, files.dataDirectory, this);
    transferModes_ = new TransferModeOptions({c_.Binary, c_.ASCII, c_.AutoDetect},
                                             asciitypes_->asciiTypes(), this);

    passiveMode_ = new PassiveModeOption(c_.Passivemode1, c_.Memo1, *dialogs_, *sessionSiteLinks_,
                                         files.proxDfd, this);
    passiveMode_->setMessageShower([this](const QString& text) { c_.MessagePanel1->showMessage(text); });
    passiveMode_->loadAtStart();
    // After the passive mark: a proxy holds the mark on over the stored one.
    std::vector<TCustomFtpCli*> clients{&channel_.client()};
    for (TFtpClient* client : transferQueue_->clients())
        clients.push_back(client);
    proxyOption_ = new ProxyOption(std::move(clients), *passiveMode_, *dialogs_, *sessionSiteLinks_, files.proxDfd,
                                   this);
    proxyOption_->setMessageShower([this](const QString& text) { c_.MessagePanel1->showMessage(text); });
    proxyOption_->loadAtStart();
    proxyDialog_ = new ProxyDialog(*dialogs_, this);
    certificateTrust_ = std::make_unique<CertificateTrust>(joinPath(files.dataDirectory, TlsTrustFile::FileName),
                                                           dialogs_);
    certificateTrust_->attach(channel_.client());
    for (TFtpClient* client : transferQueue_->clients())
        certificateTrust_->attach(*client);

    ConnectionFieldsView fields;
    fields.hostField = c_.Edit1;
    fields.loginField = c_.Edit2;
    fields.passwordField = c_.Edit3;
    fields.portField = c_.Edit4;
    fields.passiveModeItem = c_.Passivemode1;
    siteTarget_ = std::make_unique<ConnectionFieldsTarget>(fields);
    midlform_ = new Tmidlform(*dialogs_, *siteTarget_, files.dataDirectory, this);
}

void Thovedform::Passivemode1Click()
{
    passiveMode_->toggle();
}

void Thovedform::Proxy1Click()
{
    if (!proxyOption_->mayChange())
        return;
    proxyDialog_->showProxy(proxyOption_->proxy());
    if (proxyDialog_->exec() == QDialog::Accepted)
        proxyOption_->change(proxyDialog_->proxy());
}

void Thovedform::BitBtn1Click()
{
    const int result = midlform_->exec();
    // The connection fields already hold the chosen site; the browsing
    // session connects to it.
    if (result == QDialog::Accepted && addressManagerConnect_) {
        // The entry's folders are for the entry's site only.
        directoryFieldsSite_ = session_->fieldsSite();
        localStartFolderPending_ = true;
        addressManagerConnect_->connectFromAddressManager();
    }
}
