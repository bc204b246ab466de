#pragma once

#include <string>

// A file for what a server sends only to be read back at once (a folder's
// listing). It has no name in any folder: it is made unnamed in the
// temporary folder and reached through /proc/self/fd, so nothing of it is
// left behind however the program ends, a kill included.
class ScratchFile {
public:
    ScratchFile() = default;
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Makes the file in `folder` (the system's temporary folder when
    // empty); false when it cannot be made.
    bool open(const std::string& folder = {});
    bool isOpen() const { return fd_ >= 0; }
    // A path that opens the file for as long as this object lives.
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};
