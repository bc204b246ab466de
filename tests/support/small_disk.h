#pragma once

#include "support/temp_dir.h"

#include <cstddef>
#include <string>

// A file system of a few KiB of the test's own (a tmpfs), to see what a full
// disk does. Mounting one must leave nothing mounted on the machine however
// the test ends, so the test runs itself once more, alone, in a mount
// namespace of its own (`unshare -m`), and the run out here only reports
// how that went:
//
//     TEST(Downloads, OntoAFullDisk)
//     {
//         SmallDisk disk(64 * 1024);
//         RUN_ON_SMALL_DISK(disk);
//         ... disk.path() is the small file system ...
//     }
//
// Where mount namespaces or mounting are not allowed the test is skipped,
// saying why.
class SmallDisk {
public:
    explicit SmallDisk(std::size_t bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    // True in the run inside the namespace, with the file system mounted.
    // Out here it runs the test in there and returns false; skipReason()
    // then says why it could not, or is empty when it ran (its failures
    // are this test's failures).
    bool here();
    const std::string& skipReason() const { return skipReason_; }
    const std::string& path() const { return folder_.path(); }
    std::string file(const std::string& name) const { return folder_.file(name); }
    std::string read(const std::string& name) const { return folder_.read(name); }

private:
    std::size_t bytes_;
    TempDir folder_;
    bool mounted_ = false;
    std::string skipReason_;
};

#define RUN_ON_SMALL_DISK(disk)                            \
    do {                                                   \
        if (!(disk).here()) {                              \
            if (!(disk).skipReason().empty())              \
                GTEST_SKIP() << (disk).skipReason();       \
            return;                                        \
        }                                                  \
    } while (false)
