#include "ftp/ftp_local_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr std::size_t WriteBlock = 256 * 1024;
// The kernel copies file data into a buffer that starts on a cache line
// several times faster, on some processors, than into one that does not;
// that copy is a large part of what an upload costs.
constexpr std::align_val_t ReadBlockAlignment{4096};
}

FtpLocalStream::~FtpLocalStream()
{
    Release();
}

bool FtpLocalStream::Open(const std::string& path, int flags, std::int64_t offset,
                          TFtpShareMode share, bool writing)
{
    Release();
    failed_ = false;
    errorNumber_ = 0;
    notRegularFile_ = false;
    // A file to send is opened without waiting and must be a regular file:
    // a FIFO would hold the transfer (and the program) in the open, a
    // device such as /dev/zero would be sent without end.
    const bool reading = (flags & O_ACCMODE) == O_RDONLY;
    int fd = ::open(path.c_str(), flags | O_CLOEXEC | (reading ? O_NONBLOCK : 0), 0644);
    if (fd < 0)
        return false;
    if (reading) {
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            notRegularFile_ = true;
            ::close(fd);
            return false;
        }
    }
    int lock = 0;
    switch (share) {
    case ftpShareExclusive:
    case ftpShareDenyRead:
        lock = LOCK_EX;
        break;
    case ftpShareDenyWrite:
        // Readers may share the file; a writer taking the exclusive lock is
        // refused. A writer itself denying others writing still needs the
        // file to itself.
        lock = writing ? LOCK_EX : LOCK_SH;
        break;
    case ftpShareCompat:
    case ftpShareDenyNone:
        break;
    }
    if (lock != 0 && ::flock(fd, lock | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    if (offset > 0 && ::lseek(fd, offset, SEEK_SET) < 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool FtpLocalStream::CreateForWrite(const std::string& path, TFtpShareMode share)
{
    if (share == ftpShareCompat || share == ftpShareDenyNone)
        return Open(path, O_WRONLY | O_CREAT | O_TRUNC, 0, share, true);
    // Truncate only once the lock is held, so a file another transfer of
    // ours is writing is not emptied under it.
    if (!Open(path, O_WRONLY | O_CREAT, 0, share, true))
        return false;
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && ::ftruncate(fd_, 0) != 0) {
        Release();
        return false;
    }
    return true;
}

bool FtpLocalStream::PrepareForWrite(const std::string& path, std::int64_t offset, TFtpShareMode share,
                                     const std::string& seedFrom)
{
    if (offset > 0 && !seedFrom.empty()) {
        if (!Open(path, O_WRONLY | O_CREAT | O_EXCL, 0, share, true))
            return false;
        createdPath_ = path;
    } else if (offset > 0) {
        // Resuming needs the file that is there.
        if (!Open(path, O_WRONLY, 0, share, true))
            return false;
    } else if (Open(path, O_WRONLY | O_CREAT | O_EXCL, 0, share, true)) {
        createdPath_ = path;
    } else if (errno != EEXIST || !Open(path, O_WRONLY, 0, share, true)) {
        return false;
    }
    writeOffset_ = offset;
    seedFrom_ = offset > 0 ? seedFrom : std::string();
    writingBegun_ = false;
    return true;
}

bool FtpLocalStream::CopySeed()
{
    const int from = ::open(seedFrom_.c_str(), O_RDONLY | O_CLOEXEC);
    if (from < 0) {
        errorNumber_ = errno;
        return false;
    }
    std::int64_t left = writeOffset_;
    bool ok = true;
    while (left > 0) {
        ssize_t n = ::copy_file_range(from, nullptr, fd_, nullptr, static_cast<std::size_t>(left), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A file shorter than the offset cannot be resumed after it.
            errorNumber_ = n < 0 ? errno : EIO;
            ok = false;
            break;
        }
        left -= n;
    }
    ::close(from);
    return ok;
}

bool FtpLocalStream::BeginWriting()
{
    if (fd_ < 0)
        return false;
    if (writingBegun_)
        return true;
    if (writeOffset_ > 0 && !seedFrom_.empty() && !CopySeed())
        return false;
    writingBegun_ = true;
    createdPath_.clear();
    if (writeOffset_ > 0) {
        if (::lseek(fd_, writeOffset_, SEEK_SET) >= 0)
            return true;
        errorNumber_ = errno;
        return false;
    }
    // Devices and pipes cannot be emptied and need not be.
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || ::ftruncate(fd_, 0) == 0)
        return true;
    errorNumber_ = errno;
    return false;
}

bool FtpLocalStream::OpenForWriteAt(const std::string& path, std::int64_t offset, TFtpShareMode share)
{
    return Open(path, O_WRONLY, offset, share, true);
}

bool FtpLocalStream::OpenForRead(const std::string& path, std::int64_t offset, TFtpShareMode share)
{
    return Open(path, O_RDONLY, offset, share, false);
}

bool FtpLocalStream::FlushPending()
{
    std::size_t done = 0;
    while (done < pending_.size()) {
        ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failed_ = true;
            errorNumber_ = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    pending_.clear();
    return !failed_;
}

bool FtpLocalStream::Write(const char* data, int length)
{
    if (fd_ < 0 || failed_)
        return false;
    if (pending_.capacity() < WriteBlock)
        pending_.reserve(WriteBlock);
    pending_.insert(pending_.end(), data, data + length);
    if (pending_.size() >= WriteBlock)
        return FlushPending();
    return true;
}

void FtpLocalStream::AlignedDelete::operator()(char* block) const
{
    ::operator delete(block, ReadBlockAlignment);
}

int FtpLocalStream::ReadBlock(const char*& data)
{
    data = nullptr;
    if (fd_ < 0)
        return -1;
    if (!readBlock_)
        readBlock_.reset(static_cast<char*>(::operator new(ReadBlockSize, ReadBlockAlignment)));
    ssize_t n;
    do {
        n = ::read(fd_, readBlock_.get(), ReadBlockSize);
    } while (n < 0 && errno == EINTR);
    if (n > 0)
        data = readBlock_.get();
    return static_cast<int>(n);
}

bool FtpLocalStream::Release()
{
    if (fd_ < 0)
        return true;
    bool ok = true;
    if (!pending_.empty())
        ok = FlushPending();
    ok = ok && !failed_;
    // A download that never started leaves no file it created behind; the
    // lock is still held, so it is the file Prepare made.
    if (!writingBegun_ && !createdPath_.empty())
        ::unlink(createdPath_.c_str());
    writingBegun_ = true;
    createdPath_.clear();
    seedFrom_.clear();
    ::close(fd_); // also drops the advisory lock
    fd_ = -1;
    // The buffers stay for the next file: a queue of many small files would
    // otherwise map and unmap them once per file, which costs more than
    // reading such a file.
    pending_.clear();
    return ok;
}

std::int64_t FtpLocalStream::FileSize(const std::string& path)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return st.st_size;
}
