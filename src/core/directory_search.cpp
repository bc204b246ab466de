#include "core/directory_search.h"

#include "core/file_attributes.h"
#include "core/wildcard.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Fills an entry from a status; the name must already be set.
void describe(DirectoryEntry& entry, const struct stat& status)
{
    entry.attributes = attributeWord(entry.name, status);
    entry.size = S_ISDIR(status.st_mode) || status.st_size < 0 ? 0 : static_cast<std::uint64_t>(status.st_size);
    entry.lastWrite = status.st_mtime;
    entry.dosTime = dosDateTimeFromTime(status.st_mtime);
    entry.statusKnown = true;
}

void describeDangling(DirectoryEntry& entry)
{
    entry.attributes = attributeWordOfDanglingEntry(entry.name);
    entry.size = 0;
    entry.lastWrite = 0;
    entry.dosTime = {};
    entry.statusKnown = false;
}

} // namespace

DirectorySearch::DirectorySearch(const std::string& pattern, bool includeDirectories)
    : includeDirectories_(includeDirectories)
{
    const std::size_t slash = pattern.rfind('/');
    std::string directory;
    if (slash == std::string::npos) {
        directory = ".";
        namePattern_ = pattern;
    } else {
        directory = slash == 0 ? std::string("/") : pattern.substr(0, slash);
        namePattern_ = pattern.substr(slash + 1);
    }
    if (namePattern_.empty())
        return;
    directory_ = ::opendir(directory.c_str());
}

DirectorySearch::~DirectorySearch()
{
    if (directory_)
        ::closedir(static_cast<DIR*>(directory_));
}

bool DirectorySearch::next(DirectoryEntry& entry)
{
    if (!directory_)
        return false;
    DIR* dir = static_cast<DIR*>(directory_);
    while (const dirent* item = ::readdir(dir)) {
        const std::string_view name(item->d_name);
        if (name == "." || name == "..")
            continue;
        if (!wildcardMatch(namePattern_, name))
            continue;
        struct stat status {};
        entry.name.assign(name);
        if (::fstatat(::dirfd(dir), item->d_name, &status, 0) == 0) {
            describe(entry, status);
            entry.symbolicLink = item->d_type == DT_LNK;
            if (item->d_type == DT_UNKNOWN) {
                struct stat own {};
                entry.symbolicLink = ::fstatat(::dirfd(dir), item->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0
                    && S_ISLNK(own.st_mode);
            }
        } else if (::fstatat(::dirfd(dir), item->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0) {
            describeDangling(entry);
            entry.symbolicLink = true;
        } else {
            continue; // removed since the directory was read
        }
        if (entry.attributes == kAttrDirectory && !includeDirectories_)
            continue;
        return true;
    }
    return false;
}

std::vector<DirectoryEntry> findEntries(const std::string& pattern, bool includeDirectories)
{
    std::vector<DirectoryEntry> entries;
    DirectorySearch search(pattern, includeDirectories);
    DirectoryEntry entry;
    while (search.next(entry))
        entries.push_back(entry);
    return entries;
}

std::optional<DirectoryEntry> lookUpPath(const std::string& path)
{
    if (path.empty())
        return std::nullopt;
    std::string native = path;
    std::replace(native.begin(), native.end(), '\\', '/');

    DirectoryEntry entry;
    std::string_view trimmed(native);
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.remove_suffix(1);
    const std::size_t slash = trimmed.rfind('/');
    entry.name.assign(slash == std::string_view::npos ? trimmed : trimmed.substr(slash + 1));

    struct stat status {};
    if (::stat(native.c_str(), &status) == 0)
        describe(entry, status);
    else if (::lstat(native.c_str(), &status) == 0)
        describeDangling(entry);
    else
        return std::nullopt;
    return entry;
}

std::optional<std::string> uploadStampOf(const std::string& path)
{
    // A symbolic link that leads nowhere names no file that could be
    // uploaded, so for a stamp it counts as missing.
    const auto entry = lookUpPath(path);
    if (!entry || !entry->statusKnown)
        return std::nullopt;
    return uploadStampText(entry->dosTime);
}
