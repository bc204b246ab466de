// Options' "Ask before overwriting on the server": off at first, as uploads
// replace what the server has without asking; kept in the settings file.
#include "ui/main_window.h"

#include "app/file_list_item.h"
#include "app/remote_tree.h"
#include "services/program_settings.h"
#include "transfer/upload_overwrite_question.h"

#include <QAction>
#include <QTreeWidget>

namespace {

const QString kAskBeforeOverwritingKey = QStringLiteral("Transfers/AskBeforeOverwriting");

}  // namespace

void Thovedform::wireOverwriteQuestion()
{
    c_.AskBeforeOverwriting->setChecked(settings_->value(kAskBeforeOverwritingKey, false).toBool());
    connect(c_.AskBeforeOverwriting, &QAction::toggled, this,
            [this](bool on) { settings_->setValue(kAskBeforeOverwritingKey, on); });

    // The remote list is what the user sees of the folder: a name is
    // "already there" when the list shows it, for uploads into the folder
    // the list shows.
    auto listedDate = [this](const std::string& remoteDirectory,
                             const std::string& name) -> std::optional<std::string> {
        if (!channel_.connected() || remoteDirectory != channel_.client().HostDirName())
            return std::nullopt;
        for (int row = 0; row < c_.ListView1->topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = c_.ListView1->topLevelItem(row);
            if (!file_list::isFolder(item) && remote_tree::rawName(item) == name)
                return remote_tree::toBytes(item->text(3));
        }
        return std::nullopt;
    };
    overwriteQuestion_ = std::make_unique<UploadOverwriteQuestion>(
        *dialogs_, [this] { return c_.AskBeforeOverwriting->isChecked(); }, std::move(listedDate));
    transferQueue_->setUploadCheck(
        [this](const std::string& remoteDirectory, const std::string& localPath, const std::string& name) {
            return overwriteQuestion_->decide(remoteDirectory, localPath, name);
        });
}
