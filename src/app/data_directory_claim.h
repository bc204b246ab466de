#pragma once

#include "core/data_directory_lock.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

class Dialogs;

// The window's share of the one-writer lock on its data directory. The
// window holds the lock only while it has work of its own in hand (files in
// line, an interrupted download, a WebWatch run, a recording, the WebWatch
// window open) and lets go of it when it has none, so that a WebWatch run
// from the command line (a nightly cron job) can publish while the program
// stays open. Before the window starts work on its data files again it
// claims the lock back; what another process changed meanwhile is read
// again first, so the window never works from an old copy.
//
// While it does not hold the lock the window also looks, now and then,
// whether the files of a run changed, and reads them again as soon as the
// lock is free, so a run that a command left pending shows in the queue.
class DataDirectoryClaim : public QObject {
    Q_OBJECT
public:
    DataDirectoryClaim(std::string dataDirectory, Dialogs& dialogs, QObject* parent = nullptr);

    // At start-up, before the data files are read: false when another
    // process holds the lock (start-up then restores nothing; the files are
    // read once that process has finished). A data directory that cannot
    // hold a lock file at all (mounted read-only) is worked in as before.
    bool takeAtStart();
    // Once the window is built: `workInHand` says what the window has in
    // hand now, in words that follow "in use by the Tavlin FTP window: "
    // ("3 files in line"), empty when nothing; `readAgain` reads the run's
    // files again (queue, resume record, pending run), called under the
    // lock when they changed since the window last had it. From here on the
    // window lets go of the lock whenever it has nothing in hand.
    void watch(std::function<std::string()> workInHand, std::function<void()> readAgain);
    // Before the window starts work on its data files. True when the lock is
    // the window's (already, or now, after reading again what changed);
    // false when another process holds it, and the user was told by whom.
    bool claim();
    bool held() const { return lock_.held(); }

    // How often the window looks whether it may let go, or read again.
    static constexpr int kSettleMilliseconds = 250;

private:
    // Lets go when nothing is in hand, says what is when something is, and
    // reads a run's files again once another process has finished with them.
    void settle();
    bool takeAndReadAgain();
    std::vector<std::string> fingerprint() const;

    std::string dataDirectory_;
    Dialogs& dialogs_;
    DataDirectoryLock lock_;
    std::function<std::string()> workInHand_;
    std::function<void()> readAgain_;
    QTimer settleTimer_;
    // The run files as they were when the window last let go of the lock;
    // nothing when the window has never read them.
    std::vector<std::string> seen_;
    bool seenValid_ = false;
    std::string described_;
    // The lock could not be had for a reason other than another holder
    // (a read-only folder): the window works as before, without it.
    bool unlockable_ = false;
};
