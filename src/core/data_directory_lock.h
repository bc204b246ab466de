#pragma once

#include <string>

// One writer per data directory: the window and a command-line WebWatch run
// both rewrite the queue, the project file and the deletion list, and two of
// them at once would undo each other's work. The lock is an advisory lock on
// a file in the data directory; the kernel lets go of it when the process
// ends, however it ends, so a killed run never leaves the directory locked.
class DataDirectoryLock {
public:
    DataDirectoryLock() = default;
    ~DataDirectoryLock();
    DataDirectoryLock(const DataDirectoryLock&) = delete;
    DataDirectoryLock& operator=(const DataDirectoryLock&) = delete;

    enum class Result { Taken, HeldElsewhere, Failed };
    Result take(const std::string& dataDirectory);
    bool held() const { return fd_ >= 0; }
    // After Failed: the system's reason (a read-only file system, no
    // permission, ...).
    const std::string& failure() const { return failure_; }

    static constexpr const char* kFileName = "tavlinftp.lock";

private:
    int fd_ = -1;
    std::string failure_;
};
