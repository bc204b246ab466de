#pragma once

#include <string>

// One writer per data directory: the window and a command-line WebWatch run
// both rewrite the queue, the project file and the deletion list, and two of
// them at once would undo each other's work. The lock is an advisory lock on
// a file in the data directory; the kernel lets go of it when the process
// ends, however it ends, so a killed run never leaves the directory locked.
//
// The holder may leave a line in the lock file saying what it is doing, so
// that whoever waits for the directory can say why it could not have it.
class DataDirectoryLock {
public:
    // `fileName`: the lock file in the data directory; the window keeps a
    // second one of its own for as long as it is open (kWindowFileName).
    explicit DataDirectoryLock(const char* fileName = kFileName) : fileName_(fileName) {}
    ~DataDirectoryLock();
    DataDirectoryLock(const DataDirectoryLock&) = delete;
    DataDirectoryLock& operator=(const DataDirectoryLock&) = delete;

    enum class Result { Taken, HeldElsewhere, Failed };
    Result take(const std::string& dataDirectory);
    bool held() const { return fd_ >= 0; }
    // Lets go of the lock (and empties the holder's line).
    void release();
    // After Failed: the system's reason (a read-only file system, no
    // permission, ...).
    const std::string& failure() const { return failure_; }

    // While held: what the holder is doing, in words that finish "in use
    // by ..." ("a WebWatch run from the command line (process 42)").
    void describeHolder(const std::string& what);
    // What the holder of the lock in `dataDirectory` said it is doing;
    // empty when it said nothing (or the file cannot be read).
    static std::string holderOf(const std::string& dataDirectory, const char* fileName = kFileName);

    static constexpr const char* kFileName = "tavlinftp.lock";
    static constexpr const char* kWindowFileName = "tavlinftp.window.lock";

private:
    const char* fileName_;
    int fd_ = -1;
    std::string failure_;
};
