#include "core/text_line_list.h"

#include "core/data_file_read.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
        return fail(S_ISDIR(status.st_mode) ? std::strerror(EISDIR)
                                            : "not a regular file (a FIFO, a device or a socket)");
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

namespace {

// A link is replaced through: the file it points to gets the new contents.
std::string resolvedTarget(const std::string& path)
{
    std::string target = path;
    struct stat status {};
    // Only the last part matters for the rename; most saves are of a plain
    // file, which need not be resolved part by part.
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
        return target;
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    return target;
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

}  // namespace

bool writeWholeFile(const std::string& path, std::string_view bytes, FileAccess access, FileReplace replace)
{
    // The file is replaced by a new one written beside it. A link is
    // followed, so a data file kept elsewhere through a link is updated
    // there instead of the link being replaced by a copy; and the new file
    // gets the old one's permissions, so a site list the user made private
    // does not become readable by everyone at the next save.
    const std::string target = resolvedTarget(path);
    struct stat previous {};
    const bool replacing = ::stat(target.c_str(), &previous) == 0;
    const bool ownerOnly = access == FileAccess::OwnerOnly;
    const bool frequent = replace == FileReplace::Frequent;

    // The temporary file is created closed to others from its first byte
    // when it will hold a password; otherwise the umask decides, as for any
    // new file.
    const std::string temporary = frequent ? swapFileOf(target) : target + ".tmp" + std::to_string(::getpid());
    int fd = -1;
    if (frequent) {
        // Ours from the previous save, or made now. Written over from the
        // start and cut to length, never truncated to nothing first: a file
        // emptied and rewritten is flushed to disk on close by ext4.
        fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, ownerOnly ? 0600 : 0666);
    } else {
        // One left behind by a killed run of the same process id goes first,
        // so the new one is created with the mode asked for here.
        ::unlink(temporary.c_str());
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, ownerOnly ? 0600 : 0666);
    }
    if (fd < 0)
        return false;
    bool written = writeAll(fd, bytes);
    if (written && frequent)
        written = ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0;
    if (written && replacing) {
        mode_t mode = previous.st_mode & 07777;
        if (ownerOnly && (mode & (S_IRGRP | S_IROTH | S_IWGRP | S_IWOTH)))
            mode = 0600;
        written = ::fchmod(fd, mode) == 0;
    }
    if (::close(fd) != 0)
        written = false;
    if (!written) {
        std::remove(temporary.c_str());
        return false;
    }
    if (replacing && frequent &&
        ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0)
        return true;  // the swap file now holds the previous contents
    // Not replacing, or a file system that cannot swap: a plain rename.
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

void removeWholeFile(const std::string& path)
{
    const std::string target = resolvedTarget(path);
    std::remove(swapFileOf(target).c_str());
    std::remove(path.c_str());
}

void retireWholeFile(const std::string& path)
{
    // Moved aside rather than deleted: the next frequent save writes into it
    // again instead of making a new file.
    const std::string target = resolvedTarget(path);
    const std::string swap = swapFileOf(target);
    struct stat existing {};
    if (::lstat(swap.c_str(), &existing) == 0 || std::rename(target.c_str(), swap.c_str()) != 0)
        std::remove(target.c_str());
}

std::vector<std::string> TextLineList::splitLines(std::string_view bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t lf = bytes.find('\n', start);
        if (lf == std::string_view::npos) {
            lines.emplace_back(bytes.substr(start));
            break;
        }
        std::size_t end = lf;
        if (end > start && bytes[end - 1] == '\r')
            --end;
        lines.emplace_back(bytes.substr(start, end - start));
        start = lf + 1;
    }
    return lines;
}

std::string TextLineList::joinedText() const
{
    std::string text;
    std::size_t total = 0;
    for (const auto& line : items_)
        total += line.size() + 2;
    text.reserve(total);
    for (const auto& line : items_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

bool readWholeFile(const std::string& path, std::string& out)
{
    std::string failure;
    return readDataFile(path, out, failure);
}

bool loadDataFile(TextLineList& lines, const std::string& path, std::string& failure)
{
    std::string bytes;
    if (!readDataFile(path, bytes, failure))
        return false;
    lines = TextLineList(TextLineList::splitLines(bytes));
    return true;
}

bool TextLineList::loadFromFile(const std::string& path)
{
    std::string failure;
    return loadDataFile(*this, path, failure);
}

bool TextLineList::saveToFile(const std::string& path, FileAccess access) const
{
    return writeWholeFile(path, joinedText(), access);
}

std::string TextLineList::lineOr(std::size_t i, std::string fallback) const
{
    return i < items_.size() ? items_[i] : fallback;
}

void TextLineList::insert(std::size_t index, std::string line)
{
    if (index > items_.size())
        index = items_.size();
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(line));
}

void TextLineList::removeAt(std::size_t index)
{
    if (index < items_.size())
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}
