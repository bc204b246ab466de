#pragma once

#include <cstddef>

// What the last parse of a remote listing counted beside the tree and the
// file list. The sizes and link targets themselves are kept on the list's
// items, so that any order of the list leaves each item its own.
class RemoteListingTables {
public:
    // Links whose target is kept for following; a link beyond them is
    // listed like a file.
    static constexpr std::size_t kLinkSlots = 349;

    void reset()
    {
        links_ = 0;
        fileCount = 0;
        directoryCount = 0;
    }

    // Takes one more link, while there is room.
    bool addLink()
    {
        if (links_ >= kLinkSlots)
            return false;
        ++links_;
        return true;
    }
    std::size_t linkCount() const { return links_; }

    // Entries parsed so far other than "." and ".." (directories included),
    // and the directories among them.
    int fileCount = 0;
    int directoryCount = 0;

private:
    std::size_t links_ = 0;
};
