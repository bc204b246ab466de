#include "sites/passive_mode_option.h"

#include "services/dialogs.h"
#include "sites/browsing_connection_state.h"
#include "sites/passive_mode_file.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QStatusBar>

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
    return item_->isChecked();
}

void PassiveModeOption::toggle()
{
    const bool nowPassive = item_->isChecked();
    if (session_.browsingConnected()) {
        // The mark shows the mode of the next connection; the session in
        // progress keeps the one it was opened with.
        item_->setChecked(!nowPassive);
        if (statusBar_)
            statusBar_->showMessage(QStringLiteral("Passive mode stays as it is while connected; disconnect to change it"));
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
