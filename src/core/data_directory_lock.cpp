#include "core/data_directory_lock.h"

#include "core/data_paths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A holder's line is one short sentence; anything longer is not ours.
constexpr std::size_t kMostHolderBytes = 512;

bool isRegularFile(int fd)
{
    struct stat status {};
    return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

DataDirectoryLock::~DataDirectoryLock()
{
    release();
}

DataDirectoryLock::Result DataDirectoryLock::take(const std::string& dataDirectory)
{
    if (fd_ >= 0)
        return Result::Taken;
    const std::string path = joinPath(dataDirectory, fileName_);
    // Non-blocking: a FIFO put in the lock file's place must not hold the
    // program at the open.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        failure_ = std::strerror(errno);
        return Result::Failed;
    }
    if (!isRegularFile(fd)) {
        ::close(fd);
        failure_ = "the lock file " + path + " is not a regular file";
        return Result::Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return Result::HeldElsewhere;
        failure_ = std::strerror(error);
        return Result::Failed;
    }
    fd_ = fd;
    return Result::Taken;
}

void DataDirectoryLock::release()
{
    if (fd_ < 0)
        return;
    // The line said what this holder was doing; no one does it any more.
    if (::ftruncate(fd_, 0) != 0) {
        // A lock file that cannot be emptied only keeps a stale line, which
        // no one reads while the lock is free.
    }
    ::close(fd_);
    fd_ = -1;
}

void DataDirectoryLock::describeHolder(const std::string& what)
{
    if (fd_ < 0)
        return;
    const std::string line = what.substr(0, kMostHolderBytes - 1) + "\n";
    if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, line.data(), line.size(), 0) != static_cast<ssize_t>(line.size())) {
        // Waiting runs then say the directory is in use without saying by
        // what; the lock itself holds.
    }
}

std::string DataDirectoryLock::holderOf(const std::string& dataDirectory, const char* fileName)
{
    const std::string path = joinPath(dataDirectory, fileName);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return {};
    std::string text;
    if (isRegularFile(fd)) {
        char buffer[kMostHolderBytes];
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, 0);
        if (got > 0)
            text.assign(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    // One line of printable text; a line being written is taken up to
    // where it has come.
    if (const std::size_t end = text.find('\n'); end != std::string::npos)
        text.erase(end);
    for (char& ch : text)
        if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f)
            ch = ' ';
    return text;
}
