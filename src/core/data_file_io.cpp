#include "core/data_file_io.h"

#include "core/data_file_read.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

DataFileNoticeSink& noticeSink()
{
    static DataFileNoticeSink sink;
    return sink;
}

std::deque<std::string>& heldNotices()
{
    static std::deque<std::string> held;
    return held;
}

// What a file that is not a regular one is, in the words of a notice.
std::string notRegular(mode_t mode)
{
    const char* what = S_ISDIR(mode)                      ? "a folder"
        : S_ISFIFO(mode)                                  ? "a FIFO"
        : (S_ISCHR(mode) || S_ISBLK(mode))                ? "a device"
        : S_ISSOCK(mode)                                  ? "a socket"
                                                          : "not a file";
    return std::string("not a regular file (") + what + ")";
}

void noteRefused(const std::string& path, const std::string& failure)
{
    noteDataFileProblem(path + ": " + failure + "; left as it is");
}

enum class Found { Missing, Regular, Refused, Failed };

// What lies at `path`, following a link: the file a write replaces
// (`target`, the end of the link) and its status.
Found inspect(const std::string& path, std::string& target, struct stat& status, std::string& failure)
{
    target = path;
    if (::lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT)
            return Found::Missing;
        failure = std::strerror(errno);
        return Found::Failed;
    }
    if (S_ISLNK(status.st_mode)) {
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (!resolved)
            return Found::Missing;  // leads nowhere: replaced by the file, as a missing one is made
        target = resolved;
        std::free(resolved);
        if (::stat(target.c_str(), &status) != 0) {
            failure = std::strerror(errno);
            return Found::Failed;
        }
    }
    if (!S_ISREG(status.st_mode)) {
        failure = notRegular(status.st_mode);
        return Found::Refused;
    }
    return Found::Regular;
}

// Where a frequently saved file is written before it is swapped in. It
// keeps the previous contents afterwards and is written over at the next
// save, so no file is made or deleted per save: on ext4 making files right
// after deleting others is what costs most. One name per file, not per
// process: the data directory has one writer at a time (see
// DataDirectoryLock), and a killed run leaves at most one behind.
std::string swapFileOf(const std::string& target)
{
    return target + ".swap";
}

bool writeAll(int fd, std::string_view bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (!(n < 0 && errno == EINTR))
            return false;
    }
    return true;
}

// Opens without blocking and keeps the descriptor only for a regular file.
int openRegular(const std::string& path, int flags, mode_t mode, std::string& failure)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, mode);
    if (fd < 0) {
        failure = std::strerror(errno);
        return -1;
    }
    struct stat status {};
    const bool statted = ::fstat(fd, &status) == 0;
    if (!statted || !S_ISREG(status.st_mode)) {
        failure = statted ? notRegular(status.st_mode) : std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

constexpr mode_t kOthersWrite = S_IWGRP | S_IWOTH;

// inspect(), and a refused file named once where the user will see it.
Found inspectNamingRefusal(const std::string& path, std::string& target, struct stat& status, std::string& failure)
{
    const Found found = inspect(path, target, status, failure);
    if (found == Found::Refused)
        noteRefused(path, failure);
    return found;
}

}  // namespace

void setDataFileNoticeSink(DataFileNoticeSink sink)
{
    noticeSink() = std::move(sink);
    if (!noticeSink())
        return;
    std::deque<std::string> held;
    held.swap(heldNotices());
    for (const std::string& message : held)
        noticeSink()(message);
}

void noteDataFileProblem(const std::string& message)
{
    if (noticeSink()) {
        noticeSink()(message);
        return;
    }
    constexpr std::size_t kHeld = 20;
    if (heldNotices().size() == kHeld)
        heldNotices().pop_front();
    heldNotices().push_back(message);
}

bool mayHoldDataFile(const std::string& path, std::string& failure)
{
    std::string target;
    struct stat status {};
    const Found found = inspectNamingRefusal(path, target, status, failure);
    return found == Found::Missing || found == Found::Regular;
}

bool readDataFile(const std::string& path, std::string& out, std::string& failure)
{
    const auto fail = [&failure](std::string why) {
        failure = std::move(why);
        return false;
    };
    // Plain POSIX reads: a stream would throw when the name turns out to be
    // a folder, and a data file that cannot be read must only count as
    // "not loaded". Opened without blocking, so a FIFO put in a data file's
    // place cannot hold the program waiting for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return fail(std::strerror(errno));
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        return fail(std::strerror(error));
    }
    // Only a regular file is data: a device would be read forever (or until
    // memory runs out), and a FIFO or socket holds no file.
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        fail(notRegular(status.st_mode));
        noteRefused(path, failure);
        return false;
    }
    const auto tooLarge = [&] {
        ::close(fd);
        return fail("larger than " + std::to_string(kMaxDataFileBytes / (1024 * 1024))
                    + " MiB, more than any data file of the program holds");
    };
    if (static_cast<std::uint64_t>(status.st_size) > kMaxDataFileBytes)
        return tooLarge();
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(status.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            bytes.append(buffer, static_cast<std::size_t>(got));
            // A file that grows while it is read is held to the same limit.
            if (bytes.size() > kMaxDataFileBytes)
                return tooLarge();
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            const int error = errno;
            ::close(fd);
            return fail(std::strerror(error));
        }
    }
    ::close(fd);
    out = std::move(bytes);
    return true;
}

