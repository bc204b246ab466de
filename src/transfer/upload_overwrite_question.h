#pragma once

#include "transfer/transfer_queue.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>

class Dialogs;

// The question before an upload replaces a file the server already has, for
// those who switched it on: a file whose name the remote list shows is
// overwritten, overwritten only when the local file is newer than the
// listed date, skipped, or sent under another name the user types. With
// "Apply to all" the answer holds for the rest of the action (the files of
// one click, folder or drop), and Cancel ends the action there.
//
// Without the setting no question is asked, and WebWatch runs never pass
// through here: they hand the queue over whole.
class UploadOverwriteQuestion {
public:
    // The date text the remote list shows for a file of that name, when it
    // shows the files of that server folder and one of them has the name;
    // nothing otherwise.
    using ListedDate =
        std::function<std::optional<std::string>(const std::string& remoteDirectory, const std::string& name)>;

    UploadOverwriteQuestion(Dialogs& dialogs, std::function<bool()> enabled, ListedDate listedDate);

    // An action of this many files begins: an answer given for all files of
    // the last one is forgotten, and the check box is offered only when
    // there are files after the first.
    void beginAction(std::size_t files);

    // The upload check of the transfer queue.
    TransferQueue::UploadChoice decide(const std::string& remoteDirectory, const std::string& localPath,
                                       const std::string& name);

    // The clock "newer" is judged against (the year a listing leaves out
    // depends on it); the system clock unless a test sets one.
    void setClock(std::function<std::chrono::sys_seconds()> now) { now_ = std::move(now); }

    static constexpr const char* kCaption = "File exists on the server";

private:
    enum class Answer { Overwrite, OverwriteIfNewer, Skip, Rename, Cancel };

    Answer ask(const std::string& remoteDirectory, const std::string& localPath, const std::string& name,
               const std::string& listedDate);
    // The name typed for the file on the server; nothing when the user
    // backed out of the name dialog.
    std::optional<std::string> askOtherName(const std::string& name);
    bool localIsNewer(const std::string& localPath, const std::string& listedDate) const;

    Dialogs& dialogs_;
    std::function<bool()> enabled_;
    ListedDate listedDate_;
    std::function<std::chrono::sys_seconds()> now_;
    std::size_t actionFiles_ = 1;
    std::optional<Answer> forAll_;
};
