#include "core/data_directory_lock.h"

#include "core/data_paths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

DataDirectoryLock::~DataDirectoryLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

DataDirectoryLock::Result DataDirectoryLock::take(const std::string& dataDirectory)
{
    if (fd_ >= 0)
        return Result::Taken;
    const std::string path = joinPath(dataDirectory, kFileName);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        failure_ = std::strerror(errno);
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
