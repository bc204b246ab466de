#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What the last parse of a remote listing learnt beside the tree and the file
// list: the size of each listed file by its position in the file list (the
// transfer queue takes download sizes from here) and, for each link, its
// target and its one-based position in the list. Both have a fixed room;
// entries beyond it are not recorded.
class RemoteListingTables {
public:
    static constexpr std::size_t kSizeSlots = 3500;
    static constexpr std::size_t kLinkSlots = 349;

    struct Link {
        std::string target;
        int position = 0; // one-based position in the remote file list
    };

    void reset()
    {
        sizes_.clear();
        links_.clear();
        fileCount = 0;
        directoryCount = 0;
    }

    // position: zero-based item position in the remote file list.
    void recordSize(std::size_t position, std::int64_t size)
    {
        if (position >= kSizeSlots)
            return;
        if (sizes_.size() <= position)
            sizes_.resize(position + 1, 0);
        sizes_[position] = size > 0 ? size : 0;
    }
    std::int64_t sizeAt(std::size_t position) const
    {
        return position < sizes_.size() ? sizes_[position] : 0;
    }

    bool addLink(std::string target, int position)
    {
        if (links_.size() >= kLinkSlots)
            return false;
        links_.push_back({std::move(target), position});
        return true;
    }
    const Link* linkAtPosition(int position) const
    {
        for (const Link& link : links_)
            if (link.position == position)
                return &link;
        return nullptr;
    }
    std::size_t linkCount() const { return links_.size(); }

    // Entries parsed so far other than "." and ".." (directories included),
    // and the directories among them.
    int fileCount = 0;
    int directoryCount = 0;

private:
    std::vector<std::int64_t> sizes_;
    std::vector<Link> links_;
};