bool readWholeFile(const std::string& path, std::string& out)
{
    std::string failure;
    return readDataFile(path, out, failure);
}

bool writeDataFile(const std::string& path, std::string_view bytes, std::string& failure, FileAccess access,
                   FileReplace replace)
{
    // The file is replaced by a new one written beside it. A link is
    // followed, so a data file kept elsewhere through a link is updated
    // there instead of the link being replaced by a copy; and the new file
    // gets the old one's permissions, so a site list the user made private
    // does not become readable by everyone at the next save.
    std::string target;
    struct stat previous {};
    const Found found = inspectNamingRefusal(path, target, previous, failure);
    if (found == Found::Failed || found == Found::Refused)
        return false;
    const bool replacing = found == Found::Regular;
    const bool ownerOnly = access == FileAccess::OwnerOnly;
    const bool frequent = replace == FileReplace::Frequent;

    // The temporary file is created closed to others from its first byte
    // when it will hold a password; otherwise the umask decides, as for any
    // new file, except that no one but the owner ever writes a data file.
    const mode_t newMode = ownerOnly ? 0600 : 0644;
    const std::string temporary = frequent ? swapFileOf(target) : target + ".tmp" + std::to_string(::getpid());
    int fd = -1;
    if (frequent) {
        // Ours from the previous save, or made now. Written over from the
        // start and cut to length, never truncated to nothing first: a file
        // emptied and rewritten is flushed to disk on close by ext4.
        fd = openRegular(temporary, O_RDWR | O_CREAT | O_NOFOLLOW, newMode, failure);
        if (fd < 0 && failure.rfind("not a regular file", 0) == 0)
            noteRefused(temporary, failure);
    } else {
        // One left behind by a killed run of the same process id goes first,
        // so the new one is created with the mode asked for here.
        ::unlink(temporary.c_str());
        fd = openRegular(temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, newMode, failure);
    }
    if (fd < 0)
        return false;
    bool written = writeAll(fd, bytes);
    if (written && frequent)
        written = ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0;
    if (written && replacing) {
        mode_t mode = previous.st_mode & 07777 & ~kOthersWrite;
        if (ownerOnly && (mode & (S_IRGRP | S_IROTH)))
            mode = 0600;
        written = ::fchmod(fd, mode) == 0;
    }
    if (!written)
        failure = std::strerror(errno);
    if (::close(fd) != 0 && written) {
        failure = std::strerror(errno);
        written = false;
    }
    if (!written) {
        if (!frequent)
            ::unlink(temporary.c_str());
        return false;
    }
    if (replacing && frequent &&
        ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0)
        return true;  // the swap file now holds the previous contents
    // Not replacing, or a file system that cannot swap: a plain rename.
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        failure = std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool writeWholeFile(const std::string& path, std::string_view bytes, FileAccess access, FileReplace replace)
{
    std::string failure;
    return writeDataFile(path, bytes, failure, access, replace);
}

bool removeDataFile(const std::string& path)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0)
        return errno == ENOENT;
    if (S_ISLNK(status.st_mode)) {
        struct stat target {};
        // A link to a regular file, or one that leads nowhere, goes; one
        // to anything else is left as the thing it leads to is.
        if (::stat(path.c_str(), &target) == 0 && !S_ISREG(target.st_mode)) {
            noteRefused(path, notRegular(target.st_mode));
            return false;
        }
    } else if (!S_ISREG(status.st_mode)) {
        noteRefused(path, notRegular(status.st_mode));
        return false;
    }
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

int openDataFileToAppend(const std::string& path, bool truncate, std::string& failure)
{
    const int fd = openRegular(path, O_WRONLY | O_CREAT | O_APPEND, 0600, failure);
    if (fd < 0) {
        if (failure.rfind("not a regular file", 0) == 0)
            noteRefused(path, failure);
        return -1;
    }
    if (truncate && ::ftruncate(fd, 0) != 0) {
        failure = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

void removeWholeFile(const std::string& path)
{
    std::string target;
    std::string failure;
    struct stat status {};
    if (inspectNamingRefusal(path, target, status, failure) == Found::Refused)
        return;
    removeDataFile(swapFileOf(target));
    removeDataFile(path);
}

void retireWholeFile(const std::string& path)
{
    // Moved aside rather than deleted: the next frequent save writes into it
    // again instead of making a new file.
    std::string target;
    std::string failure;
    struct stat status {};
    if (inspectNamingRefusal(path, target, status, failure) != Found::Regular)
        return;
    const std::string swap = swapFileOf(target);
    struct stat existing {};
    if (::lstat(swap.c_str(), &existing) == 0 || std::rename(target.c_str(), swap.c_str()) != 0)
        removeDataFile(target);
}
