#include "app/data_directory_claim.h"

#include "core/data_paths.h"
#include "core/queue_journal.h"
#include "core/run_queue_aside.h"
#include "services/dialogs.h"

#include <sys/stat.h>

namespace {

// The files a WebWatch run from the command line rewrites, and that the
// window keeps a copy of in memory while it has them in hand.
constexpr const char* kRunFiles[] = {"wbprj.dfd", "nyweb2.dfd", "koefil.dfd", "defil.dfd", "rstfil.txt"};

std::string stampOfFile(const std::string& path)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0)
        return path + " none";
    // A whole-file replacement gives the name a new inode; a write in place
    // moves the change time.
    return path + " " + std::to_string(status.st_ino) + " " + std::to_string(status.st_size) + " "
        + std::to_string(status.st_mtim.tv_sec) + "." + std::to_string(status.st_mtim.tv_nsec) + " "
        + std::to_string(status.st_ctim.tv_sec) + "." + std::to_string(status.st_ctim.tv_nsec);
}

}  // namespace

DataDirectoryClaim::DataDirectoryClaim(std::string dataDirectory, Dialogs& dialogs, QObject* parent)
    : QObject(parent), dataDirectory_(std::move(dataDirectory)), dialogs_(dialogs)
{
    connect(&settleTimer_, &QTimer::timeout, this, &DataDirectoryClaim::settle);
}

void DataDirectoryClaim::watch(std::function<std::string()> workInHand, std::function<void()> readAgain)
{
    workInHand_ = std::move(workInHand);
    readAgain_ = std::move(readAgain);
    settleTimer_.start(kSettleMilliseconds);
}

std::vector<std::string> DataDirectoryClaim::fingerprint() const
{
    std::vector<std::string> stamps;
    for (const char* name : kRunFiles)
        stamps.push_back(stampOfFile(joinPath(dataDirectory_, name)));
    stamps.push_back(stampOfFile(queueJournalPath(joinPath(dataDirectory_, "koefil.dfd"))));
    stamps.push_back(stampOfFile(runQueueAsidePath(joinPath(dataDirectory_, "koefil.dfd"))));
    return stamps;
}

bool DataDirectoryClaim::takeAtStart()
{
    switch (lock_.take(dataDirectory_)) {
    case DataDirectoryLock::Result::Taken:
        // Start-up reads the files now.
        seenValid_ = true;
        return true;
    case DataDirectoryLock::Result::HeldElsewhere:
        seenValid_ = false;
        return false;
    case DataDirectoryLock::Result::Failed:
        // A data directory that cannot hold a lock file (mounted read-only)
        // is worked in as before: no run can write there either.
        unlockable_ = true;
        seenValid_ = true;
        return true;
    }
    return false;
}

bool DataDirectoryClaim::takeAndReadAgain()
{
    if (lock_.take(dataDirectory_) != DataDirectoryLock::Result::Taken)
        return false;
    described_.clear();
    if (!seenValid_ || fingerprint() != seen_) {
        seenValid_ = true;
        if (readAgain_)
            readAgain_();
    }
    return true;
}

bool DataDirectoryClaim::claim()
{
    if (lock_.held() || unlockable_)
        return true;
    if (takeAndReadAgain())
        return true;
    const std::string holder = DataDirectoryLock::holderOf(dataDirectory_);
    dialogs_.message(QStringLiteral("The data folder %1 is in use by %2. Try again when it has finished.")
                         .arg(QString::fromStdString(dataDirectory_),
                              QString::fromStdString(holder.empty() ? std::string("another program") : holder)));
    return false;
}

void DataDirectoryClaim::settle()
{
    if (unlockable_)
        return;
    const std::string inHand = workInHand_ ? workInHand_() : std::string();
    if (lock_.held()) {
        if (inHand.empty()) {
            seen_ = fingerprint();
            seenValid_ = true;
            described_.clear();
            lock_.release();
        } else if (inHand != described_) {
            described_ = inHand;
            lock_.describeHolder("the Tavlin FTP window: " + inHand);
        }
        return;
    }
    // Not held: a run elsewhere may have left files (a pending run, an
    // updated project file); they are read as soon as the lock is free.
    if (seenValid_ && fingerprint() == seen_)
        return;
    if (takeAndReadAgain() && (workInHand_ ? workInHand_() : std::string()).empty()) {
        seen_ = fingerprint();
        lock_.release();
    }
}
