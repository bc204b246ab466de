#include "webwatch/deletion_list.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

bool DeletionList::load(const std::string& path)
{
    return lines_.loadFromFile(path);
}

bool DeletionList::store(const std::string& path) const
{
    if (empty()) {
        if (std::remove(path.c_str()) == 0)
            return true;
        return errno == ENOENT;
    }
    std::vector<std::string> complete(lines_.lines().begin(),
                                      lines_.lines().begin() + static_cast<std::ptrdiff_t>(count() * kLinesPerEntry));
    // Each entry carries its log-in, password included.
    return TextLineList(std::move(complete)).saveToFile(path, FileAccess::OwnerOnly);
}

DeletionEntry DeletionList::entry(std::size_t i) const
{
    if (i >= count())
        return {};
    DeletionEntry entry;
    entry.readLines(lines_, i * kLinesPerEntry);
    return entry;
}

std::vector<DeletionEntry> DeletionList::entries() const
{
    std::vector<DeletionEntry> all;
    all.reserve(count());
    for (std::size_t i = 0; i < count(); ++i)
        all.push_back(entry(i));
    return all;
}

void DeletionList::append(const DeletionEntry& entry)
{
    // Appending after a damaged tail would shift every field of the new
    // entry; the incomplete lines go first.
    lines_.lines().resize(count() * kLinesPerEntry);
    entry.appendLines(lines_);
}

void DeletionList::removeFirst()
{
    auto& all = lines_.lines();
    const std::size_t n = std::min(all.size(), kLinesPerEntry);
    all.erase(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(n));
}
