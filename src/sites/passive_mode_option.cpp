#include "sites/passive_mode_option.h"

#include "services/dialogs.h"
#include "sites/browsing_connection_state.h"
#include "sites/passive_mode_file.h"

#include <QAction>
#include <QPlainTextEdit>

PassiveModeOption::PassiveModeOption(QAction* passiveItem, QPlainTextEdit* log, Dialogs& dialogs,
                                     const BrowsingConnectionState& session, std::string proxPath,
                                     QObject* parent)
    : QObject(parent),
      item_(passiveItem),
      log_(log),
      dialogs_(dialogs),
      session_(session),
      proxPath_(std::move(proxPath))
{
    item_->setCheckable(true);
}

void PassiveModeOption::loadAtStart()
{
    item_->setChecked(passive_mode_file::readPassive(proxPath_));
}

bool PassiveModeOption::passive() const
{
    return item_->isChecked() || proxyInUse_;
}

void PassiveModeOption::setProxyInUse(bool inUse)
{
    if (inUse == proxyInUse_)
        return;
    proxyInUse_ = inUse;
    if (inUse) {
        ownMark_ = item_->isChecked();
        item_->setChecked(true);
        item_->setEnabled(false);
        if (!ownMark_)
            log_->appendPlainText(QStringLiteral(
                "! Passive mode is used: through a SOCKS proxy the server cannot connect back for active mode"));
    } else {
        item_->setChecked(ownMark_);
        item_->setEnabled(true);
    }
}

void PassiveModeOption::toggle()
{
    const bool nowPassive = item_->isChecked();
    if (session_.browsingConnected()) {
        // The mark shows the mode of the next connection; the session in
        // progress keeps the one it was opened with.
        item_->setChecked(!nowPassive);
        if (showMessage_)
            showMessage_(QStringLiteral("Passive mode stays as it is while connected; disconnect to change it"));
        return;
    }

    using passive_mode_file::StoreResult;
    switch (passive_mode_file::storePassive(proxPath_, nowPassive)) {
    case StoreResult::Saved:
        log_->clear();
        break;
    case StoreResult::FileMissing:
        dialogs_.message(QStringLiteral("Cannot open file \"%1\". Passive mode is %2 for this session only.")
                             .arg(QString::fromStdString(proxPath_),
                                  nowPassive ? QStringLiteral("on") : QStringLiteral("off")));
        break;
    case StoreResult::WriteFailed:
        dialogs_.message(QStringLiteral("Cannot write file \"%1\". Passive mode is %2 for this session only.")
                             .arg(QString::fromStdString(proxPath_),
                                  nowPassive ? QStringLiteral("on") : QStringLiteral("off")));
        break;
    }
}
