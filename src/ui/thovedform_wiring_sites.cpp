// The address manager, the passive-mode item and the transfer mode items
// with their ASCII-type editor.
#include "ui/thovedform.h"

#include "core/data_files.h"
#include "sites/passive_mode_option.h"
#include "sites/site_connection_target.h"
#include "transfer/transfer_mode_options.h"
#include "ui/session_site_links.h"
#include "ui/tasciitypes.h"
#include "ui/tmidlform.h"

#include <QAction>

void Thovedform::wireSites()
{
    connect(c_.Passivemode1, &QAction::triggered, this, &Thovedform::Passivemode1Click);
}

void Thovedform::createSiteAndModeWindows()
{
    const DataFilePaths& files = startup_.paths;
    asciitypes_ = new TAsciitypes(*dialogs_, files.dataDirectory, this);
    transferModes_ = new TransferModeOptions({c_.Binary, c_.ASCII, c_.AutoDetect},
                                             asciitypes_->asciiTypes(), this);

    passiveMode_ = new PassiveModeOption(c_.Passivemode1, c_.Memo1, *dialogs_, *sessionSiteLinks_,
                                         files.proxDfd, this);
    passiveMode_->loadAtStart();

    siteTarget_ = std::make_unique<ConnectionFieldsTarget>(c_.Edit1, c_.Edit2, c_.Edit3, c_.Edit4,
                                                           c_.Passivemode1);
    midlform_ = new Tmidlform(*dialogs_, *siteTarget_, files.dataDirectory, this);
}

void Thovedform::Passivemode1Click()
{
    passiveMode_->Passivemode1Click();
}

void Thovedform::BitBtn1Click()
{
    const int result = midlform_->exec();
    // The connection fields already hold the chosen site; the browsing
    // session connects to it.
    if (result == QDialog::Accepted && addressManagerConnect_)
        addressManagerConnect_->connectFromAddressManager();
}
