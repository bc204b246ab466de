#include "transfer/upload_overwrite_question.h"

#include "remote/listing_date.h"
#include "services/dialogs.h"
#include "transfer/queue_store.h"

#include <QDateTime>
#include <QTimeZone>

#include <sys/stat.h>

namespace {

using Action = TransferQueue::UploadChoice::Action;

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

std::optional<std::chrono::sys_seconds> modificationTime(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return std::chrono::sys_seconds{std::chrono::seconds{status.st_mtime}};
}

}  // namespace

UploadOverwriteQuestion::UploadOverwriteQuestion(Dialogs& dialogs, std::function<bool()> enabled,
                                                 ListedDate listedDate)
    : dialogs_(dialogs),
      enabled_(std::move(enabled)),
      listedDate_(std::move(listedDate)),
      now_([] { return std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()); })
{
}

void UploadOverwriteQuestion::beginAction(std::size_t files)
{
    actionFiles_ = files;
    forAll_.reset();
}

TransferQueue::UploadChoice UploadOverwriteQuestion::decide(const std::string& remoteDirectory,
                                                            const std::string& localPath, const std::string& name)
{
    if (!enabled_ || !enabled_() || !listedDate_)
        return {Action::Send, name};
    // A new name can be taken too: then the question is put again for it.
    std::string remoteName = name;
    for (;;) {
        const std::optional<std::string> listed = listedDate_(remoteDirectory, remoteName);
        if (!listed)
            return {Action::Send, remoteName};
        const Answer answer = forAll_ ? *forAll_ : ask(remoteDirectory, localPath, remoteName, *listed);
        switch (answer) {
        case Answer::Overwrite:
            return {Action::Send, remoteName};
        case Answer::OverwriteIfNewer:
            if (localIsNewer(localPath, *listed))
                return {Action::Send, remoteName};
            return {Action::Leave, remoteName};
        case Answer::Skip:
            return {Action::Leave, remoteName};
        case Answer::Cancel:
            return {Action::Stop, remoteName};
        case Answer::Rename: {
            const std::optional<std::string> other = askOtherName(remoteName);
            if (!other)
                return {Action::Leave, remoteName};
            remoteName = *other;
            break;
        }
        }
    }
}

UploadOverwriteQuestion::Answer UploadOverwriteQuestion::ask(const std::string& remoteDirectory,
                                                             const std::string& localPath, const std::string& name,
                                                             const std::string& listedDate)
{
    QString text = QStringLiteral("%1 is already on the server in %2.\nOn the server: %3")
                       .arg(qs(name), qs(remoteDirectory), qs(listedDate).simplified());
    // In UTC, as servers list their dates, so the two can be compared.
    if (const std::optional<std::chrono::sys_seconds> local = modificationTime(localPath))
        text += QStringLiteral("\nHere: %1 (UTC)")
                    .arg(QDateTime::fromSecsSinceEpoch(local->time_since_epoch().count(), QTimeZone::utc())
                             .toString(QStringLiteral("MMM d yyyy hh:mm")));
    // In the order of Answer; Cancel, last, is the way out.
    const QStringList choices{QStringLiteral("Overwrite"), QStringLiteral("Overwrite if newer"),
                              QStringLiteral("Skip"), QStringLiteral("Rename…"), QStringLiteral("Cancel")};
    const QString caption = QString::fromLatin1(kCaption);
    bool forAll = false;
    const int chosen = actionFiles_ > 1
        ? dialogs_.askChoiceWithCheckBox(caption, text, choices, QStringLiteral("Apply to all"), forAll)
        : dialogs_.askChoice(caption, text, choices);
    const Answer answer = chosen >= 0 && chosen < static_cast<int>(choices.size()) ? static_cast<Answer>(chosen)
                                                                                    : Answer::Cancel;
    if (forAll && answer != Answer::Cancel)
        forAll_ = answer;
    return answer;
}

std::optional<std::string> UploadOverwriteQuestion::askOtherName(const std::string& name)
{
    NameDialogState& dialog = dialogs_.nameDialog();
    const NameDialogState before = dialog;
    dialog.caption = QStringLiteral("Upload as");
    dialog.panelText = QStringLiteral("Name on the server for ") + qs(name);
    dialog.editText = qs(name);
    dialog.editVisible = true;
    std::optional<std::string> chosen;
    while (dialogs_.runNameDialog()) {
        const QString typed = dialog.editText;
        // The same rule as for a name joined to a local folder: nothing
        // that leads elsewhere or names the folder itself.
        if (isSafeLocalName(typed.toStdString())) {
            chosen = typed.toStdString();
            break;
        }
        dialogs_.message(QStringLiteral("\"%1\" cannot be the name of a file in this folder").arg(typed));
    }
    // The dialog is shared: the next user finds it as it was.
    dialog = before;
    return chosen;
}

bool UploadOverwriteQuestion::localIsNewer(const std::string& localPath, const std::string& listedDate) const
{
    const std::optional<std::chrono::sys_seconds> local = modificationTime(localPath);
    const std::optional<ListingTime> listed = listingTime(listedDate, now_());
    // A date that cannot be read cannot show the server's file newer: the
    // file goes up, as an upload without the question would.
    if (!local || !listed)
        return true;
    return isNewerThanListed(*local, *listed);
}
