#include "core/scratch_file.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

ScratchFile::~ScratchFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool ScratchFile::open(const std::string& folder)
{
    if (fd_ >= 0)
        return true;
    std::string where = folder;
    if (where.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        where = tmp && *tmp == '/' ? tmp : "/tmp";
    }
    fd_ = ::open(where.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        // A file system without unnamed files: a named one, unnamed at once.
        std::string pattern = where + "/tavlinftp-XXXXXX";
        fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ < 0)
            return false;
        ::unlink(pattern.c_str());
    }
    path_ = "/proc/self/fd/" + std::to_string(fd_);
    return true;
}
