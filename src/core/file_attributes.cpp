#include "core/file_attributes.h"

namespace {

std::uint32_t hiddenBit(std::string_view name)
{
    return !name.empty() && name.front() == '.' ? kAttrHidden : 0;
}

} // namespace

std::uint32_t attributeWord(std::string_view name, const struct stat& status)
{
    if (S_ISDIR(status.st_mode))
        return kAttrDirectory;
    std::uint32_t word = kAttrArchive | hiddenBit(name);
    // The owner's write bit, not access(2): the word describes the file, and
    // must not change when the program happens to run as root.
    if ((status.st_mode & S_IWUSR) == 0)
        word |= kAttrReadOnly;
    if (!S_ISREG(status.st_mode))
        word |= kAttrSystem;
    return word;
}

std::uint32_t attributeWordOfDanglingEntry(std::string_view name)
{
    return kAttrArchive | kAttrSystem | hiddenBit(name);
}
