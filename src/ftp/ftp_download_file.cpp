#include "ftp/ftp_download_file.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* PartSuffix = ".tavlin-part";
// The longest name most Linux file systems take.
constexpr std::size_t LongestName = 255;

std::string Checksum(const std::string& text)
{
    // FNV-1a: the same name gives the same part file in every run, which a
    // resume after a restart relies on.
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return digits;
}

} // namespace

bool DownloadUsesPartFile(const std::string& target)
{
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0)
        return errno == ENOENT;
    return S_ISREG(st.st_mode);
}

std::string DownloadDestination(const std::string& target)
{
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return target;
    char resolved[PATH_MAX];
    if (::realpath(target.c_str(), resolved) == nullptr)
        return target;
    return resolved;
}

std::string DownloadPartPath(const std::string& target)
{
    const std::string destination = DownloadDestination(target);
    const std::size_t slash = destination.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : destination.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? destination : destination.substr(slash + 1);
    std::string partName = "." + name + PartSuffix;
    if (partName.size() > LongestName) {
        const std::string sum = "~" + Checksum(name);
        std::size_t keep = LongestName - 1 - sum.size() - std::strlen(PartSuffix);
        // Not inside a UTF-8 sequence.
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
            --keep;
        partName = "." + name.substr(0, keep) + sum + PartSuffix;
    }
    return folder + partName;
}

std::string ReplaceWithPartFile(const std::string& part, const std::string& destination)
{
    struct stat st {};
    if (::stat(destination.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        ::chmod(part.c_str(), st.st_mode & 07777);
    if (::rename(part.c_str(), destination.c_str()) != 0)
        return std::strerror(errno);
    return {};
}

long long DownloadResumeSize(const std::string& target)
{
    struct stat st {};
    if (DownloadUsesPartFile(target) && ::stat(DownloadPartPath(target).c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return st.st_size;
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return st.st_size;
    return -1;
}
