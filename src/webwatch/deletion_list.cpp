#include "webwatch/deletion_list.h"

#include "core/data_file_io.h"
#include "core/data_file_read.h"

#include <algorithm>
#include <charconv>
#include <sys/stat.h>

bool DeletionList::load(const std::string& path)
{
    return lines_.loadFromFile(path);
}

std::string DeletionList::loadFault(const std::string& path)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        lines_.clear();
        return {};
    }
    TextLineList read;
    std::string failure;
    if (!loadDataFile(read, path, failure))
        return failure;
    if (read.size() % kLinesPerEntry != 0)
        return "it holds " + std::to_string(read.size()) + " lines, not whole entries of "
            + std::to_string(kLinesPerEntry) + " lines";
    constexpr std::size_t kPortLine = 3;
    for (std::size_t line = kPortLine; line < read.size(); line += kLinesPerEntry) {
        const std::string& text = read[line];
        unsigned port = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
        if (error != std::errc() || end != text.data() + text.size() || port == 0 || port > 65535)
            return "line " + std::to_string(line + 1) + " is not a port number";
    }
    lines_ = std::move(read);
    return {};
}

bool DeletionList::store(const std::string& path) const
{
    if (empty())
        return removeDataFile(path);
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
